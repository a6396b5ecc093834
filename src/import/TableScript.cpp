#include "import/TableScript.h"

#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "import/ColumnLayout.h"

namespace tarvex {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kIndent = "        ";  // eight blanks before every column line
constexpr size_t kNameWidth = 26;

std::string columnLine(std::string_view name, const std::string& typeAndSep) {
  std::string line(kIndent);
  line += padRight(name, kNameWidth);
  line += typeAndSep;
  line += kCrLf;
  return line;
}

}  // namespace

std::string CrTOra(std::string_view type, int32_t length, int32_t /*decimals*/,
                   std::string_view sep) {
  const char t = type.empty() ? '\0' : type.front();
  std::string r;
  if (t == 'D') {
    r = " DATE";
  } else if (t == 'N' || t == 'F') {
    r = " NUMBER";
  } else {
    r = " VARCHAR2(" + std::to_string(length) + ")";
  }
  r += sep;
  return r;
}

std::string tableScriptText(const Rec_Prj& prj, const Rec_Dbf& dbf, const Rec_Fld& fld,
                            int lastSuppl) {
  std::string out = "CREATE TABLE " + prj.OWN + "." + dbf.TAB_NAME + " (";
  out += kCrLf;
  const int count = fld.count();
  for (int i = 1; i <= count; ++i) {
    const std::string_view sep = (i == count && lastSuppl == 0) ? ")" : ",";
    const char type = fld.FldTypes[static_cast<size_t>(i - 1)];
    out += columnLine(fld.FldNames[static_cast<size_t>(i - 1)],
                      CrTOra(std::string_view(&type, 1), fld.FldLen[static_cast<size_t>(i)],
                             fld.FldDec[static_cast<size_t>(i)], sep));
  }
  for (const SupplColumn& c : supplColumns(prj)) {
    if (!c.present) continue;
    const std::string_view sep = c.number == lastSuppl ? ")" : ",";
    const bool number = c.kind == SupplKind::kRecNo || c.kind == SupplKind::kErrCod;
    out += columnLine(c.name, CrTOra(number ? "N" : "C", c.length, 0, sep));
  }
  return out;
}

Status CreareaTabOra(const std::string& folder, const std::string& base, const Rec_Prj& prj,
                     const Rec_Dbf& dbf, const Rec_Fld& fld, int lastSuppl) {
  const std::string file = folder + base + std::string(kTableScriptExt);
  Status s = checkFieldLayout(fld, file);
  if (!s.isOk()) return s;
  // Unlike a silent "written without checks", a write failure is reported, naming the file.
  return replaceFileContent(file, tableScriptText(prj, dbf, fld, lastSuppl));
}

void FrmzRnSql(std::string& header, std::string& line, int position, int32_t width,
               std::string_view name) {
  if (static_cast<int64_t>(line.size() + name.size()) > width) {
    line += ",";
    header += line;
    header += kCrLf;
    line = "    ";
    line += name;
  } else if (position == 1) {
    line = std::string(name);
  } else {
    line += ", ";
    line += name;
  }
}

void CreareaInsHdr(Rec_Prj& prj, const Rec_Dbf& dbf, const Rec_Fld& fld) {
  std::string header = "Insert into " + prj.OWN + "." + dbf.TAB_NAME;
  header += kCrLf;
  header += "   (";
  std::string line;
  const int count = fld.count();
  for (int i = 1; i <= count; ++i) {
    FrmzRnSql(header, line, i, prj.LngRndSql, fld.FldNames[static_cast<size_t>(i - 1)]);
  }
  for (const SupplColumn& c : supplColumns(prj)) {
    if (c.present) FrmzRnSql(header, line, 2, prj.LngRndSql, c.name);
  }
  header += line;
  header += ")";
  header += kCrLf;
  header += "Values";
  header += kCrLf;
  header += "   (";
  prj.InsHdr = std::move(header);
}

}  // namespace tarvex
