// tarvex-cli exec against real SQLite database files.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "oracle/uEncrypt.h"
#include "support/RunCommand.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

std::vector<std::string> column(const std::string& db_path, const std::string& sql) {
  std::vector<std::string> out;
  sqlite3* db = nullptr;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      const unsigned char* t = sqlite3_column_text(st, 0);
      out.push_back(t ? reinterpret_cast<const char*>(t) : "<null>");
    }
  } else {
    ADD_FAILURE() << "cannot read " << db_path << ": " << sqlite3_errmsg(db);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

class ExecCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    test::writeFile(dir_.file("EMP.STB"),
                    "CREATE TABLE scott.EMP (\r\n"
                    "        NAME                       VARCHAR2(5),\r\n"
                    "        BORN                       DATE)\r\n");
    test::writeFile(dir_.file("EMP.Sql"),
                    "SET DEFINE OFF;\r\n"
                    "Insert into scott.EMP\r\n   (NAME, BORN)\r\nValues\r\n"
                    "   ('ANN', TO_DATE('19800229', 'YYYYMMDD'));\r\n"
                    "COMMIT;\r\n"
                    "Insert into scott.EMP\r\n   (NAME, BORN)\r\nValues\r\n"
                    "   ('BOB', NULL);\r\n"
                    "COMMIT;\r\n");
    test::writeFile(dir_.file("master.Sql"), "@\"" + dir_.file("EMP.STB") + "\"\r\n@\"" +
                                                 dir_.file("EMP.Sql") + "\"\r\n");
  }

  test::CommandResult exec(std::vector<std::string> args) {
    args.insert(args.begin(), "exec");
    args.push_back("--home");
    args.push_back(dir_.file("home"));
    return test::runCommand(TARVEX_CLI_PATH, args);
  }

  test::TempDir dir_;
};

TEST_F(ExecCommandTest, MasterScriptLoadsTheTable) {
  test::CommandResult r =
      exec({"--connect", "scott/tiger@sqlite:" + dir_.file("db.sqlite"), dir_.file("master.Sql")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, dir_.file("master.Sql") + ": 6 statements done, 0 failed\n");
  EXPECT_EQ(column(dir_.file("db.sqlite"), "SELECT NAME || '|' || ifnull(BORN, '-') FROM EMP"),
            (std::vector<std::string>{"ANN|1980-02-29", "BOB|-"}));
}

TEST_F(ExecCommandTest, FailingStatementIsReportedAndTheRestRuns) {
  test::writeFile(dir_.file("bad.Sql"),
                  "Insert into scott.EMP\r\n   (NAME, BORN)\r\nValues\r\n   ('TOO LONG', NULL);\r\n"
                  "COMMIT;\r\n"
                  "Insert into scott.EMP\r\n   (NAME, BORN)\r\nValues\r\n   ('CY', NULL);\r\n"
                  "COMMIT;\r\n");
  const std::string db = "scott/tiger@sqlite:" + dir_.file("db.sqlite");
  ASSERT_EQ(exec({"--connect", db, dir_.file("EMP.STB")}).exit_code, 0);
  test::CommandResult r = exec({"--connect", db, dir_.file("bad.Sql")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "tarvex-cli exec: " + dir_.file("bad.Sql") +
                       ", line 1: ORA-12899: value too large for column \"SCOTT\".\"EMP\".\"NAME\" "
                       "(actual: 8, maximum: 5)\n");
  EXPECT_EQ(column(dir_.file("db.sqlite"), "SELECT NAME FROM EMP"),
            std::vector<std::string>{"CY"});
}

TEST_F(ExecCommandTest, ConnectionFailures) {
  struct Case {
    std::vector<std::string> args;
    const char* inErr;
  };
  const Case cases[] = {
      {{"--connect", "scott/tiger@sqlite:" + dir_.file("no/such/db"), dir_.file("EMP.STB")},
       "ORA-12154"},
      {{"--connect", "scott/tiger@ORCL", dir_.file("EMP.STB")}, "names no database"},
      {{"--connect", "/tiger@sqlite:x.db", dir_.file("EMP.STB")}, "ORA-01017"},
      {{"--connect", "scott/tiger@sqlite:x.db"}, "name at least one script"},
      {{"--connect", "scott/tiger@sqlite:x.db", "--bogus", dir_.file("EMP.STB")},
       "unknown option --bogus"},
  };
  for (const Case& c : cases) {
    test::CommandResult r = exec(c.args);
    EXPECT_EQ(r.exit_code, 1) << c.inErr;
    EXPECT_NE(r.err.find(c.inErr), std::string::npos) << r.err;
  }
}

TEST_F(ExecCommandTest, StoredCredentialsOfTheProjectConnect) {
  test::CommandResult r =
      exec({"--prj", "OWN=scott", "--prj", "PAROLA=" + ScramblePass("tiger"), "--prj",
            "BAZA=" + dir_.file("stored.db"), "--prj", "HOMENAME=0", "--prj", "CONNECTING=N",
            dir_.file("master.Sql")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(column(dir_.file("stored.db"), "SELECT NAME FROM EMP"),
            (std::vector<std::string>{"ANN", "BOB"}));
}

TEST_F(ExecCommandTest, MissingScriptFileEndsTheRun) {
  test::CommandResult r = exec({"--connect", "scott/tiger@sqlite:" + dir_.file("db.sqlite"),
                                dir_.file("nope.Sql"), dir_.file("EMP.STB")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("nope.Sql"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace tarvex
