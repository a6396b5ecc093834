#include "common/TextUtil.h"

#include <charconv>

namespace tarvex {

namespace {
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

std::string trim(std::string_view s) { return std::string(trimView(s)); }

std::string toUpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = upper(c);
  return r;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

size_t findIgnoreCase(std::string_view haystack, std::string_view needle) {
  if (needle.size() > haystack.size()) return std::string_view::npos;
  for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
    if (equalsIgnoreCase(haystack.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

std::optional<int64_t> parseInteger(std::string_view s) {
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  int64_t v = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
  return v;
}

std::string padLeft(std::string_view s, size_t width) {
  std::string r;
  if (s.size() < width) r.assign(width - s.size(), ' ');
  r += s;
  return r;
}

std::string padRight(std::string_view s, size_t width) {
  std::string r(s);
  if (r.size() < width) r.append(width - r.size(), ' ');
  return r;
}

std::string_view directoryOf(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view fileNameOf(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace tarvex

namespace tarvex {

void replaceFirst(std::string* text, std::string_view placeholder, std::string_view value) {
  size_t pos = text->find(placeholder);
  if (pos != std::string::npos) text->replace(pos, placeholder.size(), value);
}

}  // namespace tarvex
