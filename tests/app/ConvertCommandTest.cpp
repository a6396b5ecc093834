// tarvex-cli convert end to end: the files it writes for small fixture tables, compared byte for
// byte with contents written by hand.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/DbfBuilder.h"
#include "support/RunCommand.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using ::testing::HasSubstr;
using test::DbfBuilder;

class ConvertCommandTest : public ::testing::Test {
 protected:
  ConvertCommandTest() {
    std::filesystem::create_directories(dir_.file("in"));
    std::filesystem::create_directories(dir_.file("out"));
    std::filesystem::create_directories(dir_.file("home/log"));
  }

  // The worked example: NAME C(10), BORN D(8), SAL N(8,2), one live record.
  std::string writeEmp() {
    const std::string path = dir_.file("in/EMP.DBF");
    test::writeFile(path, DbfBuilder()
                              .field("NAME", 'C', 10)
                              .field("BORN", 'D', 8)
                              .field("SAL", 'N', 8, 2)
                              .record(" SMITH     19700101   12.50")
                              .build());
    return path;
  }

  test::CommandResult convert(std::vector<std::string> args) {
    std::vector<std::string> all = {"convert"};
    all.insert(all.end(), args.begin(), args.end());
    for (const char* a : {"--home", "", "--out", "", "--plain"}) all.emplace_back(a);
    all[all.size() - 4] = dir_.file("home");
    all[all.size() - 2] = dir_.file("out");
    return test::runCommand(TARVEX_CLI_PATH, all);
  }

  // The one generated file with this extension; its base name must name the DBF file.
  std::string generated(const std::string& ext) {
    std::string found;
    for (const auto& e : std::filesystem::directory_iterator(dir_.file("out"))) {
      const std::string name = e.path().filename().string();
      if (name.size() > ext.size() && name.ends_with(ext) && name.find("_BAD") == std::string::npos) {
        EXPECT_TRUE(found.empty()) << "two files end in " << ext;
        found = e.path().string();
      }
    }
    EXPECT_FALSE(found.empty()) << "no file ends in " << ext;
    return found;
  }

  test::TempDir dir_;
};

const std::vector<std::string> kWorkedExample = {
    "--table", "emp", "--prj", "OWN=owner1", "--set", "AddFRno=Y", "--set", "LnFRno=6",
    "--set", "NumRno=RECNO", "--set", "AddFDel=Y", "--set", "LnFDel=1", "--set", "NumDel=DEL",
    "--set", "Path/DirLogFi=log"};

TEST_F(ConvertCommandTest, WorkedExampleDataFileAndLoaderFiles) {
  std::vector<std::string> args = {writeEmp(), "--set", "EnablSqlL=Y"};
  args.insert(args.end(), kWorkedExample.begin(), kWorkedExample.end());
  test::CommandResult r = convert(args);
  ASSERT_EQ(r.exit_code, 0) << r.err << r.out;
  EXPECT_TRUE(r.out.ends_with("RnrOra=1 RnrErr=0 RnrRej=0\n")) << r.out;

  const std::string dbl = generated(".Dbl");
  const std::string base = dbl.substr(0, dbl.size() - 4);
  EXPECT_THAT(base, testing::EndsWith("_IN_EMP"));
  EXPECT_EQ(test::readFile(dbl), "SMITH     19700101   12.50     1N\r\n");
  EXPECT_EQ(test::readFile(generated(".Ctl")),
            "LOAD DATA\r\n"
            "INFILE '" + base + ".Dbl'\r\n"
            "APPEND\r\n"
            "INTO TABLE EMP (\r\n"
            "NAME POSITION(1:10)  CHAR,\r\n"
            "BORN POSITION(11:18)  DATE \"YYYYMMDD\" NULLIF (BORN = BLANKS),\r\n"
            "SAL POSITION(19:26)  DECIMAL EXTERNAL "
            "\"TO_NUMBER(:SAL,'99999999D9999999','NLS_NUMERIC_CHARACTERS=''. ''')\",\r\n"
            "RECNO POSITION(27:32)  INTEGER EXTERNAL,\r\n"
            "DEL POSITION(33:33) CHAR)\r\n");
  EXPECT_EQ(test::readFile(generated(".par")),
            "bindsize=256000\r\n"
            "rows=10000\r\n"
            "control='" + base + ".Ctl'\r\n"
            "Log='" + dir_.file("home/log/") + base.substr(base.rfind('/') + 1) + ".Log'\r\n"
            "bad='" + base + ".Bad'\r\n"
            "parallel=true\r\n"
            "multithreading=true\r\n"
            "columnarrayrows=10000\r\n"
            "streamsize=512000\r\n"
            "errors=100000\r\n");
  EXPECT_EQ(test::readFile(generated(".STB")),
            "CREATE TABLE owner1.EMP (\r\n"
            "        NAME                       VARCHAR2(10),\r\n"
            "        BORN                       DATE,\r\n"
            "        SAL                        NUMBER,\r\n"
            "        RECNO                      NUMBER,\r\n"
            "        DEL                        VARCHAR2(1))\r\n");
}

TEST_F(ConvertCommandTest, WorkedExampleScript) {
  std::vector<std::string> args = {writeEmp(), "--set", "EnablSqlL=N"};
  args.insert(args.end(), kWorkedExample.begin(), kWorkedExample.end());
  test::CommandResult r = convert(args);
  ASSERT_EQ(r.exit_code, 0) << r.err << r.out;
  EXPECT_EQ(test::readFile(generated(".Sql")),
            "SET DEFINE OFF;\r\n"
            "Insert into owner1.EMP\r\n"
            "   (NAME, BORN, SAL, RECNO, DEL)\r\n"
            "Values\r\n"
            "   ('SMITH', TO_DATE('19700101', 'YYYYMMDD'), 12.50, 1, 'N');\r\n"
            "COMMIT;\r\n");
  // Without the loader no control or parameter file is written.
  for (const auto& e : std::filesystem::directory_iterator(dir_.file("out"))) {
    EXPECT_FALSE(e.path().string().ends_with(".Ctl")) << e.path();
    EXPECT_FALSE(e.path().string().ends_with(".par")) << e.path();
  }
}

TEST_F(ConvertCommandTest, RejectedRecordsGoToTheBadFile) {
  const std::string path = dir_.file("in/PAY.DBF");
  test::writeFile(path, DbfBuilder()
                            .field("ID", 'N', 4)
                            .field("PAID", 'D', 8)
                            .record("    119990101")
                            .record("    219991341")  // month 13, day 41: code 4 > 3
                            .record("    320000229")
                            .build());
  test::CommandResult r = convert({path, "--set", "EnablSqlL=Y", "--set", "NrMaxAcEr=3",
                                   "--set", "ErInDate=4", "--set", "ChkDtErr=Y"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(r.out.ends_with("RnrOra=2 RnrErr=1 RnrRej=1\n")) << r.out;
  EXPECT_EQ(test::readFile(generated(".Dbl")), "   119990101\r\n   320000229\r\n");
  std::string bad;
  for (const auto& e : std::filesystem::directory_iterator(dir_.file("out"))) {
    if (e.path().string().find("PAY_") != std::string::npos &&
        e.path().string().ends_with("_BAD.DBF")) {
      bad = e.path().string();
    }
  }
  ASSERT_FALSE(bad.empty());
  const std::string bytes = test::readFile(bad);
  ASSERT_EQ(bytes.size(), 97u + 13u + 1u);
  EXPECT_EQ(bytes.substr(97, 13), "    219991341");
  EXPECT_THAT(r.out, HasSubstr(bad.substr(bad.rfind('/') + 1)));
}

TEST_F(ConvertCommandTest, FailuresExitNonZeroWithOneLine) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* reason;
  } cases[] = {
      {"missing file", {dir_.file("in/NONE.DBF")}, "NONE.DBF"},
      {"bad --prj", {writeEmp(), "--prj", "PORT=abc"}, "PORT"},
      {"unknown field", {writeEmp(), "--prj", "NOPE=1"}, "NOPE"},
      {"bad --set", {writeEmp(), "--set", "novalue"}, "--set"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::CommandResult r = convert(c.args);
    EXPECT_NE(r.exit_code, 0);
    EXPECT_THAT(r.err, HasSubstr(c.reason));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  // A folder of generated files that does not exist.
  test::CommandResult r = test::runCommand(
      TARVEX_CLI_PATH, {"convert", writeEmp(), "--home", dir_.file("home"), "--out",
                        dir_.file("nowhere"), "--plain"});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_THAT(r.err, HasSubstr("nowhere"));
}

}  // namespace
}  // namespace tarvex
