#pragma once

#include <cstdint>

namespace korva {

class Canvas;

// A new canvas (of the source's Graphics) holding source under the matrix
// (a b; c d) about the handle point (hx, hy), which stays fixed; sampled
// bilinearly or at the nearest pixel. Null when the canvas cannot be made.
Canvas* transformCanvas(Canvas& source, float a, float b, float c, float d, int32_t hx, int32_t hy, bool filter);

}  // namespace korva
