#include "app/HistoryList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/IniFile.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using ::testing::ElementsAre;

class HistoryListTest : public ::testing::Test {
 protected:
  HistoryList load(const std::string& name, std::string_view nls = {}) {
    HistoryList list;
    list.name = name;
    GtLstCmBox(ini_, &list, nls);
    return list;
  }

  test::TempDir dir_;
  IniFile ini_{dir_.file("Tarvex.ini")};
};

TEST_F(HistoryListTest, LoadSelectsByIndOrItemZero) {
  test::writeFile(ini_.path(),
                  "[GR_UserSch]\nCNT=3\n100=scott\n101=\n102=hr\n"
                  "[GR_DbseSrv]\nCNT=2\nIND=1\n100=a.db\n101=b.db\n"
                  "[GR_Empty]\nCNT=0\nIND=0\n100=ignored\n"
                  "[GR_Bad]\nCNT=x\n100=ignored\n"
                  "[GR_BadInd]\nCNT=1\nIND=zz\n100=one\n");
  HistoryList users = load("UserSch");
  EXPECT_THAT(users.items, ElementsAre("scott", "", "hr"));
  EXPECT_EQ(users.selected, 0);  // no IND
  EXPECT_EQ(users.text, "scott");

  HistoryList servers = load("DbseSrv");
  EXPECT_EQ(servers.selected, 1);
  EXPECT_EQ(servers.text, "b.db");

  EXPECT_TRUE(load("Empty").items.empty());
  EXPECT_EQ(load("Empty").selected, -1);
  EXPECT_TRUE(load("Bad").items.empty());
  EXPECT_EQ(load("BadInd").selected, 0);
}

TEST_F(HistoryListTest, NlsLangTakesTheWorkingValueAsText) {
  test::writeFile(ini_.path(), "[GR_SetNls_Lang]\nCNT=1\n100=AMERICAN_AMERICA.RU8PC866\n");
  HistoryList nls = load("SetNls_Lang", "  AMERICAN_AMERICA.AL32UTF8 ");
  EXPECT_EQ(nls.text, "AMERICAN_AMERICA.AL32UTF8");
  EXPECT_EQ(nls.items.size(), 1u);
}

TEST_F(HistoryListTest, SaveAddsNewTextsOnceIgnoringCase) {
  HistoryList list = load("UserSch");
  list.text = "  Scott ";
  ASSERT_TRUE(SvLstCmBox(ini_, &list).isOk());
  list.text = "hr";
  ASSERT_TRUE(SvLstCmBox(ini_, &list).isOk());
  list.text = "SCOTT";  // differs only in letter case: selects the existing item
  ASSERT_TRUE(SvLstCmBox(ini_, &list).isOk());
  EXPECT_THAT(list.items, ElementsAre("Scott", "hr"));
  EXPECT_EQ(list.selected, 0);

  HistoryList reloaded = load("UserSch");
  EXPECT_THAT(reloaded.items, ElementsAre("Scott", "hr"));
  EXPECT_EQ(reloaded.selected, 0);
  EXPECT_EQ(ini_.get("GR_UserSch", "CNT"), "2");
}

TEST_F(HistoryListTest, EmptyTextIsAnItemTheFirstTimeOnly) {
  HistoryList list = load("UserSch");
  list.text = "";
  ASSERT_TRUE(SvLstCmBox(ini_, &list).isOk());
  ASSERT_TRUE(SvLstCmBox(ini_, &list).isOk());
  EXPECT_THAT(list.items, ElementsAre(""));
  EXPECT_EQ(ini_.get("GR_UserSch", "CNT"), "1");
}

TEST_F(HistoryListTest, RemovingTheLastItemLeavesAnEmptyListInTheFile) {
  HistoryList list = load("UserSch");
  list.text = "scott";
  ASSERT_TRUE(SvLstCmBox(ini_, &list).isOk());
  list.text = "hr";
  ASSERT_TRUE(SvLstCmBox(ini_, &list).isOk());

  list.text = "HR";
  ASSERT_TRUE(removeHistoryItem(ini_, &list).isOk());
  EXPECT_THAT(list.items, ElementsAre("scott"));
  EXPECT_EQ(list.selected, 0);
  EXPECT_EQ(list.text, "scott");

  ASSERT_TRUE(removeHistoryItem(ini_, &list).isOk());
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(list.text, "");
  EXPECT_EQ(ini_.get("GR_UserSch", "CNT"), "0");
  EXPECT_EQ(ini_.get("GR_UserSch", "IND"), "-1");
  EXPECT_EQ(ini_.get("GR_UserSch", "100"), "");
}

}  // namespace
}  // namespace tarvex
