// How runtime modules publish their commands and internal symbols.
#pragma once

#include <span>

namespace korva {

// One entry of a module's command table: the declaration text (sigils,
// command name, parameters and defaults; or "_" + internal symbol name) and
// the address of the routine or data object bound to it.
struct Declaration {
    const char* text;
    const void* address;
};

template <class Function>
constexpr const void* routine(Function* function) {
    return reinterpret_cast<const void*>(function);
}

// A runtime module: its command table, and the routines that start and stop
// it for one program run. Modules without state leave create/destroy null.
struct ModuleDefinition {
    const char* name;                           // "basic", ... as in "basic_create failed"
    std::span<const Declaration> declarations;
    bool (*create)();
    void (*destroy)();
};

// The system commands first, then the eleven modules in start order.
std::span<const ModuleDefinition* const> linkOrder();
// The eleven modules that are created (in this order) and destroyed (in reverse).
std::span<const ModuleDefinition* const> startOrder();

}  // namespace korva
