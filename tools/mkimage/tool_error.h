// The one kind of failure korva-mkimage reports: a message for the user,
// printed as a single line, after which the tool exits with status 1.
#pragma once

#include <stdexcept>
#include <string>

namespace korva::mkimage {

class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace korva::mkimage
