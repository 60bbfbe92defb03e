#include "startup/host_link.h"

#include "startup/link_names.h"

namespace korva {

RuntimeLinkTable runtimeLinkTable(Runtime& runtime) {
    RuntimeLinkTable table;
    while (const char* declaration = runtime.nextSym())
        table[linkNameOf(declaration)] = static_cast<uint32_t>(runtime.symValue(declaration));
    return table;
}

std::string argumentText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

}  // namespace korva
