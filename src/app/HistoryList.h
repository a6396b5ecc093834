// History lists of the combo boxes UserSch, DbseSrv and SetNls_Lang, kept in the settings file
// in a section "GR_" + the combo box's name: CNT (number of items), IND (selected position, -1
// for none) and the items under the keys "100", "101", ...
//
// The operations work on a plain list model that a combo box (or a command-line front end)
// shows; they never touch a widget.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace tarvex {

class IniFile;

struct HistoryList {
  std::string name;                // name of the combo box, e.g. "UserSch"
  std::vector<std::string> items;  // the items in list order
  int selected = -1;               // position of the selected item, -1 for none
  std::string text;                // the combo box's edit text

  std::string section() const { return "GR_" + name; }
};

// Loads the list of list->name from the settings file (GtLstCmBox). CNT that is empty, 0 or not
// a number loads no item; IND that is empty, not a number or outside the list selects item 0.
// The text becomes the selected item's text; for "SetNls_Lang" it becomes working_nls_lang,
// trimmed, instead.
void GtLstCmBox(const IniFile& ini, HistoryList* list, std::string_view working_nls_lang = {});

// Adds the trimmed text to the list unless an item equals it ignoring case, selects that item
// and rewrites the section (SvLstCmBox). When the item was already there only IND is written.
Status SvLstCmBox(const IniFile& ini, HistoryList* list);

// Removes the item equal to the trimmed text ignoring case (if any), selects item 0 (or none
// when the list is empty) and rewrites the section, CNT and IND always included
// (DelUserSchClick, DelDbseSrvClick).
Status removeHistoryItem(const IniFile& ini, HistoryList* list);

}  // namespace tarvex
