// The stand-alone game executable: links the module image appended to this
// very file and runs it.
#include <dlfcn.h>

#include <cstdlib>

#include "platform/window_system.h"
#include "startup/host_link.h"
#include "startup/resource_directory.h"

namespace {

// Failures before the program starts end the process at once, with nothing
// cleaned up: the image error with status -1, a missing symbol with 0.
[[noreturn]] void failToStart(const korva::LinkResult& result) {
    korva::showMessageBox("", korva::linkFailureMessage(result));
    std::_Exit(result.status == korva::LinkResult::Status::missingSymbol ? 0 : -1);
}

}  // namespace

int main(int argc, char** argv) {
    korva::Runtime& runtime = *runtimeGetRuntime();
    runtime.startup(dlopen(nullptr, RTLD_NOW));
    const korva::RuntimeLinkTable table = korva::runtimeLinkTable(runtime);

    auto image = korva::loadResource("/proc/self/exe", korva::kResourceTypeRcData, korva::kModuleImageResourceId);
    korva::LinkResult linked;
    if (image) linked = korva::linkModuleImage(image->data(), image->size(), table);
    if (linked.status != korva::LinkResult::Status::linked) failToStart(linked);

    const std::string arguments = korva::argumentText(argc, argv);
    runtime.execute(reinterpret_cast<korva::EntryRoutine>(linked.code), arguments.c_str(), nullptr);
    runtime.shutdown();
    return 0;
}
