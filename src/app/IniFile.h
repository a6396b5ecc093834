// The settings file Tarvex.ini: an INI text file read and written one value at a time.
//
// Format: "[Section]" lines and "Key=Value" entries, one per line; LF or CR LF line ends.
// Section and key look-ups ignore letter case. Blanks around keys and values are ignored; a value
// enclosed in double quotes loses them (so a value may keep leading blanks). Lines starting with
// ";" are comments. Every call opens the file, reads or rewrites it, and closes it: there is no
// in-memory copy, so a value written is in the file when the call returns. Writes keep every
// other line (comments, blank lines, unknown keys) and the file's line-end style, and replace the
// file in one step, so a failed write leaves the previous content whole.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "common/Status.h"

namespace tarvex {

class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The value of key in section; the empty text when the file, section or key is missing or
  // the file cannot be read.
  std::string get(std::string_view section, std::string_view key) const;

  // As get, but tells a file that exists and cannot be read apart from a missing one (which
  // reads as empty and ok).
  Status read(std::string_view section, std::string_view key, std::string* value) const;

  // Writes one value: replaces it where it stands, adds the key at the end of its section, or
  // adds the section at the end of the file; creates the file when missing. A value holding a
  // line break is refused.
  Status put(std::string_view section, std::string_view key, std::string_view value) const;

  // Removes the section line and every line up to the next section (all sections of that name).
  Status eraseSection(std::string_view section) const;

 private:
  std::string path_;
};

}  // namespace tarvex
