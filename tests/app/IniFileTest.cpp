#include "app/IniFile.h"

#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TempDir.h"

namespace tarvex {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

class IniFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_.file("Tarvex.ini");
  IniFile ini_{path_};
};

TEST_F(IniFileTest, LookupsIgnoreLetterCaseAndReadBothLineEnds) {
  for (const char* eol : {"\n", "\r\n"}) {
    std::string content = std::string("; settings") + eol + "[Setup]" + eol + "ChkDtErr=Y" + eol +
                          "  NrToShowErr = 25  " + eol + "[Other]" + eol + "7=\"  Record \"" + eol;
    writeFile(path_, content);
    SCOPED_TRACE(eol[0] == '\r' ? "CRLF" : "LF");
    EXPECT_EQ(ini_.get("SETUP", "chkdterr"), "Y");
    EXPECT_EQ(ini_.get("setup", "NRTOSHOWERR"), "25");
    EXPECT_EQ(ini_.get("Other", "7"), "  Record ");  // quotes keep the blanks
    EXPECT_EQ(ini_.get("Other", "ChkDtErr"), "");   // a key of another section
    EXPECT_EQ(ini_.get("Missing", "x"), "");
  }
}

TEST_F(IniFileTest, MissingFileReadsEmptyAndFirstWriteCreatesIt) {
  EXPECT_EQ(ini_.get("SETUP", "Port"), "");
  ASSERT_TRUE(ini_.put("SETUP", "Port", "1521").isOk());
  EXPECT_EQ(readFile(path_), "[SETUP]\nPort=1521\n");
}

TEST_F(IniFileTest, WritesKeepEveryOtherLine) {
  const std::string before =
      "; comment at the top\r\n"
      "[SETUP]\r\n"
      "Port=1521\r\n"
      "Unknown=keep me\r\n"
      "\r\n"
      "; a comment of Other\r\n"
      "[Other]\r\n"
      "7=Record <#1#>\r\n";
  writeFile(path_, before);

  // Replace where it stands (the key keeps its own spelling).
  ASSERT_TRUE(ini_.put("setup", "PORT", "1600").isOk());
  // Add a missing key at the end of its section, before the blank line.
  ASSERT_TRUE(ini_.put("SETUP", "Ip", "127.0.0.1").isOk());
  // Add a missing section at the end.
  ASSERT_TRUE(ini_.put("GR_UserSch", "CNT", "0").isOk());

  EXPECT_EQ(readFile(path_),
            "; comment at the top\r\n"
            "[SETUP]\r\n"
            "Port=1600\r\n"
            "Unknown=keep me\r\n"
            "Ip=127.0.0.1\r\n"
            "\r\n"
            "; a comment of Other\r\n"
            "[Other]\r\n"
            "7=Record <#1#>\r\n"
            "[GR_UserSch]\r\n"
            "CNT=0\r\n");
}

TEST_F(IniFileTest, ValuesWithEdgeBlanksOrQuotesRoundTrip) {
  for (const char* value : {"  lead", "trail  ", "\"quoted\"", "", "a=b;c", "Ünïcode ✓"}) {
    ASSERT_TRUE(ini_.put("Other", "k", value).isOk());
    EXPECT_EQ(ini_.get("Other", "k"), value);
  }
}

TEST_F(IniFileTest, ValueWithLineBreakIsRefusedAndNothingChanges) {
  ASSERT_TRUE(ini_.put("SETUP", "a", "1").isOk());
  Status s = ini_.put("SETUP", "a", "x\ny");
  EXPECT_EQ(s.kind(), Status::Kind::kInvalidArgument);
  EXPECT_EQ(ini_.get("SETUP", "a"), "1");
}

TEST_F(IniFileTest, EraseSectionRemovesItWhole) {
  writeFile(path_,
            "[GR_DbseSrv]\nCNT=2\n100=a\n; its comment\n101=b\n[SETUP]\nPort=1\n"
            "[gr_dbsesrv]\nIND=0\n");
  ASSERT_TRUE(ini_.eraseSection("GR_DbseSrv").isOk());
  EXPECT_EQ(readFile(path_), "[SETUP]\nPort=1\n");
  // Erasing a section that is not there changes nothing and is no error.
  ASSERT_TRUE(ini_.eraseSection("Nope").isOk());
  EXPECT_EQ(readFile(path_), "[SETUP]\nPort=1\n");
}

TEST_F(IniFileTest, WriteThatCannotBeDoneIsReportedAndLosesNothing) {
  if (::geteuid() == 0) {
    // root ignores folder permissions; a path under a regular file fails for everyone.
    writeFile(dir_.file("plain"), "x");
    IniFile blocked(dir_.file("plain/Tarvex.ini"));
    Status s = blocked.put("SETUP", "Port", "1");
    EXPECT_FALSE(s.isOk());
    EXPECT_NE(s.message().find("plain/Tarvex.ini"), std::string::npos) << s.message();
    return;
  }
  ASSERT_TRUE(ini_.put("SETUP", "Port", "1521").isOk());
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);
  Status s = ini_.put("SETUP", "Port", "9999");
  ::chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ(s.kind(), Status::Kind::kIoError);
  EXPECT_NE(s.message().find(path_), std::string::npos) << s.message();
  EXPECT_EQ(ini_.get("SETUP", "Port"), "1521");
}

TEST_F(IniFileTest, WriteThatRunsOutOfSpaceIsReportedAndKeepsTheOldContent) {
  // A file-size limit makes write() fail part-way, as a full disk does.
  ASSERT_TRUE(ini_.put("SETUP", "Port", "1521").isOk());
  const std::string before = readFile(path_);
  struct rlimit old_limit {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  Status s = ini_.put("Other", "long", std::string(500, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(s.kind(), Status::Kind::kIoError);
  EXPECT_NE(s.message().find(path_), std::string::npos) << s.message();
  EXPECT_EQ(readFile(path_), before);
}

TEST_F(IniFileTest, ReadOfFolderIsAnErrorNotAnEmptyValue) {
  IniFile folder(dir_.path());
  std::string v = "old";
  Status s = folder.read("SETUP", "Port", &v);
  EXPECT_FALSE(s.isOk());
  EXPECT_EQ(v, "");
  EXPECT_EQ(folder.get("SETUP", "Port"), "");
}

}  // namespace
}  // namespace tarvex
