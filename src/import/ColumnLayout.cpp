#include "import/ColumnLayout.h"

namespace tarvex {

namespace {

SupplColumn column(SupplKind kind, const std::string& add, const std::string& name,
                   int32_t length) {
  return SupplColumn{kind, static_cast<int>(kind), isSet(add) && length > 0, name, length};
}

}  // namespace

std::array<SupplColumn, 6> supplColumns(const Rec_Prj& prj) {
  return {column(SupplKind::kRecNo, prj.ADD_RECNO, prj.NM_RECNO, prj.LNG_RECNO),
          column(SupplKind::kDelete, prj.ADD_DELETE, prj.NM_DELETE, prj.LNG_DELETE),
          column(SupplKind::kPath, prj.ADD_PATH, prj.NM_PATH, prj.LNG_PATH),
          column(SupplKind::kErrCod, prj.ADD_ERRCOD, prj.NM_ERRCOD, prj.LNG_ERRCOD),
          column(SupplKind::kSpFld1, prj.ADD_SPFLD1, prj.NM_SPFLD1, prj.LNG_SPFLD1),
          column(SupplKind::kSpFld2, prj.ADD_SPFLD2, prj.NM_SPFLD2, prj.LNG_SPFLD2)};
}

int lastPresentSupplColumn(const Rec_Prj& prj) {
  int last = 0;
  for (const SupplColumn& c : supplColumns(prj)) {
    if (c.present) last = c.number;
  }
  return last;
}

int32_t supplWidth(const Rec_Prj& prj) {
  int32_t sum = 0;
  for (const SupplColumn& c : supplColumns(prj)) {
    if (c.present) sum += c.length;
  }
  return sum;
}

Status checkFieldLayout(const Rec_Fld& fld, const std::string& file) {
  const size_t n = static_cast<size_t>(fld.count());
  if (n == 0) {
    return Status::invalidArgument("cannot write " + file + ": the DBF file has no fields");
  }
  if (fld.FldTypes.size() < n || fld.FldLen.size() <= n || fld.FldDec.size() <= n ||
      fld.FldPos.size() <= n) {
    return Status::invalidArgument("cannot write " + file + ": the field layout is incomplete");
  }
  return Status::ok();
}

}  // namespace tarvex
