// StartNetGame's "Start Multiplayer Game" dialog, drawn by the runtime over
// the display in its own window: choose a connection, see the games in
// progress (refreshed every second), join one with a double click, or name
// and create a new one. Keyboard and mouse work as in any dialog (Tab moves
// between controls, Return presses, Escape cancels).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "network/dialog_controls.h"
#include "platform/input_object.h"
#include "platform/session_layer.h"

namespace korva {

class Canvas;
class Font;
class Graphics;

// Results as StartNetGame gives them.
constexpr int32_t kDialogCancelled = 0, kDialogJoined = 1, kDialogHosting = 2;

class SetupDialog final : public WindowInput {
public:
    // The dialog's control ids.
    static constexpr int32_t kCancel = 1011, kCreate = 1012, kName = 1013, kGames = 1014, kConnection = 1015;

    // Laid out in the middle of the display, scaled down to fit a small one;
    // its picture is the front buffer with the dialog over it. Call ready()
    // before anything else.
    SetupDialog(SessionLayer& layer, Graphics& graphics);
    ~SetupDialog();
    SetupDialog(const SetupDialog&) = delete;
    SetupDialog& operator=(const SetupDialog&) = delete;

    // False when there was no room for the picture.
    bool ready() const { return picture_ != nullptr; }
    // Handles what happened since the last turn; true when the picture
    // changed.
    bool turn();
    bool ended() const { return ended_; }
    int32_t result() const { return result_; }
    // The session the dialog joined or created.
    std::unique_ptr<Session> takeSession() { return std::move(session_); }
    Canvas& picture() { return *picture_; }

    // Where things are, in the picture's pixels (tests click there).
    const DialogControl& control(int32_t id) const;
    Rect closeBox() const { return closeBox_; }

    void keyEvent(int32_t code, bool down, uint32_t locks) override;
    void mouseMoved(int32_t x, int32_t y) override;
    void buttonEvent(int32_t button, bool down) override;
    void wheelMoved(int32_t delta) override;

private:
    struct Event {
        enum class Kind { key, button, wheel } kind;
        int32_t code;
        bool down;
        int32_t x, y;
        std::chrono::steady_clock::time_point time;
    };

    void layOut(const Canvas& front);
    void loadFont(int32_t height, int32_t labelRoom);
    DialogControl& find(int32_t id);
    void handle(const Event& event);
    void typeKey(int32_t code);
    void repeatHeldKey(std::chrono::steady_clock::time_point now);
    void handleClick(const Event& event);
    void handleKey(int32_t character);
    void act(int32_t id, Notice notice);
    void moveFocus(bool backwards);
    void focus(DialogControl* control);
    void draw();

    void reset();
    void chooseConnection(int32_t index);
    bool refresh();
    void createGame();
    void joinGame();
    void finish(int32_t result);

    SessionLayer& layer_;
    Graphics& graphics_;
    Canvas* picture_ = nullptr;
    Font* font_ = nullptr;
    Rect frame_, titleBar_, closeBox_;
    std::vector<std::unique_ptr<DialogControl>> controls_;
    DropDownList* connections_ = nullptr;
    ListBox* games_ = nullptr;
    EditField* name_ = nullptr;
    PushButton* create_ = nullptr;
    DialogControl* focused_ = nullptr;

    // The connection in use (the search of its games) and what it found.
    std::unique_ptr<SessionSearch> search_;
    std::vector<SessionDescription> sessions_;
    bool refreshing_ = false;
    std::chrono::steady_clock::time_point lastRefresh_;

    std::deque<Event> events_;
    int32_t mouseX_ = 0, mouseY_ = 0;
    std::array<bool, 256> held_{};  // keys down, by code
    uint32_t locks_ = 0;
    // The last key pressed types again while it is held.
    int32_t repeatKey_ = 0;
    std::chrono::steady_clock::time_point nextRepeat_;
    std::chrono::steady_clock::time_point lastClick_;
    int32_t lastClickX_ = -100, lastClickY_ = -100;
    bool caretShown_ = true;
    std::chrono::steady_clock::time_point caretToggled_;
    bool dirty_ = true;

    bool ended_ = false;
    int32_t result_ = kDialogCancelled;
    std::unique_ptr<Session> session_;
};

// Runs the dialog modally on the current display. programEnds: the window was
// closed or the host ended the program meanwhile (the dialog has given up
// what it held).
struct SetupDialogOutcome {
    int32_t result = kDialogCancelled;
    std::unique_ptr<Session> session;
    bool programEnds = false;
};
SetupDialogOutcome runSetupDialog(SessionLayer& layer);

}  // namespace korva
