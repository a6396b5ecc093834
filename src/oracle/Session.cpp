#include "oracle/Session.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "oracle/Charset.h"
#include "oracle/ScriptParser.h"

namespace tarvex {

std::string oraMessage(int code, std::string_view message) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "ORA-%05d: ", code);
  std::string s(buf);
  s.append(message);
  return s;
}

std::string SessionError::text() const {
  if (line <= 0 && file.empty()) return message;
  std::string s;
  if (!file.empty()) {
    s = file;
    if (line > 0) s += ", ";
  }
  if (line > 0) s += "line " + std::to_string(line);
  s += ": ";
  s += message;
  return s;
}

// ---------------------------------------------------------------------------------------------
// Session

void Session::setConnectString(std::string_view text) {
  std::string_view left = text;
  size_t at = text.find('@');
  if (at != std::string_view::npos) {
    server_ = std::string(text.substr(at + 1));
    left = text.substr(0, at);
  } else {
    server_.clear();
  }
  size_t slash = left.find('/');
  if (slash != std::string_view::npos) {
    user_ = std::string(left.substr(0, slash));
    password_ = std::string(left.substr(slash + 1));
  } else {
    user_ = std::string(left);
    password_.clear();
  }
}

std::string Session::connectString() const {
  return user_ + "/" + password_ + "@" + serverReadBack();
}

DbStatus Session::raise(SessionError e) {
  bool fail = true;
  if (onError_) onError_(e, fail);
  if (!fail) return DbStatus::aborted(std::move(e));
  return DbStatus::failed(std::move(e));
}

DbStatus Session::connect() {
  if (connected_) return DbStatus::ok();
  activeCharset_ = charset_;
  if (activeCharset_.empty()) {
    const char* nls = std::getenv("NLS_LANG");
    if (nls != nullptr) activeCharset_ = charsetOfNlsLang(nls);
  }
  auto conv = std::make_shared<TextConverter>();
  Status cs = conv->open(activeCharset_);
  if (!cs.isOk()) {
    SessionError e;
    e.code = 12705;
    e.message = oraMessage(
        12705, "Cannot access NLS data files or invalid environment specified: " + cs.message());
    return raise(std::move(e));
  }
  conv_ = std::move(conv);
  if (std::optional<SessionError> e = doConnect()) return raise(std::move(*e));
  connected_ = true;
  return DbStatus::ok();
}

void Session::disconnect() {
  if (!connected_) return;
  doDisconnect();
  connected_ = false;
}

std::string Session::serverVersion() { return connected_ ? doServerVersion() : std::string(); }

bool Session::connectionLost(ConnectionLostCause cause) {
  bool retry = false;
  if (onLost_) onLost_(cause, retry);
  if (connected_) {
    doDisconnect();
    connected_ = false;
  }
  return retry;
}

std::optional<std::string> Session::toUtf8(std::string_view text, std::string& why) const {
  // ASCII text is the same in every client set this system knows (all are ASCII-based).
  if (isAscii(text)) return std::string(text);
  std::string out;
  size_t bad = 0;
  if (conv_ == nullptr) {
    why = "no client character set";
    return std::nullopt;
  }
  if (!conv_->convert(text, &out, &bad)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "byte 0x%02X at offset %zu",
                  static_cast<unsigned>(static_cast<unsigned char>(text[bad])), bad);
    why = buf;
    return std::nullopt;
  }
  return out;
}

namespace {
SessionError notConnected() {
  SessionError e;
  e.code = kErrNotConnected;
  e.message = oraMessage(kErrNotConnected, "not connected to the database");
  return e;
}
}  // namespace

DbStatus Session::execute(const ScriptStatement& st, std::string_view file) {
  auto located = [&](SessionError e) {
    e.file = std::string(file);
    if (e.line <= 0) e.line = st.line;
    return e;
  };
  if (!connected_) return raise(located(notConnected()));
  if (st.kind == ScriptStatement::Kind::kInclude) {
    return DbStatus::error("a script line @\"" + st.text + "\" runs only inside a script");
  }
  std::optional<SessionError> err;
  if (isAscii(st.text)) {
    err = doExecute(st);
  } else {
    std::string why;
    std::optional<std::string> utf8 = toUtf8(st.text, why);
    if (!utf8) {
      // The statement is not carried out; the open transaction goes, as for any failure.
      doRollback();
      SessionError e;
      e.code = kErrInvalidText;
      // The line of the offending byte inside the statement.
      size_t off = 0;
      int line = st.line;
      if (std::sscanf(why.c_str(), "byte 0x%*X at offset %zu", &off) == 1) {
        for (size_t i = 0; i < off && i < st.text.size(); ++i) line += st.text[i] == '\n';
      }
      e.line = line;
      e.message = oraMessage(kErrInvalidText,
                             "text not valid in the client character set " +
                                 (activeCharset_.empty() ? std::string("AL32UTF8")
                                                         : activeCharset_) +
                                 ": " + why);
      return raise(located(std::move(e)));
    }
    ScriptStatement converted{st.kind, std::move(*utf8), st.line};
    err = doExecute(converted);
  }
  if (err) return raise(located(std::move(*err)));
  return DbStatus::ok();
}

DbStatus Session::executeSql(std::string_view sql) {
  ScriptParser parser(sql);
  ScriptStatement st;
  if (!parser.next(&st)) return DbStatus::ok();
  return execute(st);
}

DbStatus Session::commit() {
  if (!connected_) return raise(notConnected());
  if (std::optional<SessionError> e = doCommit()) return raise(std::move(*e));
  return DbStatus::ok();
}

DbStatus Session::rollback() {
  if (!connected_) return raise(notConnected());
  if (std::optional<SessionError> e = doRollback()) return raise(std::move(*e));
  return DbStatus::ok();
}

DbStatus Session::query(std::string_view sql, const std::vector<QueryParam>& params,
                        QueryRows& out) {
  out = QueryRows();
  if (!connected_) return raise(notConnected());
  std::string why;
  std::optional<std::string> text = toUtf8(sql, why);
  std::vector<QueryParam> converted;
  bool ok = text.has_value();
  for (const QueryParam& p : params) {
    if (!ok) break;
    std::optional<std::string> v = toUtf8(p.value, why);
    if (!v) ok = false;
    else converted.push_back({p.name, std::move(*v)});
  }
  if (!ok) {
    SessionError e;
    e.code = kErrInvalidText;
    e.message = oraMessage(kErrInvalidText, "text not valid in the client character set " +
                                                activeCharset_ + ": " + why);
    return raise(std::move(e));
  }
  if (std::optional<SessionError> e = doQuery(*text, converted, out)) {
    out = QueryRows();
    return raise(std::move(*e));
  }
  return DbStatus::ok();
}

// ---------------------------------------------------------------------------------------------
// Query

void Query::setParam(std::string name, std::string value) {
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  for (QueryParam& p : params_) {
    if (equalsIgnoreCase(p.name, name)) {
      p.value = std::move(value);
      return;
    }
  }
  params_.push_back({std::move(name), std::move(value)});
}

DbStatus Query::open() {
  pos_ = 0;
  return session_.query(sql_, params_, rows_);
}

std::optional<std::string> Query::field(std::string_view column) const {
  if (eof()) return std::nullopt;
  for (size_t i = 0; i < rows_.columns.size(); ++i) {
    if (equalsIgnoreCase(rows_.columns[i], column)) return rows_.rows[pos_][i];
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Script

void Script::clear() {
  text_.clear();
  file_.clear();
}

void Script::add(std::string_view text) {
  if (!text_.empty() && text_.back() != '\n') text_ += "\r\n";
  text_.append(text);
}

DbStatus Script::loadFromFile(const std::string& path) {
  std::string data;
  Status s = readWholeFile(path, &data);
  if (!s.isOk()) return DbStatus::error(s.message());
  text_ = std::move(data);
  file_ = path;
  return DbStatus::ok();
}

DbStatus Script::execute() {
  done_ = 0;
  DbStatus s = run(text_, file_, 0);
  if (s.isOk() || s.kind() == DbStatus::Kind::kFailed) {
    // What the script left open is committed, as a client does when a script ends.
    if (session_.connected()) {
      DbStatus c = session_.commit();
      if (!c.isOk()) return c;
    }
  }
  return s;
}

DbStatus Script::run(std::string_view text, const std::string& file, int depth) {
  constexpr int kMaxDepth = 16;
  ScriptParser parser(text);
  ScriptStatement st;
  DbStatus last_failure;
  // After a failed statement the rest of its transaction is not run either, so that a batch
  // between two COMMITs is loaded whole or not at all (whatever the backend sends per trip).
  bool skipping = false;
  while (parser.next(&st)) {
    DbStatus s;
    if (skipping) {
      if (st.kind == ScriptStatement::Kind::kInsert || st.kind == ScriptStatement::Kind::kOther) {
        continue;
      }
      skipping = false;
    }
    if (st.kind == ScriptStatement::Kind::kInclude) {
      std::string path = st.text;
      if (!path.empty() && path[0] != '/' && !file.empty()) {
        path = std::string(directoryOf(file)) + path;
      }
      std::string data;
      Status r = depth + 1 > kMaxDepth
                     ? Status::invalidArgument("scripts nested deeper than " +
                                               std::to_string(kMaxDepth) + " levels")
                     : readWholeFile(path, &data);
      if (!r.isOk()) {
        // Not a database error: the script ends, as the abort of an unreadable file does.
        SessionError e;
        e.message = r.message();
        e.file = file;
        e.line = st.line;
        return DbStatus::error(e.text());
      }
      s = run(data, path, depth + 1);
      if (s.isOk()) continue;
      if (s.kind() != DbStatus::Kind::kFailed) return s;
      last_failure = s;  // reported inside the named script already
      continue;
    }
    s = session_.execute(st, file);
    if (s.isOk()) {
      ++done_;
      continue;
    }
    if (s.kind() != DbStatus::Kind::kFailed) return s;
    Action action = Action::kContinue;
    if (onError_) {
      onError_(s.err(), st, action);
    } else if (reporter_) {
      reporter_(s.err());
    } else {
      errors_.push_back(s.err());
    }
    if (action == Action::kAbort) return DbStatus::aborted(s.err());
    if (action == Action::kFail) return s;
    last_failure = s;
    // A failure that surfaced at a COMMIT (a backend that sends its batch there) has ended the
    // transaction already; after a failing INSERT the rest of its transaction is skipped.
    skipping = st.kind == ScriptStatement::Kind::kInsert || st.kind == ScriptStatement::Kind::kOther;
  }
  return last_failure;
}

}  // namespace tarvex
