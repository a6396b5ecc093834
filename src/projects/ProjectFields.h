// The columns of LSTPRJ.DAT (and the run fields of Rec_Prj) by name, so that the command line,
// the project table and the editors can read and set any of them as text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

// The dBase type of a column: C text, N whole number, D date.
enum class ColumnType { kChar, kNumber, kDate };

struct PrjColumn {
  std::string_view name;
  ColumnType type;
  bool stored;  // a column of LSTPRJ.DAT (false: a run field or the NLS_LANG text)
};

// Every field of Rec_Prj that has a name: the LSTPRJ.DAT columns in table order, then the
// NLS_LANG text (NLS_LANG) and the run fields.
const std::vector<PrjColumn>& prjColumns();

// The field as text: numbers in decimal, dates as dd.mm.yyyy (empty when blank).
// An unknown name gives kInvalidArgument.
Status getPrjField(const Rec_Prj& prj, std::string_view name, std::string* text);

// Sets a field from text. Names ignore letter case. Numbers must be whole numbers; dates are
// dd.mm.yyyy or YYYYMMDD (an empty text makes the date blank). An unknown name or a value that
// does not fit the field's type gives kInvalidArgument naming both.
Status setPrjField(Rec_Prj& prj, std::string_view name, std::string_view value);

}  // namespace tarvex
