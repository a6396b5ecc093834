// The loader's files for one DBF file: the control file (".Ctl") and the parameter file (".par"),
// the line of the run's batch file (".Bat") that starts the loader for the file, and the
// argument text with which the run starts the loader itself.
//
// Every generated file of a DBF file is named folder + base name + extension, with one spelling
// of the extension wherever the file is written or named (Linux file names are case-sensitive):
// the data file is ".Dbl" both when the engine writes it and in the control file's INFILE, the
// parameter file ".par" both when it is written and on command lines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/Status.h"
#include "engine/DbfLayout.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

inline constexpr std::string_view kControlExt = ".Ctl";
inline constexpr std::string_view kParameterExt = ".par";
inline constexpr std::string_view kDataExt = ".Dbl";
inline constexpr std::string_view kLoaderLogExt = ".Log";
inline constexpr std::string_view kLoaderBadExt = ".Bad";
inline constexpr std::string_view kBatchExt = ".Bat";

// The text of the control file, lines ended by CR LF. n is the file's order number in the run
// (one-table mode puts "APPEND" in every file after the first); lastSuppl is the number of the
// last present supplementary column (lastPresentSupplColumn, taken once per run), after which
// the column list is closed. folder ends in "/". fld must pass checkFieldLayout
// (ColumnLayout.h).
std::string controlFileText(const Rec_Prj& prj, const Rec_Dbf& dbf, int n, const Rec_Fld& fld,
                            int lastSuppl, std::string_view folder, std::string_view base);

// The text of the parameter file, lines ended by CR LF. folder and logFolder end in "/".
// ERRTOALLOW gives "errors=" with its number; NRRECLOAD gives a "Load=" line only when it is
// greater than 0 (-1 stands for all records).
std::string parameterFileText(const Rec_Prj& prj, std::string_view folder,
                              std::string_view logFolder, std::string_view base);

// Prepares the loader's files for one DBF file.
//
// Always sets prj.LngSupl to the total width of the present supplementary columns, whether the
// project loads through the loader or not (the engine needs it for the data file). With SQLLDENB
// "Y" it then writes folder + base + ".Ctl" and folder + base + ".par" anew; otherwise it writes
// nothing. folder (generated files) and logFolder are absolute and end in "/"
// (AddSlsh(AddPth(..))).
//
// Our choice: a file that cannot be created or written (missing or read-only folder, full disk)
// is reported as an error naming the file, rather than left missing without a word; the control
// file is written first and a failure there leaves the parameter file unwritten. A field layout
// without fields is refused with kInvalidArgument before anything is written.
Status FormezLdDt(Rec_Prj& prj, const Rec_Dbf& dbf, int n, const Rec_Fld& fld, int lastSuppl,
                  const std::string& folder, const std::string& logFolder, const std::string& base);

// Turns the stored (scrambled) password PAROLA into the clear one. The password scrambling lives
// with the connection code; the caller passes it in, and tests pass a stand-in.
using Unscrambler = std::function<std::string(std::string_view scrambled)>;

// The loader's connection text: OWN + "@" + BAZA when PAROLA, trimmed, is empty (the unscrambler
// is then not called), else OWN + "/" + unscramble(PAROLA) + "@" + BAZA.
std::string loaderConnectText(const Rec_Prj& prj, const Unscrambler& unscramble);

// The batch file's line for a DBF file, ended by LF:
//   "<PTHLDR trimmed>" <connection text>   ParFile='<folder><base>.par'
// (a blank after the closing quote, two blanks and a blank before ParFile). The password stands
// in clear. The line is a valid sh command line: inside the double quotes \ " $ ` are escaped
// with "\", a connection text holding anything but letters, digits and _@%+=:,./- is put in
// single quotes, and a "'" of the folder is written '\''. The line ends in LF, not CR LF: sh
// would keep a CR as part of the last argument.
std::string batchLine(const Rec_Prj& prj, std::string_view folder, std::string_view base,
                      const Unscrambler& unscramble);

// The argument text with which the run starts the loader PTHLDR for a DBF file:
// connStr + " ParFile='" + folder + base + ".par'" (connStr: the session's connect string).
std::string loaderArguments(std::string_view connStr, std::string_view folder,
                            std::string_view base);

// The warning shown when the loader cannot be started (result: the failure's code or text):
// "Err: " + result + "  Execute:" + PTHLDR + " " + " ParFile='" + folder + base + ".par'".
std::string loaderStartFailureText(std::string_view result, std::string_view pthLdr,
                                   std::string_view folder, std::string_view base);

}  // namespace tarvex
