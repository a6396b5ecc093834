// The log writer TCmpParsG: markup runs, comments, keywords, the keyword file, line offsets,
// and the two views without a window.
#include "logview/CmpParsG.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "logview/MarkupRuns.h"
#include "logview/MemoryLogView.h"
#include "logview/TerminalLogView.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using test::TempDir;
using test::writeFile;

// --- reading attributes back as letters -------------------------------------------------------

// Colour letter of a colour ('?' for a colour that has none).
char letterOf(LogColor c) {
  for (char l : std::string("RANMGLOC")) {
    if (colorFromLetter(l) == c) return l;
  }
  return '?';
}

// Y bold italic, B bold, I italic, - regular.
char styleOf(FontStyle s) {
  if (s.bold) return s.italic ? 'Y' : 'B';
  return s.italic ? 'I' : '-';
}

// One letter per byte of the line.
std::string colorsOf(const MemoryLogView& v, size_t line) {
  std::string out;
  for (const CharAttributes& a : v.lineAttributes(line)) out += letterOf(a.color);
  return out;
}
std::string stylesOf(const MemoryLogView& v, size_t line) {
  std::string out;
  for (const CharAttributes& a : v.lineAttributes(line)) out += styleOf(a.style);
  return out;
}

// A log writer bound to a memory view, with the keyword file given (none when empty).
class LogWriter {
 public:
  explicit LogWriter(const std::string& keyword_file = "") {
    pars_.setColorParsFile(keyword_file.empty() ? dir_.file("missing.txt") : dir_.file("Pars.txt"));
    if (!keyword_file.empty()) writeFile(dir_.file("Pars.txt"), keyword_file);
    pars_.AttachView(&view_);
  }
  // Appends one line and returns its number.
  size_t add(std::string_view line) {
    pars_.AddLine(line);
    return view_.lineCount() - 1;
  }
  TCmpParsG& pars() { return pars_; }
  MemoryLogView& view() { return view_; }

 private:
  TempDir dir_;
  MemoryLogView view_;
  TCmpParsG pars_;
};

// --- markup runs --------------------------------------------------------------------------------

// The markup rule applied literally, with string searches from the start in every round.
std::vector<MarkupRun> referenceRuns(std::string* s) {
  std::vector<MarkupRun> runs;
  for (;;) {
    const size_t a = s->find("<^");
    if (a == std::string::npos) break;
    const size_t e = s->find("^>");
    const size_t t = s->find('>', a);
    if (e == std::string::npos || t >= e) break;
    MarkupRun r{a, 0, (*s)[a + 2], (*s)[a + 3]};
    s->erase(a, t - a + 1);
    const size_t end = s->find("^>");
    s->erase(end, 2);
    r.length = end > a ? end - a : 0;
    runs.push_back(r);
  }
  return runs;
}

std::string describe(const std::vector<MarkupRun>& runs) {
  std::ostringstream os;
  for (const MarkupRun& r : runs) os << r.start << '+' << r.length << r.color << r.style << ' ';
  return os.str();
}

struct RunCase {
  const char* line;
  const char* text;  // after the markup is removed
  const char* runs;  // describe() of the runs
};

void PrintTo(const RunCase& c, std::ostream* os) {
  *os << '"' << c.line << '"';
}

class MarkupRunsTest : public testing::TestWithParam<RunCase> {};

TEST_P(MarkupRunsTest, RemovesMarkupAndFindsRuns) {
  std::string text = GetParam().line;
  const std::vector<MarkupRun> runs = extractMarkupRuns(&text);
  EXPECT_EQ(text, GetParam().text);
  EXPECT_EQ(describe(runs), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MarkupRunsTest,
    testing::Values(
        RunCase{"plain text", "plain text", ""},
        RunCase{"<^R>Error^> in <^g>file^>", "Error in file", "0+5R> 9+4g> "},
        RunCase{"<^Ri>x^>y", "xy", "0+1Ri "},
        RunCase{"a<^nix>bc^>", "abc", "1+2ni "},                // a longer tag: 4th char is style
        RunCase{"<^R>a^><^N>b^>", "ab", "0+1R> 1+1N> "},        // "^><^N>" closes and opens
        RunCase{"^><^N>x^>", "^><^N>x^>", ""},                  // closing mark before the tag
        RunCase{"<^R>no end", "<^R>no end", ""},                // no closing mark
        RunCase{"<^R x ^> y>", "<^R x ^> y>", ""},              // ">" of the tag after "^>"
        RunCase{"<^R>ok^> <^G>open", "ok <^G>open", "0+2R> "},  // stops at the broken tag
        RunCase{"<^R>a<^G>b^>c^>", "abc", "0+6R> 1+2G> "},      // no nesting: ranges overlap
        RunCase{"x^<^R>>y^>", "xy^>", "2+0R> "},                // a join makes a "^>" before a
        RunCase{"<<^R>^G>x^>y^>", "xy", "1+4R> 0+2G> "}));      // a join makes a "<^" before a

TEST(MarkupRuns, MatchesTheLiteralRuleOnRandomLines) {
  std::mt19937 rng(12345);
  const std::string alphabet = "<^>Rix";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<size_t> length(0, 30);
  for (int i = 0; i < 50000; ++i) {
    std::string line;
    for (size_t n = length(rng); n > 0; --n) line += alphabet[pick(rng)];
    std::string expected_text = line;
    const std::string expected = describe(referenceRuns(&expected_text));
    std::string text = line;
    const std::string got = describe(extractMarkupRuns(&text));
    ASSERT_EQ(text, expected_text) << "line \"" << line << '"';
    ASSERT_EQ(got, expected) << "line \"" << line << '"';
  }
}

TEST(MarkupRuns, KeepsTheFirst1800RunsAndRemovesAllMarkup) {
  std::string line;
  for (int i = 0; i < 2000; ++i) line += "<^R>ab^>-";
  const std::vector<MarkupRun> runs = extractMarkupRuns(&line);
  ASSERT_EQ(runs.size(), kMaxRunsPerLine);
  EXPECT_EQ(runs.back().start, (kMaxRunsPerLine - 1) * 3);
  EXPECT_EQ(line.find('<'), std::string::npos);
  EXPECT_EQ(line.size(), 2000u * 3);
}

// --- one line through the log writer (no keyword file: black italic default) -----------------

struct LineCase {
  const char* name;
  const char* line;
  const char* text;
  const char* colors;
  const char* styles;
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << c.name;
}

class AddLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(AddLineTest, ShowsTheLineWithItsAttributes) {
  LogWriter w;
  const size_t n = w.add(GetParam().line);
  ASSERT_NE(w.view().line(n), nullptr);
  EXPECT_EQ(w.view().line(n)->text, GetParam().text);
  EXPECT_EQ(colorsOf(w.view(), n), GetParam().colors);
  EXPECT_EQ(stylesOf(w.view(), n), GetParam().styles);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AddLineTest,
    testing::Values(
        LineCase{"RunsUpperAndLower", "<^R>Error^> in <^g>file^>", "Error in file", "RRRRRNNNNGGGG",
                 "BBBBBIIII----"},
        LineCase{"ClosingMarkFirst", "^><^N>x^>", "^><^N>x^>", "NNNNNNNNN", "IIIIIIIII"},
        LineCase{"LineComment", "abc -- note", "abc -- note", "NNNNGGGGGGG", "----YYYYYYY"},
        LineCase{"TabAndControlBytes", "a\tb\rc\x0b", "a?b?c?", "NNNNNN", "IIIIII"},
        LineCase{"StyleLetters", "<^Ri>a^><^ri>b^><^r>c^><^ni>d^><^Mx>e^>", "abcde", "RRRNM",
                 "YI-IB"},
        LineCase{"NonLetterColorIsBoldBlack", "<^1>x^>", "x", "N", "B"},
        LineCase{"HiddenMarker", "ab<#-#>cd", "ab<#-#>cd", "NNCCCCCNN", "IIIIIIIII"},
        LineCase{"RunOverComment", "x -- <^R>y^>", "x -- y", "NNGGGR", "--YYYB"},
        LineCase{"RunReachingPastTheEnd", "<^R>a<^G>b^>c^>", "abc", "RGG", "BBB"}));

TEST(AddLine, NulByteShowsAsQuestionMark) {
  LogWriter w;
  const size_t n = w.add(std::string_view("a\0b\nc", 5));
  EXPECT_EQ(w.view().line(n)->text, "a?b?c");
}

TEST(AddLine, BlockCommentColoursEveryLineUpToItsEnd) {
  LogWriter w;
  const std::vector<std::string> lines = {"/* a", "b", "c */", "d"};
  for (const std::string& l : lines) w.add(l);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(colorsOf(w.view(), i), std::string(lines[i].size(), 'G')) << "line " << i;
    EXPECT_EQ(stylesOf(w.view(), i), std::string(lines[i].size(), 'Y')) << "line " << i;
  }
  EXPECT_EQ(colorsOf(w.view(), 3), "N");
  EXPECT_EQ(stylesOf(w.view(), 3), "I");
  EXPECT_EQ(w.pars().blockDepth(), 0);
}

TEST(AddLine, UnclosedBlockCommentLastsUntilClearLog) {
  LogWriter w;
  w.add("/* open");
  EXPECT_EQ(colorsOf(w.view(), w.add("later")), "GGGGG");
  EXPECT_EQ(w.pars().blockDepth(), 1);
  w.pars().ClearLog();
  EXPECT_EQ(w.pars().blockDepth(), 0);
  EXPECT_EQ(w.view().lineCount(), 0u);
  EXPECT_EQ(colorsOf(w.view(), w.add("after")), "NNNNN");
}

TEST(AddLine, LineStartsAdvanceByTheFinalLengthPlusTwo) {
  LogWriter w;
  // Final lengths 2, 3 (markup removed), 0, 1.
  const std::vector<std::string> lines = {"ab", "<^R>cde^>", "", "x"};
  const std::vector<size_t> starts = {0, 4, 9, 11};
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(w.pars().nextLineStart(), starts[i]) << "line " << i;
    w.add(lines[i]);
    EXPECT_EQ(w.view().lineStart(i), starts[i]) << "line " << i;
  }
  EXPECT_EQ(w.pars().lineCount(), 4u);
  EXPECT_EQ(w.pars().nextLineStart(), 14u);
  // The R run of the second line was set at offset 4, the line's own start.
  EXPECT_EQ(colorsOf(w.view(), 1), "RRR");
  w.pars().ClearLog();
  EXPECT_EQ(w.pars().lineCount(), 0u);
  EXPECT_EQ(w.pars().nextLineStart(), 0u);
}

TEST(AddLine, WithoutAViewDoesNothing) {
  TCmpParsG pars;
  EXPECT_FALSE(pars.hasView());
  pars.AddLine("/* x");
  EXPECT_EQ(pars.lineCount(), 0u);
  EXPECT_EQ(pars.blockDepth(), 0);
}

TEST(CmpParsG, PublishedPropertiesStartAtTheirDefaults) {
  TCmpParsG pars;
  EXPECT_EQ(pars.ColorParsFile(), "Pars.txt");
  EXPECT_EQ(pars.MemRzFntNm(), "Courier New");
  EXPECT_EQ(pars.StrComment(), "--");
  EXPECT_EQ(pars.StrCommentStart(), "/*");
  EXPECT_EQ(pars.StrCommentStop(), "*/");
  EXPECT_EQ(pars.StrHideEndSimb(), "<#-#>");
  EXPECT_FALSE(pars.ParsNumber());
  EXPECT_EQ(pars.defaultColor(), log_colors::kBlack);
  EXPECT_EQ(pars.defaultStyle(), (FontStyle{false, true}));
}

TEST(CmpParsG, ChangedCommentMarksAreUsed) {
  LogWriter w;
  w.pars().setStrComment("#");
  w.pars().setStrCommentStart("{");
  w.pars().setStrCommentStop("}");
  EXPECT_EQ(colorsOf(w.view(), w.add("a # b -- c")), "NNGGGGGGGG");
  EXPECT_EQ(colorsOf(w.view(), w.add("/* x")), "NNNN");  // the old block start no longer counts
  EXPECT_EQ(w.pars().blockDepth(), 0);
  w.pars().setStrComment("");  // an empty mark never matches
  EXPECT_EQ(colorsOf(w.view(), w.add("a")), "N");
}

TEST(CmpParsG, AttachViewSetsTheFontAndShowCaretGoesToTheFirstLine) {
  LogWriter w;
  EXPECT_EQ(w.view().fontName(), "Courier New");
  w.add("first");
  w.add("<^R>second^>");
  EXPECT_NE(w.view().selectionStart(), 0u);  // left on the last run
  w.pars().ShowCaret();
  EXPECT_EQ(w.view().selectionStart(), 0u);
  EXPECT_EQ(w.view().selectionLength(), 0u);
}

// --- keywords -----------------------------------------------------------------------------------

struct KeywordCase {
  const char* name;
  const char* keyword_file;
  const char* line;
  const char* colors;
  const char* styles;
};

void PrintTo(const KeywordCase& c, std::ostream* os) {
  *os << c.name;
}

class KeywordTest : public testing::TestWithParam<KeywordCase> {};

TEST_P(KeywordTest, ColoursTheMatches) {
  LogWriter w(GetParam().keyword_file);
  const size_t n = w.add(GetParam().line);
  EXPECT_EQ(colorsOf(w.view(), n), GetParam().colors);
  EXPECT_EQ(stylesOf(w.view(), n), GetParam().styles);
}

// Default line "[]|[]|N": ordinary text black regular.
constexpr const char* kSelectR = "[]|[]|N\nSELECT|A|R|B\n";

INSTANTIATE_TEST_SUITE_P(
    Keywords, KeywordTest,
    testing::Values(
        KeywordCase{"ModeRInOrdinaryText", kSelectR, "SELECT * FROM T", "AAAAAANNNNNNNNN",
                    "BBBBBB---------"},
        KeywordCase{"NotInsideALongerWord", kSelectR, "SELECTED", "NNNNNNNN", "--------"},
        KeywordCase{"NotAfterALetter", kSelectR, "xSELECT", "NNNNNNN", "-------"},
        KeywordCase{"BetweenSeparators", kSelectR, "(SELECT),SELECT%", "NAAAAAANNAAAAAAN",
                    "-BBBBBB--BBBBBB-"},
        KeywordCase{"ModeRNotInALineComment", kSelectR, "x -- SELECT", "NNGGGGGGGGG",
                    "--YYYYYYYYY"},
        KeywordCase{"ModeRBeforeALineComment", kSelectR, "SELECT -- x", "AAAAAANGGGG",
                    "BBBBBB-YYYY"},
        KeywordCase{"ModeRNotInABlockComment", kSelectR, "/* SELECT */", "GGGGGGGGGGGG",
                    "YYYYYYYYYYYY"},
        KeywordCase{"LetterCaseCounts", kSelectR, "select", "NNNNNN", "------"},
        KeywordCase{"ModeAInsideAComment", "Error|R|A|B\n", "x -- Error", "NNGGGRRRRR",
                    "--YYYBBBBB"},
        KeywordCase{"ModeCInBlockComment", "TODO|R|C|Y\n", "/* TODO */", "GGGRRRRGGG",
                    "YYYYYYYYYY"},
        KeywordCase{"ModeCNotAtTheLineStart", "TODO|R|C|Y\n", "TODO /*", "GGGGGGG", "YYYYYYY"},
        KeywordCase{"ModeCNotInOrdinaryText", "TODO|R|C|Y\n", "TODO x", "NNNNNN", "IIIIII"},
        KeywordCase{"OtherModeNever", "TODO|R|X|B\n", "TODO", "NNNN", "IIII"},
        KeywordCase{"LowerCaseColourIsBlack", "[]|[]|G\nDATE|m|A|I\n", "DATE x", "NNNNGG",
                    "IIII--"},
        KeywordCase{"QuotedText", "'|G|R|N\n", "WHERE X = 'abc'", "NNNNNNNNNNGGGGG",
                    "IIIIIIIIII-----"},
        KeywordCase{"TwoQuotedTexts", "'|G|R|N\n", "'a' 'b'", "GGGNGGG", "---I---"},
        KeywordCase{"UnclosedQuote", "'|G|R|N\n", "x 'ab", "NNGNN", "II-II"},
        KeywordCase{"LaterEntryWins", "[]|[]|N\nA B|R|A|B\nB|G|A|N\n", "A B", "RRG", "BB-"},
        KeywordCase{"EscapedBar", "[]|[]|N\nx<@!@>y|O|A|N\n", "a x|y", "NNOOO", "-----"},
        KeywordCase{"OnlyCarets", "[]|[]|N\n^^|R|A|N\n", "^^^ ^^", "NNNNRR", "------"},
        KeywordCase{"RunWinsOverKeyword", kSelectR, "<^n>SELECT^> x", "NNNNNNNN", "--------"},
        KeywordCase{"KeywordWinsOverHiddenMarker", "[]|[]|N\n<#-#>|R|A|N\n", "a <#-#>", "NNRRRRR",
                    "-------"}));

TEST(Keywords, ModeRCountsOnlyBeforeColumn400WithoutALineComment) {
  LogWriter w(kSelectR);
  // 1-based column 399 is the last where a mode R keyword may start.
  const std::string at399 = std::string(398, ' ') + "SELECT";
  const std::string at400 = std::string(399, ' ') + "SELECT";
  EXPECT_EQ(w.view().attributesAt(w.add(at399), 398)->color, log_colors::kBlue);
  EXPECT_EQ(w.view().attributesAt(w.add(at400), 399)->color, log_colors::kBlack);
  // With a line comment further on, the comment decides instead.
  const std::string before_comment = std::string(450, ' ') + "SELECT -- x";
  EXPECT_EQ(w.view().attributesAt(w.add(before_comment), 450)->color, log_colors::kBlue);
}

TEST(Keywords, LongLineColoursEveryOccurrence) {
  LogWriter w("[]|[]|N\nNULL|M|A|B\n");
  std::string line;
  for (int i = 0; i < 5000; ++i) line += "NULL,";
  const size_t n = w.add(line);
  size_t maroon = 0;
  for (const CharAttributes& a : w.view().lineAttributes(n))
    maroon += a.color == log_colors::kMaroon;
  EXPECT_EQ(maroon, 5000u * 4);
}

// --- the keyword file ---------------------------------------------------------------------------

TEST(KeywordFile, MissingFieldsRepeatTheLastOnePresent) {
  const ParsKeywordFile f = parseParsKeywords("SELECT|R\nWORD\nA|G|C|\nx<@!@>y<@!@>|O|A|y\n\n");
  ASSERT_EQ(f.keywords.size(), 5u);
  const std::vector<std::vector<std::string>> expected = {
      {"SELECT", "R", "R", "R"}, {"WORD", "WORD", "WORD", "WORD"}, {"A", "G", "C", ""},
      {"x|y|", "O", "A", "Y"},  // "<@!@>" stands for "|"; the style is upper-cased
      {"", "", "", ""},         // an empty line is an entry
  };
  for (size_t i = 0; i < expected.size(); ++i) {
    const ParsKeyword& k = f.keywords[i];
    EXPECT_EQ((std::vector<std::string>{k.text, k.color, k.mode, k.style}), expected[i])
        << "entry " << i;
  }
  EXPECT_FALSE(f.has_default);
}

struct DefaultLineCase {
  const char* file;
  bool has_default;
  LogColor color;
  FontStyle style;
};

void PrintTo(const DefaultLineCase& c, std::ostream* os) {
  *os << '"' << c.file << '"';
}

class DefaultLineTest : public testing::TestWithParam<DefaultLineCase> {};

TEST_P(DefaultLineTest, SetsTheDefaultAttributes) {
  const ParsKeywordFile f = parseParsKeywords(GetParam().file);
  EXPECT_EQ(f.has_default, GetParam().has_default);
  EXPECT_EQ(f.default_color, GetParam().color);
  EXPECT_EQ(f.default_style, GetParam().style);
  EXPECT_TRUE(f.keywords.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DefaultLineTest,
    testing::Values(DefaultLineCase{"[]|[BI]|R", true, log_colors::kRed, {true, true}},
                    DefaultLineCase{"[]|[ib]|o\r\n", true, log_colors::kOlive, {true, true}},
                    DefaultLineCase{"[]|[B]|G", true, log_colors::kGreen, {true, false}},
                    DefaultLineCase{"[]|[I]|a", true, log_colors::kBlue, {false, true}},
                    DefaultLineCase{"[]|[]|N", true, log_colors::kBlack, {false, false}},
                    DefaultLineCase{"[]|[B]|[R]", true, log_colors::kBlack, {true, false}},
                    DefaultLineCase{"[]|[B]", true, log_colors::kBlack, {true, false}},
                    DefaultLineCase{"[1]|[BI]|R\n[2]|[B]|G\n[3]|[I]|A",
                                    false,
                                    log_colors::kBlack,
                                    {false, false}}));

TEST(KeywordFile, CarriageReturnsAreDroppedAndTheLastLineNeedsNoBreak) {
  const ParsKeywordFile f = parseParsKeywords("A|R|A|B\r\nB|G|R|N");
  ASSERT_EQ(f.keywords.size(), 2u);
  EXPECT_EQ(f.keywords[0].style, "B");
  EXPECT_EQ(f.keywords[1].text, "B");
  EXPECT_EQ(f.keywords[1].style, "N");
}

TEST(KeywordFile, MissingFileGivesAnEmptyTable) {
  TempDir dir;
  const ParsKeywordFile f = readParsKeywordFile(dir.file("no-such-file.txt"));
  EXPECT_TRUE(f.keywords.empty());
  EXPECT_FALSE(f.has_default);
  LogWriter w;  // no keyword file: black italic
  EXPECT_TRUE(w.pars().keywords().empty());
  EXPECT_EQ(stylesOf(w.view(), w.add("SELECT")), "IIIIII");
}

TEST(KeywordFile, DefaultLineChangesOrdinaryText) {
  LogWriter w("[]|[B]|M\n");
  EXPECT_EQ(w.pars().defaultColor(), log_colors::kMaroon);
  const size_t n = w.add("ab");
  EXPECT_EQ(colorsOf(w.view(), n), "MM");
  EXPECT_EQ(stylesOf(w.view(), n), "BB");
}

TEST(KeywordFile, AttachViewReplacesTheTable) {
  TempDir dir;
  writeFile(dir.file("a.txt"), "ONE|R|A|B\nTWO|G|A|B\n");
  writeFile(dir.file("b.txt"), "THREE|A|A|B\n");
  MemoryLogView view;
  TCmpParsG pars;
  pars.setColorParsFile(dir.file("a.txt"));
  pars.AttachView(&view);
  EXPECT_EQ(pars.keywords().size(), 2u);
  pars.AddLine("x");
  pars.setColorParsFile(dir.file("b.txt"));
  pars.AttachView(&view);
  ASSERT_EQ(pars.keywords().size(), 1u);
  EXPECT_EQ(pars.keywords()[0].text, "THREE");
  EXPECT_EQ(view.lineCount(), 0u);  // the view was cleared
  EXPECT_EQ(pars.lineCount(), 0u);
}

TEST(KeywordFile, ShippedFileLoadsAndColoursSql) {
  MemoryLogView view;
  TCmpParsG pars;
  pars.setColorParsFile(std::string(TARVEX_RESOURCE_DIR) + "/Pars.txt");
  pars.AttachView(&view);
  ASSERT_FALSE(pars.keywords().empty());
  pars.AddLine("INSERT INTO T VALUES ('x', NULL); -- Error");
  // INSERT (0) blue bold; 'x' (22) green; NULL (27) maroon bold; "--" (34) on: comment, with
  // the mode A word Error red bold.
  const struct {
    size_t index;
    LogColor color;
    FontStyle style;
  } expected[] = {{0, log_colors::kBlue, {true, false}},
                  {22, log_colors::kGreen, {}},
                  {24, log_colors::kGreen, {}},
                  {27, log_colors::kMaroon, {true, false}},
                  {25, log_colors::kBlack, pars.defaultStyle()},
                  {34, log_colors::kGreen, {true, true}},
                  {37, log_colors::kRed, {true, false}}};
  for (const auto& e : expected) {
    const std::optional<CharAttributes> a = view.attributesAt(0, e.index);
    ASSERT_TRUE(a.has_value()) << e.index;
    EXPECT_EQ(a->color, e.color) << "byte " << e.index;
    EXPECT_EQ(a->style, e.style) << "byte " << e.index;
  }
}

// --- the views ----------------------------------------------------------------------------------

TEST(MemoryLogView, SelectionAcrossALineBreakColoursBothLines) {
  MemoryLogView v;
  v.appendLine("abc");  // offsets 0..2, break 3..4
  v.appendLine("de");   // offsets 5..6
  v.setSelection(2, 4);
  v.setSelectionColor(log_colors::kRed);
  EXPECT_EQ(colorsOf(v, 0), "NNR");
  EXPECT_EQ(colorsOf(v, 1), "RN");
  v.setSelection(10, 3);  // beyond the text
  v.setSelectionColor(log_colors::kGreen);
  EXPECT_EQ(colorsOf(v, 1), "RN");
  EXPECT_FALSE(v.attributesAt(1, 2).has_value());
  EXPECT_FALSE(v.lineStart(2).has_value());
}

TEST(MemoryLogView, ColourAndStyleOfOneSelectionMakeOneRange) {
  MemoryLogView v;
  v.appendLine("abcd");
  v.setSelection(1, 2);
  v.setSelectionColor(log_colors::kOlive);
  v.setSelectionStyle({true, false});
  v.setSelection(2, 2);
  v.setSelectionColor(log_colors::kCream);
  const LoggedLine* l = v.line(0);
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(l->ranges.size(), 2u);
  EXPECT_EQ(l->ranges[0].start, 1u);
  EXPECT_EQ(l->ranges[0].length, 2u);
  EXPECT_EQ(l->ranges[0].color, log_colors::kOlive);
  EXPECT_EQ(l->ranges[0].style, (FontStyle{true, false}));
  EXPECT_FALSE(l->ranges[1].style.has_value());
  EXPECT_EQ(colorsOf(v, 0), "NOCC");
  EXPECT_EQ(stylesOf(v, 0), "-BB-");
}

TEST(MemoryLogView, KeepsOnlyTheLastLinesWhenAsked) {
  MemoryLogView v(2);
  for (const char* s : {"a", "bb", "ccc", "dddd"}) v.appendLine(s);
  EXPECT_EQ(v.lineCount(), 4u);
  EXPECT_EQ(v.firstHeldLine(), 2u);
  EXPECT_EQ(v.line(1), nullptr);
  ASSERT_NE(v.line(3), nullptr);
  EXPECT_EQ(v.line(3)->text, "dddd");
  EXPECT_EQ(v.lineStart(0), 0u);
  EXPECT_FALSE(v.lineStart(1).has_value());
  EXPECT_EQ(v.lineStart(3), 12u);  // 1+2 + 2+2 + 3+2
  v.setSelection(12, 2);
  v.setSelectionColor(log_colors::kLime);
  EXPECT_EQ(colorsOf(v, 3), "LLNN");
}

TEST(PlainTextLogView, WritesTextWithoutMarkupOrColours) {
  std::ostringstream out;
  {
    PlainTextLogView v(&out);
    TCmpParsG pars;
    pars.setColorParsFile("");
    pars.AttachView(&v);
    pars.AddLine("<^R>Error^> in <^g>file^>");
    pars.AddLine("next\tline");
    pars.ShowCaret();
    EXPECT_EQ(v.lineCount(), 2u);
    EXPECT_EQ(colorsOf(v, 0), "RRRRRNNNNGGGG");  // kept in memory all the same
  }
  EXPECT_EQ(out.str(), "Error in file\nnext?line\n");
}

TEST(TerminalLogView, RendersOneColouredLine) {
  LogWriter w;
  const size_t n = w.add("<^R>Error^> in <^g>file^>");
  EXPECT_EQ(TerminalLogView::renderAnsi(w.view().line(n)->text, w.view().lineAttributes(n)),
            "\x1b[0;1;91mError\x1b[0;3m in \x1b[0;32mfile\x1b[0m");
  EXPECT_EQ(TerminalLogView::renderAnsi("plain", std::vector<CharAttributes>(5)), "plain");
}

TEST(TerminalLogView, ChangesAttributesOnlyAtCharacterStarts) {
  const std::string text = "a\xC3\xA9z";  // a, e acute (two bytes), z
  std::vector<CharAttributes> attrs(text.size());
  attrs[2].color = log_colors::kRed;  // second byte of the e acute
  attrs[3].color = log_colors::kBlue;
  EXPECT_EQ(TerminalLogView::renderAnsi(text, attrs), "a\xC3\xA9\x1b[0;94mz\x1b[0m");
}

TEST(TerminalLogView, WritesEachLineOnceWithItsFinalColours) {
  std::ostringstream out;
  {
    TerminalLogView v(out);
    TCmpParsG pars;
    pars.setColorParsFile("");
    pars.AttachView(&v);
    pars.AddLine("<^R>a^>");
    EXPECT_EQ(out.str(), "");  // still being coloured
    pars.AddLine("<^A>b^>");
    EXPECT_EQ(out.str(), "\x1b[0;1;91ma\x1b[0m\n");
    pars.ShowCaret();
    EXPECT_EQ(out.str(), "\x1b[0;1;91ma\x1b[0m\n\x1b[0;1;94mb\x1b[0m\n");
    pars.AddLine("c");
    pars.ShowCaret();
    pars.ShowCaret();
    pars.AddLine("d");
  }  // the destructor writes "d"
  EXPECT_EQ(out.str(),
            "\x1b[0;1;91ma\x1b[0m\n\x1b[0;1;94mb\x1b[0m\n\x1b[0;3mc\x1b[0m\n\x1b[0;3md\x1b[0m\n");
}

}  // namespace
}  // namespace tarvex
