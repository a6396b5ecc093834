// The DBF list of a project: its rows in LSTDBF.DAT. "Add DBF List" scans the project's folder
// tree for DBF files, probes each header and appends a row for every sound file; "List of files
// DBF" writes the rows into the log; a project's rows can be counted, numbered and removed.
// Log lines are the [File Header] / [Other] texts of the settings file with their placeholders
// filled; status panels and pending events go through the front end's interfaces.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "common/FrontEnd.h"
#include "common/Status.h"
#include "projects/ProjectTables.h"

namespace tarvex {

class ProjectWorkspace;

// Statistics of a project's rows (NrDbfDinPrj).
struct DbfListStats {
  int64_t rows = 0;
  int digits = 0;  // digits of the row count
  int64_t included = 0, formed = 0, loaded = 0, with_errors = 0;  // IND_INCL/FORM/LOAD/ERR "Y"
  std::string key;    // the project's key when it has rows
  int table_width = 0;     // longest trimmed TAB_NAME (at least 9)
  int folder_width = 0;    // longest folder (absolute, ending in "/")
  int name_width = 0;      // longest trimmed DBF_NAME
  int path_width = 0;      // longest folder + DBF_NAME (at least 17)
};

// Largest NR_SORT of the project whose padded key is given; 0 when it has no rows.
Status MaxNrSortDbf(ProjectTables& tables, const std::string& padded_key, int64_t* max);
// Removes every row of the project (renumbering them first), packing LSTDBF.DAT when rows were
// removed. A seek that fails counts as a miss.
Status DelDbfDinPrj(ProjectTables& tables, const std::string& padded_key);
// The statistics of the project's rows; folders are made absolute against program_folder.
Status NrDbfDinPrj(ProjectTables& tables, const std::string& padded_key,
                   const std::string& program_folder, DbfListStats* stats);

// The two long operations of the "Data import" tab over a workspace, with the idle flag that
// keeps a second one from starting while one runs (their event pumps let clicks through).
class DbfListOperations {
 public:
  DbfListOperations(ProjectWorkspace& workspace, LogSink& log) : ws_(workspace), log_(log) {}
  void setStatusBar(StatusPanels* panels) { status_ = panels; }
  void setEventPump(EventPump* pump) { pump_ = pump; }
  // Whether the engine has a DBF file open: the operations do not start then.
  void setEngineBusy(const bool* busy) { engine_busy_ = busy; }
  bool idle() const { return idle_; }

  // "Add DBF List" (BtnAddDbfClick) for the current project, with the gathered options
  // (gathered: the editors as a Rec_Prj; it is saved first). Folder, mask, "Clear" and
  // one-table mode come from the settings ([Path] PthImpDbf, Mask_DBF, BtnIndAddLst, LoadGrpDBF,
  // [SQLLDR] ONE TABLE). *files_added counts the rows appended. A refused start (not idle, or a
  // DBF file open) does nothing and returns ok with *started false.
  Status addDbfList(const Rec_Prj& gathered, bool* started, int64_t* files_added);
  // "List of files DBF" (BtnLstDbfClick): one log line per row of the current project.
  Status listDbf(bool* started, int64_t* rows_listed);

 private:
  Status scanFolder(const std::string& folder, const std::string& mask);
  void panel(int index, std::string_view text);
  void pumpEvents();
  void finish(const char* summary_key, int64_t count, std::string_view state,
              std::chrono::system_clock::time_point start);
  std::string text(const char* section, const char* key) const;

  ProjectWorkspace& ws_;
  LogSink& log_;
  StatusPanels* status_ = nullptr;
  EventPump* pump_ = nullptr;
  const bool* engine_busy_ = nullptr;
  bool idle_ = true;
  int64_t order_ = 0;    // order counter of the current "Add DBF List"
  int64_t logged_ = 0;   // files logged / rows listed
  int64_t added_ = 0;
  std::string one_table_;
};

}  // namespace tarvex
