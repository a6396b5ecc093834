// tarvex-cli project ... and dbf ...: the project operations and the DBF list over the project
// tables of the program folder.
#include <filesystem>

#include "app/cli/CliSupport.h"
#include "app/cli/Commands.h"
#include "common/TextUtil.h"
#include "oracle/uEncrypt.h"
#include "projects/DbfList.h"
#include "projects/ProjectFields.h"
#include "projects/ProjectSettings.h"
#include "projects/ProjectWorkspace.h"

namespace tarvex::cli {

namespace {

int failWith(std::ostream& err, const char* command, const Status& s) {
  err << "tarvex-cli " << command << ": " << s.message() << '\n';
  return 1;
}

// The options every project and dbf command shares, the workspace opened, --set applied.
struct Setup {
  CommonOptions common;
  ProjectWorkspace ws;
};

Status openWorkspace(const std::vector<std::string>& args, Setup* setup) {
  Status s = parseCommonOptions(args, &setup->common);
  if (s.isOk()) s = setup->ws.open(setup->common.home);
  if (s.isOk()) s = applySettings(setup->ws.ini(), setup->common.sets);
  return s;
}

Status noUnknownOptions(const std::vector<std::string>& rest) {
  for (const std::string& a : rest) {
    if (a.rfind("--", 0) == 0) return Status::invalidArgument("unknown option " + a);
  }
  return Status::ok();
}

int projectSave(Setup& st, std::ostream& out, std::ostream& err) {
  std::vector<std::string>& rest = st.common.rest;
  std::string password;
  bool has_password = false;
  Status s = takeOption(&rest, "--password", &password, &has_password);
  if (s.isOk()) s = noUnknownOptions(rest);
  if (s.isOk() && rest.size() != 1) s = Status::invalidArgument("name one project: project save NAME");
  if (!s.isOk()) return failWith(err, "project save", s);
  const IniFile& ini = st.ws.ini();
  Rec_Prj gathered = st.ws.current();
  s = ini.put("SETUP", "EdPrjName", rest[0]);
  if (s.isOk()) s = gatherPrjFromSettings(ini, &gathered);
  gathered.SUBSIST = trim(rest[0]);
  if (s.isOk()) s = applyProjectFields(&gathered, st.common.prjs);
  if (s.isOk() && has_password) {
    gathered.PAROLA = isSet(gathered.SAVE_PASS) && !trimView(password).empty()
                          ? ScramblePass(password)
                          : std::string();
  }
  ProjectEvent event = ProjectEvent::kNone;
  if (s.isOk()) s = st.ws.save(gathered, &event);
  if (s.isOk()) s = showPrjInSettings(ini, st.ws.current());
  if (!s.isOk()) return failWith(err, "project save", s);
  out << projectEventText(event) << ": " << st.ws.current().SUBSIST << " (key "
      << trim(st.ws.current().SER_NO) << ")\n";
  return 0;
}

int projectList(Setup& st, std::ostream& out, std::ostream& err) {
  Status s = noUnknownOptions(st.common.rest);
  DbaseTable& t = st.ws.tables().prj();
  if (s.isOk()) s = t.setIndexName("Tag1");
  if (s.isOk()) s = t.first();
  while (s.isOk() && !t.eof()) {
    Rec_Prj prj;
    s = readPrjRow(t, &prj);
    if (!s.isOk()) break;
    out << trim(prj.SER_NO) << '\t' << prj.SUBSIST << '\t' << prj.MASK_DBF << '\t' << prj.POTECA
        << '\n';
    s = t.next();
  }
  if (!s.isOk()) return failWith(err, "project list", s);
  return 0;
}

Status chooseNamed(Setup& st, const char* usage) {
  Status s = noUnknownOptions(st.common.rest);
  if (s.isOk() && st.common.rest.size() != 1) s = Status::invalidArgument(usage);
  if (s.isOk()) s = st.ws.chooseByName(st.common.rest[0]);
  return s;
}

int projectShow(Setup& st, std::ostream& out, std::ostream& err) {
  Status s = chooseNamed(st, "name one project: project show NAME");
  if (!s.isOk()) return failWith(err, "project show", s);
  for (const PrjColumn& c : prjColumns()) {
    if (!c.stored) continue;
    std::string value;
    if (getPrjField(st.ws.current(), c.name, &value).isOk()) out << c.name << '=' << value << '\n';
  }
  return 0;
}

int projectRemove(Setup& st, std::ostream& out, std::ostream& err) {
  Status s = noUnknownOptions(st.common.rest);
  if (s.isOk() && st.common.rest.size() != 1) {
    s = Status::invalidArgument("name one project: project remove NAME");
  }
  if (!s.isOk()) return failWith(err, "project remove", s);
  const std::string name = trim(st.common.rest[0]);
  const std::string key = st.ws.Caut_SN_dupa_Nume(name);
  if (key.empty()) return failWith(err, "project remove", Status::notFound("there is no project named \"" + name + "\""));
  st.ws.KeyAtOpen = st.ws.current().SER_NO;
  s = st.ws.removeProject(key);
  if (s.isOk() && st.ws.PackPending) {
    st.ws.PackPending = false;
    s = PackFiDbf(st.ws.tables().prj());
  }
  if (!s.isOk()) return failWith(err, "project remove", s);
  out << "Project removed: " << name << '\n';
  return 0;
}

int dbfAdd(Setup& st, std::ostream& out, std::ostream& err) {
  std::vector<std::string>& rest = st.common.rest;
  std::string project, folder, mask;
  bool has_project = false, has_folder = false, has_mask = false;
  Status s = takeOption(&rest, "--project", &project, &has_project);
  if (s.isOk()) s = takeOption(&rest, "--folder", &folder, &has_folder);
  if (s.isOk()) s = takeOption(&rest, "--mask", &mask, &has_mask);
  bool clear = false;
  for (auto it = rest.begin(); it != rest.end();) {
    if (*it == "--clear") {
      clear = true;
      it = rest.erase(it);
    } else {
      ++it;
    }
  }
  if (s.isOk()) s = noUnknownOptions(rest);
  if (s.isOk() && (!has_project || !has_folder || !rest.empty())) {
    s = Status::invalidArgument("usage: dbf add --project NAME --folder DIR [--mask MASK] [--clear]");
  }
  if (s.isOk()) s = st.ws.chooseByName(project);
  const IniFile& ini = st.ws.ini();
  // Choosing a project shows it in the editors, that is in the settings file.
  if (s.isOk()) s = showPrjInSettings(ini, st.ws.current());
  std::error_code ec;
  if (s.isOk()) s = ini.put("Path", "PthImpDbf", std::filesystem::absolute(folder, ec).string());
  if (s.isOk() && has_mask) s = ini.put("SETUP", "Mask_DBF", mask);
  if (s.isOk()) s = ini.put("SETUP", "BtnIndAddLst", clear ? "Y" : "N");
  Rec_Prj gathered = st.ws.current();
  if (s.isOk()) s = gatherPrjFromSettings(ini, &gathered);
  if (s.isOk()) s = applyProjectFields(&gathered, st.common.prjs);
  if (!s.isOk()) return failWith(err, "dbf add", s);
  CliLog log(out, st.common.home, st.common.plain);
  DbfListOperations ops(st.ws, log.writer());
  bool started = false;
  int64_t added = 0;
  s = ops.addDbfList(gathered, &started, &added);
  if (!s.isOk()) return failWith(err, "dbf add", s);
  return 0;
}

int dbfList(Setup& st, std::ostream& out, std::ostream& err) {
  std::string project;
  bool has_project = false;
  Status s = takeOption(&st.common.rest, "--project", &project, &has_project);
  if (s.isOk() && !has_project) s = Status::invalidArgument("usage: dbf list --project NAME");
  if (s.isOk()) s = noUnknownOptions(st.common.rest);
  if (s.isOk()) s = st.ws.chooseByName(project);
  if (!s.isOk()) return failWith(err, "dbf list", s);
  CliLog log(out, st.common.home, st.common.plain);
  DbfListOperations ops(st.ws, log.writer());
  bool started = false;
  int64_t listed = 0;
  s = ops.listDbf(&started, &listed);
  if (!s.isOk()) return failWith(err, "dbf list", s);
  return 0;
}

}  // namespace

int runProject(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "tarvex-cli project: save, list, show or remove\n";
    return 2;
  }
  const std::string sub = args[0];
  Setup st;
  Status s = openWorkspace({args.begin() + 1, args.end()}, &st);
  if (!s.isOk()) return failWith(err, "project", s);
  if (sub == "save") return projectSave(st, out, err);
  if (sub == "list") return projectList(st, out, err);
  if (sub == "show") return projectShow(st, out, err);
  if (sub == "remove") return projectRemove(st, out, err);
  err << "tarvex-cli project: unknown subcommand \"" << sub << "\"\n";
  return 2;
}

int runDbf(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "tarvex-cli dbf: add or list\n";
    return 2;
  }
  const std::string sub = args[0];
  Setup st;
  Status s = openWorkspace({args.begin() + 1, args.end()}, &st);
  if (!s.isOk()) return failWith(err, "dbf", s);
  if (sub == "add") return dbfAdd(st, out, err);
  if (sub == "list") return dbfList(st, out, err);
  err << "tarvex-cli dbf: unknown subcommand \"" << sub << "\"\n";
  return 2;
}

}  // namespace tarvex::cli
