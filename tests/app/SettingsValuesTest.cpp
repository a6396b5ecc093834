#include "app/SettingsValues.h"

#include <gtest/gtest.h>

#include "app/IniFile.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

struct NormCase {
  const char* value;
  const char* def;
  const char* g_ini;  // G_INI result
  const char* nvl;    // NVL result
};

void PrintTo(const NormCase& c, std::ostream* os) { *os << '"' << c.value << '"'; }


class NumberNormalisation : public ::testing::TestWithParam<NormCase> {};

TEST_P(NumberNormalisation, GiniAndNvl) {
  const NormCase& c = GetParam();
  EXPECT_EQ(G_INI(c.value, c.def), c.g_ini);
  EXPECT_EQ(NVL(c.value, c.def), c.nvl);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberNormalisation,
    ::testing::Values(NormCase{"", "1521", "1521", "1521"},            // empty: the default
                      NormCase{"   ", "1", "1", "1"},                  // blanks are trimmed
                      NormCase{"0", "1521", "1521", "0"},              // "0" differs
                      NormCase{" 0 ", "1", "1", "0"},
                      NormCase{" 42 ", "1", "42", "42"},
                      NormCase{"12345678901", "1", "2147483647", "2147483647"},  // 11 chars
                      NormCase{"2147483648", "1", "2147483647", "2147483647"},   // > max as text
                      NormCase{"2147483647", "1", "2147483647", "2147483647"},   // the max itself
                      NormCase{"9", "1", "9", "9"},
                      NormCase{"abc", "1", "abc", "abc"}));  // digits are not validated here

TEST(SettingsValues, FlagsAndWriteThrough) {
  test::TempDir dir;
  IniFile ini(dir.file("Tarvex.ini"));
  EXPECT_EQ(BtoYN(true), "Y");
  EXPECT_EQ(BtoYN(false), "N");

  Status s;
  EXPECT_EQ(Save_Ini(ini, "NrLogRecSkip", "", &s), "0");
  EXPECT_TRUE(s.isOk());
  EXPECT_EQ(ini.get("SETUP", "NrLogRecSkip"), "0");
  EXPECT_EQ(Save_Ini(ini, "Bindsize", " 99999999999 ", &s), "2147483647");
  EXPECT_EQ(ini.get("SETUP", "Bindsize"), "2147483647");

  // YNtoB writes the value unchanged and only the exact "Y" counts as set.
  for (auto [value, expected] : {std::pair{"Y", true}, std::pair{"y", false},
                                 std::pair{"Yes", false}, std::pair{"N", false},
                                 std::pair{"", false}}) {
    EXPECT_EQ(YNtoB(ini, value, "ChkDtErr", &s), expected) << value;
    EXPECT_TRUE(s.isOk());
    EXPECT_EQ(ini.get("SETUP", "ChkDtErr"), value);
  }
}

TEST(SettingsValues, FailedWriteIsReported) {
  test::TempDir dir;
  test::writeFile(dir.file("plain"), "x");
  IniFile ini(dir.file("plain/Tarvex.ini"));  // a path under a file cannot be written
  Status s;
  EXPECT_EQ(Save_Ini(ini, "Port", "1521", &s), "1521");
  EXPECT_FALSE(s.isOk());
  YNtoB(ini, "Y", "ChkDtErr", &s);
  EXPECT_FALSE(s.isOk());
}

}  // namespace
}  // namespace tarvex
