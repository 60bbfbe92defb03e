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

class Surface;
struct Rect;

// One display (monitor) and the resolutions it offers.
struct DisplayDescription {
    struct Resolution {
        int32_t width, height;
    };
    std::string name;
    std::vector<Resolution> resolutions;
    int32_t refreshRate;  // Hz; 60 when the system does not say
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
        other,         // anything else: consumed and ignored
    };
    Kind kind = Kind::other;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Program thread. The next queued event; with wait = false none when the
    // queue is empty, with wait = true blocks until one arrives.
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
    // The window covers the display at the given resolution.
    virtual bool showFullScreen(int32_t display, int32_t width, int32_t height) = 0;
    // Back to the hidden window of a program without a display.
    virtual void hideWindow() = 0;
    virtual void clientSize(int32_t& width, int32_t& height) = 0;
    // Shows area of the surface stretched over the whole client area.
    virtual void present(Surface& surface, const Rect& area) = 0;
};

// The SDL window, hidden until a display mode shows it. Falls back to SDL's
// dummy video driver when no display server can be reached. Null when even
// that fails.
std::unique_ptr<WindowSystem> openSdlWindowSystem();
// An in-memory queue with no window at all.
std::unique_ptr<WindowSystem> openNullWindowSystem();

// A modal message box (an empty caption uses none); on a machine without a
// display the text goes to standard error as "CAPTION: TEXT" (or TEXT alone).
// Usable before any window system exists.
void showMessageBox(const std::string& caption, const std::string& text);

}  // namespace korva
