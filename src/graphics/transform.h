// Affine transformation of a canvas into a new one, in single precision: the
// image transformations and the scaling of loaded pictures.
#pragma once

#include <cstdint>

namespace korva {

class Canvas;

// A new canvas (of the source's Graphics) holding source under the matrix
// (a b; c d), which maps a point (px, py) taken relative to the handle point
// (hx, hy) to (a px + c py, b px + d py). The handle point stays fixed: it
// becomes the new canvas's handle. Sampled bilinearly or at the nearest
// pixel; points outside the source's viewport read as its mask colour.
// Null when the matrix is singular, the result would be too large, or the
// canvas cannot be made.
//
// Canvases of a layout known at compile time are read and written directly
// by code made for that layout (with SSE2 arithmetic while SIMD is enabled);
// others go through transformCanvasPerPixel. Both give identical pixels.
Canvas* transformCanvas(Canvas& source, float a, float b, float c, float d, int32_t hx, int32_t hy, bool filter);

// The same transformation sampled plainly, through the source's readPixel and
// the new canvas's writePixel for every pixel: the fallback, and the oracle
// the specialised code is tested and measured against.
Canvas* transformCanvasPerPixel(Canvas& source, float a, float b, float c, float d, int32_t hx, int32_t hy,
                                bool filter);

}  // namespace korva
