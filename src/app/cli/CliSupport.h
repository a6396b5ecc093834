// Pieces every tarvex-cli command shares: the program folder, the coloured log on the terminal,
// "--set" settings writes and "--prj" project fields.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/Status.h"
#include "logview/CmpParsG.h"
#include "logview/LogView.h"
#include "projects/ProjectRecords.h"

namespace tarvex {
class IniFile;
}

namespace tarvex::cli {

// Options common to the commands, taken out of the argument list.
struct CommonOptions {
  std::string home;                   // program folder, ending in '/'
  bool plain = false;                 // --plain: no colours even on a terminal
  std::vector<std::string> sets;      // --set KEY=VALUE or Section/Key=VALUE
  std::vector<std::string> prjs;      // --prj FIELD=VALUE
  std::vector<std::string> rest;      // everything else, in order
};

// Splits args into the common options and the rest. Options that take a value and have none
// give an error. "--home" defaults to the resolved program folder.
Status parseCommonOptions(const std::vector<std::string>& args, CommonOptions* opts);

// Takes "--name VALUE" out of rest; false when absent. A missing value is an error.
Status takeOption(std::vector<std::string>* rest, const std::string& name, std::string* value,
                  bool* found);

// Writes each "--set" into the settings file: KEY=VALUE to [SETUP], Section/Key=VALUE elsewhere.
Status applySettings(const IniFile& ini, const std::vector<std::string>& sets);

// Sets each "--prj FIELD=VALUE" in prj.
Status applyProjectFields(Rec_Prj* prj, const std::vector<std::string>& prjs);

// The log writer over the terminal (ANSI colours) or plain text on out, reading the keyword
// file of the program folder.
class CliLog {
 public:
  CliLog(std::ostream& out, const std::string& home, bool plain);
  ~CliLog();
  TCmpParsG& writer() { return writer_; }

 private:
  std::unique_ptr<LogView> view_;
  TCmpParsG writer_;
};

}  // namespace tarvex::cli
