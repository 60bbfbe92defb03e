#include "platform/frame_layout.h"

#include <algorithm>

namespace korva {
namespace {

// The frame coordinate under a client coordinate along one axis, scaled by
// integer multiply then divide and clamped into the frame.
int32_t toFrameAxis(int32_t client, int32_t targetStart, int32_t targetSize, int32_t frameSize) {
    if (targetSize <= 0 || frameSize <= 0) return 0;
    const int64_t scaled = (static_cast<int64_t>(client) - targetStart) * frameSize / targetSize;
    return static_cast<int32_t>(std::clamp<int64_t>(scaled, 0, frameSize - 1));
}

// The first client coordinate that shows the frame coordinate: toFrameAxis
// leads back to it whenever the frame is not shown smaller than it is.
int32_t toClientAxis(int32_t frame, int32_t targetStart, int32_t targetSize, int32_t frameSize) {
    if (frameSize <= 0) return targetStart;
    const int64_t scaled = static_cast<int64_t>(frame) * targetSize;
    const int64_t first = scaled >= 0 ? (scaled + frameSize - 1) / frameSize : scaled / frameSize;
    return static_cast<int32_t>(std::clamp<int64_t>(targetStart + first, INT32_MIN, INT32_MAX));
}

}  // namespace

FrameLayout FrameLayout::fit(int32_t frameWidth, int32_t frameHeight, int32_t clientWidth, int32_t clientHeight,
                             bool keepAspect) {
    FrameLayout layout{frameWidth, frameHeight, {0, 0, clientWidth, clientHeight}};
    if (!keepAspect || frameWidth <= 0 || frameHeight <= 0) return layout;
    // Whichever side reaches the client edge first decides the scale.
    int64_t width = clientWidth, height = clientHeight;
    if (width * frameHeight <= height * frameWidth)
        height = width * frameHeight / frameWidth;
    else
        width = height * frameWidth / frameHeight;
    layout.target.x0 = static_cast<int32_t>((clientWidth - width) / 2);
    layout.target.y0 = static_cast<int32_t>((clientHeight - height) / 2);
    layout.target.x1 = layout.target.x0 + static_cast<int32_t>(width);
    layout.target.y1 = layout.target.y0 + static_cast<int32_t>(height);
    return layout;
}

void FrameLayout::toFrame(int32_t& x, int32_t& y) const {
    x = toFrameAxis(x, target.x0, target.width(), frameWidth);
    y = toFrameAxis(y, target.y0, target.height(), frameHeight);
}

void FrameLayout::toClient(int32_t& x, int32_t& y) const {
    x = toClientAxis(x, target.x0, target.width(), frameWidth);
    y = toClientAxis(y, target.y0, target.height(), frameHeight);
}

}  // namespace korva
