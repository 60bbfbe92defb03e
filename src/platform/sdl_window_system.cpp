#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/rect.h"
#include "graphics/surface.h"
#include "platform/clock.h"
#include "platform/frame_layout.h"
#include "platform/input_system.h"
#include "platform/sdl_input_codes.h"
#include "platform/window_system.h"

namespace korva {
namespace {

bool isHeadlessDriver(const char* driver) {
    return driver != nullptr && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}

bool isSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Whether a message box can reach a person: a real video driver is running,
// or (before SDL is up) one could be started.
bool displayAvailable() {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return !isHeadlessDriver(SDL_GetCurrentVideoDriver());
    if (isHeadlessDriver(std::getenv("SDL_VIDEODRIVER"))) return false;
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

void writeToStandardError(const std::string& caption, const std::string& text) {
    if (caption.empty())
        std::fprintf(stderr, "%s\n", text.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

// Above the user's SDL_VIDEODRIVER for this one start only.
bool startVideoDriver(const char* driver) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    return started;
}

// A driver the user names is tried as named. Otherwise only the display
// servers the environment points to are tried, in SDL's order of preference
// (so that SDL does not probe a server that is not there and complain about
// it on standard error). Without any, and when none opens, the headless
// driver runs the game, so that it still runs on a server.
bool startVideo() {
    if (isSet("SDL_VIDEODRIVER")) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    } else {
        for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
            const char* driver = SDL_GetVideoDriver(i);
            const bool serverPresent = (std::strcmp(driver, "x11") == 0 && isSet("DISPLAY")) ||
                                       (std::strcmp(driver, "wayland") == 0 && isSet("WAYLAND_DISPLAY"));
            if (serverPresent && startVideoDriver(driver)) return true;
        }
    }
    return startVideoDriver("dummy");
}

class SdlWindowSystem final : public WindowSystem {
public:
    SdlWindowSystem(SDL_Window* window, Uint32 requestEvent) : window_(window), requestEvent_(requestEvent) {
        SDL_AddEventWatch(&SdlWindowSystem::noteQueued, this);
    }

    ~SdlWindowSystem() override {
        SDL_DelEventWatch(&SdlWindowSystem::noteQueued, this);
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
        SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // Input queries service the window at every call, so this must be
    // cheap: the system is asked for new events at most about once per
    // millisecond (sooner would find nothing a person did), and the queue
    // is looked at only when something may have arrived: an event that SDL
    // queued since the last look, or the system was asked.
    Pumped pumpEvents() override {
        const bool ask = pumpInterval_.elapsed();
        if (ask) {
            SDL_PumpEvents();
            mustLook_ = true;
        }
        return {ask, mustLook_ || queued_.load(std::memory_order_relaxed)};
    }

    // Peeking instead of polling: SDL_PollEvent pumps the system again and
    // queues a sentinel event for every empty look. An event another thread
    // queues while we look may be missed by that look; the next asking of the
    // system looks again.
    std::optional<WindowEvent> nextEvent(bool wait) override {
        SDL_Event event;
        if (wait) {
            while (SDL_WaitEventTimeout(&event, 100) == 0) {
            }
            return windowEventOf(event);
        }
        const bool arrived = queued_.load(std::memory_order_relaxed) && queued_.exchange(false);
        if (!arrived && !mustLook_) return std::nullopt;
        mustLook_ = SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1;
        if (!mustLook_) return std::nullopt;
        return windowEventOf(event);
    }

    void setCaption(const std::string& caption) override { SDL_SetWindowTitle(window_, caption.c_str()); }
    void setCursorVisible(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }
    void minimize() override { SDL_MinimizeWindow(window_); }
    void raise() override {
        SDL_RestoreWindow(window_);
        SDL_RaiseWindow(window_);
    }

    bool askOkCancel(const std::string& caption, const std::string& text) override {
        if (!displayAvailable()) {
            writeToStandardError(caption, text);
            return true;
        }
        const SDL_MessageBoxButtonData buttons[] = {
            {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
            {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Cancel"},
        };
        const SDL_MessageBoxData box{SDL_MESSAGEBOX_WARNING, window_, caption.c_str(), text.c_str(), 2, buttons,
                                     nullptr};
        int chosen = 0;
        if (SDL_ShowMessageBox(&box, &chosen) != 0) {
            writeToStandardError(caption, text);
            return true;
        }
        return chosen == 1;
    }

    void postRequest(WindowEvent::Kind request) override {
        SDL_Event event{};
        event.type = requestEvent_;
        event.user.code = static_cast<Sint32>(request);
        SDL_PushEvent(&event);
    }

    // The headless driver's one display stands for a common desktop.
    std::vector<DisplayDescription> displays() override {
        if (headless_) return {{"Headless display", kHeadlessDesktop, {kHeadlessDesktop}, 60}};
        std::vector<DisplayDescription> result;
        for (int display = 0; display < SDL_GetNumVideoDisplays(); ++display) {
            const char* name = SDL_GetDisplayName(display);
            DisplayDescription description{name != nullptr ? name : "Display", {0, 0}, {}, 60};
            SDL_DisplayMode mode;
            if (SDL_GetDesktopDisplayMode(display, &mode) == 0) {
                description.desktop = {mode.w, mode.h};
                if (mode.refresh_rate > 0) description.refreshRate = mode.refresh_rate;
            }
            for (int i = 0; i < SDL_GetNumDisplayModes(display); ++i)
                if (SDL_GetDisplayMode(display, i, &mode) == 0) description.resolutions.push_back({mode.w, mode.h});
            result.push_back(std::move(description));
        }
        return result;
    }

    bool showWindow(int32_t clientWidth, int32_t clientHeight, bool resizable) override {
        if (SDL_SetWindowFullscreen(window_, 0) != 0) return false;
        fullScreen_ = false;
        SDL_SetWindowBordered(window_, SDL_TRUE);
        SDL_SetWindowResizable(window_, resizable ? SDL_TRUE : SDL_FALSE);
        SDL_SetWindowSize(window_, clientWidth, clientHeight);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        SDL_ShowWindow(window_);
        return true;
    }

    // A borderless window over the whole desktop; the desktop's own mode is
    // never changed. The window takes the desktop's place and size itself as
    // well, for X servers without a window manager to do it, and for the
    // headless driver, whose desktop is not SDL's.
    bool showFullScreen(int32_t display) override {
        SDL_Rect desktop{0, 0, kHeadlessDesktop.width, kHeadlessDesktop.height};
        if (!headless_ && SDL_GetDisplayBounds(display, &desktop) != 0) return false;
        SDL_SetWindowResizable(window_, SDL_FALSE);
        SDL_SetWindowBordered(window_, SDL_FALSE);
        SDL_SetWindowPosition(window_, desktop.x, desktop.y);
        SDL_SetWindowSize(window_, desktop.w, desktop.h);
        SDL_ShowWindow(window_);
        if (!headless_ && SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
        fullScreen_ = true;
        return true;
    }

    void clientSize(int32_t& width, int32_t& height) override { SDL_GetWindowSize(window_, &width, &height); }

    // The area is uploaded into a streaming texture of its own format and
    // size, which the renderer scales into place.
    void present(Surface& surface, const Rect& area) override {
        if (area.isEmpty() || !ensureTexture(surface.format(), area.width(), area.height())) return;
        LockedPixels pixels = surface.lock();
        const uint8_t* first = pixels.bits + area.y0 * pixels.pitch + area.x0 * surface.format().bytesPerPixel;
        SDL_UpdateTexture(texture_, nullptr, first, pixels.pitch);
        surface.unlock();
        int outputWidth = 0, outputHeight = 0;
        SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight);
        layout_ = FrameLayout::fit(area.width(), area.height(), outputWidth, outputHeight, fullScreen_);
        const SDL_Rect target{layout_.target.x0, layout_.target.y0, layout_.target.width(), layout_.target.height()};
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, &target);
        SDL_RenderPresent(renderer_);
        ++presents_;
    }

    void clientToFrame(int32_t& x, int32_t& y) override { layout_.toFrame(x, y); }

    void moveMouse(int32_t x, int32_t y) override {
        layout_.toClient(x, y);
        SDL_WarpMouseInWindow(window_, x, y);
    }

    std::unique_ptr<InputSystem> openInputSystem() override { return openSdlInputSystem(); }

    // The headless driver renders in software into memory that keeps the
    // last frame, so it can be read back after the present.
    ScreenImage screen() override {
        ScreenImage image;
        image.presents = presents_;
        int width = 0, height = 0;
        if (renderer_ == nullptr || SDL_GetRendererOutputSize(renderer_, &width, &height) != 0) return image;
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
        if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888, pixels.data(), width * 4) != 0)
            return image;
        image.width = width;
        image.height = height;
        image.pixels = std::move(pixels);
        return image;
    }

private:
    bool ensureTexture(const PixelFormat& format, int32_t width, int32_t height) {
        const Uint32 wanted = SDL_MasksToPixelFormatEnum(format.depth, format.rmask, format.gmask, format.bmask, 0);
        if (texture_ != nullptr && textureFormat_ == wanted && textureWidth_ == width && textureHeight_ == height)
            return true;
        if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (renderer_ == nullptr) return false;
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, wanted, SDL_TEXTUREACCESS_STREAMING, width, height);
        textureFormat_ = wanted;
        textureWidth_ = width;
        textureHeight_ = height;
        return texture_ != nullptr;
    }

    WindowEvent windowEventOf(const SDL_Event& event) const {
        using Kind = WindowEvent::Kind;
        if (event.type == requestEvent_) return {static_cast<Kind>(event.user.code)};
        switch (event.type) {
            case SDL_QUIT: return {Kind::close};
            case SDL_WINDOWEVENT: return {windowKindOf(event.window)};
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                WindowEvent key{event.type == SDL_KEYDOWN ? Kind::keyDown : Kind::keyUp};
                key.code = keyCodeOf(event.key.keysym.scancode);
                key.repeat = event.key.repeat != 0;
                key.locks = lockTogglesOf(event.key);
                return key;
            }
            case SDL_MOUSEMOTION: {
                WindowEvent move{Kind::mouseMove};
                move.x = event.motion.x;
                move.y = event.motion.y;
                return move;
            }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                WindowEvent button{event.type == SDL_MOUSEBUTTONDOWN ? Kind::buttonDown : Kind::buttonUp};
                button.code = mouseButtonOf(event.button.button);
                return button;
            }
            case SDL_MOUSEWHEEL: {
                WindowEvent wheel{Kind::wheel};
                wheel.code = wheelUnitsOf(event.wheel);
                return wheel;
            }
            default: return {Kind::other};
        }
    }

    static WindowEvent::Kind windowKindOf(const SDL_WindowEvent& event) {
        using Kind = WindowEvent::Kind;
        switch (event.event) {
            case SDL_WINDOWEVENT_CLOSE: return Kind::close;
            case SDL_WINDOWEVENT_FOCUS_GAINED: return Kind::focusGained;
            case SDL_WINDOWEVENT_FOCUS_LOST: return Kind::focusLost;
            case SDL_WINDOWEVENT_EXPOSED: return Kind::exposed;
            default: return Kind::other;
        }
    }

    // Called by SDL, on the thread that queues it, for every event about to
    // enter the queue.
    static int noteQueued(void* self, SDL_Event*) {
        static_cast<SdlWindowSystem*>(self)->queued_.store(true);
        return 1;
    }

    SDL_Window* window_;
    Uint32 requestEvent_;
    std::atomic<bool> queued_{false};
    bool mustLook_ = true;
    RoughInterval pumpInterval_{20};
    bool headless_ = isHeadlessDriver(SDL_GetCurrentVideoDriver());
    bool fullScreen_ = false;
    FrameLayout layout_;
    int32_t presents_ = 0;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    Uint32 textureFormat_ = 0;
    int32_t textureWidth_ = 0, textureHeight_ = 0;
};

}  // namespace

std::unique_ptr<WindowSystem> openSdlWindowSystem() {
    if (!startVideo()) return nullptr;
    Uint32 requestEvent = SDL_RegisterEvents(1);
    SDL_Window* window = SDL_CreateWindow(" ", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
    if (window == nullptr || requestEvent == static_cast<Uint32>(-1)) {
        if (window != nullptr) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return std::make_unique<SdlWindowSystem>(window, requestEvent);
}

void showMessageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
    const Uint32 flags = icon == MessageIcon::warning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    if (!displayAvailable() || SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr) != 0)
        writeToStandardError(caption, text);
}

}  // namespace korva
