// The current project and the operations on the project tables that the main window and the
// command line share: loading a project row (GetDinPrj), saving (update the project of that
// name or add one with a new key), choosing a project, the chooser's filter and the removal of
// a project with its DBF list. No widget is involved: the window gathers its editors into a
// Rec_Prj (or the command line gathers the settings file) and calls these; the outcome comes
// back as a value the window shows.
#pragma once

#include <string>
#include <string_view>

#include "app/IniFile.h"
#include "common/FrontEnd.h"
#include "common/Status.h"
#include "projects/ProjectRecords.h"
#include "projects/ProjectTables.h"

namespace tarvex {

// The last project event, as the label LabelUpdAdd shows it.
enum class ProjectEvent { kNone, kChanged, kAdded, kUpdated, kLoaded };
// "Project data have changed", "Project is added (in a Data Base)", ... ("" for kNone).
std::string_view projectEventText(ProjectEvent event);

// How the chooser's filter compares a project name with the filter text.
enum class MatchMode { kExact = 0, kBeginning = 1, kAnywhere = 2 };

class ProjectWorkspace {
 public:
  // Opens (creating when missing) the project tables of the program folder, with the settings
  // file there, and loads the project whose key [SETUP] SER_NO remembers (when it exists).
  Status open(const std::string& program_folder);
  Status close();

  ProjectTables& tables() { return tables_; }
  const IniFile& ini() const { return ini_; }
  const std::string& programFolder() const { return program_folder_; }

  // The current project (the window's one Rec_Prj) and its key (empty: none since start).
  Rec_Prj& current() { return current_; }
  const Rec_Prj& current() const { return current_; }
  std::string ChosenKey;  // the key the chooser hands back
  std::string KeyAtOpen;  // the current key when the chooser opened
  bool PackPending = false;  // LSTPRJ.DAT is to be packed when the chooser closes
  ProjectEvent lastEvent() const { return last_event_; }

  // --- rows of LSTPRJ.DAT ---
  // Reads a row into prj: by_key seeks prj's SER_NO in Tag2 and comes back to the remembered
  // row and tag; otherwise the current row. *found: a row was read. ChosenKey takes its key.
  Status GetDinPrj(Rec_Prj* prj, bool by_key, bool* found);
  // Appends a row from prj (SER_NO included) and writes the key to [SETUP] SER_NO.
  Status AddInPrj(const Rec_Prj& prj);
  // Rewrites the row of prj's key (every column but SER_NO); writes the key to [SETUP] SER_NO.
  Status UpdPrj(const Rec_Prj& prj, bool* found);
  // The key for a new project: the largest key + 1, right-aligned in the SER_NO width.
  Status GetMaxKeyPrj(std::string* key);
  // The key of the project named exactly name (trimmed; letter case counts), "" when none.
  // Leaves Tag1 selected.
  std::string Caut_SN_dupa_Nume(std::string_view name);

  // Save (steps after the editors were gathered into `gathered`): the project of that name is
  // updated, else a project is added with a new key; it becomes the current project; in
  // one-table mode every DBF row of the project gets the one-table name (UpdDbfOne). An empty
  // name is refused with "Error! Name of project is not filled!".
  Status save(const Rec_Prj& gathered, ProjectEvent* event);
  // Gives every DBF row of the current project the one-table name (only in one-table mode).
  Status UpdDbfOne();

  // Choose: makes the project of ChosenKey current (GetDinPrj by key) and remembers the key in
  // [SETUP] SER_NO; packs LSTPRJ.DAT first when PackPending. *loaded: a project was loaded.
  Status choose(bool* loaded);
  // Finds a project by name and chooses it; kNotFound naming it when there is none.
  Status chooseByName(std::string_view name);

  // --- the chooser ---
  // "Set the filter": marks every row's FLTR by the text and mode (SetFltr) and shows only the
  // marked rows; an empty text shows every row again (the marks stay). *any_match tells
  // whether the choice button is enabled.
  Status setFilter(std::string_view text, MatchMode mode, bool* any_match);
  Status SetFltr(std::string_view text, MatchMode mode, bool* any_match);
  std::string LastFltrText;
  MatchMode LastFltrMode = MatchMode::kBeginning;
  // "Exit without a choice": keeps the current project, or when there is none (or it was
  // removed) hands back the first project of the list.
  void exitWithoutChoice();
  // Removes the project of key with all its DBF rows (after the user confirmed).
  Status removeProject(const std::string& key);

 private:
  ProjectTables tables_;
  IniFile ini_{""};
  std::string program_folder_;
  Rec_Prj current_;
  ProjectEvent last_event_ = ProjectEvent::kNone;
};

}  // namespace tarvex
