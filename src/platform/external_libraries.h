// The libraries that CallDLL has loaded, with the functions found in them.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace korva {

// How libraries are found; the system's dynamic loader unless a test
// substitutes its own.
struct LibraryLoader {
    void* (*open)(const char* name);                       // null when it cannot be loaded
    void* (*symbol)(void* library, const char* function);  // null when there is none
    void (*close)(void* library);
};

const LibraryLoader& systemLibraryLoader();

// A library stays loaded, and a function's address stays known, from the
// first call that needs it until the cache is destroyed, so a repeated call
// looks nothing up. Names are compared byte for byte.
class ExternalLibraries {
public:
    explicit ExternalLibraries(const LibraryLoader& loader = systemLibraryLoader()) : loader_(loader) {}
    ~ExternalLibraries();  // unloads every library

    ExternalLibraries(const ExternalLibraries&) = delete;
    ExternalLibraries& operator=(const ExternalLibraries&) = delete;

    // Calls function(in, inSize, out, outSize) of the library and returns its
    // result; 0 when the library or the function cannot be found. The
    // function may pop its own arguments (stdcall) or leave them (cdecl).
    int32_t call(const char* library, const char* function, void* in, int32_t inSize, void* out, int32_t outSize);

private:
    struct Library {
        void* handle;
        std::map<std::string, void*> functions;
    };

    Library* library(const char* name);
    void* function(Library& library, const char* name);

    const LibraryLoader& loader_;
    std::map<std::string, Library> libraries_;
};

}  // namespace korva
