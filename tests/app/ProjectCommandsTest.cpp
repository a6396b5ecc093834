// tarvex-cli project and dbf commands, run one after the other over one program folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/DbfBuilder.h"
#include "support/RunCommand.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using ::testing::HasSubstr;

class ProjectCommandsTest : public ::testing::Test {
 protected:
  test::CommandResult cli(std::vector<std::string> args) {
    args.push_back("--home");
    args.push_back(dir_.file("home"));
    args.push_back("--plain");
    return test::runCommand(TARVEX_CLI_PATH, args);
  }
  test::TempDir dir_;
};

TEST_F(ProjectCommandsTest, SaveListShowAddRemove) {
  test::CommandResult r = cli({"project", "save", "Payroll", "--prj", "OWN=hr", "--set", "Commit=250"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("Project is added (in a Data Base): Payroll (key 1)"));
  r = cli({"project", "save", "Stock"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = cli({"project", "save", "Payroll", "--set", "Commit=300"});
  EXPECT_THAT(r.out, HasSubstr("Project is updated (in a Data Base): Payroll (key 1)"));

  r = cli({"project", "list"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("1\tPayroll\t"));
  EXPECT_THAT(r.out, HasSubstr("2\tStock\t"));

  r = cli({"project", "show", "Payroll"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("\nOWN=hr\n"));
  EXPECT_THAT(r.out, HasSubstr("\nCOMMIT=300\n"));
  EXPECT_THAT(r.out, HasSubstr("SUBSIST=Payroll\n"));

  std::filesystem::create_directories(dir_.file("dbf/sub"));
  for (const char* f : {"dbf/EMP.DBF", "dbf/sub/DEPT.DBF"}) {
    test::writeFile(dir_.file(f), test::DbfBuilder().field("A", 'C', 40).record(" x").build());
  }
  r = cli({"dbf", "add", "--project", "Payroll", "--folder", dir_.file("dbf")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("EMP.DBF"));
  EXPECT_THAT(r.out, HasSubstr("DEPT.DBF"));
  r = cli({"dbf", "list", "--project", "Payroll"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr(dir_.file("dbf/sub/") + "DEPT.DBF"));
  EXPECT_THAT(r.out, HasSubstr("EMP "));

  r = cli({"project", "remove", "Payroll"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = cli({"project", "list"});
  // One project is left.
  EXPECT_EQ(r.out.rfind("2\tStock\t", 0), 0u) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
}

TEST_F(ProjectCommandsTest, FailuresExitNonZeroWithOneLine) {
  struct Case {
    std::vector<std::string> args;
    const char* reason;
  } cases[] = {
      {{"project", "show", "Nope"}, "Nope"},
      {{"project", "remove", "Nope"}, "Nope"},
      {{"dbf", "list", "--project", "Nope"}, "Nope"},
      {{"dbf", "add", "--project", "Nope"}, "usage"},
      {{"project", "save", "X", "--prj", "COMMIT=many"}, "COMMIT"},
      {{"project", "frobnicate"}, "frobnicate"},
  };
  for (const Case& c : cases) {
    test::CommandResult r = cli(c.args);
    EXPECT_NE(r.exit_code, 0) << c.reason;
    EXPECT_THAT(r.err, HasSubstr(c.reason));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

}  // namespace
}  // namespace tarvex
