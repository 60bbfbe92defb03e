#include "graphics/pixel_format.h"

#include "graphics/pixel_layout.h"

namespace korva {

namespace {

template <class Layout>
KORVA_REGISTER_ARGS void plotAs(const PixelFormat*, void* address, uint32_t argb) {
    Layout::write(static_cast<uint8_t*>(address), argb);
}

template <class Layout>
KORVA_REGISTER_ARGS uint32_t pointAs(const PixelFormat*, const void* address) {
    return Layout::read(static_cast<const uint8_t*>(address));
}

// Layouts without routines of their own take their shifts from the format.
template <class Storage>
KORVA_REGISTER_ARGS void plotConverted(const PixelFormat* format, void* address, uint32_t argb) {
    Storage::store(static_cast<uint8_t*>(address), format->toNative(argb));
}

template <class Storage>
KORVA_REGISTER_ARGS uint32_t pointConverted(const PixelFormat* format, const void* address) {
    return format->toArgb(Storage::load(static_cast<const uint8_t*>(address)));
}

// Red, green and blue each in their own ARGB byte: the colour is stored as it
// is, alpha byte included, whatever the alpha mask says.
template <class Storage, uint32_t kKeptBits>
KORVA_REGISTER_ARGS void plotUnconverted(const PixelFormat*, void* address, uint32_t argb) {
    Storage::store(static_cast<uint8_t*>(address), argb & kKeptBits);
}

bool hasRgbInArgbBytes(const PixelFormat& format) {
    return format.rmask == 0x00FF0000 && format.gmask == 0x0000FF00 && format.bmask == 0x000000FF;
}

void chooseRoutinesByStorage(PixelFormat& format) {
    bool clearsAlphaByte = format.depth > 24 && format.amask == 0;
    withPixelStorage(storageBytesForDepth(format.depth), [&](auto storage) {
        using Storage = decltype(storage);
        format.pointRoutine = pointConverted<Storage>;
        if (!hasRgbInArgbBytes(format))
            format.plotRoutine = plotConverted<Storage>;
        else if (clearsAlphaByte)
            format.plotRoutine = plotUnconverted<Storage, 0x00FFFFFF>;
        else
            format.plotRoutine = plotUnconverted<Storage, 0xFFFFFFFF>;
    });
}

template <class Layout>
PixelFormat formatOf() {
    const PixelFormat& layout = Layout::kFormat;
    return PixelFormat::fromMasks(layout.depth, layout.amask, layout.rmask, layout.gmask, layout.bmask);
}

}  // namespace

PixelFormat PixelFormat::fromMasks(int32_t depth, uint32_t amask, uint32_t rmask, uint32_t gmask, uint32_t bmask) {
    PixelFormat format = describe(depth, amask, rmask, gmask, bmask);
    const bool known = withKnownLayout(format, [&format](auto layout) {
        using Layout = decltype(layout);
        format.plotRoutine = plotAs<Layout>;
        format.pointRoutine = pointAs<Layout>;
    });
    if (!known) chooseRoutinesByStorage(format);
    return format;
}

PixelFormat PixelFormat::xrgb8888() { return formatOf<Xrgb8888>(); }
PixelFormat PixelFormat::argb8888() { return formatOf<Argb8888>(); }
PixelFormat PixelFormat::rgb888() { return formatOf<Rgb888>(); }
PixelFormat PixelFormat::rgb565() { return formatOf<Rgb565>(); }
PixelFormat PixelFormat::xrgb1555() { return formatOf<Xrgb1555>(); }

}  // namespace korva
