// Field error lines: the shown value, the marks in value, new value and hexadecimal display.
#include "engine/EngineLog.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

class EngineLogTest : public ::testing::Test {
 protected:
  EngineLogTest() {
    opts_.texts = {{"40", "<#1#>|<#2#>|<#3#>|<#4#>|"},
                   {"33", " <#3#><#X#>c<#1#> <#2#>"},
                   {"83", " <#3#><#X#>c<#1#> <#2#>"},
                   {"84", " <#3#><#X#>c<#1#> <#2#>"},
                   {"N-N4", " as <#1#>"},
                   {"N-N2", " layout"},
                   {"N-N1", " at <#1#>"},
                   {"N-24", " no point"},
                   {"7", "R<#1#>"},
                   {"6", " del"},
                   {"27", " first <#1#>"},
                   {"51", "n<#1#>"},
                   {"52", " max<#1#>"},
                   {"55", " over<#1#>"}};
    opts_.markColorValue = 'R';
    opts_.markColorHex = 'M';
    opts_.valueTemplate = "<^n>[<#1#>]^>";
    opts_.NrMaxAcEr = 5;
  }

  void addField(const std::string& name, char type, int len, int dec = 0) {
    fields_.FldNames.push_back(name);
    fields_.FldTypes.push_back(type);
    fields_.FldLen.push_back(len);
    fields_.FldDec.push_back(dec);
  }

  EngineOptions opts_;
  Rec_Fld fields_ = [] {
    Rec_Fld f;
    f.clear();
    return f;
  }();
};

TEST_F(EngineLogTest, DisplayAndHex) {
  EXPECT_EQ(displayForm(std::string("a\0b\tc\nd\x0B\x0C\re", 11)), "a?b?c?d???e");
  EXPECT_EQ(HexStr(std::string("A\0\xFF", 3)), "4100FF");
}

TEST_F(EngineLogTest, MarkResumesTheTemplatesColour) {
  addField("NAME", 'C', 6);
  CheckResult res;
  res.code = 3;
  res.tmpl = "33";
  res.markPos = 3;
  res.markLen = 1;
  opts_.IndRezInHex = true;
  std::string line = fieldErrorLine(opts_, fields_, 1, std::string("AB\tCD ", 6), "AB CD ", res);
  EXPECT_EQ(line,
            "  1|NAME       |C|    6|"
            "<^n>[AB^><^R>?^><^n>CD     ]^>"
            " 4142<^M>09^>434420    c3 AB<^R> ^>CD ");
}

TEST_F(EngineLogTest, RunClosedBeforeThePlaceholderIsNotResumed) {
  addField("D", 'D', 8);
  opts_.texts.push_back({"32", "<^r>code <#1#>:^> written as <#2#>"});
  CheckResult res;
  res.code = 2;
  res.tmpl = "32";
  res.markPos = 7;
  res.markLen = 2;
  std::string line = fieldErrorLine(opts_, fields_, 1, "20050231", "20050228", res);
  EXPECT_TRUE(line.ends_with("<^r>code 2:^> written as 200502<^R>28^>")) << line;
}

TEST_F(EngineLogTest, LongValuesAreShownByTheirEnds) {
  addField("NOTE", 'C', 20);
  addField("AMOUNT", 'N', 14, 2);
  CheckResult res;
  res.tmpl = "33";
  // A long character value is shown trimmed, a tab as "?".
  std::string v = "  ab\tcdefghij      ";
  std::string line = fieldErrorLine(opts_, fields_, 1, v, v, res);
  EXPECT_NE(line.find("[ab?cdefghij]"), std::string::npos) << line;
  // A long number with only blanks before its last ten characters shows those ten.
  line = fieldErrorLine(opts_, fields_, 2, "    1234567.50", "    1234567.50", res);
  EXPECT_NE(line.find("[1234567.50]"), std::string::npos) << line;
  EXPECT_NE(line.find("| 14.2|"), std::string::npos) << line;
  // A long number with more than ten significant characters is shown whole, trimmed.
  line = fieldErrorLine(opts_, fields_, 2, "  123456789.50", "  123456789.50", res);
  EXPECT_NE(line.find("[123456789.50]"), std::string::npos) << line;
}

TEST_F(EngineLogTest, HexPaddingStopsAt15Characters) {
  addField("A", 'C', 8);
  addField("B", 'C', 7);
  CheckResult res;
  res.tmpl = "33";
  opts_.IndRezInHex = true;
  // 7 bytes give 14 hex digits: two blanks fill up to 16.
  std::string line = fieldErrorLine(opts_, fields_, 2, "abcdefg", "abcdefg", res);
  EXPECT_NE(line.find(" 61626364656667  c0"), std::string::npos) << line;
  // 8 bytes give 16 digits: nothing is added.
  line = fieldErrorLine(opts_, fields_, 1, "abcdefgh", "abcdefgh", res);
  EXPECT_NE(line.find(" 6162636465666768c0"), std::string::npos) << line;
}

TEST_F(EngineLogTest, NumericLinesGetTheirSuffixes) {
  addField("N", 'N', 8, 2);
  CheckResult res;
  res.code = 4;
  res.report = true;
  res.tmpl = "84";
  res.numClass = -24;
  res.numShowFormatted = true;
  res.formatted = " 1250.00";
  opts_.AfSuplMsg = true;
  std::string line = fieldErrorLine(opts_, fields_, 1, "  1250  ", " 1250.00", res);
  EXPECT_TRUE(line.ends_with("c4  1250.00 as  1250.00 no point")) << line;
  res.numShowFormatted = false;
  res.numShowPlain = true;
  res.numClass = 6;
  res.tmpl = "83";
  line = fieldErrorLine(opts_, fields_, 1, "   12a50", "   12050", res);
  EXPECT_EQ(line.substr(line.size() - 12), " layout at 6");
  opts_.AfSuplMsg = false;
  line = fieldErrorLine(opts_, fields_, 1, "   12a50", "   12050", res);
  EXPECT_EQ(line.substr(line.size() - 7), " layout");
}

TEST_F(EngineLogTest, RecordLines) {
  EXPECT_EQ(recordHeaderLine(opts_, 12, true), "R12 del");
  EXPECT_EQ(recordHeaderLine(opts_, 3, false), "R3" + std::string(68, '-'));
  EXPECT_EQ(firstByteErrorLine(opts_, 9, 0x41), "R9 first 65");
  EXPECT_EQ(recordSummaryLine(opts_, 2, 7, true), "n2 max7 over5");
  EXPECT_EQ(recordSummaryLine(opts_, 1, 0, false), "n1");
}

}  // namespace
}  // namespace tarvex
