// The field rules of a conversion run: for every field value, by the field's type letter, a
// rule decides the value written to the load file, the error code (a number chosen by the user
// in the settings file; 0 = none) and whether an error line is logged, and describes that line
// in a CheckResult for the log-line builder. Pure functions: no I/O.
//
// Common contract of the rules:
//   - value is the field's bytes as read from the record (FldLen of them); it is only read
//     and must not refer to out's characters.
//   - out receives the value to write. It is a buffer the caller reuses from field to field:
//     a rule assigns into it and allocates only when its capacity is too small.
//   - res is reset by the rule and then filled; it too is meant to be reused (its strings
//     keep their capacity).
//   - The return value is res.report.
#pragma once

#include <string>
#include <string_view>

#include "common/CivilDate.h"
#include "engine/EngineOptions.h"

namespace tarvex {

// What a rule found, for the record's error bookkeeping and for the error line.
struct CheckResult {
  int code = 0;           // error code of the value (0 = none); the record keeps its highest
  bool report = false;    // an error line is to be logged (the run still caps the lines)
  std::string_view tmpl;  // [Other] key of the detail template: "31".."38", "83", "84"; "27"
                          // from checkFirstByte; empty when the rule has nothing to say
  int markPos = 0;        // 1-based position in the value of the marked (bad or repaired) part
  int markLen = 0;  // its length, 0 = nothing marked; may reach past the value's end (clip it)

  // Numeric rule only.
  int numClass = 0;               // ChkNum classification (after the type "F" adjustment)
  bool numShowFormatted = false;  // append [Other] "N-N4", "<#1#>" = formatted (InfFmtNum)
  bool numShowPlain = false;      // append [Other] "N-N2" (ChkDcErr without InfFmtNum)
  std::string formatted;          // with numShowFormatted: the value as FmtNum writes it

  // Date range rule only ("34".."37" lines).
  bool newValueIsDate = false;  // show the new value as newDate in the display date format
  CivilDate newDate;            // the bound that replaced the value

  // Back to "nothing found", keeping the capacity of formatted.
  void reset();
};

// ChkDateTxt: -1 when the value is empty or only spaces; 0 when it is digits only; else the
// 1-based position of the first character that spoils it (the first non-space when it starts
// with spaces).
int ChkDateTxt(std::string_view value);

// ChkDate: the rule for type "D" (YYYYMMDD). A value that is not 8 bytes long is examined cut
// or padded with spaces to 8; out is then 8 bytes (or the FrmDatIncl text for a blank date,
// whatever its length), and the run fits it back to the field's length.
//   - digits that form no date: code ErInDate (reported with ChkDtErr); year < 1 -> 1, month
//     clamped to 1..12, day to 1..month length; the part repaired last is marked.
//   - blank: out = 8 spaces when FrmDatIncl is "NULL" in any case, else FrmDatIncl; with
//     ChkDtNull code ErCdDtNull, reported, template "31" (blank out) or "32".
//   - non-digits: code ErInDate (reported with ChkDtErr); each part repaired on its own.
//   - a valid date: with ChkDtLess before DateLess -> DateLess (code DtIsLess), then with
//     ChkDtMore after DateMore -> DateMore (code DtIsMore); templates "34"/"36" with
//     IndRezInHex, else "35"/"37".
bool ChkDate(std::string_view value, const EngineOptions& opts, std::string& out, CheckResult& res);

// The rule for types "N" and "F" (type is 'N' or 'F'; len and dec are FldLen and FldDec):
//   1. c = ChkNum(value, dec); for "F", -33, -44 and -66 count as 0.
//   2. When c != 0 the repair-and-report step (RepNum) runs if InfFmtNum is set, else unless
//      c = -1 without ChkNmErr2 or c is -22, -24, -33, -44 without ChkDcErr.
//   3. RepNum: -1 -> zero ("0" or "0.00..") with code ErInNum2 reported under ChkNmErr2,
//      template "83"; -22 -> template "38", reported (without code) when dec > 0 and FmtNum
//      finds a problem; -24, -26, -33, -44, -66 -> when FmtNum finds a problem and InfFmtNum or
//      ChkDcErr is set: code ErInNum, reported, template "84", else template "38"; -55 and
//      k > 0 -> FixNum, code ErInNum, reported, template "83" marking the first "." or the
//      character at k.
//   4. With InfFmtNum the output is laid out by FmtNum.
//   5. With blankNumberAsZero (IFNISBLANK "N") a blank output becomes "0" right-aligned.
bool checkNumber(std::string_view value, char type, int len, int dec, bool blankNumberAsZero,
                 const EngineOptions& opts, std::string& out, CheckResult& res);

// ChkChar: the rule for type "C". With ChkChrEr and a 0 byte: every byte translated by Table1,
// code ErInChar, mark on the first 0 byte. Then with ChkChrEr2 and a byte below 32 in that
// output: translated by Table2; when the 0-byte check did not apply, code ErInChar2 and mark
// on that byte. Template "33" whenever a code is set.
bool ChkChar(std::string_view value, const EngineOptions& opts, std::string& out, CheckResult& res);

// The rule for type "L". With ChkLgcEr, a value holding a byte outside " ?FNTY" (upper case
// only) is replaced by DfLogicFld (0 true, 1 false, 2 "?", 3 or more " "), code ErInLgc,
// template "33", mark on the first character; the replacement fills the first byte and the
// rest of the field is spaces. Then, always, by TrLogicFld: 0 turns "Y"/"N" into "T"/"F", 1
// turns "T"/"F" into "Y"/"N", 2 keeps the bytes.
bool checkLogical(std::string_view value, const EngineOptions& opts, std::string& out,
                  CheckResult& res);

// The record's first byte (deletion flag) under ChkFrstEr. Returns the effective first byte:
// the byte itself, or for a byte other than " " and "*" (an error only when ChkFrstEr is
// set) " " with IndDelInSp and "*" without. Such an error has no code; res.report is set and
// res.tmpl is "27" (the line is [Other] "7" + "27" instead of the record header).
char checkFirstByte(char first, const EngineOptions& opts, CheckResult& res);

}  // namespace tarvex
