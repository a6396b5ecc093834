// The conversion engine's option set, read from the [SETUP], [Path], [Other], [Table1] and
// [Table2] sections of Tarvex.ini before every DBF file (LoadOptions).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/CivilDate.h"
#include "common/Status.h"

namespace tarvex {

class IniFile;

// 256-entry byte translation table: entry j is the byte that replaces byte value j.
using ByteTable = std::array<uint8_t, 256>;

struct EngineOptions {
  // --- checks and what they report ([SETUP] flags) ---
  bool ExclPrePChk = false;  // data-file mode: copy records as they are, no field checks
  bool ChkDtErr = false;     // report invalid dates
  bool ChkDtNull = false;    // report empty dates
  bool ChkDtLess = false;    // report dates before DateLess
  bool ChkDtMore = false;    // report dates after DateMore
  bool ChkNmErr = false;     // numeric checks on
  bool ChkNmErr2 = false;    // report blank numbers (code ErInNum2)
  bool ChkDcErr = false;     // report numbers whose point or decimals do not fit the field
  bool ChkChrEr = false;     // report a 0 byte in a character field
  bool ChkChrEr2 = false;    // report a control byte (below 32) in a character field
  bool ChkLgcEr = false;     // report logical values outside " ?FNTY"
  bool ChkFrstEr = false;    // report records whose first byte is neither " " nor "*"

  // --- error codes chosen by the user ---
  int ErCdDtNull = 0;  // empty date
  int ErInDate = 0;    // invalid date
  int DtIsLess = 0;    // date before DateLess
  int DtIsMore = 0;    // date after DateMore
  int ErInNum = 0;     // malformed number, decimal layout that cannot be kept
  int ErInNum2 = 0;    // blank number
  int ErInChar = 0;    // 0 byte in a character field
  int ErInChar2 = 0;   // control byte in a character field
  int ErInLgc = 0;     // bad logical value
  CivilDate DateLess;  // lower date bound (01.01.0001 when missing or unreadable)
  CivilDate DateMore;  // upper date bound

  // --- deleted records: exactly one is set after LoadOptions ---
  bool InclRDel = false;    // include deleted records, marked deleted
  bool ExclDelRec = false;  // leave deleted records out
  bool RestDelRec = false;  // include deleted records as live

  int NrMaxAcEr = 0;        // highest error code a record may carry and still be written
  std::string FrmDatIncl;   // value written for an empty date; "NULL" (any case) = 8 blanks
  int TrLogicFld = 0;       // logical output: 0 "T"/"F", 1 "Y"/"N", 2 as found
  int DfLogicFld = 0;       // replacement for a bad logical: 0 true, 1 false, 2 "?", 3 blank
  bool SetLastUpd = false;  // the bad file gets today's date as date of last update
  bool InfFmtNum = false;   // re-format numbers to the field's width and decimals
  bool IndDelInSp = false;  // a bad first byte counts as live instead of deleted
  bool LngIsCorInHdr = false;  // trust the header's record length over the fields
  bool CreateNewFld = false;   // expose excess record bytes as an added field
  std::string NmFldSuplim;     // name of that added field
  bool AfSuplMsg = false;      // numeric error lines get an explanatory suffix
  bool ExclBit1 = false;       // the bad file's header is cut to exactly the descriptors
  int NrToAllowErr = 0;        // a file's run stops when more errors than this are counted
  int NrToShowErr = 0;         // error lines are logged until more errors than this
  int NrLogRecSkip = 0;        // records to skip at the start of each file
  std::string NrLogRecLoad;    // records to handle after the skipped ones; "" or "A..." = all
  bool IndRezInHex = false;    // error lines also show the bad value in hexadecimal

  // --- tables and folders ---
  ByteTable Table1{};        // translation used when a character field holds a 0 byte
  ByteTable Table2{};        // translation used when it holds a control byte
  std::string PrmFiSqlLdr;   // [Path] folder of control files; bad files go there

  // [Other] message texts read at LoadOptions, kept as (key, text) pairs.
  std::vector<std::pair<std::string, std::string>> texts;
  // Key "39" split: colour letter that marks the bad part of a value, colour letter that marks
  // it in the hexadecimal display, and the value-part template itself.
  char markColorValue = 'R';
  char markColorHex = 'R';
  std::string valueTemplate;

  // The loaded [Other] text of key, or the "Error in INI-file" text when it was not loaded.
  std::string text(std::string_view key) const;

  // Check groups: whether a field of the kind is examined at all in data-file mode.
  bool dateChecksOn() const { return ChkDtNull || ChkDtErr || ChkDtLess || ChkDtMore; }
  bool numericChecksOn() const { return ChkNmErr || ChkDcErr || ChkNmErr2; }
  bool charChecksOn() const { return ChkChrEr || ChkChrEr2; }
};

// Reads every engine key from the settings file into *opts and writes the deleted-records rule
// back to [SETUP] (exactly one of InclRDel, ExclDelRec, RestDelRec is "Y"). The settings file is
// opened for every single key. Missing keys read as described for each kind (flags clear,
// integers 0, dates 01.01.0001, texts the "Error in INI-file" text). The status reports a
// write-back that could not be done; the options are loaded in any case.
Status LoadOptions(const std::string& ini_path, EngineOptions* opts);

// Applies the precedence InclRDel > ExclDelRec > RestDelRec so that exactly one is set.
void applyDeletedRecordsRule(EngineOptions* opts);

// The engine's readers of single settings values (one file access each).
// Text: the stored value, or "Error in INI-file: ([Section],Key)" when empty or missing.
std::string readEngineText(const IniFile& ini, const std::string& section, const std::string& key);
// The text "Error in INI-file: ([section],key)".
std::string missingIniText(const std::string& section, const std::string& key);
// Flag: set only for the exact value "Y".
bool readEngineFlag(const IniFile& ini, const std::string& key);
// Integer: the value as a decimal integer; missing or malformed gives 0.
int readEngineInt(const IniFile& ini, const std::string& key);
// Date: "dd.mm.yyyy"; missing or unreadable gives 01.01.0001.
CivilDate readEngineDate(const IniFile& ini, const std::string& key);
// A translation table from the sixteen keys "1".."16" of a section (see LoadOptions).
ByteTable readTranslationTable(const IniFile& ini, const std::string& section);

}  // namespace tarvex
