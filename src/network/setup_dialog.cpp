#include "network/setup_dialog.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "graphics/canvas.h"
#include "graphics/font.h"
#include "graphics/graphics.h"
#include "input/key_characters.h"
#include "input/keyboard.h"
#include "platform/input_system.h"
#include "platform/platform_runtime.h"
#include "platform/window_system.h"

namespace korva {
namespace {

using Clock = std::chrono::steady_clock;

// The dialog template, in dialog units: a unit is a quarter of the average
// character width and an eighth of the character height of the dialog's
// font, 8-point "MS Sans Serif" (6 x 13 pixels at full size).
constexpr int32_t kDialogUnitsWide = 190, kDialogUnitsHigh = 199;
constexpr double kPixelsPerUnitX = 1.5, kPixelsPerUnitY = 1.625;
constexpr int32_t kFontPixels = 13, kSmallestFontPixels = 8;
constexpr int32_t kCreateButtonUnits = 67;
constexpr const char* kCreateLabel = "Create new game";
constexpr const char* kFontName = "MS Sans Serif";
constexpr int32_t kTitlePixels = 18, kFramePixels = 3;
constexpr int32_t kScreenMargin = 4;

constexpr const char* kCaption = "Start Multiplayer Game";
constexpr const char* kNoConnection = "<no connection>";
constexpr const char* kNoGames = "<no games found>";
constexpr size_t kLongestName = 259;

constexpr auto kRefreshPeriod = std::chrono::milliseconds(1000);
// Choosing a connection waits this long for the first answer, so that games
// nearby show at once instead of at the first refresh.
constexpr int32_t kFirstAnswerMillis = 500;
constexpr auto kDoubleClickTime = std::chrono::milliseconds(500);
constexpr int32_t kDoubleClickDistance = 4;
constexpr auto kCaretBlink = std::chrono::milliseconds(500);
constexpr auto kTurnPause = std::chrono::milliseconds(10);

constexpr uint32_t kTitleColor = 0xFF000080, kTitleText = 0xFFFFFFFF;

// Pixels of the dialog's client area, scaled by the display's room.
struct DialogUnits {
    double x, y;
    int32_t left, top;
    Rect operator()(int32_t ux, int32_t uy, int32_t uw, int32_t uh) const {
        const auto px = [&](double units, double scale) { return static_cast<int32_t>(std::lround(units * scale)); };
        return {left + px(ux, x), top + px(uy, y), left + px(ux + uw, x), top + px(uy + uh, y)};
    }
};

bool inside(const Rect& area, int32_t x, int32_t y) { return x >= area.x0 && x < area.x1 && y >= area.y0 && y < area.y1; }

void warn(const std::string& text) { showMessageBox("DirPlay Error", text, MessageIcon::warning); }

}  // namespace

SetupDialog::SetupDialog(SessionLayer& layer, Graphics& graphics) : layer_(layer), graphics_(graphics) {
    const Canvas& front = *graphics.frontCanvas();
    picture_ = graphics.createCanvas(front.width(), front.height(), 0);
    if (picture_ == nullptr) return;
    layOut(front);
    if (font_ == nullptr) {  // no font at all: nothing could be read
        graphics.freeCanvas(picture_);
        picture_ = nullptr;
        return;
    }
    connections_->setItems({kNoConnection, layer.connectionName()});
    reset();
    focus(connections_);
    caretToggled_ = Clock::now();
}

SetupDialog::~SetupDialog() {
    graphics_.freeCanvas(picture_);
    graphics_.freeFont(font_);
}

// The template at full size when the display has room for it, else as
// large as fits.
void SetupDialog::layOut(const Canvas& front) {
    const double fullWidth = kDialogUnitsWide * kPixelsPerUnitX + 2 * kFramePixels;
    const double fullHeight = kDialogUnitsHigh * kPixelsPerUnitY + kTitlePixels + 2 * kFramePixels;
    const double scale = std::min({1.0, (front.width() - 2 * kScreenMargin) / fullWidth,
                                   (front.height() - 2 * kScreenMargin) / fullHeight});
    const auto scaled = [scale](double pixels) { return std::max(1, static_cast<int32_t>(std::lround(pixels * scale))); };
    loadFont(scaled(kFontPixels), scaled(kCreateButtonUnits * kPixelsPerUnitX) - 8);

    const int32_t width = scaled(fullWidth), height = scaled(fullHeight), title = scaled(kTitlePixels);
    const int32_t left = (front.width() - width) / 2, top = (front.height() - height) / 2;
    frame_ = {left, top, left + width, top + height};
    titleBar_ = {left + kFramePixels, top + kFramePixels, left + width - kFramePixels, top + kFramePixels + title};
    const int32_t box = std::max(8, title - 4);
    closeBox_ = {titleBar_.x1 - box - 2, titleBar_.y0 + 2, titleBar_.x1 - 2, titleBar_.y0 + 2 + box};
    const DialogUnits units{kPixelsPerUnitX * scale, kPixelsPerUnitY * scale, left + kFramePixels, titleBar_.y1};

    const int32_t rowHeight = font_ != nullptr ? font_->height() : scaled(kFontPixels);
    auto add = [this](std::unique_ptr<DialogControl> control) -> DialogControl* {
        controls_.push_back(std::move(control));
        return controls_.back().get();
    };
    add(std::make_unique<Label>(units(10, 11, 170, 8), "Connection"));
    add(std::make_unique<Label>(units(10, 42, 170, 8), "Games in progress"));
    add(std::make_unique<Label>(units(10, 144, 170, 8), "Name for new game"));
    games_ = static_cast<ListBox*>(add(std::make_unique<ListBox>(kGames, units(10, 53, 170, 82))));
    name_ = static_cast<EditField*>(add(std::make_unique<EditField>(kName, units(10, 155, 170, 12), kLongestName)));
    create_ = static_cast<PushButton*>(
        add(std::make_unique<PushButton>(kCreate, units(10, 178, kCreateButtonUnits, 14), kCreateLabel)));
    add(std::make_unique<PushButton>(kCancel, units(135, 178, 45, 14), "Cancel"));
    // Last, so that its dropped list lies over the others.
    connections_ = static_cast<DropDownList*>(
        add(std::make_unique<DropDownList>(kConnection, units(10, 22, 170, 60), rowHeight + 6)));
    games_->setRowHeight(rowHeight);
    connections_->setRowHeight(rowHeight);
}

// The system's face for the name may run wider than the original: the
// height steps down until the widest button label fits its button.
void SetupDialog::loadFont(int32_t height, int32_t labelRoom) {
    for (; height >= kSmallestFontPixels; --height) {
        graphics_.freeFont(font_);
        font_ = graphics_.loadFont(kFontName, height, 0);
        if (font_ == nullptr || font_->stringWidth(kCreateLabel) <= labelRoom) break;
    }
    if (font_ == nullptr) font_ = graphics_.defaultFont();
}

const DialogControl& SetupDialog::control(int32_t id) const {
    return *std::find_if(controls_.begin(), controls_.end(), [id](const auto& c) { return c->id() == id; })->get();
}

DialogControl& SetupDialog::find(int32_t id) { return const_cast<DialogControl&>(control(id)); }

void SetupDialog::keyEvent(int32_t code, bool down, uint32_t locks) {
    events_.push_back({Event::Kind::key, code, down, mouseX_, mouseY_, Clock::now()});
    locks_ = locks;
}

void SetupDialog::mouseMoved(int32_t x, int32_t y) {
    mouseX_ = x;
    mouseY_ = y;
}

void SetupDialog::buttonEvent(int32_t button, bool down) {
    events_.push_back({Event::Kind::button, button, down, mouseX_, mouseY_, Clock::now()});
}

void SetupDialog::wheelMoved(int32_t delta) {
    events_.push_back({Event::Kind::wheel, delta, false, mouseX_, mouseY_, Clock::now()});
}

bool SetupDialog::turn() {
    while (!events_.empty() && !ended_) {
        const Event event = events_.front();
        events_.pop_front();
        handle(event);
        dirty_ = true;
    }
    const Clock::time_point now = Clock::now();
    repeatHeldKey(now);
    if (!ended_ && refreshing_ && now - lastRefresh_ >= kRefreshPeriod && !refresh()) reset();
    if (now - caretToggled_ >= kCaretBlink) {
        caretShown_ = !caretShown_;
        caretToggled_ = now;
        dirty_ = dirty_ || focused_ == name_;
    }
    if (!dirty_ || ended_) return false;
    draw();
    dirty_ = false;
    return true;
}

void SetupDialog::handle(const Event& event) {
    switch (event.kind) {
        case Event::Kind::key:
            held_[static_cast<size_t>(event.code & 0xFF)] = event.down;
            if (!event.down) return;
            repeatKey_ = event.code;
            nextRepeat_ = event.time + std::chrono::milliseconds(kKeyRepeatDelay);
            typeKey(event.code);
            return;
        case Event::Kind::button:
            if (event.code == 1 && event.down) handleClick(event);
            return;
        case Event::Kind::wheel:
            for (const auto& control : controls_) {
                if (control->enabled && control->contains(event.x, event.y)) control->wheel(event.code / 120);
            }
            return;
    }
}

void SetupDialog::typeKey(int32_t code) {
    KeyModifiers modifiers;
    modifiers.shift = held_[Keyboard::kLeftShift] || held_[Keyboard::kRightShift];
    modifiers.control = held_[Keyboard::kLeftControl] || held_[Keyboard::kRightControl];
    modifiers.alt = held_[Keyboard::kLeftAlt] || held_[Keyboard::kRightAlt];
    modifiers.capsLock = (locks_ & kCapsLockOn) != 0;
    modifiers.numLock = (locks_ & kNumLockOn) != 0;
    if (const int32_t character = characterOf(code, modifiers)) handleKey(character);
}

// Repeats are timed from the one before, however seldom the dialog looks.
void SetupDialog::repeatHeldKey(Clock::time_point now) {
    if (repeatKey_ == 0 || !held_[static_cast<size_t>(repeatKey_ & 0xFF)]) {
        repeatKey_ = 0;
        return;
    }
    while (now >= nextRepeat_ && !ended_) {
        typeKey(repeatKey_);
        nextRepeat_ += std::chrono::milliseconds(kKeyRepeatPeriod);
        dirty_ = true;
    }
}

// The second click close to the first and soon after it is a double click.
void SetupDialog::handleClick(const Event& event) {
    const bool twice = event.time - lastClick_ <= kDoubleClickTime &&
                       std::abs(event.x - lastClickX_) <= kDoubleClickDistance &&
                       std::abs(event.y - lastClickY_) <= kDoubleClickDistance;
    lastClick_ = twice ? Clock::time_point() : event.time;
    lastClickX_ = event.x;
    lastClickY_ = event.y;
    if (inside(closeBox_, event.x, event.y)) {
        finish(kDialogCancelled);
        return;
    }
    // An open drop-down takes the click first: its list lies over the rest.
    DialogControl* hit = connections_->isOpen() && connections_->contains(event.x, event.y) ? connections_ : nullptr;
    for (auto it = controls_.rbegin(); hit == nullptr && it != controls_.rend(); ++it) {
        if ((*it)->enabled && (*it)->contains(event.x, event.y)) hit = it->get();
    }
    if (hit != connections_) connections_->blur();
    if (hit == nullptr) return;
    if (hit->takesFocus()) focus(hit);
    act(hit->id(), hit->click(event.x, event.y, twice));
}

// Tab and Escape belong to the dialog; everything else to the control with
// the focus.
void SetupDialog::handleKey(int32_t character) {
    if (character == kKeyTab) {
        moveFocus(held_[Keyboard::kLeftShift] || held_[Keyboard::kRightShift]);
    } else if (character == kKeyEscape && !connections_->isOpen()) {
        finish(kDialogCancelled);
    } else if (focused_ != nullptr) {
        act(focused_->id(), focused_->key(character));
    }
}

void SetupDialog::act(int32_t id, Notice notice) {
    if (id == kConnection && notice == Notice::selectionChanged) chooseConnection(connections_->selected());
    if ((id == kCreate && notice == Notice::clicked) || (id == kName && notice == Notice::enterPressed)) createGame();
    if (id == kGames && notice == Notice::doubleClicked) joinGame();
    if (id == kCancel && notice == Notice::clicked) finish(kDialogCancelled);
}

void SetupDialog::focus(DialogControl* control) {
    if (focused_ != nullptr && focused_ != control) focused_->blur();
    focused_ = control;
    caretShown_ = true;
    caretToggled_ = Clock::now();
}

// To the next (or previous) control that takes the focus, in the
// template's order.
void SetupDialog::moveFocus(bool backwards) {
    static constexpr int32_t kOrder[] = {kConnection, kGames, kName, kCreate, kCancel};
    constexpr int32_t count = static_cast<int32_t>(std::size(kOrder));
    int32_t at = 0;
    while (at < count && (focused_ == nullptr || kOrder[at] != focused_->id())) ++at;
    for (int32_t step = 1; step <= count; ++step) {
        DialogControl& next = find(kOrder[((at + (backwards ? -step : step)) % count + count) % count]);
        if (next.takesFocus()) {
            focus(&next);
            return;
        }
    }
}

// The state before any connection: no search, nothing to join or create.
void SetupDialog::reset() {
    search_.reset();
    refreshing_ = false;
    connections_->select(0);
    games_->enabled = false;
    create_->enabled = false;
    name_->enabled = false;
    name_->clear();
    games_->clear();
    sessions_.clear();
    if (focused_ != nullptr && !focused_->takesFocus()) focus(connections_);
}

void SetupDialog::chooseConnection(int32_t index) {
    if (index <= 0 || index >= connections_->count()) {
        reset();
        return;
    }
    search_ = layer_.search("");
    if (!search_) {
        warn(std::string("Unable to open ") + layer_.connectionName());
        reset();
        return;
    }
    search_->wait(kFirstAnswerMillis);
    if (!refresh()) {
        reset();
        return;
    }
    name_->enabled = true;
    create_->enabled = true;
}

// The games found so far. A game still listed where it was keeps its
// selection.
bool SetupDialog::refresh() {
    if (!search_) return false;
    const int32_t selected = games_->selected();
    const SessionDescription* was =
        selected >= 0 && selected < static_cast<int32_t>(sessions_.size()) ? &sessions_[static_cast<size_t>(selected)] : nullptr;
    std::vector<SessionDescription> found = search_->found();
    const bool keep = was != nullptr && static_cast<size_t>(selected) < found.size() &&
                      found[static_cast<size_t>(selected)].instance == was->instance;
    sessions_ = std::move(found);
    games_->enabled = true;
    games_->clear();
    refreshing_ = true;
    lastRefresh_ = Clock::now();
    dirty_ = true;
    for (const SessionDescription& session : sessions_) games_->add(session.name);
    if (sessions_.empty()) {
        games_->add(kNoGames);
        games_->enabled = false;
    } else if (keep) {
        games_->select(selected);
    }
    return true;
}

void SetupDialog::createGame() {
    if (!search_) return;
    const std::string name = name_->text().substr(0, kLongestName);
    if (name.empty()) {
        showMessageBox("DirectPlay Request", "Please enter a name for the new game", MessageIcon::information);
        return;
    }
    session_ = layer_.host(name);
    if (!session_) {
        warn("Unable to create new game");
        return;
    }
    finish(kDialogHosting);
}

void SetupDialog::joinGame() {
    const int32_t selected = games_->selected();
    if (selected < 0 || selected >= static_cast<int32_t>(sessions_.size())) return;
    session_ = layer_.join(sessions_[static_cast<size_t>(selected)]);
    if (!session_) {
        warn("Unable to join game");
        return;
    }
    finish(kDialogJoined);
}

void SetupDialog::finish(int32_t result) {
    refreshing_ = false;
    search_.reset();
    result_ = result;
    ended_ = true;
}

void SetupDialog::draw() {
    Canvas& picture = *picture_;
    picture.blit(0, 0, *graphics_.frontCanvas(), 0, 0, picture.width(), picture.height(), true);
    DialogPainter painter(picture, *font_);
    painter.fill(frame_, DialogPainter::kFace);
    painter.bevel(frame_, false);
    painter.fill(titleBar_, kTitleColor);
    const int32_t captionY = titleBar_.y0 + (titleBar_.height() - painter.lineHeight()) / 2;
    painter.text(titleBar_.x0 + 4, captionY, kCaption, kTitleText, {titleBar_.x0, titleBar_.y0, closeBox_.x0, titleBar_.y1});
    painter.fill(closeBox_, DialogPainter::kFace);
    painter.bevel(closeBox_, false);
    painter.text(closeBox_.x0 + (closeBox_.width() - painter.textWidth("x")) / 2,
                 closeBox_.y0 + (closeBox_.height() - painter.lineHeight()) / 2, "x", DialogPainter::kText, closeBox_);
    name_->setCaretShown(caretShown_);
    for (const auto& control : controls_) control->draw(painter, control.get() == focused_);
}

SetupDialogOutcome runSetupDialog(SessionLayer& layer) {
    SetupDialogOutcome outcome;
    PlatformRuntime* platform = PlatformRuntime::current();
    Graphics* graphics = platform != nullptr ? platform->graphics() : nullptr;
    if (graphics == nullptr) return outcome;
    SetupDialog dialog(layer, *graphics);
    if (!dialog.ready()) return outcome;
    platform->openDialog(&dialog);
    while (!dialog.ended()) {
        if (!platform->idle()) {
            outcome.programEnds = true;
            break;
        }
        if (dialog.turn()) platform->showDialog(dialog.picture());
        if (!dialog.ended()) std::this_thread::sleep_for(kTurnPause);
    }
    platform->closeDialog();
    outcome.result = dialog.result();
    outcome.session = dialog.takeSession();
    return outcome;
}

}  // namespace korva
