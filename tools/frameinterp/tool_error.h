// The one error type of the harness: a complete one-line message for the user.
#pragma once

#include <stdexcept>
#include <string>

namespace fitool {

class ToolError : public std::runtime_error {
public:
  explicit ToolError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace fitool
