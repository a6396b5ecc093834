// Classification, layout and repair of numeric field text.
#include "engine/NumberFormat.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace tarvex {
namespace {

struct ChkNumCase {
  const char* value;
  int dec;
  int expected;
};

void PrintTo(const ChkNumCase& c, std::ostream* os) {
  *os << '"' << c.value << "\" dec " << c.dec;
}

class ChkNumTest : public testing::TestWithParam<ChkNumCase> {};

TEST_P(ChkNumTest, Classifies) {
  const ChkNumCase& c = GetParam();
  EXPECT_EQ(ChkNum(c.value, c.dec), c.expected) << "value \"" << c.value << "\" dec " << c.dec;
}

INSTANTIATE_TEST_SUITE_P(
    Field8Dec2, ChkNumTest,
    testing::Values(ChkNumCase{"   12.50", 2, 0},                    // well-formed
                    ChkNumCase{"  -12.50", 2, 0},                    // with sign
                    ChkNumCase{"12.50   ", 2, kNumTrailingOk},       // trailing spaces
                    ChkNumCase{"   12.5 ", 2, kNumTrailingOk},       // trailing, point anywhere
                    ChkNumCase{"  1250  ", 2, kNumTrailingNoPoint},  // trailing, no point
                    ChkNumCase{"   1.250", 2, kNumPointMisplaced},   // point not 2 from the end
                    ChkNumCase{"    1250", 2, kNumNoPoint},          // no point at all
                    ChkNumCase{"  1.2.50", 2, kNumManyPoints},       // two points
                    ChkNumCase{"1.2.5   ", 2, kNumManyPoints},       // two points beat trailing
                    ChkNumCase{"   12a50", 2, 6},                    // bad character
                    ChkNumCase{"  +12.50", 2, 3},                    // a plus sign is not allowed
                    ChkNumCase{"  1-2.50", 2, 4},                    // inner minus
                    ChkNumCase{"  12 .50", 2, 6},                    // non-space after trailing
                    ChkNumCase{" - 12.50", 2, 4},                    // blank after the sign
                    ChkNumCase{"        ", 2, kNumBlank},            // blank
                    ChkNumCase{"", 2, kNumBlank},                    // empty
                    ChkNumCase{"       -", 2, 9},                    // sign only: past the end
                    ChkNumCase{"    -   ", 2, 9}));                  // sign and blanks

INSTANTIATE_TEST_SUITE_P(Field7Dec0, ChkNumTest,
                         testing::Values(ChkNumCase{"     12", 0, 0},
                                         ChkNumCase{"   12.0", 0, kNumPointNoDecimals},
                                         ChkNumCase{"   12.5", 0, kNumPointNoDecimals},
                                         ChkNumCase{"12     ", 0, kNumTrailingOk},
                                         ChkNumCase{"12.5   ", 0, kNumTrailingPoint},
                                         ChkNumCase{"      .", 0, kNumPointNoDecimals},
                                         ChkNumCase{"   1\t2", 0, 5}));

struct FmtNumCase {
  const char* value;
  int dec;
  int cls;
  int len;
  const char* text;
  int result;
};

void PrintTo(const FmtNumCase& c, std::ostream* os) {
  *os << '"' << c.value << "\" dec " << c.dec << " class " << c.cls << " len " << c.len;
}

class FmtNumTest : public testing::TestWithParam<FmtNumCase> {};

TEST_P(FmtNumTest, LaysOutAndReports) {
  const FmtNumCase& c = GetParam();
  std::string out = "stale contents longer than any field";
  const int r = FmtNum(c.value, c.dec, c.cls, c.len, out);
  EXPECT_EQ(out, c.text) << "value \"" << c.value << "\"";
  EXPECT_EQ(r, c.result) << "value \"" << c.value << "\"";
  EXPECT_EQ(out.size(), static_cast<size_t>(c.len));
}

INSTANTIATE_TEST_SUITE_P(
    WithDecimals, FmtNumTest,
    testing::Values(
        FmtNumCase{"   12.50", 2, 0, 8, "   12.50", 0},
        FmtNumCase{"12.5    ", 2, kNumTrailingOk, 8, "   12.50", 0},      // decimals padded
        FmtNumCase{"007.50", 2, 0, 8, "    7.50", 0},                     // leading zeros go
        FmtNumCase{"   1.250", 2, kNumPointMisplaced, 8, "    1.25", 0},  // trailing zero dropped
        FmtNumCase{"1.234   ", 2, kNumTrailingOk, 8, "    1.23", kFmtTooManyDecimals},
        FmtNumCase{"   1.235", 2, kNumPointMisplaced, 8, "    1.24", kFmtTooManyDecimals},
        FmtNumCase{"  -1.235", 2, kNumPointMisplaced, 8, "   -1.24", kFmtTooManyDecimals},
        FmtNumCase{"   9.995", 2, kNumPointMisplaced, 8, "   10.00", kFmtTooManyDecimals},
        FmtNumCase{"  -0.001", 2, kNumPointMisplaced, 8, "    0.00", kFmtTooManyDecimals},
        FmtNumCase{"12345.5", 2, kNumPointMisplaced, 7, "2345.50", kFmtIntegerTooLong},
        FmtNumCase{"  1250  ", 2, kNumTrailingNoPoint, 8, " 1250.00", 0},
        FmtNumCase{"   12345", 2, kNumNoPoint, 8, "12345.00", 0},
        FmtNumCase{"  123456", 2, kNumNoPoint, 8, "23456.00", kFmtIntegerTooLong},
        FmtNumCase{"  -12345", 2, kNumNoPoint, 8, "12345.00", kFmtIntegerTooLong},  // sign counts
        FmtNumCase{"     .5", 2, kNumPointMisplaced, 7, "   0.50", 0},
        FmtNumCase{"    0000", 2, kNumNoPoint, 8, "    0.00", 0},
        FmtNumCase{"       .", 2, kNumPointMisplaced, 8, "    0.00", 0},
        FmtNumCase{"       -", 2, 9, 8, "    0.00", 0},
        FmtNumCase{"        ", 2, kNumBlank, 8, "    0.00", 0},
        FmtNumCase{"   5", 3, kNumNoPoint, 4, ".000", kFmtIntegerTooLong}));  // no room at all

INSTANTIATE_TEST_SUITE_P(
    WithoutDecimals, FmtNumTest,
    testing::Values(
        FmtNumCase{"   12.0", 0, kNumPointNoDecimals, 7, "     12", 0},
        FmtNumCase{"12.00  ", 0, kNumTrailingPoint, 7, "     12", 0},
        FmtNumCase{"   12.5", 0, kNumPointNoDecimals, 7, "     13", kFmtDecimalsLost},
        FmtNumCase{"  -12.5", 0, kNumPointNoDecimals, 7, "    -13", kFmtDecimalsLost},
        FmtNumCase{"   -0.4", 0, kNumPointNoDecimals, 7, "      0", kFmtDecimalsLost},
        FmtNumCase{"12     ", 0, kNumTrailingOk, 7, "     12", 0},
        FmtNumCase{"   1.25", 0, 0, 7, "      1", 0},  // a point the class did not announce
        FmtNumCase{"99.9", 0, kNumPointNoDecimals, 2, "00", kFmtDecimalsLost},  // rightmost kept
        // Long keys keep every digit: no trip through binary floating point.
        FmtNumCase{"12345678901234567890", 0, 0, 20, "12345678901234567890", 0},
        FmtNumCase{"  9007199254740993", 0, 0, 20, "    9007199254740993", 0},
        FmtNumCase{"99999999999999999.5", 0, kNumPointNoDecimals, 20, "  100000000000000000",
                   kFmtDecimalsLost}));

struct FixNumCase {
  const char* value;
  int dec;
  int len;
  bool reformat;
  const char* text;
};

void PrintTo(const FixNumCase& c, std::ostream* os) {
  *os << '"' << c.value << "\" dec " << c.dec << " len " << c.len << " reformat " << c.reformat;
}

class FixNumTest : public testing::TestWithParam<FixNumCase> {};

TEST_P(FixNumTest, Repairs) {
  const FixNumCase& c = GetParam();
  std::string out = "stale contents longer than any field";
  FixNum(c.value, c.dec, c.len, c.reformat, out);
  EXPECT_EQ(out, c.text) << "value \"" << c.value << "\" reformat " << c.reformat;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FixNumTest,
    testing::Values(
        FixNumCase{"   12a50", 2, 8, false, "   12050"},  // no point: bad byte becomes 0
        FixNumCase{"   12a50", 2, 8, true, "12050.00"},
        FixNumCase{"  1.2.50", 2, 8, false, "   102.5"},  // the point 2 from the end counts
        FixNumCase{"  1.2.50", 2, 8, true, "  102.50"},
        FixNumCase{"  1.2.5 ", 2, 8, false, "   1.205"},  // else the first point counts
        FixNumCase{"1.2.3.4", 0, 8, false, " 1020304"},   // dec 0: no decimal point
        FixNumCase{"    1a.", 0, 8, false, "      10"},   // ... unless it ends the text
        FixNumCase{" -a5.7b", 2, 8, false, "    -5.7"},   // sign kept, zeros stripped
        FixNumCase{" -a5.7b", 2, 8, true, "   -5.70"},
        FixNumCase{"   12 34", 0, 8, false, "      12"},  // cut at the first inner space
        FixNumCase{"  - 12x", 0, 7, false, "   -120"},    // blank after the sign
        FixNumCase{"       -", 2, 8, false, "       0"},  // no "-0"
        FixNumCase{"       -", 2, 8, true, "    0.00"},
        FixNumCase{" .x", 1, 3, false, "  0"},  // empty integer part becomes 0
        FixNumCase{"1234567890123456789x", 0, 20, true, "12345678901234567890"},
        FixNumCase{"x123456789", 0, 5, false, "56789"}));  // rightmost characters kept

TEST(WriteZeroNumberTest, RightAlignsZeroWithDecimals) {
  struct Case {
    int dec;
    int len;
    const char* text;
  };
  for (const Case& c :
       {Case{0, 5, "    0"}, Case{2, 8, "    0.00"}, Case{3, 4, ".000"}, Case{0, 1, "0"}}) {
    std::string out = "stale";
    writeZeroNumber(c.dec, c.len, out);
    EXPECT_EQ(out, c.text) << "dec " << c.dec << " len " << c.len;
  }
}

TEST(IsLaidOutTest, AgreesWithFmtNum) {
  // A value counts as laid out exactly when FmtNum would write it unchanged.
  struct Case {
    const char* value;
    int dec;
    bool laid_out;
  };
  for (const Case& c : {Case{"   12.50", 2, true}, Case{"    0.50", 2, true},
                        Case{"   -1.25", 2, true}, Case{"   00.50", 2, false},
                        Case{"     .50", 2, false}, Case{"   -0.00", 2, false},
                        Case{"     120", 0, true}, Case{"    0120", 0, false},
                        Case{"       0", 0, true}, Case{"      -0", 0, false},
                        Case{"12345.67", 2, true}, Case{"-1234.50", 2, true}}) {
    std::string formatted;
    EXPECT_EQ(FmtNum(c.value, c.dec, ChkNum(c.value, c.dec), 8, formatted), 0) << c.value;
    EXPECT_EQ(formatted == c.value, c.laid_out) << c.value << " -> " << formatted;
    EXPECT_EQ(isLaidOut(c.value, c.dec), c.laid_out) << c.value;
  }
}

}  // namespace
}  // namespace tarvex
