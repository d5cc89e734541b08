// Paths from and to the program's UTF-8 text. std::filesystem would take a
// narrow string in the system's ANSI code page on Windows, losing every name
// outside it; going through char8_t keeps them on both systems.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

inline std::filesystem::path Utf8Path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
