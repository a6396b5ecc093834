#include "oracle/Charset.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "common/TextUtil.h"

namespace tarvex {
namespace {

struct CharsetName {
  const char* oracle;
  const char* iconv;
};

constexpr CharsetName kCharsets[] = {
    {"AL32UTF8", "UTF-8"},          {"UTF8", "UTF-8"},
    {"US7ASCII", "ASCII"},          {"RU8PC866", "CP866"},
    {"CL8MSWIN1251", "CP1251"},     {"CL8KOI8R", "KOI8-R"},
    {"CL8KOI8U", "KOI8-U"},         {"CL8ISO8859P5", "ISO-8859-5"},
    {"CL8MACCYRILLICS", "MACCYRILLIC"},
    {"WE8MSWIN1252", "CP1252"},     {"WE8PC850", "CP850"},
    {"WE8PC858", "CP858"},          {"US8PC437", "CP437"},
    {"WE8ISO8859P1", "ISO-8859-1"}, {"WE8ISO8859P15", "ISO-8859-15"},
    {"EE8MSWIN1250", "CP1250"},     {"EE8PC852", "CP852"},
    {"EE8ISO8859P2", "ISO-8859-2"}, {"EL8MSWIN1253", "CP1253"},
    {"EL8PC737", "CP737"},          {"TR8MSWIN1254", "CP1254"},
    {"TR8PC857", "CP857"},          {"IW8MSWIN1255", "CP1255"},
    {"AR8MSWIN1256", "CP1256"},     {"BLT8MSWIN1257", "CP1257"},
    {"BLT8PC775", "CP775"},         {"VN8MSWIN1258", "CP1258"},
    {"TH8TISASCII", "TIS-620"},     {"ZHS16GBK", "GBK"},
    {"ZHT16MSWIN950", "CP950"},     {"JA16SJIS", "SHIFT_JIS"},
    {"KO16MSWIN949", "CP949"},      {"JA16EUC", "EUC-JP"},
};

}  // namespace

std::string charsetOfNlsLang(std::string_view nlsLang) {
  std::string_view t = trimView(nlsLang);
  size_t dot = t.rfind('.');
  if (dot != std::string_view::npos) t = t.substr(dot + 1);
  return std::string(trimView(t));
}

std::string iconvNameOf(std::string_view oracleCharset) {
  std::string_view t = trimView(oracleCharset);
  for (const CharsetName& c : kCharsets) {
    if (equalsIgnoreCase(t, c.oracle)) return c.iconv;
  }
  return {};
}

bool isAscii(std::string_view s) {
  const char* p = s.data();
  size_t n = s.size();
  uint64_t acc = 0;
  while (n >= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    acc |= w;
    p += 8;
    n -= 8;
  }
  while (n > 0) {
    acc |= static_cast<unsigned char>(*p++);
    --n;
  }
  return (acc & 0x8080808080808080ULL) == 0;
}

size_t invalidUtf8At(std::string_view s) {
  const auto* b = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    unsigned char c = b[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len = 0;
    uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return i;
    }
    if (i + len > n) return i;
    for (size_t k = 1; k < len; ++k) {
      if ((b[i + k] & 0xC0) != 0x80) return i;
      cp = (cp << 6) | (b[i + k] & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
      return i;
    }
    i += len;
  }
  return std::string_view::npos;
}

TextConverter::~TextConverter() {
  if (cd_ != reinterpret_cast<void*>(-1)) iconv_close(static_cast<iconv_t>(cd_));
}

Status TextConverter::open(std::string_view oracleCharset) {
  if (cd_ != reinterpret_cast<void*>(-1)) {
    iconv_close(static_cast<iconv_t>(cd_));
    cd_ = reinterpret_cast<void*>(-1);
  }
  name_ = toUpperAscii(trimView(oracleCharset));
  utf8_ = true;
  if (name_.empty()) return Status::ok();
  std::string from = iconvNameOf(name_);
  if (from.empty()) {
    return Status::invalidArgument("unknown character set \"" + name_ + "\"");
  }
  if (from == "UTF-8") return Status::ok();
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    return Status::invalidArgument("character set \"" + name_ + "\" (" + from +
                                   ") cannot be converted on this system");
  }
  cd_ = cd;
  utf8_ = false;
  return Status::ok();
}

bool TextConverter::convert(std::string_view in, std::string* out, size_t* badOffset) {
  out->clear();
  if (utf8_) {
    size_t bad = invalidUtf8At(in);
    if (bad != std::string_view::npos) {
      *badOffset = bad;
      return false;
    }
    out->assign(in);
    return true;
  }
  iconv_t cd = static_cast<iconv_t>(cd_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out->resize(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out->data();
  size_t dst_left = out->size();
  while (src_left > 0) {
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = static_cast<size_t>(dst - out->data());
      out->resize(out->size() * 2);
      dst = out->data() + used;
      dst_left = out->size() - used;
      continue;
    }
    *badOffset = static_cast<size_t>(src - in.data());
    out->clear();
    return false;
  }
  // Flush a stateful encoding's shift sequence.
  iconv(cd, nullptr, nullptr, &dst, &dst_left);
  out->resize(static_cast<size_t>(dst - out->data()));
  return true;
}

}  // namespace tarvex
