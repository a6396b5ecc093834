// tarvex-cli convert: writes, for each DBF file, every file an import run writes for it.
#include <csignal>

#include "app/IniFile.h"
#include "app/ProgramFolder.h"
#include "app/cli/CliSupport.h"
#include "app/cli/Commands.h"
#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "engine/CmpDbfGOra.h"
#include "import/ColumnLayout.h"
#include "import/LoaderFiles.h"
#include "import/TableScript.h"
#include "import/TextHelpers.h"
#include "projects/ProjectSettings.h"

namespace tarvex::cli {

namespace {

// Ctrl-C asks the running conversion to stop at its next record, as the Stop button does.
TCmpDbfGOra* g_running_engine = nullptr;
extern "C" void onInterrupt(int) {
  if (g_running_engine != nullptr) g_running_engine->requestStop();
}

std::string absolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[4096];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

}  // namespace

int runConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  auto fail = [&](const Status& s) {
    err << "tarvex-cli convert: " << s.message() << '\n';
    return 1;
  };
  CommonOptions common;
  Status s = parseCommonOptions(args, &common);
  if (!s.isOk()) return fail(s);
  std::string out_dir, table;
  bool has_out = false, has_table = false;
  s = takeOption(&common.rest, "--out", &out_dir, &has_out);
  if (s.isOk()) s = takeOption(&common.rest, "--table", &table, &has_table);
  if (!s.isOk()) return fail(s);
  if (common.rest.empty()) return fail(Status::invalidArgument("name at least one DBF file"));
  for (const std::string& a : common.rest) {
    if (a.rfind("--", 0) == 0) return fail(Status::invalidArgument("unknown option " + a));
  }

  s = prepareProgramFolder(common.home);
  if (!s.isOk()) return fail(s);
  const IniFile ini(settingsPath(common.home));
  s = applySettings(ini, common.sets);
  if (!s.isOk()) return fail(s);
  Rec_Prj prj;
  s = gatherPrjFromSettings(ini, &prj);
  if (s.isOk()) s = applyProjectFields(&prj, common.prjs);
  if (!s.isOk()) return fail(s);

  const std::string folder =
      AddSlsh(has_out ? AddPth(absolutePath(out_dir), common.home) : AddPth(prj.DIRTMPFI, common.home));
  const std::string log_folder = AddSlsh(AddPth(prj.DIRLOGFI, common.home));
  if (!directoryExists(folder)) {
    return fail(Status::notFound("the folder of generated files " + folder + " does not exist"));
  }
  const std::string rnd_from = ini.get("SETUP", "RndSmbC");
  const std::string rnd_to = ini.get("SETUP", "RndSmbS");
  const int last_suppl = lastPresentSupplColumn(prj);

  CliLog log(out, common.home, common.plain);
  TCmpDbfGOra engine(common.home);
  engine.setParsCmpG(&log.writer());
  g_running_engine = &engine;
  auto previous = std::signal(SIGINT, onInterrupt);
  int status = 0;
  int n = 0;
  for (const std::string& arg : common.rest) {
    ++n;
    const std::string path = absolutePath(arg);
    Rec_Dbf dbf;
    dbf.POTECA = std::string(directoryOf(path));
    dbf.DBF_NAME = std::string(fileNameOf(path));
    dbf.TAB_NAME = toUpperAscii(has_table ? table : dbf.DBF_NAME.substr(0, dbf.DBF_NAME.find('.')));
    const std::string base = dbfBaseName(dbf.POTECA, dbf.DBF_NAME, common.home, rnd_from, rnd_to);

    s = engine.LoadOptions(settingsPath(common.home));
    engine.options().PrmFiSqlLdr = folder;  // bad files go with the other generated files
    engine.MsgInRichEdit = true;
    if (s.isOk() && !engine.OpenDbf(path)) s = engine.lastError();
    Rec_Fld fields;
    if (s.isOk()) s = engine.ReadHdrInfo("00", &fields);
    if (s.isOk() && engine.header().HdrBad) {
      s = Status::corrupt(path + ": the header is refused; nothing was written for it");
    }
    if (s.isOk()) s = FormezLdDt(prj, dbf, n, fields, last_suppl, folder, log_folder, base);
    if (s.isOk() && (n == 1 || !isSet(prj.IND_1_TAB))) {
      s = CreareaTabOra(folder, base, prj, dbf, fields, last_suppl);
    }
    if (s.isOk()) {
      CreareaInsHdr(prj, dbf, fields);
      prj.NrOrdDbf = n;
      prj.RnrOra = 0;
      s = engine.ConvertDbf(folder + base + (isSet(prj.SQLLDENB) ? ".Dbl" : ".Sql"), prj);
    }
    engine.CloseDbf();
    log.writer().ShowCaret();
    out << "RnrOra=" << prj.RnrOra << " RnrErr=" << prj.RnrErr << " RnrRej=" << prj.RnrRej
        << '\n';
    out.flush();
    if (!s.isOk()) status = fail(s);
  }
  std::signal(SIGINT, previous);
  g_running_engine = nullptr;
  return status;
}

}  // namespace tarvex::cli
