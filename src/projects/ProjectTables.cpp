#include "projects/ProjectTables.h"

#include <sys/stat.h>

#include <cerrno>
#include <variant>

#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "engine/CmpDbfGOra.h"
#include "projects/ProjectFields.h"

namespace tarvex {

namespace {

// ---------------------------------------------------------------- column widths
//
// The widths of the tables we create, all in one place. Limits they meet:
// - SER_NO C(6) in both tables (the key widths are shared): keys up to 999999.
// - NR_SORT C(6): up to 999999 DBF files in one project.
// - POTECA C(254), DBF_NAME C(254): folders and Linux file names (a name is at most 255 bytes;
//   254 is the widest C column every dBase reader opens). Longer values are refused, not cut.
// - Every N column is N(11): any 32-bit whole number with its sign (-1, 256000, 65535, ...).
// - Flags, INCL_DEL, IND_SH_HI, FLTR, LENG_SEM, IND_* C(1); dates D.
// - Paths (PTHLDR, DIRTMPFI, DIRLOGFI), host and database texts C(254); column and table
//   names C(128) (PostgreSQL allows 63 bytes, Oracle 128); the project name C(100).
constexpr int kNum = 11;
constexpr int kPath = 254;

DbaseColumn C(const char* name, int width) {
  return {name, 'C', width, 0};
}
DbaseColumn N(const char* name) {
  return {name, 'N', kNum, 0};
}
DbaseColumn D(const char* name) {
  return {name, 'D', 8, 0};
}

}  // namespace

const std::vector<DbaseColumn>& lstPrjColumns() {
  static const std::vector<DbaseColumn> kColumns = {
      C("SER_NO", 6),       C("SUBSIST", 100),   C("POTECA", kPath),  C("MASK_DBF", 100),
      C("ADD_RECNO", 1),    C("NM_RECNO", 128),  N("LNG_RECNO"),      C("ADD_DELETE", 1),
      C("NM_DELETE", 128),  N("LNG_DELETE"),     C("ADD_ERRCOD", 1),  C("NM_ERRCOD", 128),
      N("LNG_ERRCOD"),      C("ADD_PATH", 1),    C("NM_PATH", 128),   N("LNG_PATH"),
      C("ADD_SPFLD1", 1),   C("NM_SPFLD1", 128), N("LNG_SPFLD1"),     N("TIP_SPFLD1"),
      C("ADD_SPFLD2", 1),   C("NM_SPFLD2", 128), N("LNG_SPFLD2"),     N("TIP_SPFLD2"),
      N("TRLOGICFLD"),      N("DFLOGICFLD"),     C("VALDT_NULL", 8),  C("INCL_DEL", 1),
      N("MAX_INCL_E"),      N("ERRTOALLOW"),     N("NRRECSKIP"),      N("NRRECLOAD"),
      C("CHKDTERR", 1),     N("ERINDATE"),       C("CHKDTNULL", 1),   N("ERCDDTNULL"),
      C("CHKDTLESS", 1),    N("DTISLESS"),       D("DATELESS"),       C("CHKDTMORE", 1),
      N("DTISMORE"),        D("DATEMORE"),       C("CHKNMERR", 1),    N("ERINNUM"),
      C("CHKDCERR", 1),     N("ERINDECP"),       C("CHKNMERR2", 1),   N("ERINNUM2"),
      C("CHKCHRER", 1),     N("ERINCHAR"),       C("CHKCHRER2", 1),   N("ERINCHAR2"),
      C("CHKLGCER", 1),     N("ERINLGC"),        C("CHKFRSTER", 1),   N("ERINFRSTB"),
      C("ORAENABLE", 1),    C("SQLLDENB", 1),    C("EXCL_PR", 1),     C("SET_LANG", 1),
      C("CONNECTING", 1),   C("IP", kPath),      N("PORT"),           N("HOMENAME"),
      C("OWN", 128),        C("BAZA", kPath),    C("SAVE_PASS", 1),   C("PAROLA", kPath),
      C("IFNISBLANK", 1),   C("IND_1_TAB", 1),   C("LDR_CTRL", 128),  C("LDR_OP", 10),
      C("IND_SH_HI", 1),    C("USE_DPL", 1),     C("USEUNREC", 1),    N("BINDSIZE"),
      N("ROWS_N"),          N("COMMIT"),         C("PTHLDR", kPath),  C("DIRTMPFI", kPath),
      C("DIRLOGFI", kPath), C("FLTR", 1),        N("NR_DBF"),         D("DT_CR_LST"),
      D("DT_ST_PRJ"),       C("TIMP", 20),       C("OPTIONS", 100),   C("VAL_SPFLD1", 100),
      C("VAL_SPFLD2", 100), C("DT_IS_NULL", 20), C("REMARCA", kPath), C("NM_1_DBF", 128),
      C("IND_REPAIR", 1),   N("LNG_XXX"),        N("ERRTOSHOW")};
  return kColumns;
}

const std::vector<DbaseColumn>& lstDbfColumns() {
  static const std::vector<DbaseColumn> kColumns = {
      C("SER_NO", 6),     C("POTECA", kPath), C("NR_SORT", 6),  C("DBF_NAME", kPath),
      C("TAB_NAME", 128), N("IND_KEY"),       C("LENG_SEM", 1), C("IND_INCL", 1),
      D("LOAD_DATE"),     N("RNR_DBF"),       N("RNR_ERR"),     N("RNR_REJ"),
      N("RNR_ORA"),       N("RNR_BAD"),       N("RNR_ERR_O"),   N("RNR_DEL"),
      C("FLTR", 1),       D("DT_WIN"),        D("DT_DBF"),      C("IND_FORM", 1),
      C("IND_LOAD", 1),   C("IND_ERR", 1)};
  return kColumns;
}

std::string projectFolder(const std::string& program_folder) {
  return program_folder + std::string(kProjectFolderName) + "/";
}

Status ensureProjectTables(const std::string& program_folder) {
  const std::string folder = projectFolder(program_folder);
  if (!directoryExists(folder) && ::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    return Status::fromErrno("cannot create the project folder " + folder, errno);
  }
  const std::string prj = folder + std::string(kPrjTableName);
  const std::string dbf = folder + std::string(kDbfTableName);
  if (!fileExists(prj)) {
    Status s = DbaseTable::create(prj, lstPrjColumns());
    if (!s.isOk()) return s;
  }
  if (!fileExists(dbf)) {
    Status s = DbaseTable::create(dbf, lstDbfColumns());
    if (!s.isOk()) return s;
  }
  return Status::ok();
}

// ---------------------------------------------------------------- key widths

std::string KeyWidths::serNoKey(std::string_view v) const {
  return padLeft(trimView(v), static_cast<size_t>(SER_NO));
}
std::string KeyWidths::nrSortKey(std::string_view v) const {
  return padLeft(trimView(v), static_cast<size_t>(NR_SORT));
}
std::string KeyWidths::potecaKey(std::string_view v) const {
  return padRight(v, static_cast<size_t>(POTECA));
}
std::string KeyWidths::dbfNameKey(std::string_view v) const {
  return padRight(v, static_cast<size_t>(DBF_NAME));
}

Status readKeyWidths(const std::string& lstdbf_path, KeyWidths* out) {
  TCmpDbfGOra reader("");
  reader.MsgInRichEdit = true;
  if (!reader.OpenDbf(lstdbf_path)) {
    if (reader.openStatus() == TCmpDbfGOra::kMissing)
      return Status::notFound("the table " + lstdbf_path + " does not exist");
    return reader.lastError().isOk() ? Status::ioError("cannot open the table " + lstdbf_path)
                                     : reader.lastError();
  }
  Status s = reader.ReadHdr("00");
  if (s.isOk()) {
    out->SER_NO = reader.FldLenByName("SER_NO");
    out->NR_SORT = reader.FldLenByName("NR_SORT");
    out->POTECA = reader.FldLenByName("POTECA");
    out->DBF_NAME = reader.FldLenByName("DBF_NAME");
  }
  reader.CloseDbf();
  return s;
}

// ---------------------------------------------------------------- rows

namespace {

bool hasColumn(const DbaseTable& t, std::string_view name) {
  return t.columnIndex(name) >= 0;
}

bool isErrorCodeColumn(std::string_view n) {
  static const char* const kCodes[] = {"ERINDATE",  "ERCDDTNULL", "DTISLESS", "DTISMORE",
                                       "ERINNUM",   "ERINDECP",   "ERINNUM2", "ERINCHAR",
                                       "ERINCHAR2", "ERINLGC",    "ERINFRSTB"};
  for (const char* c : kCodes) {
    if (n == c) return true;
  }
  return false;
}

}  // namespace

Status readPrjRow(const DbaseTable& table, Rec_Prj* prj) {
  for (const PrjColumn& col : prjColumns()) {
    if (!col.stored || !hasColumn(table, col.name)) continue;
    std::string text;
    Status s;
    switch (col.type) {
      case ColumnType::kChar:
        s = table.ReadText(col.name, &text);
        break;
      case ColumnType::kNumber: {
        int64_t v = 0;
        s = table.ReadWhole(col.name, &v);
        if (!s.isOk()) return s;
        if (v == 0 && isErrorCodeColumn(col.name)) v = 1;
        if (v == 0 && col.name == "BINDSIZE") v = 256000;
        text = std::to_string(v);
        break;
      }
      case ColumnType::kDate: {
        DbfDate d;
        s = table.ReadDate(col.name, &d);
        const bool bound = col.name == "DATELESS" || col.name == "DATEMORE";
        if (bound && (!s.isOk() || d.blank)) {
          d = DbfDate{col.name == "DATELESS" ? CivilDate{1, 1, 1} : CivilDate{3999, 1, 1}, false};
          s = Status::ok();
        }
        if (!s.isOk()) return s;
        text = d.blank ? std::string() : formatDottedDate(d.date);
        break;
      }
    }
    if (!s.isOk()) return s;
    s = setPrjField(*prj, col.name, text);
    if (!s.isOk()) return Status::corrupt(table.tableName() + ": " + s.message());
  }
  return Status::ok();
}

Status writePrjRow(DbaseTable& table, const Rec_Prj& prj, bool with_ser_no) {
  for (const PrjColumn& col : prjColumns()) {
    if (!col.stored || !hasColumn(table, col.name)) continue;
    if (!with_ser_no && col.name == "SER_NO") continue;
    std::string text;
    Status s = getPrjField(prj, col.name, &text);
    if (!s.isOk()) return s;
    if (col.type == ColumnType::kDate) {
      DbfDate d;
      if (!text.empty()) {
        const auto parsed = parseDottedDate(text);
        if (!parsed)
          return Status::invalidArgument(table.tableName() + ": " + std::string(col.name) +
                                         " is no date");
        d = DbfDate{*parsed, false};
      }
      s = table.WriteDate(col.name, d);
    } else {
      s = table.WriteText(col.name, text);
    }
    if (!s.isOk()) return s;
  }
  return Status::ok();
}

namespace {

using DbfMember = std::variant<std::string Rec_Dbf::*, int32_t Rec_Dbf::*, DbfDate Rec_Dbf::*>;
struct DbfEntry {
  const char* name;
  DbfMember member;
};

#define TARVEX_DBF(name)  \
  DbfEntry {              \
#name, &Rec_Dbf::name \
  }
const std::vector<DbfEntry>& dbfEntries() {
  static const std::vector<DbfEntry> kEntries = {
      TARVEX_DBF(SER_NO),    TARVEX_DBF(POTECA),  TARVEX_DBF(NR_SORT),   TARVEX_DBF(DBF_NAME),
      TARVEX_DBF(TAB_NAME),  TARVEX_DBF(IND_KEY), TARVEX_DBF(LENG_SEM),  TARVEX_DBF(IND_INCL),
      TARVEX_DBF(LOAD_DATE), TARVEX_DBF(RNR_DBF), TARVEX_DBF(RNR_ERR),   TARVEX_DBF(RNR_REJ),
      TARVEX_DBF(RNR_ORA),   TARVEX_DBF(RNR_BAD), TARVEX_DBF(RNR_ERR_O), TARVEX_DBF(RNR_DEL),
      TARVEX_DBF(FLTR),      TARVEX_DBF(DT_WIN),  TARVEX_DBF(DT_DBF),    TARVEX_DBF(IND_FORM),
      TARVEX_DBF(IND_LOAD),  TARVEX_DBF(IND_ERR)};
  return kEntries;
}
#undef TARVEX_DBF

}  // namespace

Status readDbfRow(const DbaseTable& table, Rec_Dbf* dbf) {
  for (const DbfEntry& e : dbfEntries()) {
    if (!hasColumn(table, e.name)) continue;
    Status s;
    if (auto* text = std::get_if<std::string Rec_Dbf::*>(&e.member)) {
      s = table.ReadText(e.name, &(dbf->**text));
    } else if (auto* num = std::get_if<int32_t Rec_Dbf::*>(&e.member)) {
      int64_t v = 0;
      s = table.ReadWhole(e.name, &v);
      if (s.isOk() && (v < INT32_MIN || v > INT32_MAX)) {
        s = Status::corrupt(table.tableName() + ": column " + e.name + " holds " +
                            std::to_string(v) + ", beyond a 32-bit number");
      }
      if (s.isOk()) dbf->** num = static_cast<int32_t>(v);
    } else {
      s = table.ReadDate(e.name, &(dbf->*std::get<DbfDate Rec_Dbf::*>(e.member)));
    }
    if (!s.isOk()) return s;
  }
  return Status::ok();
}

Status writeDbfRow(DbaseTable& table, const Rec_Dbf& dbf) {
  for (const DbfEntry& e : dbfEntries()) {
    if (!hasColumn(table, e.name)) continue;
    Status s;
    if (auto* text = std::get_if<std::string Rec_Dbf::*>(&e.member)) {
      s = table.WriteText(e.name, dbf.**text);
    } else if (auto* num = std::get_if<int32_t Rec_Dbf::*>(&e.member)) {
      s = table.WriteWhole(e.name, dbf.**num);
    } else {
      s = table.WriteDate(e.name, dbf.*std::get<DbfDate Rec_Dbf::*>(e.member));
    }
    if (!s.isOk()) return s;
  }
  return Status::ok();
}

// ---------------------------------------------------------------- index build and pack

std::string indexFileOf(const DbaseTable& table) {
  const std::string name = table.tableName();
  return std::string(directoryOf(table.path())) + toUpperAscii(name.substr(0, name.find('.'))) +
         ".CDX";
}

namespace {

struct TagDef {
  const char* name;
  const char* key;
};

Status tagsOf(const DbaseTable& table, std::vector<TagDef>* out) {
  const std::string name = toUpperAscii(table.tableName());
  if (name == kPrjTableName) {
    *out = {{"Tag1", "SUBSIST"}, {"Tag2", "SER_NO"}, {"Tag3", "FLTR"}};
  } else if (name == kDbfTableName) {
    *out = {{"Tag1", "SER_NO"},
            {"Tag2", "POTECA+DBF_NAME+SER_NO"},
            {"Tag3", "FLTR"},
            {"Tag4", "SER_NO+NR_SORT"}};
  } else {
    return Status::invalidArgument("no index is defined for the table " + table.path());
  }
  return Status::ok();
}

}  // namespace

Status CreareIndex(DbaseTable& table) {
  std::vector<TagDef> defs;
  Status s = tagsOf(table, &defs);
  if (!s.isOk()) return s;
  const std::string path = table.path();
  const std::string cdx = indexFileOf(table);
  // The old index file is not used: no index files, then exclusive use.
  table.clearIndexFiles();
  s = table.close();
  if (s.isOk()) s = table.open(path, true);
  for (const TagDef& d : defs) {
    if (!s.isOk()) break;
    s = table.BuildTag(cdx, d.name, d.key, "", true, false);
  }
  if (s.isOk()) {
    table.addIndexFile(cdx);
    s = table.setIndexName("Tag1");
  }
  Status c = table.close();
  if (s.isOk()) s = c;
  if (!s.isOk()) return s;
  return table.open(path, false);
}

Status PackFiDbf(DbaseTable& table) {
  const std::string path = table.path();
  Status s = table.close();
  if (s.isOk()) s = table.open(path, true);
  if (s.isOk()) s = table.PackTable();
  Status c = table.close();
  if (s.isOk()) s = c;
  if (s.isOk()) s = table.open(path, false);
  if (!s.isOk()) return s;
  return CreareIndex(table);
}

// ---------------------------------------------------------------- the two datasets

Status ProjectTables::open(const std::string& program_folder) {
  Status s = ensureProjectTables(program_folder);
  if (!s.isOk()) return s;
  folder_ = projectFolder(program_folder);
  const std::string prj = folder_ + std::string(kPrjTableName);
  const std::string dbf = folder_ + std::string(kDbfTableName);
  s = readKeyWidths(dbf, &widths_);
  if (s.isOk()) s = prj_.open(prj);
  if (s.isOk()) s = CreareIndex(prj_);
  if (s.isOk()) s = dbf_.open(dbf);
  if (s.isOk()) s = CreareIndex(dbf_);
  return s;
}

Status ProjectTables::close() {
  Status a = prj_.close();
  Status b = dbf_.close();
  return a.isOk() ? b : a;
}

}  // namespace tarvex
