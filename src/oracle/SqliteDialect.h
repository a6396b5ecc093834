// The Oracle-flavoured SQL of the system carried out on SQLite: the rewrites of the statements
// SQLite does not take as they are, and SQLite's errors as Oracle error codes.
//
//  - CREATE TABLE owner.T (NAME VARCHAR2(20), BORN DATE, SAL NUMBER): the schema "owner" is the
//    database file attached under the user's name. The declared types stay (VARCHAR2 has text
//    affinity, NUMBER and DATE numeric affinity); every column gets a named CHECK so that a
//    value that does not fit is an error of the statement, as in Oracle:
//      VARCHAR2(n), VARCHAR(n), CHAR(n), NVARCHAR2(n) -> length(col) <= n (characters)
//      NUMBER, NUMBER(p[,s]), INTEGER, FLOAT          -> the value is a number or NULL
//      DATE                                           -> ISO text "YYYY-MM-DD[ HH:MM:SS]"
//  - TRUNCATE TABLE T -> DELETE FROM T.
//  - the dictionary views sys.ALL_ALL_TABLES, sys.ALL_TABLES, sys.USER_TABLES, sys.DBA_TABLES
//    -> temporary views over the attached schema's sqlite_master with upper-cased OWNER and
//    TABLE_NAME.
// SQLite matches table, column and schema names without regard to ASCII letter case, as Oracle
// does for unquoted names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "oracle/Session.h"

namespace tarvex {

// The CREATE TABLE text with the column checks added; nullopt when the text is not a
// CREATE TABLE with a column list (it is then passed on unchanged).
std::optional<std::string> sqliteCreateTable(std::string_view oracleText);

// "TRUNCATE TABLE T" as "DELETE FROM T"; nullopt when the text is not of that form.
std::optional<std::string> sqliteTruncate(std::string_view oracleText);

// The text with "sys." (any case) before a dictionary view replaced by "temp.".
std::string sqliteDictionary(std::string_view sql);

// The statements that create the dictionary views for the schema attached as `schema`.
std::string sqliteDictionaryViews(std::string_view schema);

// A SQLite error (extended result code and message) as an Oracle error. A message that starts
// with "ORA-" (raised by the system's own SQL functions) keeps its code.
SessionError sqliteError(int extendedCode, std::string_view message);

}  // namespace tarvex
