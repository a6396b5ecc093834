// Column types, the table script and the INSERT head.
#include "import/TableScript.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "import/ColumnLayout.h"
#include "support/FieldLayout.h"
#include "support/TempDir.h"

namespace tarvex {
namespace {

using test::FieldSpec;
using test::layout;

Rec_Fld empLayout() {
  return layout({{"NAME", 'C', 20, 0}, {"BORN", 'D', 8, 0}, {"SALARY", 'N', 10, 2}});
}

Rec_Prj owner(const char* own) {
  Rec_Prj prj;
  prj.OWN = own;
  return prj;
}

Rec_Dbf dbfRow(const char* table) {
  Rec_Dbf dbf;
  dbf.TAB_NAME = table;
  return dbf;
}

// ---------------------------------------------------------------- column types

TEST(CrTOraTest, TypeTextAndSeparator) {
  struct Case {
    const char* type;
    int32_t length;
    int32_t decimals;
    const char* sep;
    const char* expected;
  };
  const Case cases[] = {
      {"D", 8, 0, ",", " DATE,"},          {"N", 10, 2, ")", " NUMBER)"},  // no precision or scale
      {"N", 5, 0, ",", " NUMBER,"},        {"F", 20, 0, "", " NUMBER"},
      {"C", 20, 0, ",", " VARCHAR2(20),"}, {"L", 1, 0, ")", " VARCHAR2(1))"},
      {"M", 10, 4, ",", " VARCHAR2(10),"},  // decimals never give a scale
      {"NX", 5, 0, ",", " NUMBER,"},        // only the first character counts
      {"DN", 5, 0, ",", " DATE,"},         {"", 5, 0, ",", " VARCHAR2(5),"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CrTOra(c.type, c.length, c.decimals, c.sep), c.expected)
        << '"' << c.type << "\" " << c.length << ',' << c.decimals;
  }
}

// ---------------------------------------------------------------- table script

// Column names stand in 26 characters after eight blanks:
//        |NAME                      | VARCHAR2(20),
TEST(TableScriptTest, FourLinesForThreeFieldsWithoutSupplementaryColumns) {
  test::TempDir dir;
  ASSERT_TRUE(CreareaTabOra(dir.path(), "_DATA_EMP", owner("owner1"), dbfRow("EMP"), empLayout(), 0)
                  .isOk());
  EXPECT_EQ(test::readFile(dir.file("_DATA_EMP.STB")),
            "CREATE TABLE owner1.EMP (\r\n"
            "        NAME                       VARCHAR2(20),\r\n"
            "        BORN                       DATE,\r\n"
            "        SALARY                     NUMBER)\r\n");
}

TEST(TableScriptTest, RecordNumberAsTheOnlySupplementaryColumn) {
  Rec_Prj prj = owner("owner1");
  prj.ADD_RECNO = "Y", prj.NM_RECNO = "RECNO", prj.LNG_RECNO = 10;
  prj.ADD_PATH = "Y", prj.NM_PATH = "DBFPATH", prj.LNG_PATH = 0;  // no length: absent
  EXPECT_EQ(tableScriptText(prj, dbfRow("EMP"), empLayout(), lastPresentSupplColumn(prj)),
            "CREATE TABLE owner1.EMP (\r\n"
            "        NAME                       VARCHAR2(20),\r\n"
            "        BORN                       DATE,\r\n"
            "        SALARY                     NUMBER,\r\n"
            "        RECNO                      NUMBER)\r\n");
}

TEST(TableScriptTest, AllSixSupplementaryColumnsWithNamesAsStored) {
  test::TempDir dir;
  Rec_Prj prj = owner("Scott");
  prj.ADD_RECNO = prj.ADD_DELETE = prj.ADD_PATH = prj.ADD_ERRCOD = prj.ADD_SPFLD1 = prj.ADD_SPFLD2 =
      "Y";
  prj.NM_RECNO = "rec_no", prj.LNG_RECNO = 8;
  prj.NM_DELETE = "DELFLAG", prj.LNG_DELETE = 1;
  prj.NM_PATH = "DBFPATH", prj.LNG_PATH = 40;
  prj.NM_ERRCOD = "ERRCODE", prj.LNG_ERRCOD = 3;
  prj.NM_SPFLD1 = "A_VERY_LONG_SUPPLEMENTARY_NAME", prj.LNG_SPFLD1 = 12;  // longer than 26
  prj.NM_SPFLD2 = "EXTRA2", prj.LNG_SPFLD2 = 20;
  ASSERT_TRUE(CreareaTabOra(dir.path(), "B", prj, dbfRow("emp"),
                            layout({{"ID", 'N', 6, 0}, {"OK", 'L', 1, 0}}), 6)
                  .isOk());
  EXPECT_EQ(test::readFile(dir.file("B.STB")),
            "CREATE TABLE Scott.emp (\r\n"
            "        ID                         NUMBER,\r\n"
            "        OK                         VARCHAR2(1),\r\n"
            "        rec_no                     NUMBER,\r\n"
            "        DELFLAG                    VARCHAR2(1),\r\n"
            "        DBFPATH                    VARCHAR2(40),\r\n"
            "        ERRCODE                    NUMBER,\r\n"
            "        A_VERY_LONG_SUPPLEMENTARY_NAME VARCHAR2(12),\r\n"
            "        EXTRA2                     VARCHAR2(20))\r\n");
}

TEST(TableScriptTest, LastPresentColumnClosesTheList) {
  struct Case {
    const char* what;
    void (*set)(Rec_Prj&);
    const char* tail;
  };
  const Case cases[] = {
      {"deletion flag and path",
       [](Rec_Prj& p) {
         p.ADD_DELETE = "Y", p.NM_DELETE = "D", p.LNG_DELETE = 1;
         p.ADD_PATH = "Y", p.NM_PATH = "P", p.LNG_PATH = 30;
       },
       "        ID                         NUMBER,\r\n"
       "        D                          VARCHAR2(1),\r\n"
       "        P                          VARCHAR2(30))\r\n"},
      {"error code and field 1",
       [](Rec_Prj& p) {
         p.ADD_ERRCOD = "Y", p.NM_ERRCOD = "E", p.LNG_ERRCOD = 3;
         p.ADD_SPFLD1 = "Y", p.NM_SPFLD1 = "S1", p.LNG_SPFLD1 = 4;
       },
       "        ID                         NUMBER,\r\n"
       "        E                          NUMBER,\r\n"
       "        S1                         VARCHAR2(4))\r\n"},
  };
  for (const Case& c : cases) {
    Rec_Prj prj = owner("o");
    c.set(prj);
    EXPECT_EQ(
        tableScriptText(prj, dbfRow("T"), layout({{"ID", 'N', 6, 0}}), lastPresentSupplColumn(prj)),
        std::string("CREATE TABLE o.T (\r\n") + c.tail)
        << c.what;
  }
}

TEST(TableScriptTest, ScriptIsWrittenAnew) {
  test::TempDir dir;
  test::writeFile(dir.file("B.STB"), std::string(4000, 'x'));
  ASSERT_TRUE(
      CreareaTabOra(dir.path(), "B", owner("o"), dbfRow("T"), layout({{"ID", 'C', 5, 0}}), 0)
          .isOk());
  EXPECT_EQ(test::readFile(dir.file("B.STB")),
            "CREATE TABLE o.T (\r\n"
            "        ID                         VARCHAR2(5))\r\n");
}

TEST(TableScriptTest, WriteFailuresNameTheFile) {
  test::TempDir dir;
  test::writeFile(dir.file("plain"), "a regular file");
  std::filesystem::create_directory(dir.file("stbIsFolder"));
  std::filesystem::create_directory(dir.file("stbIsFolder/B.STB"));
  struct Case {
    const char* what;
    std::string folder;
  };
  const Case cases[] = {
      {"missing folder", dir.file("missing/")},
      {"folder under a regular file", dir.file("plain/sub/")},
      {"script name taken by a folder", dir.file("stbIsFolder/")},
  };
  for (const Case& c : cases) {
    const Status s = CreareaTabOra(c.folder, "B", owner("o"), dbfRow("T"), empLayout(), 0);
    EXPECT_FALSE(s.isOk()) << c.what;
    EXPECT_NE(s.message().find(c.folder + "B.STB"), std::string::npos)
        << c.what << ": " << s.message();
  }
}

TEST(TableScriptTest, LayoutWithoutFieldsIsRefusedBeforeWriting) {
  test::TempDir dir;
  Rec_Fld fld;
  fld.clear();
  const Status s = CreareaTabOra(dir.path(), "B", owner("o"), dbfRow("T"), fld, 0);
  EXPECT_EQ(s.kind(), Status::Kind::kInvalidArgument);
  EXPECT_NE(s.message().find(dir.file("B.STB")), std::string::npos) << s.message();
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// ---------------------------------------------------------------- INSERT head

TEST(FrmzRnSqlTest, AddsOrWrapsOneName) {
  struct Case {
    const char* line;
    int position;
    int32_t width;
    const char* name;
    const char* header;  // what the header "H" becomes
    const char* newLine;
  };
  const Case cases[] = {
      {"", 1, 10, "ABC", "H", "ABC"},                  // first name starts the line
      {"ABC", 2, 10, "DEF", "H", "ABC, DEF"},          // later names after ", "
      {"ABCDEF", 2, 10, "WXYZ", "H", "ABCDEF, WXYZ"},  // 6 + 4 = 10: fits, ", " not counted
      {"ABCDEFGH", 2, 10, "XYZ", "HABCDEFGH,\r\n", "    XYZ"},  // 8 + 3 > 10: wrapped
      {"", 1, 3, "NAME", "H,\r\n", "    NAME"},                 // a name wider than the width
      {"OLD", 1, 10, "NEW", "H", "NEW"},                        // position 1 starts the line afresh
  };
  for (const Case& c : cases) {
    std::string header = "H";
    std::string line = c.line;
    FrmzRnSql(header, line, c.position, c.width, c.name);
    EXPECT_EQ(header, c.header) << '"' << c.line << "\" + " << c.name;
    EXPECT_EQ(line, c.newLine) << '"' << c.line << "\" + " << c.name;
  }
}

TEST(InsertHeadTest, NamesWrappedAtTheLineWidth) {
  struct Case {
    int32_t width;
    bool recordNumberAndErrorCode;
    const char* expected;
  };
  const Case cases[] = {
      {120, false, "Insert into owner1.EMP\r\n   (NAME, BORN, SALARY)\r\nValues\r\n   ("},
      {120, true,
       "Insert into owner1.EMP\r\n   (NAME, BORN, SALARY, RECNO, ERRCODE)\r\nValues\r\n   ("},
      {10, false, "Insert into owner1.EMP\r\n   (NAME, BORN,\r\n    SALARY)\r\nValues\r\n   ("},
      {8, false, "Insert into owner1.EMP\r\n   (NAME, BORN,\r\n    SALARY)\r\nValues\r\n   ("},
      // Narrower than the first name: a line holding only "," and then one name per line.
      {3, false,
       "Insert into owner1.EMP\r\n   (,\r\n    NAME,\r\n    BORN,\r\n    SALARY)\r\nValues\r\n"
       "   ("},
      {3, true,
       "Insert into owner1.EMP\r\n   (,\r\n    NAME,\r\n    BORN,\r\n    SALARY,\r\n    RECNO,\r\n"
       "    ERRCODE)\r\nValues\r\n   ("},
  };
  for (const Case& c : cases) {
    Rec_Prj prj = owner("owner1");
    prj.LngRndSql = c.width;
    prj.InsHdr = "left from the file before";
    if (c.recordNumberAndErrorCode) {
      prj.ADD_RECNO = "Y", prj.NM_RECNO = "RECNO", prj.LNG_RECNO = 10;
      prj.ADD_ERRCOD = "Y", prj.NM_ERRCOD = "ERRCODE", prj.LNG_ERRCOD = 3;
    }
    prj.ADD_DELETE = "N", prj.NM_DELETE = "DELFLAG", prj.LNG_DELETE = 1;  // not set: absent
    CreareaInsHdr(prj, dbfRow("EMP"), empLayout());
    EXPECT_EQ(prj.InsHdr, c.expected) << "width " << c.width;
  }
}

TEST(InsertHeadTest, OwnerAsStored) {
  Rec_Prj prj = owner("scott");
  CreareaInsHdr(prj, dbfRow("T"), layout({{"ID", 'N', 6, 0}}));
  EXPECT_EQ(prj.InsHdr, "Insert into scott.T\r\n   (ID)\r\nValues\r\n   (");
}

}  // namespace
}  // namespace tarvex
