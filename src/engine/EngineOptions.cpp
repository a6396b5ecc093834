#include "engine/EngineOptions.h"

#include "app/IniFile.h"
#include "common/TextUtil.h"

namespace tarvex {

namespace {

constexpr const char* kSetup = "SETUP";
constexpr const char* kOther = "Other";

// [Other] texts the engine reads with its options; "39" is split into its parts.
constexpr const char* kOtherKeys[] = {
    "6",    "7",    "27",   "31",   "32",   "33",   "34",   "35",   "36",   "37",
    "38",   "40",   "83",   "84",   "N-1",  "N-24", "N-26", "N-33", "N-44", "N-55",
    "N-66", "N-N1", "N-N2", "N-N4", "51",   "52",   "55",   "42",   "46",   "47"};

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string missingIniText(const std::string& section, const std::string& key) {
  return "Error in INI-file: ([" + section + "]," + key + ")";
}

std::string readEngineText(const IniFile& ini, const std::string& section, const std::string& key) {
  std::string v = ini.get(section, key);
  if (v.empty()) return missingIniText(section, key);
  return v;
}

bool readEngineFlag(const IniFile& ini, const std::string& key) { return ini.get(kSetup, key) == "Y"; }

int readEngineInt(const IniFile& ini, const std::string& key) {
  std::optional<int64_t> v = parseInteger(trimView(ini.get(kSetup, key)));
  if (!v || *v > INT32_MAX || *v < INT32_MIN) return 0;
  return static_cast<int>(*v);
}

CivilDate readEngineDate(const IniFile& ini, const std::string& key) {
  std::optional<CivilDate> d = parseDottedDate(trimView(ini.get(kSetup, key)));
  return d ? *d : CivilDate{1, 1, 1};
}

ByteTable readTranslationTable(const IniFile& ini, const std::string& section) {
  std::string joined;
  for (int k = 1; k <= 16; ++k) joined += readEngineText(ini, section, std::to_string(k));
  // The joined text is filled up to 512 characters; pairs that are not hexadecimal give '?'.
  if (joined.size() < 512) joined.append(512 - joined.size(), '!');
  ByteTable table{};
  for (size_t j = 0; j < 256; ++j) {
    int hi = hexDigit(joined[2 * j]);
    int lo = hexDigit(joined[2 * j + 1]);
    table[j] = (hi < 0 || lo < 0) ? static_cast<uint8_t>('?') : static_cast<uint8_t>(hi * 16 + lo);
  }
  return table;
}

void applyDeletedRecordsRule(EngineOptions* o) {
  if (o->InclRDel) {
    o->ExclDelRec = false;
    o->RestDelRec = false;
  } else if (o->ExclDelRec) {
    o->RestDelRec = false;
  } else if (!o->RestDelRec) {
    o->InclRDel = true;
  }
}

std::string EngineOptions::text(std::string_view key) const {
  for (const auto& [k, v] : texts) {
    if (k == key) return v;
  }
  return missingIniText(kOther, std::string(key));
}

Status LoadOptions(const std::string& ini_path, EngineOptions* o) {
  IniFile ini(ini_path);
  auto flag = [&](const char* key) { return readEngineFlag(ini, key); };
  auto num = [&](const char* key) { return readEngineInt(ini, key); };

  o->ExclPrePChk = flag("ExclPrePChk");
  o->ChkDtErr = flag("ChkDtErr");
  o->ChkDtNull = flag("ChkDtNull");
  o->ChkDtLess = flag("ChkDtLess");
  o->ChkDtMore = flag("ChkDtMore");
  o->ChkNmErr = flag("ChkNmErr");
  o->ChkNmErr2 = flag("ChkNmErr2");
  o->ChkDcErr = flag("ChkDcErr");
  o->ChkChrEr = flag("ChkChrEr");
  o->ChkChrEr2 = flag("ChkChrEr2");
  o->ChkLgcEr = flag("ChkLgcEr");
  o->ChkFrstEr = flag("ChkFrstEr");

  o->ErCdDtNull = num("ErCdDtNull");
  o->ErInDate = num("ErInDate");
  o->DtIsLess = num("DtIsLess");
  o->DateLess = readEngineDate(ini, "DateLess");
  o->DtIsMore = num("DtIsMore");
  o->DateMore = readEngineDate(ini, "DateMore");
  o->ErInNum = num("ErInNum");
  o->ErInNum2 = num("ErInNum2");
  o->ErInChar = num("ErInChar");
  o->ErInChar2 = num("ErInChar2");
  o->ErInLgc = num("ErInLgc");

  o->InclRDel = flag("InclRDel");
  o->ExclDelRec = flag("ExclDelRec");
  o->RestDelRec = flag("RestDelRec");

  o->NrMaxAcEr = num("NrMaxAcEr");
  o->FrmDatIncl = ini.get(kSetup, "FrmDatIncl");
  o->TrLogicFld = num("TrLogicFld");
  o->DfLogicFld = num("DfLogicFld");
  o->SetLastUpd = flag("SetLastUpd");
  o->InfFmtNum = flag("InfFmtNum");
  o->IndDelInSp = flag("IndDelInSp");
  o->LngIsCorInHdr = flag("LngIsCorInHdr");
  o->CreateNewFld = flag("CreateNewFld");
  o->NmFldSuplim = readEngineText(ini, kSetup, "NmFldSuplim");
  o->AfSuplMsg = flag("AfSuplMsg");
  o->ExclBit1 = flag("ExclBit1");
  o->NrToAllowErr = num("NrToAllowErr");
  o->NrToShowErr = num("NrToShowErr");
  o->NrLogRecSkip = num("NrLogRecSkip");
  o->NrLogRecLoad = ini.get(kSetup, "NrLogRecLoad");
  o->IndRezInHex = flag("IndRezInHex");

  o->Table1 = readTranslationTable(ini, "Table1");
  o->Table2 = readTranslationTable(ini, "Table2");
  o->PrmFiSqlLdr = ini.get("Path", "PrmFiSqlLdr");

  o->texts.clear();
  for (const char* key : kOtherKeys) o->texts.emplace_back(key, readEngineText(ini, kOther, key));
  std::string t39 = readEngineText(ini, kOther, "39");
  o->markColorValue = t39.size() > 0 ? t39[0] : 'R';
  o->markColorHex = t39.size() > 1 ? t39[1] : 'R';
  o->valueTemplate = t39.size() > 2 ? t39.substr(2) : std::string();

  applyDeletedRecordsRule(o);
  for (auto [key, value] : {std::pair{"InclRDel", o->InclRDel}, std::pair{"ExclDelRec", o->ExclDelRec},
                            std::pair{"RestDelRec", o->RestDelRec}}) {
    Status s = ini.put(kSetup, key, value ? "Y" : "N");
    if (!s.isOk()) return s;
  }
  return Status::ok();
}

}  // namespace tarvex
