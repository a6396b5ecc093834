#include <cstdio>

#include "app/cli/Commands.h"
#include "engine/CmpDbfGOra.h"

namespace tarvex::cli {

namespace {

void printHeader(const TCmpDbfGOra& engine, std::ostream& out) {
  const DbfHeader& h = engine.header();
  const Rec_Fld& f = engine.fields();
  char version[8];
  std::snprintf(version, sizeof version, "0x%02X", h.version());
  out << "file " << engine.dbfPath() << '\n'
      << "version " << version << '\n'
      << "records " << h.RecCnt << '\n'
      << "records_data " << h.RecCntData << '\n'
      << "header_length " << h.HdrLen << '\n'
      << "record_length " << h.RecLenHdr << '\n'
      << "record_length_used " << h.RecLenUsed << '\n'
      << "fields " << h.FldCnt << '\n'
      << "refused " << (h.HdrBad ? "yes" : "no") << '\n';
  for (int i = 1; i <= f.count(); ++i) {
    // A type byte that is not a printable letter is shown as \xNN so that lines stay text.
    const auto type = static_cast<unsigned char>(f.FldTypes[static_cast<size_t>(i - 1)]);
    char type_text[8];
    if (type > 32 && type < 127) {
      std::snprintf(type_text, sizeof type_text, "%c", type);
    } else {
      std::snprintf(type_text, sizeof type_text, "\\x%02X", type);
    }
    out << "field " << i << ' ' << f.FldNames[static_cast<size_t>(i - 1)] << ' ' << type_text
        << ' ' << f.FldLen[i] << ' ' << f.FldDec[i]
        << ' ' << f.FldPos[i] << '\n';
  }
}

}  // namespace

int runInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string home;
  std::vector<std::string> paths;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--home" && i + 1 < args.size()) {
      home = args[++i];
      if (home.back() != '/') home += '/';
    } else {
      paths.push_back(args[i]);
    }
  }
  if (paths.empty()) {
    err << "tarvex-cli info: name at least one DBF file\n";
    return 2;
  }
  int status = 0;
  // Without --home the reader runs with its defaults (no settings file is read or written);
  // with it, the reading switches (LngIsCorInHdr, CreateNewFld) come from that folder's
  // Tarvex.ini.
  TCmpDbfGOra engine(home);
  if (!home.empty()) {
    Status s = engine.LoadOptions(home + "Tarvex.ini");
    if (!s.isOk()) {
      err << "tarvex-cli info: " << s.message() << '\n';
      return 1;
    }
  }
  for (const std::string& path : paths) {
    if (!engine.OpenDbf(path)) {
      err << "tarvex-cli info: " << engine.lastError().message() << '\n';
      status = 1;
      continue;
    }
    Status s = engine.ReadHdr("00");
    if (s.isOk()) {
      printHeader(engine, out);
      s = engine.damage();
    }
    if (!s.isOk()) {
      err << "tarvex-cli info: " << s.message() << '\n';
      status = 1;
    }
    engine.CloseDbf();
  }
  return status;
}

}  // namespace tarvex::cli
