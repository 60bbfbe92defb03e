// libFuzzer harness for an executable's resource directory (scripts/fuzz
// resources builds and runs it): the input is the executable file. The
// module image is looked up as the standalone starter looks it up and, when
// found, linked; the executable's length is read as the packer reads it.
// A lying directory is no resource; nothing may fault or read outside.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "startup/module_image.h"
#include "startup/resource_directory.h"
#include "input_file.h"

namespace {

void linkAndDrop(const std::vector<uint8_t>& image) {
    static const korva::RuntimeLinkTable runtime = {{"__qyEnd", 0x1000}, {"_fprint", 0x1010}};
    const korva::LinkResult result = korva::linkModuleImage(image.data(), image.size(), runtime);
    if (result.status != korva::LinkResult::Status::linked) return;
    int32_t codeSize;
    std::memcpy(&codeSize, image.data(), 4);
    munmap(result.code, static_cast<size_t>(codeSize));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = inputFile(data, size, "resources");
    const auto length = korva::executableLength(path);
    if (!length || *length > size) std::abort();  // the file is readable and no longer than itself
    if (auto image = korva::loadResource(path, korva::kResourceTypeRcData, korva::kModuleImageResourceId)) {
        if (image->size() > size) std::abort();
        linkAndDrop(*image);
    }
    korva::loadResource(path, 3, 7);
    unlink(path.c_str());
    return 0;
}
