#include "input/key_characters.h"

#include <array>
#include <cstddef>

namespace korva {
namespace {

struct KeyCharacters {
    uint8_t plain = 0, shifted = 0;
};

// The US layout by scan code: what a key types alone and with Shift.
constexpr std::array<KeyCharacters, 128> buildLayout() {
    std::array<KeyCharacters, 128> layout{};
    auto row = [&layout](int first, const char* plain, const char* shifted) {
        for (int i = 0; plain[i] != '\0'; ++i)
            layout[static_cast<std::size_t>(first + i)] = {static_cast<uint8_t>(plain[i]), static_cast<uint8_t>(shifted[i])};
    };
    row(0x01, "\x1b", "\x1b");
    row(0x02, "1234567890-=\b\t", "!@#$%^&*()_+\b\t");
    row(0x10, "qwertyuiop[]\r", "QWERTYUIOP{}\r");
    row(0x1E, "asdfghjkl;'`", "ASDFGHJKL:\"~");
    row(0x2B, "\\zxcvbnm,./", "|ZXCVBNM<>?");
    row(0x37, "*", "*");
    row(0x39, " ", " ");
    row(0x4A, "-", "-");
    row(0x4E, "+", "+");
    row(0x56, "\\", "|");
    return layout;
}

constexpr std::array<KeyCharacters, 128> kLayout = buildLayout();

// The keypad's digits and point, typed while Num Lock is on.
constexpr std::array<uint8_t, 13> kKeypad = {'7', '8', '9', 0, '4', '5', '6', 0, '1', '2', '3', '0', '.'};
constexpr int32_t kKeypadFirst = 0x47;

int32_t fixedCode(int32_t code) {
    switch (code) {
        case 199: return 1;   // Home
        case 207: return 2;   // End
        case 210: return 3;   // Insert
        case 211: return 4;   // Delete
        case 201: return 5;   // Page Up
        case 209: return 6;   // Page Down
        case 200: return 28;  // cursor up
        case 208: return 29;  // cursor down
        case 205: return 30;  // cursor right
        case 203: return 31;  // cursor left
        default: return 0;
    }
}

// Control turns letters and a few signs into control characters.
int32_t controlCharacter(int32_t scan, const KeyModifiers& modifiers) {
    const uint8_t plain = kLayout[static_cast<std::size_t>(scan)].plain;
    if (plain >= 'a' && plain <= 'z') return plain - 'a' + 1;
    switch (plain) {
        case '[': return 27;
        case '\\': return 28;
        case ']': return 29;
        case '6': return modifiers.shift ? 30 : 0;
        case '-': return modifiers.shift ? 31 : 0;
        case '\b': return 127;
        case '\r': return 10;
        case 27: return 27;
        case ' ': return ' ';
        default: return 0;
    }
}

}  // namespace

// Of the extended keys only the keypad's Enter and divide type (as their
// main-keyboard twins do); media and system keys type nothing. Alt alone
// changes nothing; with Control it is the US layout's empty AltGr.
int32_t characterOf(int32_t code, const KeyModifiers& modifiers) {
    if (const int32_t fixed = fixedCode(code)) return fixed;
    if (code == 181) return modifiers.control ? 0 : '/';
    if (code == 156) code = 0x1C;
    if (code <= 0 || code >= 128) return 0;
    if (modifiers.control) return modifiers.alt ? 0 : controlCharacter(code, modifiers);
    if (code >= kKeypadFirst && code < kKeypadFirst + static_cast<int32_t>(kKeypad.size()) &&
        kKeypad[static_cast<std::size_t>(code - kKeypadFirst)] != 0)
        return modifiers.numLock && !modifiers.shift ? kKeypad[static_cast<std::size_t>(code - kKeypadFirst)] : 0;
    const KeyCharacters& key = kLayout[static_cast<std::size_t>(code)];
    const bool letter = key.plain >= 'a' && key.plain <= 'z';
    return modifiers.shift != (letter && modifiers.capsLock) ? key.shifted : key.plain;
}

}  // namespace korva
