#include "projects/ProjectFields.h"

#include <limits>
#include <optional>
#include <type_traits>
#include <variant>

#include "common/TextUtil.h"

namespace tarvex {

namespace {

using Member = std::variant<std::string Rec_Prj::*, int32_t Rec_Prj::*, int64_t Rec_Prj::*,
                            DbfDate Rec_Prj::*>;

struct Entry {
  PrjColumn column;
  Member member;
};

#define TARVEX_C(name) Entry{{#name, ColumnType::kChar, true}, &Rec_Prj::name}
#define TARVEX_N(name) Entry{{#name, ColumnType::kNumber, true}, &Rec_Prj::name}
#define TARVEX_D(name) Entry{{#name, ColumnType::kDate, true}, &Rec_Prj::name}
#define TARVEX_RUN_C(name) Entry{{#name, ColumnType::kChar, false}, &Rec_Prj::name}
#define TARVEX_RUN_N(name) Entry{{#name, ColumnType::kNumber, false}, &Rec_Prj::name}

const std::vector<Entry>& entries() {
  static const std::vector<Entry> kEntries = {
      TARVEX_C(SER_NO), TARVEX_C(SUBSIST), TARVEX_C(POTECA), TARVEX_C(MASK_DBF),
      TARVEX_C(ADD_RECNO), TARVEX_C(NM_RECNO), TARVEX_N(LNG_RECNO),
      TARVEX_C(ADD_DELETE), TARVEX_C(NM_DELETE), TARVEX_N(LNG_DELETE),
      TARVEX_C(ADD_ERRCOD), TARVEX_C(NM_ERRCOD), TARVEX_N(LNG_ERRCOD),
      TARVEX_C(ADD_PATH), TARVEX_C(NM_PATH), TARVEX_N(LNG_PATH),
      TARVEX_C(ADD_SPFLD1), TARVEX_C(NM_SPFLD1), TARVEX_N(LNG_SPFLD1), TARVEX_N(TIP_SPFLD1),
      TARVEX_C(ADD_SPFLD2), TARVEX_C(NM_SPFLD2), TARVEX_N(LNG_SPFLD2), TARVEX_N(TIP_SPFLD2),
      TARVEX_N(TRLOGICFLD), TARVEX_N(DFLOGICFLD), TARVEX_C(VALDT_NULL), TARVEX_C(INCL_DEL),
      TARVEX_N(MAX_INCL_E), TARVEX_N(ERRTOALLOW), TARVEX_N(NRRECSKIP), TARVEX_N(NRRECLOAD),
      TARVEX_C(CHKDTERR), TARVEX_N(ERINDATE), TARVEX_C(CHKDTNULL), TARVEX_N(ERCDDTNULL),
      TARVEX_C(CHKDTLESS), TARVEX_N(DTISLESS), TARVEX_D(DATELESS),
      TARVEX_C(CHKDTMORE), TARVEX_N(DTISMORE), TARVEX_D(DATEMORE),
      TARVEX_C(CHKNMERR), TARVEX_N(ERINNUM), TARVEX_C(CHKDCERR), TARVEX_N(ERINDECP),
      TARVEX_C(CHKNMERR2), TARVEX_N(ERINNUM2), TARVEX_C(CHKCHRER), TARVEX_N(ERINCHAR),
      TARVEX_C(CHKCHRER2), TARVEX_N(ERINCHAR2), TARVEX_C(CHKLGCER), TARVEX_N(ERINLGC),
      TARVEX_C(CHKFRSTER), TARVEX_N(ERINFRSTB),
      TARVEX_C(ORAENABLE), TARVEX_C(SQLLDENB), TARVEX_C(EXCL_PR), TARVEX_C(SET_LANG),
      TARVEX_C(CONNECTING), TARVEX_C(IP), TARVEX_N(PORT), TARVEX_N(HOMENAME),
      TARVEX_C(OWN), TARVEX_C(BAZA), TARVEX_C(SAVE_PASS), TARVEX_C(PAROLA),
      TARVEX_C(IFNISBLANK), TARVEX_C(IND_1_TAB), TARVEX_C(LDR_CTRL), TARVEX_C(LDR_OP),
      TARVEX_C(IND_SH_HI), TARVEX_C(USE_DPL), TARVEX_C(USEUNREC), TARVEX_N(BINDSIZE),
      TARVEX_N(ROWS_N), TARVEX_N(COMMIT), TARVEX_C(PTHLDR), TARVEX_C(DIRTMPFI),
      TARVEX_C(DIRLOGFI), TARVEX_C(FLTR), TARVEX_N(NR_DBF), TARVEX_D(DT_CR_LST),
      TARVEX_D(DT_ST_PRJ), TARVEX_C(TIMP), TARVEX_C(OPTIONS), TARVEX_C(VAL_SPFLD1),
      TARVEX_C(VAL_SPFLD2), TARVEX_C(DT_IS_NULL), TARVEX_C(REMARCA), TARVEX_C(NM_1_DBF),
      TARVEX_C(IND_REPAIR), TARVEX_N(LNG_XXX), TARVEX_N(ERRTOSHOW),
      Entry{{"NLS_LANG", ColumnType::kChar, false}, &Rec_Prj::NlsLang},
      TARVEX_RUN_N(NrOrdDbf), TARVEX_RUN_N(LngSupl), TARVEX_RUN_C(InsHdr),
      TARVEX_RUN_N(LngRndSql), TARVEX_RUN_N(RnrOra), TARVEX_RUN_N(RnrErr), TARVEX_RUN_N(RnrRej),
      TARVEX_RUN_C(LastTab), TARVEX_RUN_C(ConnStr), TARVEX_RUN_N(ConnStat),
      TARVEX_RUN_N(ConnErrCode), TARVEX_RUN_C(ConnErrMsg), TARVEX_RUN_C(TryUser),
      TARVEX_RUN_C(TryServer), TARVEX_RUN_N(TryHome), TARVEX_RUN_C(TryHost),
      TARVEX_RUN_N(TryPort)};
  return kEntries;
}

#undef TARVEX_C
#undef TARVEX_N
#undef TARVEX_D
#undef TARVEX_RUN_C
#undef TARVEX_RUN_N

const Entry* find(std::string_view name) {
  for (const Entry& e : entries()) {
    if (equalsIgnoreCase(e.column.name, name)) return &e;
  }
  return nullptr;
}

Status unknown(std::string_view name) {
  return Status::invalidArgument("there is no project field \"" + std::string(name) + "\"");
}

}  // namespace

const std::vector<PrjColumn>& prjColumns() {
  static const std::vector<PrjColumn> kColumns = [] {
    std::vector<PrjColumn> v;
    for (const Entry& e : entries()) v.push_back(e.column);
    return v;
  }();
  return kColumns;
}

Status getPrjField(const Rec_Prj& prj, std::string_view name, std::string* text) {
  const Entry* e = find(name);
  if (e == nullptr) return unknown(name);
  std::visit(
      [&](auto member) {
        using T = std::remove_reference_t<decltype(prj.*member)>;
        if constexpr (std::is_same_v<T, const std::string>) {
          *text = prj.*member;
        } else if constexpr (std::is_same_v<T, const DbfDate>) {
          const DbfDate& d = prj.*member;
          *text = d.blank ? std::string() : formatDottedDate(d.date);
        } else {
          *text = std::to_string(prj.*member);
        }
      },
      e->member);
  return Status::ok();
}

Status setPrjField(Rec_Prj& prj, std::string_view name, std::string_view value) {
  const Entry* e = find(name);
  if (e == nullptr) return unknown(name);
  auto bad = [&](std::string_view what) {
    return Status::invalidArgument("project field " + std::string(e->column.name) + ": \"" +
                                   std::string(value) + "\" is not " + std::string(what));
  };
  return std::visit(
      [&](auto member) -> Status {
        using T = std::remove_reference_t<decltype(prj.*member)>;
        if constexpr (std::is_same_v<T, std::string>) {
          prj.*member = std::string(value);
        } else if constexpr (std::is_same_v<T, DbfDate>) {
          std::string_view v = trimView(value);
          DbfDate d;
          if (!v.empty()) {
            std::optional<CivilDate> c = parseDottedDate(v);
            if (!c && v.size() == 8) {
              std::optional<int64_t> n = parseInteger(v);
              if (n && isValidDate(static_cast<int>(*n / 10000), static_cast<int>(*n / 100 % 100),
                                   static_cast<int>(*n % 100))) {
                c = CivilDate{static_cast<int>(*n / 10000), static_cast<int>(*n / 100 % 100),
                              static_cast<int>(*n % 100)};
              }
            }
            if (!c) return bad("a date (dd.mm.yyyy or YYYYMMDD)");
            d.date = *c;
            d.blank = false;
          }
          prj.*member = d;
        } else {
          std::optional<int64_t> n = parseInteger(trimView(value));
          if (!n || *n < std::numeric_limits<T>::min() || *n > std::numeric_limits<T>::max()) {
            return bad("a whole number");
          }
          prj.*member = static_cast<T>(*n);
        }
        return Status::ok();
      },
      e->member);
}

}  // namespace tarvex
