// Cuts the SQL text of a script into statements, the way the system's scripts are written:
//
//  - a statement ends at a ";" outside quotes, at a line holding only "/", or at the end of the
//    text (a table script's CREATE TABLE has no ";");
//  - quoted texts ('...' with '' for a quote, "..." for names) may hold ";" and line breaks;
//  - a line starting with "@" (a master script's @"path") is a statement by itself: run the
//    named script; the path may be in double quotes;
//  - a line starting with SET (SET DEFINE OFF;) is a client command ending at its line;
//  - "--" starts a comment up to the end of its line, "/* */" a comment anywhere; lines of only
//    comments and blanks give no statement.
//
// Each statement carries the line of its first character (1-based) and its kind.
#pragma once

#include <string_view>

#include "oracle/Session.h"

namespace tarvex {

class ScriptParser {
 public:
  explicit ScriptParser(std::string_view text) : text_(text) {}

  // The next statement into *out (its text reuses out's buffer); false at the end of the text.
  bool next(ScriptStatement* out);

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
};

// The kind of a statement from its first words (any letter case).
ScriptStatement::Kind classifyStatement(std::string_view text);

}  // namespace tarvex
