#include "oracle/PgDialect.h"

#include <array>

#include "common/TextUtil.h"
#include "oracle/InsertStatement.h"

namespace tarvex {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool isNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool isNameChar(char c) {
  return isNameStart(c) || (c >= '0' && c <= '9') || c == '$' || c == '#';
}

constexpr std::array<std::string_view, 4> kDictionaryViews = {"ALL_ALL_TABLES", "ALL_TABLES",
                                                              "DBA_TABLES", "USER_TABLES"};

bool isDictionaryView(std::string_view word) {
  for (std::string_view v : kDictionaryViews) {
    if (equalsIgnoreCase(word, v)) return true;
  }
  return false;
}

// End of a quoted run starting at p (quote character q, doubled inside); s.size() when open.
size_t quotedEnd(std::string_view s, size_t p) {
  const char q = s[p];
  for (size_t i = p + 1; i < s.size(); ++i) {
    if (s[i] != q) continue;
    if (i + 1 < s.size() && s[i + 1] == q) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return s.size();
}

// End of a comment starting at p ("--" or "/*"), or p when none starts there.
size_t commentEnd(std::string_view s, size_t p) {
  if (s.substr(p, 2) == "--") {
    const size_t nl = s.find('\n', p);
    return nl == std::string_view::npos ? s.size() : nl;
  }
  if (s.substr(p, 2) == "/*") {
    const size_t e = s.find("*/", p + 2);
    return e == std::string_view::npos ? s.size() : e + 2;
  }
  return p;
}

size_t skipBlanks(std::string_view s, size_t p) {
  while (p < s.size() && isBlank(s[p])) ++p;
  return p;
}

// A quoted literal at p: its content with quotes undone, and the position behind it.
bool literalAt(std::string_view s, size_t* p, std::string* value) {
  if (*p >= s.size() || s[*p] != '\'') return false;
  const size_t e = quotedEnd(s, *p);
  if (e > s.size() || s[e - 1] != '\'' || e == *p + 1) return false;
  value->clear();
  for (size_t i = *p + 1; i + 1 < e; ++i) {
    value->push_back(s[i]);
    if (s[i] == '\'') ++i;
  }
  *p = e;
  return true;
}

// TO_DATE ( 'v' , 'f' ) starting behind the word at p; the position behind ")" on success.
bool toDateCall(std::string_view s, size_t p, std::string* value, std::string* format,
                size_t* end) {
  p = skipBlanks(s, p);
  if (p >= s.size() || s[p] != '(') return false;
  p = skipBlanks(s, p + 1);
  if (!literalAt(s, &p, value)) return false;
  p = skipBlanks(s, p);
  if (p >= s.size() || s[p] != ',') return false;
  p = skipBlanks(s, p + 1);
  if (!literalAt(s, &p, format)) return false;
  p = skipBlanks(s, p);
  if (p >= s.size() || s[p] != ')') return false;
  *end = p + 1;
  return true;
}

}  // namespace

std::optional<SessionError> pgRewrite(std::string_view s, PgText* out) {
  out->sql.clear();
  out->params.clear();
  out->sql.reserve(s.size() + 16);
  std::string value;
  std::string format;
  size_t p = 0;
  while (p < s.size()) {
    const char c = s[p];
    if (c == '\'' || c == '"') {
      const size_t e = quotedEnd(s, p);
      out->sql.append(s.substr(p, e - p));
      p = e;
      continue;
    }
    if (const size_t e = commentEnd(s, p); e != p) {
      out->sql.append(s.substr(p, e - p));
      p = e;
      continue;
    }
    if (c == ':' && p + 1 < s.size() && isNameStart(s[p + 1]) &&
        (p == 0 || s[p - 1] != ':')) {
      size_t e = p + 1;
      while (e < s.size() && isNameChar(s[e])) ++e;
      const std::string_view name = s.substr(p + 1, e - p - 1);
      size_t n = 0;
      while (n < out->params.size() && !equalsIgnoreCase(out->params[n], name)) ++n;
      if (n == out->params.size()) out->params.emplace_back(name);
      out->sql += '$';
      out->sql += std::to_string(n + 1);
      p = e;
      continue;
    }
    if (!isNameStart(c) || (p > 0 && isNameChar(s[p - 1]))) {
      out->sql += c;
      ++p;
      continue;
    }
    size_t e = p;
    while (e < s.size() && isNameChar(s[e])) ++e;
    const std::string_view word = s.substr(p, e - p);
    if (equalsIgnoreCase(word, "VARCHAR2") || equalsIgnoreCase(word, "NVARCHAR2")) {
      out->sql += "VARCHAR";
    } else if (equalsIgnoreCase(word, "NUMBER")) {
      out->sql += "NUMERIC";
    } else if (equalsIgnoreCase(word, "SYS") && e < s.size() && s[e] == '.') {
      size_t w = e + 1;
      while (w < s.size() && isNameChar(s[w])) ++w;
      if (isDictionaryView(s.substr(e + 1, w - e - 1))) {
        out->sql += "pg_temp";
      } else {
        out->sql.append(word);
      }
    } else if (equalsIgnoreCase(word, "TO_DATE") &&
               (p == 0 || s[p - 1] != '.')) {
      size_t end = 0;
      if (toDateCall(s, e, &value, &format, &end)) {
        SessionError err;
        std::optional<std::string> iso = oraToDate(value, format, &err);
        if (!iso) {
          if (err.code != 0) return err;
          out->sql += "NULL";
        } else {
          out->sql += iso->size() > 10 ? "TIMESTAMP '" : "DATE '";
          out->sql += *iso;
          out->sql += '\'';
        }
        p = end;
        continue;
      }
      out->sql.append(word);
    } else {
      out->sql.append(word);
    }
    p = e;
  }
  return std::nullopt;
}

std::optional<std::string> pgCreateTableOwner(std::string_view s) {
  size_t p = skipBlanks(s, 0);
  for (std::string_view kw : {"CREATE", "TABLE"}) {
    if (s.size() - p < kw.size() || !equalsIgnoreCase(s.substr(p, kw.size()), kw)) {
      return std::nullopt;
    }
    p += kw.size();
    if (p < s.size() && isNameChar(s[p])) return std::nullopt;
    p = skipBlanks(s, p);
  }
  // The first name part, plain or quoted.
  size_t e = p;
  if (e < s.size() && s[e] == '"') {
    e = quotedEnd(s, e);
  } else {
    while (e < s.size() && isNameChar(s[e])) ++e;
  }
  if (e == p || e >= s.size() || s[e] != '.') return std::nullopt;
  return std::string(s.substr(p, e - p));
}

std::string_view pgDictionaryViews() {
  // information_schema.tables lists the tables the user may use, as ALL_ALL_TABLES does.
  return "CREATE OR REPLACE TEMPORARY VIEW all_all_tables AS "
         "SELECT upper(table_schema::text) AS owner, upper(table_name::text) AS table_name "
         "FROM information_schema.tables WHERE table_type = 'BASE TABLE';"
         "CREATE OR REPLACE TEMPORARY VIEW all_tables AS SELECT * FROM all_all_tables;"
         "CREATE OR REPLACE TEMPORARY VIEW dba_tables AS SELECT * FROM all_all_tables;"
         "CREATE OR REPLACE TEMPORARY VIEW user_tables AS SELECT table_name FROM all_all_tables "
         "WHERE owner = upper(current_user::text);";
}

bool pgIsDml(std::string_view text) {
  size_t p = 0;
  for (;;) {
    p = skipBlanks(text, p);
    const size_t e = p < text.size() ? commentEnd(text, p) : p;
    if (e == p) break;
    p = e;
  }
  if (p < text.size() && text[p] == '(') return true;  // a parenthesised query
  size_t e = p;
  while (e < text.size() && isNameChar(text[e])) ++e;
  const std::string_view word = text.substr(p, e - p);
  for (std::string_view w : {"INSERT", "UPDATE", "DELETE", "MERGE", "SELECT", "WITH", "LOCK"}) {
    if (equalsIgnoreCase(word, w)) return true;
  }
  return false;
}

std::string pgRoleName(std::string_view user) {
  const std::string_view u = trimView(user);
  if (u.size() >= 2 && u.front() == '"' && u.back() == '"') {
    return std::string(u.substr(1, u.size() - 2));
  }
  std::string lower(u);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

}  // namespace tarvex
