// Project operations and the DBF list over real project tables in a fresh program folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/ProgramFolder.h"
#include "common/TextUtil.h"
#include "projects/DbfList.h"
#include "projects/ProjectWorkspace.h"
#include "support/DbfBuilder.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RecordingLog : public LogSink {
 public:
  void AddLine(std::string_view line) override { lines.emplace_back(line); }
  void ClearLog() override { lines.clear(); }
  std::vector<std::string> lines;
};

class ProjectOperationsTest : public ::testing::Test {
 protected:
  ProjectOperationsTest() {
    home_ = dir_.file("home/");
    EXPECT_TRUE(ws_.open(home_).isOk());
  }

  // Saves a project of that name with the current project's options; returns the event.
  ProjectEvent save(const std::string& name, int commit = 500) {
    Rec_Prj prj = ws_.current();
    prj.SUBSIST = name;
    prj.COMMIT = commit;
    ProjectEvent event = ProjectEvent::kNone;
    Status s = ws_.save(prj, &event);
    EXPECT_TRUE(s.isOk()) << s.message();
    return event;
  }

  // The names of the rows of LSTPRJ.DAT that the table shows, in name order.
  std::vector<std::string> visibleProjects() {
    std::vector<std::string> names;
    DbaseTable& t = ws_.tables().prj();
    EXPECT_TRUE(t.setIndexName("Tag1").isOk());
    EXPECT_TRUE(t.first().isOk());
    while (!t.eof()) {
      std::string name;
      EXPECT_TRUE(t.ReadText("SUBSIST", &name).isOk());
      names.push_back(name);
      EXPECT_TRUE(t.next().isOk());
    }
    return names;
  }

  // DBF_NAME, NR_SORT and TAB_NAME of every row of the project, in order.
  std::vector<std::string> dbfRows(const std::string& key) {
    std::vector<std::string> rows;
    DbaseTable& t = ws_.tables().dbf();
    bool found = false;
    EXPECT_TRUE(t.setIndexName("Tag4").isOk());
    EXPECT_TRUE(t.FindKey(ws_.tables().widths().serNoKey(key), false, true, &found).isOk());
    while (!t.eof()) {
      Rec_Dbf row;
      EXPECT_TRUE(readDbfRow(t, &row).isOk());
      if (row.SER_NO != ws_.tables().widths().serNoKey(key)) break;
      rows.push_back(row.DBF_NAME + ":" + trim(row.NR_SORT) + ":" + row.TAB_NAME);
      EXPECT_TRUE(t.next().isOk());
    }
    return rows;
  }

  void writeDbf(const std::string& path, uint16_t record_length = 0) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    test::DbfBuilder b;
    b.field("A", 'C', 40).record(" " + std::string(40, 'a'));
    if (record_length != 0) b.storedRecordLength(record_length);
    test::writeFile(path, b.build());
  }

  int64_t addFolder(const std::string& folder, bool clear = false, const std::string& mask = "") {
    EXPECT_TRUE(ws_.ini().put("Path", "PthImpDbf", folder).isOk());
    EXPECT_TRUE(ws_.ini().put("SETUP", "Mask_DBF", mask).isOk());
    EXPECT_TRUE(ws_.ini().put("SETUP", "BtnIndAddLst", clear ? "Y" : "N").isOk());
    DbfListOperations ops(ws_, log_);
    bool started = false;
    int64_t added = 0;
    Rec_Prj gathered = ws_.current();
    gathered.POTECA = folder;
    Status s = ops.addDbfList(gathered, &started, &added);
    EXPECT_TRUE(s.isOk()) << s.message();
    EXPECT_TRUE(started);
    return added;
  }

  test::TempDir dir_;
  std::string home_;
  ProjectWorkspace ws_;
  RecordingLog log_;
};

TEST_F(ProjectOperationsTest, SaveAddsThenUpdatesByName) {
  EXPECT_EQ(save("Alpha"), ProjectEvent::kAdded);
  EXPECT_EQ(ws_.current().SER_NO, "     1");  // right-aligned in the SER_NO width
  EXPECT_EQ(ws_.ini().get("SETUP", "SER_NO"), "     1");
  EXPECT_EQ(save("Beta"), ProjectEvent::kAdded);
  EXPECT_EQ(ws_.current().SER_NO, "     2");
  EXPECT_EQ(save("Alpha", 250), ProjectEvent::kUpdated);
  EXPECT_EQ(ws_.current().SER_NO, "     1");
  EXPECT_EQ(projectEventText(ProjectEvent::kUpdated), "Project is updated (in a Data Base)");

  // Beta keeps its own options; Alpha has the new ones.
  Rec_Prj beta;
  beta.SER_NO = "2";
  bool found = false;
  ASSERT_TRUE(ws_.GetDinPrj(&beta, true, &found).isOk());
  ASSERT_TRUE(found);
  EXPECT_EQ(beta.SUBSIST, "Beta");
  EXPECT_EQ(beta.COMMIT, 500);
  EXPECT_EQ(ws_.current().COMMIT, 250);

  Rec_Prj empty = ws_.current();
  empty.SUBSIST = "   ";
  ProjectEvent event;
  EXPECT_EQ(ws_.save(empty, &event).message(), "Error! Name of project is not filled!");
}

TEST_F(ProjectOperationsTest, NameLookupIsExactAndCaseSensitive) {
  save("Alpha");
  EXPECT_EQ(ws_.Caut_SN_dupa_Nume("Alpha"), "     1");
  EXPECT_EQ(ws_.Caut_SN_dupa_Nume("  Alpha "), "     1");
  EXPECT_EQ(ws_.Caut_SN_dupa_Nume("alpha"), "");
  EXPECT_EQ(ws_.Caut_SN_dupa_Nume("Alp"), "");
  EXPECT_EQ(save("alpha"), ProjectEvent::kAdded);  // another project
}

TEST_F(ProjectOperationsTest, LoadingAppliesTheReadingRules) {
  Rec_Prj prj = ws_.current();
  prj.SUBSIST = "Zeroes";
  prj.ERINDATE = 0;
  prj.BINDSIZE = 0;
  ProjectEvent event;
  ASSERT_TRUE(ws_.save(prj, &event).isOk());
  Rec_Prj read;
  read.SER_NO = "1";
  bool found = false;
  ASSERT_TRUE(ws_.GetDinPrj(&read, true, &found).isOk());
  EXPECT_EQ(read.ERINDATE, 1);
  EXPECT_EQ(read.BINDSIZE, 256000);
  // A new workspace over the same folder loads the remembered project.
  ASSERT_TRUE(ws_.close().isOk());
  ProjectWorkspace again;
  ASSERT_TRUE(again.open(home_).isOk());
  EXPECT_EQ(again.current().SUBSIST, "Zeroes");
}

TEST_F(ProjectOperationsTest, FilterModes) {
  for (const char* name : {"Sales North", "North Sales", "Other"}) save(name);
  struct Case {
    const char* text;
    MatchMode mode;
    std::vector<std::string> shown;
  } cases[] = {{"north", MatchMode::kBeginning, {"North Sales"}},
               {"NORTH", MatchMode::kAnywhere, {"North Sales", "Sales North"}},
               {"other", MatchMode::kExact, {"Other"}},
               {"oth", MatchMode::kExact, {}},
               {"", MatchMode::kExact, {"North Sales", "Other", "Sales North"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    bool any = false;
    ASSERT_TRUE(ws_.setFilter(c.text, c.mode, &any).isOk());
    EXPECT_EQ(any, !c.shown.empty());
    EXPECT_EQ(visibleProjects(), c.shown);
  }
}

TEST_F(ProjectOperationsTest, RemovingAProjectRemovesItsDbfRows) {
  writeDbf(dir_.file("data/ONE.DBF"));
  writeDbf(dir_.file("data/TWO.DBF"));
  save("Keep");
  addFolder(dir_.file("data"));
  save("Drop");
  addFolder(dir_.file("data"));
  ASSERT_EQ(dbfRows("2").size(), 2u);
  ws_.KeyAtOpen = ws_.current().SER_NO;
  ASSERT_TRUE(ws_.removeProject(ws_.Caut_SN_dupa_Nume("Drop")).isOk());
  EXPECT_TRUE(ws_.KeyAtOpen.empty());  // the current project was removed
  EXPECT_TRUE(ws_.PackPending);
  EXPECT_TRUE(dbfRows("2").empty());
  EXPECT_EQ(dbfRows("1").size(), 2u);  // the other project's rows stay
  // Leaving the chooser without a choice loads the first project; the pack happens then.
  ws_.exitWithoutChoice();
  bool loaded = false;
  ASSERT_TRUE(ws_.choose(&loaded).isOk());
  EXPECT_TRUE(loaded);
  EXPECT_EQ(ws_.current().SUBSIST, "Keep");
  EXPECT_EQ(ws_.tables().prj().recordCount(), 1);  // packed
  EXPECT_EQ(ws_.tables().dbf().recordCount(), 2);
}

TEST_F(ProjectOperationsTest, AddDbfListScansTheTreeAndNumbersOn) {
  writeDbf(dir_.file("data/b.dbf"));
  writeDbf(dir_.file("data/A.DBF"));
  writeDbf(dir_.file("data/sub/C.Dbf"));
  writeDbf(dir_.file("data/bad.dbf"), /*record_length=*/1);  // a header problem
  test::writeFile(dir_.file("data/notes.txt"), "x");
  save("P");
  EXPECT_EQ(addFolder(dir_.file("data")), 3);
  EXPECT_THAT(dbfRows("1"), ElementsAre("A.DBF:1:A", "b.dbf:2:B", "C.Dbf:3:C"));
  // The bad header is logged with its warning and not added.
  bool bad_logged = false;
  for (const std::string& l : log_.lines) {
    if (l.find("bad.dbf") != std::string::npos) {
      bad_logged = true;
      EXPECT_THAT(l, HasSubstr(ws_.ini().get("File Header", "09")));
    }
  }
  EXPECT_TRUE(bad_logged);
  // Adding again continues the numbering; "Clear" starts again at 1.
  EXPECT_EQ(addFolder(dir_.file("data")), 3);
  EXPECT_EQ(dbfRows("1").size(), 6u);
  EXPECT_EQ(dbfRows("1").back(), "C.Dbf:6:C");
  EXPECT_EQ(addFolder(dir_.file("data/sub"), /*clear=*/true), 1);
  EXPECT_THAT(dbfRows("1"), ElementsAre("C.Dbf:1:C"));

  int64_t max = 0;
  ASSERT_TRUE(MaxNrSortDbf(ws_.tables(), ws_.tables().widths().serNoKey("1"), &max).isOk());
  EXPECT_EQ(max, 1);
}

TEST_F(ProjectOperationsTest, OneTableModeAndNamesWithoutExtension) {
  writeDbf(dir_.file("data/DATA"));
  writeDbf(dir_.file("data/clients.dbf"));
  save("P");
  EXPECT_EQ(addFolder(dir_.file("data"), false, "*"), 2);
  EXPECT_THAT(dbfRows("1"), ElementsAre("DATA:1:DATA", "clients.dbf:2:CLIENTS"));
  ASSERT_TRUE(ws_.ini().put("SETUP", "LoadGrpDBF", "Y").isOk());
  ASSERT_TRUE(ws_.ini().put("SQLLDR", "ONE TABLE", "").isOk());
  EXPECT_EQ(addFolder(dir_.file("data"), true, "*"), 2);
  EXPECT_THAT(dbfRows("1"), ElementsAre("DATA:1:DATA", "clients.dbf:2:DATA"));
  EXPECT_EQ(ws_.ini().get("SQLLDR", "ONE TABLE"), "DATA");
}

TEST_F(ProjectOperationsTest, ListingAndStatistics) {
  writeDbf(dir_.file("data/A.DBF"));
  writeDbf(dir_.file("data/LONGER_NAME.DBF"));
  save("P");
  addFolder(dir_.file("data"));
  DbfListStats st;
  ASSERT_TRUE(NrDbfDinPrj(ws_.tables(), ws_.tables().widths().serNoKey("1"), home_, &st).isOk());
  EXPECT_EQ(st.rows, 2);
  EXPECT_EQ(st.digits, 1);
  EXPECT_EQ(st.included, 2);
  EXPECT_EQ(st.formed, 0);
  EXPECT_EQ(st.table_width, 11);  // LONGER_NAME
  EXPECT_EQ(st.path_width, static_cast<int>(dir_.file("data/").size() + 15));

  DbfListOperations ops(ws_, log_);
  bool started = false;
  int64_t listed = 0;
  ASSERT_TRUE(ops.listDbf(&started, &listed).isOk());
  EXPECT_EQ(listed, 2);
  int rows = 0;
  for (const std::string& l : log_.lines) rows += l.find(dir_.file("data/")) != std::string::npos;
  EXPECT_EQ(rows, 2);

  // While the engine has a DBF file open, nothing starts.
  bool busy = true;
  ops.setEngineBusy(&busy);
  ASSERT_TRUE(ops.listDbf(&started, &listed).isOk());
  EXPECT_FALSE(started);
  EXPECT_TRUE(ops.idle());
}

}  // namespace
}  // namespace tarvex
