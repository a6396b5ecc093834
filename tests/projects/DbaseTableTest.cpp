#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "common/CivilDate.h"
#include "projects/CdxIndex.h"
#include "projects/DbaseTable.h"
#include "support/DbfBuilder.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A small table: NAME C(10), CODE C(4), QTY N(11), DAY D, FLAG C(1).
class DbaseTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("T.DAT");
    ASSERT_TRUE(DbaseTable::create(path_, {{"NAME", 'C', 10},
                                           {"code", 'C', 4},
                                           {"QTY", 'N', 11},
                                           {"DAY", 'D', 8},
                                           {"FLAG", 'C', 1}})
                    .isOk());
  }

  void openShared(DbaseTable& t) { ASSERT_TRUE(t.open(path_).isOk()); }

  // Appends rows of (NAME, FLAG) with QTY the row's position.
  void addRows(DbaseTable& t, const std::vector<std::pair<std::string, std::string>>& rows) {
    for (const auto& [name, flag] : rows) {
      ASSERT_TRUE(t.append().isOk());
      ASSERT_TRUE(t.WriteText("NAME", name).isOk());
      ASSERT_TRUE(t.WriteText("FLAG", flag).isOk());
      ASSERT_TRUE(t.WriteWhole("QTY", t.recordCount() + 1).isOk());
      ASSERT_TRUE(t.post().isOk());
    }
  }

  // Builds tag "BYNAME" on NAME (exclusive use), then reopens shared with the tag selected.
  void withNameTag(DbaseTable& t) {
    ASSERT_TRUE(t.close().isOk());
    ASSERT_TRUE(t.open(path_, true).isOk());
    ASSERT_TRUE(t.BuildTag(dir_.file("T.CDX"), "ByName", "NAME").isOk());
    t.addIndexFile(dir_.file("T.CDX"));
    ASSERT_TRUE(t.setIndexName("ByName").isOk());
    ASSERT_TRUE(t.close().isOk());
    ASSERT_TRUE(t.open(path_).isOk());
  }

  // NAME of every visible row from the first, in the cursor's order.
  std::vector<std::string> walk(DbaseTable& t) {
    std::vector<std::string> names;
    EXPECT_TRUE(t.first().isOk());
    while (!t.eof()) {
      std::string n;
      EXPECT_TRUE(t.ReadText("NAME", &n).isOk());
      names.push_back(n);
      EXPECT_TRUE(t.next().isOk());
    }
    return names;
  }

  std::string current(const DbaseTable& t) {
    if (t.eof()) return "<end>";
    std::string n;
    EXPECT_TRUE(t.ReadText("NAME", &n).isOk());
    return n;
  }

  test::TempDir dir_;
  std::string path_;
};

TEST_F(DbaseTableTest, TypedValuesSurviveReopening) {
  {
    DbaseTable t;
    openShared(t);
    ASSERT_TRUE(t.append().isOk());
    ASSERT_TRUE(t.WriteText("name", "  lead").isOk());  // column names ignore case
    ASSERT_TRUE(t.WriteWhole("QTY", -2147483648LL).isOk());
    ASSERT_TRUE(t.WriteDate("DAY", DbfDate{CivilDate{1899, 12, 30}, false}).isOk());
    ASSERT_TRUE(t.post().isOk());
    ASSERT_TRUE(t.append().isOk());  // an untouched row: blanks everywhere
    ASSERT_TRUE(t.post().isOk());
    ASSERT_TRUE(t.append().isOk());
    ASSERT_TRUE(t.WriteText("NAME", "ăîșț").isOk());  // UTF-8 bytes stored as given
    ASSERT_TRUE(t.WriteWhole("QTY", 256000).isOk());
    ASSERT_TRUE(t.WriteDate("DAY", DbfDate{CivilDate{3999, 1, 1}, false}).isOk());
    ASSERT_TRUE(t.post().isOk());
  }
  DbaseTable t;
  openShared(t);
  ASSERT_EQ(t.recordCount(), 3);
  struct Row {
    std::string name;
    int64_t qty;
    bool blankDate;
    CivilDate day;
  };
  const Row expected[] = {{"  lead", -2147483648LL, false, {1899, 12, 30}},
                          {"", 0, true, {}},
                          {"ăîșț", 256000, false, {3999, 1, 1}}};
  for (const Row& r : expected) {
    SCOPED_TRACE(r.name);
    ASSERT_FALSE(t.eof());
    std::string name;
    int64_t qty = 99;
    DbfDate day;
    ASSERT_TRUE(t.ReadText("NAME", &name).isOk());
    ASSERT_TRUE(t.ReadWhole("QTY", &qty).isOk());
    ASSERT_TRUE(t.ReadDate("DAY", &day).isOk());
    EXPECT_EQ(name, r.name);
    EXPECT_EQ(qty, r.qty);
    EXPECT_EQ(day.blank, r.blankDate);
    if (!r.blankDate) {
      EXPECT_EQ(day.date, r.day);
    }
    ASSERT_TRUE(t.next().isOk());
  }
  EXPECT_TRUE(t.eof());
}

TEST_F(DbaseTableTest, ValuesThatDoNotFitAreRefusedNamingTableAndColumn) {
  DbaseTable t;
  openShared(t);
  ASSERT_TRUE(t.append().isOk());
  struct Case {
    const char* what;
    Status status;
    const char* column;
  };
  const Case cases[] = {
      {"text one byte too long", t.WriteText("NAME", "ABCDEFGHIJK"), "NAME"},
      {"number with too many digits", t.WriteWhole("QTY", 123456789012LL), "QTY"},
      {"text in a number column", t.WriteText("QTY", "12a"), "QTY"},
      {"text in a date column", t.WriteText("DAY", "2024-01-01"), "DAY"},
      {"no calendar day", t.WriteText("DAY", "20230229"), "DAY"},
      {"whole number in a text column", t.WriteWhole("CODE", 1), "CODE"},
      {"date in a text column", t.WriteDate("CODE", DbfDate{CivilDate{2020, 1, 1}, false}), "CODE"},
      {"unknown column", t.WriteText("NOPE", "x"), "NOPE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.status.kind(), Status::Kind::kInvalidArgument);
    EXPECT_THAT(c.status.message(), HasSubstr("T.DAT"));
    EXPECT_THAT(c.status.message(), HasSubstr(c.column));
  }
  // A value exactly as wide as the column goes in whole.
  ASSERT_TRUE(t.WriteText("NAME", "ABCDEFGHIJ").isOk());
  ASSERT_TRUE(t.post().isOk());
  std::string n;
  ASSERT_TRUE(t.ReadText("NAME", &n).isOk());
  EXPECT_EQ(n, "ABCDEFGHIJ");
  // Writing outside append or edit is refused.
  EXPECT_FALSE(t.WriteText("NAME", "x").isOk());
}

TEST_F(DbaseTableTest, CreateRefusesBadColumns) {
  const std::vector<std::vector<DbaseColumn>> bad = {
      {},
      {{"", 'C', 1}},
      {{"TOOLONGNAME", 'C', 1}},
      {{"A-B", 'C', 1}},
      {{"A", 'C', 255}},
      {{"A", 'N', 21}},
      {{"A", 'L', 1}},
      {{"A", 'C', 1}, {"a", 'C', 2}},
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(DbaseTable::create(dir_.file("X.DAT"), bad[i]).kind(),
              Status::Kind::kInvalidArgument);
  }
}

TEST_F(DbaseTableTest, RecordNumbersAndCursorInRecordOrder) {
  DbaseTable t;
  openShared(t);
  EXPECT_TRUE(t.eof());  // an empty table
  EXPECT_EQ(t.recNo(), 0);
  addRows(t, {{"C", "N"}, {"A", "Y"}, {"B", "Y"}});
  EXPECT_EQ(t.recNo(), 3);  // the appended row is current
  EXPECT_THAT(walk(t), ElementsAre("C", "A", "B"));
  ASSERT_TRUE(t.last().isOk());
  EXPECT_EQ(t.recNo(), 3);
  ASSERT_TRUE(t.goTo(2).isOk());
  EXPECT_EQ(current(t), "A");
  ASSERT_TRUE(t.next().isOk());
  EXPECT_EQ(t.recNo(), 3);
  ASSERT_TRUE(t.next().isOk());
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.recNo(), 0);
  std::string n;
  EXPECT_FALSE(t.ReadText("NAME", &n).isOk());  // no current row at the end
  EXPECT_EQ(t.goTo(0).kind(), Status::Kind::kInvalidArgument);
  EXPECT_EQ(t.goTo(4).kind(), Status::Kind::kInvalidArgument);
}

TEST_F(DbaseTableTest, PostPutsRowCountAndDateInTheFile) {
  DbaseTable t;
  openShared(t);
  addRows(t, {{"A", "Y"}, {"B", "N"}});
  // Still open: the bytes must already be in the file.
  const std::string bytes = test::readFile(path_);
  ASSERT_GT(bytes.size(), 12u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[4]), 2);
  EXPECT_EQ(bytes[5] | bytes[6] | bytes[7], 0);
  const CivilDate d = today();
  EXPECT_EQ(static_cast<uint8_t>(bytes[1]), d.year - 1900);
  EXPECT_EQ(bytes[2], d.month);
  EXPECT_EQ(bytes[3], d.day);
  const size_t header = static_cast<uint8_t>(bytes[8]) | (static_cast<uint8_t>(bytes[9]) << 8);
  const size_t record = static_cast<uint8_t>(bytes[10]) | (static_cast<uint8_t>(bytes[11]) << 8);
  ASSERT_EQ(bytes.size(), header + 2 * record + 1);
  EXPECT_EQ(bytes.substr(header + record, 11), " B         ");
  EXPECT_EQ(bytes.back(), '\x1a');
}

TEST_F(DbaseTableTest, HandlesOnTheSameFileSeeEachOthersRows) {
  DbaseTable a, b;
  openShared(a);
  openShared(b);
  addRows(a, {{"FROM_A", "Y"}});
  EXPECT_THAT(walk(b), ElementsAre("FROM_A"));
  addRows(b, {{"FROM_B", "Y"}});
  EXPECT_THAT(walk(a), ElementsAre("FROM_A", "FROM_B"));
  // An edit through one handle is seen by the other.
  ASSERT_TRUE(a.goTo(1).isOk());
  ASSERT_TRUE(a.edit().isOk());
  ASSERT_TRUE(a.WriteText("NAME", "EDITED").isOk());
  ASSERT_TRUE(a.post().isOk());
  EXPECT_THAT(walk(b), ElementsAre("EDITED", "FROM_B"));
  EXPECT_EQ(b.recordCount(), 2);
}

TEST_F(DbaseTableTest, ExclusiveUseExcludesOtherHandles) {
  DbaseTable shared, other;
  openShared(shared);
  Status s = other.open(path_, true);
  EXPECT_EQ(s.kind(), Status::Kind::kIoError);
  EXPECT_THAT(s.message(), HasSubstr(path_));
  ASSERT_TRUE(shared.close().isOk());
  ASSERT_TRUE(other.open(path_, true).isOk());
  EXPECT_TRUE(other.isExclusive());
  s = shared.open(path_);
  EXPECT_EQ(s.kind(), Status::Kind::kIoError);
  ASSERT_TRUE(other.close().isOk());
  EXPECT_TRUE(shared.open(path_).isOk());
  EXPECT_FALSE(shared.isExclusive());
}

// Rows for the seek cases: record numbers 1..6.
const std::vector<std::pair<std::string, std::string>> kSeekRows = {
    {"BOB", "Y"}, {"ANAMARIA", "Y"}, {"ANA", "N"}, {"ana", "Y"}, {"BOB", "N"}, {"CAROL", "Y"}};

TEST_F(DbaseTableTest, FindKeyExactAndPartial) {
  DbaseTable t;
  openShared(t);
  addRows(t, kSeekRows);
  withNameTag(t);
  EXPECT_THAT(walk(t), ElementsAre("ANA", "ANAMARIA", "BOB", "BOB", "CAROL", "ana"));
  struct Case {
    const char* key;
    bool exact, partial;
    bool found;
    const char* at;  // NAME of the current row afterwards ("<end>" at the end)
    int64_t recno;   // 0: not checked
  };
  const Case cases[] = {
      {"ANA", false, false, true, "ANA", 3},        // the lowest key beginning with it
      {"ANAM", false, false, true, "ANAMARIA", 2},  // a beginning matches with exact off
      {"ANAM", true, true, false, "ANAMARIA", 0},   // not with exact on: on the next higher key
      {"ANAM", true, false, false, "CAROL", 0},     // partial off: the cursor stays
      {"ANA  ", true, false, true, "ANA", 3},       // trailing blanks aside
      {"BOB", true, false, true, "BOB", 1},         // duplicates: the first record
      {"BO", true, true, false, "BOB", 1},
      {"Ana", true, true, false, "BOB", 1},  // letter case counts; "Ana" sorts before "B"
      {"C", false, true, true, "CAROL", 6},
      {"D", false, true, false, "ana", 4},  // lower case sorts after upper case
      {"z", false, true, false, "<end>", 0},
      {"", false, false, true, "ANA", 3},  // the empty key begins every key
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + (c.exact ? " exact" : "") + (c.partial ? " partial" : ""));
    ASSERT_TRUE(t.goTo(6).isOk());  // start from CAROL
    bool found = !c.found;
    ASSERT_TRUE(t.FindKey(c.key, c.exact, c.partial, &found).isOk());
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(current(t), c.at);
    if (c.recno != 0) {
      EXPECT_EQ(t.recNo(), c.recno);
    }
  }
  // No tag selected: FindKey cannot work.
  ASSERT_TRUE(t.setIndexName("").isOk());
  bool found = true;
  EXPECT_EQ(t.FindKey("ANA", false, false, &found).kind(), Status::Kind::kInvalidArgument);
  EXPECT_EQ(t.setIndexName("NOSUCH").kind(), Status::Kind::kNotFound);
}

TEST_F(DbaseTableTest, DeletedRowsAndUseDeleted) {
  DbaseTable t;
  openShared(t);
  addRows(t, kSeekRows);
  withNameTag(t);
  // Delete the first BOB (record 1): it stays current, so next() goes on from it.
  ASSERT_TRUE(t.goTo(1).isOk());
  ASSERT_TRUE(t.deleteRecord().isOk());
  EXPECT_TRUE(t.isDeleted());
  ASSERT_TRUE(t.next().isOk());
  EXPECT_EQ(t.recNo(), 5);
  EXPECT_THAT(walk(t), ElementsAre("ANA", "ANAMARIA", "BOB", "CAROL", "ana"));
  bool found = false;
  ASSERT_TRUE(t.FindKey("BOB", true, false, &found).isOk());
  EXPECT_TRUE(found);
  EXPECT_EQ(t.recNo(), 5);  // the deleted duplicate is passed over
  t.setUseDeleted(true);
  EXPECT_THAT(walk(t), ElementsAre("ANA", "ANAMARIA", "BOB", "BOB", "CAROL", "ana"));
  ASSERT_TRUE(t.FindKey("BOB", true, false, &found).isOk());
  EXPECT_EQ(t.recNo(), 1);
  // Removing every row whose key begins with "A" the way a project's rows are removed: seek,
  // then delete and step on while the key matches.
  ASSERT_TRUE(t.FindKey("A", false, true, &found).isOk());
  int deleted = 0;
  while (!t.eof() && current(t).substr(0, 1) == "A") {
    ASSERT_TRUE(t.deleteRecord().isOk());
    ++deleted;
    ASSERT_TRUE(t.next().isOk());
  }
  EXPECT_EQ(deleted, 2);
  t.setUseDeleted(false);
  EXPECT_THAT(walk(t), ElementsAre("BOB", "CAROL", "ana"));
  // The flags are in the file (another handle, in record order).
  DbaseTable other;
  openShared(other);
  EXPECT_THAT(walk(other), ElementsAre("ana", "BOB", "CAROL"));
}

TEST_F(DbaseTableTest, TagsStayCurrentOnAppendEditAndDelete) {
  DbaseTable t;
  openShared(t);
  addRows(t, {{"M", "Y"}, {"C", "Y"}});
  withNameTag(t);
  auto keys = [&] {
    std::vector<std::string> out;
    for (const DbaseTagKey& k : t.tagKeys("BYNAME"))
      out.push_back(k.key + "#" + std::to_string(k.recno));
    return out;
  };
  EXPECT_THAT(keys(), ElementsAre("C         #2", "M         #1"));
  addRows(t, {{"A", "Y"}});
  EXPECT_THAT(keys(), ElementsAre("A         #3", "C         #2", "M         #1"));
  EXPECT_THAT(walk(t), ElementsAre("A", "C", "M"));
  ASSERT_TRUE(t.goTo(2).isOk());
  ASSERT_TRUE(t.edit().isOk());
  ASSERT_TRUE(t.WriteText("NAME", "Z").isOk());
  ASSERT_TRUE(t.post().isOk());
  EXPECT_THAT(keys(), ElementsAre("A         #3", "M         #1", "Z         #2"));
  EXPECT_EQ(t.recNo(), 2);
  ASSERT_TRUE(t.next().isOk());  // in tag order Z is last
  EXPECT_TRUE(t.eof());
  // A deleted row keeps its key (only navigation passes it over).
  ASSERT_TRUE(t.goTo(1).isOk());
  ASSERT_TRUE(t.deleteRecord().isOk());
  EXPECT_EQ(keys().size(), 3u);
  EXPECT_THAT(walk(t), ElementsAre("A", "Z"));
  // A cancelled edit leaves row and key alone.
  ASSERT_TRUE(t.goTo(3).isOk());
  ASSERT_TRUE(t.edit().isOk());
  ASSERT_TRUE(t.WriteText("NAME", "Q").isOk());
  t.cancel();
  EXPECT_EQ(current(t), "A");
  EXPECT_THAT(keys(), ElementsAre("A         #3", "M         #1", "Z         #2"));
}

TEST_F(DbaseTableTest, FilterShowsOnlyMatchingRows) {
  DbaseTable t;
  openShared(t);
  addRows(t, kSeekRows);
  struct Case {
    const char* filter;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"FLTR_NOT_A_COLUMN = 'Y'", {}},  // refused below
      {"FLAG='Y'", {"BOB", "ANAMARIA", "ana", "CAROL"}},
      {"flag = \"N\"", {"ANA", "BOB"}},
      {"NAME = 'ANA'", {"ANAMARIA", "ANA"}},  // "=" compares the text's length
      {"NAME == 'ANA'", {"ANA"}},
      {"NAME <> 'BOB' .AND. FLAG # 'N'", {"ANAMARIA", "ana", "CAROL"}},
      {"NAME = 'C' .OR. (FLAG = 'N' .AND. .NOT. NAME = 'BOB')", {"ANA", "CAROL"}},
      {"NAME >= 'B' .AND. NAME < 'C'", {"BOB", "BOB"}},
  };
  EXPECT_EQ(t.setFilter(cases[0].filter).kind(), Status::Kind::kInvalidArgument);
  t.setFiltered(true);
  for (size_t i = 1; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].filter);
    ASSERT_TRUE(t.setFilter(cases[i].filter).isOk());
    EXPECT_EQ(walk(t), cases[i].rows);
  }
  // Filtered off shows every row; the filter text stays.
  t.setFiltered(false);
  EXPECT_EQ(walk(t).size(), 6u);
  EXPECT_EQ(t.filter(), "NAME >= 'B' .AND. NAME < 'C'");
  // FindKey sees only the rows the filter lets through.
  t.setFiltered(true);
  ASSERT_TRUE(t.setFilter("FLAG='N'").isOk());
  withNameTag(t);
  bool found = true;
  ASSERT_TRUE(t.FindKey("ANAM", false, true, &found).isOk());
  EXPECT_FALSE(found);
  EXPECT_EQ(current(t), "BOB");
  EXPECT_EQ(t.recNo(), 5);
}

TEST_F(DbaseTableTest, MalformedFiltersAreRefused) {
  DbaseTable t;
  openShared(t);
  for (const char* bad : {"FLAG", "FLAG = Y", "FLAG = 'Y", "FLAG ~ 'Y'", "(FLAG = 'Y'",
                          "FLAG = 'Y' .AND.", "= 'Y'", "FLAG = 'Y' junk"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(t.setFilter(bad).kind(), Status::Kind::kInvalidArgument);
  }
  EXPECT_EQ(t.filter(), "");
}

TEST_F(DbaseTableTest, FilterSetWhileClosedAppliesAtOpen) {
  {
    DbaseTable t;
    openShared(t);
    addRows(t, {{"A", "Y"}, {"B", "N"}});
  }
  DbaseTable t;
  ASSERT_TRUE(t.setFilter("FLAG='Y'").isOk());
  t.setFiltered(true);
  openShared(t);
  EXPECT_THAT(walk(t), ElementsAre("A"));
}

TEST_F(DbaseTableTest, PackRemovesDeletedRowsAndRebuildsTags) {
  DbaseTable t;
  openShared(t);
  addRows(t, kSeekRows);
  withNameTag(t);
  for (int64_t r : {1, 3}) {
    ASSERT_TRUE(t.goTo(r).isOk());
    ASSERT_TRUE(t.deleteRecord().isOk());
  }
  EXPECT_EQ(t.PackTable().kind(), Status::Kind::kInvalidArgument);  // shared use
  ASSERT_TRUE(t.close().isOk());
  ASSERT_TRUE(t.open(path_, true).isOk());
  ASSERT_TRUE(t.PackTable().isOk());
  EXPECT_EQ(t.recordCount(), 4);
  t.setUseDeleted(true);  // nothing deleted is left to show
  EXPECT_THAT(walk(t), ElementsAre("ANAMARIA", "BOB", "CAROL", "ana"));
  std::vector<int64_t> recnos;
  for (const DbaseTagKey& k : t.tagKeys("ByName")) recnos.push_back(k.recno);
  EXPECT_THAT(recnos, ElementsAre(1, 3, 4, 2));
  ASSERT_TRUE(t.close().isOk());
  const std::string bytes = test::readFile(path_);
  EXPECT_EQ(static_cast<uint8_t>(bytes[4]), 4);
  const size_t header = static_cast<uint8_t>(bytes[8]) | (static_cast<uint8_t>(bytes[9]) << 8);
  const size_t record = static_cast<uint8_t>(bytes[10]) | (static_cast<uint8_t>(bytes[11]) << 8);
  EXPECT_EQ(bytes.size(), header + 4 * record + 1);
  // The QTY values written at append time travel with their rows.
  ASSERT_TRUE(t.open(path_).isOk());
  ASSERT_TRUE(t.setIndexName("").isOk());
  ASSERT_TRUE(t.first().isOk());
  std::vector<int64_t> qty;
  for (bool moved = true; moved && !t.eof(); moved = t.next().isOk()) {
    int64_t q = 0;
    ASSERT_TRUE(t.ReadWhole("QTY", &q).isOk());
    qty.push_back(q);
  }
  EXPECT_THAT(qty, ElementsAre(2, 4, 5, 6));
}

TEST_F(DbaseTableTest, TagsAreRebuiltFromTheIndexFileAtOpen) {
  DbaseTable t;
  openShared(t);
  addRows(t, kSeekRows);
  withNameTag(t);  // closes and reopens with T.CDX listed
  ASSERT_EQ(t.tags().size(), 1u);
  EXPECT_EQ(t.tags()[0].name, "ByName");
  EXPECT_EQ(t.tags()[0].keyExpr, "NAME");
  EXPECT_EQ(t.indexName(), "ByName");
  // Rows added while open reach the index file when the table is closed.
  addRows(t, {{"AB", "Y"}});
  const std::vector<DbaseTagKey> mem = t.tagKeys("BYNAME");
  ASSERT_TRUE(t.close().isOk());
  std::vector<CdxTag> file;
  ASSERT_TRUE(readCdxFile(dir_.file("T.CDX"), &file).isOk());
  ASSERT_EQ(file.size(), 1u);
  ASSERT_EQ(file[0].keys.size(), mem.size());
  for (size_t i = 0; i < mem.size(); ++i) {
    EXPECT_EQ(file[0].keys[i].key, mem[i].key);
    EXPECT_EQ(file[0].keys[i].recno, mem[i].recno);
  }
  // A listed index file that is gone keeps the table closed, with a message naming it.
  ASSERT_EQ(::remove(dir_.file("T.CDX").c_str()), 0);
  Status s = t.open(path_);
  EXPECT_FALSE(s.isOk());
  EXPECT_THAT(s.message(), HasSubstr("T.CDX"));
  EXPECT_FALSE(t.isOpen());
  // Clearing IndexFiles forgets the tags.
  t.clearIndexFiles();
  ASSERT_TRUE(t.open(path_).isOk());
  EXPECT_TRUE(t.tags().empty());
  EXPECT_EQ(t.indexName(), "");
}

TEST_F(DbaseTableTest, BuildTagRefusals) {
  DbaseTable t;
  openShared(t);
  const std::string cdx = dir_.file("T.CDX");
  EXPECT_EQ(t.BuildTag(cdx, "A", "NAME").kind(), Status::Kind::kInvalidArgument);  // shared
  ASSERT_TRUE(t.close().isOk());
  ASSERT_TRUE(t.open(path_, true).isOk());
  struct Case {
    const char* tag;
    const char* key;
    const char* filter;
    bool descending;
  };
  const Case cases[] = {{"A", "QTY", "", false},           {"A", "NAME+DAY", "", false},
                        {"A", "NOPE", "", false},          {"A", "NAME", "FLAG", false},
                        {"A", "NAME", "", true},           {"BAD NAME", "NAME", "", false},
                        {"ELEVENCHARS", "NAME", "", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tag) + " " + c.key);
    EXPECT_EQ(t.BuildTag(cdx, c.tag, c.key, c.filter, true, c.descending).kind(),
              Status::Kind::kInvalidArgument);
  }
  EXPECT_TRUE(t.tags().empty());
}

TEST_F(DbaseTableTest, TagOptionsForFilterUniqueAndLongKeys) {
  DbaseTable t;
  openShared(t);
  addRows(t, kSeekRows);
  ASSERT_TRUE(t.close().isOk());
  ASSERT_TRUE(t.open(path_, true).isOk());
  const std::string cdx = dir_.file("T.CDX");
  ASSERT_TRUE(t.BuildTag(cdx, "YES", "NAME+CODE", "FLAG='Y'").isOk());
  ASSERT_TRUE(t.BuildTag(cdx, "UNIQ", "NAME", "", false).isOk());
  auto recnos = [&](const char* tag) {
    std::vector<int64_t> out;
    for (const DbaseTagKey& k : t.tagKeys(tag)) out.push_back(k.recno);
    return out;
  };
  EXPECT_THAT(recnos("YES"), ElementsAre(2, 1, 6, 4));
  EXPECT_THAT(recnos("UNIQ"), ElementsAre(3, 2, 1, 6, 4));  // the second BOB is left out
  EXPECT_EQ(t.tagKeys("YES")[0].key, "ANAMARIA      ");
  // Rebuilding a tag of the same name replaces it.
  ASSERT_TRUE(t.BuildTag(cdx, "yes", "CODE").isOk());
  EXPECT_EQ(t.tags().size(), 2u);
  EXPECT_EQ(t.tagKeys("YES").size(), 6u);
  std::vector<CdxTag> file;
  ASSERT_TRUE(readCdxFile(cdx, &file).isOk());
  ASSERT_EQ(file.size(), 2u);
  EXPECT_EQ(file[0].name, "UNIQ");
  EXPECT_TRUE(file[0].unique);
  EXPECT_EQ(file[1].name, "YES");
  EXPECT_EQ(file[1].keyExpr, "CODE");
}

TEST_F(DbaseTableTest, KeysLongerThanAnIndexFileHoldsAreCut) {
  const std::string path = dir_.file("L.DAT");
  ASSERT_TRUE(DbaseTable::create(path, {{"A", 'C', 200}, {"B", 'C', 100}}).isOk());
  DbaseTable t;
  ASSERT_TRUE(t.open(path, true).isOk());
  ASSERT_TRUE(t.append().isOk());
  ASSERT_TRUE(t.WriteText("A", std::string(200, 'x')).isOk());
  ASSERT_TRUE(t.WriteText("B", "tail").isOk());
  ASSERT_TRUE(t.post().isOk());
  ASSERT_TRUE(t.BuildTag(dir_.file("L.CDX"), "AB", "A+B").isOk());
  ASSERT_EQ(t.tags().size(), 1u);
  EXPECT_EQ(t.tags()[0].keyExpr, "LEFT(A+B,240)");
  EXPECT_EQ(t.tags()[0].keyLength, 240);
  EXPECT_EQ(t.tagKeys("AB")[0].key, std::string(200, 'x') + "tail" + std::string(36, ' '));
}

// Damage another program could leave behind: each must be a clear error naming the file.
TEST_F(DbaseTableTest, DamagedOrCutShortTablesAreErrors) {
  const std::string good = test::DbfBuilder()
                               .field("NAME", 'C', 4)
                               .field("QTY", 'N', 3)
                               .record(" ABCD  1")
                               .record("*EFGH 22")
                               .build();
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string bad_flag = good;
  bad_flag[good.size() - 1 - 8] = 'X';  // deletion byte of record 2
  std::string no_terminator =
      test::DbfBuilder().field("NAME", 'C', 4).storedHeaderLength(64).storedRecordLength(5).build();
  no_terminator[64] = ' ';
  const Case cases[] = {
      {"cut inside the last record", good.substr(0, good.size() - 4)},
      {"cut inside the header", good.substr(0, 20)},
      {"empty file", ""},
      {"more records counted than held",
       test::DbfBuilder().field("NAME", 'C', 4).record(" ABCD").storedRecordCount(3).build()},
      {"header length beyond the file",
       test::DbfBuilder().field("NAME", 'C', 4).storedHeaderLength(4000).build()},
      {"record length not the columns'",
       test::DbfBuilder().field("NAME", 'C', 4).record(" ABCD").storedRecordLength(9).build()},
      {"bad deletion byte", bad_flag},
      {"no end of the descriptors", no_terminator},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir_.file("D.DAT");
    test::writeFile(path, c.bytes);
    DbaseTable t;
    Status s = t.open(path);
    EXPECT_EQ(s.kind(), Status::Kind::kCorrupt);
    EXPECT_THAT(s.message(), HasSubstr(path));
    EXPECT_FALSE(t.isOpen());
  }
  // The sound file opens, and a damaged number is an error naming column and record.
  std::string bad_number = good;
  bad_number[good.size() - 1 - 2] = 'x';
  const std::string path = dir_.file("D.DAT");
  test::writeFile(path, bad_number);
  DbaseTable t;
  ASSERT_TRUE(t.open(path).isOk());
  t.setUseDeleted(true);
  ASSERT_TRUE(t.goTo(2).isOk());
  int64_t v = 0;
  Status s = t.ReadWhole("QTY", &v);
  EXPECT_EQ(s.kind(), Status::Kind::kCorrupt);
  EXPECT_THAT(s.message(), HasSubstr("QTY"));
  EXPECT_THAT(s.message(), HasSubstr("record 2"));
  // A missing table.
  DbaseTable missing;
  EXPECT_EQ(missing.open(dir_.file("NONE.DAT")).kind(), Status::Kind::kNotFound);
}

TEST_F(DbaseTableTest, DatesThatAreNoCalendarDayAreErrors) {
  DbaseTable t;
  openShared(t);
  addRows(t, {{"A", "Y"}});
  ASSERT_TRUE(t.close().isOk());
  std::string bytes = test::readFile(path_);
  const size_t header = static_cast<uint8_t>(bytes[8]) | (static_cast<uint8_t>(bytes[9]) << 8);
  const size_t day_at = header + 1 + 10 + 4 + 11;
  const struct {
    const char* stored;
    bool ok;
    bool blank;
  } cases[] = {{"20240229", true, false},  {"        ", true, true},   {"00000000", true, true},
               {"20230229", false, false}, {"2024-1-1", false, false}, {"ABCDEFGH", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    bytes.replace(day_at, 8, c.stored);
    test::writeFile(path_, bytes);
    ASSERT_TRUE(t.open(path_).isOk());
    DbfDate d;
    Status s = t.ReadDate("DAY", &d);
    EXPECT_EQ(s.isOk(), c.ok);
    if (c.ok) {
      EXPECT_EQ(d.blank, c.blank);
    } else {
      EXPECT_THAT(s.message(), HasSubstr("DAY"));
    }
    ASSERT_TRUE(t.close().isOk());
  }
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

// Another program cuts the table short while we hold it open: the next move reports it.
TEST_F(DbaseTableTest, TableCutShortWhileOpenIsReportedAtTheNextMove) {
  DbaseTable t;
  openShared(t);
  addRows(t, {{"A", "Y"}, {"B", "Y"}, {"C", "Y"}});
  const std::string bytes = test::readFile(path_);
  test::writeFile(path_, bytes.substr(0, bytes.size() - 20));
  Status s = t.first();
  EXPECT_EQ(s.kind(), Status::Kind::kCorrupt);
  EXPECT_THAT(s.message(), HasSubstr(path_));
  EXPECT_THAT(s.message(), HasSubstr("3 records"));
  // A write is refused too rather than going to a file of unknown shape.
  EXPECT_EQ(t.append().kind(), Status::Kind::kCorrupt);
  EXPECT_FALSE(t.isEditing());
}

// Bytes damaged at random: opening either fails with kCorrupt naming the file, or every row it
// shows lies inside the file and reads without a crash.
TEST_F(DbaseTableTest, RandomlyDamagedTablesNeverShowRowsTheFileDoesNotHold) {
  DbaseTable t;
  openShared(t);
  addRows(t, kSeekRows);
  ASSERT_TRUE(t.close().isOk());
  const std::string good = test::readFile(path_);
  std::mt19937 gen(1234);
  const std::string path = dir_.file("R.DAT");
  int opened = 0;
  for (int round = 0; round < 300; ++round) {
    std::string b = good;
    for (int k = 0; k < 1 + round % 4; ++k) b[gen() % b.size()] = static_cast<char>(gen() % 256);
    if (round % 5 == 0) b.resize(gen() % b.size());
    test::writeFile(path, b);
    DbaseTable d;
    Status s = d.open(path);
    if (!s.isOk()) {
      EXPECT_EQ(s.kind(), Status::Kind::kCorrupt) << s.message();
      EXPECT_THAT(s.message(), HasSubstr(path));
      continue;
    }
    ++opened;
    const size_t header = static_cast<uint8_t>(b[8]) | (static_cast<uint8_t>(b[9]) << 8);
    const size_t record = static_cast<uint8_t>(b[10]) | (static_cast<uint8_t>(b[11]) << 8);
    EXPECT_LE(header + static_cast<size_t>(d.recordCount()) * record, b.size());
    d.setUseDeleted(true);
    for (bool moved = d.first().isOk(); moved && !d.eof(); moved = d.next().isOk()) {
      for (const DbaseColumn& c : d.columns()) {
        std::string text;
        int64_t n = 0;
        DbfDate day;
        EXPECT_TRUE(d.ReadText(c.name, &text).isOk());
        if (c.type == 'N') (void)d.ReadWhole(c.name, &n);
        if (c.type == 'D') (void)d.ReadDate(c.name, &day);
      }
    }
  }
  EXPECT_GT(opened, 0);  // the damage also hit bytes a reader may accept (names, values)
}

}  // namespace
}  // namespace tarvex
