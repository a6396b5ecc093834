#include "engine/DbfHeaderProbe.h"

#include <gtest/gtest.h>

#include "support/DbfBuilder.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

TEST(DbfHeaderProbe, ByteHelpers) {
  EXPECT_EQ(Bin2Int0(std::string("\x34\x12", 2)), 0x1234);
  EXPECT_EQ(Bin4Int0(std::string("\x01\x00\x00\x00", 4)), 1);
  EXPECT_EQ(Bin4Int0(std::string("\xFF\xFF\xFF\xFF", 4)), 0x7FFFFFFF);
  EXPECT_EQ(Bin4Int0(std::string("\x00\x00\x00\x80", 4)), 0x7FFF0000);
  EXPECT_EQ(C1To2(7), "07");
  EXPECT_EQ(C1To2(10), "10");
  EXPECT_EQ(C1To2(0), "00");
}

struct ProbeCase {
  const char* what;
  uint8_t y, m, d;
  uint16_t record_length;
  CivilDate date;
  int problems;
};

void PrintTo(const ProbeCase& c, std::ostream* os) { *os << c.what; }


class ProbeDates : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(ProbeDates, ClampsAndCountsProblems) {
  const ProbeCase& c = GetParam();
  test::TempDir dir;
  std::string path = dir.file("p.dbf");
  test::writeFile(path, test::DbfBuilder()
                            .date(c.y, c.m, c.d)
                            .field("A", 'C', 10)
                            .storedRecordCount(42)
                            .storedRecordLength(c.record_length)
                            .build());
  DbfProbe probe;
  int problems = 0;
  EXPECT_TRUE(GetHDrDbf(path, &probe, &problems));
  EXPECT_EQ(probe.recordCount, 42);
  EXPECT_EQ(probe.lastUpdate, c.date);
  EXPECT_FALSE(probe.unreadable);
  EXPECT_EQ(problems, c.problems);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProbeDates,
    ::testing::Values(ProbeCase{"sound", 124, 5, 17, 11, {2024, 5, 17}, 0},
                      ProbeCase{"month 0", 99, 0, 3, 11, {1999, 1, 3}, 1},
                      ProbeCase{"month 13 day 0", 5, 13, 0, 11, {2005, 1, 1}, 2},
                      ProbeCase{"day 31 of February", 104, 2, 31, 11, {2004, 2, 29}, 1},
                      ProbeCase{"day 29 of February 2005", 105, 2, 29, 11, {2005, 2, 28}, 1},
                      ProbeCase{"day 31 of June", 30, 6, 31, 11, {1930, 6, 30}, 1},
                      ProbeCase{"record length 1", 124, 1, 1, 1, {2024, 1, 1}, 1}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

TEST(DbfHeaderProbe, ShortAndMissingFiles) {
  test::TempDir dir;
  DbfProbe probe;
  probe.recordCount = 99;
  int problems = 0;
  EXPECT_FALSE(GetHDrDbf(dir.file("missing.dbf"), &probe, &problems));
  EXPECT_EQ(probe.recordCount, 99);  // unchanged when the file cannot be opened

  test::writeFile(dir.file("short.dbf"), std::string(31, '\x03'));
  EXPECT_FALSE(GetHDrDbf(dir.file("short.dbf"), &probe, &problems));
  EXPECT_EQ(probe.recordCount, 0);
  EXPECT_EQ(probe.lastUpdate, today());
  EXPECT_FALSE(probe.unreadable);

  test::writeFile(dir.file("q.dbf"), test::DbfBuilder().field("A", 'C', 5).build());
  EXPECT_TRUE(GetHDrDbf("\"" + dir.file("q.dbf") + "\"", &probe, &problems));
}

}  // namespace
}  // namespace tarvex
