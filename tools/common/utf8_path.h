// The tools keep file names as UTF-8 text. A std::filesystem::path made from
// a narrow string reads it in the ANSI code page on Windows, so paths go
// through these two conversions instead.
#pragma once

#include <filesystem>
#include <string>

namespace fitool {

inline std::filesystem::path Utf8Path(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8String(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace fitool
