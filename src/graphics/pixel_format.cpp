#include "graphics/pixel_format.h"

#include "graphics/pixel_storage.h"

namespace korva {

namespace {

// A mask layout known when the runtime is compiled: its routines convert with
// constant shifts and masks.
template <int32_t kDepth, uint32_t kA, uint32_t kR, uint32_t kG, uint32_t kB>
struct MaskLayout {
    static constexpr PixelFormat kFormat = PixelFormat::describe(kDepth, kA, kR, kG, kB);
    using Storage = PixelStorage<storageBytesForDepth(kDepth)>;
};

using Xrgb8888 = MaskLayout<32, 0, 0x00FF0000, 0x0000FF00, 0x000000FF>;
using Argb8888 = MaskLayout<32, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF>;
using Rgb888 = MaskLayout<24, 0, 0x00FF0000, 0x0000FF00, 0x000000FF>;
using Rgb565 = MaskLayout<16, 0, 0xF800, 0x07E0, 0x001F>;
using Xrgb1555 = MaskLayout<16, 0, 0x7C00, 0x03E0, 0x001F>;
using Argb1555 = MaskLayout<16, 0x8000, 0x7C00, 0x03E0, 0x001F>;

template <class... Layouts>
struct LayoutList {};
using KnownLayouts = LayoutList<Xrgb8888, Argb8888, Rgb888, Rgb565, Xrgb1555, Argb1555>;

template <class Layout>
KORVA_REGISTER_ARGS void plotAs(const PixelFormat*, void* address, uint32_t argb) {
    Layout::Storage::store(static_cast<uint8_t*>(address), Layout::kFormat.toNative(argb));
}

template <class Layout>
KORVA_REGISTER_ARGS uint32_t pointAs(const PixelFormat*, const void* address) {
    return Layout::kFormat.toArgb(Layout::Storage::load(static_cast<const uint8_t*>(address)));
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

template <class Layout>
bool adoptRoutinesOf(PixelFormat& format) {
    if (!format.sameLayout(Layout::kFormat)) return false;
    format.plotRoutine = plotAs<Layout>;
    format.pointRoutine = pointAs<Layout>;
    return true;
}

template <class... Layouts>
bool adoptKnownLayout(PixelFormat& format, LayoutList<Layouts...>) {
    return (adoptRoutinesOf<Layouts>(format) || ...);
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
    if (!adoptKnownLayout(format, KnownLayouts{})) chooseRoutinesByStorage(format);
    return format;
}

PixelFormat PixelFormat::xrgb8888() { return formatOf<Xrgb8888>(); }
PixelFormat PixelFormat::argb8888() { return formatOf<Argb8888>(); }
PixelFormat PixelFormat::rgb888() { return formatOf<Rgb888>(); }
PixelFormat PixelFormat::rgb565() { return formatOf<Rgb565>(); }
PixelFormat PixelFormat::xrgb1555() { return formatOf<Xrgb1555>(); }

}  // namespace korva
