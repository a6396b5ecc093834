// The program folder: where Tarvex.ini, Pars.txt, LPrj/ and the default SQLite database live.
// It is $TARVEX_HOME when set, else the folder of the executable when writable, else
// $XDG_DATA_HOME/tarvex (~/.local/share/tarvex). A folder without Tarvex.ini gets the shipped
// one copied in.
#pragma once

#include <string>

#include "common/Status.h"

namespace tarvex {

// Resolves the program folder (with a trailing '/'); argv0 locates the executable.
std::string resolveProgramFolder(const char* argv0);

// Path of the settings file in a program folder ending in '/'.
inline std::string settingsPath(const std::string& folder) { return folder + "Tarvex.ini"; }

// Finds a file shipped with the program (Tarvex.ini, Pars.txt): beside the executable in
// resources/ or ../share/tarvex/, else in the source tree's resources/. Empty when not found.
std::string findShippedFile(const std::string& name);

// Creates the folder when missing and copies the shipped Tarvex.ini and Pars.txt into it when it
// has none.
Status prepareProgramFolder(const std::string& folder);

}  // namespace tarvex
