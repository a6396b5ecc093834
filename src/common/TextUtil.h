// Byte-text helpers shared by the settings file, the engine and the front ends. Letter case
// rules are ASCII only: settings keys, DBF names and flags are ASCII.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

// Without leading and trailing blanks (space, tab, CR, LF).
inline std::string_view trimView(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t b = 0;
  size_t e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}
std::string trim(std::string_view s);
std::string toUpperAscii(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Position of the first occurrence of needle ignoring case, or npos.
size_t findIgnoreCase(std::string_view haystack, std::string_view needle);

// The text as a decimal integer: optional sign, digits, nothing else (no blanks); nullopt
// when it is not one or does not fit in 64 bits.
std::optional<int64_t> parseInteger(std::string_view s);

// Right-aligns s in width: blanks in front up to width; a longer text is not cut.
std::string padLeft(std::string_view s, size_t width);
// Left-aligns s in width: blanks appended up to width; a longer text is not cut.
std::string padRight(std::string_view s, size_t width);

// Folder part (with its trailing '/') and file-name part of a path.
std::string_view directoryOf(std::string_view path);
std::string_view fileNameOf(std::string_view path);

}  // namespace tarvex

namespace tarvex {

// Replaces the first occurrence of placeholder in text by value (the engine's own rule).
void replaceFirst(std::string* text, std::string_view placeholder, std::string_view value);

}  // namespace tarvex
