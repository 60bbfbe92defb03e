#include "network/dialog_controls.h"

#include <algorithm>

#include "graphics/canvas.h"
#include "graphics/font.h"

namespace korva {
namespace {

constexpr int32_t kBevel = 2;       // pixels of a control's 3D edge
constexpr int32_t kTextMargin = 2;  // between an edge and text
constexpr int32_t kScrollBarWidth = 16;


bool inside(const Rect& area, int32_t x, int32_t y) { return x >= area.x0 && x < area.x1 && y >= area.y0 && y < area.y1; }

Rect shrunk(const Rect& area, int32_t by) { return {area.x0 + by, area.y0 + by, area.x1 - by, area.y1 - by}; }

bool printable(int32_t character) { return character >= 32 && character <= 255 && character != 127; }

}  // namespace

int32_t DialogPainter::lineHeight() const { return font_.height(); }

int32_t DialogPainter::textWidth(const std::string& text) const {
    return static_cast<int32_t>(std::min<int64_t>(font_.stringWidth(text), INT32_MAX));
}

void DialogPainter::fill(const Rect& area, uint32_t argb) {
    if (area.isEmpty()) return;
    canvas_.setColor(argb);
    canvas_.rect(area.x0, area.y0, area.width(), area.height(), true);
}

void DialogPainter::bevel(const Rect& area, bool sunken) {
    auto edge = [&](const Rect& box, uint32_t topLeft, uint32_t bottomRight) {
        fill({box.x0, box.y0, box.x1, box.y0 + 1}, topLeft);
        fill({box.x0, box.y0, box.x0 + 1, box.y1}, topLeft);
        fill({box.x0, box.y1 - 1, box.x1, box.y1}, bottomRight);
        fill({box.x1 - 1, box.y0, box.x1, box.y1}, bottomRight);
    };
    if (sunken) {
        edge(area, kShadow, kHighlight);
        edge(shrunk(area, 1), kDarkShadow, kFace);
    } else {
        edge(area, kHighlight, kDarkShadow);
        edge(shrunk(area, 1), kFace, kShadow);
    }
}

void DialogPainter::text(int32_t x, int32_t y, const std::string& text, uint32_t argb, const Rect& clip) {
    if (text.empty() || clip.isEmpty()) return;
    const Rect viewport = canvas_.viewport();
    canvas_.setViewport(clip.x0, clip.y0, clip.width(), clip.height());
    font_.draw(canvas_, argb, x, y, text);
    canvas_.setViewport(viewport.x0, viewport.y0, viewport.width(), viewport.height());
}

void DialogPainter::etchedText(int32_t x, int32_t y, const std::string& text, const Rect& clip) {
    this->text(x + 1, y + 1, text, kHighlight, clip);
    this->text(x, y, text, kGrayText, clip);
}

void DialogPainter::focusRect(const Rect& area) {
    canvas_.setColor(kText);
    for (int32_t x = area.x0; x < area.x1; x += 2) {
        canvas_.plotPixel(x, area.y0);
        canvas_.plotPixel(x, area.y1 - 1);
    }
    for (int32_t y = area.y0; y < area.y1; y += 2) {
        canvas_.plotPixel(area.x0, y);
        canvas_.plotPixel(area.x1 - 1, y);
    }
}

// A small solid triangle in the middle of the area.
void DialogPainter::arrow(const Rect& area, bool down, uint32_t argb) {
    const int32_t half = std::max(2, std::min(area.width(), area.height()) / 4);
    const int32_t cx = (area.x0 + area.x1) / 2, cy = (area.y0 + area.y1) / 2 - half / 2;
    for (int32_t row = 0; row < half; ++row) {
        const int32_t span = down ? half - 1 - row : row;
        fill({cx - span, cy + row, cx + span + 1, cy + row + 1}, argb);
    }
}

bool DialogControl::contains(int32_t x, int32_t y) const { return inside(area_, x, y); }

void Label::draw(DialogPainter& painter, bool) const {
    if (enabled)
        painter.text(area().x0, area().y0, text_, DialogPainter::kText, area());
    else
        painter.etchedText(area().x0, area().y0, text_, area());
}

void PushButton::draw(DialogPainter& painter, bool focused) const {
    Rect face = area();
    painter.fill(face, DialogPainter::kFace);
    if (focused) {  // the button Return presses: a black frame around the bevel
        painter.fill({face.x0, face.y0, face.x1, face.y1}, DialogPainter::kDarkShadow);
        face = shrunk(face, 1);
        painter.fill(face, DialogPainter::kFace);
    }
    painter.bevel(face, false);
    const Rect label = shrunk(face, kBevel);
    const int32_t x = label.x0 + (label.width() - painter.textWidth(text_)) / 2;
    const int32_t y = label.y0 + (label.height() - painter.lineHeight()) / 2;
    if (enabled)
        painter.text(x, y, text_, DialogPainter::kText, label);
    else
        painter.etchedText(x, y, text_, label);
    if (focused) painter.focusRect(shrunk(label, 1));
}

Notice PushButton::click(int32_t, int32_t, bool) { return enabled ? Notice::clicked : Notice::none; }

Notice PushButton::key(int32_t character) {
    return enabled && (character == ' ' || character == kKeyReturn) ? Notice::clicked : Notice::none;
}

Rect EditField::inner() const { return shrunk(area(), kBevel); }

void EditField::clear() {
    typed_.clear();
    firstShown_ = 0;
}

void EditField::scrollToCaret(const DialogPainter& painter) const {
    const std::string& text = typed_.text();
    firstShown_ = std::min(firstShown_, typed_.caret());
    const int32_t room = inner().width() - 2 * kTextMargin - 1;
    while (firstShown_ < typed_.caret() &&
           painter.textWidth(text.substr(firstShown_, typed_.caret() - firstShown_)) > room)
        ++firstShown_;
}

void EditField::draw(DialogPainter& painter, bool focused) const {
    painter.fill(area(), enabled ? DialogPainter::kWindow : DialogPainter::kFace);
    painter.bevel(area(), true);
    const Rect box = inner();
    scrollToCaret(painter);
    const std::string shown = typed_.text().substr(firstShown_);
    const int32_t x = box.x0 + kTextMargin, y = box.y0 + (box.height() - painter.lineHeight()) / 2;
    painter.text(x, y, shown, enabled ? DialogPainter::kText : DialogPainter::kGrayText, box);
    lastOffsets_.clear();
    for (size_t i = 0; i <= shown.size(); ++i) lastOffsets_.push_back(x + painter.textWidth(shown.substr(0, i)));
    if (focused && enabled && caretShown_) {
        const int32_t caretX = lastOffsets_[typed_.caret() - firstShown_];
        painter.fill({caretX, y, caretX + 1, y + painter.lineHeight()}, DialogPainter::kText);
    }
}

// The caret goes to the character boundary nearest the click.
Notice EditField::click(int32_t x, int32_t, bool) {
    if (!enabled || lastOffsets_.empty()) return Notice::none;
    size_t nearest = 0;
    for (size_t i = 1; i < lastOffsets_.size(); ++i) {
        if (std::abs(lastOffsets_[i] - x) < std::abs(lastOffsets_[nearest] - x)) nearest = i;
    }
    typed_.moveCaret(firstShown_ + nearest);
    return Notice::none;
}

Notice EditField::key(int32_t character) {
    if (!enabled) return Notice::none;
    if (character == kKeyReturn) return Notice::enterPressed;
    if (!typed_.edit(character) && printable(character) && typed_.text().size() < maxLength_)
        typed_.insert(static_cast<char>(character));
    return Notice::none;
}

Rect ListBox::inner() const { return shrunk(area(), kBevel); }

int32_t ListBox::fullRows() const { return std::max(1, inner().height() / rowHeight_); }

Rect ListBox::scrollBar() const {
    const Rect box = inner();
    return {box.x1 - kScrollBarWidth, box.y0, box.x1, box.y1};
}

void ListBox::clear() {
    items_.clear();
    selected_ = -1;
    top_ = 0;
}

void ListBox::scrollTo(int32_t top) {
    top_ = std::clamp(top, 0, std::max(0, static_cast<int32_t>(items_.size()) - fullRows()));
}

void ListBox::select(int32_t row) {
    if (items_.empty()) return;
    selected_ = std::clamp(row, 0, static_cast<int32_t>(items_.size()) - 1);
    if (selected_ < top_) scrollTo(selected_);
    if (selected_ >= top_ + fullRows()) scrollTo(selected_ - fullRows() + 1);
}

void ListBox::draw(DialogPainter& painter, bool focused) const {
    painter.fill(area(), enabled ? DialogPainter::kWindow : DialogPainter::kFace);
    painter.bevel(area(), true);
    Rect rows = inner();
    if (needsScrollBar()) {
        const Rect bar = scrollBar();
        rows.x1 = bar.x0;
        painter.fill(bar, 0xFFE0E0E0);
        const Rect up{bar.x0, bar.y0, bar.x1, bar.y0 + kScrollBarWidth}, down{bar.x0, bar.y1 - kScrollBarWidth, bar.x1, bar.y1};
        for (const Rect& button : {up, down}) {
            painter.fill(button, DialogPainter::kFace);
            painter.bevel(button, false);
        }
        painter.arrow(up, false, DialogPainter::kText);
        painter.arrow(down, true, DialogPainter::kText);
        const int32_t track = down.y0 - up.y1, count = static_cast<int32_t>(items_.size());
        const int32_t thumbHeight = std::max(8, track * fullRows() / count);
        const int32_t thumbTop = up.y1 + (track - thumbHeight) * top_ / std::max(1, count - fullRows());
        const Rect thumb{bar.x0, thumbTop, bar.x1, thumbTop + thumbHeight};
        painter.fill(thumb, DialogPainter::kFace);
        painter.bevel(thumb, false);
    }
    for (int32_t row = top_; row < static_cast<int32_t>(items_.size()); ++row) {
        const int32_t y = rows.y0 + (row - top_) * rowHeight_;
        if (y >= rows.y1) break;
        const Rect line{rows.x0, y, rows.x1, std::min(y + rowHeight_, rows.y1)};
        const bool chosen = row == selected_ && enabled;
        if (chosen) painter.fill(line, DialogPainter::kSelection);
        const uint32_t color = !enabled ? DialogPainter::kGrayText : chosen ? DialogPainter::kSelectedText : DialogPainter::kText;
        painter.text(line.x0 + kTextMargin, y, items_[static_cast<size_t>(row)], color, line);
        if (chosen && focused) painter.focusRect({line.x0, y, line.x1, y + rowHeight_});
    }
}

Notice ListBox::click(int32_t x, int32_t y, bool twice) {
    if (!enabled) return Notice::none;
    if (needsScrollBar() && x >= scrollBar().x0) {
        const Rect bar = scrollBar();
        if (y < bar.y0 + kScrollBarWidth)
            scrollTo(top_ - 1);
        else if (y >= bar.y1 - kScrollBarWidth)
            scrollTo(top_ + 1);
        else
            scrollTo(y < (bar.y0 + bar.y1) / 2 ? top_ - fullRows() : top_ + fullRows());
        return Notice::none;
    }
    const int32_t row = top_ + (y - inner().y0) / rowHeight_;
    if (row < 0 || row >= static_cast<int32_t>(items_.size())) return Notice::none;
    selected_ = row;
    return twice ? Notice::doubleClicked : Notice::none;
}

Notice ListBox::key(int32_t character) {
    if (!enabled) return Notice::none;
    switch (character) {
        case kKeyUp: select(selected_ - 1); break;
        case kKeyDown: select(selected_ + 1); break;
        case kKeyHome: select(0); break;
        case kKeyEnd: select(static_cast<int32_t>(items_.size()) - 1); break;
        default: break;
    }
    return Notice::none;
}

void ListBox::wheel(int32_t notches) {
    if (enabled) scrollTo(top_ - notches * 3);
}

DropDownList::DropDownList(int32_t id, const Rect& area, int32_t fieldHeight)
    : DialogControl(id, area, true), fieldHeight_(fieldHeight) {}

Rect DropDownList::field() const { return {area().x0, area().y0, area().x1, area().y0 + fieldHeight_}; }

// Below the field: as many rows as there are entries, within the template's
// height.
Rect DropDownList::droppedList() const {
    const int32_t rows = std::max<int32_t>(1, static_cast<int32_t>(items_.size()));
    const int32_t height = std::min(area().height() - fieldHeight_, rows * rowHeight_ + 2);
    return {area().x0, area().y0 + fieldHeight_, area().x1, area().y0 + fieldHeight_ + height};
}

bool DropDownList::contains(int32_t x, int32_t y) const {
    return inside(field(), x, y) || (open_ && inside(droppedList(), x, y));
}

void DropDownList::setItems(std::vector<std::string> items) {
    items_ = std::move(items);
    selected_ = items_.empty() ? -1 : 0;
}

void DropDownList::draw(DialogPainter& painter, bool focused) const {
    const Rect box = field();
    painter.fill(box, enabled ? DialogPainter::kWindow : DialogPainter::kFace);
    painter.bevel(box, true);
    const Rect inner = shrunk(box, kBevel);
    const int32_t buttonWidth = std::min(kScrollBarWidth, inner.height());
    const Rect button{inner.x1 - buttonWidth, inner.y0, inner.x1, inner.y1};
    painter.fill(button, DialogPainter::kFace);
    painter.bevel(button, false);
    painter.arrow(button, true, enabled ? DialogPainter::kText : DialogPainter::kGrayText);
    const Rect text{inner.x0, inner.y0, button.x0, inner.y1};
    if (selected_ >= 0) {
        const int32_t y = text.y0 + (text.height() - painter.lineHeight()) / 2;
        if (focused && !open_) painter.fill(shrunk(text, 1), DialogPainter::kSelection);
        const uint32_t color = focused && !open_ ? DialogPainter::kSelectedText : DialogPainter::kText;
        painter.text(text.x0 + kTextMargin, y, items_[static_cast<size_t>(selected_)], color, text);
    }
    if (!open_) return;
    const Rect list = droppedList();
    painter.fill(list, DialogPainter::kWindow);
    painter.fill({list.x0, list.y0, list.x1, list.y0 + 1}, DialogPainter::kDarkShadow);
    painter.fill({list.x0, list.y1 - 1, list.x1, list.y1}, DialogPainter::kDarkShadow);
    painter.fill({list.x0, list.y0, list.x0 + 1, list.y1}, DialogPainter::kDarkShadow);
    painter.fill({list.x1 - 1, list.y0, list.x1, list.y1}, DialogPainter::kDarkShadow);
    for (size_t i = 0; i < items_.size(); ++i) {
        const int32_t y = list.y0 + 1 + static_cast<int32_t>(i) * rowHeight_;
        const Rect line{list.x0 + 1, y, list.x1 - 1, std::min(y + rowHeight_, list.y1 - 1)};
        if (line.isEmpty()) break;
        const bool chosen = static_cast<int32_t>(i) == selected_;
        if (chosen) painter.fill(line, DialogPainter::kSelection);
        painter.text(line.x0 + kTextMargin, y, items_[i], chosen ? DialogPainter::kSelectedText : DialogPainter::kText,
                     line);
    }
}

Notice DropDownList::choose(int32_t index) {
    open_ = false;
    if (index < 0 || index >= static_cast<int32_t>(items_.size()) || index == selected_) return Notice::none;
    selected_ = index;
    return Notice::selectionChanged;
}

Notice DropDownList::click(int32_t x, int32_t y, bool) {
    if (!enabled) return Notice::none;
    if (open_ && inside(droppedList(), x, y)) return choose((y - droppedList().y0 - 1) / rowHeight_);
    open_ = !open_;
    return Notice::none;
}

Notice DropDownList::step(int32_t by) {
    const bool wasOpen = open_;
    const Notice notice = choose(selected_ + by);
    open_ = wasOpen;
    return notice;
}

Notice DropDownList::key(int32_t character) {
    if (!enabled) return Notice::none;
    switch (character) {
        case kKeyUp: return step(-1);
        case kKeyDown: return step(1);
        case kKeyReturn:
        case kKeyEscape: open_ = false; break;
        default: break;
    }
    return Notice::none;
}

}  // namespace korva
