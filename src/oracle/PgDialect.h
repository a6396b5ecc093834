// The Oracle-flavoured SQL of the system carried out on PostgreSQL: the rewrites of the text that
// PostgreSQL does not take as it is.
//
//  - Column types: VARCHAR2(n) and NVARCHAR2(n) -> VARCHAR(n) (n characters; a longer text is
//    an error of the statement, 22001 -> ORA-12899), NUMBER[(p[,s])] -> NUMERIC[(p[,s])]; DATE
//    stays DATE.
//  - TO_DATE('value', 'format') with two quoted literals -> DATE 'YYYY-MM-DD' (or TIMESTAMP
//    'YYYY-MM-DD HH:MM:SS' when the format gives a time), checked as Oracle checks it
//    (oraToDate, InsertStatement.h): a day that does not exist is an error before anything is
//    sent, where PostgreSQL's own to_date would accept "2023023" or year 0. Other TO_DATE calls
//    are left to PostgreSQL's to_date.
//  - The dictionary views sys.ALL_ALL_TABLES, sys.ALL_TABLES, sys.DBA_TABLES and sys.USER_TABLES
//    -> temporary views of the connection (pgDictionaryViews) with upper-cased OWNER and
//    TABLE_NAME, so that the existence query's upper-cased values match the names PostgreSQL
//    keeps in lower case.
//  - Named parameters :name -> $1, $2, ... in order of first appearance (a name used twice gets
//    one number; names match without regard to letter case).
// Quoted texts, quoted names and comments are never changed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/Session.h"

namespace tarvex {

struct PgText {
  std::string sql;                  // the text for PostgreSQL
  std::vector<std::string> params;  // parameter names: params[i] is $(i+1), without ":"
};

// The text rewritten as above. Returns the error of a TO_DATE literal that Oracle refuses.
std::optional<SessionError> pgRewrite(std::string_view oracleText, PgText* out);

// The owner named in "CREATE TABLE owner.T ..." ("owner" as written), or nullopt when the table
// name has no owner or the text is not a CREATE TABLE.
std::optional<std::string> pgCreateTableOwner(std::string_view oracleText);

// The statements (one text, for a simple query) that create the dictionary views as temporary
// views of the connection.
std::string_view pgDictionaryViews();

// Whether a statement changes rows inside a transaction (INSERT, UPDATE, DELETE, MERGE, SELECT,
// WITH, LOCK) rather than being a definition, which Oracle commits around.
bool pgIsDml(std::string_view text);

// A user name as PostgreSQL knows the role: folded to lower case unless written in double quotes
// (the quotes are then removed), as PostgreSQL folds unquoted names; Oracle matches user names
// without regard to letter case.
std::string pgRoleName(std::string_view user);

}  // namespace tarvex
