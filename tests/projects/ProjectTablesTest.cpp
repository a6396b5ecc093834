#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "projects/CdxIndex.h"
#include "projects/ProjectFields.h"
#include "projects/ProjectTables.h"
#include "support/RunCommand.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ProjectTablesTest : public ::testing::Test {
 protected:
  std::string prjPath() const { return dir_.path() + "LPrj/LSTPRJ.DAT"; }
  std::string dbfPath() const { return dir_.path() + "LPrj/LSTDBF.DAT"; }

  // Appends a project row with the given key and name (other columns from Rec_Prj defaults).
  void addProject(DbaseTable& t, const KeyWidths& w, const std::string& key,
                  const std::string& name) {
    Rec_Prj p;
    p.SER_NO = w.serNoKey(key);
    p.SUBSIST = name;
    p.FLTR = "Y";
    ASSERT_TRUE(t.append().isOk());
    ASSERT_TRUE(writePrjRow(t, p, true).isOk());
    ASSERT_TRUE(t.post().isOk());
  }
  void addDbf(DbaseTable& t, const KeyWidths& w, const std::string& key, int nr,
              const std::string& name) {
    Rec_Dbf d;
    d.SER_NO = w.serNoKey(key);
    d.NR_SORT = w.nrSortKey(std::to_string(nr));
    d.POTECA = "/data/" + key + "/";
    d.DBF_NAME = name;
    d.TAB_NAME = name.substr(0, name.find('.'));
    d.LOAD_DATE = DbfDate{CivilDate{1800, 1, 1}, false};
    d.DT_WIN = DbfDate{CivilDate{2024, 5, 17}, false};
    ASSERT_TRUE(t.append().isOk());
    ASSERT_TRUE(writeDbfRow(t, d).isOk());
    ASSERT_TRUE(t.post().isOk());
  }

  // The rows of a project in Tag4 order, the way the DBF list reaches them: seek the padded key
  // (exact off, partial on) and read on while SER_NO equals it. Gives the DBF_NAMEs.
  std::vector<std::string> projectFiles(DbaseTable& t, const KeyWidths& w, const std::string& key) {
    std::vector<std::string> names;
    EXPECT_TRUE(t.setIndexName("Tag4").isOk());
    const std::string padded = w.serNoKey(key);
    bool found = false;
    EXPECT_TRUE(t.FindKey(padded, false, true, &found).isOk());
    while (!t.eof()) {
      Rec_Dbf d;
      EXPECT_TRUE(readDbfRow(t, &d).isOk());
      if (d.SER_NO != padded) break;
      names.push_back(d.DBF_NAME);
      EXPECT_TRUE(t.next().isOk());
    }
    return names;
  }

  // Each tag of the table against the tags of its index file: names, expressions, keys.
  void expectIndexFileMatches(const DbaseTable& t) {
    std::vector<CdxTag> file;
    ASSERT_TRUE(readCdxFile(indexFileOf(t), &file).isOk());
    const std::vector<DbaseTagInfo> mem = t.tags();
    ASSERT_EQ(file.size(), mem.size());
    for (const CdxTag& f : file) {
      SCOPED_TRACE(f.name);
      auto it = std::find_if(mem.begin(), mem.end(),
                             [&](const DbaseTagInfo& i) { return toUpperAscii(i.name) == f.name; });
      ASSERT_NE(it, mem.end());
      EXPECT_EQ(f.keyExpr, it->keyExpr);
      EXPECT_EQ(f.forExpr, "");
      EXPECT_EQ(f.keyLength, it->keyLength);
      const std::vector<DbaseTagKey> keys = t.tagKeys(it->name);
      ASSERT_EQ(f.keys.size(), keys.size());
      for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(f.keys[i].key, keys[i].key);
        EXPECT_EQ(f.keys[i].recno, keys[i].recno);
      }
    }
  }

  test::TempDir dir_;
};

TEST_F(ProjectTablesTest, MissingFolderGetsTwoEmptyTablesWithTheKeyWidths) {
  ASSERT_TRUE(ensureProjectTables(dir_.path()).isOk());
  ASSERT_TRUE(fileExists(prjPath()));
  ASSERT_TRUE(fileExists(dbfPath()));
  KeyWidths w;
  ASSERT_TRUE(readKeyWidths(dbfPath(), &w).isOk());
  EXPECT_EQ(w.SER_NO, 6);
  EXPECT_EQ(w.NR_SORT, 6);
  EXPECT_EQ(w.POTECA, 254);
  EXPECT_EQ(w.DBF_NAME, 254);
  DbaseTable prj;
  ASSERT_TRUE(prj.open(prjPath()).isOk());
  EXPECT_EQ(prj.recordCount(), 0);
  EXPECT_EQ(prj.columns()[static_cast<size_t>(prj.columnIndex("SER_NO"))].length, w.SER_NO);
  // Every stored field of Rec_Prj has its column, of its type, and there is no other column.
  size_t stored = 0;
  for (const PrjColumn& c : prjColumns()) {
    if (!c.stored) continue;
    ++stored;
    SCOPED_TRACE(std::string(c.name));
    const int idx = prj.columnIndex(c.name);
    ASSERT_GE(idx, 0);
    const char type = prj.columns()[static_cast<size_t>(idx)].type;
    EXPECT_EQ(type, c.type == ColumnType::kChar ? 'C' : c.type == ColumnType::kNumber ? 'N' : 'D');
  }
  EXPECT_EQ(prj.columns().size(), stored);
  // The limits the values put on the widths.
  auto width = [&](const char* name) {
    return prj.columns()[static_cast<size_t>(prj.columnIndex(name))].length;
  };
  for (const char* flag : {"FLTR", "INCL_DEL", "IND_SH_HI", "ADD_RECNO", "CHKDTERR", "SAVE_PASS"}) {
    EXPECT_GE(width(flag), 1) << flag;
  }
  EXPECT_EQ(width("POTECA"), 254);
  for (const char* n : {"NRRECLOAD", "HOMENAME", "BINDSIZE", "PORT"}) EXPECT_GE(width(n), 7) << n;
  // A second call leaves the existing tables alone.
  ASSERT_TRUE(prj.close().isOk());
  {
    DbaseTable t;
    ASSERT_TRUE(t.open(prjPath()).isOk());
    addProject(t, w, "1", "Kept");
  }
  ASSERT_TRUE(ensureProjectTables(dir_.path()).isOk());
  ASSERT_TRUE(prj.open(prjPath()).isOk());
  EXPECT_EQ(prj.recordCount(), 1);
}

TEST_F(ProjectTablesTest, KeyWidthsComeFromTheFileAndPadTheKeys) {
  // A table of other widths made by someone else: the widths follow the file.
  ASSERT_TRUE(
      DbaseTable::create(
          dir_.file("LSTDBF.DAT"),
          {{"DBF_NAME", 'C', 12}, {"NR_SORT", 'C', 3}, {"POTECA", 'C', 20}, {"SER_NO", 'C', 5}})
          .isOk());
  KeyWidths w;
  ASSERT_TRUE(readKeyWidths(dir_.file("LSTDBF.DAT"), &w).isOk());
  EXPECT_EQ(w.SER_NO, 5);
  EXPECT_EQ(w.NR_SORT, 3);
  EXPECT_EQ(w.POTECA, 20);
  EXPECT_EQ(w.DBF_NAME, 12);
  struct Case {
    std::string got, want;
  };
  const Case cases[] = {
      {w.serNoKey("12"), "   12"},
      {w.serNoKey(" 12  "), "   12"},
      {w.serNoKey("123456"), "123456"},
      {w.nrSortKey("7"), "  7"},
      {w.potecaKey("/a/"), "/a/" + std::string(17, ' ')},
      {w.dbfNameKey("x.dbf"), "x.dbf       "},
      {w.dbfNameKey(std::string(13, 'n')), std::string(13, 'n')},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
  EXPECT_EQ(readKeyWidths(dir_.file("NONE.DAT"), &w).kind(), Status::Kind::kNotFound);
}

TEST_F(ProjectTablesTest, ProjectRowKeepsEveryColumn) {
  ASSERT_TRUE(ensureProjectTables(dir_.path()).isOk());
  DbaseTable t;
  ASSERT_TRUE(t.open(prjPath()).isOk());
  // A distinct value for every stored field that fits its column.
  Rec_Prj in;
  int n = 0;
  for (const PrjColumn& c : prjColumns()) {
    if (!c.stored) continue;
    ++n;
    const int width = t.columns()[static_cast<size_t>(t.columnIndex(c.name))].length;
    std::string v;
    if (c.type == ColumnType::kNumber) v = std::to_string(n % 2 ? -n : n * 1000);
    if (c.type == ColumnType::kDate)
      v = "0" + std::to_string(1 + n % 9) + ".0" + std::to_string(1 + n % 9) + "." +
          std::to_string(1900 + n);
    if (c.type == ColumnType::kChar) {
      v = width == 1 ? std::string(1, static_cast<char>('A' + n % 26))
                     : (std::string(c.name) + " ş").substr(0, static_cast<size_t>(width));
    }
    ASSERT_TRUE(setPrjField(in, c.name, v).isOk()) << c.name;
  }
  in.SER_NO = "     7";
  ASSERT_TRUE(t.append().isOk());
  ASSERT_TRUE(writePrjRow(t, in, true).isOk());
  ASSERT_TRUE(t.post().isOk());
  ASSERT_TRUE(t.close().isOk());
  ASSERT_TRUE(t.open(prjPath()).isOk());
  Rec_Prj out;
  ASSERT_TRUE(readPrjRow(t, &out).isOk());
  for (const PrjColumn& c : prjColumns()) {
    if (!c.stored) continue;
    std::string a, b;
    ASSERT_TRUE(getPrjField(in, c.name, &a).isOk());
    ASSERT_TRUE(getPrjField(out, c.name, &b).isOk());
    // C columns read back without trailing blanks: SER_NO keeps its leading ones.
    EXPECT_EQ(b, a) << c.name;
  }
  // Writing without SER_NO leaves the stored key alone.
  Rec_Prj other = out;
  other.SER_NO = "999";
  other.SUBSIST = "Renamed";
  ASSERT_TRUE(t.edit().isOk());
  ASSERT_TRUE(writePrjRow(t, other, false).isOk());
  ASSERT_TRUE(t.post().isOk());
  Rec_Prj again;
  ASSERT_TRUE(readPrjRow(t, &again).isOk());
  EXPECT_EQ(again.SER_NO, "     7");
  EXPECT_EQ(again.SUBSIST, "Renamed");
}

// Overwrites the bytes of a column in record 1 of a table file.
void patchColumn(const std::string& path, const std::vector<DbaseColumn>& cols,
                 const std::string& name, const std::string& bytes) {
  std::string b = test::readFile(path);
  const size_t header = static_cast<uint8_t>(b[8]) | (static_cast<uint8_t>(b[9]) << 8);
  size_t at = header + 1;
  for (const DbaseColumn& c : cols) {
    if (c.name == name) break;
    at += static_cast<size_t>(c.length);
  }
  b.replace(at, bytes.size(), bytes);
  test::writeFile(path, b);
}

TEST_F(ProjectTablesTest, ReadingAProjectAppliesTheLoadingRules) {
  ASSERT_TRUE(ensureProjectTables(dir_.path()).isOk());
  struct Case {
    const char* what;
    const char* dateless;  // stored bytes ("" leaves the written value)
    const char* datemore;
    const char* expectLess;
    const char* expectMore;
  };
  const Case cases[] = {
      {"blank bounds", "        ", "        ", "01.01.0001", "01.01.3999"},
      {"damaged bounds", "2024XX01", "20231301", "01.01.0001", "01.01.3999"},
      {"sound bounds", "", "", "02.03.2001", "04.05.2030"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(DbaseTable::create(prjPath(), lstPrjColumns()).isOk());
    {
      DbaseTable t;
      ASSERT_TRUE(t.open(prjPath()).isOk());
      Rec_Prj p;  // error codes 0 and BINDSIZE 0 stored as they are
      p.BINDSIZE = 0;
      p.MAX_INCL_E = 0;
      p.DATELESS = DbfDate{CivilDate{2001, 3, 2}, false};
      p.DATEMORE = DbfDate{CivilDate{2030, 5, 4}, false};
      ASSERT_TRUE(t.append().isOk());
      ASSERT_TRUE(writePrjRow(t, p, true).isOk());
      ASSERT_TRUE(t.post().isOk());
    }
    if (*c.dateless) patchColumn(prjPath(), lstPrjColumns(), "DATELESS", c.dateless);
    if (*c.datemore) patchColumn(prjPath(), lstPrjColumns(), "DATEMORE", c.datemore);
    DbaseTable t;
    ASSERT_TRUE(t.open(prjPath()).isOk());
    Rec_Prj r;
    r.NlsLang = "kept";
    r.RnrOra = 42;
    ASSERT_TRUE(readPrjRow(t, &r).isOk());
    for (int32_t code : {r.ERINDATE, r.ERCDDTNULL, r.DTISLESS, r.DTISMORE, r.ERINNUM, r.ERINDECP,
                         r.ERINNUM2, r.ERINCHAR, r.ERINCHAR2, r.ERINLGC, r.ERINFRSTB}) {
      EXPECT_EQ(code, 1);
    }
    EXPECT_EQ(r.BINDSIZE, 256000);
    EXPECT_EQ(r.MAX_INCL_E, 0);  // not an error-code column
    std::string less, more, created;
    ASSERT_TRUE(getPrjField(r, "DATELESS", &less).isOk());
    ASSERT_TRUE(getPrjField(r, "DATEMORE", &more).isOk());
    ASSERT_TRUE(getPrjField(r, "DT_CR_LST", &created).isOk());
    EXPECT_EQ(less, c.expectLess);
    EXPECT_EQ(more, c.expectMore);
    EXPECT_EQ(created, "");  // another blank date reads as blank
    EXPECT_EQ(r.NlsLang, "kept");
    EXPECT_EQ(r.RnrOra, 42);
  }
}

TEST_F(ProjectTablesTest, DbfRowRoundTripAndRefusedLongValues) {
  ASSERT_TRUE(ensureProjectTables(dir_.path()).isOk());
  DbaseTable t;
  ASSERT_TRUE(t.open(dbfPath()).isOk());
  Rec_Dbf in;
  in.SER_NO = "    12";
  in.POTECA = std::string(250, 'p') + "/ă/";  // 254 bytes
  in.NR_SORT = "     3";
  in.DBF_NAME = "Ünïcode name.Dbf";
  in.TAB_NAME = "ÜNÏCODE NAME";
  in.IND_KEY = -1;
  in.LOAD_DATE = DbfDate{CivilDate{1800, 1, 1}, false};
  in.RNR_DBF = 2147483647;
  in.RNR_ERR = 4;
  in.RNR_REJ = 5;
  in.RNR_ORA = 6;
  in.RNR_DEL = 7;
  in.DT_WIN = DbfDate{CivilDate{2024, 2, 29}, false};
  in.IND_ERR = "Y";
  ASSERT_EQ(in.POTECA.size(), 254u);
  ASSERT_TRUE(t.append().isOk());
  ASSERT_TRUE(writeDbfRow(t, in).isOk());
  ASSERT_TRUE(t.post().isOk());
  Rec_Dbf out;
  ASSERT_TRUE(readDbfRow(t, &out).isOk());
  EXPECT_EQ(out.SER_NO, in.SER_NO);
  EXPECT_EQ(out.POTECA, in.POTECA);
  EXPECT_EQ(out.NR_SORT, in.NR_SORT);
  EXPECT_EQ(out.DBF_NAME, in.DBF_NAME);
  EXPECT_EQ(out.TAB_NAME, in.TAB_NAME);
  EXPECT_EQ(out.IND_KEY, -1);
  EXPECT_EQ(out.LOAD_DATE.date, (CivilDate{1800, 1, 1}));
  EXPECT_EQ(out.RNR_DBF, 2147483647);
  EXPECT_EQ(out.RNR_DEL, 7);
  EXPECT_FALSE(out.DT_WIN.blank);
  EXPECT_EQ(out.DT_WIN.date, (CivilDate{2024, 2, 29}));
  EXPECT_TRUE(out.DT_DBF.blank);  // never written: blank
  EXPECT_EQ(out.FLTR, "");        // " " reads without its trailing blank
  EXPECT_EQ(out.IND_ERR, "Y");
  // One byte more than the column: refused, naming the table and the column; nothing is cut.
  Rec_Dbf too_long = in;
  too_long.POTECA += "x";
  ASSERT_TRUE(t.append().isOk());
  Status s = writeDbfRow(t, too_long);
  EXPECT_EQ(s.kind(), Status::Kind::kInvalidArgument);
  EXPECT_THAT(s.message(), HasSubstr("LSTDBF.DAT"));
  EXPECT_THAT(s.message(), HasSubstr("POTECA"));
  t.cancel();
  EXPECT_EQ(t.recordCount(), 1);
}

TEST_F(ProjectTablesTest, IndexBuildSelectsTag1AndWritesTheIndexFiles) {
  ProjectTables pt;
  ASSERT_TRUE(pt.open(dir_.path()).isOk());
  for (DbaseTable* t : {&pt.prj(), &pt.dbf()}) {
    EXPECT_TRUE(t->isOpen());
    EXPECT_FALSE(t->isExclusive());
    EXPECT_EQ(t->indexName(), "Tag1");
  }
  std::vector<std::string> prj_tags, dbf_tags;
  for (const DbaseTagInfo& i : pt.prj().tags()) prj_tags.push_back(i.name + ":" + i.keyExpr);
  for (const DbaseTagInfo& i : pt.dbf().tags()) dbf_tags.push_back(i.name + ":" + i.keyExpr);
  EXPECT_THAT(prj_tags, ElementsAre("Tag1:SUBSIST", "Tag2:SER_NO", "Tag3:FLTR"));
  // POTECA+DBF_NAME+SER_NO is 514 bytes: its tag holds the first 240.
  EXPECT_THAT(dbf_tags, ElementsAre("Tag1:SER_NO", "Tag2:LEFT(POTECA+DBF_NAME+SER_NO,240)",
                                    "Tag3:FLTR", "Tag4:SER_NO+NR_SORT"));
  EXPECT_EQ(indexFileOf(pt.prj()), pt.folder() + "LSTPRJ.CDX");
  EXPECT_EQ(indexFileOf(pt.dbf()), pt.folder() + "LSTDBF.CDX");

  const KeyWidths& w = pt.widths();
  addProject(pt.prj(), w, "2", "beta");
  addProject(pt.prj(), w, "1", "Beta");
  addProject(pt.prj(), w, "10", "alpha");
  addDbf(pt.dbf(), w, "10", 2, "b.dbf");
  addDbf(pt.dbf(), w, "1", 2, "y.dbf");
  addDbf(pt.dbf(), w, "10", 1, "a.dbf");
  addDbf(pt.dbf(), w, "1", 1, "x.dbf");
  addDbf(pt.dbf(), w, "2", 1, "z.dbf");
  ASSERT_TRUE(CreareIndex(pt.prj()).isOk());
  ASSERT_TRUE(CreareIndex(pt.dbf()).isOk());
  expectIndexFileMatches(pt.prj());
  expectIndexFileMatches(pt.dbf());
  // Project rows in name order (Tag1, letter case counts) and key order (Tag2).
  std::vector<std::string> names;
  ASSERT_TRUE(pt.prj().first().isOk());
  for (bool moved = true; moved && !pt.prj().eof(); moved = pt.prj().next().isOk()) {
    Rec_Prj p;
    ASSERT_TRUE(readPrjRow(pt.prj(), &p).isOk());
    names.push_back(p.SUBSIST);
  }
  EXPECT_THAT(names, ElementsAre("Beta", "alpha", "beta"));
  ASSERT_TRUE(pt.prj().setIndexName("Tag2").isOk());
  ASSERT_TRUE(pt.prj().last().isOk());
  std::string largest;
  ASSERT_TRUE(pt.prj().ReadText("SER_NO", &largest).isOk());
  EXPECT_EQ(largest, "    10");
  // A project's files in order number order; project 1 does not reach project 10's rows.
  EXPECT_THAT(projectFiles(pt.dbf(), w, "1"), ElementsAre("x.dbf", "y.dbf"));
  EXPECT_THAT(projectFiles(pt.dbf(), w, "10"), ElementsAre("a.dbf", "b.dbf"));
  EXPECT_THAT(projectFiles(pt.dbf(), w, "3"), ElementsAre());
  // Only the two project tables have an index.
  DbaseTable other;
  ASSERT_TRUE(DbaseTable::create(dir_.file("OTHER.DAT"), {{"A", 'C', 1}}).isOk());
  ASSERT_TRUE(other.open(dir_.file("OTHER.DAT")).isOk());
  EXPECT_EQ(CreareIndex(other).kind(), Status::Kind::kInvalidArgument);
}

TEST_F(ProjectTablesTest, RemovingAProjectsRowsAndPacking) {
  ProjectTables pt;
  ASSERT_TRUE(pt.open(dir_.path()).isOk());
  const KeyWidths& w = pt.widths();
  for (int i = 1; i <= 3; ++i) addDbf(pt.dbf(), w, "10", i, "f" + std::to_string(i) + ".dbf");
  addDbf(pt.dbf(), w, "1", 1, "keep.dbf");
  DbaseTable& t = pt.dbf();
  ASSERT_TRUE(t.setIndexName("Tag4").isOk());
  t.setUseDeleted(true);
  const std::string key = w.serNoKey("10");
  bool found = false;
  ASSERT_TRUE(t.FindKey(key + w.nrSortKey("1"), false, true, &found).isOk());
  ASSERT_TRUE(found);
  int deleted = 0;
  for (bool moved = true; moved && !t.eof(); moved = t.next().isOk()) {
    std::string k;
    ASSERT_TRUE(t.ReadText("SER_NO", &k).isOk());
    if (k != key) break;
    ASSERT_TRUE(t.deleteRecord().isOk());
    ++deleted;
  }
  t.setUseDeleted(false);
  EXPECT_EQ(deleted, 3);
  ASSERT_TRUE(PackFiDbf(t).isOk());
  EXPECT_EQ(t.recordCount(), 1);
  EXPECT_EQ(t.indexName(), "Tag1");
  EXPECT_FALSE(t.isExclusive());
  expectIndexFileMatches(t);
  t.setUseDeleted(true);
  EXPECT_THAT(projectFiles(t, w, "1"), ElementsAre("keep.dbf"));
  EXPECT_THAT(projectFiles(t, w, "10"), ElementsAre());
}

TEST_F(ProjectTablesTest, TwoRunsOneAfterTheOtherSeeEachOthersRows) {
  {
    ProjectTables first;
    ASSERT_TRUE(first.open(dir_.path()).isOk());
    addProject(first.prj(), first.widths(), "1", "First run");
    ASSERT_TRUE(first.close().isOk());
  }
  {
    ProjectTables second;
    ASSERT_TRUE(second.open(dir_.path()).isOk());
    ASSERT_TRUE(second.prj().setIndexName("Tag2").isOk());
    bool found = false;
    ASSERT_TRUE(second.prj().FindKey(second.widths().serNoKey("1"), false, true, &found).isOk());
    ASSERT_TRUE(found);
    Rec_Prj p;
    ASSERT_TRUE(readPrjRow(second.prj(), &p).isOk());
    EXPECT_EQ(p.SUBSIST, "First run");
    addDbf(second.dbf(), second.widths(), "1", 1, "second.dbf");
  }
  ProjectTables third;
  ASSERT_TRUE(third.open(dir_.path()).isOk());
  EXPECT_THAT(projectFiles(third.dbf(), third.widths(), "1"), ElementsAre("second.dbf"));
  // While one run holds the tables, another cannot rebuild their index.
  ProjectTables fourth;
  Status s = fourth.open(dir_.path());
  EXPECT_EQ(s.kind(), Status::Kind::kIoError);
  EXPECT_THAT(s.message(), HasSubstr("LSTPRJ.DAT"));
}

// --- python3-dbfread, an independent reader, sees the same rows ---

using Row = std::map<std::string, std::string>;

std::vector<Row> rowsSeenByDbfread(const std::string& table, int* deleted) {
  const test::CommandResult r = test::runCommand(TARVEX_PYTHON, {TARVEX_DBFREAD_SCRIPT, table});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::vector<Row> rows(1);
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) {
    if (line == "--") {
      rows.emplace_back();
    } else if (line.rfind("#deleted ", 0) == 0) {
      *deleted = std::stoi(line.substr(9));
    } else {
      const size_t eq = line.find('=');
      rows.back()[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  rows.pop_back();
  return rows;
}

// The live rows as our engine reads them, in dbfread's words: dates YYYY-MM-DD or <None>.
std::vector<Row> rowsSeenByUs(DbaseTable& t) {
  std::vector<Row> rows;
  EXPECT_TRUE(t.setIndexName("").isOk());
  EXPECT_TRUE(t.first().isOk());
  for (bool moved = true; moved && !t.eof(); moved = t.next().isOk()) {
    Row row;
    for (const DbaseColumn& c : t.columns()) {
      std::string v;
      if (c.type == 'N') {
        int64_t n = 0;
        EXPECT_TRUE(t.ReadWhole(c.name, &n).isOk());
        v = std::to_string(n);
      } else if (c.type == 'D') {
        DbfDate d;
        EXPECT_TRUE(t.ReadDate(c.name, &d).isOk());
        if (d.blank) {
          v = "<None>";
        } else {
          const std::string s = formatCompactDate(d.date);
          v = s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2);
        }
      } else {
        EXPECT_TRUE(t.ReadText(c.name, &v).isOk());
      }
      row[c.name] = v;
    }
    rows.push_back(row);
  }
  return rows;
}

TEST_F(ProjectTablesTest, AnIndependentReaderFindsTheSameRows) {
  ProjectTables pt;
  ASSERT_TRUE(pt.open(dir_.path()).isOk());
  const KeyWidths& w = pt.widths();
  addProject(pt.prj(), w, "1", "  Proiect ăâîșț");
  addProject(pt.prj(), w, "2", "Deleted one");
  addProject(pt.prj(), w, "3", std::string(100, 'z'));
  ASSERT_TRUE(pt.prj().setIndexName("Tag2").isOk());
  bool found = false;
  ASSERT_TRUE(pt.prj().FindKey(w.serNoKey("2"), true, false, &found).isOk());
  ASSERT_TRUE(found);
  ASSERT_TRUE(pt.prj().deleteRecord().isOk());
  ASSERT_TRUE(pt.prj().goTo(3).isOk());
  ASSERT_TRUE(pt.prj().edit().isOk());
  ASSERT_TRUE(pt.prj().WriteWhole("NRRECLOAD", -1).isOk());
  ASSERT_TRUE(pt.prj().WriteDate("DT_CR_LST", DbfDate{CivilDate{1899, 12, 30}, false}).isOk());
  ASSERT_TRUE(pt.prj().post().isOk());
  addDbf(pt.dbf(), w, "1", 1, "a.dbf");
  addDbf(pt.dbf(), w, "1", 2, std::string(120, 'n') + "." + std::string(129, 'e'));  // 250 bytes
  for (DbaseTable* t : {&pt.prj(), &pt.dbf()}) {
    SCOPED_TRACE(t->tableName());
    int deleted = -1;
    const std::vector<Row> theirs = rowsSeenByDbfread(t->path(), &deleted);
    const std::vector<Row> ours = rowsSeenByUs(*t);
    EXPECT_EQ(theirs.size(), 2u);
    EXPECT_EQ(deleted, t == &pt.prj() ? 1 : 0);
    ASSERT_EQ(theirs.size(), ours.size());
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(theirs[i], ours[i]) << "row " << i + 1;
  }
}

}  // namespace
}  // namespace tarvex
