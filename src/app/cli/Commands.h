// The commands of tarvex-cli. Each takes its arguments (after the command word), writes its
// output to out and one-line failure reasons to err, and returns the process exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tarvex::cli {

// tarvex-cli info FILE.dbf...: what the reader finds in each file.
int runInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tarvex::cli
