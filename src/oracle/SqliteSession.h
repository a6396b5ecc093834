// The SQLite backend of the session (the embedded default).
//
// The server text names a database file: "sqlite:PATH" or PATH; a relative path is taken
// against the program folder, an empty one is "tarvex.db" there. The file is created when
// missing (its folder must exist). It is attached under the user's name, so that the user is the
// schema of the system's "owner.T" names; the connect string reads back as
// "user/password@sqlite:ABSOLUTE-PATH". SQLite has no accounts: the password is not checked;
// an empty user name is refused with 1017.
//
// INSERT ... VALUES statements go through one path: the statement head (up to VALUES) is
// prepared once and kept by its text, the literal values of each row are bound; values that are
// expressions are computed by SQLite first (TO_DATE is a function of the connection). Binding
// checks each value against its column's declared type, as Oracle does: a text longer than
// VARCHAR2(n) characters is 12899, text that is no number for a NUMBER column 1722, text that is
// no ISO date for a DATE column 1861, a date for a number column (or the reverse) 932. A
// transaction runs from the first INSERT to the next COMMIT. Statements the system does not
// write (UPDATE, INSERT ... SELECT) go to SQLite as written, without these checks.
#pragma once

#include <memory>
#include <string>

#include "oracle/Session.h"

namespace tarvex {

class SqliteSession : public Session {
 public:
  // programFolder ends in "/"; relative database paths are taken against it.
  explicit SqliteSession(std::string programFolder);
  ~SqliteSession() override;

  std::string_view clientName() const override { return "SQLite"; }

  // The absolute path of the database file that the server text names.
  std::string databasePath() const;

  // Prepared INSERT heads kept since connecting (for tests of the fast path).
  size_t preparedHeads() const;

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
  std::string folder_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvex
