// tarvex-cli: the command-line front end over the core library.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/Commands.h"

namespace {

constexpr const char* kUsage =
    "usage: tarvex-cli <command> [arguments]\n"
    "commands:\n"
    "  info FILE.dbf...   show what the reader finds in each DBF file\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "info") return tarvex::cli::runInfo(args, std::cout, std::cerr);
  if (command == "-h" || command == "--help" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  std::cerr << "tarvex-cli: unknown command \"" << command << "\"\n" << kUsage;
  return 2;
}
