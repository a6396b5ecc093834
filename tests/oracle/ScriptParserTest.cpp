// The script parser, the INSERT split and literal values, TO_DATE, and the client character set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oracle/Charset.h"
#include "oracle/InsertStatement.h"
#include "oracle/ScriptParser.h"

namespace tarvex {
namespace {

using K = ScriptStatement::Kind;

struct Cut {
  K kind;
  std::string text;
  int line;
};

std::vector<Cut> cutAll(std::string_view text) {
  ScriptParser p(text);
  ScriptStatement st;
  std::vector<Cut> out;
  while (p.next(&st)) out.push_back({st.kind, st.text, st.line});
  return out;
}

struct ParserCase {
  const char* name;
  const char* text;
  std::vector<Cut> expected;
};

class ScriptParserCases : public testing::TestWithParam<ParserCase> {};

TEST_P(ScriptParserCases, CutsStatements) {
  const ParserCase& c = GetParam();
  std::vector<Cut> got = cutAll(c.text);
  ASSERT_EQ(got.size(), c.expected.size()) << c.name;
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].kind, c.expected[i].kind) << c.name << " #" << i;
    EXPECT_EQ(got[i].text, c.expected[i].text) << c.name << " #" << i;
    EXPECT_EQ(got[i].line, c.expected[i].line) << c.name << " #" << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptParserCases,
    testing::Values(
        ParserCase{"engine_insert_script",
                   "SET DEFINE OFF;\r\n"
                   "Insert into owner1.EMP\r\n   (NAME, BORN)\r\nValues\r\n"
                   "   ('SMITH', TO_DATE('19700101', 'YYYYMMDD'));\r\n"
                   "COMMIT;\r\n",
                   {{K::kSetDefineOff, "SET DEFINE OFF", 1},
                    {K::kInsert,
                     "Insert into owner1.EMP\r\n   (NAME, BORN)\r\nValues\r\n"
                     "   ('SMITH', TO_DATE('19700101', 'YYYYMMDD'))",
                     2},
                    {K::kCommit, "COMMIT", 6}}},
        ParserCase{"semicolon_and_line_breaks_inside_quotes",
                   "insert into T (A) values ('a;b\r\nc''d');\ncommit;",
                   {{K::kInsert, "insert into T (A) values ('a;b\r\nc''d')", 1},
                    {K::kCommit, "commit", 3}}},
        ParserCase{"table_script_without_semicolon",
                   "CREATE TABLE owner1.EMP (\r\n        NAME VARCHAR2(20),\r\n"
                   "        SAL NUMBER)\r\n",
                   {{K::kCreateTable,
                     "CREATE TABLE owner1.EMP (\r\n        NAME VARCHAR2(20),\r\n"
                     "        SAL NUMBER)",
                     1}}},
        ParserCase{"truncate_without_semicolon", "TRUNCATE TABLE EMP",
                   {{K::kTruncate, "TRUNCATE TABLE EMP", 1}}},
        ParserCase{"master_script_lines",
                   "@\"/data/out/A.Sql\"\r\n@\"/data/out/B B.Sql\"\r\n@plain.sql\n",
                   {{K::kInclude, "/data/out/A.Sql", 1},
                    {K::kInclude, "/data/out/B B.Sql", 2},
                    {K::kInclude, "plain.sql", 3}}},
        ParserCase{"comments_and_slash_lines",
                   "-- a comment; not a statement\n/* block ; */\nselect 1 from dual\n/\n\n"
                   "update T set A = '--x' -- tail\n;\n",
                   {{K::kOther, "select 1 from dual", 3},
                    {K::kOther, "update T set A = '--x' -- tail", 6}}},
        ParserCase{"blank_text", "  \r\n\r\n  ", {}},
        ParserCase{"unterminated_quote_runs_to_the_end", "insert into T (A) values ('abc;\n",
                   {{K::kInsert, "insert into T (A) values ('abc;", 1}}}),
    [](const testing::TestParamInfo<ParserCase>& i) { return std::string(i.param.name); });

TEST(ClassifyStatement, ByFirstWordsInAnyCase) {
  const std::vector<std::pair<const char*, K>> cases = {
      {"Insert into T", K::kInsert},       {"commit", K::kCommit},
      {"ROLLBACK", K::kRollback},          {"set define off", K::kSetDefineOff},
      {"create  table x (a number)", K::kCreateTable},
      {"create index i on t(a)", K::kOther}, {"Truncate Table t", K::kTruncate},
      {"truncate cluster c", K::kOther},  {"select 1", K::kOther},
  };
  for (const auto& [text, kind] : cases) EXPECT_EQ(classifyStatement(text), kind) << text;
}

TEST(SplitInsert, TakesTheEngineLayoutApart) {
  InsertParts p;
  const std::string text =
      "Insert into owner1.EMP\r\n   (NAME, BORN,\r\n    SAL)\r\nValues\r\n   ('a,(b)', 1)";
  ASSERT_TRUE(splitInsert(text, &p));
  EXPECT_EQ(p.head, "Insert into owner1.EMP\r\n   (NAME, BORN,\r\n    SAL)\r\nValues");
  EXPECT_EQ(p.target, "owner1.EMP");
  EXPECT_EQ(p.columns, "NAME, BORN,\r\n    SAL");
  EXPECT_EQ(p.values, "'a,(b)', 1");
  EXPECT_EQ(splitColumns(p.columns), (std::vector<std::string>{"NAME", "BORN", "SAL"}));
}

TEST(SplitInsert, RefusesOtherForms) {
  InsertParts p;
  for (const char* t : {"Insert into T values (1)", "Insert T (A) values (1)",
                        "Insert into T (A) select 1 from dual", "Insert into T (A) values (1) x",
                        "Insert into T (A) values ('x)"}) {
    EXPECT_FALSE(splitInsert(t, &p)) << t;
  }
}

TEST(ParseValues, LiteralsOfTheEngine) {
  std::vector<SqlValue> v;
  std::string scratch;
  SessionError err;
  ASSERT_EQ(parseValues("'O''Neil', TO_DATE('19700131', 'YYYYMMDD'), 12.50, -3, NULL, '',\r\n"
                        "    'line\r\nbreak', 1E3",
                        &v, &scratch, &err),
            ValuesResult::kOk);
  ASSERT_EQ(v.size(), 8u);
  EXPECT_EQ(v[0].kind, SqlValue::Kind::kText);
  EXPECT_EQ(v[0].text, "O'Neil");
  EXPECT_EQ(v[1].kind, SqlValue::Kind::kDate);
  EXPECT_EQ(v[1].text, "1970-01-31");
  EXPECT_EQ(v[2].kind, SqlValue::Kind::kNumber);
  EXPECT_EQ(v[2].text, "12.50");
  EXPECT_EQ(v[3].text, "-3");
  EXPECT_EQ(v[4].kind, SqlValue::Kind::kNull);
  EXPECT_EQ(v[5].kind, SqlValue::Kind::kNull);  // '' is NULL, as in Oracle
  EXPECT_EQ(v[6].text, "line\r\nbreak");
  EXPECT_EQ(v[7].text, "1E3");
}

TEST(ParseValues, ExpressionsGoTheGeneralWay) {
  std::vector<SqlValue> v;
  std::string scratch;
  SessionError err;
  for (const char* t : {"1 + 2", "upper('x')", "SYSDATE", "'a' || 'b'", "TO_DATE('1970')", ""}) {
    EXPECT_EQ(parseValues(t, &v, &scratch, &err), ValuesResult::kNotLiteral) << t;
  }
}

TEST(ParseValues, ADateThatDoesNotExistIsAnErrorOfTheStatement) {
  std::vector<SqlValue> v;
  std::string scratch;
  SessionError err;
  EXPECT_EQ(parseValues("'x', TO_DATE('20230229', 'YYYYMMDD')", &v, &scratch, &err),
            ValuesResult::kError);
  EXPECT_EQ(err.code, kErrInvalidDate);
  EXPECT_EQ(err.message, "ORA-01839: date not valid for month specified");
}

TEST(OraToDate, FormatsAndErrors) {
  struct Case {
    const char* value;
    const char* format;
    const char* iso;  // nullptr: no date
    int code;
  };
  const Case cases[] = {
      {"19700101", "YYYYMMDD", "1970-01-01", 0},
      {"20240229", "YYYYMMDD", "2024-02-29", 0},
      {"31.12.1999", "DD.MM.YYYY", "1999-12-31", 0},
      {"1999-12-31 13:05:09", "YYYY-MM-DD HH24:MI:SS", "1999-12-31 13:05:09", 0},
      {"", "YYYYMMDD", nullptr, 0},  // empty: NULL
      {"20230229", "YYYYMMDD", nullptr, kErrInvalidDate},
      {"19701301", "YYYYMMDD", nullptr, 1843},
      {"19700132", "YYYYMMDD", nullptr, 1847},
      {"00000101", "YYYYMMDD", nullptr, 1841},
      {"1970AB01", "YYYYMMDD", nullptr, kErrDateFormat},
      {"19700101X", "YYYYMMDD", nullptr, kErrDateFormat},
  };
  for (const Case& c : cases) {
    SessionError err;
    std::optional<std::string> got = oraToDate(c.value, c.format, &err);
    if (c.iso != nullptr) {
      ASSERT_TRUE(got.has_value()) << c.value;
      EXPECT_EQ(*got, c.iso) << c.value;
    } else {
      EXPECT_FALSE(got.has_value()) << c.value;
    }
    EXPECT_EQ(err.code, c.code) << c.value;
  }
}

TEST(Charset, NlsLangNamesTheClientSet) {
  EXPECT_EQ(charsetOfNlsLang("RUSSIAN_RUSSIA.RU8PC866"), "RU8PC866");
  EXPECT_EQ(charsetOfNlsLang("AMERICAN_AMERICA.CL8MSWIN1251 "), "CL8MSWIN1251");
  EXPECT_EQ(charsetOfNlsLang(".AL32UTF8"), "AL32UTF8");
  EXPECT_EQ(charsetOfNlsLang(""), "");
  EXPECT_EQ(iconvNameOf("ru8pc866"), "CP866");
  EXPECT_EQ(iconvNameOf("WE8PC850"), "CP850");
  EXPECT_EQ(iconvNameOf("US8PC437"), "CP437");
  EXPECT_EQ(iconvNameOf("NOSUCHSET"), "");
}

TEST(Charset, ConvertsSingleByteSetsToUtf8) {
  struct Case {
    const char* set;
    std::string bytes;
    std::string utf8;
  };
  const Case cases[] = {
      {"RU8PC866", "\x8F\xE0\xA8\xA2\xA5\xE2", "Привет"},
      {"CL8MSWIN1251", "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},
      {"WE8MSWIN1252", "caf\xE9 \x80", "café €"},
      {"WE8PC850", "\x82t\x82", "été"},
      {"US8PC437", "\x9C", "£"},
      {"AL32UTF8", "d\xC3\xA9j\xC3\xA0", "déjà"},
  };
  for (const Case& c : cases) {
    TextConverter conv;
    ASSERT_TRUE(conv.open(c.set).isOk()) << c.set;
    std::string out;
    size_t bad = 0;
    ASSERT_TRUE(conv.convert(c.bytes, &out, &bad)) << c.set;
    EXPECT_EQ(out, c.utf8) << c.set;
  }
}

TEST(Charset, InvalidTextIsReportedAtItsByte) {
  struct Case {
    const char* set;
    std::string bytes;
    size_t bad;
  };
  const Case cases[] = {
      {"CL8MSWIN1251", "ab\x98z", 2},       // 0x98 has no character in Windows-1251
      {"AL32UTF8", "ok\xC3(", 2},           // a broken two-byte sequence
      {"AL32UTF8", "\xED\xA0\x80", 0},      // an encoded surrogate
      {"US7ASCII", "abc\xE9", 3},
  };
  for (const Case& c : cases) {
    TextConverter conv;
    ASSERT_TRUE(conv.open(c.set).isOk()) << c.set;
    std::string out;
    size_t bad = 99;
    EXPECT_FALSE(conv.convert(c.bytes, &out, &bad)) << c.set;
    EXPECT_EQ(bad, c.bad) << c.set;
  }
  TextConverter conv;
  Status s = conv.open("KLINGON8");
  EXPECT_FALSE(s.isOk());
  EXPECT_NE(s.message().find("KLINGON8"), std::string::npos);
}

TEST(Charset, AsciiAndUtf8Checks) {
  EXPECT_TRUE(isAscii("plain text of more than eight bytes"));
  EXPECT_FALSE(isAscii("plain text of more than eight bytes\x80"));
  EXPECT_FALSE(isAscii("\xC3\xA9"));
  EXPECT_EQ(invalidUtf8At("\xC3\xA9 ok"), std::string_view::npos);
  EXPECT_EQ(invalidUtf8At("ok \xC0\x80"), 3u);  // overlong
}

}  // namespace
}  // namespace tarvex
