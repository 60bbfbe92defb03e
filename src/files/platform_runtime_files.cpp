// The platform runtime's file devices: the one PlatformFileSystem and the
// cache of external libraries that CallDLL loads.
#include <new>

#include "files/external_libraries.h"
#include "files/platform_file_system.h"
#include "platform/platform_runtime.h"

namespace korva {

PlatformFileSystem* PlatformRuntime::openFileSystem() {
    if (fileSystem_ != nullptr) return nullptr;
    fileSystem_.reset(new (std::nothrow) PlatformFileSystem);
    return fileSystem_.get();
}

void PlatformRuntime::closeFileSystem(PlatformFileSystem* fileSystem) {
    if (fileSystem != nullptr && fileSystem == fileSystem_.get()) fileSystem_.reset();
}

int32_t PlatformRuntime::callDll(const char* library, const char* function, void* in, int32_t inSize, void* out,
                                 int32_t outSize) {
    if (libraries_ == nullptr) libraries_.reset(new (std::nothrow) ExternalLibraries);
    if (libraries_ == nullptr) return 0;
    return libraries_->call(library, function, in, inSize, out, outSize);
}

}  // namespace korva
