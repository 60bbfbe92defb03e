#include "startup/host_link.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "startup/link_names.h"

namespace korva {

RuntimeLinkTable runtimeLinkTable(Runtime& runtime) {
    RuntimeLinkTable table;
    while (const char* declaration = runtime.nextSym())
        table[linkNameOf(declaration)] = static_cast<uint32_t>(runtime.symValue(declaration));
    return table;
}

std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

std::string executableFolder() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string file(path, static_cast<size_t>(length));
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? "" : file.substr(0, slash);
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
