#include "app/SettingsValues.h"

#include "app/IniFile.h"
#include "common/TextUtil.h"

namespace tarvex {

namespace {

constexpr std::string_view kMaxInt = "2147483647";

std::string clampToMaxInt(std::string v) {
  if (v.size() > kMaxInt.size() || (v.size() == kMaxInt.size() && v > kMaxInt)) {
    return std::string(kMaxInt);
  }
  return v;
}

}  // namespace

std::string G_INI(std::string_view value, std::string_view def) {
  std::string v = trim(value);
  if (v.empty() || v == "0") return std::string(def);
  return clampToMaxInt(std::move(v));
}

std::string NVL(std::string_view value, std::string_view def) {
  std::string v = trim(value);
  if (v.empty()) v = std::string(def);
  return clampToMaxInt(std::move(v));
}

std::string Save_Ini(const IniFile& ini, std::string_view key, std::string_view value,
                     Status* status) {
  std::string v = NVL(value, "0");
  *status = ini.put("SETUP", key, v);
  return v;
}

std::string BtoYN(bool flag) { return flag ? "Y" : "N"; }

bool YNtoB(const IniFile& ini, std::string_view value, std::string_view key, Status* status) {
  *status = ini.put("SETUP", key, value);
  return value == "Y";
}

}  // namespace tarvex
