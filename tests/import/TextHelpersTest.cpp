// Path, name, placeholder, header, elapsed-time and month-end helpers of the import run.
#include "import/TextHelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/IniFile.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using namespace std::chrono_literals;

// The shipped character lists: the characters that may not stand in a generated name, and an
// "_" for each of them.
constexpr std::string_view kRndSmbC = "/\\.-: *?\"<>|'`!@#$%^&()+=,;[]{}~";
constexpr std::string_view kRndSmbS = "________________________________";

struct TextCase {
  const char* in;
  const char* expected;
};

TEST(AddSlshTest, TrimsAndEndsWithOneSlash) {
  const TextCase cases[] = {
      {"", "/"},                     // empty gives the root slash
      {"   ", "/"},                  // blanks only: empty after trimming
      {"/data/in", "/data/in/"},     // slash appended
      {"/data/in/", "/data/in/"},    // already ends in a slash
      {" /data/in/ ", "/data/in/"},  // trimmed first, then unchanged
      {"\t/data/in\r\n", "/data/in/"},
      {"rel", "rel/"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(AddSlsh(c.in), c.expected) << '"' << c.in << '"';
}

TEST(AddPthTest, RelativeGoesUnderTheBaseFolderAbsoluteStays) {
  struct Case {
    const char* path;
    const char* base;
    const char* expected;
  };
  const Case cases[] = {
      {"DATA", "/t/", "/t/DATA"},                // relative: under the base folder
      {"DATA", "/t", "/t/DATA"},                 // base folder without its trailing slash
      {" sub/x ", "/opt/tx/", "/opt/tx/sub/x"},  // trimmed before it is joined
      {"./DATA", "/t/", "/t/./DATA"},
      {"", "/t/", "/t/"},                 // empty: the base folder itself
      {"/DATA", "/t/", "/DATA"},          // absolute stays
      {"  /abs/p/  ", "/t/", "/abs/p/"},  // absolute, trimmed
      {"x", "/", "/x"},                   // base folder is the root
      {" x ", "", "x"},                   // no base folder: trimmed only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddPth(c.path, c.base), c.expected) << '"' << c.path << "\" in \"" << c.base << '"';
  }
}

TEST(ReplStrSTest, NormalisesNames) {
  struct Case {
    const char* text;
    const char* from;
    const char* to;
    const char* dup;
    const char* expected;
  };
  const Case cases[] = {
      {"A.B-C", ".-", "_", "", "A_BC"},         // "-" has no counterpart: removed
      {"A.B-C", ".-", "", "", "ABC"},           // no counterparts at all
      {"A.B-C", ".-", "_+", "", "A_B+C"},       // position by position
      {"a/b_", "/_", "_x", "", "axbx"},         // positions apply one after another
      {"AB/", "/", "_", "", "AB"},              // a final "_" is removed
      {"AB//", "/", "_", "", "AB_"},            // ... but only one of them
      {"AB//", "/", "_", "__", "AB"},           // the run shrinks first, then goes
      {"/a//b///c", "/", "_", "__", "_a_b_c"},  // every run of "_" shrinks to one
      {"a____b", "", "", "__", "a_b"},          // repeated until none is left
      {"a__b", "", "", "_", "a__b"},            // a one-character dup does nothing
      {"emp.dbf", ".", "_", "__", "emp"},       // lower-case ".dbf" removed before the rest
      {"EMP.Dbf", "", "", "", "EMP"},
      {"X.DBF.DBF", "", "", "", "X.DBF"},      // only the final one
      {"EMP.DBT", ".", "_", "__", "EMP_DBT"},  // another extension stays
      {"DBF", "", "", "", "DBF"},              // shorter than ".DBF"
      {".DBF", "", "", "", ""},
      {"", "/", "_", "__", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplStrS(c.text, c.from, c.to, c.dup), c.expected)
        << '"' << c.text << "\" from \"" << c.from << "\" to \"" << c.to << "\" dup \"" << c.dup
        << '"';
  }
}

TEST(ReplPrmTest, ReplacesEveryOccurrenceOfExactlyThatNumber) {
  EXPECT_EQ(Repl_Prm("<#1#> and <#1#>, not <#10#>", "v", 1), "v and v, not <#10#>");
  EXPECT_EQ(Repl_Prm("<#1#> and <#1#>, not <#10#>", "w", 10), "<#1#> and <#1#>, not w");
  EXPECT_EQ(Repl_Prm("no placeholder", "v", 1), "no placeholder");
  EXPECT_EQ(Repl_Prm("[<#2#>]", "", 2), "[]");
  // The value is not scanned again.
  EXPECT_EQ(Repl_Prm("<#1#>-<#1#>", "<#1#>", 1), "<#1#>-<#1#>");
  EXPECT_EQ(Repl_Prm("<#3#><#3#>", "ab", 3), "abab");
}

TEST(PartSTest, CutsTheStarRunWhenOnlyStarsStandPastTheWidth) {
  // Without its markup the text is "Title  >**********" (18 characters).
  const std::string text = "<^G>Title  >**********^>";
  struct Case {
    int w;
    const char* expected;
  };
  const Case cases[] = {
      {10, "<^G>Title  >^>"},            // past 10 only stars
      {7, "<^G>Title  ^>"},              // past 7 the ">" and stars
      {5, "<^G>Title  ^>"},              // blanks, ">" and stars: trimmed tail is ">"
      {3, "<^G>Title  >**********^>"},   // letters past 3: unchanged
      {18, "<^G>Title  >**********^>"},  // not longer than the width
      {40, "<^G>Title  >**********^>"},
  };
  for (const Case& c : cases) EXPECT_EQ(PartS(text, c.w), c.expected) << "w " << c.w;
  EXPECT_EQ(PartS("  plain  ", 40), "plain");
  EXPECT_EQ(PartS("  abcdef  ", 3), "abcdef");  // letters past the width: only trimmed
}

TEST(FrmLenTTest, CentresShorterTextsAndKeepsLongerOnesWhole) {
  struct Case {
    const char* text;
    int width;
    const char* expected;
  };
  const Case cases[] = {
      {"ab", 6, "  ab  "},     {"abc", 6, " abc  "},  // the odd blank goes after
      {"  abc ", 6, " abc  "}, {"", 4, "    "},
      {" abc ", 3, "abc"},      // as long as the width: trimmed
      {"abcdef", 3, "abcdef"},  // longer: trimmed and not cut
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FrmLenT(c.text, c.width), c.expected) << '"' << c.text << "\" in " << c.width;
  }
}

TEST(FrmTmSTest, ElapsedTimeText) {
  const WallClock::time_point t0{std::chrono::seconds{1'700'000'000}};
  struct Case {
    WallClock::duration startOffset;
    WallClock::duration nowOffset;
    const char* expected;
  };
  const Case cases[] = {
      {0ms, 0ms, "0:00:00"},      {100ms, 900ms, "0:00:00"},  // the same second of the clock
      {900ms, 1100ms, "0:00:00"},  // next second, but less than one elapsed
      {0ms, 1s, "0:00:01"},       {0ms, 59s + 999ms, "0:00:59"},  // whole seconds, cut down
      {0ms, 3725s, "1:02:05"},    {10s, 10s + 36000s, "10:00:00"},
      {0ms, 90000s, "25:00:00"},  // hours are not wrapped at a day
      {5s, 0ms, "0:00:00"},       // now before start
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FrmTmS(t0 + c.startOffset, t0 + c.nowOffset), c.expected)
        << "start +" << std::chrono::duration_cast<std::chrono::milliseconds>(c.startOffset).count()
        << "ms, now +" << std::chrono::duration_cast<std::chrono::milliseconds>(c.nowOffset).count()
        << "ms";
  }
}

TEST(FrmTmLgTest, WordsFromTheSettingsFile) {
  test::TempDir dir;
  const std::string iniPath = dir.file("Tarvex.ini");
  test::writeFile(iniPath, "[File Header]\r\n37=<#1#>h <#2#>m <#3#>s\r\n38=<#2#>m <#3#>s\r\n");
  const IniFile ini(iniPath);
  const TextCase cases[] = {
      {"0:00:00", "0m 00s"},  // one hour digit: hours zero, so "38"
      {"0:05:07", "5m 07s"},  // minutes lose a leading zero, seconds keep it
      {"00:10:00", "10m 00s"},
      {"1:02:05", "1h 2m 05s"},
      {"05:00:09", "5h 0m 09s"},
      {"12:30:45", "12h 30m 45s"},
      {"10:00:00", "10h 0m 00s"},
      {"25:00:00", "25h 0m 00s"},
      {"123:04:05", "123h 4m 05s"},  // more hour digits (runs of more than 99 hours)
      {"abc", "abc"},                // not a time text: unchanged
      {"1:2:3", "1:2:3"},
      {"1:02", "1:02"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(FrmTmLg(c.in, ini), c.expected) << c.in;
}

TEST(FrmTmLgTest, ShippedSettingsFileHasBothTemplates) {
  const IniFile ini(std::string(TARVEX_RESOURCE_DIR) + "/Tarvex.ini");
  EXPECT_EQ(FrmTmLg("1:02:05", ini), "1 h 2 min 05 s");
  EXPECT_EQ(FrmTmLg("0:02:05", ini), "2 min 05 s");
}

TEST(NVL0Test, FirstUnlessZero) {
  EXPECT_EQ(NVL0(5, 7), 5);
  EXPECT_EQ(NVL0(-3, 7), -3);
  EXPECT_EQ(NVL0(0, 7), 7);
  EXPECT_EQ(NVL0(0, 0), 0);
}

TEST(MonthEndTest, LastDayOfTheMonth) {
  struct Case {
    CivilDate date;
    int lastDay;
  };
  const Case cases[] = {
      {{2024, 2, 10}, 29},                                             // leap year
      {{2023, 2, 1}, 28},  {{1900, 2, 28}, 28},                        // century, not a leap year
      {{2000, 2, 29}, 29},                                             // 400th year, a leap year
      {{2023, 4, 30}, 30}, {{2023, 1, 31}, 31}, {{2023, 12, 15}, 31},  // December
  };
  for (const Case& c : cases) {
    const CivilDate expected{c.date.year, c.date.month, c.lastDay};
    EXPECT_EQ(UltDtInLuna(c.date), expected) << formatDottedDate(c.date);
    EXPECT_EQ(UltZiInLuna(c.date), c.lastDay) << formatDottedDate(c.date);
  }
}

TEST(BaseNameTest, DbfFileFromItsFullPath) {
  struct Case {
    const char* folder;
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"/data/in/", "emp.dbf", "_DATA_IN_EMP"},
      {"/data/out", "EMP.DBF", "_DATA_OUT_EMP"},  // folder ended with "/" first
      {"in", "emp.dbf", "_OPT_TX_IN_EMP"},        // relative folder: under the program folder
      {"", "emp.dbf", "_OPT_TX_EMP"},             // no folder: the program folder
      {"/data/", "emp.txt", "_DATA_EMP_TXT"},     // another extension stays in the name
      {"/data/", "emp", "_DATA_EMP"},
      {"/data/my dir/", "a-b(1).dbf", "_DATA_MY_DIR_A_B_1"},
      {"/x.dbf.d/", "e.dbf", "_X_DBF_D_E"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dbfBaseName(c.folder, c.name, "/opt/tx/", kRndSmbC, kRndSmbS), c.expected)
        << c.folder << " + " << c.name;
  }
}

TEST(BaseNameTest, SameNameInDifferentFoldersDiffers) {
  const std::string a = dbfBaseName("/data/2023/", "SALES.DBF", "/opt/tx/", kRndSmbC, kRndSmbS);
  const std::string b = dbfBaseName("/data/2024/", "SALES.DBF", "/opt/tx/", kRndSmbC, kRndSmbS);
  EXPECT_EQ(a, "_DATA_2023_SALES");
  EXPECT_EQ(b, "_DATA_2024_SALES");
}

TEST(BaseNameTest, DbfLeftAfterTheCharactersAreReplacedIsRemoved) {
  // With only "/" replaced, the name keeps its "." and a ".DBF" inside it.
  EXPECT_EQ(dbfBaseName("/d/", "a.dbf.dbf", "/opt/", "/", "_"), "_D_A");
  EXPECT_EQ(dbfBaseName("/d/", "a.dbf.txt", "/opt/", "/", "_"), "_D_A.TXT");
}

TEST(BaseNameTest, ProjectNameAsItIsThenTrimmed) {
  EXPECT_EQ(projectBaseName("My Project 1", kRndSmbC, kRndSmbS), "My_Project_1");
  EXPECT_EQ(projectBaseName("Sales/2024: north", kRndSmbC, kRndSmbS), "Sales_2024_north");
  EXPECT_EQ(projectBaseName("  Sales  ", kRndSmbC, kRndSmbS), "_Sales");
  EXPECT_EQ(projectBaseName("  mixed Case  ", "/", "_"), "mixed Case");
}

}  // namespace
}  // namespace tarvex
