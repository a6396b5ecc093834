// The SQLite session against real database files: the system's table and INSERT scripts, the
// existence query, errors with their codes and lines, transactions, character sets.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "oracle/ScriptParser.h"
#include "oracle/SqliteSession.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Reads a table through a connection of its own, NULL as "<null>".
Rows readBack(const std::string& dbPath, const std::string& sql) {
  sqlite3* db = nullptr;
  Rows rows;
  if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << dbPath;
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db);
  } else {
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const unsigned char* t = sqlite3_column_text(st, c);
        row.push_back(t ? std::string(reinterpret_cast<const char*>(t),
                                      static_cast<size_t>(sqlite3_column_bytes(st, c)))
                        : "<null>");
      }
      rows.push_back(row);
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

// The table script as the table creation writes it.
constexpr const char* kTableScript =
    "CREATE TABLE owner1.EMP (\r\n"
    "        NAME                       VARCHAR2(10),\r\n"
    "        BORN                       DATE,\r\n"
    "        SAL                        NUMBER,\r\n"
    "        RECNO                      NUMBER)\r\n";

std::string insertRow(const std::string& values) {
  return "Insert into owner1.EMP\r\n   (NAME, BORN, SAL, RECNO)\r\nValues\r\n   (" + values +
         ");\r\n";
}

class SqliteSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    session_.setConnectString("owner1/secret@sqlite:emp.db");
    session_.setClientCharset("AL32UTF8");
    session_.setOnError([this](const SessionError& e, bool& fail) {
      handled_.push_back(e);
      fail = fail_;
    });
  }

  void connectWithTable() {
    ASSERT_TRUE(session_.connect().isOk());
    test::writeFile(dir_.file("EMP.STB"), kTableScript);
    Script s(session_);
    ASSERT_TRUE(s.loadFromFile(dir_.file("EMP.STB")).isOk());
    ASSERT_TRUE(s.execute().isOk());
  }

  // Runs a script file written with the given text.
  DbStatus runScript(const std::string& name, const std::string& text, Script* s) {
    test::writeFile(dir_.file(name), text);
    DbStatus l = s->loadFromFile(dir_.file(name));
    if (!l.isOk()) return l;
    return s->execute();
  }

  Rows emp() { return readBack(dir_.file("emp.db"), "SELECT NAME, BORN, SAL, RECNO FROM EMP ORDER BY rowid"); }

  test::TempDir dir_;
  SqliteSession session_{dir_.path()};
  std::vector<SessionError> handled_;
  bool fail_ = true;
};

TEST_F(SqliteSessionTest, ConnectStringReadsBackWithTheDatabaseFile) {
  EXPECT_EQ(session_.serverVersion(), "");
  EXPECT_EQ(session_.username(), "owner1");
  EXPECT_EQ(session_.password(), "secret");
  EXPECT_EQ(session_.server(), "sqlite:emp.db");
  EXPECT_EQ(session_.connectString(), "owner1/secret@sqlite:" + dir_.file("emp.db"));
  ASSERT_TRUE(session_.connect().isOk());
  EXPECT_TRUE(session_.connected());
  EXPECT_EQ(session_.serverVersion().rfind("SQLite 3.", 0), 0u) << session_.serverVersion();
  session_.disconnect();
  EXPECT_FALSE(session_.connected());
  EXPECT_EQ(session_.serverVersion(), "");
}

TEST_F(SqliteSessionTest, ServerTextForms) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"u/p@data.db", dir_.file("data.db")},
      {"u/p@sqlite:sub/../x.db", dir_.file("x.db")},
      {"u/p@", dir_.file("tarvex.db")},
      {"u/p@sqlite:/abs/t.db", "/abs/t.db"},
      {"u/p@SQLITE:a@b.db", dir_.file("a@b.db")},
  };
  for (const auto& [text, path] : cases) {
    SqliteSession s(dir_.path());
    s.setConnectString(text);
    EXPECT_EQ(s.databasePath(), path) << text;
    EXPECT_EQ(s.connectString(), "u/p@sqlite:" + path) << text;
  }
}

TEST_F(SqliteSessionTest, LoadsTheScriptsTheEngineWrites) {
  connectWithTable();
  std::string script = "SET DEFINE OFF;\r\n";
  script += insertRow("'SMITH', TO_DATE('19700101', 'YYYYMMDD'), 12.50, 1");
  script += insertRow("'O''NEIL', NULL, NULL,\r\n    2");  // a wrapped row
  script += "COMMIT;\r\n";
  script += insertRow("'two\r\nlines', TO_DATE('20000229', 'YYYYMMDD'), -7, 3");
  script += insertRow("'', TO_DATE('19991231', 'YYYYMMDD'), 1234567.25, 4");
  script += "COMMIT;\r\n";
  Script s(session_);
  ASSERT_TRUE(runScript("EMP.Sql", script, &s).isOk()) << s.errors().size();
  EXPECT_EQ(s.statementsDone(), 7);
  EXPECT_EQ(emp(), (Rows{{"SMITH", "1970-01-01", "12.5", "1"},
                         {"O'NEIL", "<null>", "<null>", "2"},
                         {"two\r\nlines", "2000-02-29", "-7", "3"},
                         {"<null>", "1999-12-31", "1234567.25", "4"}}));
  // One prepared head served every row.
  EXPECT_EQ(session_.preparedHeads(), 1u);
  EXPECT_TRUE(handled_.empty());
}

TEST_F(SqliteSessionTest, StatementsOutsideTheFastPathRunAsWritten) {
  connectWithTable();
  Script s(session_);
  s.add("insert into owner1.emp (name, born, sal, recno) values (upper('ab') || 'c', "
        "TO_DATE('01.02.2003', 'DD.MM.YYYY'), 2 * 3, 1);");
  s.add("update owner1.EMP set SAL = SAL + 1 where RECNO = 1;");
  ASSERT_TRUE(s.execute().isOk());
  EXPECT_EQ(emp(), (Rows{{"ABc", "2003-02-01", "7", "1"}}));
}

TEST_F(SqliteSessionTest, NamesMatchWithoutRegardToLetterCase) {
  ASSERT_TRUE(session_.connect().isOk());
  ASSERT_TRUE(session_.executeSql("create table OWNER1.emp (name varchar2(5), born date, sal number, recno number)").isOk());
  ASSERT_TRUE(session_.executeSql("Insert into Owner1.EMP (Name, BORN, sal, RecNo) Values ('x', NULL, 1, 1);").isOk());
  ASSERT_TRUE(session_.executeSql("insert into emp (NAME, born, SAL, recno) values ('y', NULL, 2, 2)").isOk());
  ASSERT_TRUE(session_.commit().isOk());
  EXPECT_EQ(emp(), (Rows{{"x", "<null>", "1", "1"}, {"y", "<null>", "2", "2"}}));
}

TEST_F(SqliteSessionTest, ExistenceQueryAnswersAsTheDictionaryWould) {
  connectWithTable();
  const std::string sql =
      "Select T.table_name, T.owner from sys.ALL_ALL_TABLES T where T.owner = :own and  "
      "T.table_name = :Tab";
  struct Case {
    const char* own;
    const char* tab;
    bool found;
  };
  for (const Case& c : {Case{"OWNER1", "EMP", true}, Case{"OWNER1", "DEPT", false},
                        Case{"OTHER", "EMP", false}, Case{"owner1", "EMP", false}}) {
    Query q(session_);
    q.setSql(sql);
    q.setParam("own", c.own);
    q.setParam(":Tab", c.tab);
    ASSERT_TRUE(q.open().isOk());
    EXPECT_EQ(!q.eof(), c.found) << c.own << "." << c.tab;
    if (c.found) {
      EXPECT_EQ(q.field("table_name"), "EMP");
      EXPECT_EQ(q.field("OWNER"), "OWNER1");
    }
    q.close();
  }
  // A table created in lower case is listed upper-cased, as Oracle stores unquoted names.
  ASSERT_TRUE(session_.executeSql("CREATE TABLE owner1.dept (n NUMBER)").isOk());
  Query q(session_);
  q.setSql(sql);
  q.setParam("OWN", "OWNER1");
  q.setParam("TAB", "DEPT");
  ASSERT_TRUE(q.open().isOk());
  EXPECT_FALSE(q.eof());
}

TEST_F(SqliteSessionTest, AQueryParameterLeftUnboundIsAnError) {
  ASSERT_TRUE(session_.connect().isOk());
  QueryRows rows;
  DbStatus s = session_.query("select :a, :b", {{"a", "1"}}, rows);
  EXPECT_EQ(s.kind(), DbStatus::Kind::kFailed);
  EXPECT_EQ(s.err().code, 1008);
  EXPECT_EQ(s.err().message, "ORA-01008: not all variables bound (:b)");
  ASSERT_EQ(handled_.size(), 1u);
}

TEST_F(SqliteSessionTest, TruncateEmptiesTheTable) {
  connectWithTable();
  Script s(session_);
  ASSERT_TRUE(runScript("a.Sql", insertRow("'A', NULL, 1, 1") + "COMMIT;\r\n", &s).isOk());
  ASSERT_EQ(emp().size(), 1u);
  s.clear();
  s.add("TRUNCATE TABLE EMP");
  ASSERT_TRUE(s.execute().isOk());
  EXPECT_TRUE(emp().empty());
}

// A statement that fails inside a script: its code, the script file, its line, and the server's
// message; the default handling reports it and goes on.
struct ErrorCase {
  const char* name;
  std::string row;  // the failing statement
  int code;
  const char* inMessage;
};

class ScriptErrors : public SqliteSessionTest, public testing::WithParamInterface<ErrorCase> {};

TEST_P(ScriptErrors, AreLocatedAndCoded) {
  const ErrorCase& c = GetParam();
  connectWithTable();
  std::string script = "SET DEFINE OFF;\r\n" + insertRow("'OK1', NULL, 1, 1") + "COMMIT;\r\n" +
                       c.row + insertRow("'LOST', NULL, 2, 2") + "COMMIT;\r\n" +
                       insertRow("'OK2', NULL, 3, 3") + "COMMIT;\r\n";
  Script s(session_);
  DbStatus st = runScript("E.Sql", script, &s);
  EXPECT_EQ(st.kind(), DbStatus::Kind::kFailed);
  ASSERT_EQ(s.errors().size(), 1u) << c.name;
  const SessionError& e = s.errors()[0];
  EXPECT_EQ(e.code, c.code) << c.name << ": " << e.message;
  EXPECT_EQ(e.file, dir_.file("E.Sql"));
  EXPECT_EQ(e.line, 7) << c.name;  // the failing statement starts on line 7
  EXPECT_NE(e.message.find(c.inMessage), std::string::npos) << e.message;
  char ora[16];
  std::snprintf(ora, sizeof ora, "ORA-%05d: ", c.code);
  EXPECT_EQ(e.message.rfind(ora, 0), 0u) << e.message;
  EXPECT_EQ(e.text(), dir_.file("E.Sql") + ", line 7: " + e.message);
  ASSERT_EQ(handled_.size(), 1u);
  EXPECT_EQ(handled_[0].line, 7);
  // The default goes on after the failing transaction: its other statements are lost with it,
  // the committed rows before and the next transaction are loaded. A failing CREATE TABLE
  // belongs to no transaction, so the row after it is loaded too.
  const bool ddl = c.row.rfind("CREATE", 0) == 0;
  Rows rows = emp();
  ASSERT_EQ(rows.size(), ddl ? 3u : 2u);
  EXPECT_EQ(rows[0][0], "OK1");
  EXPECT_EQ(rows.back()[0], "OK2");
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ScriptErrors,
    testing::Values(
        ErrorCase{"text_longer_than_varchar2", insertRow("'ELEVENCHARS', NULL, 1, 9"),
                  kErrValueTooLarge, "column \"OWNER1\".\"EMP\".\"NAME\" (actual: 11, maximum: 10)"},
        ErrorCase{"day_that_does_not_exist",
                  insertRow("'X', TO_DATE('19990431', 'YYYYMMDD'), 1, 9"), kErrInvalidDate,
                  "date not valid for month specified"},
        ErrorCase{"date_in_a_general_statement",
                  "insert into owner1.EMP (NAME, BORN) values (lower('X'), "
                  "TO_DATE('19990229', 'YYYYMMDD'));\r\n",
                  kErrInvalidDate, "date not valid"},
        ErrorCase{"text_in_a_number_column", insertRow("'X', NULL, 'abc', 9"), kErrInvalidNumber,
                  "column \"SAL\": 'abc'"},
        ErrorCase{"text_for_a_date", insertRow("'X', '1999-02-30', 1, 9"), kErrInvalidDate,
                  "column \"BORN\""},
        ErrorCase{"number_for_a_date", insertRow("'X', 19990101, 1, 9"), 932,
                  "expected DATE got NUMBER"},
        ErrorCase{"computed_text_too_long",
                  "insert into owner1.EMP (NAME) values (upper('abcdef') || 'ghijk');\r\n",
                  kErrValueTooLarge, "(actual: 11, maximum: 10)"},
        ErrorCase{"unknown_table", "Insert into owner1.NOPE\r\n   (A)\r\nValues\r\n   (1);\r\n",
                  kErrNoSuchTable, "no such table"},
        ErrorCase{"unknown_column", "Insert into owner1.EMP\r\n   (NOPE)\r\nValues\r\n   (1);\r\n",
                  kErrInvalidIdentifier, "NOPE"},
        ErrorCase{"too_many_values", insertRow("'X', NULL, 1, 9, 10"), kErrTooManyValues,
                  "5 values for 4 columns"},
        ErrorCase{"not_enough_values", insertRow("'X', NULL"), kErrNotEnoughValues,
                  "2 values for 4 columns"},
        ErrorCase{"syntax", "Insert inot owner1.EMP (NAME) Values ('x');\r\n", kErrInvalidSql,
                  "syntax error"},
        ErrorCase{"table_exists", "CREATE TABLE owner1.EMP (X NUMBER);\r\n",
                  kErrNameUsed, "already exists"}),
    [](const testing::TestParamInfo<ErrorCase>& i) { return std::string(i.param.name); });

TEST_F(SqliteSessionTest, AFailureLosesItsWholeTransactionOnly) {
  connectWithTable();
  std::string script = insertRow("'A', NULL, 1, 1") + insertRow("'B', NULL, 2, 2") + "COMMIT;\r\n" +
                       insertRow("'C', NULL, 3, 3") +
                       insertRow("'TOO LONG A NAME', NULL, 4, 4") +  // line 14
                       insertRow("'E', NULL, 5, 5") + "COMMIT;\r\n" +
                       insertRow("'F', NULL, 6, 6") + "COMMIT;\r\n";
  Script s(session_);
  EXPECT_EQ(runScript("R.Sql", script, &s).kind(), DbStatus::Kind::kFailed);
  ASSERT_EQ(s.errors().size(), 1u);
  EXPECT_EQ(s.errors()[0].line, 14);
  // A and B were committed; C and E belong to the failing transaction and are lost with it;
  // F, after the next COMMIT, is loaded.
  Rows rows = emp();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], "A");
  EXPECT_EQ(rows[1][0], "B");
  EXPECT_EQ(rows[2][0], "F");
}

TEST_F(SqliteSessionTest, SilentAbortStopsTheScript) {
  connectWithTable();
  fail_ = false;
  std::string script = insertRow("'A', NULL, 1, 1") + "COMMIT;\r\n" +
                       insertRow("'B', NULL, 2, 2") + insertRow("'X', NULL, 'bad', 3") +
                       insertRow("'C', NULL, 3, 3") + "COMMIT;\r\n";
  Script s(session_);
  DbStatus st = runScript("S.Sql", script, &s);
  EXPECT_TRUE(st.isAborted());
  EXPECT_EQ(st.err().code, kErrInvalidNumber);
  EXPECT_TRUE(s.errors().empty());  // nothing shown: the abort is silent
  ASSERT_EQ(handled_.size(), 1u);
  EXPECT_EQ(handled_[0].line, 10);
  Rows rows = emp();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "A");
}

TEST_F(SqliteSessionTest, ScriptErrorHandlerChoosesTheAction) {
  connectWithTable();
  // C shares the failing transaction; D follows the COMMIT.
  const std::string script = insertRow("'X', NULL, 'bad', 3") + insertRow("'C', NULL, 3, 3") +
                             "COMMIT;\r\n" + insertRow("'D', NULL, 4, 4");
  struct Case {
    Script::Action action;
    DbStatus::Kind kind;
    size_t rows;
  };
  for (const Case& c : {Case{Script::Action::kContinue, DbStatus::Kind::kFailed, 1},
                        Case{Script::Action::kAbort, DbStatus::Kind::kAborted, 0},
                        Case{Script::Action::kFail, DbStatus::Kind::kFailed, 0}}) {
    ASSERT_TRUE(session_.executeSql("DELETE FROM owner1.EMP").isOk());
    ASSERT_TRUE(session_.commit().isOk());
    Script s(session_);
    int calls = 0;
    s.setOnError([&](const SessionError& e, const ScriptStatement& st, Script::Action& a) {
      ++calls;
      EXPECT_EQ(e.code, kErrInvalidNumber);
      EXPECT_EQ(st.line, 1);
      EXPECT_EQ(a, Script::Action::kContinue);
      a = c.action;
    });
    s.add(script);
    EXPECT_EQ(s.execute().kind(), c.kind);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(emp().size(), c.rows);
  }
}

TEST_F(SqliteSessionTest, MasterScriptRunsTheNamedScripts) {
  connectWithTable();
  test::writeFile(dir_.file("A.Sql"), "SET DEFINE OFF;\r\n" + insertRow("'A', NULL, 1, 1") + "COMMIT;\r\n");
  test::writeFile(dir_.file("B.Sql"), insertRow("'B', NULL, 2, 2") + insertRow("'BAD', NULL, 'x', 3") + "COMMIT;\r\n" + insertRow("'B2', NULL, 4, 4") + "COMMIT;\r\n");
  Script s(session_);
  DbStatus st = runScript("master.Sql",
                          "@\"" + dir_.file("A.Sql") + "\"\r\n@\"B.Sql\"\r\n", &s);
  EXPECT_EQ(st.kind(), DbStatus::Kind::kFailed);
  ASSERT_EQ(s.errors().size(), 1u);
  EXPECT_EQ(s.errors()[0].file, dir_.file("B.Sql"));  // named by the script it stands in
  EXPECT_EQ(s.errors()[0].line, 5);
  Rows rows = emp();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "A");
  EXPECT_EQ(rows[1][0], "B2");

  Script missing(session_);
  DbStatus m = runScript("m2.Sql", "@\"" + dir_.file("nope.Sql") + "\"\r\n", &missing);
  EXPECT_EQ(m.kind(), DbStatus::Kind::kError);
  EXPECT_NE(m.message().find("nope.Sql"), std::string::npos) << m.message();
  EXPECT_NE(m.message().find("m2.Sql, line 1"), std::string::npos) << m.message();
}

TEST_F(SqliteSessionTest, AScriptFileThatCannotBeReadIsNotADatabaseError) {
  Script s(session_);
  DbStatus st = s.loadFromFile(dir_.file("missing.Sql"));
  EXPECT_EQ(st.kind(), DbStatus::Kind::kError);
  EXPECT_NE(st.message().find("missing.Sql"), std::string::npos);
  EXPECT_TRUE(handled_.empty());
}

TEST_F(SqliteSessionTest, ClientCharacterSetIsConvertedToUtf8) {
  struct Case {
    const char* set;
    std::string name;
  };
  for (const Case& c : {Case{"RU8PC866", "\x88\xA2\xA0\xAD"}, Case{"CL8MSWIN1251", "\xC8\xE2\xE0\xED"}}) {
    SqliteSession s(dir_.path());
    s.setConnectString(std::string("owner1/x@") + c.set + ".db");
    s.setClientCharset(c.set);
    ASSERT_TRUE(s.connect().isOk());
    ASSERT_TRUE(s.executeSql(kTableScript).isOk());
    Script sc(s);
    sc.add(insertRow("'" + c.name + "', NULL, 1, 1"));
    ASSERT_TRUE(sc.execute().isOk()) << c.set;
    s.disconnect();
    EXPECT_EQ(readBack(dir_.file(std::string(c.set) + ".db"), "SELECT NAME FROM EMP"),
              (Rows{{"Иван"}}))
        << c.set;
  }
}

TEST_F(SqliteSessionTest, NlsLangOfTheProcessNamesTheClientSet) {
  ::setenv("NLS_LANG", "RUSSIAN_CIS.CL8MSWIN1251", 1);
  SqliteSession s(dir_.path());
  s.setConnectString("owner1/x@nls.db");
  DbStatus c = s.connect();
  ::unsetenv("NLS_LANG");
  ASSERT_TRUE(c.isOk());
  ASSERT_TRUE(s.executeSql(kTableScript).isOk());
  ASSERT_TRUE(s.executeSql(insertRow("'\xDF', NULL, 1, 1")).isOk());
  s.disconnect();
  EXPECT_EQ(readBack(dir_.file("nls.db"), "SELECT NAME FROM EMP"), (Rows{{"Я"}}));
}

TEST_F(SqliteSessionTest, TextInvalidInTheClientSetIsAnErrorNamingFileAndLine) {
  session_.setClientCharset("CL8MSWIN1251");
  connectWithTable();
  // 0x98 has no character in Windows-1251; it stands on the statement's third line.
  std::string script = insertRow("'OK', NULL, 1, 1") + "COMMIT;\r\n" +
                       "Insert into owner1.EMP\r\n   (NAME, BORN, SAL, RECNO)\r\nValues\r\n"
                       "   ('A', NULL, 1, 1);\r\n" +
                       "Insert into owner1.EMP\r\n   (NAME, BORN, SAL, RECNO)\r\nValues\r\n"
                       "   ('B\x98', NULL, 2, 2);\r\n";
  Script s(session_);
  EXPECT_EQ(runScript("cs.Sql", script, &s).kind(), DbStatus::Kind::kFailed);
  ASSERT_EQ(s.errors().size(), 1u);
  const SessionError& e = s.errors()[0];
  EXPECT_EQ(e.code, kErrInvalidText);
  EXPECT_EQ(e.file, dir_.file("cs.Sql"));
  EXPECT_EQ(e.line, 13);
  EXPECT_NE(e.message.find("CL8MSWIN1251"), std::string::npos) << e.message;
  EXPECT_NE(e.message.find("0x98"), std::string::npos) << e.message;
  // The batch with the invalid row is not half-written.
  Rows rows = emp();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "OK");
}

TEST_F(SqliteSessionTest, ConnectFailuresAreCoded) {
  struct Case {
    const char* connect;
    const char* charset;
    int code;
  };
  for (const Case& c : {Case{"/x@ok.db", "", kErrWrongPassword},
                        Case{"u/x@sqlite:no/such/folder/a.db", "", kErrUnknownServer},
                        Case{"u/x@notadb.db", "", kErrUnknownServer},
                        Case{"u/x@ok.db", "KLINGON8", 12705}}) {
    test::writeFile(dir_.file("notadb.db"), std::string(4096, 'x'));
    SqliteSession s(dir_.path());
    std::vector<SessionError> seen;
    s.setOnError([&](const SessionError& e, bool& fail) {
      seen.push_back(e);
      fail = false;
    });
    s.setConnectString(c.connect);
    s.setClientCharset(c.charset);
    DbStatus st = s.connect();
    EXPECT_TRUE(st.isAborted()) << c.connect;
    EXPECT_FALSE(s.connected());
    ASSERT_EQ(seen.size(), 1u) << c.connect;
    EXPECT_EQ(seen[0].code, c.code) << c.connect << ": " << seen[0].message;
    char ora[16];
    std::snprintf(ora, sizeof ora, "ORA-%05d", c.code);
    EXPECT_EQ(seen[0].message.rfind(ora, 0), 0u) << seen[0].message;
  }
}

TEST_F(SqliteSessionTest, StatementsNeedAConnection) {
  DbStatus st = session_.executeSql("COMMIT");
  EXPECT_EQ(st.kind(), DbStatus::Kind::kFailed);
  EXPECT_EQ(st.err().code, kErrNotConnected);
  ASSERT_EQ(handled_.size(), 1u);
}

}  // namespace
}  // namespace tarvex
