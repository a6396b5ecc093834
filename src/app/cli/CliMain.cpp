// tarvex-cli: the command-line front end over the core library.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/Commands.h"

namespace {

constexpr const char* kUsage =
    "usage: tarvex-cli <command> [arguments]\n"
    "commands:\n"
    "  info [--home DIR] FILE.dbf...\n"
    "      show what the reader finds in each DBF file\n"
    "  convert FILE.dbf... [--home DIR] [--out DIR] [--table NAME] [--set KEY=VALUE]...\n"
    "          [--prj FIELD=VALUE]... [--plain]\n"
    "      write the load files of each DBF file (data file or INSERT script, control and\n"
    "      parameter files, table script, bad file); --set writes a [SETUP] key (or\n"
    "      Section/Key) of the program folder's Tarvex.ini first, --prj sets a project field\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "info") return tarvex::cli::runInfo(args, std::cout, std::cerr);
  if (command == "convert") return tarvex::cli::runConvert(args, std::cout, std::cerr);
  if (command == "-h" || command == "--help" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  std::cerr << "tarvex-cli: unknown command \"" << command << "\"\n" << kUsage;
  return 2;
}
