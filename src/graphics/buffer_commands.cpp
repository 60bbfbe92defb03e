#include "graphics/buffer_commands.h"

#include <string>

#include "platform/host_path.h"
#include "graphics/bitmap_file.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "graphics/transform.h"

namespace korva {
namespace {

Canvas& current() { return *graphicsState.buffer; }

}  // namespace

uint32_t composeRgb(int32_t red, int32_t green, int32_t blue) {
    return (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) | static_cast<uint32_t>(blue);
}

void cmdSetBuffer(int32_t buffer) { selectBuffer(checkedBuffer(buffer)); }

int32_t cmdGraphicsBuffer() { return handleOf(graphicsState.buffer); }

// The picture is scaled to the buffer and drawn solid at its corner,
// ignoring the buffer's origin but not its viewport.
int32_t cmdLoadBuffer(int32_t buffer, qyStr* file) {
    Canvas& target = *checkedBuffer(buffer);
    const std::string path = strTake(file);
    Graphics& graphics = *graphicsState.graphics;
    Canvas* picture = graphics.loadCanvas(path, 0);
    if (picture == nullptr) return 0;
    const float xScale = static_cast<float>(target.width()) / static_cast<float>(picture->width());
    const float yScale = static_cast<float>(target.height()) / static_cast<float>(picture->height());
    Canvas* scaled = transformCanvas(*picture, xScale, 0, 0, yScale, 0, 0, graphicsState.tformFilter);
    graphics.freeCanvas(picture);
    if (scaled == nullptr) return 0;
    const int32_t originX = target.originX(), originY = target.originY();
    target.setOrigin(0, 0);
    target.blit(0, 0, *scaled, 0, 0, scaled->width(), scaled->height(), true);
    target.setOrigin(originX, originY);
    graphics.freeCanvas(scaled);
    return 1;
}

int32_t cmdSaveBuffer(int32_t buffer, qyStr* file) {
    Canvas& source = *checkedBuffer(buffer);
    return saveBitmapFile(source, hostPath(strTake(file).c_str())) ? 1 : 0;
}

void cmdLockBuffer(int32_t buffer) { checkedBuffer(buffer)->lock(); }
void cmdUnlockBuffer(int32_t buffer) { checkedBuffer(buffer)->unlock(); }

int32_t cmdReadPixel(int32_t x, int32_t y, int32_t buffer) {
    return static_cast<int32_t>(checkedBuffer(buffer)->readPixel(x, y));
}

void cmdWritePixel(int32_t x, int32_t y, int32_t argb, int32_t buffer) {
    checkedBuffer(buffer)->writePixel(x, y, static_cast<uint32_t>(argb));
}

int32_t cmdReadPixelFast(int32_t x, int32_t y, int32_t buffer) {
    return static_cast<int32_t>(currentOr(buffer)->readPixelFast(x, y));
}

void cmdWritePixelFast(int32_t x, int32_t y, int32_t argb, int32_t buffer) {
    currentOr(buffer)->writePixelFast(x, y, static_cast<uint32_t>(argb));
}

void cmdCopyPixel(int32_t srcX, int32_t srcY, int32_t srcBuffer, int32_t destX, int32_t destY, int32_t destBuffer) {
    currentOr(destBuffer)->copyPixel(destX, destY, *currentOr(srcBuffer), srcX, srcY);
}

void cmdCopyPixelFast(int32_t srcX, int32_t srcY, int32_t srcBuffer, int32_t destX, int32_t destY,
                      int32_t destBuffer) {
    currentOr(destBuffer)->copyPixelFast(destX, destY, *currentOr(srcBuffer), srcX, srcY);
}

void cmdOrigin(int32_t x, int32_t y) { current().setOrigin(x, y); }

void cmdViewport(int32_t x, int32_t y, int32_t width, int32_t height) { current().setViewport(x, y, width, height); }

void cmdColor(int32_t red, int32_t green, int32_t blue) {
    graphicsState.color = composeRgb(red, green, blue);
    current().setColor(graphicsState.color);
}

void cmdGetColor(int32_t x, int32_t y) {
    const uint32_t argb = current().readPixel(x, y);
    cmdColor(static_cast<int32_t>((argb >> 16) & 0xFF), static_cast<int32_t>((argb >> 8) & 0xFF),
             static_cast<int32_t>(argb & 0xFF));
}

int32_t cmdColorRed() { return static_cast<int32_t>((current().getColor() >> 16) & 0xFF); }
int32_t cmdColorGreen() { return static_cast<int32_t>((current().getColor() >> 8) & 0xFF); }
int32_t cmdColorBlue() { return static_cast<int32_t>(current().getColor() & 0xFF); }

void cmdClsColor(int32_t red, int32_t green, int32_t blue) {
    graphicsState.clsColor = composeRgb(red, green, blue);
    current().setClsColor(graphicsState.clsColor);
}

void cmdCls() { current().cls(); }
void cmdPlot(int32_t x, int32_t y) { current().plotPixel(x, y); }

void cmdRect(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid) {
    current().rect(x, y, width, height, solid != 0);
}

void cmdOval(int32_t x, int32_t y, int32_t width, int32_t height, int32_t solid) {
    current().oval(x, y, width, height, solid != 0);
}

void cmdLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { current().line(x1, y1, x2, y2); }

void cmdCopyRect(int32_t sourceX, int32_t sourceY, int32_t width, int32_t height, int32_t destX, int32_t destY,
                 int32_t srcBuffer, int32_t destBuffer) {
    Canvas& source = *checkedBuffer(srcBuffer);
    checkedBuffer(destBuffer)->blit(destX, destY, source, sourceX, sourceY, width, height, true);
}

}  // namespace korva
