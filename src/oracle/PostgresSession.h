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
// INSERT statements of literal values are queued rather than sent one by one: the statement
// head is prepared once per table and number of rows as a multi-row INSERT, and the queued rows
// go to the server in one round trip (libpq's pipeline mode) when the transaction ends (COMMIT,
// a definition, the end of a script), when another kind of statement or a query comes, or when
// the queue holds kQueueRows rows. An error of a queued row is therefore reported by the
// statement that sends the queue (mostly the COMMIT), with the file and line of the failing
// INSERT itself: the rows of a multi-row statement that failed are tried one by one (and rolled
// back) to find it. The transaction it belongs to is rolled back, together with the queued rows
// behind it; rows committed before stay. When a queued row fails at a statement other than
// COMMIT, that statement is not carried out and its line is named in the error's message.
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
