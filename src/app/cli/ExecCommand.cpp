// tarvex-cli exec: runs scripts written earlier (table scripts, INSERT scripts, a run's master
// script) through a database session, as a user loads the files written with "Import in
// Oracle" off.
#include <cstdlib>

#include "app/IniFile.h"
#include "app/ProgramFolder.h"
#include "app/cli/CliSupport.h"
#include "app/cli/Commands.h"
#include "oracle/FncConect.h"
#include "oracle/SessionEvents.h"
#include "oracle/uEncrypt.h"
#include "projects/ProjectSettings.h"

namespace tarvex::cli {

int runExec(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  auto fail = [&](const std::string& why) {
    err << "tarvex-cli exec: " << why << '\n';
    return 1;
  };
  CommonOptions common;
  Status s = parseCommonOptions(args, &common);
  if (!s.isOk()) return fail(s.message());
  std::string connect, nls;
  bool has_connect = false, has_nls = false;
  s = takeOption(&common.rest, "--connect", &connect, &has_connect);
  if (s.isOk()) s = takeOption(&common.rest, "--nls-lang", &nls, &has_nls);
  if (!s.isOk()) return fail(s.message());
  bool direct = false;
  std::vector<std::string> scripts;
  for (const std::string& a : common.rest) {
    if (a == "--direct") {
      direct = true;
    } else if (a.rfind("--", 0) == 0) {
      return fail("unknown option " + a);
    } else {
      scripts.push_back(a);
    }
  }
  if (scripts.empty()) return fail("name at least one script");

  s = prepareProgramFolder(common.home);
  if (!s.isOk()) return fail(s.message());
  const IniFile ini(settingsPath(common.home));
  s = applySettings(ini, common.sets);
  if (!s.isOk()) return fail(s.message());
  Rec_Prj prj;
  s = gatherPrjFromSettings(ini, &prj);
  if (s.isOk()) s = applyProjectFields(&prj, common.prjs);
  if (!s.isOk()) return fail(s.message());

  // NLS_LANG names the client character set, set for the process as an import run does.
  if (has_nls) {
    ::setenv("NLS_LANG", nls.c_str(), 1);
  } else if (isSet(prj.SET_LANG) && !prj.NlsLang.empty()) {
    ::setenv("NLS_LANG", prj.NlsLang.c_str(), 1);
  }

  std::unique_ptr<Session> session;
  DbStatus c;
  if (has_connect) {
    // A connect string as read back from a session.
    std::string why;
    session = sessionForConnectString(connect, direct, common.home, &why);
    if (session == nullptr) return fail(why);
    session->setOnError(recordingHandler(prj));
    c = session->connect();
  } else {
    // The project's stored credentials, as an import run connects.
    int home = prj.HOMENAME;
    const std::string client =
        isSet(prj.CONNECTING) ? std::string("PostgreSQL") : GetNomeName(databaseClients(), &home);
    session = makeSession(client, common.home);
    if (session == nullptr) return fail("the " + client + " client is not part of this build");
    session->setHomeName(isSet(prj.CONNECTING) ? std::string() : client);
    c = ConnectStored(prj, *session, [](std::string_view p) { return UnscramblePass(p); });
  }
  if (!c.isOk()) {
    std::string box = OraErrorHandler1Error(prj.ConnErrCode, prj.ConnErrMsg);
    return fail("cannot connect: " + (prj.ConnErrMsg.empty() ? c.message() : prj.ConnErrMsg) +
                (box.empty() ? "" : " (" + box + ")"));
  }
  // From here on errors are shown and the scripts go on, the script executor's default.
  session->setOnError(nullptr);

  int status = 0;
  for (const std::string& path : scripts) {
    Script script(*session);
    int failures = 0;
    script.setReporter([&](const SessionError& e) {
      ++failures;
      err << "tarvex-cli exec: " << e.text() << '\n';
    });
    DbStatus r = script.loadFromFile(path);
    if (r.isOk()) r = script.execute();
    if (r.kind() == DbStatus::Kind::kError || r.isAborted()) {
      fail(r.message());
      status = 1;
      break;
    }
    out << path << ": " << script.statementsDone() << " statements done, " << failures
        << " failed\n";
    if (failures > 0 || !r.isOk()) status = 1;
  }
  session->disconnect();
  return status;
}

}  // namespace tarvex::cli
