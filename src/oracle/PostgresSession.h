// The PostgreSQL backend of the session, over libpq.
//
// The server text names the server in the forms of PgAddress.h: in Client mode a libpq service,
// host[:port]/dbname or a postgresql:// URI; in Direct mode host:port:sid (the SID is the
// database). The connect string reads back as "user/password@postgresql://host:port/db" (a
// service as "postgresql:///?service=NAME"). The user name is folded to lower case unless it is
// written in double quotes, as PostgreSQL folds unquoted names; the user's schema is where the
// system's unqualified names lead (PostgreSQL's default search path starts with the user's
// name), and CREATE TABLE owner.T creates the schema "owner" when it is missing.
//
// Statements that change rows are queued rather than sent one by one: an INSERT of literal
// values by its head, prepared once per table and number of rows as a multi-row INSERT with
// bound values; any other INSERT, UPDATE or DELETE as its text. The queue goes to the server in
// one round trip (libpq's pipeline mode) when the transaction ends (COMMIT, a definition such as
// CREATE TABLE or TRUNCATE, which commit first as Oracle's do, the end of a script), before a
// query, or when it holds kQueueRows statements. A statement found wrong before sending (a
// TO_DATE day that does not exist, too many or too few values) is queued as that error.
//
// Errors of queued statements are reported by the statement that sends the queue (mostly the
// COMMIT) with the line of the failing statement itself: the rows of a multi-row INSERT that
// failed are tried again one by one inside a transaction that is rolled back, to find it. Rows
// committed before stay; the failing transaction is rolled back as a whole, the statements
// queued behind the failing one included, so that a batch between two COMMITs is loaded
// completely or not at all. When the queue fails at a definition, the definition is not carried
// out (its line is named in the message).
#pragma once

#include <memory>
#include <string>

#include "oracle/Session.h"

namespace tarvex {

class PostgresSession : public Session {
 public:
  // Rows an INSERT queue holds before it is sent.
  static constexpr size_t kQueueRows = 5000;

  PostgresSession();
  ~PostgresSession() override;

  std::string_view clientName() const override { return "PostgreSQL"; }

  // Prepared INSERT statements kept since connecting (for tests of the fast path).
  size_t preparedStatements() const;

 protected:
  std::optional<SessionError> doConnect() override;
  void doDisconnect() override;
  std::string doServerVersion() override;
  std::string serverReadBack() const override;
  std::optional<SessionError> doExecute(const ScriptStatement& st) override;
  std::optional<SessionError> doQuery(std::string_view sql, const std::vector<QueryParam>& params,
                                      QueryRows& out) override;
  std::optional<SessionError> doCommit() override;
  std::optional<SessionError> doRollback() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvex
