// A line of text as a person types it, with a caret: GetKey's editing codes
// move the caret and delete, other characters are put in at the caret. The
// text console's Input and the runtime's own dialogs edit with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korva {

// GetKey's codes of the editing keys.
constexpr int32_t kKeyHome = 1, kKeyEnd = 2, kKeyDelete = 4, kKeyBackspace = 8, kKeyTab = 9, kKeyReturn = 13,
                  kKeyEscape = 27, kKeyUp = 28, kKeyDown = 29, kKeyRight = 30, kKeyLeft = 31;

// A key held down types again after this many milliseconds, then this often.
constexpr uint32_t kKeyRepeatDelay = 280, kKeyRepeatPeriod = 40;

class TypedLine {
public:
    const std::string& text() const { return text_; }
    size_t caret() const { return caret_; }
    void moveCaret(size_t to) { caret_ = to < text_.size() ? to : text_.size(); }
    void clear();
    // Home, End, Delete, Backspace and the left and right cursor keys; false
    // for any other code, which the line leaves alone.
    bool edit(int32_t code);
    // Puts the character in at the caret, which moves past it.
    void insert(char character) { text_.insert(caret_++, 1, character); }

private:
    std::string text_;
    size_t caret_ = 0;
};

}  // namespace korva
