#include "platform/external_libraries.h"

#include <dlfcn.h>

// The assembly thunk (external_call.S): calls the function with the four
// arguments on a 16-byte aligned stack and restores the stack pointer
// afterwards, whichever side removed the arguments.
extern "C" int32_t korvaCallExternal(void* function, void* in, int32_t inSize, void* out, int32_t outSize);

namespace korva {
namespace {

void* openLibrary(const char* name) { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }
void* findSymbol(void* library, const char* function) { return dlsym(library, function); }
void closeLibrary(void* library) { dlclose(library); }

const LibraryLoader kSystemLoader{openLibrary, findSymbol, closeLibrary};

}  // namespace

const LibraryLoader& systemLibraryLoader() { return kSystemLoader; }

ExternalLibraries::~ExternalLibraries() {
    for (auto& [name, library] : libraries_) loader_.close(library.handle);
}

int32_t ExternalLibraries::call(const char* libraryName, const char* functionName, void* in, int32_t inSize,
                                void* out, int32_t outSize) {
    Library* loaded = library(libraryName);
    if (loaded == nullptr) return 0;
    void* address = function(*loaded, functionName);
    if (address == nullptr) return 0;
    return korvaCallExternal(address, in, inSize, out, outSize);
}

ExternalLibraries::Library* ExternalLibraries::library(const char* name) {
    auto known = libraries_.find(name);
    if (known != libraries_.end()) return &known->second;
    void* handle = loader_.open(name);
    if (handle == nullptr) return nullptr;
    return &libraries_.emplace(name, Library{handle, {}}).first->second;
}

void* ExternalLibraries::function(Library& library, const char* name) {
    auto known = library.functions.find(name);
    if (known != library.functions.end()) return known->second;
    void* address = loader_.symbol(library.handle, name);
    if (address != nullptr) library.functions.emplace(name, address);
    return address;
}

}  // namespace korva
