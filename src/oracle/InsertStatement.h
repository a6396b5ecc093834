// The INSERT statements of the system's scripts taken apart, so that a backend prepares the
// statement head once and binds the values of every row:
//
//   Insert into owner1.EMP
//      (NAME, BORN, SAL)
//   Values
//      ('O''Neil', TO_DATE('19700101', 'YYYYMMDD'), 12.50);
//
// The head ("Insert into owner1.EMP\r\n   (NAME, BORN, SAL)\r\nValues") is the same text for
// every row of a file and serves as the key of a prepared statement. The values are literals:
// NULL, quoted texts ('' for a quote, line breaks kept), numbers, TO_DATE(text, format).
// Anything else is left to the backend's general path.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/Session.h"

namespace tarvex {

struct InsertParts {
  std::string_view head;     // up to and with the keyword VALUES
  std::string_view target;   // the table name as written ("owner1.EMP")
  std::string_view columns;  // inside the column list's parentheses
  std::string_view values;   // inside the values' parentheses
};

// Takes "INSERT INTO name (columns) VALUES (values)" apart (any letter case, any blanks and line
// breaks between the parts). False when the text is not of that form.
bool splitInsert(std::string_view text, InsertParts* out);

// The names of a column list ("A, b ,C" -> A, b, C); empty when a name is not a plain word.
std::vector<std::string> splitColumns(std::string_view columns);

// One literal value, as a backend binds it.
struct SqlValue {
  enum class Kind { kNull, kText, kNumber, kDate };
  Kind kind = Kind::kNull;
  std::string_view text;  // kText: quotes undone; kNumber: the literal; kDate: ISO date text
};

enum class ValuesResult {
  kOk,
  kNotLiteral,  // a value the fast path does not take (an expression): use the general path
  kError,       // a value that is an error of the statement (a date that does not exist): *err
};

// Parses the text inside the values' parentheses. The views of *out point into values or into
// *scratch (reused; its old content is dropped). As Oracle does, an empty quoted text '' is NULL.
ValuesResult parseValues(std::string_view values, std::vector<SqlValue>* out,
                         std::string* scratch, SessionError* err);

// TO_DATE(value, format) as ISO text: "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" when the format
// gives a time that is not midnight. Format elements: YYYY, RRRR, MM, DD, HH24, HH, MI, SS; any
// other character of the format must stand in the value as it is. An empty value gives nullopt
// with err->code 0 (NULL). Errors: kErrDateFormat (the value does not match the format),
// kErrInvalidDate (no such day), 1843 (month not 1..12), 1847 (day not 1..31), 1841 (year 0).
std::optional<std::string> oraToDate(std::string_view value, std::string_view format,
                                     SessionError* err);

}  // namespace tarvex
