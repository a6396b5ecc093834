#include "engine/EngineOptions.h"

#include <gtest/gtest.h>

#include "app/IniFile.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

class EngineOptionsTest : public ::testing::Test {
 protected:
  EngineOptions load(const std::string& content) {
    test::writeFile(ini_.path(), content);
    EngineOptions o;
    EXPECT_TRUE(LoadOptions(ini_.path(), &o).isOk());
    return o;
  }

  test::TempDir dir_;
  IniFile ini_{dir_.file("Tarvex.ini")};
};

TEST_F(EngineOptionsTest, ParsingKinds) {
  EngineOptions o = load(
      "[SETUP]\n"
      "ChkDtErr=Y\nChkDtNull=y\nChkDtLess=Yes\nChkNmErr= Y \n"
      "ErInDate=12\nErInNum=abc\nErInNum2=3.5\nNrMaxAcEr=10\n"
      "DateLess=31.12.1899\nDateMore=1899-12-31\n"
      "FrmDatIncl=\nNrLogRecLoad=All\nNrLogRecSkip=5\n"
      "[Path]\nPrmFiSqlLdr=out\n");
  EXPECT_TRUE(o.ChkDtErr);
  EXPECT_FALSE(o.ChkDtNull);   // lower case is not "Y"
  EXPECT_FALSE(o.ChkDtLess);   // nor is a word beginning with Y
  EXPECT_TRUE(o.ChkNmErr);     // blanks around a value are not part of it
  EXPECT_EQ(o.ErInDate, 12);
  EXPECT_EQ(o.ErInNum, 0);     // malformed integers read as 0
  EXPECT_EQ(o.ErInNum2, 0);
  EXPECT_EQ(o.NrMaxAcEr, 10);
  EXPECT_EQ(o.NrToAllowErr, 0);  // missing reads as 0
  EXPECT_EQ(o.DateLess, (CivilDate{1899, 12, 31}));
  EXPECT_EQ(o.DateMore, (CivilDate{1, 1, 1}));  // not dd.mm.yyyy
  EXPECT_EQ(o.FrmDatIncl, "");                   // may be empty
  EXPECT_EQ(o.NrLogRecLoad, "All");
  EXPECT_EQ(o.NrLogRecSkip, 5);
  EXPECT_EQ(o.PrmFiSqlLdr, "out");
  // A missing text reads as the error text naming section and key.
  EXPECT_EQ(o.NmFldSuplim, "Error in INI-file: ([SETUP],NmFldSuplim)");
  EXPECT_EQ(o.text("N-24"), "Error in INI-file: ([Other],N-24)");
}

struct DeletedCase {
  const char* incl;
  const char* excl;
  const char* rest;
  bool want_incl, want_excl, want_rest;
};

void PrintTo(const DeletedCase& c, std::ostream* os) { *os << c.incl << '/' << c.excl << '/' << c.rest; }


class DeletedRecordsRule : public EngineOptionsTest,
                           public ::testing::WithParamInterface<DeletedCase> {};

TEST_P(DeletedRecordsRule, ExactlyOneEndsSetAndIsWrittenBack) {
  const DeletedCase& c = GetParam();
  EngineOptions o = load(std::string("[SETUP]\nInclRDel=") + c.incl + "\nExclDelRec=" + c.excl +
                         "\nRestDelRec=" + c.rest + "\n");
  EXPECT_EQ(o.InclRDel, c.want_incl);
  EXPECT_EQ(o.ExclDelRec, c.want_excl);
  EXPECT_EQ(o.RestDelRec, c.want_rest);
  EXPECT_EQ(ini_.get("SETUP", "InclRDel"), c.want_incl ? "Y" : "N");
  EXPECT_EQ(ini_.get("SETUP", "ExclDelRec"), c.want_excl ? "Y" : "N");
  EXPECT_EQ(ini_.get("SETUP", "RestDelRec"), c.want_rest ? "Y" : "N");
}

INSTANTIATE_TEST_SUITE_P(Cases, DeletedRecordsRule,
                         ::testing::Values(DeletedCase{"N", "N", "N", true, false, false},
                                           DeletedCase{"Y", "Y", "Y", true, false, false},
                                           DeletedCase{"N", "Y", "Y", false, true, false},
                                           DeletedCase{"N", "N", "Y", false, false, true},
                                           DeletedCase{"n", "y", "", true, false, false}));

TEST_F(EngineOptionsTest, TranslationTables) {
  std::string content = "[Table1]\n";
  for (int k = 1; k <= 16; ++k) {
    content += std::to_string(k) + "=";
    for (int j = 0; j < 16; ++j) {
      char pair[3];
      int byte = (k - 1) * 16 + j;
      std::snprintf(pair, sizeof pair, "%02X", byte == 0 ? 0x20 : byte);
      content += pair;
    }
    content += "\n";
  }
  // Table2: key 1 has a pair "ZZ" for byte 0; the keys 3..16 are missing.
  content += "[Table2]\n1=ZZ0102030405060708090A0B0C0D0E0F\n2=101112131415161718191a1b1c1d1e1f\n";
  EngineOptions o = load(content);
  EXPECT_EQ(o.Table1[0], 0x20);
  EXPECT_EQ(o.Table1[1], 0x01);
  EXPECT_EQ(o.Table1[255], 0xFF);
  EXPECT_EQ(o.Table2[0], '?');   // not hexadecimal
  EXPECT_EQ(o.Table2[9], 0x09);
  EXPECT_EQ(o.Table2[0x1F], 0x1F);  // lower-case hex digits count
  // A missing key contributes the error text instead of its 32 digits: byte 32 gets the pair
  // "Er". The texts are shorter than 32, so the joined text is filled up with "!" and the
  // last bytes get "?" too.
  EXPECT_EQ(o.Table2[32], '?');
  EXPECT_EQ(o.Table2[255], '?');
}

TEST_F(EngineOptionsTest, ValueTemplateIsSplitIntoMarkColours) {
  EngineOptions o = load("[Other]\n39=RG Value [<#1#>]\n7=Record <#1#>\n");
  EXPECT_EQ(o.markColorValue, 'R');
  EXPECT_EQ(o.markColorHex, 'G');
  EXPECT_EQ(o.valueTemplate, " Value [<#1#>]");
  EXPECT_EQ(o.text("7"), "Record <#1#>");
}

TEST_F(EngineOptionsTest, WriteBackFailureIsReported) {
  test::writeFile(dir_.file("plain"), "x");
  EngineOptions o;
  Status s = LoadOptions(dir_.file("plain/Tarvex.ini"), &o);
  EXPECT_FALSE(s.isOk());
  EXPECT_TRUE(o.InclRDel);  // the options are still loaded
}

}  // namespace
}  // namespace tarvex
