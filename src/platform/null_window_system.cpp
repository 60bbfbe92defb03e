#include <condition_variable>
#include <deque>
#include <mutex>

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

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<WindowEvent> queue_;
};

}  // namespace

std::unique_ptr<WindowSystem> openNullWindowSystem() { return std::make_unique<NullWindowSystem>(); }

}  // namespace korva
