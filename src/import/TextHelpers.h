// Small text, path and time helpers of the import run: folder paths, the name normaliser that
// turns a DBF file's full path into the base name of every file generated for it, log
// placeholders, header shortening and centring, elapsed-time texts, and month ends.
//
// All functions are pure except FrmTmLg, which reads its word templates from the settings file.
// Paths use "/". Letter case rules are ASCII only.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/TimeText.h"
#include "common/CivilDate.h"

namespace tarvex {

class IniFile;

// The path trimmed and ended with "/"; an empty (or all-blank) path gives "/".
std::string AddSlsh(std::string_view path);

// The path trimmed; an absolute path (leading "/") is returned as it is, an empty or relative
// one is put under baseFolder: baseFolder without one trailing "/", then "/", then the path
// (so "" gives the base folder ending in "/"). An empty baseFolder leaves the path trimmed.
std::string AddPth(std::string_view path, std::string_view baseFolder);

// The file and table name normaliser:
//  1. a final ".DBF" in any letter case is removed;
//  2. for each position i of from, every from[i] is replaced by to[i], or removed when to is
//     shorter than i+1 (positions are applied one after another, so a character put in by an
//     earlier position can be replaced by a later one);
//  3. when dup is longer than one character, every occurrence of dup is replaced by dup's first
//     character until none is left ("__" shrinks every run of "_" to one);
//  4. one final "_" is removed.
std::string ReplStrS(std::string_view text, std::string_view from, std::string_view to,
                     std::string_view dup);

// The template with every "<#n#>" (n in decimal) replaced by value. The value is not scanned
// again, so a value holding "<#n#>" stays as it is; "<#1#>" does not match "<#10#>".
std::string Repl_Prm(std::string_view tmpl, std::string_view value, int n);

// Shortens a decorated header line to width w: when the text without its colour markup ("^>",
// "<^A>", "<^G>", "<^R>", "<^M>") is longer than w and what stands after position w is only
// "*" and blanks (or only ">"), the run ">**********^>" is cut to ">^>" (or "^>"). Otherwise the
// trimmed text.
std::string PartS(std::string_view text, int w);

// The trimmed text centred in width: (width - length) / 2 blanks in front, the rest after. A
// text as long as the width or longer is returned trimmed and uncut.
std::string FrmLenT(std::string_view text, int width);


// Elapsed time from start to now as "H:MM:SS" (hours not wrapped at 24, whole seconds cut
// down). "0:00:00" when both fall in the same second of the clock, and when now is before start.
std::string FrmTmS(WallClock::time_point start, WallClock::time_point now);

// Elapsed time in words from a text "H:MM:SS" or "HH:MM:SS" (more hour digits are taken too):
// the template [File Header] "37" when the hours are not zero, else "38", with <#1#> the hours
// and <#2#> the minutes without a leading zero, <#3#> the seconds with their two digits. A text
// that is not of that form is returned unchanged.
std::string FrmTmLg(std::string_view time, const IniFile& ini);

// a when a is not 0, else b.
int64_t NVL0(int64_t a, int64_t b);

// The last day of the date's month.
CivilDate UltDtInLuna(const CivilDate& d);
// The day number of UltDtInLuna(d): 28 to 31.
int UltZiInLuna(const CivilDate& d);

// The base name of a DBF file: its full path (the folder made absolute with AddPth against the
// program folder and ended with AddSlsh, then the file name) upper-cased, put through ReplStrS
// with rndSmbC -> rndSmbS and "__", and with every ".DBF" still in it removed. With the shipped
// character lists the folder's "/" and the name's "." become "_", so the base name is a plain
// file name and two files of one name in different folders get different base names.
std::string dbfBaseName(std::string_view folder, std::string_view dbfName,
                        std::string_view programFolder, std::string_view rndSmbC,
                        std::string_view rndSmbS);

// The base name of a project (for the batch file and the master script of a run): ReplStrS of
// the project name as it is (no upper-casing) with rndSmbC -> rndSmbS and "__", trimmed.
std::string projectBaseName(std::string_view subsist, std::string_view rndSmbC,
                            std::string_view rndSmbS);

}  // namespace tarvex
