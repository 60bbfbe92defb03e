#include <condition_variable>
#include <deque>
#include <mutex>

#include "graphics/surface.h"
#include "platform/frame_layout.h"
#include "platform/input_system.h"
#include "platform/window_system.h"

namespace korva {
namespace {

// No window: requests are queued in memory, and nothing else ever arrives
// (there is no pointer to move, and the input devices report nothing).
// What would be shown is kept as a picture of the client area.
class NullWindowSystem final : public WindowSystem {
public:
    Pumped pumpEvents() override { return {true, true}; }
    std::optional<WindowEvent> nextEvent(bool wait) override {
        std::unique_lock lock(mutex_);
        if (wait) arrived_.wait(lock, [this] { return !queue_.empty(); });
        if (queue_.empty()) return std::nullopt;
        WindowEvent event = queue_.front();
        queue_.pop_front();
        return event;
    }
    void setCaption(const std::string&) override {}
    void setCursorVisible(bool) override {}
    void minimize() override {}
    void raise() override {}
    bool askOkCancel(const std::string&, const std::string&) override { return true; }

    void postRequest(WindowEvent::Kind request) override {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(WindowEvent{request});
        }
        arrived_.notify_one();
    }

    std::vector<DisplayDescription> displays() override {
        return {{"Null display", kHeadlessDesktop, {kHeadlessDesktop}, 60}};
    }
    bool showWindow(int32_t clientWidth, int32_t clientHeight, bool) override {
        screen_.width = clientWidth;
        screen_.height = clientHeight;
        fullScreen_ = false;
        return true;
    }
    bool showFullScreen(int32_t) override {
        showWindow(kHeadlessDesktop.width, kHeadlessDesktop.height, false);
        fullScreen_ = true;
        return true;
    }
    void clientSize(int32_t& width, int32_t& height) override {
        width = screen_.width;
        height = screen_.height;
    }

    // Nearest-neighbour scaling into the kept picture, as SDL's renderer does.
    void present(Surface& surface, const Rect& area) override {
        if (area.isEmpty()) return;
        layout_ = FrameLayout::fit(area.width(), area.height(), screen_.width, screen_.height, fullScreen_);
        screen_.pixels.assign(static_cast<size_t>(screen_.width) * static_cast<size_t>(screen_.height), 0);
        const Rect& target = layout_.target;
        const PixelFormat& format = surface.format();
        LockedPixels source = surface.lock();
        for (int32_t y = target.y0; y < target.y1; ++y) {
            const int32_t sourceY = area.y0 + static_cast<int32_t>(int64_t{y - target.y0} * area.height() / target.height());
            const uint8_t* row = source.bits + static_cast<ptrdiff_t>(sourceY) * source.pitch;
            uint32_t* out = &screen_.pixels[static_cast<size_t>(y) * static_cast<size_t>(screen_.width)];
            for (int32_t x = target.x0; x < target.x1; ++x) {
                const int32_t sourceX = area.x0 + static_cast<int32_t>(int64_t{x - target.x0} * area.width() / target.width());
                out[x] = format.point(row + sourceX * format.bytesPerPixel) & 0xFFFFFF;
            }
        }
        surface.unlock();
        ++screen_.presents;
    }
    void clientToFrame(int32_t& x, int32_t& y) override { layout_.toFrame(x, y); }
    void moveMouse(int32_t, int32_t) override {}
    std::unique_ptr<InputSystem> openInputSystem() override { return openNullInputSystem(); }
    ScreenImage screen() override { return screen_; }

private:
    ScreenImage screen_;
    bool fullScreen_ = false;
    FrameLayout layout_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<WindowEvent> queue_;
};

}  // namespace

std::unique_ptr<WindowSystem> openNullWindowSystem() { return std::make_unique<NullWindowSystem>(); }

}  // namespace korva
