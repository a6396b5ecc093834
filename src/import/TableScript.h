// The target table of a DBF file: the table script (".STB") that creates it from the field layout
// and the project's supplementary columns, and the head that the engine puts in front of every
// INSERT statement of the INSERT script.
//
// Names are used as stored (a user name in lower case stays lower case); nothing is quoted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Status.h"
#include "engine/DbfLayout.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

inline constexpr std::string_view kTableScriptExt = ".STB";

// The column type text for a type letter (only its first character counts) and a length,
// followed by sep: " DATE" for "D", " NUMBER" for "N" and "F" (no precision or scale, so the
// decimals are not used), else " VARCHAR2(" + length + ")".
std::string CrTOra(std::string_view type, int32_t length, int32_t decimals, std::string_view sep);

// The CREATE TABLE statement, lines ended by CR LF and no terminating ";":
//   CREATE TABLE <OWN>.<TAB_NAME> (
//           <name padded to 26><type><sep>        one line per DBF field, then per present
//                                                  supplementary column
// The separator is "," except after the last column, which gets ")". lastSuppl is the number of
// the last present supplementary column (lastPresentSupplColumn, taken once per run). fld must
// pass checkFieldLayout (ColumnLayout.h).
std::string tableScriptText(const Rec_Prj& prj, const Rec_Dbf& dbf, const Rec_Fld& fld,
                            int lastSuppl);

// Writes the table script folder + base + ".STB" anew (folder ends in "/").
//
// Our choice: a file that cannot be created or written (missing or read-only folder, full disk)
// is reported as an error naming the file, rather than left missing without a word. A field
// layout without fields is refused with kInvalidArgument before anything is written.
Status CreareaTabOra(const std::string& folder, const std::string& base, const Rec_Prj& prj,
                     const Rec_Dbf& dbf, const Rec_Fld& fld, int lastSuppl);

// Adds one column name to an INSERT head being built: when the current line and the name
// together are longer than width, the line gets a "," and goes into the header with CR LF, and a
// new line of four blanks and the name begins; otherwise the name starts the line (position 1)
// or is added after ", " (any other position). The ", " is not counted against the width.
void FrmzRnSql(std::string& header, std::string& line, int position, int32_t width,
               std::string_view name);

// Sets prj.InsHdr for the DBF file:
//   "Insert into " + OWN + "." + TAB_NAME + CR LF + "   (" + the column names (the DBF fields,
//   then the present supplementary columns, wrapped by FrmzRnSql at LngRndSql) + ")" + CR LF +
//   "Values" + CR LF + "   (".
void CreareaInsHdr(Rec_Prj& prj, const Rec_Dbf& dbf, const Rec_Fld& fld);

}  // namespace tarvex
