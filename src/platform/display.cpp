// The display part of the platform runtime: drivers and modes, opening and
// closing the three kinds of display, presenting, and the virtual refresh.
#include <algorithm>
#include <chrono>

#include "graphics/graphics.h"
#include "platform/input_object.h"
#include "platform/platform_runtime.h"

namespace korva {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRepaintPeriod = std::chrono::milliseconds(100);

// The emulated full-screen layouts; windows take the desktop's XRGB8888.
PixelFormat fullScreenFormat(int32_t depth) {
    switch (depth) {
        case 16: return PixelFormat::rgb565();
        case 24: return PixelFormat::rgb888();
        default: return PixelFormat::xrgb8888();
    }
}

int64_t microsecondsNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

}  // namespace

void PlatformRuntime::enumerateDrivers(bool all) {
    drivers_.clear();
    const std::vector<DisplayDescription> displays = window_->displays();
    const size_t count = all ? displays.size() : std::min<size_t>(displays.size(), 1);
    for (size_t i = 0; i < count; ++i) drivers_.push_back(gfxDriverOf(displays[i], static_cast<int32_t>(i)));
}

int32_t PlatformRuntime::countDrivers() {
    if (!allDriversEnumerated_) {
        allDriversEnumerated_ = true;
        enumerateDrivers(true);
    }
    return static_cast<int32_t>(drivers_.size());
}

Graphics* PlatformRuntime::openGraphics(int32_t width, int32_t height, int32_t depth, int32_t driverIndex,
                                        int32_t flags) {
    if (graphics_) return nullptr;
    busy_ = true;
    const bool windowed = (flags & kGraphicsWindowed) != 0;
    currentDriver_ = windowed ? 0 : driverIndex;
    Graphics* opened = nullptr;
    if (currentDriver_ >= 0 && currentDriver_ < static_cast<int32_t>(drivers_.size()) && width > 0 && height > 0) {
        if (windowed)
            opened = openWindowedDisplay(width, height, (flags & kGraphicsScaled) != 0);
        else if (depth != 0 || (flags & kGraphics3D) == 0)
            opened = openFullScreenDisplay(width, height, depth);
    }
    if (opened == nullptr) currentDriver_ = -1;
    busy_ = false;
    // Shows the new, black frame at once; the pointer maps onto it from now on.
    paint();
    return opened;
}

// Front and back are two canvases over one surface; Flip only shares the
// back buffer's modification count with the front.
Graphics* PlatformRuntime::openWindowedDisplay(int32_t width, int32_t height, bool scaled) {
    std::shared_ptr<Surface> surface = Surface::create(PixelFormat::xrgb8888(), width, height);
    if (!surface) return nullptr;
    int32_t clientWidth = width, clientHeight = height;
    if (scaled) {
        window_->clientSize(clientWidth, clientHeight);
        if (clientWidth <= 1 || clientHeight <= 1) clientWidth = width, clientHeight = height;
    }
    if (!window_->showWindow(clientWidth, clientHeight, scaled)) return nullptr;
    graphics_ = std::make_unique<Graphics>(surface, surface);
    mode_ = scaled ? WindowMode::scaledWindow : WindowMode::fixedWindow;
    if (!pointerVisible_) window_->setCursorVisible(false);
    lastShownModCount_ = 0;
    startRepaintTimer();
    return graphics_.get();
}

// A depth of 0 takes the first depth the blitter serves with every
// capability, which our software blitter does for all of them: 16. The
// frame is scaled to the desktop, whose own mode stays as it is.
Graphics* PlatformRuntime::openFullScreenDisplay(int32_t width, int32_t height, int32_t depth) {
    if (depth == 0) depth = 16;
    const GfxDriver& driver = drivers_[static_cast<size_t>(currentDriver_)];
    const bool offered = std::any_of(driver.modes.begin(), driver.modes.end(), [&](const GfxMode& mode) {
        return mode.width == width && mode.height == height && mode.depth == depth;
    });
    if (!offered) return nullptr;
    const PixelFormat format = fullScreenFormat(depth);
    std::shared_ptr<Surface> front = Surface::create(format, width, height);
    std::shared_ptr<Surface> back = Surface::create(format, width, height);
    if (!front || !back) return nullptr;
    window_->clientSize(savedClientWidth_, savedClientHeight_);
    savedResizable_ = mode_ == WindowMode::scaledWindow;
    if (!window_->showFullScreen(driver.display)) {
        window_->showWindow(savedClientWidth_, savedClientHeight_, savedResizable_);
        return nullptr;
    }
    if (input_ != nullptr) input_->setDirectInputMode(true);
    graphics_ = std::make_unique<Graphics>(front, back);
    mode_ = WindowMode::fullScreen;
    return graphics_.get();
}

void PlatformRuntime::closeGraphics(Graphics* graphics) {
    if (graphics == nullptr || graphics != graphics_.get()) return;
    busy_ = true;
    if (mode_ == WindowMode::fullScreen && input_ != nullptr) input_->setDirectInputMode(false);
    stopRepaintTimer();
    graphics_.reset();
    if (mode_ == WindowMode::fullScreen)
        window_->showWindow(savedClientWidth_, savedClientHeight_, savedResizable_);
    mode_ = WindowMode::none;
    currentDriver_ = -1;
    busy_ = false;
}

void PlatformRuntime::flip(bool vwait) {
    if (!graphics_ || mode_ == WindowMode::none) return;
    if (vwait) waitVerticalBlank();
    Canvas& front = *graphics_->frontCanvas();
    Canvas& back = *graphics_->backCanvas();
    if (mode_ == WindowMode::fullScreen) {
        swapSurfaces(front, back);
        paint();
        return;
    }
    front.setModCount(back.modCount());
    if (front.modCount() != lastShownModCount_) {
        lastShownModCount_ = front.modCount();
        paint();
    }
}

void PlatformRuntime::paint() {
    if (!graphics_ || mode_ == WindowMode::none) return;
    Canvas& front = dialogPicture_ != nullptr ? *dialogPicture_ : *graphics_->frontCanvas();
    Rect area = front.rect();
    if (mode_ == WindowMode::fixedWindow) {
        int32_t clientWidth, clientHeight;
        window_->clientSize(clientWidth, clientHeight);
        area.x1 = std::min(area.x1, clientWidth);
        area.y1 = std::min(area.y1, clientHeight);
    }
    window_->present(front.surface(), area);
}

// The timer thread only queues a tick; the comparison and the repaint run on
// the program thread when it next services its events.
void PlatformRuntime::startRepaintTimer() {
    repaintRunning_ = true;
    repaintTimer_ = std::thread([this] {
        while (repaintRunning_) {
            std::this_thread::sleep_for(kRepaintPeriod);
            if (repaintRunning_) window_->postRequest(WindowEvent::Kind::repaintTimer);
        }
    });
}

void PlatformRuntime::stopRepaintTimer() {
    repaintRunning_ = false;
    if (repaintTimer_.joinable()) repaintTimer_.join();
}

void PlatformRuntime::repaintIfChanged() {
    if (!graphics_ || mode_ == WindowMode::none) return;
    const int32_t modCount = graphics_->frontCanvas()->modCount();
    if (modCount == lastShownModCount_) return;
    lastShownModCount_ = modCount;
    paint();
}

int32_t PlatformRuntime::refreshPeriodMicroseconds() const {
    const int32_t driver = currentDriver_ >= 0 ? currentDriver_ : 0;
    const int32_t rate = driver < static_cast<int32_t>(drivers_.size()) ? drivers_[driver].refreshRate : 60;
    return 1000000 / std::max(rate, 1);
}

void PlatformRuntime::waitVerticalBlank() {
    const int64_t period = refreshPeriodMicroseconds();
    const int64_t now = microsecondsNow();
    const int64_t nextBoundary = (now / period + 1) * period;
    std::this_thread::sleep_for(std::chrono::microseconds(nextBoundary - now));
}

// The beam runs over the visible lines and then a blank of about a
// twentieth of them; during the blank there is no scan line to read.
int32_t PlatformRuntime::scanLine() const {
    if (!graphics_) return 0;
    const int64_t height = graphics_->frontCanvas()->height();
    const int64_t period = refreshPeriodMicroseconds();
    const int64_t totalLines = height + height / 20 + 1;
    const int64_t line = (microsecondsNow() % period) * totalLines / period;
    return line < height ? static_cast<int32_t>(line) : 0;
}

}  // namespace korva
