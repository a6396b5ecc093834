#include "oracle/PostgresSession.h"

#include <libpq-fe.h>
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "common/TextUtil.h"
#include "oracle/InsertStatement.h"
#include "oracle/PgAddress.h"
#include "oracle/PgDialect.h"
#include "oracle/PgErrors.h"

namespace tarvex {
namespace {

constexpr size_t kRowsPerStatement = 100;  // rows of one multi-row INSERT
constexpr size_t kMaxParams = 65535;       // parameters of one statement (protocol limit)
constexpr size_t kQueueBytes = 32u << 20;  // value bytes a queue holds before it is sent
constexpr int kConnectTimeoutMs = 15000;

void ignoreNotice(void*, const char*) {}

SessionError resultError(const PGresult* r, PGconn* c) {
  const char* state = r != nullptr ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
  const char* primary = r != nullptr ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  std::string text = primary != nullptr ? primary : PQerrorMessage(c);
  return pgServerError(state != nullptr ? state : "", text);
}

SessionError simpleError(int code, std::string_view text) {
  SessionError e;
  e.code = code;
  e.message = oraMessage(code, text);
  return e;
}

}  // namespace

struct PostgresSession::Impl {
  // The head of an INSERT ("Insert into owner.T (cols) Values") and its prepared statements.
  struct Head {
    std::string target;   // "owner.T" as written
    std::string columns;  // the column list as written
    size_t ncols = 0;
    std::unordered_map<size_t, std::string> prepared;  // rows per statement -> statement name
  };
  // One queued statement of the transaction: an INSERT row (its head, and values
  // vals[first .. first + ncols)), a statement text (head kTextRow, texts[first]) or a
  // statement found wrong before sending (head kErrorRow, errors[first]).
  struct Row {
    uint32_t head;
    int line;
    uint32_t first;
  };
  static constexpr uint32_t kTextRow = UINT32_MAX;
  static constexpr uint32_t kErrorRow = UINT32_MAX - 1;
  // A value in the arena (NUL-terminated there); off = kNull for NULL.
  static constexpr uint32_t kNull = UINT32_MAX;
  // Consecutive queued rows of one head sent as statements of `per` rows each.
  struct Chunk {
    uint32_t head;
    size_t first;  // first queued row
    size_t n;      // rows
  };
  struct PipeOutcome {
    bool lost = false;
    bool failed = false;
    size_t failed_chunk = SIZE_MAX;  // chunk of the error, SIZE_MAX for BEGIN or COMMIT
    SessionError err;
  };

  explicit Impl(PostgresSession& s) : self(s) {}
  ~Impl() { close(); }

  PostgresSession& self;
  PGconn* conn = nullptr;
  bool in_txn = false;
  std::vector<Head> heads;
  std::unordered_map<std::string, uint32_t> head_ids;
  std::string last_head_text;
  uint32_t last_head = 0;
  size_t next_name = 0;
  std::vector<Row> rows;
  std::vector<uint32_t> vals;
  std::string arena;
  std::vector<std::string> texts;
  std::vector<SessionError> errors;
  size_t first_error_row = SIZE_MAX;
  std::vector<SqlValue> values;
  std::string scratch;
  std::vector<const char*> params;

  void close() {
    if (conn != nullptr) PQfinish(conn);
    conn = nullptr;
    in_txn = false;
    heads.clear();
    head_ids.clear();
    last_head_text.clear();
    dropQueue();
  }

  void dropQueue() {
    rows.clear();
    vals.clear();
    arena.clear();
    texts.clear();
    errors.clear();
    first_error_row = SIZE_MAX;
  }

  bool broken() const { return conn == nullptr || PQstatus(conn) == CONNECTION_BAD; }

  // The connection broke: the connection-lost event runs and the session is disconnected.
  SessionError lost(ConnectionLostCause cause) {
    SessionError e = simpleError(
        kErrConnectionLost,
        "end-of-file on communication channel: " +
            std::string(conn != nullptr ? trimView(PQerrorMessage(conn)) : std::string_view()));
    dropQueue();
    in_txn = false;
    self.connectionLost(cause);  // calls doDisconnect, which closes
    close();
    return e;
  }

  // A command without rows outside the pipeline (BEGIN, COMMIT, ROLLBACK, set-up).
  std::optional<SessionError> command(const char* sql) {
    PGresult* r = PQexec(conn, sql);
    const ExecStatusType st = PQresultStatus(r);
    std::optional<SessionError> e;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
      e = broken() ? lost(ConnectionLostCause::kExecute) : resultError(r, conn);
    }
    PQclear(r);
    return e;
  }

  void rollback() {
    if (in_txn && !broken()) {
      PGresult* r = PQexec(conn, "ROLLBACK");
      PQclear(r);
    }
    in_txn = false;
  }

  std::optional<SessionError> begin() {
    if (in_txn) return std::nullopt;
    if (auto e = command("BEGIN")) return e;
    in_txn = true;
    return std::nullopt;
  }

  std::optional<SessionError> commitOpen() {
    if (!in_txn) return std::nullopt;
    in_txn = false;
    if (auto e = command("COMMIT")) {
      if (!broken()) command("ROLLBACK");
      return e;
    }
    return std::nullopt;
  }

  // ---- the INSERT queue ----

  size_t rowsPerStatement(const Head& h) const {
    return std::max<size_t>(1, std::min(kRowsPerStatement, kMaxParams / h.ncols));
  }

  std::string insertSql(const Head& h, size_t n) const {
    std::string sql = "INSERT INTO " + h.target + " (" + h.columns + ") VALUES ";
    size_t k = 1;
    for (size_t r = 0; r < n; ++r) {
      sql += r == 0 ? "(" : ",(";
      for (size_t c = 0; c < h.ncols; ++c, ++k) {
        if (c > 0) sql += ',';
        sql += '$';
        sql += std::to_string(k);
      }
      sql += ')';
    }
    return sql;
  }

  // Sends BEGIN (when asked), the chunks and COMMIT (when asked) in one pipeline and reads the
  // answers. The first error is in the outcome; what follows it is skipped by the server.
  PipeOutcome pipeline(const std::vector<Chunk>& chunks, bool send_begin, bool send_commit) {
    enum class Kind { kBegin, kPrepare, kExec, kCommit };
    struct Item {
      Kind kind;
      size_t chunk;
    };
    std::vector<Item> items;
    std::vector<std::pair<uint32_t, size_t>> new_statements;  // prepared in this pipeline
    PipeOutcome out;
    if (PQenterPipelineMode(conn) == 0) {
      out.lost = broken();
      out.failed = true;
      out.err = simpleError(kErrBackend, trimView(PQerrorMessage(conn)));
      return out;
    }
    bool sent = true;
    if (send_begin) {
      sent = PQsendQueryParams(conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
      items.push_back({Kind::kBegin, SIZE_MAX});
    }
    for (size_t ci = 0; sent && ci < chunks.size(); ++ci) {
      const Chunk& ch = chunks[ci];
      if (ch.head == kTextRow) {
        sent = PQsendQueryParams(conn, texts[rows[ch.first].first].c_str(), 0, nullptr, nullptr,
                                 nullptr, nullptr, 0) != 0;
        items.push_back({Kind::kExec, ci});
        continue;
      }
      Head& h = heads[ch.head];
      auto it = h.prepared.find(ch.n);
      if (it == h.prepared.end()) {
        std::string name = "tvx_" + std::to_string(++next_name);
        const std::string sql = insertSql(h, ch.n);
        sent = PQsendPrepare(conn, name.c_str(), sql.c_str(), 0, nullptr) != 0;
        items.push_back({Kind::kPrepare, ci});
        it = h.prepared.emplace(ch.n, std::move(name)).first;
        new_statements.emplace_back(ch.head, ch.n);
      }
      params.clear();
      for (size_t r = ch.first; r < ch.first + ch.n; ++r) {
        const uint32_t first = rows[r].first;
        for (size_t c = 0; c < h.ncols; ++c) {
          const uint32_t off = vals[first + c];
          params.push_back(off == kNull ? nullptr : arena.data() + off);
        }
      }
      sent = sent && PQsendQueryPrepared(conn, it->second.c_str(), static_cast<int>(params.size()),
                                         params.data(), nullptr, nullptr, 0) != 0;
      items.push_back({Kind::kExec, ci});
    }
    if (sent && send_commit) {
      sent = PQsendQueryParams(conn, "COMMIT", 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
      items.push_back({Kind::kCommit, SIZE_MAX});
    }
    sent = sent && PQpipelineSync(conn) != 0;
    if (!sent) {
      out.lost = true;
      out.failed = true;
      return out;
    }
    for (const Item& item : items) {
      PGresult* r = PQgetResult(conn);
      if (r == nullptr) {
        out.lost = true;
        out.failed = true;
        return out;
      }
      const ExecStatusType st = PQresultStatus(r);
      if (st == PGRES_FATAL_ERROR && !out.failed) {
        out.failed = true;
        out.failed_chunk = item.chunk;
        out.err = resultError(r, conn);
      }
      PQclear(r);
      // Each answer ends with a null result.
      while ((r = PQgetResult(conn)) != nullptr) PQclear(r);
    }
    PGresult* r = PQgetResult(conn);
    const bool synced = r != nullptr && PQresultStatus(r) == PGRES_PIPELINE_SYNC;
    PQclear(r);
    if (!synced || PQexitPipelineMode(conn) == 0) {
      out.lost = true;
      out.failed = true;
      return out;
    }
    if (out.failed) {
      // Statements prepared behind (or by) the failure were not made.
      for (const auto& [head, n] : new_statements) heads[head].prepared.erase(n);
    }
    return out;
  }

  // The queued rows cut into chunks of statements of at most rowsPerStatement rows (or of one
  // row each when single).
  std::vector<Chunk> chunksOf(size_t from, size_t to, bool single) const {
    std::vector<Chunk> chunks;
    size_t i = from;
    while (i < to) {
      const uint32_t h = rows[i].head;
      const size_t max = single || h == kTextRow ? 1 : rowsPerStatement(heads[h]);
      size_t j = i;
      while (j < to && rows[j].head == h && j - i < max) ++j;
      chunks.push_back({h, i, j - i});
      i = j;
    }
    return chunks;
  }

  // Sends the queue; with commit, the transaction ends with it.
  std::optional<SessionError> flush(bool commit) {
    if (rows.empty()) {
      if (commit) return commitOpen();
      return std::nullopt;
    }
    // The statements before one found wrong are sent all the same: the server may find an
    // earlier error.
    const size_t send = std::min(first_error_row, rows.size());
    const bool wrong = send < rows.size();
    const std::vector<Chunk> chunks = chunksOf(0, send, false);
    PipeOutcome out;
    if (!chunks.empty()) {
      out = pipeline(chunks, !in_txn, commit && !wrong);
      if (out.lost) return lost(ConnectionLostCause::kExecute);
    }
    if (!out.failed && !wrong) {
      in_txn = !commit;
      dropQueue();
      return std::nullopt;
    }
    if (!out.failed) {
      // The statement found wrong ends its transaction.
      in_txn = true;
      rollback();
      SessionError e = errors[rows[send].first];
      e.line = rows[send].line;
      dropQueue();
      return e;
    }
    // The transaction is spoilt: roll it back, then find the row.
    in_txn = true;
    rollback();
    int line = rows.back().line;
    if (out.failed_chunk != SIZE_MAX) {
      const Chunk& bad = chunks[out.failed_chunk];
      line = rows[bad.first].line;
      if (bad.n > 1) {
        std::vector<Chunk> replay(chunks.begin(),
                                  chunks.begin() + static_cast<std::ptrdiff_t>(out.failed_chunk));
        const std::vector<Chunk> singles = chunksOf(bad.first, bad.first + bad.n, true);
        replay.insert(replay.end(), singles.begin(), singles.end());
        PipeOutcome again = pipeline(replay, true, false);
        if (again.lost) return lost(ConnectionLostCause::kExecute);
        in_txn = true;
        rollback();
        if (again.failed && again.failed_chunk != SIZE_MAX &&
            again.failed_chunk >= out.failed_chunk) {
          line = rows[replay[again.failed_chunk].first].line;
          out.err = again.err;
        }
      }
    }
    dropQueue();
    out.err.line = line;
    return out.err;
  }

  // The head of an INSERT, registered on first sight.
  std::optional<uint32_t> headOf(const InsertParts& parts) {
    if (!last_head_text.empty() && parts.head == last_head_text) return last_head;
    std::string key(parts.head);
    auto it = head_ids.find(key);
    if (it == head_ids.end()) {
      const std::vector<std::string> cols = splitColumns(parts.columns);
      if (cols.empty()) return std::nullopt;
      Head h;
      h.target = std::string(parts.target);
      h.columns = std::string(parts.columns);
      h.ncols = cols.size();
      heads.push_back(std::move(h));
      it = head_ids.emplace(std::move(key), static_cast<uint32_t>(heads.size() - 1)).first;
    }
    last_head_text = it->first;
    last_head = it->second;
    return last_head;
  }

  // A statement found wrong before sending, queued: it fails when its turn comes.
  void queueError(SessionError e, int line) {
    if (first_error_row == SIZE_MAX) first_error_row = rows.size();
    rows.push_back({kErrorRow, line, static_cast<uint32_t>(errors.size())});
    errors.push_back(std::move(e));
  }

  // A statement text, sent in its turn inside the transaction.
  std::optional<SessionError> queueText(std::string sql, int line) {
    rows.push_back({kTextRow, line, static_cast<uint32_t>(texts.size())});
    texts.push_back(std::move(sql));
    if (rows.size() >= kQueueRows || texts.size() >= kQueueRows) return flush(false);
    return std::nullopt;
  }

  // An INSERT of literal values into the queue; *taken false sends it the general way.
  std::optional<SessionError> queueInsert(const ScriptStatement& st, bool* taken) {
    *taken = false;
    InsertParts parts;
    if (!splitInsert(st.text, &parts)) return std::nullopt;
    SessionError verr;
    const ValuesResult vr = parseValues(parts.values, &values, &scratch, &verr);
    if (vr == ValuesResult::kNotLiteral) return std::nullopt;
    *taken = true;
    if (vr == ValuesResult::kError) {
      queueError(std::move(verr), st.line);
      return std::nullopt;
    }
    const std::optional<uint32_t> head = headOf(parts);
    if (!head) {
      *taken = false;
      return std::nullopt;
    }
    const Head& h = heads[*head];
    if (values.size() != h.ncols) {
      queueError(values.size() > h.ncols
                     ? simpleError(kErrTooManyValues, "too many values")
                     : simpleError(kErrNotEnoughValues, "not enough values"),
                 st.line);
      return std::nullopt;
    }
    rows.push_back({*head, st.line, static_cast<uint32_t>(vals.size())});
    for (const SqlValue& v : values) {
      if (v.kind == SqlValue::Kind::kNull) {
        vals.push_back(kNull);
        continue;
      }
      vals.push_back(static_cast<uint32_t>(arena.size()));
      arena.append(v.text);
      arena.push_back('\0');
    }
    if (rows.size() >= kQueueRows || arena.size() >= kQueueBytes) return flush(false);
    return std::nullopt;
  }

  // An error of the queue met at another statement, which was therefore not carried out.
  static SessionError notCarriedOut(SessionError e, int line) {
    if (line > 0 && line != e.line) {
      e.message += " (the statement at line " + std::to_string(line) + " was not carried out)";
    }
    return e;
  }

  // A statement as PostgreSQL takes it, its rows (if any) dropped. In a transaction when dml.
  std::optional<SessionError> run(const std::string& sql, bool dml) {
    if (dml) {
      if (auto e = begin()) return e;
    }
    PGresult* r = PQexecParams(conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
    const ExecStatusType st = PQresultStatus(r);
    std::optional<SessionError> e;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK && st != PGRES_EMPTY_QUERY) {
      if (broken()) {
        PQclear(r);
        return lost(ConnectionLostCause::kExecute);
      }
      e = resultError(r, conn);
      rollback();
    }
    PQclear(r);
    return e;
  }

  // Prepared statements go after a definition changed tables.
  void forgetPrepared() {
    bool any = false;
    for (Head& h : heads) {
      any = any || !h.prepared.empty();
      h.prepared.clear();
    }
    if (any) command("DEALLOCATE ALL");
  }
};

PostgresSession::PostgresSession() : impl_(std::make_unique<Impl>(*this)) {}
PostgresSession::~PostgresSession() = default;

size_t PostgresSession::preparedStatements() const {
  size_t n = 0;
  for (const auto& h : impl_->heads) n += h.prepared.size();
  return n;
}

std::string PostgresSession::serverReadBack() const {
  PgAddress a;
  if (!parsePgServer(server(), direct(), &a).isOk()) return server();
  return pgServerUri(a);
}

std::optional<SessionError> PostgresSession::doConnect() {
  Impl& m = *impl_;
  m.close();
  PgAddress address;
  const Status parsed = parsePgServer(server(), direct(), &address);
  if (!parsed.isOk()) {
    return simpleError(kErrUnknownServer,
                       "TNS:could not resolve the connect identifier specified (" +
                           parsed.message() + ")");
  }
  const PgConnectParams p = pgConnectParams(address, pgRoleName(username()), password());
  std::vector<const char*> keys;
  std::vector<const char*> vals;
  for (const auto& [k, v] : p.keywords) {
    keys.push_back(k.c_str());
    vals.push_back(v.c_str());
  }
  keys.push_back(nullptr);
  vals.push_back(nullptr);
  m.conn = PQconnectStartParams(keys.data(), vals.data(), p.expand_dbname ? 1 : 0);
  if (m.conn == nullptr) return simpleError(kErrUnreachable, "out of memory");
  PQsetErrorVerbosity(m.conn, PQERRORS_VERBOSE);
  PQsetNoticeProcessor(m.conn, ignoreNotice, nullptr);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
  PostgresPollingStatusType st =
      PQstatus(m.conn) == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
  while (st != PGRES_POLLING_OK && st != PGRES_POLLING_FAILED) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd fd{PQsocket(m.conn), static_cast<short>(st == PGRES_POLLING_READING ? POLLIN : POLLOUT),
              0};
    if (left.count() <= 0 || fd.fd < 0 || poll(&fd, 1, static_cast<int>(left.count())) == 0) {
      m.close();
      return simpleError(kErrUnreachable,
                         "TNS:protocol adapter error (no answer from the server within " +
                             std::to_string(kConnectTimeoutMs / 1000) + " s)");
    }
    st = PQconnectPoll(m.conn);
  }
  if (st == PGRES_POLLING_FAILED) {
    SessionError e = pgConnectError(PQerrorMessage(m.conn));
    m.close();
    return e;
  }
  PQsetErrorVerbosity(m.conn, PQERRORS_DEFAULT);
  const std::string setup =
      "SET datestyle TO ISO, YMD; SET standard_conforming_strings TO on; "
      "SET client_min_messages TO warning; " +
      std::string(pgDictionaryViews());
  if (std::optional<SessionError> e = m.command(setup.c_str())) {
    m.close();
    return e;
  }
  return std::nullopt;
}

void PostgresSession::doDisconnect() {
  Impl& m = *impl_;
  if (!m.broken()) m.flush(true);  // a client ending its session commits, as Oracle's does
  m.close();
}

std::string PostgresSession::doServerVersion() {
  if (impl_->conn == nullptr) return {};
  const char* v = PQparameterStatus(impl_->conn, "server_version");
  return std::string("PostgreSQL ") + (v != nullptr ? v : "");
}

std::optional<SessionError> PostgresSession::doExecute(const ScriptStatement& st) {
  Impl& m = *impl_;
  if (m.conn == nullptr) return simpleError(kErrNotConnected, "not connected to the database");
  using K = ScriptStatement::Kind;
  switch (st.kind) {
    case K::kSetDefineOff:
    case K::kInclude:
      return std::nullopt;
    case K::kCommit:
      return m.flush(true);
    case K::kRollback:
      // What the rollback undoes need not be sent.
      m.dropQueue();
      m.rollback();
      return std::nullopt;
    case K::kInsert: {
      bool taken = false;
      std::optional<SessionError> e = m.queueInsert(st, &taken);
      if (taken) return e;
      break;  // the general way
    }
    case K::kCreateTable:
    case K::kTruncate:
    case K::kOther:
      break;
  }
  PgText text;
  std::optional<SessionError> wrong = pgRewrite(st.text, &text);
  const bool dml = st.kind == K::kInsert || (st.kind == K::kOther && pgIsDml(st.text));
  if (dml) {
    // In its turn inside the transaction, as the queued rows.
    if (wrong) {
      m.queueError(std::move(*wrong), st.line);
      return std::nullopt;
    }
    return m.queueText(std::move(text.sql), st.line);
  }
  if (wrong) {
    if (auto f = m.flush(true)) return Impl::notCarriedOut(std::move(*f), st.line);
    return wrong;
  }
  // A definition commits what is open first, as Oracle's do.
  if (auto e = m.flush(true)) return Impl::notCarriedOut(std::move(*e), st.line);
  if (st.kind == K::kCreateTable) {
    if (std::optional<std::string> owner = pgCreateTableOwner(st.text)) {
      // Made only when missing: CREATE SCHEMA needs a right that using one does not.
      const std::string check = "SELECT 1 FROM pg_catalog.pg_namespace WHERE nspname = "
                                "(parse_ident($1))[1]";
      const char* v[1] = {owner->c_str()};
      PGresult* r = PQexecParams(m.conn, check.c_str(), 1, nullptr, v, nullptr, nullptr, 0);
      const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK;
      const bool missing = ok && PQntuples(r) == 0;
      PQclear(r);
      if (missing) {
        if (auto e = m.run("CREATE SCHEMA IF NOT EXISTS " + *owner, false)) return e;
      }
    }
  }
  std::optional<SessionError> e = m.run(text.sql, false);
  if (!e && st.kind == K::kOther) m.forgetPrepared();
  return e;
}

std::optional<SessionError> PostgresSession::doQuery(std::string_view sql,
                                                     const std::vector<QueryParam>& params,
                                                     QueryRows& out) {
  Impl& m = *impl_;
  if (m.conn == nullptr) return simpleError(kErrNotConnected, "not connected to the database");
  if (auto e = m.flush(false)) return e;
  PgText text;
  if (std::optional<SessionError> e = pgRewrite(sql, &text)) return e;
  std::vector<const char*> values;
  for (const std::string& name : text.params) {
    const QueryParam* found = nullptr;
    for (const QueryParam& p : params) {
      if (equalsIgnoreCase(p.name, name)) found = &p;
    }
    if (found == nullptr) {
      return simpleError(1008, "not all variables bound (:" + name + ")");
    }
    values.push_back(found->value.c_str());
  }
  PGresult* r = PQexecParams(m.conn, text.sql.c_str(), static_cast<int>(values.size()), nullptr,
                             values.data(), nullptr, nullptr, 0);
  const ExecStatusType st = PQresultStatus(r);
  if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) {
    if (m.broken()) {
      PQclear(r);
      return m.lost(ConnectionLostCause::kOpen);
    }
    SessionError e = resultError(r, m.conn);
    PQclear(r);
    m.rollback();
    return e;
  }
  const int cols = PQnfields(r);
  for (int c = 0; c < cols; ++c) out.columns.push_back(toUpperAscii(PQfname(r, c)));
  const int n = PQntuples(r);
  out.rows.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    std::vector<std::optional<std::string>> row;
    row.reserve(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c) {
      if (PQgetisnull(r, i, c) != 0) {
        row.emplace_back(std::nullopt);
      } else {
        row.emplace_back(std::string(PQgetvalue(r, i, c), static_cast<size_t>(PQgetlength(r, i, c))));
      }
    }
    out.rows.push_back(std::move(row));
  }
  PQclear(r);
  return std::nullopt;
}

std::optional<SessionError> PostgresSession::doCommit() {
  if (impl_->conn == nullptr) return std::nullopt;
  return impl_->flush(true);
}

std::optional<SessionError> PostgresSession::doRollback() {
  impl_->dropQueue();
  if (impl_->conn != nullptr) impl_->rollback();
  return std::nullopt;
}

}  // namespace tarvex
