#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "startup/declaration.h"

namespace korva {

// The runtime's declarations as a host enumerates them: filled from the
// modules' tables on the first nextSym of a pass, emptied at its end.
// Entries are keyed by the identity of the text, not its characters.
class DeclarationTable {
public:
    // The next declaration text, or null at the end of a pass.
    const char* next();
    // The address bound to a text that next() returned; -1 for anything else.
    int32_t valueOf(const char* text) const;
    void clear();

private:
    void fill();

    std::vector<Declaration> entries_;
    std::unordered_map<const char*, const void*> addresses_;
    size_t cursor_ = 0;
};

}  // namespace korva
