// The Oracle-flavoured SQL of the system carried out on SQLite: the rewrites of the statements
// SQLite does not take as they are, and SQLite's errors as Oracle error codes.
//
//  - CREATE TABLE owner.T (NAME VARCHAR2(20), BORN DATE, SAL NUMBER) runs as written: the schema
//    "owner" is the database file attached under the user's name, and the declared types stay
//    (VARCHAR2 has text affinity, NUMBER and DATE numeric affinity). The session checks every
//    value of an INSERT against its column's declared type as it binds it (SqliteSession.h).
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
