// How runtime modules publish their commands and internal symbols.
//
// A table entry pairs a declaration text with a routine or a data object:
//
//     {"%LoadFont$fontname%height=12", routine<cmdLoadFont>},
//     {"_qyStrLoad", routine<qyStrLoad>},
//     {"_qyIntType", &kIntTypeWord},
//
// A command's sigils are checked against its routine's C++ signature when the
// table is compiled ("%" int32_t, "#" float, "$" qyStr*, no result sigil
// void): a mismatch stops the build at the call of
// declarationDoesNotMatchItsRoutine. Compiled code calls the routine through
// an entry generated here, which gives it what the runtime's own code relies
// on and compiled code does not guarantee.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <type_traits>

#include "startup/error.h"

struct qyStr;

namespace korva {

// Called only during constant evaluation of a table entry whose sigils do not
// match its routine, so that the build fails there.
void declarationDoesNotMatchItsRoutine();

namespace declaration_detail {

template <class T>
consteval char sigilOf() {
    if constexpr (std::is_void_v<T>) return '\0';
    if constexpr (std::is_same_v<T, int32_t>) return '%';
    if constexpr (std::is_same_v<T, float>) return '#';
    if constexpr (std::is_same_v<T, qyStr*>) return '$';
    return '?';  // a type compiled code cannot pass
}

consteval bool isSigil(char c) { return c == '%' || c == '#' || c == '$'; }

// The parameter sigils of a declaration, in order: what follows the name,
// skipping each parameter's name and default (a quoted default may hold
// anything).
consteval bool parametersMatch(const char* text, std::initializer_list<char> sigils) {
    while (*text != '\0' && !isSigil(*text)) ++text;
    for (char sigil : sigils) {
        if (*text != sigil) return false;
        for (++text; *text != '\0' && !isSigil(*text); ++text)
            if (*text == '"')
                while (*++text != '"') {
                }
    }
    return *text == '\0';
}

// Internal symbols ("_qy...") carry no signature in their text.
consteval bool matches(const char* text, char result, std::initializer_list<char> parameters) {
    if (text[0] == '_') return true;
    const bool hasResult = isSigil(text[0]);
    if (hasResult ? text[0] != result : result != '\0') return false;
    return parametersMatch(hasResult ? text + 1 : text, parameters);
}

// A declaration text checked against the routine it will be paired with.
template <class Result, class... Parameters>
struct CheckedText {
    consteval CheckedText(const char* declaration) : text(declaration) {
        if (!matches(text, sigilOf<Result>(), {sigilOf<Parameters>()...})) declarationDoesNotMatchItsRoutine();
    }
    const char* text;
};

// A data symbol's text: internal symbols only.
struct DataText {
    consteval DataText(const char* declaration) : text(declaration) {
        if (text[0] != '_') declarationDoesNotMatchItsRoutine();
    }
    const char* text;
};

// What compiled code calls instead of the routine itself:
// - compiled code keeps the stack aligned to 4 bytes only, while library code
//   (SDL, FreeType, FreeImage) and our own SSE code expect the i386 ABI's 16,
//   so the entry realigns it before anything else runs;
// - compiled code has no unwind tables, so no C++ exception may leave the
//   routine: out of memory ends the program with "Out of memory", anything
//   else with "Unknown runtime exception" (commands for which running out of
//   memory is an ordinary failure catch it themselves and return it).
template <auto Routine>
struct Entry;

template <class Result, class... Parameters, Result (*Routine)(Parameters...)>
struct Entry<Routine> {
    [[gnu::force_align_arg_pointer]] static Result call(Parameters... arguments) {
        const char* failure;
        try {
            return Routine(arguments...);
        } catch (...) {
            failure = messageOfCurrentException();
        }
        raiseRuntimeError(failure);  // outside the handler: it never returns
    }
};

template <class Signature>
struct EntryPointer;

template <class Result, class... Parameters>
struct EntryPointer<Result(Parameters...)> {
    Result (*call)(Parameters...);
};

}  // namespace declaration_detail

// The entry of a routine, for a declaration table.
template <auto Routine>
inline constexpr declaration_detail::EntryPointer<std::remove_pointer_t<decltype(Routine)>> routine{
    &declaration_detail::Entry<Routine>::call};

// One entry of a module's command table: the declaration text (sigils,
// command name, parameters and defaults; or "_" + internal symbol name) and
// the address of the routine's entry or of the data object bound to it.
struct Declaration {
    template <class Result, class... Parameters>
    Declaration(std::type_identity_t<declaration_detail::CheckedText<Result, Parameters...>> declaration,
                declaration_detail::EntryPointer<Result(Parameters...)> entry)
        : text(declaration.text), address(reinterpret_cast<const void*>(entry.call)) {}

    Declaration(declaration_detail::DataText declaration, const void* data) : text(declaration.text), address(data) {}

    const char* text;
    const void* address;
};

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
