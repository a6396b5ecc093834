// Connecting with stored credentials, the recording handler, the list of clients, the session's
// common behaviour over a backend stand-in, and the texts of the error events.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "oracle/FncConect.h"
#include "oracle/SessionEvents.h"
#include "oracle/SqliteSession.h"
#include "oracle/uEncrypt.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

// A backend stand-in: connects or fails as told, and can report a lost connection.
class StandInSession : public Session {
 public:
  std::optional<SessionError> connectError;
  std::string connectedWith;

  std::string_view clientName() const override { return "StandIn"; }
  bool loseConnection(ConnectionLostCause c) { return connectionLost(c); }

 protected:
  std::optional<SessionError> doConnect() override {
    connectedWith = username() + "|" + password() + "|" + server();
    return connectError;
  }
  void doDisconnect() override {}
  std::string doServerVersion() override { return "StandIn 1.0"; }
  std::optional<SessionError> doExecute(const ScriptStatement&) override { return std::nullopt; }
  std::optional<SessionError> doQuery(std::string_view, const std::vector<QueryParam>&,
                                      QueryRows&) override {
    return std::nullopt;
  }
  std::optional<SessionError> doCommit() override { return std::nullopt; }
  std::optional<SessionError> doRollback() override { return std::nullopt; }
};

SessionError oraError(int code, const std::string& text) {
  SessionError e;
  e.code = code;
  e.message = oraMessage(code, text);
  return e;
}

Unscrambler realUnscrambler() {
  return [](std::string_view s) { return UnscramblePass(s); };
}

TEST(ConnectString, TakenApartAndJoined) {
  struct Case {
    const char* text;
    const char* user;
    const char* password;
    const char* server;
  };
  const Case cases[] = {
      {"scott/tiger@SALES", "scott", "tiger", "SALES"},
      {"U/pw@host:1521:ORCL", "U", "pw", "host:1521:ORCL"},
      {"u/p@postgresql://h:5/db?x=@", "u", "p", "postgresql://h:5/db?x=@"},
      {"scott@SALES", "scott", "", "SALES"},
      {"scott/tiger", "scott", "tiger", ""},
  };
  for (const Case& c : cases) {
    StandInSession s;
    s.setConnectString(c.text);
    EXPECT_EQ(s.username(), c.user) << c.text;
    EXPECT_EQ(s.password(), c.password) << c.text;
    EXPECT_EQ(s.server(), c.server) << c.text;
    EXPECT_EQ(s.connectString(),
              std::string(c.user) + "/" + c.password + "@" + c.server)
        << c.text;
  }
}

TEST(ConnectStored, ClientModeOnSqlite) {
  test::TempDir dir;
  Rec_Prj prj;
  prj.OWN = "owner1";
  prj.PAROLA = ScramblePass("tiger");
  prj.BAZA = "proj.db";
  prj.IP = "10.0.0.1";
  prj.PORT = 1521;
  SqliteSession s(dir.path());
  DbStatus st = ConnectStored(prj, s, realUnscrambler());
  ASSERT_TRUE(st.isOk()) << st.message();
  EXPECT_TRUE(s.connected());
  EXPECT_FALSE(s.direct());
  EXPECT_FALSE(s.connectPrompt());
  EXPECT_EQ(prj.ConnStat, 0);
  EXPECT_EQ(prj.ConnStr, "owner1/tiger@sqlite:" + dir.file("proj.db"));
  EXPECT_EQ(prj.TryUser, "owner1");
  EXPECT_EQ(prj.TryServer, "proj.db");
  EXPECT_EQ(prj.TryHost, "10.0.0.1");
  EXPECT_EQ(prj.TryPort, 1521);
  EXPECT_EQ(prj.ConnErrMsg, "");
}

TEST(ConnectStored, FailureIsRecordedAndEndsInTheSilentAbort) {
  test::TempDir dir;
  Rec_Prj prj;
  prj.OWN = "owner1";
  prj.BAZA = "no/such/folder/x.db";
  prj.ConnErrMsg = "old text";
  SqliteSession s(dir.path());
  int unscrambled = 0;
  DbStatus st = ConnectStored(prj, s, [&](std::string_view) {
    ++unscrambled;
    return std::string("never");
  });
  EXPECT_TRUE(st.isAborted());
  EXPECT_EQ(unscrambled, 0);  // an empty PAROLA is not unscrambled
  EXPECT_EQ(prj.ConnStat, -1);
  EXPECT_EQ(prj.ConnErrCode, kErrUnknownServer);
  EXPECT_EQ(prj.ConnErrMsg.rfind("ORA-12154: ", 0), 0u) << prj.ConnErrMsg;
  EXPECT_EQ(prj.ConnStr, "owner1/@sqlite:" + dir.file("no/such/folder/x.db"));
  // Later errors of the session are recorded too.
  prj.ConnStat = 0;
  DbStatus later = s.executeSql("COMMIT");
  EXPECT_TRUE(later.isAborted());
  EXPECT_EQ(prj.ConnStat, -1);
  EXPECT_EQ(prj.ConnErrCode, kErrNotConnected);
}

TEST(ConnectStored, ConnectStringOfEachMode) {
  struct Case {
    const char* connecting;
    const char* ip;
    int port;
    const char* expected;
  };
  const Case cases[] = {
      {"Y", " H ", 1521, "U/pw@H:1521:ORCL"},
      {"N", "H", 1521, "U/pw@ORCL"},
  };
  for (const Case& c : cases) {
    Rec_Prj prj;
    prj.CONNECTING = c.connecting;
    prj.OWN = "U";
    prj.PAROLA = ScramblePass("pw");
    prj.BAZA = "ORCL";
    prj.IP = c.ip;
    prj.PORT = c.port;
    StandInSession s;
    s.connectError = oraError(kErrUnreachable, "TNS:protocol adapter error");
    DbStatus st = ConnectStored(prj, s, realUnscrambler());
    EXPECT_EQ(prj.ConnStr, c.expected);
    EXPECT_EQ(s.direct(), std::string(c.connecting) == "Y");
    EXPECT_TRUE(st.isAborted());
    EXPECT_EQ(prj.ConnStat, -1);
    EXPECT_EQ(prj.ConnErrCode, kErrUnreachable);
    EXPECT_EQ(prj.ConnErrMsg, "ORA-12560: TNS:protocol adapter error");
  }
}

TEST(SessionEvents, ErrorHandlerDecidesBetweenFailureAndSilentAbort) {
  StandInSession s;
  s.connectError = oraError(kErrWrongPassword, "invalid username/password");
  DbStatus none = s.connect();  // no handler: the error comes back to be shown
  EXPECT_EQ(none.kind(), DbStatus::Kind::kFailed);
  EXPECT_EQ(none.err().code, kErrWrongPassword);
  int calls = 0;
  s.setOnError([&](const SessionError& e, bool& fail) {
    ++calls;
    EXPECT_TRUE(fail);
    EXPECT_EQ(e.code, kErrWrongPassword);
  });
  EXPECT_EQ(s.connect().kind(), DbStatus::Kind::kFailed);
  s.setOnError([&](const SessionError&, bool& fail) {
    ++calls;
    fail = false;
  });
  EXPECT_TRUE(s.connect().isAborted());
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(s.connected());
}

TEST(SessionEvents, ConnectionLostReachesItsHandler) {
  StandInSession s;
  ASSERT_TRUE(s.connect().isOk());
  std::vector<ConnectionLostCause> seen;
  s.setOnConnectionLost([&](ConnectionLostCause c, bool& retry) {
    EXPECT_FALSE(retry);
    seen.push_back(c);
    retry = true;
  });
  EXPECT_TRUE(s.loseConnection(ConnectionLostCause::kExecute));
  EXPECT_FALSE(s.connected());
  EXPECT_EQ(seen, std::vector<ConnectionLostCause>{ConnectionLostCause::kExecute});
}

TEST(SessionEvents, ConnectionLostLines) {
  const std::vector<std::pair<ConnectionLostCause, const char*>> cases = {
      {ConnectionLostCause::kUnknown, "for reasons not known"},
      {ConnectionLostCause::kExecute, "during SQL execution"},
      {ConnectionLostCause::kOpen, "during query opening"},
      {ConnectionLostCause::kRefresh, ""},
      {ConnectionLostCause::kApplyUpdates, "during DataSet.ApplyUpdates"},
      {ConnectionLostCause::kServerInfo, "during service information request"},
      {ConnectionLostCause::kStartTransaction, "during transaction start"},
      {ConnectionLostCause::kConnectionApplyUpdates, "during Connection.ApplyUpdates"},
      {ConnectionLostCause::kConnecting, "during connection establishing"},
  };
  for (const auto& [cause, phrase] : cases) {
    EXPECT_EQ(connectionLostLine("12:00:00", "OraSession1", cause),
              std::string("12:00:00 OraSession1 - Connection lost ") + phrase);
  }
}

TEST(SessionEvents, ErrorBoxTexts) {
  const std::vector<std::tuple<int, const char*, const char*>> cases = {
      {1017, "ORA-01017: x", "Неправильно введено имя пользователя/пароль"},
      {12154, "ORA-12154: x", "Введено неверное имя сервера"},
      {12560, "ORA-12560: x",
       "Неправильно введено имя пользователя/пароль или отсутствует связь с сервером"},
      {1400, "field !*<NAME>*! is empty", "Поле 'NAME' должно содержать значение"},
      {1400, "!*<A>*! and !*<B>*!", "Поле 'A' должно содержать значение"},
      {942, "ORA-00942: table or view does not exist", ""},
      {1, "only !*< opened", ""},
  };
  for (const auto& [code, message, text] : cases) {
    EXPECT_EQ(OraErrorHandler1Error(code, message), text) << code << " " << message;
  }
}

TEST(SessionEvents, OraSession1ErrorRecordsAndLogs) {
  Rec_Prj prj;
  SessionError e = oraError(942, "table or view does not exist");
  e.file = "/x/A.Sql";
  e.line = 3;
  std::string line = OraSession1Error(prj, e, "10:11:12");
  EXPECT_EQ(prj.ConnStat, -1);
  EXPECT_EQ(prj.ConnErrCode, 942);
  EXPECT_EQ(prj.ConnErrMsg, "/x/A.Sql, line 3: ORA-00942: table or view does not exist");
  EXPECT_EQ(line, "10:11:12 OraSession1Error: ErrorCode: 942  E.Message: " + prj.ConnErrMsg);
}

TEST(Clients, ListAndPositions) {
  EXPECT_EQ(databaseClients(), (std::vector<std::string>{"SQLite", "PostgreSQL"}));
  struct Case {
    std::vector<std::string> items;
    int position;
    const char* text;
    int corrected;
  };
  const Case cases[] = {
      {{}, 0, "", -1},
      {{}, 3, "", -1},
      {{"SQLite", "PostgreSQL"}, 0, "SQLite", 0},
      {{"SQLite", "PostgreSQL"}, 1, "PostgreSQL", 1},
      {{"SQLite", "PostgreSQL"}, -4, "SQLite", 0},
      {{"SQLite", "PostgreSQL"}, 9, "PostgreSQL", 1},
  };
  for (const Case& c : cases) {
    int pos = c.position;
    EXPECT_EQ(GetNomeName(c.items, &pos), c.text);
    EXPECT_EQ(pos, c.corrected);
  }
  test::TempDir dir;
  std::unique_ptr<Session> s = makeSession("sqlite", dir.path());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->clientName(), "SQLite");
  EXPECT_EQ(makeSession("NoSuchClient", dir.path()), nullptr);
}

}  // namespace
}  // namespace tarvex
