// The operating system's window and event queue, as the runtime window needs
// them. PlatformRuntime is the only caller; the SDL backend is the real one,
// the null backend keeps everything in memory (no display, no SDL) for tests.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korva {

class InputSystem;
class Surface;
struct Rect;

// One display (monitor) and the resolutions it offers.
struct DisplayDescription {
    struct Resolution {
        int32_t width, height;
        friend bool operator==(const Resolution&, const Resolution&) = default;
    };
    std::string name;
    Resolution desktop;                   // the resolution the desktop runs at
    std::vector<Resolution> resolutions;  // the display's own modes
    int32_t refreshRate;                  // Hz; 60 when the system does not say
};

// Without a display server there is one display, with a desktop of this size.
constexpr DisplayDescription::Resolution kHeadlessDesktop{1920, 1080};

// What the window shows: the client area as XRGB8888 rows (the top byte
// undefined), and how many frames were presented so far.
struct ScreenImage {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
    int32_t presents = 0;

    uint32_t rgbAt(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] & 0xFFFFFF;
    }
};

struct WindowEvent {
    enum class Kind {
        stopRequest,   // the three private requests, posted from any thread
        runRequest,
        endRequest,
        close,         // the user asks to close the window
        focusGained,
        focusLost,
        exposed,       // the window's contents must be repainted
        repaintTimer,  // the display's periodic check for a changed front buffer
        keyDown,       // code: the key code (PC set-1 scan code, bit 7 for extended keys)
        keyUp,
        mouseMove,     // x, y: the pointer's position in the client area
        buttonDown,    // code: 1 left, 2 right, 3 middle
        buttonUp,
        wheel,         // code: the wheel's signed motion, 120 per notch
        other,         // anything else: consumed and ignored
    };
    Kind kind = Kind::other;
    int32_t code = 0;
    int32_t x = 0, y = 0;
    bool repeat = false;  // keyDown: an auto-repeat of a key held down
    uint32_t locks = 0;   // keyDown, keyUp: the lock-key toggles (input_system.h)
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Program thread. Brings what the system has for the window into the
    // queue, unless the system was asked moments ago.
    struct Pumped {
        bool systemAsked;     // the system was asked this time
        bool eventsMayWait;   // false: nextEvent(false) would find nothing
    };
    virtual Pumped pumpEvents() = 0;
    // Program thread. The next queued event; with wait = false none when the
    // queue is empty (without asking the system for more), with wait = true
    // blocks until one arrives.
    virtual std::optional<WindowEvent> nextEvent(bool wait) = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void setCursorVisible(bool visible) = 0;
    // Gives up / takes back the foreground (full-screen suspension).
    virtual void minimize() = 0;
    virtual void raise() = 0;
    // OK/Cancel warning box over the window; true when the user chose OK.
    // Without a display the question goes to standard error and OK is taken.
    virtual bool askOkCancel(const std::string& caption, const std::string& text) = 0;

    // Any thread: queues one of the private requests (or the repaint tick).
    virtual void postRequest(WindowEvent::Kind request) = 0;

    // Displays and presentation, program thread only.
    virtual std::vector<DisplayDescription> displays() = 0;
    // A visible window with a client area of the given size, centred on the
    // first display; resizable windows stretch what they present.
    virtual bool showWindow(int32_t clientWidth, int32_t clientHeight, bool resizable) = 0;
    // The window covers the whole desktop of the display, which keeps its
    // resolution.
    virtual bool showFullScreen(int32_t display) = 0;
    virtual void clientSize(int32_t& width, int32_t& height) = 0;
    // Shows area of the surface (the frame): a window stretches it over the
    // whole client area, full screen scales it with its aspect kept and
    // black bars where it does not fill the desktop.
    virtual void present(Surface& surface, const Rect& area) = 0;
    // The frame pixel shown at a position of the client area (where the
    // mouse is), after the last present; clamped into the frame.
    virtual void clientToFrame(int32_t& x, int32_t& y) = 0;
    // Puts the mouse pointer over a frame pixel, as the last present placed
    // the frame; the move arrives as a mouseMove event like any other.
    virtual void moveMouse(int32_t x, int32_t y) = 0;

    // The devices that are read directly (full-screen keyboard and mouse,
    // controllers), served by the same system as the window. Never null.
    virtual std::unique_ptr<InputSystem> openInputSystem() = 0;
    // For tests: what the window shows now. Reliable only without a display
    // server, where the picture is drawn in memory; elsewhere it may be empty.
    virtual ScreenImage screen() = 0;
};

// The SDL window, hidden until a display mode shows it. Falls back to SDL's
// dummy video driver when no display server can be reached. Null when even
// that fails.
std::unique_ptr<WindowSystem> openSdlWindowSystem();
// An in-memory queue with no window at all.
std::unique_ptr<WindowSystem> openNullWindowSystem();

enum class MessageIcon { information, warning };

// A modal message box (an empty caption uses none); on a machine without a
// display the text goes to standard error as "CAPTION: TEXT" (or TEXT alone).
// Usable before any window system exists.
void showMessageBox(const std::string& caption, const std::string& text,
                    MessageIcon icon = MessageIcon::information);

}  // namespace korva
