#include "oracle/SqliteDialect.h"

#include <sqlite3.h>

#include <cstdlib>

#include "common/TextUtil.h"

namespace tarvex {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c == '#' || static_cast<unsigned char>(c) >= 0x80;
}

bool keyword(std::string_view s, size_t* p, std::string_view word) {
  while (*p < s.size() && isBlank(s[*p])) ++*p;
  if (s.size() - *p < word.size() || !equalsIgnoreCase(s.substr(*p, word.size()), word)) {
    return false;
  }
  size_t e = *p + word.size();
  if (e < s.size() && isNameChar(s[e])) return false;
  *p = e;
  return true;
}

std::string quoted(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  return q;
}

}  // namespace

std::optional<std::string> sqliteTruncate(std::string_view text) {
  size_t p = 0;
  if (!keyword(text, &p, "TRUNCATE") || !keyword(text, &p, "TABLE")) return std::nullopt;
  std::string_view rest = trimView(text.substr(p));
  if (rest.empty()) return std::nullopt;
  return "DELETE FROM " + std::string(rest);
}

std::string sqliteDictionary(std::string_view sql) {
  static constexpr std::string_view kViews[] = {"ALL_ALL_TABLES", "ALL_TABLES", "USER_TABLES",
                                                "DBA_TABLES"};
  std::string out;
  out.reserve(sql.size());
  size_t p = 0;
  while (p < sql.size()) {
    char c = sql[p];
    if (c == '\'') {
      size_t e = sql.find('\'', p + 1);
      e = e == std::string_view::npos ? sql.size() : e + 1;
      out.append(sql.substr(p, e - p));
      p = e;
      continue;
    }
    if ((c == 's' || c == 'S') && (p == 0 || !isNameChar(sql[p - 1])) && sql.size() - p > 4 &&
        equalsIgnoreCase(sql.substr(p, 4), "SYS.")) {
      bool view = false;
      for (std::string_view v : kViews) {
        if (sql.size() - p - 4 >= v.size() && equalsIgnoreCase(sql.substr(p + 4, v.size()), v) &&
            (p + 4 + v.size() == sql.size() || !isNameChar(sql[p + 4 + v.size()]))) {
          view = true;
        }
      }
      if (view) {
        out += "temp.";
        p += 4;
        continue;
      }
    }
    out += c;
    ++p;
  }
  return out;
}

std::string sqliteDictionaryViews(std::string_view schema) {
  std::string owner = toUpperAscii(schema);
  std::string lit = "'";
  for (char c : owner) {
    if (c == '\'') lit += '\'';
    lit += c;
  }
  lit += "'";
  std::string body = " AS SELECT " + lit + " AS OWNER, upper(name) AS TABLE_NAME FROM " +
                     quoted(schema) +
                     ".sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
                     "ESCAPE '\\';";
  std::string sql;
  for (const char* v : {"ALL_ALL_TABLES", "ALL_TABLES", "USER_TABLES", "DBA_TABLES"}) {
    sql += "DROP VIEW IF EXISTS temp.";
    sql += v;
    sql += "; CREATE TEMP VIEW ";
    sql += v;
    sql += body;
  }
  return sql;
}

SessionError sqliteError(int xcode, std::string_view msg) {
  SessionError e;
  auto set = [&](int code, std::string_view oracle) {
    e.code = code;
    e.message = oraMessage(code, std::string(oracle) + " (" + std::string(msg) + ")");
  };
  if (msg.starts_with("ORA-")) {
    e.code = std::atoi(std::string(msg.substr(4, 5)).c_str());
    e.message = std::string(msg);
    return e;
  }
  const int primary = xcode & 0xFF;
  if (xcode == SQLITE_CONSTRAINT_CHECK) {
    set(2290, "check constraint violated");
    return e;
  }
  if (xcode == SQLITE_CONSTRAINT_UNIQUE || xcode == SQLITE_CONSTRAINT_PRIMARYKEY) {
    set(kErrUniqueViolated, "unique constraint violated");
    return e;
  }
  if (xcode == SQLITE_CONSTRAINT_NOTNULL) {
    set(kErrCannotInsertNull, "cannot insert NULL");
    return e;
  }
  if (primary == SQLITE_CANTOPEN || primary == SQLITE_NOTADB) {
    set(kErrUnknownServer, "TNS:could not resolve the connect identifier specified");
    return e;
  }
  if (primary == SQLITE_ERROR) {
    if (msg.find("no such table") != std::string_view::npos ||
        msg.find("unknown database") != std::string_view::npos) {
      set(kErrNoSuchTable, "table or view does not exist");
      return e;
    }
    if (msg.find("no such column") != std::string_view::npos ||
        msg.find("has no column named") != std::string_view::npos) {
      set(kErrInvalidIdentifier, "invalid identifier");
      return e;
    }
    if (msg.find("already exists") != std::string_view::npos) {
      set(kErrNameUsed, "name is already used by an existing object");
      return e;
    }
    size_t vf = msg.find(" values for ");
    if (vf != std::string_view::npos) {
      long have = std::atol(std::string(msg.substr(0, vf)).c_str());
      long want = std::atol(std::string(msg.substr(vf + 12)).c_str());
      if (have < want) set(kErrNotEnoughValues, "not enough values");
      else set(kErrTooManyValues, "too many values");
      return e;
    }
    if (msg.find("syntax error") != std::string_view::npos ||
        msg.find("incomplete input") != std::string_view::npos) {
      set(kErrInvalidSql, "invalid SQL statement");
      return e;
    }
  }
  e.code = kErrBackend;
  e.message = oraMessage(kErrBackend, "SQLite error " + std::to_string(xcode) + ": " +
                                          std::string(msg));
  return e;
}

}  // namespace tarvex
