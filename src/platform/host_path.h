// Paths as programs write them, turned into paths this system can open.
#pragma once

#include <string>

namespace korva {

// Programs written for Windows use "\" as separator and expect names to
// match whatever their case. Every "\" becomes "/"; when the path does not
// exist as written, each component that does not exist as written is
// replaced by the first entry of its directory whose name differs only in
// ASCII case. From the first component that matches nothing, the rest stays
// as written (so a file about to be created keeps its own name).
std::string hostPath(const char* programPath);

}  // namespace korva
