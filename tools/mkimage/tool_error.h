// The failures korva-mkimage reports: a message for the user, printed as a
// single line, after which the tool exits with status 1.
#pragma once

#include <stdexcept>
#include <string>

namespace korva::mkimage {

class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& message) : std::runtime_error(message) {}
};

// A command line the tool does not understand: reported with the usage lines,
// status 2.
class UsageError : public ToolError {
 public:
  using ToolError::ToolError;
};

}  // namespace korva::mkimage
