#pragma once

#include <string>

namespace korva {

class Canvas;

// Writes the whole canvas as an uncompressed 24-bit bitmap file; true when
// the file was opened and written completely.
bool saveBitmapFile(Canvas& canvas, const std::string& path);

}  // namespace korva
