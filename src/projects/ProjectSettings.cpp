#include "projects/ProjectSettings.h"

#include <optional>

#include "app/HistoryList.h"
#include "app/IniFile.h"
#include "app/SettingsValues.h"
#include "common/TextUtil.h"

namespace tarvex {

namespace {

constexpr const char* kSetup = "SETUP";

// Flag columns and the settings key of their button.
struct FlagKey {
  std::string Rec_Prj::*column;
  const char* key;
};
const FlagKey kFlags[] = {
    {&Rec_Prj::USE_DPL, "IndUseDPL"},      {&Rec_Prj::USEUNREC, "IndBindsize"},
    {&Rec_Prj::ADD_RECNO, "AddFRno"},      {&Rec_Prj::ADD_DELETE, "AddFDel"},
    {&Rec_Prj::ADD_ERRCOD, "AddFErC"},     {&Rec_Prj::CONNECTING, "Connecting"},
    {&Rec_Prj::IFNISBLANK, "ifNisBlank"},  {&Rec_Prj::ADD_PATH, "AddFPth"},
    {&Rec_Prj::ADD_SPFLD1, "AddSupFld1"},  {&Rec_Prj::ADD_SPFLD2, "AddSupFld2"},
    {&Rec_Prj::ORAENABLE, "EnablOra"},     {&Rec_Prj::EXCL_PR, "ExclPrePChk"},
    {&Rec_Prj::SQLLDENB, "EnablSqlL"},     {&Rec_Prj::SET_LANG, "EnablNlsL"},
    {&Rec_Prj::SAVE_PASS, "IndToCrLogS"},  {&Rec_Prj::IND_1_TAB, "LoadGrpDBF"},
    {&Rec_Prj::CHKDTERR, "ChkDtErr"},      {&Rec_Prj::CHKDTNULL, "ChkDtNull"},
    {&Rec_Prj::CHKDTLESS, "ChkDtLess"},    {&Rec_Prj::CHKDTMORE, "ChkDtMore"},
    {&Rec_Prj::CHKNMERR, "ChkNmErr"},      {&Rec_Prj::CHKDCERR, "ChkDcErr"},
    {&Rec_Prj::CHKNMERR2, "ChkNmErr2"},    {&Rec_Prj::CHKCHRER, "ChkChrEr"},
    {&Rec_Prj::CHKCHRER2, "ChkChrEr2"},    {&Rec_Prj::CHKLGCER, "ChkLgcEr"},
    {&Rec_Prj::CHKFRSTER, "ChkFrstEr"}};

// Text columns (trimmed) and their section and key.
struct TextKey {
  std::string Rec_Prj::*column;
  const char* section;
  const char* key;
};
const TextKey kTexts[] = {
    {&Rec_Prj::SUBSIST, kSetup, "EdPrjName"},      {&Rec_Prj::POTECA, "Path", "PthImpDbf"},
    {&Rec_Prj::NM_RECNO, kSetup, "NumRno"},        {&Rec_Prj::NM_DELETE, kSetup, "NumDel"},
    {&Rec_Prj::NM_ERRCOD, kSetup, "NumErC"},       {&Rec_Prj::NM_PATH, kSetup, "NumPth"},
    {&Rec_Prj::NM_SPFLD1, kSetup, "NumSupFld1"},   {&Rec_Prj::NM_SPFLD2, kSetup, "NumSupFld2"},
    {&Rec_Prj::VALDT_NULL, kSetup, "FrmDatIncl"},  {&Rec_Prj::IP, kSetup, "Ip"},
    {&Rec_Prj::LDR_CTRL, "SQLLDR", "ONE TABLE"},   {&Rec_Prj::DIRTMPFI, "Path", "PrmFiSqlLdr"},
    {&Rec_Prj::DIRLOGFI, "Path", "DirLogFi"},      {&Rec_Prj::PTHLDR, "SQLLDR", "PthLDR"}};

// Number columns, their key and what an empty value (or, where marked, "0") becomes.
struct NumberKey {
  int32_t Rec_Prj::*column;
  const char* key;
  const char* if_empty;  // nullptr: an empty value reads as 0
  bool zero_too;         // "0" is replaced as well
};
const NumberKey kNumbers[] = {
    {&Rec_Prj::LNG_RECNO, "LnFRno", "1", true},     {&Rec_Prj::LNG_DELETE, "LnFDel", "1", true},
    {&Rec_Prj::LNG_ERRCOD, "LnFErC", "1", true},    {&Rec_Prj::LNG_PATH, "LnFPth", "1", true},
    {&Rec_Prj::LNG_SPFLD1, "LnSupFld1", "1", true}, {&Rec_Prj::LNG_SPFLD2, "LnSupFld2", "1", true},
    {&Rec_Prj::TIP_SPFLD1, "TipSupFld1", nullptr, false},
    {&Rec_Prj::TIP_SPFLD2, "TipSupFld2", nullptr, false},
    {&Rec_Prj::TRLOGICFLD, "TrLogicFld", nullptr, false},
    {&Rec_Prj::DFLOGICFLD, "DfLogicFld", nullptr, false},
    {&Rec_Prj::HOMENAME, "HomeName", nullptr, false},
    {&Rec_Prj::MAX_INCL_E, "NrMaxAcEr", "999", false},
    {&Rec_Prj::ERINDATE, "ErInDate", "1", true},    {&Rec_Prj::ERCDDTNULL, "ErCdDtNull", "1", true},
    {&Rec_Prj::DTISLESS, "DtIsLess", "1", true},    {&Rec_Prj::DTISMORE, "DtIsMore", "1", true},
    {&Rec_Prj::ERINNUM, "ErInNum", "1", true},      {&Rec_Prj::ERINDECP, "ErInDecP", "1", true},
    {&Rec_Prj::ERINNUM2, "ErInNum2", "1", true},    {&Rec_Prj::ERINCHAR, "ErInChar", "1", true},
    {&Rec_Prj::ERINCHAR2, "ErInChar2", "1", true},  {&Rec_Prj::ERINLGC, "ErInLgc", "1", true},
    {&Rec_Prj::ERINFRSTB, "ErInFirstB", "1", true},
    {&Rec_Prj::ERRTOALLOW, "NrToAllowErr", nullptr, false},
    {&Rec_Prj::NRRECSKIP, "NrLogRecSkip", nullptr, false},
    {&Rec_Prj::BINDSIZE, "Bindsize", "256000", true},
    {&Rec_Prj::ROWS_N, "Rows_n", "10000", false},
    {&Rec_Prj::COMMIT, "Commit", "500", true},
    {&Rec_Prj::PORT, "Port", "10000", true},
    {&Rec_Prj::LngRndSql, "LngRndSql", nullptr, false}};

constexpr const char* kLoadModes[] = {"REPLACE", "TRUNCATE", "APPEND", "INSERT"};

std::string selectedHistoryItem(const IniFile& ini, const char* name) {
  HistoryList list;
  list.name = name;
  GtLstCmBox(ini, &list);
  return trim(list.text);
}

DbfDate dateOr(const IniFile& ini, const char* key, CivilDate fallback) {
  std::optional<CivilDate> d = parseDottedDate(trimView(ini.get(kSetup, key)));
  return DbfDate{d ? *d : fallback, false};
}

}  // namespace

Status gatherPrjFromSettings(const IniFile& ini, Rec_Prj* prj) {
  prj->MASK_DBF = ini.get(kSetup, "Mask_DBF");
  for (const FlagKey& f : kFlags) prj->*f.column = BtoYN(ini.get(kSetup, f.key) == "Y");
  for (const TextKey& t : kTexts) prj->*t.column = trim(ini.get(t.section, t.key));
  prj->OWN = selectedHistoryItem(ini, "UserSch");
  prj->BAZA = selectedHistoryItem(ini, "DbseSrv");
  prj->NlsLang = selectedHistoryItem(ini, "SetNls_Lang");

  std::optional<int64_t> mode = parseInteger(trimView(ini.get(kSetup, "ImportMode")));
  prj->LDR_OP = (mode && *mode >= 0 && *mode < 4) ? kLoadModes[*mode] : "";
  prj->IND_SH_HI = trimView(ini.get(kSetup, "ExecModeHiSh")) == "1" ? "S" : "H";

  prj->INCL_DEL = ini.get(kSetup, "InclRDel") == "Y"     ? "Y"
                  : ini.get(kSetup, "ExclDelRec") == "Y" ? "N"
                                                          : "R";
  if (prj->SQLLDENB != "Y") prj->EXCL_PR = "N";

  for (const NumberKey& n : kNumbers) {
    std::string v = trim(ini.get(kSetup, n.key));
    if (n.if_empty != nullptr && (v.empty() || (n.zero_too && v == "0"))) v = n.if_empty;
    if (v.empty()) v = "0";
    std::optional<int64_t> value = parseInteger(v);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) {
      return Status::invalidArgument("[SETUP] " + std::string(n.key) + " in " + ini.path() +
                                     ": \"" + v + "\" is not a whole number");
    }
    prj->*n.column = static_cast<int32_t>(*value);
  }

  std::string load = toUpperAscii(trim(ini.get(kSetup, "NrLogRecLoad")));
  if (load.empty() || load[0] == 'A') {
    prj->NRRECLOAD = -1;
  } else {
    std::optional<int64_t> value = parseInteger(load);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) {
      return Status::invalidArgument("[SETUP] NrLogRecLoad in " + ini.path() + ": \"" + load +
                                     "\" is neither All nor a whole number");
    }
    prj->NRRECLOAD = static_cast<int32_t>(*value);
  }
  prj->DATELESS = dateOr(ini, "DateLess", CivilDate{1, 1, 1});
  prj->DATEMORE = dateOr(ini, "DateMore", CivilDate{3999, 1, 1});
  prj->NR_DBF = 0;
  return Status::ok();
}

Status showPrjInSettings(const IniFile& ini, const Rec_Prj& prj) {
  Status s = ini.put(kSetup, "EdPrjName", prj.SUBSIST);
  auto put = [&](const char* section, const char* key, std::string_view value) {
    if (s.isOk()) s = ini.put(section, key, value);
  };
  put("Path", "PthImpDbf", prj.POTECA);
  put(kSetup, "Mask_DBF", prj.MASK_DBF);
  for (const FlagKey& f : kFlags) put(kSetup, f.key, prj.*f.column);
  for (const TextKey& t : kTexts) {
    if (std::string_view(t.key) != "EdPrjName" && std::string_view(t.key) != "PthImpDbf") {
      put(t.section, t.key, prj.*t.column);
    }
  }
  for (const NumberKey& n : kNumbers) put(kSetup, n.key, std::to_string(prj.*n.column));
  put(kSetup, "NrLogRecLoad", prj.NRRECLOAD == -1 ? "All" : std::to_string(prj.NRRECLOAD));
  int mode = -1;
  for (int i = 0; i < 4; ++i) {
    if (prj.LDR_OP == kLoadModes[i]) mode = i;
  }
  if (mode >= 0) put(kSetup, "ImportMode", std::to_string(mode));
  put(kSetup, "ExecModeHiSh", prj.IND_SH_HI == "H" ? "0" : "1");
  put(kSetup, "InclRDel", prj.INCL_DEL == "Y" ? "Y" : "N");
  put(kSetup, "ExclDelRec", prj.INCL_DEL != "Y" && prj.INCL_DEL != "R" ? "Y" : "N");
  put(kSetup, "RestDelRec", prj.INCL_DEL == "R" ? "Y" : "N");
  if (!prj.DATELESS.blank) put(kSetup, "DateLess", formatDottedDate(prj.DATELESS.date));
  if (!prj.DATEMORE.blank) put(kSetup, "DateMore", formatDottedDate(prj.DATEMORE.date));
  for (auto [name, text] : {std::pair{"UserSch", &prj.OWN}, std::pair{"DbseSrv", &prj.BAZA},
                            std::pair{"SetNls_Lang", &prj.NlsLang}}) {
    if (!s.isOk() || text->empty()) continue;
    HistoryList list;
    list.name = name;
    GtLstCmBox(ini, &list);
    list.text = *text;
    s = SvLstCmBox(ini, &list);
  }
  return s;
}

}  // namespace tarvex
