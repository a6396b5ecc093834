// The client character set: Oracle character-set names (the part of NLS_LANG after the dot)
// mapped onto the converter of the C library, and the conversion of text into UTF-8, the
// character set of every database behind a session.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/Status.h"

namespace tarvex {

// The character-set part of an NLS_LANG text ("RUSSIAN_RUSSIA.RU8PC866" -> "RU8PC866"); the
// whole text when it has no dot; empty for an empty text.
std::string charsetOfNlsLang(std::string_view nlsLang);

// The iconv name of an Oracle character-set name (any letter case): "CL8MSWIN1251" -> "CP1251",
// "AL32UTF8" -> "UTF-8". Empty when the name is not known.
std::string iconvNameOf(std::string_view oracleCharset);

// Converts text from one client character set into UTF-8. Reusable; not thread-safe.
class TextConverter {
 public:
  TextConverter() = default;
  ~TextConverter();
  TextConverter(const TextConverter&) = delete;
  TextConverter& operator=(const TextConverter&) = delete;

  // Takes the Oracle character-set name; an empty name means UTF-8. An unknown name is an
  // invalid argument.
  Status open(std::string_view oracleCharset);
  const std::string& charset() const { return name_; }
  // Whether the text needs no conversion in this set (UTF-8 itself, or only ASCII bytes in an
  // ASCII-based set); such text is still checked by convert() when the set is UTF-8.
  bool isUtf8() const { return utf8_; }

  // in as UTF-8 into *out. False when in is not valid in the client set; *badOffset is then the
  // offset of the first byte that is not.
  bool convert(std::string_view in, std::string* out, size_t* badOffset);

 private:
  void* cd_ = reinterpret_cast<void*>(-1);
  std::string name_;
  bool utf8_ = true;
};

// Whether every byte of s is below 0x80.
bool isAscii(std::string_view s);
// Offset of the first byte of s that does not belong to a valid UTF-8 sequence, or npos.
size_t invalidUtf8At(std::string_view s);

}  // namespace tarvex
