// The character a key types on a US keyboard, as GetKey, WaitKey and the
// text console's Input see it.
#pragma once

#include <cstdint>

namespace korva {

struct KeyModifiers {
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool capsLock = false;  // toggles
    bool numLock = false;
};

// The character code (1 ... 255) of a key code, or 0 when the key types
// none. The editing keys have fixed codes whatever the modifiers: Home 1,
// End 2, Insert 3, Delete 4, Page Up 5, Page Down 6, cursor up 28, down 29,
// right 30, left 31.
int32_t characterOf(int32_t code, const KeyModifiers& modifiers);

}  // namespace korva
