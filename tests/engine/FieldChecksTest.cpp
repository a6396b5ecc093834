// The field rules by type letter: date, number, character, logical, and the first byte.
#include "engine/FieldChecks.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "engine/NumberFormat.h"

namespace tarvex {
namespace {

using namespace std::string_literals;  // values with 0 bytes

// Error codes distinct from each other so that a test sees which cause set the code.
EngineOptions baseOptions() {
  EngineOptions o;
  o.ErCdDtNull = 11;
  o.ErInDate = 12;
  o.DtIsLess = 13;
  o.DtIsMore = 14;
  o.ErInNum = 15;
  o.ErInNum2 = 16;
  o.ErInChar = 17;
  o.ErInChar2 = 18;
  o.ErInLgc = 19;
  o.DateLess = CivilDate{1900, 1, 1};
  o.DateMore = CivilDate{2099, 12, 31};
  o.FrmDatIncl = "NULL";
  return o;
}

using Setup = void (*)(EngineOptions&);

// What a rule is expected to produce for one value.
struct Expect {
  std::string out{};
  int code = 0;
  bool report = false;
  std::string_view tmpl{};
  int markPos = 0;
  int markLen = 0;
};

void expectResult(const std::string& out, const CheckResult& res, const Expect& e) {
  EXPECT_EQ(out, e.out);
  EXPECT_EQ(res.code, e.code);
  EXPECT_EQ(res.report, e.report);
  EXPECT_EQ(res.tmpl, e.tmpl);
  EXPECT_EQ(res.markLen, e.markLen);
  if (e.markLen != 0) {
    EXPECT_EQ(res.markPos, e.markPos);
  }
}

// ---------------------------------------------------------------------------------------------
// Dates

TEST(ChkDateTxtTest, Classifies) {
  struct Case {
    const char* value;
    int expected;
  };
  for (const Case& c : {Case{"20050101", 0}, Case{"        ", -1}, Case{"", -1},
                        Case{"2005 3 7", 5}, Case{"  051231", 3}, Case{"2005010x", 8}}) {
    EXPECT_EQ(ChkDateTxt(c.value), c.expected) << "\"" << c.value << "\"";
  }
}

struct DateCase {
  const char* name;
  std::string value;
  Setup setup;
  Expect expect;
  bool newValueIsDate = false;
  CivilDate newDate{};
};

void PrintTo(const DateCase& c, std::ostream* os) {
  *os << c.name;
}

class ChkDateTest : public testing::TestWithParam<DateCase> {};

TEST_P(ChkDateTest, Rule) {
  const DateCase& c = GetParam();
  EngineOptions opts = baseOptions();
  c.setup(opts);
  std::string out = "stale value from an earlier field";
  CheckResult res;
  const bool report = ChkDate(c.value, opts, out, res);
  EXPECT_EQ(report, res.report);
  expectResult(out, res, c.expect);
  EXPECT_EQ(res.newValueIsDate, c.newValueIsDate);
  if (c.newValueIsDate) {
    EXPECT_EQ(res.newDate, c.newDate);
  }
}

void dateErrOn(EngineOptions& o) {
  o.ChkDtErr = true;
}
void noChecks(EngineOptions&) {}

INSTANTIATE_TEST_SUITE_P(
    DigitsOnly, ChkDateTest,
    testing::Values(
        DateCase{"Valid", "20050228", dateErrOn, {"20050228"}},
        DateCase{"Feb31", "20050231", dateErrOn, {"20050228", 12, true, "33", 7, 2}},
        DateCase{"Feb31Leap", "20040231", dateErrOn, {"20040229", 12, true, "33", 7, 2}},
        DateCase{"Feb29Century", "19000229", dateErrOn, {"19000228", 12, true, "33", 7, 2}},
        DateCase{"AllZero", "00000000", dateErrOn, {"00010101", 12, true, "33", 7, 2}},
        DateCase{"YearZeroOnly", "00000315", dateErrOn, {"00010315", 12, true, "33", 1, 4}},
        DateCase{"Month13", "20051315", dateErrOn, {"20051215", 12, true, "33", 5, 2}},
        DateCase{"MonthAndDay", "20050032", dateErrOn, {"20050131", 12, true, "33", 7, 2}},
        // The code is set even when invalid dates are not reported.
        DateCase{"NotReported", "20050231", noChecks, {"20050228", 12, false, "33", 7, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    NonDigits, ChkDateTest,
    testing::Values(
        // Month " 3" and day " 7" are not two digits: both become 1; the day marks 8 from 7.
        DateCase{"SpacedParts", "2005 3 7", dateErrOn, {"20050101", 12, true, "33", 7, 8}},
        DateCase{"BadYear", "2O051231", dateErrOn, {"20051231", 12, true, "33", 1, 4}},
        DateCase{"BlankYearPart", "    1231", dateErrOn, {"00011231", 12, true, "33", 1, 4}},
        DateCase{"LeadingSpaces", "  051231", dateErrOn, {"00051231", 12, true, "33", 1, 4}},
        DateCase{"YearToOneDayClamped", "ABCD0229", dateErrOn, {"00010228", 12, true, "33", 7, 2}},
        DateCase{"BadDay", "2005123x", dateErrOn, {"20051201", 12, true, "33", 7, 8}},
        DateCase{"BadMonthOnly", "2005x231", dateErrOn, {"20050131", 12, true, "33", 5, 2}},
        DateCase{"NotReported", "2005x231", noChecks, {"20050131", 12, false, "33", 5, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Blank, ChkDateTest,
    testing::Values(DateCase{"NullLowerCase",
                             "        ",
                             [](EngineOptions& o) {
                               o.FrmDatIncl = "null";
                               o.ChkDtNull = true;
                             },
                             {"        ", 11, true, "31"}},
                    DateCase{"Replacement",
                             "        ",
                             [](EngineOptions& o) {
                               o.FrmDatIncl = "19000101";
                               o.ChkDtNull = true;
                             },
                             {"19000101", 11, true, "32"}},
                    DateCase{"NotChecked",
                             "        ",
                             [](EngineOptions& o) { o.FrmDatIncl = "19000101"; },
                             {"19000101"}},
                    DateCase{"NullNotChecked", "        ", noChecks, {"        "}}),
    [](const auto& info) { return std::string(info.param.name); });

void lessOn(EngineOptions& o) {
  o.ChkDtLess = true;
}
void moreOn(EngineOptions& o) {
  o.ChkDtMore = true;
}

INSTANTIATE_TEST_SUITE_P(
    Range, ChkDateTest,
    testing::Values(
        DateCase{"Early", "18991231", lessOn, {"19000101", 13, true, "35"}, true, {1900, 1, 1}},
        DateCase{"EarlyHex",
                 "18991231",
                 [](EngineOptions& o) {
                   o.ChkDtLess = true;
                   o.IndRezInHex = true;
                 },
                 {"19000101", 13, true, "34"},
                 true,
                 {1900, 1, 1}},
        DateCase{"OnLowerBound", "19000101", lessOn, {"19000101"}},
        DateCase{"EarlyNotChecked", "18991231", moreOn, {"18991231"}},
        DateCase{"Late", "21000101", moreOn, {"20991231", 14, true, "37"}, true, {2099, 12, 31}},
        DateCase{"LateHex",
                 "21000101",
                 [](EngineOptions& o) {
                   o.ChkDtMore = true;
                   o.IndRezInHex = true;
                 },
                 {"20991231", 14, true, "36"},
                 true,
                 {2099, 12, 31}},
        DateCase{"OnUpperBound", "20991231", moreOn, {"20991231"}},
        // An invalid date is repaired and never reaches the range checks.
        DateCase{"InvalidBeforeBound",
                 "18990231",
                 [](EngineOptions& o) {
                   o.ChkDtErr = true;
                   o.ChkDtLess = true;
                 },
                 {"18990228", 12, true, "33", 7, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OtherFieldLength, ChkDateTest,
    testing::Values(DateCase{"Longer", "20050231  ", dateErrOn, {"20050228", 12, true, "33", 7, 2}},
                    DateCase{"LongerValid", "20050228xx", dateErrOn, {"20050228"}},
                    DateCase{"Shorter", "200502", dateErrOn, {"20050201", 12, true, "33", 7, 8}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Numbers

struct NumCase {
  const char* name;
  const char* value;
  char type;
  int len;
  int dec;
  Setup setup;
  Expect expect;
  int numClass = 0;
  bool showFormatted = false;
  bool showPlain = false;
  bool blankAsZero = false;
};

void PrintTo(const NumCase& c, std::ostream* os) {
  *os << c.name;
}

class CheckNumberTest : public testing::TestWithParam<NumCase> {};

TEST_P(CheckNumberTest, Rule) {
  const NumCase& c = GetParam();
  EngineOptions opts = baseOptions();
  c.setup(opts);
  std::string out = "stale value from an earlier field";
  CheckResult res;
  const bool report = checkNumber(c.value, c.type, c.len, c.dec, c.blankAsZero, opts, out, res);
  EXPECT_EQ(report, res.report);
  expectResult(out, res, c.expect);
  EXPECT_EQ(res.numClass, c.numClass);
  EXPECT_EQ(res.numShowFormatted, c.showFormatted);
  EXPECT_EQ(res.numShowPlain, c.showPlain);
  // N-N4 shows the value as laid out, which with InfFmtNum is the output itself.
  if (c.showFormatted) {
    EXPECT_EQ(res.formatted, out);
  }
}

void dcErr(EngineOptions& o) {
  o.ChkDcErr = true;
}
void infFmt(EngineOptions& o) {
  o.InfFmtNum = true;
}
void nmErr2(EngineOptions& o) {
  o.ChkNmErr2 = true;
}

INSTANTIATE_TEST_SUITE_P(
    WellFormed, CheckNumberTest,
    testing::Values(NumCase{"Plain", "   12.50", 'N', 8, 2, dcErr, {"   12.50"}, 0},
                    NumCase{"Reformatted", "   12.50", 'N', 8, 2, infFmt, {"   12.50"}, 0},
                    NumCase{"LongKeyReformatted",
                            "12345678901234567890",
                            'N',
                            20,
                            0,
                            infFmt,
                            {"12345678901234567890"},
                            0},
                    // Type F: a point anywhere (or none) counts as well-formed.
                    NumCase{"FloatPointDec0", "   1.25", 'F', 7, 0, dcErr, {"   1.25"}, 0},
                    NumCase{"FloatNoPoint", "    1250", 'F', 8, 2, dcErr, {"    1250"}, 0},
                    NumCase{"FloatMisplaced", "   1.250", 'F', 8, 2, dcErr, {"   1.250"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    DecimalLayout, CheckNumberTest,
    testing::Values(
        NumCase{"TrailingFits",
                "12.50   ",
                'N',
                8,
                2,
                dcErr,
                {"12.50   ", 0, false, "38"},
                kNumTrailingOk,
                false,
                true},
        NumCase{"TrailingFitsReformatted",
                "12.5    ",
                'N',
                8,
                2,
                [](EngineOptions& o) {
                  o.InfFmtNum = true;
                  o.ChkDcErr = true;
                },
                {"   12.50", 0, false, "38"},
                kNumTrailingOk,
                true,
                false},
        // Too many decimals: reported without a code.
        NumCase{"TrailingTooManyDecimals",
                "1.234   ",
                'N',
                8,
                2,
                dcErr,
                {"1.234   ", 0, true, "38"},
                kNumTrailingOk,
                false,
                true},
        NumCase{"TrailingDec0Reformatted",
                "12     ",
                'N',
                7,
                0,
                infFmt,
                {"     12", 0, false, "38"},
                kNumTrailingOk,
                true,
                false},
        NumCase{"TrailingNoPoint",
                "  1250  ",
                'N',
                8,
                2,
                dcErr,
                {"  1250  ", 0, false, "38"},
                kNumTrailingNoPoint,
                false,
                true},
        NumCase{"Misplaced",
                "   1.250",
                'N',
                8,
                2,
                infFmt,
                {"    1.25", 0, false, "38"},
                kNumPointMisplaced,
                true,
                false},
        NumCase{"NoPointTooLong",
                "  123456",
                'N',
                8,
                2,
                dcErr,
                {"  123456", 15, true, "84"},
                kNumNoPoint,
                false,
                true},
        // Without ChkDcErr and InfFmtNum the decimal-layout classes are not examined.
        NumCase{"NoPointUnchecked", "  123456", 'N', 8, 2, noChecks, {"  123456"}, kNumNoPoint},
        NumCase{"PointDec0Reformatted",
                "   12.0",
                'N',
                7,
                0,
                infFmt,
                {"     12", 0, false, "38"},
                kNumPointNoDecimals,
                true,
                false},
        NumCase{"DecimalsLost",
                "   12.5",
                'N',
                7,
                0,
                dcErr,
                {"   12.5", 15, true, "84"},
                kNumPointNoDecimals,
                false,
                true},
        NumCase{"DecimalsLostReformatted",
                "   12.5",
                'N',
                7,
                0,
                infFmt,
                {"     13", 15, true, "84"},
                kNumPointNoDecimals,
                true,
                false},
        // -66 is always examined, but reported only under InfFmtNum or ChkDcErr.
        NumCase{"DecimalsLostUnreported",
                "   12.5",
                'N',
                7,
                0,
                noChecks,
                {"   12.5", 0, false, "38"},
                kNumPointNoDecimals},
        NumCase{"TrailingPointDec0",
                "12.5   ",
                'N',
                7,
                0,
                dcErr,
                {"12.5   ", 15, true, "84"},
                kNumTrailingPoint,
                false,
                true}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Malformed, CheckNumberTest,
    testing::Values(
        NumCase{"TwoPoints",
                "  1.2.50",
                'N',
                8,
                2,
                noChecks,
                {"   102.5", 15, true, "83", 4, 1},
                kNumManyPoints},
        NumCase{"TwoPointsReformatted",
                "  1.2.50",
                'N',
                8,
                2,
                infFmt,
                {"  102.50", 15, true, "83", 4, 1},
                kNumManyPoints,
                true,
                false},
        NumCase{"TwoPointsPlainSuffix",
                "  1.2.50",
                'N',
                8,
                2,
                dcErr,
                {"   102.5", 15, true, "83", 4, 1},
                kNumManyPoints,
                false,
                true},
        NumCase{
            "BadCharacter", "   12a50", 'N', 8, 2, noChecks, {"   12050", 15, true, "83", 6, 1}, 6},
        NumCase{"BadCharacterReformatted",
                "   12a50",
                'N',
                8,
                2,
                infFmt,
                {"12050.00", 15, true, "83", 6, 1},
                6},
        NumCase{
            "SignOnly", "       -", 'N', 8, 2, noChecks, {"       0", 15, true, "83", 9, 1}, 9}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Blank, CheckNumberTest,
    testing::Values(
        NumCase{"Reported",
                "        ",
                'N',
                8,
                2,
                nmErr2,
                {"    0.00", 16, true, "83", 5, 4},
                kNumBlank},
        NumCase{
            "ReportedDec0", "     ", 'N', 5, 0, nmErr2, {"    0", 16, true, "83", 5, 1}, kNumBlank},
        NumCase{"Unchecked", "        ", 'N', 8, 2, noChecks, {"        "}, kNumBlank},
        NumCase{"ReformattedUnreported",
                "        ",
                'N',
                8,
                2,
                infFmt,
                {"    0.00", 0, false, "83", 5, 4},
                kNumBlank},
        NumCase{
            "AsZero", "        ", 'N', 8, 2, noChecks, {"       0"}, kNumBlank, false, false, true},
        NumCase{"AsZeroNotNeeded",
                "   12.50",
                'N',
                8,
                2,
                noChecks,
                {"   12.50"},
                0,
                false,
                false,
                true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Characters

EngineOptions charOptions() {
  EngineOptions o = baseOptions();
  for (int j = 0; j < 256; ++j) {
    o.Table1[j] = static_cast<uint8_t>(j);
    o.Table2[j] = static_cast<uint8_t>(j < 32 ? ' ' : j);
  }
  o.Table1[0] = '#';
  return o;
}

struct CharCase {
  const char* name;
  std::string value;
  bool chkChrEr;
  bool chkChrEr2;
  Expect expect;
};

void PrintTo(const CharCase& c, std::ostream* os) {
  *os << c.name;
}

class ChkCharTest : public testing::TestWithParam<CharCase> {};

TEST_P(ChkCharTest, Rule) {
  const CharCase& c = GetParam();
  EngineOptions opts = charOptions();
  opts.ChkChrEr = c.chkChrEr;
  opts.ChkChrEr2 = c.chkChrEr2;
  std::string out = "stale value from an earlier field";
  CheckResult res;
  const bool report = ChkChar(c.value, opts, out, res);
  EXPECT_EQ(report, res.report);
  expectResult(out, res, c.expect);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChkCharTest,
    testing::Values(
        CharCase{"ControlByte", "AB\tC", false, true, {"AB C", 18, true, "33", 3, 1}},
        CharCase{"ZeroByte", "A\0B"s, true, false, {"A#B", 17, true, "33", 2, 1}},
        // The 0-byte check wins; Table2 still translates what is left.
        CharCase{"ZeroAndControl", "\tA\0B"s, true, true, {" A#B", 17, true, "33", 3, 1}},
        CharCase{"ZeroOnlyTable1", "\tA\0B"s, true, false, {"\tA#B", 17, true, "33", 3, 1}},
        // Without the 0-byte check a 0 byte is a control byte.
        CharCase{"ZeroAsControl", "A\0B"s, false, true, {"A B", 18, true, "33", 2, 1}},
        CharCase{"Clean", "ABC", true, true, {"ABC"}},
        CharCase{"HighBytesAreNotControl", "caf\xE9", true, true, {"caf\xE9"}},
        CharCase{"ChecksOff", "A\0B\t"s, false, false, {"A\0B\t"s}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Logicals

struct LogicalCase {
  const char* value;
  bool chkLgcEr;
  int trLogicFld;
  int dfLogicFld;
  Expect expect;
};

void PrintTo(const LogicalCase& c, std::ostream* os) {
  *os << '"' << c.value << "\" ChkLgcEr " << c.chkLgcEr << " TrLogicFld " << c.trLogicFld
      << " DfLogicFld " << c.dfLogicFld;
}

class CheckLogicalTest : public testing::TestWithParam<LogicalCase> {};

TEST_P(CheckLogicalTest, Rule) {
  const LogicalCase& c = GetParam();
  EngineOptions opts = baseOptions();
  opts.ChkLgcEr = c.chkLgcEr;
  opts.TrLogicFld = c.trLogicFld;
  opts.DfLogicFld = c.dfLogicFld;
  std::string out = "stale";
  CheckResult res;
  const bool report = checkLogical(c.value, opts, out, res);
  EXPECT_EQ(report, res.report);
  expectResult(out, res, c.expect);
}

INSTANTIATE_TEST_SUITE_P(
    BadValues, CheckLogicalTest,
    testing::Values(LogicalCase{"y", true, 0, 0, {"T", 19, true, "33", 1, 1}},
                    LogicalCase{"y", true, 1, 0, {"Y", 19, true, "33", 1, 1}},
                    LogicalCase{"1", true, 0, 1, {"F", 19, true, "33", 1, 1}},
                    LogicalCase{"1", true, 1, 1, {"N", 19, true, "33", 1, 1}},
                    LogicalCase{"x", true, 2, 2, {"?", 19, true, "33", 1, 1}},
                    LogicalCase{"x", true, 0, 3, {" ", 19, true, "33", 1, 1}},
                    LogicalCase{"x", true, 0, 7, {" ", 19, true, "33", 1, 1}},
                    LogicalCase{"Tx", true, 0, 0, {"T ", 19, true, "33", 1, 1}},
                    LogicalCase{"y", false, 0, 0, {"y"}}));  // not checked: passed on

INSTANTIATE_TEST_SUITE_P(
    Translation, CheckLogicalTest,
    testing::Values(LogicalCase{"Y", true, 0, 0, {"T"}}, LogicalCase{"N", true, 0, 0, {"F"}},
                    LogicalCase{"T", false, 1, 0, {"Y"}}, LogicalCase{"F", false, 1, 0, {"N"}},
                    LogicalCase{"Y", false, 2, 0, {"Y"}}, LogicalCase{"T", false, 2, 0, {"T"}},
                    LogicalCase{"?", true, 0, 0, {"?"}}, LogicalCase{" ", true, 1, 0, {" "}}));

// ---------------------------------------------------------------------------------------------
// First byte

TEST(CheckFirstByteTest, Rule) {
  struct Case {
    char first;
    bool chkFrstEr;
    bool indDelInSp;
    char effective;
    bool report;
  };
  for (const Case& c : {Case{' ', true, false, ' ', false}, Case{'*', true, true, '*', false},
                        Case{'X', true, true, ' ', true}, Case{'X', true, false, '*', true},
                        Case{'\0', true, true, ' ', true}, Case{'X', false, false, 'X', false}}) {
    EngineOptions opts = baseOptions();
    opts.ChkFrstEr = c.chkFrstEr;
    opts.IndDelInSp = c.indDelInSp;
    CheckResult res;
    EXPECT_EQ(checkFirstByte(c.first, opts, res), c.effective) << "byte " << int(c.first);
    EXPECT_EQ(res.report, c.report) << "byte " << int(c.first);
    EXPECT_EQ(res.code, 0);
    EXPECT_EQ(res.tmpl, c.report ? std::string_view("27") : std::string_view());
  }
}

// ---------------------------------------------------------------------------------------------
// Reuse of the output buffer and the result from field to field

TEST(FieldRulesReuseTest, ResultAndBufferCarryNothingOver) {
  EngineOptions opts = baseOptions();
  opts.ChkDtErr = true;
  opts.ChkDtLess = true;
  opts.InfFmtNum = true;
  std::string out;
  CheckResult res;

  ChkDate("18991231", opts, out, res);  // range line: new value as a date
  ASSERT_TRUE(res.newValueIsDate);
  checkNumber("  1.2.50", 'N', 8, 2, false, opts, out, res);  // marked, formatted
  ASSERT_TRUE(res.numShowFormatted);
  ASSERT_EQ(res.markLen, 1);

  ChkDate("20050228", opts, out, res);
  EXPECT_EQ(out, "20050228");
  EXPECT_FALSE(res.report);
  EXPECT_EQ(res.code, 0);
  EXPECT_TRUE(res.tmpl.empty());
  EXPECT_EQ(res.markLen, 0);
  EXPECT_FALSE(res.newValueIsDate);
  EXPECT_FALSE(res.numShowFormatted);
  EXPECT_TRUE(res.formatted.empty());

  checkNumber("   7", 'N', 4, 0, false, opts, out, res);
  EXPECT_EQ(out, "   7");
  EXPECT_FALSE(res.report);
}

}  // namespace
}  // namespace tarvex
