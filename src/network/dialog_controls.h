// The controls of a dialog the runtime draws itself (StartNetGame's setup
// dialog): labels, push buttons, an edit field, a list box and a drop-down
// list, in the look of the classic desktop. Each control sits at a pixel
// rectangle of the dialog's picture, draws itself, and turns clicks and typed
// characters into the notices its dialog acts on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/rect.h"
#include "graphics/typed_line.h"

namespace korva {

class Canvas;
class Font;

// Draws on the dialog's picture in the dialog's font.
class DialogPainter {
public:
    static constexpr uint32_t kFace = 0xFFC0C0C0, kShadow = 0xFF808080, kDarkShadow = 0xFF000000,
                              kHighlight = 0xFFFFFFFF, kWindow = 0xFFFFFFFF, kText = 0xFF000000,
                              kGrayText = 0xFF808080, kSelection = 0xFF000080, kSelectedText = 0xFFFFFFFF;

    DialogPainter(Canvas& canvas, Font& font) : canvas_(canvas), font_(font) {}

    int32_t lineHeight() const;
    int32_t textWidth(const std::string& text) const;
    void fill(const Rect& area, uint32_t argb);
    // The two-pixel bevel of a raised control (a button) or a sunken one (a
    // field), inside the area.
    void bevel(const Rect& area, bool sunken);
    // Text with its top-left corner at (x, y), cut off at the clip.
    void text(int32_t x, int32_t y, const std::string& text, uint32_t argb, const Rect& clip);
    // Disabled text: grey, with a white copy one pixel down and right.
    void etchedText(int32_t x, int32_t y, const std::string& text, const Rect& clip);
    // A dotted rectangle: keyboard focus.
    void focusRect(const Rect& area);
    void arrow(const Rect& area, bool down, uint32_t argb);

private:
    Canvas& canvas_;
    Font& font_;
};

// What a control tells its dialog.
enum class Notice { none, clicked, selectionChanged, doubleClicked, enterPressed };

class DialogControl {
public:
    DialogControl(int32_t id, const Rect& area, bool tabStop) : id_(id), area_(area), tabStop_(tabStop) {}
    virtual ~DialogControl() = default;

    int32_t id() const { return id_; }
    const Rect& area() const { return area_; }
    bool takesFocus() const { return tabStop_ && enabled; }
    // Where a click reaches the control (a drop-down's open list too).
    virtual bool contains(int32_t x, int32_t y) const;

    virtual void draw(DialogPainter& painter, bool focused) const = 0;
    // A left click at a position the control contains; twice is the second
    // click of a double click.
    virtual Notice click(int32_t, int32_t, bool) { return Notice::none; }
    // A typed character, GetKey's codes (8 backspace, 13 return, 28 to 31
    // the cursor keys, ...).
    virtual Notice key(int32_t) { return Notice::none; }
    // Wheel motion in notches, away from the user positive.
    virtual void wheel(int32_t) {}
    // Losing the focus (a drop-down closes).
    virtual void blur() {}

    bool enabled = true;

private:
    int32_t id_;
    Rect area_;
    bool tabStop_;
};

class Label final : public DialogControl {
public:
    Label(const Rect& area, std::string text) : DialogControl(0, area, false), text_(std::move(text)) {}
    void draw(DialogPainter& painter, bool focused) const override;

private:
    std::string text_;
};

class PushButton final : public DialogControl {
public:
    PushButton(int32_t id, const Rect& area, std::string text) : DialogControl(id, area, true), text_(std::move(text)) {}
    void draw(DialogPainter& painter, bool focused) const override;
    Notice click(int32_t x, int32_t y, bool twice) override;
    Notice key(int32_t character) override;

private:
    std::string text_;
};

// One line of text that scrolls sideways to keep the caret in view; return
// is a notice of its own.
class EditField final : public DialogControl {
public:
    EditField(int32_t id, const Rect& area, size_t maxLength) : DialogControl(id, area, true), maxLength_(maxLength) {}
    void draw(DialogPainter& painter, bool focused) const override;
    Notice click(int32_t x, int32_t y, bool twice) override;
    Notice key(int32_t character) override;

    const std::string& text() const { return typed_.text(); }
    void clear();
    // The caret blinks: the dialog toggles it.
    void setCaretShown(bool shown) { caretShown_ = shown; }

private:
    Rect inner() const;
    // Keeps the caret inside the visible part (measured in the painter's font
    // at the last draw).
    void scrollToCaret(const DialogPainter& painter) const;

    TypedLine typed_;
    size_t maxLength_;
    mutable size_t firstShown_ = 0;
    mutable std::vector<int32_t> lastOffsets_;  // x of each character shown, from the last draw
    bool caretShown_ = true;
};

// Rows of text, one selected, with a vertical scroll bar when they do not
// all fit; rows are cut off at the bottom rather than the box shrunk.
class ListBox final : public DialogControl {
public:
    ListBox(int32_t id, const Rect& area) : DialogControl(id, area, true) {}
    void draw(DialogPainter& painter, bool focused) const override;
    Notice click(int32_t x, int32_t y, bool twice) override;
    Notice key(int32_t character) override;
    void wheel(int32_t notches) override;

    void clear();
    void add(std::string item) { items_.push_back(std::move(item)); }
    int32_t selected() const { return selected_; }
    // Selects the row (within the items) and scrolls it into view.
    void select(int32_t row);
    const std::vector<std::string>& items() const { return items_; }
    void setRowHeight(int32_t height) { rowHeight_ = height; }
    int32_t rowHeight() const { return rowHeight_; }

private:
    Rect inner() const;
    int32_t fullRows() const;
    bool needsScrollBar() const { return static_cast<int32_t>(items_.size()) > fullRows(); }
    Rect scrollBar() const;
    void scrollTo(int32_t top);

    std::vector<std::string> items_;
    int32_t selected_ = -1;
    int32_t top_ = 0;
    int32_t rowHeight_ = 13;
};

// A field showing the chosen entry and a button that drops the list of
// entries down below it.
class DropDownList final : public DialogControl {
public:
    // The area is the field and its dropped list together, as the dialog
    // template gives it; fieldHeight is the field's part.
    DropDownList(int32_t id, const Rect& area, int32_t fieldHeight);
    bool contains(int32_t x, int32_t y) const override;
    void draw(DialogPainter& painter, bool focused) const override;
    Notice click(int32_t x, int32_t y, bool twice) override;
    Notice key(int32_t character) override;
    void blur() override { open_ = false; }

    void setItems(std::vector<std::string> items);
    int32_t count() const { return static_cast<int32_t>(items_.size()); }
    int32_t selected() const { return selected_; }
    void select(int32_t index) { selected_ = index; }
    bool isOpen() const { return open_; }
    void setRowHeight(int32_t height) { rowHeight_ = height; }

private:
    Rect field() const;
    Rect droppedList() const;
    Notice choose(int32_t index);
    // The entry before or after the chosen one, the list staying as it is.
    Notice step(int32_t by);

    std::vector<std::string> items_;
    int32_t selected_ = -1;
    int32_t fieldHeight_;
    int32_t rowHeight_ = 13;
    bool open_ = false;
};

}  // namespace korva
