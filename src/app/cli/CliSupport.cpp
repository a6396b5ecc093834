#include "app/cli/CliSupport.h"

#include <unistd.h>

#include <iostream>

#include "app/IniFile.h"
#include "app/ProgramFolder.h"
#include "common/TextUtil.h"
#include "logview/MemoryLogView.h"
#include "logview/TerminalLogView.h"
#include "projects/ProjectFields.h"

namespace tarvex::cli {

namespace {

// The command line keeps only the last lines in memory; they are written out as they come.
constexpr size_t kLinesKept = 64;

bool splitAssignment(const std::string& text, std::string* name, std::string* value) {
  size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  *name = text.substr(0, eq);
  *value = text.substr(eq + 1);
  return true;
}

}  // namespace

Status takeOption(std::vector<std::string>* rest, const std::string& name, std::string* value,
                  bool* found) {
  *found = false;
  for (size_t i = 0; i < rest->size(); ++i) {
    if ((*rest)[i] != name) continue;
    if (i + 1 >= rest->size()) return Status::invalidArgument(name + " needs a value");
    *value = (*rest)[i + 1];
    rest->erase(rest->begin() + static_cast<std::ptrdiff_t>(i),
                rest->begin() + static_cast<std::ptrdiff_t>(i + 2));
    *found = true;
    return Status::ok();
  }
  return Status::ok();
}

Status parseCommonOptions(const std::vector<std::string>& args, CommonOptions* opts) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) -> Status {
      if (i + 1 >= args.size()) return Status::invalidArgument(a + " needs a value");
      *out = args[++i];
      return Status::ok();
    };
    Status s;
    if (a == "--home") {
      s = value(&opts->home);
    } else if (a == "--plain") {
      opts->plain = true;
    } else if (a == "--set") {
      s = value(&opts->sets.emplace_back());
    } else if (a == "--prj") {
      s = value(&opts->prjs.emplace_back());
    } else {
      opts->rest.push_back(a);
    }
    if (!s.isOk()) return s;
  }
  if (opts->home.empty()) opts->home = resolveProgramFolder(nullptr);
  if (opts->home.back() != '/') opts->home += '/';
  return Status::ok();
}

Status applySettings(const IniFile& ini, const std::vector<std::string>& sets) {
  for (const std::string& set : sets) {
    std::string name, value;
    if (!splitAssignment(set, &name, &value)) {
      return Status::invalidArgument("--set " + set + ": expected KEY=VALUE or Section/Key=VALUE");
    }
    std::string section = "SETUP";
    if (size_t slash = name.find('/'); slash != std::string::npos) {
      section = name.substr(0, slash);
      name = name.substr(slash + 1);
    }
    if (section.empty() || name.empty()) {
      return Status::invalidArgument("--set " + set + ": expected KEY=VALUE or Section/Key=VALUE");
    }
    Status s = ini.put(section, name, value);
    if (!s.isOk()) return s;
  }
  return Status::ok();
}

Status applyProjectFields(Rec_Prj* prj, const std::vector<std::string>& prjs) {
  for (const std::string& p : prjs) {
    std::string name, value;
    if (!splitAssignment(p, &name, &value)) {
      return Status::invalidArgument("--prj " + p + ": expected FIELD=VALUE");
    }
    Status s = setPrjField(*prj, name, value);
    if (!s.isOk()) return s;
  }
  return Status::ok();
}

CliLog::CliLog(std::ostream& out, const std::string& home, bool plain) {
  if (!plain && ::isatty(STDOUT_FILENO) && &out == &std::cout) {
    view_ = std::make_unique<TerminalLogView>(out, kLinesKept);
  } else {
    view_ = std::make_unique<PlainTextLogView>(&out, kLinesKept);
  }
  writer_.setColorParsFile(home + "Pars.txt");
  writer_.AttachView(view_.get());
}

CliLog::~CliLog() { writer_.ShowCaret(); }

}  // namespace tarvex::cli
