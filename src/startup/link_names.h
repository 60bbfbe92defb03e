#pragma once

#include <string>

namespace korva {

// The name under which compiled code refers to a runtime declaration:
// "_" + declaration for internal symbols ("_qyStrLoad" -> "__qyStrLoad"),
// "_f" + the lower-cased command name otherwise ("%LoadImage$bmpfile" ->
// "_floadimage").
std::string linkNameOf(const char* declaration);

}  // namespace korva
