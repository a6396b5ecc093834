// The columns of a target row as the loader files, the table script and the INSERT head list
// them: the DBF fields of the field layout, then the six supplementary columns that a project can
// add, with their fixed order and numbering, which of them are present, and their total width.
//
// A column is present when its ADD_ flag is "Y" and its length is greater than 0. Present columns
// follow the DBF fields in the data file, the control file, the table script and the INSERT head
// in the order of their numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Status.h"
#include "engine/DbfLayout.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

enum class SupplKind {
  kRecNo = 1,   // record number (ADD_RECNO, NM_RECNO, LNG_RECNO)
  kDelete = 2,  // deletion flag (ADD_DELETE, NM_DELETE, LNG_DELETE)
  kPath = 3,    // folder of the DBF file (ADD_PATH, NM_PATH, LNG_PATH)
  kErrCod = 4,  // the record's highest error code (ADD_ERRCOD, NM_ERRCOD, LNG_ERRCOD)
  kSpFld1 = 5,  // supplementary field 1 (ADD_SPFLD1, NM_SPFLD1, LNG_SPFLD1)
  kSpFld2 = 6,  // supplementary field 2 (ADD_SPFLD2, NM_SPFLD2, LNG_SPFLD2)
};

struct SupplColumn {
  SupplKind kind;
  int number;  // 1..6, the order of the columns
  bool present;
  std::string_view name;  // the NM_ column as stored; views into the Rec_Prj
  int32_t length;
};

// The six columns in their fixed order (present or not). The names view into prj, which must
// outlive the result.
std::array<SupplColumn, 6> supplColumns(const Rec_Prj& prj);

// The number (1..6) of the present column with the highest number, or 0 when none is present.
int lastPresentSupplColumn(const Rec_Prj& prj);

// The sum of the lengths of the present columns (LngSupl).
int32_t supplWidth(const Rec_Prj& prj);

// Whether a field layout can be written out: at least one field, and a name, type letter,
// length, decimals and start position for each. Otherwise kInvalidArgument naming the file that
// was to be written.
Status checkFieldLayout(const Rec_Fld& fld, const std::string& file);

}  // namespace tarvex
