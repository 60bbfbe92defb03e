#include <condition_variable>
#include <deque>
#include <mutex>

#include "graphics/rect.h"
#include "platform/window_system.h"

namespace korva {
namespace {

// No window: requests are queued in memory, and nothing else ever arrives.
class NullWindowSystem final : public WindowSystem {
public:
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

    // One display with the classic resolutions; nothing is ever shown.
    std::vector<DisplayDescription> displays() override {
        return {{"Null display", {{640, 480}, {800, 600}, {1024, 768}}, 60}};
    }
    bool showWindow(int32_t clientWidth, int32_t clientHeight, bool) override {
        width_ = clientWidth;
        height_ = clientHeight;
        return true;
    }
    bool showFullScreen(int32_t, int32_t width, int32_t height) override { return showWindow(width, height, false); }
    void hideWindow() override { width_ = height_ = 0; }
    void clientSize(int32_t& width, int32_t& height) override {
        width = width_;
        height = height_;
    }
    void present(Surface&, const Rect&) override {}

private:
    int32_t width_ = 0, height_ = 0;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<WindowEvent> queue_;
};

}  // namespace

std::unique_ptr<WindowSystem> openNullWindowSystem() { return std::make_unique<NullWindowSystem>(); }

}  // namespace korva
