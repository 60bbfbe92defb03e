#include "graphics/console.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/canvas.h"
#include "graphics/font.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "graphics/typed_line.h"
#include "platform/clock.h"
#include "platform/input_object.h"
#include "platform/platform_runtime.h"
#include "startup/error.h"

namespace korva {
namespace {

constexpr uint32_t kCaretPhase = 320;    // milliseconds the caret is shown, then hidden
constexpr int kKeyPoll = 20;             // milliseconds between looks at the keyboard


Canvas& front() { return *graphicsState.graphics->frontCanvas(); }
int32_t fontHeight() { return graphicsState.font != nullptr ? graphicsState.font->height() : 0; }
// A width beyond 32 bits (a very long line of wide characters) saturates.
int32_t textWidth(std::string_view text) {
    const int64_t width = graphicsState.font != nullptr ? graphicsState.font->stringWidth(text) : 0;
    return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

// Fills an area of a canvas in a colour other than its own.
void fillIn(Canvas& canvas, uint32_t argb, int32_t x, int32_t y, int32_t width, int32_t height) {
    canvas.setColor(argb);
    canvas.rect(x, y, width, height, true);
    canvas.setColor(graphicsState.color);
}

// The front buffer drawn on as the console: whole and unshifted, in the
// drawing state's font and colour, with room for a line at the cursor. The
// program's own origin, handle and viewport are put back when it goes.
class ConsoleSession {
public:
    ConsoleSession() {
        ensureDisplay();
        Canvas& screen = front();
        originX_ = screen.originX(), originY_ = screen.originY();
        handleX_ = screen.handleX(), handleY_ = screen.handleY();
        viewport_ = screen.viewport();
        screen.setOrigin(0, 0);
        screen.setHandle(0, 0);
        screen.setViewport(0, 0, screen.width(), screen.height());
        if (&screen != graphicsState.buffer) {
            screen.setFont(graphicsState.font);
            screen.setColor(graphicsState.color);
        }
        scrollForOneLine();
    }

    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    // Not a destructor: ending the program from here leaves by a jump.
    void end() {
        Canvas& screen = front();
        screen.setViewport(viewport_.x0, viewport_.y0, viewport_.width(), viewport_.height());
        screen.setHandle(handleX_, handleY_);
        screen.setOrigin(originX_, originY_);
        if (&screen == graphicsState.buffer) screen.setColor(graphicsState.color);
        idleOrEnd();
    }

    // The text at the cursor, which moves past it.
    static void write(std::string_view text) {
        front().text(graphicsState.cursorX, graphicsState.cursorY, text);
        const int64_t moved = int64_t{graphicsState.cursorX} + textWidth(text);
        graphicsState.cursorX = static_cast<int32_t>(std::min<int64_t>(moved, INT32_MAX));
    }

    static void newLine() {
        graphicsState.cursorX = 0;
        graphicsState.cursorY += fontHeight();
    }

private:
    // The default window is already the 400 x 300 window the console needs;
    // it becomes the program's own, with its pictures and drawing state.
    static void ensureDisplay() { graphicsState.graphicsSet = true; }

    // Moves the screen up so that a line fits at the cursor, clearing the
    // rows that come in at the bottom in the Cls colour.
    static void scrollForOneLine() {
        Canvas& screen = front();
        const int32_t over = graphicsState.cursorY + fontHeight() - screen.height();
        if (over <= 0) return;
        graphicsState.cursorY = screen.height() - fontHeight();
        screen.blit(0, 0, screen, 0, over, screen.width(), screen.height() - over, true);
        fillIn(screen, graphicsState.clsColor, 0, screen.height() - over, screen.width(), over);
    }

    int32_t originX_, originY_, handleX_, handleY_;
    Rect viewport_;
};

// The line editor of Input. Its canvas keeps the screen's strip under the
// line (upper half) and composes the line over a copy of it (lower half).
class LineEditor {
public:
    explicit LineEditor(Canvas& line) : line_(line), height_(fontHeight()) {
        line_.setFont(graphicsState.font);
        line_.setColor(graphicsState.color);
        line_.blit(0, 0, front(), 0, graphicsState.cursorY, front().width(), height_, true);
    }

    // Edits until Enter (the text, the caret gone from the line) or the end
    // of the program (empty).
    std::string edit() {
        for (;;) {
            const int32_t code = nextCode();
            if (code == 0) return {};
            if (code != kKeyReturn) apply(code);
            redrawLine();
            if (code == kKeyReturn) return typed_.text();
        }
    }

private:
    // Waits for a typed or repeated character while the caret blinks; 0
    // when the program must end.
    int32_t nextCode() {
        const uint32_t waitStart = milliClock();
        uint32_t shownPhase = UINT32_MAX;
        InputObject* input = PlatformRuntime::current()->input();
        for (;;) {
            const uint32_t now = milliClock();
            const uint32_t phase = (now - waitStart) / kCaretPhase;
            if (phase != shownPhase) drawCaret(phase % 2 == 0);
            shownPhase = phase;
            if (const int32_t code = input != nullptr ? takeCharacter(*input, now) : 0) return code;
            if (!PlatformRuntime::current()->delay(kKeyPoll)) return 0;
        }
    }

    // A newly hit key that types something is taken at once and repeats
    // while it stays down and no other key is hit; repeats are timed from
    // the previous one, not from when the keyboard is looked at.
    int32_t takeCharacter(InputObject& input, uint32_t now) {
        if (const int32_t key = input.takeKey()) {
            repeatKey_ = 0;
            const int32_t character = input.characterOf(key);
            if (character == 0) return 0;
            repeatKey_ = key;
            repeatCharacter_ = character;
            lastRepeat_ = now;
            repeatInterval_ = kKeyRepeatDelay;
            return character;
        }
        if (repeatKey_ == 0 || !input.isKeyDown(repeatKey_)) {
            repeatKey_ = 0;
            return 0;
        }
        if (now - lastRepeat_ <= repeatInterval_) return 0;
        lastRepeat_ += repeatInterval_;
        repeatInterval_ = kKeyRepeatPeriod;
        return repeatCharacter_;
    }

    void apply(int32_t code) {
        if (code == kKeyEscape) {
            typed_.clear();
        } else if (!typed_.edit(code) && graphicsState.font != nullptr && code >= graphicsState.font->firstChar() &&
                   code < graphicsState.font->endChar()) {
            typed_.insert(static_cast<char>(code));
        }
    }

    void redrawLine() {
        line_.blit(0, height_, line_, 0, 0, line_.width(), height_, true);
        line_.text(graphicsState.cursorX, height_, typed_.text());
        front().blit(0, graphicsState.cursorY, line_, 0, height_, front().width(), height_, true);
    }

    // Shown: a block in the inverse of the Cls colour with the character
    // under it in the Cls colour. Hidden: the line as it is.
    void drawCaret(bool shown) {
        Canvas& screen = front();
        const std::string& text = typed_.text();
        const std::string_view before(text.data(), typed_.caret());
        const std::string_view under = typed_.caret() < text.size() ? std::string_view(text).substr(typed_.caret(), 1) : "";
        const int32_t x = graphicsState.cursorX + textWidth(before);
        const int32_t y = graphicsState.cursorY;
        const int32_t width = textWidth(under.empty() ? "X" : under);
        if (shown) {
            fillIn(screen, graphicsState.clsColor ^ 0xFFFFFF, x, y, width, height_);
            screen.setColor(graphicsState.clsColor);
        } else {
            screen.blit(x, y, line_, x, 0, width, height_, true);
        }
        screen.text(x, y, under);
        screen.setColor(graphicsState.color);
    }

    Canvas& line_;
    int32_t height_;
    TypedLine typed_;
    int32_t repeatKey_ = 0, repeatCharacter_ = 0;
    uint32_t lastRepeat_ = 0, repeatInterval_ = 0;
};

// The line canvas, kept from one Input to the next while it is big enough.
Canvas* lineCanvas() {
    Canvas* line = graphicsState.lineCanvas;
    const int32_t width = front().width(), height = 2 * fontHeight();
    if (line != nullptr && line->width() >= width && line->height() >= height) return line;
    freeLineCanvas();
    graphicsState.lineCanvas = graphicsState.graphics->createCanvas(width, height, 0);
    return graphicsState.lineCanvas;
}

}  // namespace

void freeLineCanvas() {
    if (graphicsState.lineCanvas != nullptr && graphicsState.graphics != nullptr)
        graphicsState.graphics->freeCanvas(graphicsState.lineCanvas);
    graphicsState.lineCanvas = nullptr;
}

void cmdWrite(qyStr* string) {
    ConsoleSession console;
    ConsoleSession::write(strView(string));
    strRelease(string);
    console.end();
}

void cmdPrint(qyStr* string) {
    ConsoleSession console;
    ConsoleSession::write(strView(string));
    strRelease(string);
    ConsoleSession::newLine();
    console.end();
}

// The result is a string of its own even when empty. Nothing that needs
// freeing may live across the end of the session, which can end the program.
qyStr* cmdInput(qyStr* prompt) {
    ConsoleSession console;
    ConsoleSession::write(strView(prompt));
    strRelease(prompt);
    qyStr* result = strNew();
    if (Canvas* line = lineCanvas()) {
        const std::string text = LineEditor(*line).edit();
        strAppend(result, text.data(), text.size());
        ConsoleSession::newLine();
    }
    console.end();
    return result;
}

void cmdLocate(int32_t x, int32_t y) {
    graphicsState.cursorX = std::clamp(x, 0, front().width());
    graphicsState.cursorY = std::clamp(y, 0, front().height());
}

}  // namespace korva
