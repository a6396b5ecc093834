// The PostgreSQL session against a real server (scripts/pg-cluster.sh): connecting in every
// form and its coded failures, the system's table and INSERT scripts, the existence query,
// TRUNCATE, errors with their lines and the rollback of their transaction, character sets, and
// a connection that breaks.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "oracle/PostgresSession.h"
#include "oracle/PgTestEnv.h"
#include "support/RunCommand.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// A loopback port that nothing listens on: bound, read and closed again.
int closedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
    port = ntohs(a.sin_port);
  }
  close(fd);
  return port;
}

// "t_" + the test's name in lower case: a schema of its own for every test, since the tests
// run side by side against one server.
std::string ownerOfThisTest() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string full = std::string(info->test_suite_name()) + "_" + info->name();
  std::string name = "t_";
  for (char c : full) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) name += c;
    else if (c >= 'A' && c <= 'Z') name += static_cast<char>(c - 'A' + 'a');
    else name += '_';
  }
  if (name.size() > 50) {
    char h[16];
    std::snprintf(h, sizeof h, "%08zx", std::hash<std::string>{}(name) & 0xffffffffu);
    name = name.substr(0, 40) + "_" + h;
  }
  return name;
}

class PostgresSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    TARVEX_NEED_PG(pg);
    pg_ = pg;
    owner_ = ownerOfThisTest();
    session_.setConnectString(pg.user + "/" + pg.password + "@" + pg.shortForm());
    session_.setClientCharset("AL32UTF8");
    session_.setOnError([this](const SessionError& e, bool& fail) {
      handled_.push_back(e);
      fail = fail_;
    });
    // An independent connection reads what the session wrote.
    reader_ = PQconnectdb(("host=" + pg.host + " port=" + pg.port + " user=" + pg.user +
                           " password=" + pg.password + " dbname=" + pg.database)
                              .c_str());
    ASSERT_EQ(PQstatus(reader_), CONNECTION_OK) << PQerrorMessage(reader_);
    sql("SET client_min_messages TO warning");
    sql("DROP SCHEMA IF EXISTS " + owner_ + " CASCADE");
  }

  void TearDown() override {
    if (session_.connected()) session_.disconnect();
    if (reader_ != nullptr) {
      sql("DROP SCHEMA IF EXISTS " + owner_ + " CASCADE");
      PQfinish(reader_);
    }
  }

  // Runs SQL on the reading connection; its rows, NULL as "<null>".
  Rows sql(const std::string& text) {
    Rows rows;
    PGresult* r = PQexec(reader_, text.c_str());
    const ExecStatusType st = PQresultStatus(r);
    if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK) {
      ADD_FAILURE() << text << ": " << PQresultErrorMessage(r);
    } else {
      for (int i = 0; i < PQntuples(r); ++i) {
        std::vector<std::string> row;
        for (int c = 0; c < PQnfields(r); ++c) {
          row.push_back(PQgetisnull(r, i, c) ? "<null>" : PQgetvalue(r, i, c));
        }
        rows.push_back(row);
      }
    }
    PQclear(r);
    return rows;
  }

  // The table script as the table creation writes it (no ";").
  std::string tableScript() const {
    return "CREATE TABLE " + owner_ +
           ".EMP (\r\n"
           "        NAME                       VARCHAR2(10),\r\n"
           "        BORN                       DATE,\r\n"
           "        SAL                        NUMBER,\r\n"
           "        RECNO                      NUMBER)\r\n";
  }

  // One INSERT in the engine's layout (four lines).
  std::string insertRow(const std::string& values) const {
    return "Insert into " + owner_ + ".EMP\r\n   (NAME, BORN, SAL, RECNO)\r\nValues\r\n   (" +
           values + ");\r\n";
  }

  void connectWithTable() {
    ASSERT_TRUE(session_.connect().isOk()) << (handled_.empty() ? "" : handled_[0].message);
    Script s(session_);
    ASSERT_TRUE(runScript("EMP.STB", tableScript(), &s).isOk());
  }

  DbStatus runScript(const std::string& name, const std::string& text, Script* s) {
    test::writeFile(dir_.file(name), text);
    DbStatus l = s->loadFromFile(dir_.file(name));
    if (!l.isOk()) return l;
    return s->execute();
  }

  Rows emp() {
    return sql("SELECT NAME, to_char(BORN, 'YYYY-MM-DD'), SAL, RECNO FROM " + owner_ +
               ".EMP ORDER BY RECNO");
  }

  test::PgServer pg_;
  std::string owner_;
  test::TempDir dir_;
  PostgresSession session_;
  PGconn* reader_ = nullptr;
  std::vector<SessionError> handled_;
  bool fail_ = true;
};

TEST_F(PostgresSessionTest, ConnectsInEveryFormOfTheServerText) {
  // A service file of our own for the service name (the analog of a TNS alias).
  test::writeFile(dir_.file("pg_service.conf"),
                  "[tvx_sales]\nhost=" + pg_.host + "\nport=" + pg_.port +
                      "\ndbname=" + pg_.database + "\n");
  ::setenv("PGSERVICEFILE", dir_.file("pg_service.conf").c_str(), 1);
  struct Case {
    std::string server;
    bool direct;
    std::string readBack;
  };
  const std::string hostPort = pg_.host + ":" + pg_.port;
  const Case cases[] = {
      {pg_.shortForm(), false, "postgresql://" + hostPort + "/" + pg_.database},
      {"postgresql://" + hostPort + "/" + pg_.database, false,
       "postgresql://" + hostPort + "/" + pg_.database},
      {hostPort + ":" + pg_.database, true, "postgresql://" + hostPort + "/" + pg_.database},
      {"tvx_sales", false, "postgresql:///?service=tvx_sales"},
  };
  for (const Case& c : cases) {
    PostgresSession s;
    s.setClientCharset("AL32UTF8");
    s.setDirect(c.direct);
    // Upper case as Oracle users are often written: the role is found in lower case.
    std::string user = pg_.user;
    for (char& ch : user) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    s.setConnectString(user + "/" + pg_.password + "@" + c.server);
    EXPECT_EQ(s.connectString(), user + "/" + pg_.password + "@" + c.readBack);
    EXPECT_EQ(s.serverVersion(), "");
    DbStatus st = s.connect();
    ASSERT_TRUE(st.isOk()) << c.server << ": " << st.message();
    EXPECT_TRUE(s.connected());
    EXPECT_EQ(s.serverVersion().rfind("PostgreSQL ", 0), 0u) << s.serverVersion();
    QueryRows rows;
    ASSERT_TRUE(s.query("select current_database(), current_user", {}, rows).isOk());
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(rows.columns, (std::vector<std::string>{"CURRENT_DATABASE", "CURRENT_USER"}));
    EXPECT_EQ(rows.rows[0][0], pg_.database);
    EXPECT_EQ(rows.rows[0][1], pg_.user);
    s.disconnect();
    EXPECT_FALSE(s.connected());
  }
}

TEST_F(PostgresSessionTest, ConnectFailuresAreCoded) {
  test::writeFile(dir_.file("pg_service.conf"), "[other]\nhost=" + pg_.host + "\n");
  ::setenv("PGSERVICEFILE", dir_.file("pg_service.conf").c_str(), 1);
  const int closed = closedPort();
  ASSERT_GT(closed, 0);
  struct Case {
    std::string connect;
    bool direct;
    int code;
  };
  const std::string hostPort = pg_.host + ":" + pg_.port;
  const Case cases[] = {
      {pg_.user + "/wrong@" + pg_.shortForm(), false, kErrWrongPassword},
      {"nosuchuser/x@" + pg_.shortForm(), false, kErrWrongPassword},
      {pg_.user + "/wrong@" + hostPort + ":" + pg_.database, true, kErrWrongPassword},
      {pg_.user + "/" + pg_.password + "@" + hostPort + "/nosuchdb", false, kErrUnknownServer},
      {pg_.user + "/" + pg_.password + "@" + hostPort + ":nosuchdb", true, kErrUnknownServer},
      {pg_.user + "/" + pg_.password + "@nosuchservice", false, kErrUnknownServer},
      {pg_.user + "/" + pg_.password + "@127.0.0.1:" + std::to_string(closed) + "/x", false,
       kErrUnreachable},
      {pg_.user + "/" + pg_.password + "@127.0.0.1:" + std::to_string(closed) + ":x", true,
       kErrUnreachable},
  };
  for (const Case& c : cases) {
    PostgresSession s;
    s.setClientCharset("AL32UTF8");
    s.setDirect(c.direct);
    s.setConnectString(c.connect);
    std::vector<SessionError> seen;
    s.setOnError([&](const SessionError& e, bool& fail) {
      seen.push_back(e);
      fail = false;
    });
    DbStatus st = s.connect();
    EXPECT_TRUE(st.isAborted()) << c.connect;
    EXPECT_FALSE(s.connected());
    ASSERT_EQ(seen.size(), 1u) << c.connect;
    EXPECT_EQ(seen[0].code, c.code) << c.connect << ": " << seen[0].message;
    char ora[16];
    std::snprintf(ora, sizeof ora, "ORA-%05d: ", c.code);
    EXPECT_EQ(seen[0].message.rfind(ora, 0), 0u) << seen[0].message;
    EXPECT_EQ(seen[0].message.find("LOCATION"), std::string::npos) << seen[0].message;
  }
}

// Values of row i of the generated INSERT script, and the values expected back.
struct GeneratedRow {
  std::string literals;  // as the engine writes them
  std::vector<std::string> expected;
};

GeneratedRow generatedRow(int i) {
  GeneratedRow r;
  std::string name;
  switch (i % 5) {
    case 0: name = "O'Neil" + std::to_string(i % 100); break;
    case 1: name = "Пётр" + std::to_string(i % 1000); break;  // 4 + digits characters
    case 2: name = ""; break;                                 // '' is NULL, as in Oracle
    case 3: name = "a;b--c/*"; break;
    default: name = "N" + std::to_string(i); break;
  }
  std::string quoted = "'";
  for (char c : name) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  quoted += "'";
  const int year = 1900 + i % 120;
  const int month = 1 + i % 12;
  const int day = 1 + i % 28;
  char date[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", year, month, day);
  char iso[16];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day);
  const bool noDate = i % 7 == 0;
  const std::string sal = (i % 3 == 0 ? "-" : "") + std::to_string(i) + "." +
                          std::to_string(10 + i % 90);
  r.literals = quoted + ", " + (noDate ? std::string("NULL") : "TO_DATE('" + std::string(date) +
                                                                   "', 'YYYYMMDD')") +
               ",\r\n    " + sal + ", " + std::to_string(i);
  r.expected = {name.empty() ? "<null>" : name, noDate ? "<null>" : iso, sal, std::to_string(i)};
  return r;
}

TEST_F(PostgresSessionTest, LoadsTheScriptsTheEngineWrites) {
  connectWithTable();
  // The schema was made for the table: it did not exist.
  EXPECT_EQ(sql("SELECT data_type, character_maximum_length FROM information_schema.columns "
                "WHERE table_schema = '" + owner_ + "' AND table_name = 'emp' ORDER BY "
                "ordinal_position"),
            (Rows{{"character varying", "10"}, {"date", "<null>"}, {"numeric", "<null>"},
                  {"numeric", "<null>"}}));
  // 1234 rows, COMMIT every 100 as the engine writes it, and one at the end.
  constexpr int kRows = 1234;
  std::string script = "SET DEFINE OFF;\r\n";
  for (int i = 1; i <= kRows; ++i) {
    script += insertRow(generatedRow(i).literals);
    if (i % 100 == 0) script += "COMMIT;\r\n";
  }
  script += "COMMIT;\r\n";
  Script s(session_);
  DbStatus st = runScript("EMP.Sql", script, &s);
  ASSERT_TRUE(st.isOk()) << st.message();
  EXPECT_TRUE(s.errors().empty());
  EXPECT_TRUE(handled_.empty());
  Rows rows = emp();
  ASSERT_EQ(rows.size(), static_cast<size_t>(kRows));
  for (int i = 1; i <= kRows; ++i) {
    ASSERT_EQ(rows[static_cast<size_t>(i - 1)], generatedRow(i).expected) << "row " << i;
  }
  EXPECT_GT(session_.preparedStatements(), 0u);
}

TEST_F(PostgresSessionTest, StatementsOutsideTheFastPathRunAsWritten) {
  connectWithTable();
  Script s(session_);
  const std::string script =
      "insert into " + owner_ + ".EMP (NAME, BORN, SAL, RECNO) values (lower('ABC'), "
      "TO_DATE('20000229', 'YYYYMMDD'), 1 + 2, 1);\r\n"
      "update " + owner_ + ".emp set SAL = SAL * 2 where RECNO = 1;\r\n"
      "insert into " + owner_ + ".EMP (NAME, RECNO) values ('gone', 2);\r\n"
      "delete from " + owner_ + ".Emp where RECNO = 2;\r\n"
      "COMMIT;\r\n";
  DbStatus st = runScript("G.Sql", script, &s);
  ASSERT_TRUE(st.isOk()) << st.message();
  EXPECT_EQ(emp(), (Rows{{"abc", "2000-02-29", "6", "1"}}));
}

TEST_F(PostgresSessionTest, ExistenceQueryAnswersAsTheDictionaryWould) {
  ASSERT_TRUE(session_.connect().isOk());
  const std::string upperOwner = [&] {
    std::string u = owner_;
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
  }();
  auto exists = [&](const std::string& own, const std::string& tab) {
    Query q(session_);
    q.setSql("Select T.table_name, T.owner from sys.ALL_ALL_TABLES T where T.owner = :own and  "
             "T.table_name = :Tab");
    q.setParam("own", own);
    q.setParam("Tab", tab);
    DbStatus st = q.open();
    EXPECT_TRUE(st.isOk()) << st.message();
    std::vector<std::string> found;
    if (!q.eof()) found = {q.field("TABLE_NAME").value_or("?"), q.field("OWNER").value_or("?")};
    return found;
  };
  EXPECT_TRUE(exists(upperOwner, "EMP").empty());
  // Written in lower case, found with the upper-cased values of the system.
  Script s(session_);
  s.add("CREATE TABLE " + owner_ + ".emp (\r\n        NAME VARCHAR2(5))");
  ASSERT_TRUE(s.execute().isOk());
  EXPECT_EQ(exists(upperOwner, "EMP"), (std::vector<std::string>{"EMP", upperOwner}));
  EXPECT_TRUE(exists(upperOwner, "EMPX").empty());
  EXPECT_TRUE(exists("NOBODY", "EMP").empty());
  // A second CREATE of the same table is refused as Oracle refuses it.
  s.clear();
  s.add("CREATE TABLE " + upperOwner + ".EMP (\r\n        NAME VARCHAR2(5))");
  EXPECT_EQ(s.execute().kind(), DbStatus::Kind::kFailed);
  ASSERT_EQ(s.errors().size(), 1u);
  EXPECT_EQ(s.errors()[0].code, kErrNameUsed) << s.errors()[0].message;
}

TEST_F(PostgresSessionTest, AQueryParameterLeftUnboundIsAnError) {
  ASSERT_TRUE(session_.connect().isOk());
  QueryRows rows;
  DbStatus s = session_.query("select :a, :b", {{"a", "1"}}, rows);
  EXPECT_EQ(s.kind(), DbStatus::Kind::kFailed);
  EXPECT_EQ(s.err().code, 1008);
  EXPECT_EQ(handled_.size(), 1u);
}

TEST_F(PostgresSessionTest, TruncateEmptiesTheTableOfTheUsersSchema) {
  ASSERT_TRUE(session_.connect().isOk());
  // TRUNCATE names the table without owner: the user's own schema.
  const std::string table = owner_ + "_T";
  Script s(session_);
  ASSERT_TRUE(runScript("T.STB", "CREATE TABLE " + pg_.user + "." + table + " (A NUMBER)", &s)
                  .isOk());
  const std::string inserts = "Insert into " + pg_.user + "." + table +
                              "\r\n   (A)\r\nValues\r\n   (1);\r\nInsert into " + pg_.user + "." +
                              table + "\r\n   (A)\r\nValues\r\n   (2);\r\nCOMMIT;\r\n";
  ASSERT_TRUE(runScript("T.Sql", inserts, &s).isOk());
  EXPECT_EQ(sql("SELECT count(*) FROM " + pg_.user + "." + table), (Rows{{"2"}}));
  s.clear();
  s.add("TRUNCATE TABLE " + table);
  DbStatus st = s.execute();
  EXPECT_TRUE(st.isOk()) << st.message();
  EXPECT_EQ(sql("SELECT count(*) FROM " + pg_.user + "." + table), (Rows{{"0"}}));
  sql("DROP TABLE " + pg_.user + "." + table);
}

// A statement that fails inside a script: its code, the script file, its line and the server's
// message. Rows committed before it stay; its transaction goes, with the rows queued behind it;
// the script goes on with a new transaction.
struct ErrorCase {
  const char* name;
  std::string values;  // of the failing INSERT, or a whole statement when it starts with "!"
  int code;
  const char* inMessage;
};

class PgScriptErrors : public PostgresSessionTest,
                       public testing::WithParamInterface<ErrorCase> {};

TEST_P(PgScriptErrors, AreLocatedAndCodedAndRolledBack) {
  const ErrorCase& c = GetParam();
  connectWithTable();
  std::string failing = c.values[0] == '!' ? c.values.substr(1) : insertRow(c.values);
  for (size_t at = failing.find("OWNER."); at != std::string::npos; at = failing.find("OWNER.")) {
    failing.replace(at, 5, owner_);
  }
  // Lines: 1 SET, 2-5 A, 6 COMMIT, 7-10 B, 11 the failing statement, then C, COMMIT, D, COMMIT.
  std::string script = "SET DEFINE OFF;\r\n" + insertRow("'A', NULL, 1, 1") + "COMMIT;\r\n" +
                       insertRow("'B', NULL, 2, 2") + failing + insertRow("'C', NULL, 3, 3") +
                       "COMMIT;\r\n" + insertRow("'D', NULL, 4, 4") + "COMMIT;\r\n";
  Script s(session_);
  DbStatus st = runScript("E.Sql", script, &s);
  EXPECT_EQ(st.kind(), DbStatus::Kind::kFailed);
  ASSERT_EQ(s.errors().size(), 1u) << c.name;
  const SessionError& e = s.errors()[0];
  EXPECT_EQ(e.code, c.code) << c.name << ": " << e.message;
  EXPECT_EQ(e.file, dir_.file("E.Sql"));
  EXPECT_EQ(e.line, 11) << c.name << ": " << e.message;
  EXPECT_NE(e.message.find(c.inMessage), std::string::npos) << e.message;
  char ora[16];
  std::snprintf(ora, sizeof ora, "ORA-%05d: ", c.code);
  EXPECT_EQ(e.message.rfind(ora, 0), 0u) << e.message;
  ASSERT_EQ(handled_.size(), 1u);
  // A was committed before; B and C went with the failing transaction; D came after.
  Rows rows = emp();
  ASSERT_EQ(rows.size(), 2u) << c.name;
  EXPECT_EQ(rows[0][0], "A");
  EXPECT_EQ(rows[1][0], "D");
}

INSTANTIATE_TEST_SUITE_P(
    Statements, PgScriptErrors,
    testing::Values(
        ErrorCase{"text_longer_than_varchar2", "'ELEVENCHARS', NULL, 1, 9", kErrValueTooLarge,
                  "value too long for type character varying(10)"},
        ErrorCase{"day_that_does_not_exist", "'X', TO_DATE('19990431', 'YYYYMMDD'), 1, 9",
                  kErrInvalidDate, "date not valid for month specified"},
        ErrorCase{"year_zero", "'X', TO_DATE('00000101', 'YYYYMMDD'), 1, 9", 1841, "year"},
        ErrorCase{"date_in_a_general_statement",
                  "!insert into OWNER.EMP (NAME, BORN) values (lower('X'), "
                  "TO_DATE('19990229', 'YYYYMMDD'));\r\n",
                  kErrInvalidDate, "date not valid"},
        ErrorCase{"text_in_a_number_column", "'X', NULL, 'abc', 9", kErrInvalidNumber, "abc"},
        ErrorCase{"unknown_table", "!Insert into nosuchowner.NOPE\r\n   (A)\r\nValues\r\n   (1);\r\n",
                  kErrNoSuchTable, "nosuchowner"},
        ErrorCase{"unknown_column",
                  "!Insert into OWNER.EMP\r\n   (NOPE)\r\nValues\r\n   (1);\r\n",
                  kErrInvalidIdentifier, "nope"},
        ErrorCase{"too_many_values", "'X', NULL, 1, 9, 10", kErrTooManyValues, "too many"},
        ErrorCase{"not_enough_values", "'X', NULL", kErrNotEnoughValues, "not enough"},
        ErrorCase{"syntax", "!Insert inot OWNER.EMP (NAME) Values ('x');\r\n", kErrInvalidSql,
                  "syntax error"}),
    [](const testing::TestParamInfo<ErrorCase>& i) { return std::string(i.param.name); });

TEST_F(PostgresSessionTest, TheFailingRowOfABigBatchIsNamedAndItsTransactionRolledBack) {
  connectWithTable();
  // 100 rows committed, then 400 rows in one transaction whose row 373 is too long.
  std::string script;
  int line = 1;
  int badLine = 0;
  for (int i = 1; i <= 500; ++i) {
    const std::string name = i == 373 ? "'MUCH TOO LONG'" : "'R" + std::to_string(i) + "'";
    if (i == 373) badLine = line;
    script += insertRow(name + ", NULL, " + std::to_string(i) + ", " + std::to_string(i));
    line += 4;
    if (i == 100) {
      script += "COMMIT;\r\n";
      ++line;
    }
  }
  script += "COMMIT;\r\n";
  Script s(session_);
  EXPECT_EQ(runScript("B.Sql", script, &s).kind(), DbStatus::Kind::kFailed);
  ASSERT_EQ(s.errors().size(), 1u);
  EXPECT_EQ(s.errors()[0].line, badLine);
  EXPECT_EQ(s.errors()[0].code, kErrValueTooLarge);
  EXPECT_EQ(sql("SELECT count(*), min(RECNO), max(RECNO) FROM " + owner_ + ".EMP"),
            (Rows{{"100", "1", "100"}}));
}

TEST_F(PostgresSessionTest, SilentAbortStopsTheScript) {
  connectWithTable();
  fail_ = false;
  const std::string script = insertRow("'A', NULL, 1, 1") + "COMMIT;\r\n" +
                             insertRow("'B', NULL, 2, 2") + insertRow("'X', NULL, 'bad', 3") +
                             insertRow("'C', NULL, 3, 3") + "COMMIT;\r\n" +
                             insertRow("'D', NULL, 4, 4") + "COMMIT;\r\n";
  Script s(session_);
  DbStatus st = runScript("S.Sql", script, &s);
  EXPECT_TRUE(st.isAborted());
  EXPECT_EQ(st.err().code, kErrInvalidNumber);
  EXPECT_TRUE(s.errors().empty());  // nothing shown: the abort is silent
  ASSERT_EQ(handled_.size(), 1u);
  EXPECT_EQ(handled_[0].line, 10);
  EXPECT_EQ(emp(), (Rows{{"A", "<null>", "1", "1"}}));
  // The session is usable afterwards and nothing of the aborted script is left queued.
  session_.disconnect();
  EXPECT_EQ(emp(), (Rows{{"A", "<null>", "1", "1"}}));
}

TEST_F(PostgresSessionTest, ClientCharacterSetIsConvertedToUtf8) {
  session_.setClientCharset("CL8MSWIN1251");
  connectWithTable();
  // "Пётр" in Windows-1251, and a byte that is no character there (0x98) in the next row.
  const std::string cp1251 = "\xCF\xB8\xF2\xF0";
  Script s(session_);
  DbStatus st = runScript("C.Sql",
                          insertRow("'" + cp1251 + "', NULL, 1, 1") + "COMMIT;\r\n" +
                              insertRow("'bad\x98', NULL, 2, 2") + "COMMIT;\r\n",
                          &s);
  EXPECT_EQ(st.kind(), DbStatus::Kind::kFailed);
  ASSERT_EQ(s.errors().size(), 1u);
  EXPECT_EQ(s.errors()[0].code, kErrInvalidText);
  EXPECT_EQ(s.errors()[0].file, dir_.file("C.Sql"));
  EXPECT_EQ(s.errors()[0].line, 9);  // the line of the byte, in the statement from line 6
  EXPECT_EQ(emp(), (Rows{{"Пётр", "<null>", "1", "1"}}));
}

TEST_F(PostgresSessionTest, ABrokenConnectionIsReportedAsLost) {
  connectWithTable();
  std::vector<ConnectionLostCause> causes;
  session_.setOnConnectionLost([&](ConnectionLostCause c, bool&) { causes.push_back(c); });
  QueryRows pid;
  ASSERT_TRUE(session_.query("select pg_backend_pid()", {}, pid).isOk());
  ASSERT_EQ(pid.rows.size(), 1u);
  sql("SELECT pg_terminate_backend(" + *pid.rows[0][0] + ")");
  Script s(session_);
  DbStatus st = runScript("L.Sql", insertRow("'A', NULL, 1, 1") + "COMMIT;\r\n", &s);
  EXPECT_NE(st.kind(), DbStatus::Kind::kOk);
  ASSERT_FALSE(handled_.empty());
  EXPECT_EQ(handled_[0].code, kErrConnectionLost) << handled_[0].message;
  EXPECT_EQ(causes, (std::vector<ConnectionLostCause>{ConnectionLostCause::kExecute}));
  EXPECT_FALSE(session_.connected());
}

// tarvex-cli exec with the connect strings a session reads back, and with Direct mode's.
TEST_F(PostgresSessionTest, CliExecRunsAMasterScriptOverEitherMode) {
  test::writeFile(dir_.file("EMP.STB"), tableScript());
  test::writeFile(dir_.file("EMP.Sql"), "SET DEFINE OFF;\r\n" + insertRow("'ANN', TO_DATE('19800229', "
                                        "'YYYYMMDD'), 1.5, 1") + "COMMIT;\r\n");
  test::writeFile(dir_.file("master.Sql"),
                  "@\"" + dir_.file("EMP.STB") + "\"\r\n@\"" + dir_.file("EMP.Sql") + "\"\r\n");
  test::writeFile(dir_.file("bad.Sql"), insertRow("'TOO LONG A NAME', NULL, 2, 2") + "COMMIT;\r\n");
  const std::string credentials = pg_.user + "/" + pg_.password + "@";
  const std::string uri = credentials + "postgresql://" + pg_.host + ":" + pg_.port + "/" +
                          pg_.database;
  auto exec = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "exec");
    args.push_back("--home");
    args.push_back(dir_.file("home"));
    return test::runCommand(TARVEX_CLI_PATH, args);
  };
  test::CommandResult r = exec({"--connect", uri, dir_.file("master.Sql")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(emp(), (Rows{{"ANN", "1980-02-29", "1.5", "1"}}));

  // Direct mode: host:port:sid; a failing statement names its file and line, exit status 1.
  r = exec({"--direct", "--connect",
            credentials + pg_.host + ":" + pg_.port + ":" + pg_.database, dir_.file("bad.Sql")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find(dir_.file("bad.Sql") + ", line 1: ORA-12899: "), std::string::npos)
      << r.err;
  EXPECT_EQ(emp().size(), 1u);

  // A wrong password is refused with 1017.
  r = exec({"--connect", pg_.user + "/wrong@postgresql://" + pg_.host + ":" + pg_.port + "/" +
                             pg_.database,
            dir_.file("EMP.Sql")});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.err.find("ORA-01017"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tarvex
