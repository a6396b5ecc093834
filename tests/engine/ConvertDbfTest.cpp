// The conversion run end to end on small fixture files: the load files are compared byte for
// byte with contents written by hand from the rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <map>

#include "app/IniFile.h"
#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "engine/CmpDbfGOra.h"
#include "projects/ProjectRecords.h"
#include "support/DbfBuilder.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using test::DbfBuilder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RecordingLog : public LogSink {
 public:
  void AddLine(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

class RecordingBoxes : public MessageSink {
 public:
  void showError(std::string_view text) override { texts.emplace_back(text); }
  std::vector<std::string> texts;
};

// Short texts that make the log lines easy to predict.
constexpr const char* kTexts =
    "[Other]\n"
    "6=\" deleted\"\n"
    "7=REC <#1#> \n"
    "27=\"bad first byte <#1#>\"\n"
    "31=\" <#3#><#X#>code <#1#> empty\"\n"
    "32=\" code <#1#> empty -> <#2#>\"\n"
    "33=\" code <#1#> -> <#2#>\"\n"
    "34=\" code <#1#> early -> <#2#>\"\n"
    "35=\" code <#1#> early -> <#2#>\"\n"
    "36=\" code <#1#> late -> <#2#>\"\n"
    "37=\" code <#1#> late -> <#2#>\"\n"
    "38=\" note -> <#2#>\"\n"
    "39=RG[<#1#>]\n"
    "40=F<#1#> <#2#><#3#><#4#>\n"
    "83=\" code <#1#> fixed -> <#2#>\"\n"
    "84=\" code <#1#> layout -> <#2#>\"\n"
    "51=SUM codes <#1#>\n"
    "52=\", max <#1#>\"\n"
    "55=\", rejected over <#1#>\"\n"
    "42=STOP\n"
    "46=TOO MANY\n"
    "47=QUIET\n"
    "[File Header]\n"
    "21=missing <#2#> in <#1#>\n"
    "25=bad file <#2#> in <#1#>\n";

class ConvertDbfTest : public ::testing::Test {
 protected:
  ConvertDbfTest() {
    setup_["DateLess"] = "01.01.1800";
    setup_["DateMore"] = "31.12.2099";
    setup_["NrMaxAcEr"] = "999";
    setup_["NrToAllowErr"] = "1000000";
    setup_["NrToShowErr"] = "1000000";
    setup_["InclRDel"] = "Y";
    setup_["FrmDatIncl"] = "Null";
    prj_.IFNISBLANK = "Y";
    prj_.COMMIT = 500;
    prj_.LngRndSql = 1000;
  }

  // Writes the settings, the DBF file, runs the conversion into out.Dbl or out.Sql.
  std::string convert(const std::string& dbf_bytes, bool script, Status* status = nullptr,
                      const std::string& dbf_name = "T.DBF") {
    std::string ini = std::string(kTexts) + "[SETUP]\n";
    for (const auto& [k, v] : setup_) ini += k + "=" + v + "\n";
    ini += "[Path]\nPrmFiSqlLdr=" + dir_.path() + "\n";
    test::writeFile(dir_.file("Tarvex.ini"), ini);
    dbf_path_ = dir_.file(dbf_name);
    test::writeFile(dbf_path_, dbf_bytes);
    engine_.setParsCmpG(&log_);
    engine_.setMessageSink(&boxes_);
    EXPECT_TRUE(engine_.LoadOptions(dir_.file("Tarvex.ini")).isOk());
    prj_.SQLLDENB = script ? "N" : "Y";
    load_path_ = dir_.file(script ? "out.Sql" : "out.Dbl");
    EXPECT_TRUE(engine_.OpenDbf(dbf_path_));
    Rec_Fld fields;
    EXPECT_TRUE(engine_.ReadHdrInfo("00", &fields).isOk());
    Status s = engine_.ConvertDbf(load_path_, prj_);
    if (status != nullptr) {
      *status = s;
    } else {
      EXPECT_TRUE(s.isOk()) << s.message();
    }
    return test::readFile(load_path_);
  }

  // The worked example's table: NAME C(10), BORN D(8), SAL N(8,2).
  static DbfBuilder threeFields() {
    DbfBuilder b;
    b.field("NAME", 'C', 10).field("BORN", 'D', 8).field("SAL", 'N', 8, 2);
    return b;
  }

  test::TempDir dir_;
  std::map<std::string, std::string> setup_;
  Rec_Prj prj_;
  TCmpDbfGOra engine_{dir_.path()};
  RecordingLog log_;
  RecordingBoxes boxes_;
  std::string dbf_path_, load_path_;
};

TEST_F(ConvertDbfTest, WorkedExampleDataFile) {
  prj_.ADD_RECNO = "Y";
  prj_.LNG_RECNO = 6;
  prj_.ADD_DELETE = "Y";
  prj_.LNG_DELETE = 1;
  std::string out = convert(threeFields().record(" SMITH     19700101   12.50").build(), false);
  EXPECT_EQ(out, "SMITH     19700101   12.50     1N\r\n");
  EXPECT_EQ(prj_.RnrOra, 1);
  EXPECT_EQ(prj_.RnrErr, 0);
  EXPECT_EQ(prj_.RnrRej, 0);
  EXPECT_FALSE(engine_.isFileOpen());
}

TEST_F(ConvertDbfTest, WorkedExampleScript) {
  prj_.ADD_RECNO = "Y";
  prj_.LNG_RECNO = 6;
  prj_.ADD_DELETE = "Y";
  prj_.LNG_DELETE = 1;
  prj_.InsHdr = "Insert into owner1.T\r\n   (NAME, BORN, SAL, RECNO, DEL)\r\nValues\r\n   (";
  std::string out = convert(threeFields().record(" SMITH     19700101   12.50").build(), true);
  EXPECT_EQ(out,
            "SET DEFINE OFF;\r\n"
            "Insert into owner1.T\r\n   (NAME, BORN, SAL, RECNO, DEL)\r\nValues\r\n   ("
            "'SMITH', TO_DATE('19700101', 'YYYYMMDD'), 12.50, 1, 'N');\r\n"
            "COMMIT;\r\n");
}

TEST_F(ConvertDbfTest, ScriptValuesByType) {
  prj_.InsHdr = "I(";
  DbfBuilder b;
  b.field("C", 'C', 8).field("D", 'D', 8).field("N", 'N', 5).field("L", 'L', 1)
      .field("M", 'M', 10).field("I", 'I', 4).field("V", 'V', 10);
  const std::string binary("\x01\x02\x03\x04", 4);
  b.record(" " + padRight("O'Brien", 8) + std::string(8, ' ') + padLeft("7", 5) + "T" +
           padLeft("1", 10) + binary + std::string(10, 'x'));
  b.record(" " + std::string(8, ' ') + "00000000" + std::string(5, ' ') + "?" +
           std::string(10, ' ') + binary + std::string(10, ' '));
  std::string out = convert(b.build(), true);
  EXPECT_EQ(out,
            "SET DEFINE OFF;\r\n"
            "I('O''Brien', NULL, 7, 'T', 'Not load', NULL, 'Not load');\r\n"
            "I('', TO_DATE('00010101', 'YYYYMMDD'), NULL, '?', NULL, NULL, 'Not load');\r\n"
            "COMMIT;\r\n");
  EXPECT_EQ(prj_.RnrOra, 2);
  EXPECT_EQ(prj_.RnrErr, 0);  // the repaired date's code is 0 here
}

TEST_F(ConvertDbfTest, SkipAndLoadLimits) {
  DbfBuilder b;
  b.field("ID", 'C', 3);
  for (int k = 1; k <= 100; ++k) {
    char rec[16];
    std::snprintf(rec, sizeof rec, " %03d", k);
    b.record(rec);
  }
  const std::string bytes = b.build();
  struct Case {
    const char* skip;
    const char* load;
    int first, last;
  } cases[] = {{"5", "10", 6, 15}, {"5", "All", 6, 100}, {"5", "", 6, 100}, {"0", "3", 1, 3},
               {"200", "All", 0, -1}, {"0", "0", 0, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.skip) + "/" + c.load);
    setup_["NrLogRecSkip"] = c.skip;
    setup_["NrLogRecLoad"] = c.load;
    std::string expected;
    for (int k = c.first; k >= 1 && k <= c.last; ++k) {
      char line[16];
      std::snprintf(line, sizeof line, "%03d\r\n", k);
      expected += line;
    }
    EXPECT_EQ(convert(bytes, false), expected);
  }
  // Nothing to handle still creates the script with its first line.
  setup_["NrLogRecSkip"] = "200";
  EXPECT_EQ(convert(bytes, true), "SET DEFINE OFF;\r\n");
}

TEST_F(ConvertDbfTest, LoadLimitThatIsNoNumberFailsTheRun) {
  setup_["NrLogRecLoad"] = "ten";
  Status s;
  convert(threeFields().record(" SMITH     19700101   12.50").build(), false, &s);
  EXPECT_EQ(s.kind(), Status::Kind::kInvalidArgument);
  EXPECT_THAT(boxes_.texts, ElementsAre("File " + dbf_path_ + " Error"));
}

TEST_F(ConvertDbfTest, BodyShorterThanHeaderCountLimitsTheRun) {
  DbfBuilder b;
  b.field("ID", 'C', 3).storedRecordCount(1000);
  for (int k = 1; k <= 400; ++k) b.record(" abc");
  std::string out = convert(b.build(), false);
  EXPECT_EQ(out.size(), 400u * 5u);
  EXPECT_EQ(prj_.RnrOra, 400);
}

TEST_F(ConvertDbfTest, DeletedRecords) {
  prj_.ADD_DELETE = "Y";
  prj_.LNG_DELETE = 1;
  const std::string bytes = DbfBuilder().field("A", 'C', 2).record(" ab").record("*cd").build();
  struct Case {
    const char* key;
    const char* expected;
  } cases[] = {{"InclRDel", "abN\r\ncdY\r\n"}, {"ExclDelRec", "abN\r\n"}, {"RestDelRec", "abN\r\ncdN\r\n"}};
  for (const Case& c : cases) {
    setup_["InclRDel"] = setup_["ExclDelRec"] = setup_["RestDelRec"] = "N";
    setup_[c.key] = "Y";
    EXPECT_EQ(convert(bytes, false), c.expected) << c.key;
  }
  EXPECT_EQ(prj_.RnrOra, 2);
  EXPECT_EQ(prj_.RnrErr, 0);
}

TEST_F(ConvertDbfTest, CommitEveryNRows) {
  prj_.COMMIT = 2;
  prj_.InsHdr = "I(";
  DbfBuilder b;
  b.field("A", 'C', 1);
  for (char c : std::string("abcde")) b.record(std::string(" ") + c);
  EXPECT_EQ(convert(b.build(), true),
            "SET DEFINE OFF;\r\nI('a');\r\nI('b');\r\nCOMMIT;\r\nI('c');\r\nI('d');\r\nCOMMIT;\r\n"
            "I('e');\r\nCOMMIT;\r\n");
}

TEST_F(ConvertDbfTest, ScriptRowsWrapAtTheLineWidth) {
  prj_.LngRndSql = 40;
  prj_.InsHdr = "I(";
  DbfBuilder b;
  b.field("A", 'C', 20).field("B", 'C', 20).field("C", 'N', 6, 2);
  b.record(" aaaaaaaaaaaaaaaaaaaabbbbbbbbbbbbbbbbbbbb  1.50");
  EXPECT_EQ(convert(b.build(), true),
            "SET DEFINE OFF;\r\n"
            "I('aaaaaaaaaaaaaaaaaaaa',\r\n"
            "    'bbbbbbbbbbbbbbbbbbbb', 1.50);\r\n"
            "COMMIT;\r\n");
}

TEST_F(ConvertDbfTest, SupplementaryColumnsAreAlignedAndCut) {
  prj_.ADD_RECNO = "Y";
  prj_.LNG_RECNO = 1;  // record 12 needs two columns: written in full
  prj_.ADD_PATH = "Y";
  prj_.LNG_PATH = 5;  // the folder is cut
  prj_.ADD_ERRCOD = "Y";
  prj_.LNG_ERRCOD = 3;
  prj_.ADD_SPFLD1 = "Y";
  prj_.LNG_SPFLD1 = 8;
  prj_.TIP_SPFLD1 = 0;  // file name
  prj_.ADD_SPFLD2 = "Y";
  prj_.LNG_SPFLD2 = 10;
  prj_.TIP_SPFLD2 = 2;  // header date
  setup_["NrLogRecSkip"] = "11";
  DbfBuilder b;
  b.date(124, 2, 30).field("A", 'C', 1);  // 30 February is clamped to the month's end
  for (int k = 0; k < 12; ++k) b.record(" x");
  std::string out = convert(b.build(), false, nullptr, "FILE.DBF");
  EXPECT_EQ(out, "x12" + dir_.path().substr(0, 5) + "  0FILE.DBF29.02.2024\r\n");
}

TEST_F(ConvertDbfTest, RecordsOverTheMaximumCodeGoToTheBadFile) {
  setup_["ChkDtErr"] = "Y";
  setup_["ErInDate"] = "11";
  setup_["ChkNmErr"] = "Y";
  setup_["ErInNum"] = "10";
  setup_["NrMaxAcEr"] = "10";
  DbfBuilder b = threeFields();
  b.record(" KEEP      19700101   1x.50")   // code 10: written
      .record(" DROP      19701301   12.50")  // code 11: rejected
      .record(" OK        19700101   12.50");
  std::string out = convert(b.build(), false);
  // "1x.50": the bad character becomes "0" and trailing zeros of the decimals go.
  EXPECT_EQ(out, "KEEP      19700101    10.5\r\nOK        19700101   12.50\r\n");
  EXPECT_EQ(prj_.RnrOra, 2);
  EXPECT_EQ(prj_.RnrErr, 2);
  EXPECT_EQ(prj_.RnrRej, 1);
  ASSERT_FALSE(engine_.badFilePath().empty());
  EXPECT_THAT(engine_.badFilePath(), HasSubstr(dir_.path() + "T_"));
  EXPECT_THAT(engine_.badFilePath(), HasSubstr("_BAD.DBF"));
  std::string bad = test::readFile(engine_.badFilePath());
  ASSERT_EQ(bad.size(), 129u + 27u + 1u);
  EXPECT_EQ(bad.substr(4, 4), std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(bad.substr(129, 27), " DROP      19701301   12.50");
  EXPECT_EQ(bad.back(), '\x1A');
  EXPECT_THAT(log_.lines.back(), HasSubstr("bad file "));
  EXPECT_THAT(log_.lines, ::testing::Contains("SUM codes 1, max 11, rejected over 10"));
}

TEST_F(ConvertDbfTest, TooManyErrorsEndTheFile) {
  setup_["ChkDtErr"] = "Y";
  setup_["ErInDate"] = "1";
  setup_["NrToAllowErr"] = "0";
  DbfBuilder b = threeFields();
  b.record(" A         19700101   12.50")
      .record(" B         19701301   12.50")  // the first error
      .record(" C         19700101   12.50")
      .record(" D         19700101   12.50");
  std::string out = convert(b.build(), false);
  EXPECT_EQ(out, "A         19700101   12.50\r\nB         19701201   12.50\r\n");
  EXPECT_THAT(log_.lines, ::testing::Contains("TOO MANY"));
}

TEST_F(ConvertDbfTest, ErrorLinesOfADeletedRecord) {
  setup_["ChkDtErr"] = "Y";
  setup_["ErInDate"] = "4";
  setup_["ChkNmErr"] = "Y";
  setup_["ErInNum"] = "3";
  setup_["IndRezInHex"] = "N";
  std::string out = convert(threeFields().record("*X         20050231   1x.50").build(), false);
  EXPECT_EQ(out, "X         20050228    10.5\r\n");
  ASSERT_EQ(log_.lines.size(), 4u);
  EXPECT_EQ(log_.lines[0], "REC 1 deleted");
  // Values are shown padded to 10; the mark covers the same positions in old and new value.
  EXPECT_EQ(log_.lines[1],
            "F  2 BORN       D    8[200502<^R>31^>  ] code 4 -> 200502<^R>28^>");
  EXPECT_EQ(log_.lines[2],
            "F  3 SAL        N  8.2[   1<^R>x^>.50  ] code 3 fixed ->     <^R>1^>0.5");
  EXPECT_EQ(log_.lines[3], "SUM codes 2, max 4");
}

TEST_F(ConvertDbfTest, LoggingStopsAfterTheShownErrors) {
  setup_["ChkDtErr"] = "Y";
  setup_["ErInDate"] = "1";
  setup_["NrToShowErr"] = "3";
  DbfBuilder b = threeFields();
  for (int k = 0; k < 6; ++k) b.record(" A         19701301   12.50");
  convert(b.build(), false);
  int headers = 0;
  for (const std::string& l : log_.lines) headers += l.rfind("REC ", 0) == 0 ? 1 : 0;
  // Records 1..4 are logged; record 4 brings the total to 4 > 3, and "QUIET" follows before
  // record 5. Record 4 gets no summary: its total is above the limit.
  EXPECT_EQ(headers, 4);
  EXPECT_THAT(log_.lines, ::testing::Contains("QUIET"));
  EXPECT_EQ(prj_.RnrOra, 6);
  EXPECT_EQ(prj_.RnrErr, 6);
}

TEST_F(ConvertDbfTest, RefusedHeaderWritesNothing) {
  prj_.RnrErr = 77;
  Status s;
  convert(DbfBuilder().field("A", 'C', 10).storedRecordLength(1).record(" 0123456789").build(),
          false, &s);
  EXPECT_TRUE(s.isOk());
  EXPECT_FALSE(fileExists(load_path_));
  EXPECT_EQ(prj_.RnrOra, 0);
  EXPECT_EQ(prj_.RnrRej, 0);
  EXPECT_EQ(prj_.RnrErr, 77);  // untouched
}

TEST_F(ConvertDbfTest, WriteFailureIsReportedNamingTheFile) {
  test::writeFile(dir_.file("Tarvex.ini"), std::string(kTexts) + "[SETUP]\nInclRDel=Y\n");
  test::writeFile(dir_.file("T.DBF"), threeFields().record(" SMITH     19700101   12.50").build());
  engine_.setMessageSink(&boxes_);
  ASSERT_TRUE(engine_.LoadOptions(dir_.file("Tarvex.ini")).isOk());
  ASSERT_TRUE(engine_.OpenDbf(dir_.file("T.DBF")));
  prj_.SQLLDENB = "Y";
  Status s = engine_.ConvertDbf(dir_.file("no-such-folder/out.Dbl"), prj_);
  EXPECT_EQ(s.kind(), Status::Kind::kNotFound);
  EXPECT_THAT(s.message(), HasSubstr("no-such-folder/out.Dbl"));
  EXPECT_THAT(boxes_.texts, ElementsAre("File " + dir_.file("T.DBF") + " Error"));
  EXPECT_EQ(prj_.RnrOra, 0);
}

class StopAfter : public EventPump {
 public:
  explicit StopAfter(TCmpDbfGOra* engine) : engine_(engine) {}
  void processPendingEvents() override {
    if (++calls == 3) engine_->requestStop();
  }
  TCmpDbfGOra* engine_;
  int calls = 0;
};

TEST_F(ConvertDbfTest, StopRequestEndsTheRunAtTheNextRecord) {
  StopAfter pump(&engine_);
  engine_.setEventPump(&pump);
  DbfBuilder b;
  b.field("A", 'C', 1);
  for (int k = 0; k < 50; ++k) b.record(" z");
  std::string out = convert(b.build(), false);
  EXPECT_EQ(prj_.RnrOra, 3);  // progress every record; the stop comes during record 3's step
  EXPECT_EQ(out, "z\r\nz\r\nz\r\n");
  EXPECT_THAT(log_.lines, ::testing::Contains("STOP"));
}

TEST_F(ConvertDbfTest, RecordsLongerThanTheBufferAreWrittenWhole) {
  // One 65,000-byte character field: the line is longer than the 64,000-byte output buffer.
  const std::string big(65000, 'q');
  prj_.ADD_RECNO = "Y";
  prj_.LNG_RECNO = 3;
  std::string out = convert(
      DbfBuilder().field("BIG", 'C', 65000).record(" " + big).record("*" + big).build(), false);
  // Compared without printing 130,000 bytes on a failure.
  EXPECT_TRUE(out == big + "  1\r\n" + big + "  2\r\n") << out.size();
  prj_.InsHdr = "I(";
  out = convert(DbfBuilder().field("BIG", 'C', 65000).record(" " + big).build(), true);
  // The long value alone exceeds the line width, so the next value starts a new line.
  EXPECT_TRUE(out == "SET DEFINE OFF;\r\nI('" + big + "',\r\n    1);\r\nCOMMIT;\r\n")
      << out.size() << " " << out.substr(out.size() - 30);
}

TEST_F(ConvertDbfTest, FullDiskIsReportedNotSuccess) {
  // A file-size limit makes the writes fail part-way, as a full disk does.
  DbfBuilder b;
  b.field("A", 'C', 100);
  for (int k = 0; k < 2000; ++k) b.record(" " + std::string(100, 'w'));
  const std::string bytes = b.build();
  struct rlimit old_limit {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 150000;  // room for the DBF file, not for the load file besides it
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  Status s;
  convert(bytes, false, &s);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(s.kind(), Status::Kind::kIoError);
  EXPECT_THAT(s.message(), HasSubstr(load_path_));
  EXPECT_THAT(boxes_.texts, ElementsAre("File " + dbf_path_ + " Error"));
}

}  // namespace
}  // namespace tarvex
