// The two project tables in the folder "LPrj" under the program folder: LSTPRJ.DAT (one row per
// project) and LSTDBF.DAT (one row per DBF file of a project), with their compound index files
// LSTPRJ.CDX and LSTDBF.CDX.
//
// This file is the one place that fixes the column widths of the tables we create (see
// lstPrjColumns() and lstDbfColumns() in ProjectTables.cpp); tables made by others may use other
// widths and column orders: every column is found by name, and the four key widths are read
// from LSTDBF.DAT's header.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"
#include "projects/DbaseTable.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

inline constexpr std::string_view kProjectFolderName = "LPrj";
inline constexpr std::string_view kPrjTableName = "LSTPRJ.DAT";
inline constexpr std::string_view kDbfTableName = "LSTDBF.DAT";

// The columns of the tables we create, in file order.
const std::vector<DbaseColumn>& lstPrjColumns();
const std::vector<DbaseColumn>& lstDbfColumns();

// program_folder (ending in '/') + "LPrj/".
std::string projectFolder(const std::string& program_folder);

// Creates the folder LPrj and each of the two tables that is missing, empty, with the columns
// above. Existing tables are left alone.
Status ensureProjectTables(const std::string& program_folder);

// The widths of the LSTDBF.DAT columns SER_NO, NR_SORT, POTECA and DBF_NAME, read at start-up
// with the engine's DBF reader, and the padded search keys built with them.
struct KeyWidths {
  int SER_NO = 0;
  int NR_SORT = 0;
  int POTECA = 0;
  int DBF_NAME = 0;

  // Trimmed, then blanks in front up to the width (right-aligned numbers).
  std::string serNoKey(std::string_view value) const;
  std::string nrSortKey(std::string_view value) const;
  // Blanks appended up to the width (left-aligned). A longer value is used unchanged.
  std::string potecaKey(std::string_view value) const;
  std::string dbfNameKey(std::string_view value) const;
};

// Reads the four widths from the header of the LSTDBF.DAT file at path (TCmpDbfGOra:
// OpenDbf, ReadHdr "00", FldLenByName, CloseDbf). A column that is missing reads as 0; a file
// that cannot be opened or read is an error naming it.
Status readKeyWidths(const std::string& lstdbf_path, KeyWidths* out);

// --- rows and records ---
// Reads the current row of an LSTPRJ.DAT table into prj: every stored column by name (columns
// the file lacks leave their fields alone), with the rules of loading a project: the eleven
// error-code columns read 0 as 1, BINDSIZE reads 0 as 256000, a DATELESS that is not a date
// (blank or damaged) gives 01.01.0001 and such a DATEMORE 01.01.3999; other blank dates read
// as blank. The NLS_LANG text and the run fields are left alone.
Status readPrjRow(const DbaseTable& table, Rec_Prj* prj);
// Writes every stored column of prj into the current row (which must be appended or edited),
// SER_NO only when with_ser_no. A text longer than its column is refused, naming the column;
// the pending row then holds the columns written before it, so the caller cancels it (a cursor
// move would post it).
Status writePrjRow(DbaseTable& table, const Rec_Prj& prj, bool with_ser_no);
// The same for LSTDBF.DAT and Rec_Dbf (every column; no reading rules).
Status readDbfRow(const DbaseTable& table, Rec_Dbf* dbf);
Status writeDbfRow(DbaseTable& table, const Rec_Dbf& dbf);

// --- index build and pack ---
// The index file of a table: its folder, its file name up to the first "." in upper case, then
// ".CDX".
std::string indexFileOf(const DbaseTable& table);
// Builds the table's index anew: clears IndexFiles, reopens exclusively, builds the tags of the
// table (LSTPRJ.DAT: Tag1 SUBSIST, Tag2 SER_NO, Tag3 FLTR; LSTDBF.DAT: Tag1 SER_NO,
// Tag2 POTECA+DBF_NAME+SER_NO, Tag3 FLTR, Tag4 SER_NO+NR_SORT) into the index file, lists it in
// IndexFiles, selects Tag1 and reopens the table shared. The table must have been opened (or
// at least have a path) before. Another table name is kInvalidArgument.
Status CreareIndex(DbaseTable& table);
// Removes the rows marked deleted (exclusive use, given back at once) and rebuilds the index
// with CreareIndex.
Status PackFiDbf(DbaseTable& table);

// The main window's two datasets over the project tables (HDS_Prj, HDS_Dbf) and the key widths.
class ProjectTables {
 public:
  // Creates LPrj and missing tables, reads the key widths from LSTDBF.DAT, opens both tables and
  // builds their indexes (CreareIndex on LSTPRJ.DAT, then LSTDBF.DAT). Errors name the file.
  Status open(const std::string& program_folder);
  Status close();

  DbaseTable& prj() { return prj_; }  // HDS_Prj
  DbaseTable& dbf() { return dbf_; }  // HDS_Dbf
  const KeyWidths& widths() const { return widths_; }
  const std::string& folder() const { return folder_; }  // .../LPrj/

 private:
  DbaseTable prj_;
  DbaseTable dbf_;
  KeyWidths widths_;
  std::string folder_;
};

}  // namespace tarvex
