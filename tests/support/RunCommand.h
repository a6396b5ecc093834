// Runs a program (the tarvex-cli binary) with arguments and collects its exit status and output.
#pragma once

#include <string>
#include <vector>

namespace tarvex::test {

struct CommandResult {
  int exit_code = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs program with args (no shell involved), standard input from /dev/null.
CommandResult runCommand(const std::string& program, const std::vector<std::string>& args);

}  // namespace tarvex::test
