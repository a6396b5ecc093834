// The commands of tarvex-cli. Each takes its arguments (after the command word), writes its
// output to out and one-line failure reasons to err, and returns the process exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tarvex::cli {

// tarvex-cli info FILE.dbf...: what the reader finds in each file.
int runInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// tarvex-cli convert FILE.dbf... [--home DIR] [--out DIR] [--table NAME] [--set KEY=VALUE]...
// [--prj FIELD=VALUE]... [--plain]: every file an import run writes for each DBF file (data
// file or INSERT script, control and parameter files, table script, bad file), the log, and a
// last line "RnrOra=W RnrErr=E RnrRej=R" per file.
int runConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// tarvex-cli project save NAME | list | show NAME | remove NAME [--home DIR] [--set ...]
// [--prj ...] [--password PW]: the project operations.
int runProject(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// tarvex-cli dbf add --project NAME --folder DIR [--mask MASK] [--clear] | list --project NAME:
// the DBF list of a project.
int runDbf(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// tarvex-cli exec [--connect CONNECT [--direct]] SCRIPT... [--nls-lang TEXT] [--home DIR]
// [--set ...] [--prj ...]: runs the scripts through a database session statement by statement;
// CONNECT is a connect string as a session reads it back (user/password@sqlite:PATH,
// user/password@postgresql://..., or user/password@host:port:sid with --direct); without it the
// project's stored credentials connect. Failing statements are reported with file and line and
// the next one runs; the exit status is 1 when any failed.
int runExec(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tarvex::cli
