// The loader's control and parameter files, the supplementary columns, the batch line and the
// loader's arguments.
#include "import/LoaderFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
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

Rec_Prj loaderProject() {
  Rec_Prj prj;
  prj.SQLLDENB = "Y";
  prj.LDR_OP = "APPEND";
  prj.BINDSIZE = 256000;
  prj.ROWS_N = 10000;
  prj.ERRTOALLOW = 50;
  prj.NRRECLOAD = -1;
  return prj;
}

Rec_Dbf dbfRow(const char* table) {
  Rec_Dbf dbf;
  dbf.TAB_NAME = table;
  return dbf;
}

std::string unusedUnscrambler(std::string_view scrambled) {
  ADD_FAILURE() << "the unscrambler was called for \"" << scrambled << '"';
  return "";
}

// ---------------------------------------------------------------- supplementary columns

TEST(SupplColumnsTest, LastPresentColumnAndTotalWidth) {
  struct Case {
    const char* what;
    void (*set)(Rec_Prj&);
    int last;
    int32_t width;
  };
  const Case cases[] = {
      {"none", [](Rec_Prj&) {}, 0, 0},
      {"record number and error code",
       [](Rec_Prj& p) {
         p.ADD_RECNO = "Y", p.LNG_RECNO = 10;
         p.ADD_ERRCOD = "Y", p.LNG_ERRCOD = 3;
       },
       4, 13},
      {"flag set but length 0",
       [](Rec_Prj& p) {
         p.ADD_DELETE = "Y", p.LNG_DELETE = 1;
         p.ADD_SPFLD2 = "Y", p.LNG_SPFLD2 = 0;
       },
       2, 1},
      {"length but flag not exactly Y",
       [](Rec_Prj& p) {
         p.ADD_PATH = "y", p.LNG_PATH = 40;
         p.ADD_SPFLD1 = "N", p.LNG_SPFLD1 = 12;
       },
       0, 0},
      {"path only", [](Rec_Prj& p) { p.ADD_PATH = "Y", p.LNG_PATH = 40; }, 3, 40},
      {"all six",
       [](Rec_Prj& p) {
         p.ADD_RECNO = p.ADD_DELETE = p.ADD_PATH = p.ADD_ERRCOD = p.ADD_SPFLD1 = p.ADD_SPFLD2 = "Y";
         p.LNG_RECNO = 8, p.LNG_DELETE = 1, p.LNG_PATH = 40, p.LNG_ERRCOD = 3;
         p.LNG_SPFLD1 = 12, p.LNG_SPFLD2 = 20;
       },
       6, 84},
  };
  for (const Case& c : cases) {
    Rec_Prj prj;
    c.set(prj);
    EXPECT_EQ(lastPresentSupplColumn(prj), c.last) << c.what;
    EXPECT_EQ(supplWidth(prj), c.width) << c.what;
  }
}

// ---------------------------------------------------------------- control file

TEST(ControlFileTest, FieldsOfEveryTypeWithoutSupplementaryColumns) {
  test::TempDir dir;
  Rec_Prj prj = loaderProject();
  const Rec_Fld fld = layout({{"NAME", 'C', 10, 0},
                              {"BORN", 'D', 8, 0},
                              {"SALARY", 'N', 10, 2},
                              {"QTY", 'N', 5, 0},
                              {"RATE", 'F', 6, 0},
                              {"OK", 'L', 1, 0}});
  ASSERT_TRUE(FormezLdDt(prj, dbfRow("EMP"), 1, fld, 0, dir.path(), dir.path(), "B").isOk());
  const std::string expected =
      "LOAD DATA\r\n"
      "INFILE '" +
      dir.path() +
      "B.Dbl'\r\n"
      "APPEND\r\n"
      "INTO TABLE EMP (\r\n"
      "NAME POSITION(1:10)  CHAR,\r\n"
      "BORN POSITION(11:18)  DATE \"YYYYMMDD\" NULLIF (BORN = BLANKS),\r\n"
      "SALARY POSITION(19:28)  DECIMAL EXTERNAL "
      "\"TO_NUMBER(:SALARY,'9999999999D999999999','NLS_NUMERIC_CHARACTERS=''. ''')\",\r\n"
      "QTY POSITION(29:33)  INTEGER EXTERNAL,\r\n"
      "RATE POSITION(34:39)  INTEGER EXTERNAL,\r\n"
      "OK POSITION(40:40)  CHAR)\r\n";
  EXPECT_EQ(test::readFile(dir.file("B.Ctl")), expected);
  EXPECT_EQ(prj.LngSupl, 0);
}

TEST(ControlFileTest, TypeClauseOfOneField) {
  struct Case {
    FieldSpec field;
    const char* line;
  };
  const Case cases[] = {
      {{"A", 'N', 5, 0}, "A POSITION(1:5)  INTEGER EXTERNAL)\r\n"},
      {{"A", 'F', 20, 0}, "A POSITION(1:20)  INTEGER EXTERNAL)\r\n"},
      {{"A", 'N', 3, -1}, "A POSITION(1:3)  INTEGER EXTERNAL)\r\n"},
      {{"A", 'N', 4, 1},
       "A POSITION(1:4)  DECIMAL EXTERNAL "
       "\"TO_NUMBER(:A,'9999D999','NLS_NUMERIC_CHARACTERS=''. ''')\")\r\n"},
      {{"A", 'F', 3, 2},
       "A POSITION(1:3)  DECIMAL EXTERNAL "
       "\"TO_NUMBER(:A,'999D99','NLS_NUMERIC_CHARACTERS=''. ''')\")\r\n"},
      {{"A", 'D', 8, 0}, "A POSITION(1:8)  DATE \"YYYYMMDD\" NULLIF (A = BLANKS))\r\n"},
      {{"A", 'M', 10, 0}, "A POSITION(1:10)  CHAR)\r\n"},
      {{"A", 'C', 254, 0}, "A POSITION(1:254)  CHAR)\r\n"},
  };
  const std::string head = "LOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nAPPEND\r\nINTO TABLE T (\r\n";
  for (const Case& c : cases) {
    EXPECT_EQ(controlFileText(loaderProject(), dbfRow("T"), 1, layout({c.field}), 0, "/gen/", "B"),
              head + c.line)
        << c.field.type << '(' << c.field.len << ',' << c.field.dec << ')';
  }
}

TEST(ControlFileTest, RecordNumberAndErrorCodeAfterFieldsEndingAt50) {
  test::TempDir dir;
  Rec_Prj prj = loaderProject();
  prj.ADD_RECNO = "Y", prj.NM_RECNO = "RECNO", prj.LNG_RECNO = 10;
  prj.ADD_ERRCOD = "Y", prj.NM_ERRCOD = "ERRCODE", prj.LNG_ERRCOD = 3;
  prj.ADD_DELETE = "Y", prj.NM_DELETE = "DELFLAG", prj.LNG_DELETE = 0;  // no length: absent
  prj.ADD_PATH = "N", prj.NM_PATH = "DBFPATH", prj.LNG_PATH = 40;       // not set: absent
  const Rec_Fld fld = layout({{"NAME", 'C', 30, 0}, {"CITY", 'C', 20, 0}});
  ASSERT_TRUE(FormezLdDt(prj, dbfRow("EMP"), 1, fld, lastPresentSupplColumn(prj), dir.path(),
                         dir.path(), "B")
                  .isOk());
  const std::string expected =
      "LOAD DATA\r\n"
      "INFILE '" +
      dir.path() +
      "B.Dbl'\r\n"
      "APPEND\r\n"
      "INTO TABLE EMP (\r\n"
      "NAME POSITION(1:30)  CHAR,\r\n"
      "CITY POSITION(31:50)  CHAR,\r\n"
      "RECNO POSITION(51:60)  INTEGER EXTERNAL,\r\n"
      "ERRCODE POSITION(61:63)  INTEGER EXTERNAL)\r\n";
  EXPECT_EQ(test::readFile(dir.file("B.Ctl")), expected);
  EXPECT_EQ(prj.LngSupl, 13);
}

TEST(ControlFileTest, AllSixSupplementaryColumnsInTheirOrder) {
  Rec_Prj prj = loaderProject();
  prj.ADD_RECNO = prj.ADD_DELETE = prj.ADD_PATH = prj.ADD_ERRCOD = prj.ADD_SPFLD1 = prj.ADD_SPFLD2 =
      "Y";
  prj.NM_RECNO = "RNO", prj.LNG_RECNO = 8;
  prj.NM_DELETE = "DELFLAG", prj.LNG_DELETE = 1;
  prj.NM_PATH = "DBFPATH", prj.LNG_PATH = 40;
  prj.NM_ERRCOD = "ERRCODE", prj.LNG_ERRCOD = 3;
  prj.NM_SPFLD1 = "EXTRA1", prj.LNG_SPFLD1 = 12;
  prj.NM_SPFLD2 = "EXTRA2", prj.LNG_SPFLD2 = 20;
  const std::string expected =
      "LOAD DATA\r\n"
      "INFILE '/gen/B.Dbl'\r\n"
      "APPEND\r\n"
      "INTO TABLE T (\r\n"
      "ID POSITION(1:5)  CHAR,\r\n"
      "RNO POSITION(6:13)  INTEGER EXTERNAL,\r\n"
      "DELFLAG POSITION(14:14) CHAR,\r\n"
      "DBFPATH POSITION(15:54) CHAR,\r\n"
      "ERRCODE POSITION(55:57)  INTEGER EXTERNAL,\r\n"
      "EXTRA1 POSITION(58:69) CHAR,\r\n"
      "EXTRA2 POSITION(70:89) CHAR)\r\n";
  EXPECT_EQ(controlFileText(prj, dbfRow("T"), 1, layout({{"ID", 'C', 5, 0}}), 6, "/gen/", "B"),
            expected);
}

TEST(ControlFileTest, LastPresentColumnClosesTheList) {
  struct Case {
    const char* what;
    void (*set)(Rec_Prj&);
    const char* tail;
  };
  const Case cases[] = {
      {"deletion flag only",
       [](Rec_Prj& p) { p.ADD_DELETE = "Y", p.NM_DELETE = "D", p.LNG_DELETE = 1; },
       "ID POSITION(1:5)  CHAR,\r\nD POSITION(6:6) CHAR)\r\n"},
      {"path only", [](Rec_Prj& p) { p.ADD_PATH = "Y", p.NM_PATH = "P", p.LNG_PATH = 30; },
       "ID POSITION(1:5)  CHAR,\r\nP POSITION(6:35) CHAR)\r\n"},
      {"field 1 only", [](Rec_Prj& p) { p.ADD_SPFLD1 = "Y", p.NM_SPFLD1 = "S1", p.LNG_SPFLD1 = 4; },
       "ID POSITION(1:5)  CHAR,\r\nS1 POSITION(6:9) CHAR)\r\n"},
      {"field 2 only", [](Rec_Prj& p) { p.ADD_SPFLD2 = "Y", p.NM_SPFLD2 = "S2", p.LNG_SPFLD2 = 4; },
       "ID POSITION(1:5)  CHAR,\r\nS2 POSITION(6:9) CHAR)\r\n"},
      {"record number only",
       [](Rec_Prj& p) { p.ADD_RECNO = "Y", p.NM_RECNO = "RECNO", p.LNG_RECNO = 10; },
       "ID POSITION(1:5)  CHAR,\r\nRECNO POSITION(6:15)  INTEGER EXTERNAL)\r\n"},
  };
  for (const Case& c : cases) {
    Rec_Prj prj = loaderProject();
    c.set(prj);
    EXPECT_EQ(
        controlFileText(prj, dbfRow("T"), 1, layout({{"ID", 'C', 5, 0}}),
                        lastPresentSupplColumn(prj), "/gen/", "B"),
        std::string("LOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nAPPEND\r\nINTO TABLE T (\r\n") + c.tail)
        << c.what;
  }
}

// ---------------------------------------------------------------- load modes, both files

TEST(LoaderFilesTest, LoadModesDirectPathAndOneTableMode) {
  struct Case {
    const char* what;
    const char* mode;
    const char* oneTable;
    const char* directPath;
    const char* unrecoverable;
    int n;
    const char* ctlHead;      // lines before INTO TABLE
    const char* parDirect;    // the first line(s) of the parameter file
    const char* parParallel;  // "parallel=true" line or nothing
  };
  const Case cases[] = {
      {"one table, TRUNCATE, first file", "TRUNCATE", "Y", "Y", "Y", 1,
       "LOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nTRUNCATE\r\n", "bindsize=256000\r\nrows=10000\r\n", ""},
      {"one table, TRUNCATE, second file", "TRUNCATE", "Y", "Y", "Y", 2,
       "LOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nAPPEND\r\n", "bindsize=256000\r\nrows=10000\r\n", ""},
      {"one table, TRUNCATE, fifth file", "TRUNCATE", "Y", "Y", "Y", 5,
       "LOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nAPPEND\r\n", "bindsize=256000\r\nrows=10000\r\n", ""},
      {"one table, APPEND", "APPEND", "Y", "Y", "Y", 3,
       "UNRECOVERABLE\r\nLOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nAPPEND\r\n", "DIRECT = TRUE\r\n",
       "parallel=true\r\n"},
      {"REPLACE, direct path", "REPLACE", "N", "Y", "N", 2,
       "LOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nREPLACE\r\n", "DIRECT = TRUE\r\n", ""},
      {"INSERT, unrecoverable without direct path", "INSERT", "N", "N", "Y", 1,
       "LOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nINSERT\r\n", "bindsize=256000\r\nrows=10000\r\n", ""},
      {"TRUNCATE, direct path, unrecoverable", "TRUNCATE", "N", "Y", "Y", 4,
       "UNRECOVERABLE\r\nLOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nTRUNCATE\r\n", "DIRECT = TRUE\r\n",
       ""},
      {"APPEND, conventional", "APPEND", "N", "N", "N", 1,
       "LOAD DATA\r\nINFILE '/gen/B.Dbl'\r\nAPPEND\r\n", "bindsize=256000\r\nrows=10000\r\n",
       "parallel=true\r\n"},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    const std::string gen = dir.file("gen/");
    const std::string logs = dir.file("logs/");
    std::filesystem::create_directory(gen);
    Rec_Prj prj = loaderProject();
    prj.LDR_OP = c.mode;
    prj.IND_1_TAB = c.oneTable;
    prj.USE_DPL = c.directPath;
    prj.USEUNREC = c.unrecoverable;
    ASSERT_TRUE(
        FormezLdDt(prj, dbfRow("T"), c.n, layout({{"ID", 'N', 4, 0}}), 0, gen, logs, "B").isOk())
        << c.what;

    // The folder is named in the file; the expected heads above write "/gen/" in its place.
    std::string ctl = c.ctlHead;
    const size_t at = ctl.find("/gen/");
    ASSERT_NE(at, std::string::npos);
    ctl.replace(at, 5, gen);
    ctl += "INTO TABLE T (\r\nID POSITION(1:4)  INTEGER EXTERNAL)\r\n";
    EXPECT_EQ(test::readFile(gen + "B.Ctl"), ctl) << c.what;

    const std::string par = std::string(c.parDirect) + "control='" + gen +
                            "B.Ctl'\r\n"
                            "Log='" +
                            logs +
                            "B.Log'\r\n"
                            "bad='" +
                            gen + "B.Bad'\r\n" + c.parParallel +
                            "multithreading=true\r\n"
                            "columnarrayrows=10000\r\n"
                            "streamsize=512000\r\n"
                            "errors=50\r\n";
    EXPECT_EQ(test::readFile(gen + "B.par"), par) << c.what;
  }
}

TEST(ParameterFileTest, LoadLineOnlyForWholeNumbersAboveZero) {
  struct Case {
    int32_t recordsToLoad;
    int32_t errors;
    const char* tail;
  };
  const Case cases[] = {
      {-1, 50, "errors=50\r\n"},  // all records
      {0, 50, "errors=50\r\n"},
      {-5, 0, "errors=0\r\n"},
      {250, 7, "errors=7\r\nLoad=250\r\n"},
      {1, 50, "errors=50\r\nLoad=1\r\n"},
  };
  for (const Case& c : cases) {
    Rec_Prj prj = loaderProject();
    prj.NRRECLOAD = c.recordsToLoad;
    prj.ERRTOALLOW = c.errors;
    const std::string expected = std::string(
                                     "bindsize=256000\r\nrows=10000\r\n"
                                     "control='/gen/B.Ctl'\r\n"
                                     "Log='/log/B.Log'\r\n"
                                     "bad='/gen/B.Bad'\r\n"
                                     "parallel=true\r\n"
                                     "multithreading=true\r\n"
                                     "columnarrayrows=10000\r\n"
                                     "streamsize=512000\r\n") +
                                 c.tail;
    EXPECT_EQ(parameterFileText(prj, "/gen/", "/log/", "B"), expected) << c.recordsToLoad;
  }
}

TEST(LoaderFilesTest, WithoutTheLoaderOnlyTheWidthIsSet) {
  test::TempDir dir;
  Rec_Prj prj = loaderProject();
  prj.SQLLDENB = "N";
  prj.LngSupl = 99;
  prj.ADD_RECNO = "Y", prj.NM_RECNO = "RECNO", prj.LNG_RECNO = 10;
  prj.ADD_SPFLD2 = "Y", prj.NM_SPFLD2 = "S2", prj.LNG_SPFLD2 = 7;
  ASSERT_TRUE(
      FormezLdDt(prj, dbfRow("T"), 1, layout({{"ID", 'C', 5, 0}}), 6, dir.path(), dir.path(), "B")
          .isOk());
  EXPECT_EQ(prj.LngSupl, 17);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(LoaderFilesTest, FilesAreWrittenAnew) {
  test::TempDir dir;
  test::writeFile(dir.file("B.Ctl"), std::string(5000, 'x'));
  test::writeFile(dir.file("B.par"), std::string(5000, 'y'));
  Rec_Prj prj = loaderProject();
  ASSERT_TRUE(
      FormezLdDt(prj, dbfRow("T"), 1, layout({{"ID", 'C', 5, 0}}), 0, dir.path(), dir.path(), "B")
          .isOk());
  EXPECT_EQ(test::readFile(dir.file("B.Ctl")),
            "LOAD DATA\r\nINFILE '" + dir.path() +
                "B.Dbl'\r\nAPPEND\r\nINTO TABLE T (\r\nID POSITION(1:5)  CHAR)\r\n");
  EXPECT_EQ(test::readFile(dir.file("B.par")),
            "bindsize=256000\r\nrows=10000\r\ncontrol='" + dir.path() + "B.Ctl'\r\nLog='" +
                dir.path() + "B.Log'\r\nbad='" + dir.path() +
                "B.Bad'\r\nparallel=true\r\nmultithreading=true\r\ncolumnarrayrows=10000\r\n"
                "streamsize=512000\r\nerrors=50\r\n");
}

TEST(LoaderFilesTest, WriteFailuresNameTheFile) {
  test::TempDir dir;
  test::writeFile(dir.file("plain"), "a regular file");
  const Rec_Fld fld = layout({{"ID", 'C', 5, 0}});
  struct Case {
    const char* what;
    std::string folder;
    std::string failingFile;
  };
  std::filesystem::create_directory(dir.file("parIsFolder"));
  std::filesystem::create_directory(dir.file("parIsFolder/B.par"));
  const Case cases[] = {
      {"missing folder", dir.file("missing/"), dir.file("missing/B.Ctl")},
      {"folder under a regular file", dir.file("plain/sub/"), dir.file("plain/sub/B.Ctl")},
      {"parameter file is a folder", dir.file("parIsFolder/"), dir.file("parIsFolder/B.par")},
  };
  for (const Case& c : cases) {
    Rec_Prj prj = loaderProject();
    prj.ADD_RECNO = "Y", prj.NM_RECNO = "RECNO", prj.LNG_RECNO = 10;
    const Status s = FormezLdDt(prj, dbfRow("T"), 1, fld, 1, c.folder, c.folder, "B");
    EXPECT_FALSE(s.isOk()) << c.what;
    EXPECT_NE(s.message().find(c.failingFile), std::string::npos) << c.what << ": " << s.message();
    EXPECT_EQ(prj.LngSupl, 10) << c.what;  // set before anything is written
  }
}

TEST(LoaderFilesTest, WriteFailureInAReadOnlyFolderNamesTheFile) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "permission bits do not stop root; the folder cases above cover the failure";
  }
  test::TempDir dir;
  const std::string folder = dir.file("ro/");
  std::filesystem::create_directory(folder);
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  Rec_Prj prj = loaderProject();
  const Status s =
      FormezLdDt(prj, dbfRow("T"), 1, layout({{"ID", 'C', 5, 0}}), 0, folder, folder, "B");
  EXPECT_FALSE(s.isOk());
  EXPECT_NE(s.message().find(folder + "B.Ctl"), std::string::npos) << s.message();
}

TEST(LoaderFilesTest, LayoutWithoutFieldsIsRefusedBeforeWriting) {
  test::TempDir dir;
  Rec_Prj prj = loaderProject();
  Rec_Fld fld;
  fld.clear();
  const Status s = FormezLdDt(prj, dbfRow("T"), 1, fld, 0, dir.path(), dir.path(), "B");
  EXPECT_EQ(s.kind(), Status::Kind::kInvalidArgument);
  EXPECT_NE(s.message().find(dir.file("B.Ctl")), std::string::npos) << s.message();
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// ---------------------------------------------------------------- command lines

TEST(BatchLineTest, LineForEachPasswordAndPath) {
  const Unscrambler prefixClear = [](std::string_view s) { return "clear-" + std::string(s); };
  struct Case {
    const char* what;
    const char* pthLdr;
    const char* own;
    const char* baza;
    const char* parola;
    const char* folder;
    const char* expected;
  };
  const Case cases[] = {
      {"password in clear", " /opt/ldr/tarvex-ldr ", "scott", "tarvex.db", "XYZ", "/gen/",
       "\"/opt/ldr/tarvex-ldr\" scott/clear-XYZ@tarvex.db   ParFile='/gen/B.par'\n"},
      {"special characters of the connection are quoted", "/opt/ldr", "scott",
       "postgresql://h:5432/db?sslmode=disable", "p w", "/gen/",
       "\"/opt/ldr\" 'scott/clear-p w@postgresql://h:5432/db?sslmode=disable'   "
       "ParFile='/gen/B.par'\n"},
      {"program path needing escapes", "/opt/my \"ldr\"/$x`\\", "u", "db", "pw", "/gen/",
       "\"/opt/my \\\"ldr\\\"/\\$x\\`\\\\\" u/clear-pw@db   ParFile='/gen/B.par'\n"},
      {"quote in the folder", "/opt/ldr", "u", "db", "pw", "/gen/it's/",
       "\"/opt/ldr\" u/clear-pw@db   ParFile='/gen/it'\\''s/B.par'\n"},
  };
  for (const Case& c : cases) {
    Rec_Prj prj;
    prj.PTHLDR = c.pthLdr;
    prj.OWN = c.own;
    prj.BAZA = c.baza;
    prj.PAROLA = c.parola;
    EXPECT_EQ(batchLine(prj, c.folder, "B", prefixClear), c.expected) << c.what;
  }
}

TEST(BatchLineTest, EmptyStoredPasswordLeavesThePasswordOut) {
  for (const char* parola : {"", "   "}) {
    Rec_Prj prj;
    prj.PTHLDR = "/opt/ldr";
    prj.OWN = "scott";
    prj.BAZA = "tarvex.db";
    prj.PAROLA = parola;
    EXPECT_EQ(loaderConnectText(prj, unusedUnscrambler), "scott@tarvex.db");
    EXPECT_EQ(batchLine(prj, "/gen/", "B", unusedUnscrambler),
              "\"/opt/ldr\" scott@tarvex.db   ParFile='/gen/B.par'\n");
  }
}

TEST(BatchLineTest, ShellPassesTheIntendedArguments) {
  test::TempDir dir;
  // A stand-in loader, in a folder whose name needs escaping, that writes its arguments.
  const std::string folder = dir.file("my \"ldr\" $HOME/");
  std::filesystem::create_directory(folder);
  const std::string program = folder + "ldr";
  const std::string out = dir.file("args.txt");
  test::writeFile(program,
                  "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + out + "'\n");
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);

  Rec_Prj prj;
  prj.PTHLDR = program;
  prj.OWN = "scott";
  prj.BAZA = "postgresql://h/db?x=1&y=2";
  prj.PAROLA = "scrambled";
  const Unscrambler toClear = [](std::string_view) { return std::string("p w$'x\"y"); };
  const std::string script = dir.file("run.Bat");
  test::writeFile(script, batchLine(prj, "/gen/it's/", "B", toClear));
  ASSERT_EQ(std::system(("/bin/sh '" + script + "'").c_str()), 0);
  EXPECT_EQ(test::readFile(out),
            "scott/p w$'x\"y@postgresql://h/db?x=1&y=2\n"
            "ParFile=/gen/it's/B.par\n");
}

TEST(LoaderArgumentsTest, ConnectStringAndParameterFile) {
  EXPECT_EQ(loaderArguments("sqlite:/opt/tx/tarvex.db", "/gen/", "_DATA_EMP"),
            "sqlite:/opt/tx/tarvex.db ParFile='/gen/_DATA_EMP.par'");
  EXPECT_EQ(loaderStartFailureText("2", "/opt/ldr", "/gen/", "_DATA_EMP"),
            "Err: 2  Execute:/opt/ldr  ParFile='/gen/_DATA_EMP.par'");
}

}  // namespace
}  // namespace tarvex
