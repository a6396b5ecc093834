// The database session of the system: one connection to the database that the import loads into,
// its queries with named parameters, and the script executor that carries out the table scripts,
// INSERT scripts and master scripts the system writes.
//
// The system writes Oracle-flavoured SQL text (VARCHAR2/NUMBER/DATE columns, TO_DATE, TRUNCATE
// TABLE, "SET DEFINE OFF;", "COMMIT;", the sys.ALL_ALL_TABLES existence query). Every backend
// (SQLite, PostgreSQL) takes that text as written and carries it out on its own engine; nothing
// outside a backend adapts the text.
//
// ---------------------------------------------------------------------------------------------
// Error coding
// ---------------------------------------------------------------------------------------------
// Every error of the database (connecting, a statement, a query) reaches the session's error
// handler as a SessionError {code, message}. The code is an Oracle error number; backends map
// their own errors onto it:
//
//   1017   wrong user name or password                     (kErrWrongPassword)
//   12154  unknown server, service or database             (kErrUnknownServer)
//   12560  server unreachable (host, port, network)        (kErrUnreachable)
//   3114   not connected                                   (kErrNotConnected)
//   3113   connection lost during the operation            (kErrConnectionLost)
//   900    statement the backend cannot parse              (kErrInvalidSql)
//   942    table or view does not exist                    (kErrNoSuchTable)
//   955    name already used by an existing object         (kErrNameUsed)
//   904    invalid identifier (unknown column)             (kErrInvalidIdentifier)
//   913/947 too many / not enough values                   (kErrTooManyValues/kErrNotEnoughValues)
//   12899  value too large for column (VARCHAR2(n))        (kErrValueTooLarge)
//   1722   invalid number                                  (kErrInvalidNumber)
//   1839   date not valid (a day that does not exist)      (kErrInvalidDate)
//   1861   literal does not match format string           (kErrDateFormat)
//   1      unique constraint violated                      (kErrUniqueViolated)
//   1400   cannot insert NULL                              (kErrCannotInsertNull)
//   20001  text not valid in the client character set      (kErrInvalidText)
//   20999  any other error of the backend                  (kErrBackend)
//
// The message of a mapped error starts with "ORA-" + the code in five digits + ": " and goes on
// with the backend's own message (e.g. "ORA-01017: invalid username/password: password
// authentication failed for user \"scott\""), so that the run's report finds "ORA-01017". An
// unmapped error carries kErrBackend and "ORA-20999: " + the backend's message (with the
// backend's own error code in it, e.g. "SQLite error 5: database is locked").
//
// A failure of a statement of a script is located: SessionError::file names the script file
// (empty for text that was added, not loaded), SessionError::line the line of the statement's
// first character; text() joins them into "file, line N: ORA-…".
//
// Transactions: the first changing statement (INSERT) opens a transaction; "COMMIT;" commits it;
// a CREATE TABLE or TRUNCATE TABLE commits what is open first (as Oracle's DDL does). When a
// statement fails, the backend rolls the open transaction back before the error is reported,
// and a script that goes on skips the statements after it up to the next COMMIT: rows committed
// before stay, nothing of the failing batch remains, on every backend alike. The end of Script::execute
// commits what is still open, as a client does when it ends a script.
//
// fail := false: the error handler gets `fail` = true; a handler that sets it to false turns the
// error into the silent abort: the operation returns DbStatus::aborted() carrying the error, and
// the caller looks at the state the handler recorded. A handler that leaves `fail` = true (or no
// handler) lets the operation return DbStatus::failed() with the error, for the caller to show.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvex {

class TextConverter;

inline constexpr int kErrUniqueViolated = 1;
inline constexpr int kErrInvalidSql = 900;
inline constexpr int kErrInvalidIdentifier = 904;
inline constexpr int kErrTooManyValues = 913;
inline constexpr int kErrNoSuchTable = 942;
inline constexpr int kErrNotEnoughValues = 947;
inline constexpr int kErrNameUsed = 955;
inline constexpr int kErrWrongPassword = 1017;
inline constexpr int kErrCannotInsertNull = 1400;
inline constexpr int kErrInvalidNumber = 1722;
inline constexpr int kErrInvalidDate = 1839;
inline constexpr int kErrDateFormat = 1861;
inline constexpr int kErrConnectionLost = 3113;
inline constexpr int kErrNotConnected = 3114;
inline constexpr int kErrUnknownServer = 12154;
inline constexpr int kErrUnreachable = 12560;
inline constexpr int kErrValueTooLarge = 12899;
inline constexpr int kErrInvalidText = 20001;
inline constexpr int kErrBackend = 20999;

// "ORA-" + code in five digits + ": " + message.
std::string oraMessage(int code, std::string_view message);

// One error of the database.
struct SessionError {
  int code = 0;          // Oracle error number (table above)
  std::string message;   // "ORA-nnnnn: " + the backend's message
  std::string file;      // script file of the failing statement, or empty
  int line = 0;          // line of the failing statement in its script (1-based), 0 outside one

  // message, preceded by "file, line N: " (or "line N: ") when the error is located.
  std::string text() const;
};

// Where the connection broke, as the connection-lost event tells it.
enum class ConnectionLostCause : int {
  kUnknown = 0,
  kExecute = 1,           // during SQL execution
  kOpen = 2,              // during query opening
  kRefresh = 3,           // during a refresh
  kApplyUpdates = 4,      // during DataSet.ApplyUpdates
  kServerInfo = 5,        // during service information request
  kStartTransaction = 6,  // during transaction start
  kConnectionApplyUpdates = 7,
  kConnecting = 8,        // during connection establishing
};

// Outcome of a session or script operation.
class DbStatus {
 public:
  enum class Kind {
    kOk,
    kFailed,   // a database error the error handler let through (fail stayed true)
    kAborted,  // the silent abort: the error handler set fail := false
    kError,    // not a database error: a script file that cannot be read, a bad argument
  };

  DbStatus() = default;
  static DbStatus ok() { return DbStatus(); }
  static DbStatus failed(SessionError e) { return DbStatus(Kind::kFailed, std::move(e)); }
  static DbStatus aborted(SessionError e) { return DbStatus(Kind::kAborted, std::move(e)); }
  static DbStatus error(std::string message) {
    SessionError e;
    e.message = std::move(message);
    return DbStatus(Kind::kError, std::move(e));
  }

  bool isOk() const { return kind_ == Kind::kOk; }
  bool isAborted() const { return kind_ == Kind::kAborted; }
  Kind kind() const { return kind_; }
  // The error (code 0 for kError and kOk).
  const SessionError& err() const { return error_; }
  // err().text(); empty when ok.
  std::string message() const { return isOk() ? std::string() : error_.text(); }

 private:
  DbStatus(Kind k, SessionError e) : kind_(k), error_(std::move(e)) {}
  Kind kind_ = Kind::kOk;
  SessionError error_;
};

// The session's error event: every database error, fail = true on entry.
using ErrorHandler = std::function<void(const SessionError& error, bool& fail)>;
// The connection-lost event: retry = false on entry; a backend may honour retry = true by
// reconnecting once.
using ConnectionLostHandler = std::function<void(ConnectionLostCause cause, bool& retry)>;

// A named parameter of a query (":own" in the text, name "own"; names match without regard to
// letter case). Values are text.
struct QueryParam {
  std::string name;
  std::string value;
};

// Rows of a query, every value as text (nullopt = NULL).
struct QueryRows {
  std::vector<std::string> columns;  // upper case, as Oracle names unquoted columns
  std::vector<std::vector<std::optional<std::string>>> rows;
  bool eof() const { return rows.empty(); }  // true: no row
};

// One statement of a script as the script parser cuts it out (ScriptParser.h).
struct ScriptStatement {
  enum class Kind {
    kSetDefineOff,  // "SET DEFINE OFF" (and any other SET of the client): nothing to do
    kCommit,        // "COMMIT"
    kRollback,      // "ROLLBACK"
    kInsert,        // "Insert into owner.T (cols) Values (values)"
    kCreateTable,   // "CREATE TABLE owner.T (...)"
    kTruncate,      // "TRUNCATE TABLE T"
    kInclude,       // @"path" of a master script: run the named script
    kOther,         // any other statement, passed to the backend's adapter
  };
  Kind kind = Kind::kOther;
  std::string text;  // the statement without its terminating ";" (for kInclude: the path)
  int line = 0;      // line of its first character in the script (1-based)
};

// The session. Backends derive from it and implement the protected hooks; everything public is
// common to all backends.
//
// The connect string is user + "/" + password + "@" + server and is taken apart into its three
// parts; connectString() joins them again. The backend names itself in the server part it reads
// back (SQLite: "sqlite:" + database file path; PostgreSQL: a "postgresql://" URI or, in Direct
// mode, host:port:sid), so that the text alone says where to connect (the loader gets it).
class Session {
 public:
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  virtual ~Session() = default;

  // The database client of this backend, as listed in the clients of this build ("SQLite",
  // "PostgreSQL").
  virtual std::string_view clientName() const = 0;

  // Direct mode (true): TCP to host:port:sid without a client configuration; Client mode
  // (false): through the client named by homeName().
  void setDirect(bool direct) { direct_ = direct; }
  bool direct() const { return direct_; }
  void setHomeName(std::string home) { home_ = std::move(home); }
  const std::string& homeName() const { return home_; }

  // Takes "user/password@server" apart: the server is everything after the first "@" (so a
  // server text may hold "@", as a URI can; passwords of the system never do), the user is what
  // stands before the first "/" ahead of it and the password the rest. A text without "/" is a
  // user without password; without "@" it names no server.
  void setConnectString(std::string_view text);
  // user + "/" + password + "@" + server as read back from the backend (serverReadBack()).
  std::string connectString() const;
  void setUsername(std::string u) { user_ = std::move(u); }
  void setPassword(std::string p) { password_ = std::move(p); }
  void setServer(std::string s) { server_ = std::move(s); }
  const std::string& username() const { return user_; }
  const std::string& password() const { return password_; }
  const std::string& server() const { return server_; }
  // No login dialog exists in this system; kept so that callers can state it.
  void setConnectPrompt(bool prompt) { prompt_ = prompt; }
  bool connectPrompt() const { return prompt_; }

  // The client character set: an Oracle character-set name (RU8PC866, CL8MSWIN1251,
  // WE8MSWIN1252, WE8PC850, US8PC437, AL32UTF8, UTF8, ...). Text of statements and query values
  // is converted from it to the database's UTF-8. When none is set, connect() takes it from the
  // part after the dot of the NLS_LANG environment variable, as an Oracle client does; with no
  // NLS_LANG either, text must be UTF-8.
  void setClientCharset(std::string name) { charset_ = std::move(name); }
  const std::string& clientCharset() const { return charset_; }

  // Connect / disconnect. Failures go through the error handler.
  DbStatus connect();
  void disconnect();
  DbStatus setConnected(bool on) {
    if (on) return connect();
    disconnect();
    return DbStatus::ok();
  }
  bool connected() const { return connected_; }

  // The server's version text; empty when not connected.
  std::string serverVersion();

  void setOnError(ErrorHandler h) { onError_ = std::move(h); }
  const ErrorHandler& onError() const { return onError_; }
  void setOnConnectionLost(ConnectionLostHandler h) { onLost_ = std::move(h); }

  // A query with named parameters; rows come back in `out` (cleared first).
  DbStatus query(std::string_view sql, const std::vector<QueryParam>& params, QueryRows& out);

  // One statement of a script; `file` names its script for error messages.
  DbStatus execute(const ScriptStatement& st, std::string_view file = {});
  // One statement given as text (cut by the script parser; a trailing ";" is allowed).
  DbStatus executeSql(std::string_view sql);
  DbStatus commit();
  DbStatus rollback();

  // Reports an error through the error handler and returns the outcome it chose. Used by the
  // session, the script executor and backends.
  DbStatus raise(SessionError e);

 protected:
  // ---- hooks of a backend. A hook returns nullopt on success, else the mapped error. ----
  // Connects with username(), password(), server(), direct(), homeName().
  virtual std::optional<SessionError> doConnect() = 0;
  virtual void doDisconnect() = 0;
  virtual std::string doServerVersion() = 0;
  // The server part of the connect string as read back ("sqlite:/abs/path.db", ...).
  virtual std::string serverReadBack() const { return server_; }
  // One statement, text already in UTF-8. On failure the backend has rolled back the open
  // transaction. kInclude never reaches a backend.
  virtual std::optional<SessionError> doExecute(const ScriptStatement& st) = 0;
  virtual std::optional<SessionError> doQuery(std::string_view sql,
                                              const std::vector<QueryParam>& params,
                                              QueryRows& out) = 0;
  virtual std::optional<SessionError> doCommit() = 0;
  virtual std::optional<SessionError> doRollback() = 0;

  // A backend that finds its connection broken calls this: the connection-lost event runs, the
  // session counts as disconnected. Returns the handler's retry choice.
  bool connectionLost(ConnectionLostCause cause);

 private:
  // Text of a statement or value in UTF-8; nullopt when it is not valid in the client set.
  std::optional<std::string> toUtf8(std::string_view text, std::string& why) const;

  bool direct_ = false;
  bool prompt_ = false;
  bool connected_ = false;
  std::string home_, user_, password_, server_, charset_;
  std::string activeCharset_;  // the set in force since connect()
  std::shared_ptr<TextConverter> conv_;  // from activeCharset_ into UTF-8
  ErrorHandler onError_;
  ConnectionLostHandler onLost_;
};

// A query object: SQL text, named parameters, open, end test, close.
class Query {
 public:
  explicit Query(Session& s) : session_(s) {}
  void setSql(std::string sql) { sql_ = std::move(sql); }
  // Sets a parameter (":name" in the text) to a text value.
  void setParam(std::string name, std::string value);
  DbStatus open();
  bool eof() const { return pos_ >= rows_.rows.size(); }
  void next() { ++pos_; }
  // Value of a column of the current row by name (any letter case); nullopt for NULL or unknown.
  std::optional<std::string> field(std::string_view column) const;
  void close() {
    rows_ = QueryRows();
    pos_ = 0;
  }

 private:
  Session& session_;
  std::string sql_;
  std::vector<QueryParam> params_;
  QueryRows rows_;
  size_t pos_ = 0;
};

// The script executor: SQL text cleared, added to, loaded from a file and executed statement by
// statement. A master script's line @"path" runs the named script (a relative path is taken
// against the folder of the script naming it).
//
// Error handling: a statement that fails goes first through the session's error handler. When
// that handler chose the silent abort, execute() stops and returns the abort. Otherwise the
// script's own error handler decides; its default reports the error (the reporter, by default
// kept in errors()) and goes on with the next statement.
class Script {
 public:
  enum class Action { kContinue, kAbort, kFail };
  // statement: the failing one; action: kContinue on entry.
  using ErrorHandler =
      std::function<void(const SessionError& error, const ScriptStatement& statement,
                         Action& action)>;
  using Reporter = std::function<void(const SessionError& error)>;

  explicit Script(Session& s) : session_(s) {}

  void clear();
  // Appends text (one or more lines) to the SQL text.
  void add(std::string_view text);
  // Replaces the SQL text by the file's bytes; the file then names errors. Fails (kError) when
  // the file cannot be read.
  DbStatus loadFromFile(const std::string& path);
  const std::string& sql() const { return text_; }

  // Runs the statements one after another; commits what is left open at the end.
  DbStatus execute();

  void setOnError(ErrorHandler h) { onError_ = std::move(h); }
  // Where the default error handling shows an error (the platform's error box).
  void setReporter(Reporter r) { reporter_ = std::move(r); }
  // Errors shown by the default handling when no reporter is set.
  const std::vector<SessionError>& errors() const { return errors_; }
  // Statements executed without error by the last execute(), included scripts counted.
  int64_t statementsDone() const { return done_; }

 private:
  DbStatus run(std::string_view text, const std::string& file, int depth);

  Session& session_;
  std::string text_;
  std::string file_;
  ErrorHandler onError_;
  Reporter reporter_;
  std::vector<SessionError> errors_;
  int64_t done_ = 0;
};

}  // namespace tarvex
