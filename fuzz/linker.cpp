// libFuzzer harness for module images (scripts/fuzz linker builds and runs
// it): the input is the image, linked against a table of runtime names the
// test programs use. A broken image is an image error with its problem told,
// a name neither side defines a missing symbol; nothing may fault, read
// outside the image or patch outside the code.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "startup/module_image.h"

namespace {

// Stand-ins for the runtime's addresses: only the arithmetic of the patches
// depends on them.
const korva::RuntimeLinkTable& runtimeNames() {
    static const korva::RuntimeLinkTable table = {
        {"__qyStrLoad", 0x1000}, {"__qyStrRelease", 0x1010}, {"__qyStrConcat", 0x1020},
        {"__qyEnd", 0x1030},     {"_fprint", 0x1040},        {"_fgraphics", 0x1050},
        {"_floadimage", 0x1060}, {"_fflip", 0x1070},         {"_freadint", 0x1080},
    };
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const korva::LinkResult result = korva::linkModuleImage(data, size, runtimeNames());
    if (korva::linkFailureMessage(result).empty()) std::abort();
    switch (result.status) {
        case korva::LinkResult::Status::linked: {
            if (result.code == nullptr) std::abort();
            // The block holds exactly the code: as many bytes as the image's
            // first word says. The runtime keeps it for good; here it goes.
            int32_t codeSize;
            std::memcpy(&codeSize, data, 4);
            munmap(result.code, static_cast<size_t>(codeSize));
            break;
        }
        case korva::LinkResult::Status::imageError:
            if (result.problem.empty()) std::abort();
            break;
        case korva::LinkResult::Status::missingSymbol:
            break;
    }
    return 0;
}
