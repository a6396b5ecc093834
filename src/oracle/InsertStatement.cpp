#include "oracle/InsertStatement.h"

#include "common/CivilDate.h"
#include "common/TextUtil.h"

namespace tarvex {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || isDigit(c) || c == '_' || c == '$' ||
         c == '#' || static_cast<unsigned char>(c) >= 0x80;
}

void skipBlanks(std::string_view s, size_t* p) {
  while (*p < s.size() && isBlank(s[*p])) ++*p;
}

// Matches a keyword (any letter case) followed by a non-name character.
bool keyword(std::string_view s, size_t* p, std::string_view word) {
  skipBlanks(s, p);
  if (s.size() - *p < word.size() || !equalsIgnoreCase(s.substr(*p, word.size()), word)) {
    return false;
  }
  size_t e = *p + word.size();
  if (e < s.size() && isNameChar(s[e])) return false;
  *p = e;
  return true;
}

// The position behind the parenthesis matching the one at p (quotes skipped), or npos.
size_t matchParen(std::string_view s, size_t p) {
  int depth = 0;
  for (; p < s.size(); ++p) {
    char c = s[p];
    if (c == '\'' || c == '"') {
      size_t e = s.find(c, p + 1);
      while (c == '\'' && e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '\'') {
        e = s.find(c, e + 2);
      }
      if (e == std::string_view::npos) return std::string_view::npos;
      p = e;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) return p + 1;
    }
  }
  return std::string_view::npos;
}

SessionError dateError(int code, std::string_view what) {
  SessionError e;
  e.code = code;
  e.message = oraMessage(code, what);
  return e;
}

// A quoted text at *p: its content with '' undone appended to *dst; false when unterminated.
bool readQuoted(std::string_view s, size_t* p, std::string* dst, std::string_view* view) {
  size_t q = *p + 1;
  size_t e = s.find('\'', q);
  if (e == std::string_view::npos) return false;
  if (e + 1 >= s.size() || s[e + 1] != '\'') {
    *view = s.substr(q, e - q);  // no doubled quote: a view of the source
    *p = e + 1;
    return true;
  }
  const size_t at = dst->size();
  for (;;) {
    if (e == std::string_view::npos) return false;
    dst->append(s.substr(q, e - q));
    if (e + 1 < s.size() && s[e + 1] == '\'') {
      dst->push_back('\'');
      q = e + 2;
      e = s.find('\'', q);
      continue;
    }
    *p = e + 1;
    *view = std::string_view(dst->data() + at, dst->size() - at);
    return true;
  }
}

// Length of a number literal at the start of s ([+-]digits[.digits][E[+-]digits]), 0 if none.
size_t numberLength(std::string_view s) {
  size_t p = 0;
  if (p < s.size() && (s[p] == '-' || s[p] == '+')) ++p;
  size_t digits = 0;
  while (p < s.size() && isDigit(s[p])) ++p, ++digits;
  if (p < s.size() && s[p] == '.') {
    ++p;
    while (p < s.size() && isDigit(s[p])) ++p, ++digits;
  }
  if (digits == 0) return 0;
  if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
    size_t q = p + 1;
    if (q < s.size() && (s[q] == '-' || s[q] == '+')) ++q;
    size_t ed = 0;
    while (q < s.size() && isDigit(s[q])) ++q, ++ed;
    if (ed == 0) return 0;
    p = q;
  }
  return p;
}

}  // namespace

bool splitInsert(std::string_view text, InsertParts* out) {
  size_t p = 0;
  if (!keyword(text, &p, "INSERT") || !keyword(text, &p, "INTO")) return false;
  skipBlanks(text, &p);
  const size_t name_at = p;
  while (p < text.size() && (isNameChar(text[p]) || text[p] == '.' || text[p] == '"')) ++p;
  if (p == name_at) return false;
  out->target = text.substr(name_at, p - name_at);
  skipBlanks(text, &p);
  if (p >= text.size() || text[p] != '(') return false;
  size_t e = matchParen(text, p);
  if (e == std::string_view::npos) return false;
  out->columns = text.substr(p + 1, e - p - 2);
  p = e;
  if (!keyword(text, &p, "VALUES")) return false;
  out->head = text.substr(0, p);
  skipBlanks(text, &p);
  if (p >= text.size() || text[p] != '(') return false;
  e = matchParen(text, p);
  if (e == std::string_view::npos) return false;
  out->values = text.substr(p + 1, e - p - 2);
  size_t rest = e;
  skipBlanks(text, &rest);
  return rest == text.size();
}

std::vector<std::string> splitColumns(std::string_view columns) {
  std::vector<std::string> names;
  size_t p = 0;
  for (;;) {
    skipBlanks(columns, &p);
    size_t b = p;
    while (p < columns.size() && isNameChar(columns[p])) ++p;
    if (p == b) return {};
    names.emplace_back(columns.substr(b, p - b));
    skipBlanks(columns, &p);
    if (p == columns.size()) return names;
    if (columns[p] != ',') return {};
    ++p;
  }
}

std::optional<std::string> oraToDate(std::string_view value, std::string_view format,
                                     SessionError* err) {
  *err = SessionError();
  if (value.empty()) return std::nullopt;
  int year = -1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  bool h12 = false;
  size_t v = 0;
  size_t f = 0;
  auto digits = [&](size_t n, int* dst) {
    int x = 0;
    size_t got = 0;
    while (got < n && v < value.size() && isDigit(value[v])) {
      x = x * 10 + (value[v] - '0');
      ++v;
      ++got;
    }
    if (got == 0) return false;
    *dst = x;
    return true;
  };
  auto mismatch = [&] {
    *err = dateError(kErrDateFormat, "literal does not match format string");
    return std::nullopt;
  };
  while (f < format.size()) {
    std::string_view rest = format.substr(f);
    auto starts = [&](std::string_view w) {
      return rest.size() >= w.size() && equalsIgnoreCase(rest.substr(0, w.size()), w);
    };
    bool ok = true;
    if (starts("YYYY") || starts("RRRR")) {
      ok = digits(4, &year);
      f += 4;
    } else if (starts("HH24")) {
      ok = digits(2, &hour);
      f += 4;
    } else if (starts("HH12") || starts("HH")) {
      ok = digits(2, &hour);
      h12 = true;
      f += starts("HH12") ? 4 : 2;
    } else if (starts("MM")) {
      ok = digits(2, &month);
      f += 2;
    } else if (starts("MI")) {
      ok = digits(2, &minute);
      f += 2;
    } else if (starts("DD")) {
      ok = digits(2, &day);
      f += 2;
    } else if (starts("SS")) {
      ok = digits(2, &second);
      f += 2;
    } else {
      // Any other format character stands for itself (Oracle is lenient with punctuation).
      if (v < value.size() && value[v] == format[f]) {
        ++v;
      } else if (v < value.size() && !isDigit(value[v]) && !isNameChar(format[f])) {
        ++v;
      } else {
        ok = false;
      }
      ++f;
    }
    if (!ok) return mismatch();
  }
  while (v < value.size() && isBlank(value[v])) ++v;
  if (v != value.size() || year < 0) return mismatch();
  if (year == 0) {
    *err = dateError(1841, "(full) year must be between -4713 and +9999, and not be 0");
    return std::nullopt;
  }
  if (month < 1 || month > 12) {
    *err = dateError(1843, "not a valid month");
    return std::nullopt;
  }
  if (day < 1 || day > 31) {
    *err = dateError(1847, "day of month must be between 1 and last day of month");
    return std::nullopt;
  }
  if (!isValidDate(year, month, day)) {
    *err = dateError(kErrInvalidDate, "date not valid for month specified");
    return std::nullopt;
  }
  if ((h12 && (hour < 1 || hour > 12)) || hour > 23 || minute > 59 || second > 59) {
    *err = dateError(1850, "hour must be between 0 and 23");
    return std::nullopt;
  }
  if (h12 && hour == 12) hour = 0;
  // Laid out by hand: this runs for every date of a load.
  auto two = [](char* p, int v) {
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
  };
  const bool midnight = hour == 0 && minute == 0 && second == 0;
  std::string out(midnight ? 10 : 19, ' ');
  char* p = out.data();
  two(p, year / 100);
  two(p + 2, year % 100);
  p[4] = '-';
  two(p + 5, month);
  p[7] = '-';
  two(p + 8, day);
  if (!midnight) {
    two(p + 11, hour);
    p[13] = ':';
    two(p + 14, minute);
    p[16] = ':';
    two(p + 17, second);
  }
  return out;
}

ValuesResult parseValues(std::string_view s, std::vector<SqlValue>* out, std::string* scratch,
                         SessionError* err) {
  out->clear();
  scratch->clear();
  // Texts with doubled quotes and dates are written into scratch; it never outgrows the values
  // text, so reserving that much keeps the views valid.
  scratch->reserve(s.size() + 32);
  size_t p = 0;
  for (;;) {
    skipBlanks(s, &p);
    if (p >= s.size()) return ValuesResult::kNotLiteral;
    SqlValue v;
    const char c = s[p];
    if (c == '\'') {
      if (!readQuoted(s, &p, scratch, &v.text)) return ValuesResult::kNotLiteral;
      v.kind = v.text.empty() ? SqlValue::Kind::kNull : SqlValue::Kind::kText;
    } else if (isDigit(c) || c == '-' || c == '+' || c == '.') {
      size_t n = numberLength(s.substr(p));
      if (n == 0) return ValuesResult::kNotLiteral;
      v.kind = SqlValue::Kind::kNumber;
      v.text = s.substr(p, n);
      p += n;
    } else if (keyword(s, &p, "NULL")) {
      v.kind = SqlValue::Kind::kNull;
    } else if (keyword(s, &p, "TO_DATE")) {
      skipBlanks(s, &p);
      if (p >= s.size() || s[p] != '(') return ValuesResult::kNotLiteral;
      ++p;
      skipBlanks(s, &p);
      std::string_view date, format;
      if (p >= s.size() || s[p] != '\'' || !readQuoted(s, &p, scratch, &date)) {
        return ValuesResult::kNotLiteral;
      }
      skipBlanks(s, &p);
      if (p >= s.size() || s[p] != ',') return ValuesResult::kNotLiteral;
      ++p;
      skipBlanks(s, &p);
      if (p >= s.size() || s[p] != '\'' || !readQuoted(s, &p, scratch, &format)) {
        return ValuesResult::kNotLiteral;
      }
      skipBlanks(s, &p);
      if (p >= s.size() || s[p] != ')') return ValuesResult::kNotLiteral;
      ++p;
      std::optional<std::string> iso = oraToDate(date, format, err);
      if (!iso) {
        if (err->code != 0) return ValuesResult::kError;
        v.kind = SqlValue::Kind::kNull;
      } else {
        if (scratch->size() + iso->size() > scratch->capacity()) return ValuesResult::kNotLiteral;
        const size_t at = scratch->size();
        scratch->append(*iso);
        v.kind = SqlValue::Kind::kDate;
        v.text = std::string_view(scratch->data() + at, iso->size());
      }
    } else {
      return ValuesResult::kNotLiteral;
    }
    out->push_back(v);
    skipBlanks(s, &p);
    if (p == s.size()) return ValuesResult::kOk;
    if (s[p] != ',') return ValuesResult::kNotLiteral;
    ++p;
  }
}

}  // namespace tarvex
