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
    "      Section/Key) of the program folder's Tarvex.ini first, --prj sets a project field\n"
    "  project save NAME [--set KEY=VALUE]... [--prj FIELD=VALUE]... [--password PW]\n"
    "  project list | project show NAME | project remove NAME\n"
    "      keep import projects in the project tables of the program folder\n"
    "  dbf add --project NAME --folder DIR [--mask MASK] [--clear]\n"
    "  dbf list --project NAME\n"
    "      add the DBF files of a folder tree to a project; list a project's DBF files\n"
    "  exec [--connect USER/PASSWORD@SERVER [--direct]] SCRIPT... [--nls-lang TEXT]\n"
    "      run scripts through a database session (SERVER: sqlite:PATH, postgresql://...,\n"
    "      or host:port:sid with --direct; without --connect the project's stored\n"
    "      credentials); @\"path\" lines of a master script run the named scripts\n"
    "every command takes --home DIR (the program folder) and --plain (no colours)\n";

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
  if (command == "project") return tarvex::cli::runProject(args, std::cout, std::cerr);
  if (command == "dbf") return tarvex::cli::runDbf(args, std::cout, std::cerr);
  if (command == "exec") return tarvex::cli::runExec(args, std::cout, std::cerr);
  if (command == "-h" || command == "--help" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  std::cerr << "tarvex-cli: unknown command \"" << command << "\"\n" << kUsage;
  return 2;
}
