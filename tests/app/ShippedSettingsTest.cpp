// Checks the settings file shipped in resources/ against what the program reads from it: every
// message text of the catalogue with its placeholders and well-formed colour markup, the option
// keys that start-up needs, the two byte translation tables and the file-name character lists.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/IniFile.h"
#include "app/MessageCatalog.h"
#include "common/CivilDate.h"
#include "common/TextUtil.h"

namespace tarvex {
namespace {

const std::string kShippedPath = std::string(TARVEX_RESOURCE_DIR) + "/Tarvex.ini";

// Empty when the text's colour markup is well formed: every "<^" starts a tag of one or two
// letters closed by ">", runs do not nest, and every run is closed by "^>". Otherwise a
// description of the first fault.
std::string markupFault(std::string_view text) {
  bool open = false;
  size_t i = 0;
  while (i < text.size()) {
    if (text.substr(i, 2) == "<^") {
      if (open) return "a run opens at " + std::to_string(i) + " before the previous one closed";
      size_t close = text.find('>', i + 2);
      if (close == std::string_view::npos) return "tag at " + std::to_string(i) + " has no '>'";
      std::string_view letters = text.substr(i + 2, close - i - 2);
      bool letters_ok = !letters.empty() && letters.size() <= 2 &&
                        std::all_of(letters.begin(), letters.end(), [](char c) {
                          return std::isalpha(static_cast<unsigned char>(c));
                        });
      if (!letters_ok) return "tag at " + std::to_string(i) + " is not one or two letters";
      open = true;
      i = close + 1;
    } else if (text.substr(i, 2) == "^>") {
      if (!open) return "a run closes at " + std::to_string(i) + " without being opened";
      open = false;
      i += 2;
    } else {
      ++i;
    }
  }
  if (open) return "the last run is not closed";
  return "";
}

// Every "<#...#>" placeholder the text holds.
std::set<std::string> placeholdersIn(std::string_view text) {
  std::set<std::string> found;
  size_t from = 0;
  while ((from = text.find("<#", from)) != std::string_view::npos) {
    size_t end = text.find("#>", from + 2);
    if (end == std::string_view::npos) break;
    found.emplace(text.substr(from, end + 2 - from));
    from = end + 2;
  }
  return found;
}

bool isColourLetter(char c) {
  return std::string_view("RANMGLOCranmgloc").find(c) != std::string_view::npos;
}

// The base-name step that replaces characters: each character of from becomes the character at
// the same position of to, then runs of "_" shrink to one and a trailing "_" goes.
std::string replaceNameCharacters(std::string text, std::string_view from, std::string_view to) {
  for (char& c : text) {
    size_t at = from.find(c);
    if (at != std::string_view::npos && at < to.size()) c = to[at];
  }
  std::string collapsed;
  for (char c : text) {
    if (c == '_' && !collapsed.empty() && collapsed.back() == '_') continue;
    collapsed += c;
  }
  if (!collapsed.empty() && collapsed.back() == '_') collapsed.pop_back();
  return collapsed;
}

bool onlyNameCharacters(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

bool isDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class ShippedSettingsTest : public ::testing::Test {
 protected:
  std::string get(std::string_view section, std::string_view key) const {
    return ini_.get(section, key);
  }

  IniFile ini_{kShippedPath};
};

TEST_F(ShippedSettingsTest, FileIsThere) {
  EXPECT_TRUE(std::filesystem::is_regular_file(kShippedPath)) << kShippedPath;
}

// The helpers above must be able to fail, or the checks below would prove nothing.
TEST(ShippedSettingsCheckers, MarkupCheckerFindsFaults) {
  EXPECT_EQ(markupFault("<^R>Error^> in <^gi>file^>"), "");
  EXPECT_EQ(markupFault("^><^N>x^>"), "a run closes at 0 without being opened");
  EXPECT_NE(markupFault("<^R>open"), "");
  EXPECT_NE(markupFault("<^R>a<^G>b^>"), "");
  EXPECT_NE(markupFault("<^RGB>a^>"), "");
  EXPECT_NE(markupFault("<^>a^>"), "");
}

TEST(ShippedSettingsCheckers, NameReplacementCollapsesAndTrims) {
  EXPECT_EQ(replaceNameCharacters("/A B//C.", "/ .", "___"), "_A_B_C");
  EXPECT_FALSE(onlyNameCharacters("A-B"));
  EXPECT_TRUE(onlyNameCharacters("A_b9"));
}

TEST(MessageCatalogTest, HoldsEveryKeyTheProgramReadsOnce) {
  const std::vector<std::string_view> other = {
      "6",    "7",    "27",   "31",   "32",   "33",   "34",   "35",  "36",   "37",   "38",
      "39",   "40",   "42",   "46",   "47",   "49",   "51",   "52",  "53",   "55",   "56",
      "83",   "84",   "85",   "86",   "91",   "95",   "96",   "N-1", "N-22", "N-24", "N-26",
      "N-33", "N-44", "N-55", "N-66", "N-N1", "N-N2", "N-N3", "N-N4"};
  const std::vector<std::string_view> file_header = {
      "01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "13",
      "14", "15", "17", "18", "21", "22", "23", "24", "25", "35", "36", "37",
      "38", "40", "41", "43", "48", "50", "51", "52", "53", "54"};
  std::set<std::pair<std::string, std::string>> expected;
  for (auto k : other) expected.emplace(std::string(kSectionOther), std::string(k));
  for (auto k : file_header) expected.emplace(std::string(kSectionFileHeader), std::string(k));
  expected.emplace(std::string(kSectionErrMsg), "4");

  std::set<std::pair<std::string, std::string>> listed;
  for (const MessageEntry& e : messageCatalog()) {
    EXPECT_TRUE(listed.emplace(std::string(e.section), std::string(e.key)).second)
        << "listed twice: [" << e.section << "] " << e.key;
    EXPECT_FALSE(e.use.empty()) << "[" << e.section << "] " << e.key;
  }
  EXPECT_EQ(listed, expected);
}

TEST(MessageCatalogTest, FindsEntriesIgnoringLetterCase) {
  const MessageEntry* e = findMessage("file header", "21");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->section, kSectionFileHeader);
  EXPECT_EQ(e->placeholders, (std::vector<std::string_view>{"<#1#>", "<#2#>"}));
  const MessageEntry* n = findMessage("OTHER", "n-n1");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->key, "N-N1");
  EXPECT_EQ(findMessage("Other", "12"), nullptr);
  EXPECT_EQ(findMessage("SETUP", "21"), nullptr);
}

TEST_F(ShippedSettingsTest, EveryMessageTextIsThereWithItsPlaceholders) {
  for (const MessageEntry& e : messageCatalog()) {
    SCOPED_TRACE("[" + std::string(e.section) + "] " + std::string(e.key));
    std::string text = get(e.section, e.key);
    ASSERT_FALSE(text.empty());
    ASSERT_GT(text.size(), e.leadingColourLetters);
    std::string_view tmpl = std::string_view(text).substr(e.leadingColourLetters);

    std::set<std::string> found = placeholdersIn(tmpl);
    for (std::string_view p : e.placeholders) {
      EXPECT_EQ(found.count(std::string(p)), 1u) << "lacks " << p << " in: " << text;
    }
    for (const std::string& p : found) {
      bool listed =
          std::find(e.placeholders.begin(), e.placeholders.end(), p) != e.placeholders.end();
      EXPECT_TRUE(listed) << "holds " << p << ", which nothing fills, in: " << text;
    }
  }
}

TEST_F(ShippedSettingsTest, ColourMarkupIsBalanced) {
  for (const MessageEntry& e : messageCatalog()) {
    SCOPED_TRACE("[" + std::string(e.section) + "] " + std::string(e.key));
    std::string text = get(e.section, e.key);
    std::string_view tmpl =
        std::string_view(text).substr(std::min(e.leadingColourLetters, text.size()));
    if (e.markup) {
      EXPECT_EQ(markupFault(tmpl), "") << text;
    } else {
      EXPECT_EQ(tmpl.find("<^"), std::string_view::npos) << "a message box shows markup as is";
      EXPECT_EQ(tmpl.find("^>"), std::string_view::npos) << "a message box shows markup as is";
    }
  }
}

TEST_F(ShippedSettingsTest, LogTextsDoNotStartComments) {
  // The log view paints everything after "--" and everything between "/*" and "*/" as comment.
  for (const MessageEntry& e : messageCatalog()) {
    SCOPED_TRACE("[" + std::string(e.section) + "] " + std::string(e.key));
    std::string text = get(e.section, e.key);
    EXPECT_EQ(text.find("--"), std::string::npos) << text;
    EXPECT_EQ(text.find("/*"), std::string::npos) << text;
    EXPECT_EQ(text.find("*/"), std::string::npos) << text;
  }
}

TEST_F(ShippedSettingsTest, ValuePartStartsWithTwoColourLetters) {
  std::string text = get(kSectionOther, "39");
  ASSERT_GE(text.size(), 3u);
  EXPECT_TRUE(isColourLetter(text[0])) << text;
  EXPECT_TRUE(isColourLetter(text[1])) << text;
  EXPECT_NE(text.find("<#1#>", 2), std::string::npos) << text;
}

TEST_F(ShippedSettingsTest, DetailTemplatesStartWithTheHexColumn) {
  // The hexadecimal text and its padding come first so that the rest of every detail lines up.
  for (std::string_view key : {"31", "32", "33", "34", "36", "38", "83", "84"}) {
    std::string text = get(kSectionOther, key);
    EXPECT_EQ(text.rfind("<#3#><#X#>", 0), 0u) << "[Other] " << key << ": " << text;
  }
  for (std::string_view key : {"35", "37"}) {
    std::string text = get(kSectionOther, key);
    EXPECT_EQ(text.rfind("<#X#>", 0), 0u) << "[Other] " << key << ": " << text;
  }
}

TEST_F(ShippedSettingsTest, RequiredIndexKeysHoldAnItem) {
  struct IndexKey {
    const char* key;
    int items;
  };
  const IndexKey keys[] = {{"TipSupFld1", 4},  {"TipSupFld2", 4}, {"TrLogicFld", 3},
                           {"DfLogicFld", 4},  {"HomeName", 2},   {"ImportMode", 4},
                           {"ExecModeHiSh", 2}};
  for (const IndexKey& k : keys) {
    std::string value = get("SETUP", k.key);
    ASSERT_TRUE(isDigits(value)) << k.key << "=" << value;
    EXPECT_LT(std::stoi(value), k.items) << k.key << "=" << value;
  }
}

TEST_F(ShippedSettingsTest, RequiredNumberAndDateKeysAreSound) {
  std::string width = get("SETUP", "LngRndSql");
  ASSERT_TRUE(isDigits(width)) << width;
  EXPECT_GE(std::stoi(width), 40);

  auto less = parseDottedDate(get("SETUP", "DateLess"));
  auto more = parseDottedDate(get("SETUP", "DateMore"));
  ASSERT_TRUE(less.has_value());
  ASSERT_TRUE(more.has_value());
  EXPECT_LT(*less, *more);
}

TEST_F(ShippedSettingsTest, NumberKeysAreDigitsAndErrorCodesInRange) {
  for (const char* key :
       {"LnFRno", "LnFDel", "LnFErC", "LnFPth", "LnSupFld1", "LnSupFld2", "NrToAllowErr",
        "NrToShowErr", "NrLogRecSkip", "Port", "Bindsize", "Rows_n", "Commit"}) {
    EXPECT_TRUE(isDigits(get("SETUP", key))) << key << "=" << get("SETUP", key);
  }
  for (const char* key :
       {"ErInDate", "ErCdDtNull", "DtIsLess", "DtIsMore", "ErInNum", "ErInNum2", "ErInDecP",
        "ErInChar", "ErInChar2", "ErInLgc", "ErInFirstB", "NrMaxAcEr"}) {
    std::string value = get("SETUP", key);
    ASSERT_TRUE(isDigits(value)) << key << "=" << value;
    int code = std::stoi(value);
    EXPECT_GE(code, 1) << key;
    EXPECT_LE(code, 999) << key;
  }
  EXPECT_TRUE(equalsIgnoreCase(get("SETUP", "FrmDatIncl"), "Null"));
  EXPECT_FALSE(get("SETUP", "NmFldSuplim").empty());
}

TEST_F(ShippedSettingsTest, FlagsAreYOrN) {
  for (const char* key :
       {"BtnIndAddLst",  "AddFRno",      "AddFDel",     "AddFErC",     "AddFPth",     "AddSupFld1",
        "AddSupFld2",    "ChkDtErr",     "ChkDtNull",   "ChkDtLess",   "ChkDtMore",   "ChkNmErr",
        "ChkNmErr2",     "ChkDcErr",     "ChkChrEr",    "ChkChrEr2",   "ChkLgcEr",    "ChkFrstEr",
        "ifNisBlank",    "InclRDel",     "ExclDelRec",  "RestDelRec",  "EnablOra",    "EnablSqlL",
        "ExclPrePChk",   "LoadGrpDBF",   "Connecting",  "EnablNlsL",   "IndToCrLogS", "IndUseDPL",
        "IndBindsize",   "AfisParMemo",  "SetLastUpd",  "SetLastUpdW", "InfFmtNum",   "IndDelInSp",
        "LngIsCorInHdr", "CreateNewFld", "AfSuplMsg",   "ExclIndex",   "ExclBit1",    "ExclBit2",
        "ExclBit3",      "ExclBit4",     "IndToCrLogD", "IndToCrLogR", "IndToCrLogV", "IndCreCopy",
        "IndRezInHex"}) {
    std::string value = get("SETUP", key);
    EXPECT_TRUE(value == "Y" || value == "N") << key << "=" << value;
  }
  int deleted_modes = (get("SETUP", "InclRDel") == "Y") + (get("SETUP", "ExclDelRec") == "Y") +
                      (get("SETUP", "RestDelRec") == "Y");
  EXPECT_EQ(deleted_modes, 1);
}

TEST_F(ShippedSettingsTest, LoaderAndFoldersAreSet) {
  EXPECT_FALSE(get("SQLLDR", "PthLDR").empty());
  for (const char* key : {"PthImpDbf", "PrmFiSqlLdr", "DirLogFi"}) {
    EXPECT_FALSE(get("Path", key).empty()) << key;
  }
}

TEST_F(ShippedSettingsTest, TranslationTablesHaveSixteenRowsOfHexPairs) {
  for (const char* section : {"Table1", "Table2"}) {
    for (int row = 1; row <= 16; ++row) {
      std::string value = get(section, std::to_string(row));
      SCOPED_TRACE(std::string(section) + " " + std::to_string(row) + "=" + value);
      ASSERT_EQ(value.size(), 32u);
      EXPECT_TRUE(std::all_of(value.begin(), value.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
      }));
    }
    EXPECT_TRUE(get(section, "17").empty()) << section;
  }
}

TEST_F(ShippedSettingsTest, TranslationTablesBlankTheRightBytes) {
  auto mapped = [this](const char* section, int byte) {
    std::string row = get(section, std::to_string(byte / 16 + 1));
    return std::stoi(row.substr(static_cast<size_t>(byte % 16) * 2, 2), nullptr, 16);
  };
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(mapped("Table1", byte), byte == 0 ? 0x20 : byte) << "Table1 byte " << byte;
    EXPECT_EQ(mapped("Table2", byte), byte < 0x20 ? 0x20 : byte) << "Table2 byte " << byte;
  }
}

TEST_F(ShippedSettingsTest, NameCharacterListsMakeSafeBaseNames) {
  std::string from = get("SETUP", "RndSmbC");
  std::string to = get("SETUP", "RndSmbS");
  ASSERT_FALSE(from.empty());
  ASSERT_EQ(from.size(), to.size()) << from << " / " << to;

  std::string base = toUpperAscii("/data/My Files/client-list.v2.dbf");
  base = base.substr(0, base.size() - 4);  // ".DBF" goes first
  base = replaceNameCharacters(base, from, to);
  EXPECT_EQ(base, "_DATA_MY_FILES_CLIENT_LIST_V2");
  EXPECT_TRUE(onlyNameCharacters(base)) << base;

  // Every printable ASCII character that is not a letter, digit or "_" must be replaced.
  std::string all;
  for (char c = ' '; c <= '~'; ++c) all += c;
  std::string replaced = replaceNameCharacters("X" + all + "X", from, to);
  EXPECT_TRUE(onlyNameCharacters(replaced)) << replaced;
}

}  // namespace
}  // namespace tarvex
