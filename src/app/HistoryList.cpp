#include "app/HistoryList.h"

#include <algorithm>

#include "app/IniFile.h"
#include "common/TextUtil.h"

namespace tarvex {

namespace {

// A CNT far beyond what any user keeps is taken as damage, so that a hand-edited file cannot
// make the program read millions of empty items one file access at a time.
constexpr int64_t kMaxHistoryItems = 10000;

int findItem(const HistoryList& list, std::string_view text) {
  for (size_t i = 0; i < list.items.size(); ++i) {
    if (equalsIgnoreCase(list.items[i], text)) return static_cast<int>(i);
  }
  return -1;
}

Status rewriteSection(const IniFile& ini, const HistoryList& list) {
  const std::string section = list.section();
  Status s = ini.eraseSection(section);
  for (size_t i = 0; s.isOk() && i < list.items.size(); ++i) {
    s = ini.put(section, std::to_string(i + 100), list.items[i]);
  }
  if (s.isOk()) s = ini.put(section, "CNT", std::to_string(list.items.size()));
  if (s.isOk()) s = ini.put(section, "IND", std::to_string(list.selected));
  return s;
}

}  // namespace

void GtLstCmBox(const IniFile& ini, HistoryList* list, std::string_view working_nls_lang) {
  const std::string section = list->section();
  list->items.clear();
  list->selected = -1;
  list->text.clear();
  std::optional<int64_t> count = parseInteger(trimView(ini.get(section, "CNT")));
  if (count && *count > 0) {
    int64_t n = std::min(*count, kMaxHistoryItems);
    for (int64_t i = 0; i < n; ++i) list->items.push_back(ini.get(section, std::to_string(i + 100)));
    std::optional<int64_t> ind = parseInteger(trimView(ini.get(section, "IND")));
    list->selected = (ind && *ind >= 0 && *ind < n) ? static_cast<int>(*ind) : 0;
    list->text = list->items[static_cast<size_t>(list->selected)];
  }
  if (list->name == "SetNls_Lang") list->text = trim(working_nls_lang);
}

Status SvLstCmBox(const IniFile& ini, HistoryList* list) {
  list->text = trim(list->text);
  int pos = findItem(*list, list->text);
  if (pos >= 0) {
    list->selected = pos;
    return ini.put(list->section(), "IND", std::to_string(pos));
  }
  list->items.push_back(list->text);
  list->selected = static_cast<int>(list->items.size()) - 1;
  return rewriteSection(ini, *list);
}

Status removeHistoryItem(const IniFile& ini, HistoryList* list) {
  int pos = findItem(*list, trim(list->text));
  if (pos >= 0) list->items.erase(list->items.begin() + pos);
  list->selected = list->items.empty() ? -1 : 0;
  list->text = list->items.empty() ? std::string() : list->items[0];
  return rewriteSection(ini, *list);
}

}  // namespace tarvex
