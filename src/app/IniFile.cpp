#include "app/IniFile.h"

#include <vector>

#include "common/FileIo.h"
#include "common/TextUtil.h"

namespace tarvex {

namespace {

std::vector<std::string_view> splitLines(std::string_view content) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t nl = content.find('\n', start);
    size_t end = nl == std::string_view::npos ? content.size() : nl;
    std::string_view line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

// When the line is a section header, its trimmed name.
bool sectionName(std::string_view line, std::string_view* name) {
  std::string_view t = trimView(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string_view::npos) return false;
  *name = trimView(t.substr(1, close - 1));
  return true;
}

// When the line is an entry "key=value", its trimmed key and its value as read.
bool entry(std::string_view line, std::string_view* key, std::string_view* value) {
  std::string_view t = trimView(line);
  if (t.empty() || t.front() == ';') return false;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  *key = trimView(t.substr(0, eq));
  std::string_view v = trimView(t.substr(eq + 1));
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  *value = v;
  return true;
}

// The value text as stored: quoted when reading it back would otherwise lose blanks or quotes.
std::string storedValue(std::string_view value) {
  bool needs_quotes = !value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                         value.back() == ' ' || value.back() == '\t' ||
                                         (value.size() >= 2 && value.front() == '"' &&
                                          value.back() == '"'));
  if (!needs_quotes) return std::string(value);
  std::string s = "\"";
  s += value;
  s += '"';
  return s;
}

Status loadForUpdate(const std::string& path, std::string* content) {
  Status s = readWholeFile(path, content);
  if (s.kind() == Status::Kind::kNotFound) {
    content->clear();
    return Status::ok();
  }
  return s;
}

std::string joinLines(const std::vector<std::string>& lines, std::string_view eol) {
  std::string out;
  for (const std::string& l : lines) {
    out += l;
    out += eol;
  }
  return out;
}

std::string_view lineEndOf(std::string_view content) {
  return content.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
}

}  // namespace

Status IniFile::read(std::string_view section, std::string_view key, std::string* value) const {
  value->clear();
  std::string content;
  Status s = readWholeFile(path_, &content);
  if (s.kind() == Status::Kind::kNotFound) return Status::ok();
  if (!s.isOk()) return s;
  bool in_section = false;
  for (std::string_view line : splitLines(content)) {
    std::string_view name;
    if (sectionName(line, &name)) {
      in_section = equalsIgnoreCase(name, section);
      continue;
    }
    std::string_view k, v;
    if (in_section && entry(line, &k, &v) && equalsIgnoreCase(k, key)) {
      value->assign(v);
      return Status::ok();
    }
  }
  return Status::ok();
}

std::string IniFile::get(std::string_view section, std::string_view key) const {
  std::string value;
  if (!read(section, key, &value).isOk()) value.clear();
  return value;
}

Status IniFile::put(std::string_view section, std::string_view key, std::string_view value) const {
  if (value.find_first_of("\r\n") != std::string_view::npos) {
    return Status::invalidArgument("cannot write [" + std::string(section) + "] " +
                                   std::string(key) + " to " + path_ +
                                   ": the value holds a line break");
  }
  std::string content;
  Status s = loadForUpdate(path_, &content);
  if (!s.isOk()) return s;

  std::vector<std::string> lines;
  for (std::string_view l : splitLines(content)) lines.emplace_back(l);
  std::string new_entry = std::string(key) + "=" + storedValue(value);

  bool in_section = false;
  size_t section_line = std::string::npos;  // header of the first matching section
  size_t last_entry = std::string::npos;    // last entry of that section (or its header)
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view name;
    if (sectionName(lines[i], &name)) {
      if (in_section) break;  // end of the first matching section
      in_section = equalsIgnoreCase(name, section);
      if (in_section) {
        section_line = i;
        last_entry = i;
      }
      continue;
    }
    if (!in_section) continue;
    std::string_view k, v;
    if (!entry(lines[i], &k, &v)) continue;
    if (equalsIgnoreCase(k, key)) {
      // Keep the key's own spelling; only the value changes.
      lines[i] = std::string(k) + "=" + storedValue(value);
      return replaceFileContent(path_, joinLines(lines, lineEndOf(content)));
    }
    last_entry = i;
  }
  if (section_line != std::string::npos) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last_entry + 1), new_entry);
  } else {
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(new_entry);
  }
  return replaceFileContent(path_, joinLines(lines, lineEndOf(content)));
}

Status IniFile::eraseSection(std::string_view section) const {
  std::string content;
  Status s = loadForUpdate(path_, &content);
  if (!s.isOk()) return s;
  std::vector<std::string> kept;
  bool erasing = false;
  bool changed = false;
  for (std::string_view line : splitLines(content)) {
    std::string_view name;
    if (sectionName(line, &name)) erasing = equalsIgnoreCase(name, section);
    if (erasing) {
      changed = true;
      continue;
    }
    kept.emplace_back(line);
  }
  if (!changed) return Status::ok();
  return replaceFileContent(path_, joinLines(kept, lineEndOf(content)));
}

}  // namespace tarvex
