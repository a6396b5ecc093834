#include "import/LoaderFiles.h"

#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "import/ColumnLayout.h"

namespace tarvex {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool directPathAllowed(const Rec_Prj& prj) {
  return isSet(prj.USE_DPL) && (prj.LDR_OP == "APPEND" || !isSet(prj.IND_1_TAB));
}

void addLine(std::string* out, std::string_view line) {
  out->append(line);
  out->append(kCrLf);
}

// The type clause of a DBF field in the control file.
std::string typeClause(char type, int32_t len, int32_t dec, const std::string& name) {
  if (type == 'D') return " DATE \"YYYYMMDD\" NULLIF (" + name + " = BLANKS)";
  if (type == 'N' || type == 'F') {
    if (dec <= 0) return " INTEGER EXTERNAL";
    std::string mask(static_cast<size_t>(len), '9');
    mask += 'D';
    mask.append(static_cast<size_t>(len > 0 ? len - 1 : 0), '9');
    return " DECIMAL EXTERNAL \"TO_NUMBER(:" + name + ",'" + mask +
           "','NLS_NUMERIC_CHARACTERS=''. ''')\"";
  }
  return " CHAR";
}

bool shSafe(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("_@%+=:,./-").find(c) != std::string_view::npos;
}

// The text as one sh word: as it is when every character is safe, else in single quotes.
std::string shWord(std::string_view s) {
  bool safe = !s.empty();
  for (char c : s) safe = safe && shSafe(c);
  if (safe) return std::string(s);
  std::string r = "'";
  for (char c : s) {
    if (c == '\'') {
      r += "'\\''";
    } else {
      r += c;
    }
  }
  r += '\'';
  return r;
}

// The text for the inside of sh double quotes.
std::string shInDoubleQuotes(std::string_view s) {
  std::string r;
  for (char c : s) {
    if (c == '\\' || c == '"' || c == '$' || c == '`') r += '\\';
    r += c;
  }
  return r;
}

// The text for the inside of sh single quotes.
std::string shInSingleQuotes(std::string_view s) {
  std::string r;
  for (char c : s) {
    if (c == '\'') {
      r += "'\\''";
    } else {
      r += c;
    }
  }
  return r;
}

std::string path(std::string_view folder, std::string_view base, std::string_view ext) {
  std::string r(folder);
  r += base;
  r += ext;
  return r;
}

}  // namespace

std::string controlFileText(const Rec_Prj& prj, const Rec_Dbf& dbf, int n, const Rec_Fld& fld,
                            int lastSuppl, std::string_view folder, std::string_view base) {
  std::string out;
  if (directPathAllowed(prj) && isSet(prj.USEUNREC)) addLine(&out, "UNRECOVERABLE");
  addLine(&out, "LOAD DATA");
  addLine(&out, "INFILE '" + path(folder, base, kDataExt) + "'");
  addLine(&out, isSet(prj.IND_1_TAB) && n > 1 ? std::string("APPEND") : prj.LDR_OP);
  addLine(&out, "INTO TABLE " + dbf.TAB_NAME + " (");

  const int count = fld.count();
  for (int i = 1; i <= count; ++i) {
    const std::string& name = fld.FldNames[static_cast<size_t>(i - 1)];
    const int32_t pos = fld.FldPos[static_cast<size_t>(i)];
    const int32_t len = fld.FldLen[static_cast<size_t>(i)];
    const int32_t dec = fld.FldDec[static_cast<size_t>(i)];
    const char* sep = (i == count && lastSuppl == 0) ? ")" : ",";
    addLine(&out, name + " POSITION(" + std::to_string(pos - 1) + ":" +
                      std::to_string(pos + len - 2) + ") " +
                      typeClause(fld.FldTypes[static_cast<size_t>(i - 1)], len, dec, name) + sep);
  }

  int32_t s = count > 0 ? fld.FldPos[static_cast<size_t>(count)] +
                              fld.FldLen[static_cast<size_t>(count)] - 1
                        : 1;
  for (const SupplColumn& c : supplColumns(prj)) {
    if (!c.present) continue;
    const char* sep = c.number == lastSuppl ? ")" : ",";
    std::string line(c.name);
    line += " POSITION(" + std::to_string(s) + ":" + std::to_string(s + c.length - 1) + ")";
    switch (c.kind) {
      case SupplKind::kRecNo:
      case SupplKind::kErrCod:
        line += "  INTEGER EXTERNAL";
        line += sep;
        break;
      case SupplKind::kDelete:
      case SupplKind::kPath:
      case SupplKind::kSpFld1:
        line += " CHAR";
        line += sep;
        break;
      case SupplKind::kSpFld2:
        line += " CHAR)";
        break;
    }
    addLine(&out, line);
    s += c.length;
  }
  return out;
}

std::string parameterFileText(const Rec_Prj& prj, std::string_view folder,
                              std::string_view logFolder, std::string_view base) {
  std::string out;
  if (directPathAllowed(prj)) {
    addLine(&out, "DIRECT = TRUE");
  } else {
    addLine(&out, "bindsize=" + std::to_string(prj.BINDSIZE));
    addLine(&out, "rows=" + std::to_string(prj.ROWS_N));
  }
  addLine(&out, "control='" + path(folder, base, kControlExt) + "'");
  addLine(&out, "Log='" + path(logFolder, base, kLoaderLogExt) + "'");
  addLine(&out, "bad='" + path(folder, base, kLoaderBadExt) + "'");
  if (prj.LDR_OP == "APPEND") addLine(&out, "parallel=true");
  addLine(&out, "multithreading=true");
  addLine(&out, "columnarrayrows=10000");
  addLine(&out, "streamsize=512000");
  addLine(&out, "errors=" + std::to_string(prj.ERRTOALLOW));
  if (prj.NRRECLOAD > 0) addLine(&out, "Load=" + std::to_string(prj.NRRECLOAD));
  return out;
}

Status FormezLdDt(Rec_Prj& prj, const Rec_Dbf& dbf, int n, const Rec_Fld& fld, int lastSuppl,
                  const std::string& folder, const std::string& logFolder,
                  const std::string& base) {
  prj.LngSupl = supplWidth(prj);
  if (!isSet(prj.SQLLDENB)) return Status::ok();

  const std::string ctlPath = path(folder, base, kControlExt);
  Status s = checkFieldLayout(fld, ctlPath);
  if (!s.isOk()) return s;
  // Unlike a silent "written without checks", every write failure is reported, naming the file.
  s = replaceFileContent(ctlPath, controlFileText(prj, dbf, n, fld, lastSuppl, folder, base));
  if (!s.isOk()) return s;
  return replaceFileContent(path(folder, base, kParameterExt),
                            parameterFileText(prj, folder, logFolder, base));
}

std::string loaderConnectText(const Rec_Prj& prj, const Unscrambler& unscramble) {
  if (trimView(prj.PAROLA).empty()) return prj.OWN + "@" + prj.BAZA;
  return prj.OWN + "/" + unscramble(prj.PAROLA) + "@" + prj.BAZA;
}

std::string batchLine(const Rec_Prj& prj, std::string_view folder, std::string_view base,
                      const Unscrambler& unscramble) {
  // Built piece by piece: GCC 12 warns falsely (-Wrestrict) on "literal" + temporary chains.
  std::string line = "\"";
  line += shInDoubleQuotes(trimView(prj.PTHLDR));
  line += "\" ";
  line += shWord(loaderConnectText(prj, unscramble));
  line += "   ParFile='";
  line += shInSingleQuotes(path(folder, base, kParameterExt));
  line += "'\n";
  return line;
}

std::string loaderArguments(std::string_view connStr, std::string_view folder,
                            std::string_view base) {
  return std::string(connStr) + " ParFile='" + path(folder, base, kParameterExt) + "'";
}

std::string loaderStartFailureText(std::string_view result, std::string_view pthLdr,
                                   std::string_view folder, std::string_view base) {
  return "Err: " + std::string(result) + "  Execute:" + std::string(pthLdr) + " " + " ParFile='" +
         path(folder, base, kParameterExt) + "'";
}

}  // namespace tarvex
