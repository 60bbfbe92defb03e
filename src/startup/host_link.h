// What the stand-alone executable and development hosts share to get a
// program running: the runtime's link table and the argument text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "startup/module_image.h"
#include "startup/runtime_api.h"

namespace korva {

// One full nextSym pass: link name -> address of every declaration.
RuntimeLinkTable runtimeLinkTable(Runtime& runtime);

// The whole file, or nothing when it cannot be read (errno tells why).
std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path);

// The folder of the running executable, without a trailing "/"; empty when
// it cannot be told.
std::string executableFolder();

// The program's argument text: the arguments after the program name joined
// by single spaces, each kept as it is.
std::string argumentText(int argc, const char* const* argv);

}  // namespace korva
