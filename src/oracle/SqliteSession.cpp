#include "oracle/SqliteSession.h"

#include <sqlite3.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <unordered_map>
#include <vector>

#include "common/TextUtil.h"
#include "oracle/InsertStatement.h"
#include "oracle/SqliteDialect.h"

namespace tarvex {
namespace {

constexpr std::string_view kPrefix = "sqlite:";

// TO_DATE(text, format) as a function of the connection, for statements that are not taken by
// the fast path.
void toDateFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const char* v = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  const char* f = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
  SessionError err;
  std::optional<std::string> iso = oraToDate(v ? v : "", f ? f : "", &err);
  if (!iso) {
    if (err.code == 0) {
      sqlite3_result_null(ctx);
    } else {
      sqlite3_result_error(ctx, err.message.c_str(), -1);
    }
    return;
  }
  sqlite3_result_text(ctx, iso->c_str(), static_cast<int>(iso->size()), SQLITE_TRANSIENT);
}

std::string quotedName(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  return q;
}

// What a column of the target table takes, from its declared type.
struct ColumnRule {
  enum class Kind { kAny, kText, kNumber, kDate };
  Kind kind = Kind::kAny;
  int max = 0;  // kText: most characters
  std::string name;
};

ColumnRule columnRule(const char* declType, std::string name) {
  ColumnRule r;
  r.name = std::move(name);
  const std::string t = toUpperAscii(declType ? declType : "");
  size_t p = 0;
  while (p < t.size() && ((t[p] >= 'A' && t[p] <= 'Z') || (t[p] >= '0' && t[p] <= '9') || t[p] == '_')) ++p;
  const std::string word = t.substr(0, p);
  if (word == "VARCHAR2" || word == "VARCHAR" || word == "CHAR" || word == "NVARCHAR2" ||
      word == "NCHAR") {
    size_t open = t.find('(');
    if (open != std::string::npos) {
      r.kind = ColumnRule::Kind::kText;
      r.max = std::atoi(t.c_str() + open + 1);
    }
  } else if (word == "NUMBER" || word == "INTEGER" || word == "FLOAT" || word == "NUMERIC" ||
             word == "DECIMAL" || word == "INT" || word == "SMALLINT") {
    r.kind = ColumnRule::Kind::kNumber;
  } else if (word == "DATE") {
    r.kind = ColumnRule::Kind::kDate;
  }
  return r;
}

// Characters of UTF-8 text.
size_t utf8Length(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

struct PreparedHead {
  sqlite3_stmt* st = nullptr;
  std::string table;  // "OWNER1"."EMP" for messages
  std::vector<ColumnRule> rules;
};

SessionError columnError(int code, const std::string& what) {
  SessionError e;
  e.code = code;
  e.message = oraMessage(code, what);
  return e;
}

}  // namespace

struct SqliteSession::Impl {
  sqlite3* db = nullptr;
  std::string path;    // absolute database path
  std::string schema;  // the user name the file is attached under
  std::unordered_map<std::string, PreparedHead> heads;
  std::string last_head;
  PreparedHead* last = nullptr;
  std::vector<SqlValue> values;
  std::string scratch;
  std::vector<std::string> evaluated;  // values of a general INSERT, computed by SQLite
  std::string number_text;

  ~Impl() { close(); }

  void close() {
    for (auto& [k, h] : heads) sqlite3_finalize(h.st);
    heads.clear();
    last_head.clear();
    last = nullptr;
    if (db != nullptr) sqlite3_close_v2(db);
    db = nullptr;
  }

  SessionError lastError() const {
    return sqliteError(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
  }

  bool inTransaction() const { return sqlite3_get_autocommit(db) == 0; }

  std::optional<SessionError> exec(const std::string& sql) {
    char* msg = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
    if (rc == SQLITE_OK) return std::nullopt;
    SessionError e = sqliteError(sqlite3_extended_errcode(db), msg ? msg : sqlite3_errstr(rc));
    sqlite3_free(msg);
    return e;
  }

  void rollback() {
    if (inTransaction()) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  }

  // A failure of a statement: the open transaction goes, then the error is returned.
  std::optional<SessionError> fail(SessionError e) {
    rollback();
    return e;
  }

  std::optional<SessionError> begin() {
    if (inTransaction()) return std::nullopt;
    return exec("BEGIN");
  }

  std::optional<SessionError> commit() {
    if (!inTransaction()) return std::nullopt;
    std::optional<SessionError> e = exec("COMMIT");
    if (e) rollback();
    return e;
  }

  // Any statement as SQLite takes it; its rows, if any, are stepped over.
  std::optional<SessionError> runText(std::string_view sql) {
    const char* tail = sql.data();
    const char* end = sql.data() + sql.size();
    while (tail < end) {
      sqlite3_stmt* st = nullptr;
      int rc = sqlite3_prepare_v2(db, tail, static_cast<int>(end - tail), &st, &tail);
      if (rc != SQLITE_OK) return lastError();
      if (st == nullptr) break;  // only blanks or comments were left
      while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      }
      if (rc != SQLITE_DONE) {
        SessionError e = lastError();
        sqlite3_finalize(st);
        return e;
      }
      sqlite3_finalize(st);
    }
    return std::nullopt;
  }

  // The prepared statement of an INSERT head with the rules of its columns.
  PreparedHead* prepareHead(const InsertParts& parts, std::optional<SessionError>* err) {
    if (last != nullptr && parts.head == last_head) return last;
    std::string key(parts.head);
    auto it = heads.find(key);
    if (it == heads.end()) {
      std::vector<std::string> cols = splitColumns(parts.columns);
      if (cols.empty()) return nullptr;
      std::string sql = "INSERT INTO ";
      sql.append(parts.target);
      sql += " (";
      sql.append(parts.columns);
      sql += ") VALUES (";
      for (size_t i = 0; i < cols.size(); ++i) sql += i == 0 ? "?" : ", ?";
      sql += ")";
      PreparedHead h;
      if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()),
                             SQLITE_PREPARE_PERSISTENT, &h.st, nullptr) != SQLITE_OK) {
        *err = lastError();
        sqlite3_finalize(h.st);
        return nullptr;
      }
      std::string_view target = parts.target;
      std::string owner;
      size_t dot = target.find('.');
      if (dot != std::string_view::npos) {
        owner = std::string(target.substr(0, dot));
        target.remove_prefix(dot + 1);
      }
      const std::string table(target);
      h.table = "\"" + toUpperAscii(owner.empty() ? schema : owner) + "\".\"" +
                toUpperAscii(table) + "\"";
      for (const std::string& c : cols) {
        const char* decl = nullptr;
        sqlite3_table_column_metadata(db, owner.empty() ? nullptr : owner.c_str(), table.c_str(),
                                      c.c_str(), &decl, nullptr, nullptr, nullptr, nullptr);
        h.rules.push_back(columnRule(decl, toUpperAscii(c)));
      }
      it = heads.emplace(std::move(key), std::move(h)).first;
    }
    last_head = it->first;
    last = &it->second;
    return last;
  }

  // Binds one value under its column's rule; an error when the value does not fit the column.
  std::optional<SessionError> bindValue(sqlite3_stmt* st, int i, const SqlValue& v,
                                        const ColumnRule& rule, const std::string& table) {
    using RK = ColumnRule::Kind;
    using VK = SqlValue::Kind;
    if (v.kind == VK::kNull) {
      sqlite3_bind_null(st, i);
      return std::nullopt;
    }
    auto bindText = [&](std::string_view t) {
      sqlite3_bind_text(st, i, t.data(), static_cast<int>(t.size()), SQLITE_STATIC);
    };
    // A number's text as an integer or a real; false when it is not a number.
    auto bindNumber = [&](std::string_view t) {
      t = trimView(t);
      const char* b = t.data();
      const char* e = b + t.size();
      if (b < e && *b == '+') ++b;
      if (b == e) return false;
      int64_t n = 0;
      auto r = std::from_chars(b, e, n);
      if (r.ec == std::errc() && r.ptr == e) {
        sqlite3_bind_int64(st, i, n);
        return true;
      }
      double d = 0;
      auto rd = std::from_chars(b, e, d);
      if (rd.ec == std::errc() && rd.ptr == e) {
        sqlite3_bind_double(st, i, d);
        return true;
      }
      return false;
    };
    switch (rule.kind) {
      case RK::kText: {
        size_t n = utf8Length(v.text);
        if (n > static_cast<size_t>(rule.max)) {
          return columnError(kErrValueTooLarge, "value too large for column " + table + ".\"" +
                                                    rule.name + "\" (actual: " +
                                                    std::to_string(n) + ", maximum: " +
                                                    std::to_string(rule.max) + ")");
        }
        bindText(v.text);
        return std::nullopt;
      }
      case RK::kNumber:
        if (v.kind == VK::kDate) {
          return columnError(932, "inconsistent datatypes: expected NUMBER got DATE (column \"" +
                                      rule.name + "\")");
        }
        if (!bindNumber(v.text)) {
          return columnError(kErrInvalidNumber, "invalid number (column \"" + rule.name +
                                                    "\": '" + std::string(v.text) + "')");
        }
        return std::nullopt;
      case RK::kDate:
        if (v.kind == VK::kNumber) {
          return columnError(932, "inconsistent datatypes: expected DATE got NUMBER (column \"" +
                                      rule.name + "\")");
        }
        if (v.kind == VK::kText) {
          // Text for a date column must be a date in ISO form (what TO_DATE gives).
          SessionError err;
          std::string_view t = v.text;
          std::optional<std::string> iso =
              oraToDate(t, t.size() > 10 ? "YYYY-MM-DD HH24:MI:SS" : "YYYY-MM-DD", &err);
          if (!iso) {
            err.message += " (column \"" + rule.name + "\": '" + std::string(t) + "')";
            return err;
          }
        }
        bindText(v.text);
        return std::nullopt;
      case RK::kAny:
        if (v.kind == VK::kNumber && bindNumber(v.text)) return std::nullopt;
        bindText(v.text);
        return std::nullopt;
    }
    return std::nullopt;
  }

  // The values of an INSERT whose values are expressions, computed by SQLite.
  std::optional<SessionError> evaluate(std::string_view valuesText) {
    std::string sql = "SELECT ";
    sql.append(valuesText);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st, nullptr) !=
        SQLITE_OK) {
      SessionError e = lastError();
      sqlite3_finalize(st);
      return e;
    }
    const int n = sqlite3_column_count(st);
    if (sqlite3_step(st) != SQLITE_ROW) {
      SessionError e = lastError();
      sqlite3_finalize(st);
      return e;
    }
    values.clear();
    evaluated.assign(static_cast<size_t>(n), std::string());
    for (int c = 0; c < n; ++c) {
      SqlValue v;
      const int type = sqlite3_column_type(st, c);
      if (type != SQLITE_NULL) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        evaluated[static_cast<size_t>(c)].assign(t, static_cast<size_t>(sqlite3_column_bytes(st, c)));
        v.kind = (type == SQLITE_INTEGER || type == SQLITE_FLOAT) ? SqlValue::Kind::kNumber
                                                                 : SqlValue::Kind::kText;
        v.text = evaluated[static_cast<size_t>(c)];
        if (v.kind == SqlValue::Kind::kText && v.text.empty()) v.kind = SqlValue::Kind::kNull;
      }
      values.push_back(v);
    }
    sqlite3_finalize(st);
    return std::nullopt;
  }

  // An INSERT ... VALUES: the prepared head, the values bound under the columns' rules; *taken
  // is false when the statement is not of that form and must go to SQLite as written.
  std::optional<SessionError> insert(std::string_view text, bool* taken) {
    *taken = false;
    InsertParts parts;
    if (!splitInsert(text, &parts)) return std::nullopt;
    *taken = true;
    SessionError verr;
    ValuesResult vr = parseValues(parts.values, &values, &scratch, &verr);
    if (vr == ValuesResult::kError) return fail(std::move(verr));
    std::optional<SessionError> err;
    PreparedHead* h = prepareHead(parts, &err);
    if (err) return fail(std::move(*err));
    if (h == nullptr) {
      *taken = false;
      return std::nullopt;
    }
    if (vr == ValuesResult::kNotLiteral) {
      if ((err = evaluate(parts.values))) return fail(std::move(*err));
    }
    const size_t want = h->rules.size();
    if (values.size() != want) {
      SessionError e;
      e.code = values.size() < want ? kErrNotEnoughValues : kErrTooManyValues;
      e.message = oraMessage(e.code, std::string(values.size() < want ? "not enough values"
                                                                      : "too many values") +
                                         " (" + std::to_string(values.size()) + " values for " +
                                         std::to_string(want) + " columns)");
      return fail(std::move(e));
    }
    if ((err = begin())) return fail(std::move(*err));
    for (size_t i = 0; i < want; ++i) {
      if ((err = bindValue(h->st, static_cast<int>(i + 1), values[i], h->rules[i], h->table))) {
        sqlite3_reset(h->st);
        return fail(std::move(*err));
      }
    }
    int rc = sqlite3_step(h->st);
    if (rc != SQLITE_DONE) {
      SessionError e = lastError();
      sqlite3_reset(h->st);
      return fail(std::move(e));
    }
    sqlite3_reset(h->st);
    return std::nullopt;
  }
};

SqliteSession::SqliteSession(std::string programFolder)
    : folder_(std::move(programFolder)), impl_(std::make_unique<Impl>()) {
  if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
}

SqliteSession::~SqliteSession() = default;

std::string SqliteSession::databasePath() const {
  std::string_view s = trimView(server());
  if (s.size() >= kPrefix.size() && equalsIgnoreCase(s.substr(0, kPrefix.size()), kPrefix)) {
    s.remove_prefix(kPrefix.size());
  }
  if (s.empty()) s = "tarvex.db";
  if (s == ":memory:") return std::string(s);
  std::filesystem::path p{std::string(s)};
  if (p.is_relative()) p = std::filesystem::path(folder_.empty() ? "./" : folder_) / p;
  return p.lexically_normal().string();
}

size_t SqliteSession::preparedHeads() const { return impl_->heads.size(); }

std::string SqliteSession::serverReadBack() const {
  return std::string(kPrefix) + databasePath();
}

std::optional<SessionError> SqliteSession::doConnect() {
  Impl& m = *impl_;
  m.close();
  const std::string user(trimView(username()));
  if (user.empty()) {
    SessionError e;
    e.code = kErrWrongPassword;
    e.message = oraMessage(kErrWrongPassword,
                           "invalid username/password; logon denied (no user name: it names the "
                           "schema of the database file)");
    return e;
  }
  m.path = databasePath();
  m.schema = user;
  if (sqlite3_open_v2(":memory:", &m.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    SessionError e = sqliteError(sqlite3_extended_errcode(m.db), sqlite3_errmsg(m.db));
    m.close();
    return e;
  }
  sqlite3_extended_result_codes(m.db, 1);
  sqlite3_create_function_v2(m.db, "TO_DATE", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                             toDateFunction, nullptr, nullptr, nullptr);
  std::string lit = "'";
  for (char c : m.path) {
    if (c == '\'') lit += '\'';
    lit += c;
  }
  lit += "'";
  const std::string schema = quotedName(user);
  std::optional<SessionError> e = m.exec("ATTACH DATABASE " + lit + " AS " + schema);
  if (!e) {
    // The attach is lazy: reading the schema opens the file for real.
    e = m.exec("SELECT count(*) FROM " + schema + ".sqlite_master");
  }
  if (e) {
    if (e->code == kErrBackend || e->code == kErrUnknownServer) {
      e->code = kErrUnknownServer;
      e->message = oraMessage(kErrUnknownServer,
                              "TNS:could not resolve the connect identifier specified (database "
                              "file " + m.path + ": " + sqlite3_errmsg(m.db) + ")");
    }
    m.close();
    return e;
  }
  if (m.path != ":memory:") {
    m.exec("PRAGMA " + schema + ".journal_mode = WAL");
    m.exec("PRAGMA " + schema + ".synchronous = NORMAL");
    m.exec("PRAGMA " + schema + ".cache_size = -65536");
    m.exec("PRAGMA " + schema + ".wal_autocheckpoint = 16384");
  }
  if ((e = m.exec(sqliteDictionaryViews(user)))) {
    m.close();
    return e;
  }
  return std::nullopt;
}

void SqliteSession::doDisconnect() {
  if (impl_->db != nullptr && impl_->inTransaction()) impl_->commit();
  impl_->close();
}

std::string SqliteSession::doServerVersion() {
  return std::string("SQLite ") + sqlite3_libversion();
}

std::optional<SessionError> SqliteSession::doExecute(const ScriptStatement& st) {
  Impl& m = *impl_;
  using K = ScriptStatement::Kind;
  switch (st.kind) {
    case K::kSetDefineOff:
    case K::kInclude:
      return std::nullopt;
    case K::kCommit:
      return m.commit();
    case K::kRollback:
      m.rollback();
      return std::nullopt;
    case K::kInsert: {
      bool taken = false;
      std::optional<SessionError> e = m.insert(st.text, &taken);
      if (taken) return e;
      if ((e = m.begin())) return m.fail(std::move(*e));
      if ((e = m.runText(st.text))) return m.fail(std::move(*e));
      return std::nullopt;
    }
    case K::kCreateTable: {
      if (std::optional<SessionError> e = m.commit()) return e;
      return m.runText(st.text);
    }
    case K::kTruncate: {
      if (std::optional<SessionError> e = m.commit()) return e;
      std::optional<std::string> sql = sqliteTruncate(st.text);
      return m.runText(sql ? *sql : st.text);
    }
    case K::kOther: {
      std::string sql = sqliteDictionary(st.text);
      size_t p = 0;
      while (p < sql.size() && (sql[p] == ' ' || sql[p] == '\t' || sql[p] == '\r' || sql[p] == '\n')) ++p;
      std::string_view first = std::string_view(sql).substr(p, 6);
      const bool dml = equalsIgnoreCase(first, "UPDATE") || equalsIgnoreCase(first, "DELETE");
      std::optional<SessionError> e = dml ? m.begin() : m.commit();
      if (e) return m.fail(std::move(*e));
      if ((e = m.runText(sql))) return m.fail(std::move(*e));
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::optional<SessionError> SqliteSession::doQuery(std::string_view sql,
                                                   const std::vector<QueryParam>& params,
                                                   QueryRows& out) {
  Impl& m = *impl_;
  const std::string text = sqliteDictionary(sql);
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(m.db, text.c_str(), static_cast<int>(text.size()), &st, nullptr) !=
      SQLITE_OK) {
    SessionError e = m.lastError();
    sqlite3_finalize(st);
    return e;
  }
  if (st == nullptr) return std::nullopt;
  const int n = sqlite3_bind_parameter_count(st);
  for (int i = 1; i <= n; ++i) {
    const char* raw = sqlite3_bind_parameter_name(st, i);
    std::string_view name = raw ? raw : "";
    if (!name.empty() && (name[0] == ':' || name[0] == '@' || name[0] == '$')) name.remove_prefix(1);
    const QueryParam* found = nullptr;
    for (const QueryParam& p : params) {
      if (equalsIgnoreCase(p.name, name)) found = &p;
    }
    if (found == nullptr) {
      SessionError e;
      e.code = 1008;
      e.message = oraMessage(1008, "not all variables bound (:" + std::string(name) + ")");
      sqlite3_finalize(st);  // owns the text of name
      return e;
    }
    sqlite3_bind_text(st, i, found->value.data(), static_cast<int>(found->value.size()),
                      SQLITE_TRANSIENT);
  }
  const int cols = sqlite3_column_count(st);
  for (int c = 0; c < cols; ++c) out.columns.push_back(toUpperAscii(sqlite3_column_name(st, c)));
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::vector<std::optional<std::string>> row;
    row.reserve(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c) {
      if (sqlite3_column_type(st, c) == SQLITE_NULL) {
        row.emplace_back(std::nullopt);
      } else {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        row.emplace_back(std::string(t, static_cast<size_t>(sqlite3_column_bytes(st, c))));
      }
    }
    out.rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) {
    SessionError e = m.lastError();
    sqlite3_finalize(st);
    return e;
  }
  sqlite3_finalize(st);
  return std::nullopt;
}

std::optional<SessionError> SqliteSession::doCommit() {
  if (impl_->db == nullptr) return std::nullopt;
  return impl_->commit();
}

std::optional<SessionError> SqliteSession::doRollback() {
  if (impl_->db != nullptr) impl_->rollback();
  return std::nullopt;
}

}  // namespace tarvex
