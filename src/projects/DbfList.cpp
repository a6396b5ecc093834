#include "projects/DbfList.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "common/TimeText.h"
#include "engine/DbfHeaderProbe.h"
#include "import/TextHelpers.h"
#include "projects/ProjectSettings.h"
#include "projects/ProjectWorkspace.h"

namespace tarvex {

namespace {

constexpr const char* kHeader = "File Header";

std::string absoluteFolder(std::string_view folder, const std::string& program_folder) {
  return AddSlsh(AddPth(folder, program_folder));
}

// Restores the table's selected tag when it goes out of scope.
class TagGuard {
 public:
  explicit TagGuard(DbaseTable& t) : t_(t), tag_(t.indexName()) {}
  ~TagGuard() { (void)t_.setIndexName(tag_); }
  TagGuard(const TagGuard&) = delete;
  TagGuard& operator=(const TagGuard&) = delete;

 private:
  DbaseTable& t_;
  std::string tag_;
};

DbfDate dateOf(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  return DbfDate{CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}, false};
}

}  // namespace

Status MaxNrSortDbf(ProjectTables& tables, const std::string& padded_key, int64_t* max) {
  DbaseTable& t = tables.dbf();
  TagGuard guard(t);
  *max = 0;
  bool found = false;
  Status s = t.setIndexName("Tag1");
  if (s.isOk()) s = t.FindKey(padded_key, false, true, &found);
  while (s.isOk() && !t.eof()) {
    std::string key;
    s = t.ReadText("SER_NO", &key);
    if (!s.isOk() || key != padded_key) break;
    int64_t n = 0;
    s = t.ReadWhole("NR_SORT", &n);
    if (s.isOk()) *max = std::max(*max, n);
    if (s.isOk()) s = t.next();
  }
  return s;
}

Status DelDbfDinPrj(ProjectTables& tables, const std::string& padded_key) {
  DbaseTable& t = tables.dbf();
  TagGuard guard(t);
  const KeyWidths& w = tables.widths();
  bool found = false;
  // Renumber the project's rows 1, 2, 3 ... in Tag1 order first.
  Status s = t.setIndexName("Tag1");
  if (s.isOk() && !t.FindKey(padded_key, false, true, &found).isOk()) found = false;
  int64_t n = 0;
  while (s.isOk() && found && !t.eof()) {
    std::string key;
    s = t.ReadText("SER_NO", &key);
    if (!s.isOk() || key != padded_key) break;
    s = t.edit();
    if (s.isOk()) s = t.WriteText("NR_SORT", w.nrSortKey(std::to_string(++n)));
    if (s.isOk()) s = t.post();
    if (s.isOk()) s = t.next();
  }
  if (!s.isOk()) return s;
  // Then delete them in Tag4 order, deleted rows staying in the cursor's path.
  s = t.setIndexName("Tag4");
  t.setUseDeleted(true);
  int64_t deleted = 0;
  found = false;
  if (s.isOk() && !t.FindKey(padded_key + w.nrSortKey("1"), false, true, &found).isOk()) {
    found = false;
  }
  while (s.isOk() && found && !t.eof()) {
    std::string key;
    s = t.ReadText("SER_NO", &key);
    if (!s.isOk() || key != padded_key) break;
    s = t.deleteRecord();
    if (s.isOk()) ++deleted;
    if (s.isOk()) s = t.next();
  }
  t.setUseDeleted(false);
  if (s.isOk() && deleted > 0) s = PackFiDbf(t);
  return s;
}

Status NrDbfDinPrj(ProjectTables& tables, const std::string& padded_key,
                   const std::string& program_folder, DbfListStats* st) {
  *st = DbfListStats();
  DbaseTable& t = tables.dbf();
  TagGuard guard(t);
  bool found = false;
  Status s = t.setIndexName("Tag4");
  if (s.isOk()) s = t.FindKey(padded_key, false, true, &found);
  while (s.isOk() && !t.eof()) {
    Rec_Dbf row;
    s = readDbfRow(t, &row);
    if (!s.isOk() || row.SER_NO != padded_key) break;
    ++st->rows;
    st->key = row.SER_NO;
    st->included += isSet(row.IND_INCL);
    st->formed += isSet(row.IND_FORM);
    st->loaded += isSet(row.IND_LOAD);
    st->with_errors += isSet(row.IND_ERR);
    const std::string folder = absoluteFolder(row.POTECA, program_folder);
    const std::string name = trim(row.DBF_NAME);
    st->table_width = std::max({st->table_width, 9, static_cast<int>(trimView(row.TAB_NAME).size())});
    st->folder_width = std::max(st->folder_width, static_cast<int>(folder.size()));
    st->name_width = std::max(st->name_width, static_cast<int>(name.size()));
    st->path_width = std::max({st->path_width, 17, static_cast<int>(folder.size() + name.size())});
    s = t.next();
  }
  st->digits = static_cast<int>(std::to_string(st->rows).size());
  return s;
}

std::string DbfListOperations::text(const char* section, const char* key) const {
  return ws_.ini().get(section, key);
}

void DbfListOperations::panel(int index, std::string_view value) {
  if (status_ != nullptr) status_->setPanel(index, value);
}

// The end of a long operation: "18", the summary with the count and the time taken in words,
// the status panels, the log's first lines shown.
void DbfListOperations::finish(const char* summary_key, int64_t count, std::string_view state,
                               WallClock::time_point start) {
  log_.AddLine(text(kHeader, "18"));
  std::string summary = Repl_Prm(text("Other", summary_key), std::to_string(count), 1);
  summary = Repl_Prm(summary, "", 3);
  summary = Repl_Prm(summary, FrmTmLg(FrmTmS(start, WallClock::now()), ws_.ini()), 2);
  log_.AddLine(summary);
  panel(6, "Fi: " + std::to_string(count));
  panel(3, state);
  log_.ShowCaret();
  panel(5, FrmTmS(start, WallClock::now()));
  pumpEvents();
}

void DbfListOperations::pumpEvents() {
  if (pump_ != nullptr) pump_->processPendingEvents();
}

Status DbfListOperations::addDbfList(const Rec_Prj& gathered, bool* started, int64_t* files_added) {
  *started = false;
  *files_added = 0;
  if (trimView(gathered.SUBSIST).empty()) {
    log_.AddLine(text(kHeader, "17"));
    return Status::ok();
  }
  if (!idle_ || (engine_busy_ != nullptr && *engine_busy_)) return Status::ok();
  *started = true;
  ProjectEvent event;
  Status s = ws_.save(gathered, &event);
  if (!s.isOk()) return s;
  const IniFile& ini = ws_.ini();
  const std::string& home = ws_.programFolder();
  const auto start = WallClock::now();
  panel(3, "Start");
  panel(4, "Time start: " + clockText(start));
  logged_ = 0;
  order_ = 0;
  added_ = 0;
  idle_ = false;
  struct IdleAgain {
    bool& idle;
    ~IdleAgain() { idle = true; }
  } idle_again{idle_};

  const std::string key = ws_.tables().widths().serNoKey(ws_.current().SER_NO);
  if (ini.get("SETUP", "BtnIndAddLst") == "Y") {
    s = DelDbfDinPrj(ws_.tables(), key);
  } else {
    s = MaxNrSortDbf(ws_.tables(), key, &order_);
  }
  if (!s.isOk()) return s;
  log_.ClearLog();

  const std::string dbf_folder = trim(ini.get("Path", "PthImpDbf"));
  const std::string ldr_folder = trim(ini.get("Path", "PrmFiSqlLdr"));
  const std::string log_folder = trim(ini.get("Path", "DirLogFi"));
  for (auto [folder, msg] : {std::pair{&dbf_folder, "22"}, std::pair{&ldr_folder, "50"},
                             std::pair{&log_folder, "23"}}) {
    if (!directoryExists(absoluteFolder(*folder, home))) {
      log_.AddLine(Repl_Prm(text(kHeader, msg), *folder, 1));
    }
  }
  log_.AddLine(Repl_Prm(text(kHeader, "03"), trim(ws_.current().SUBSIST), 1));
  log_.AddLine(Repl_Prm(text(kHeader, "35"), dateTimeText(start), 1));
  std::string mask = trim(ini.get("SETUP", "Mask_DBF"));
  if (mask.empty()) mask = "*.Dbf";
  one_table_ = trim(ini.get("SQLLDR", "ONE TABLE"));
  s = scanFolder(absoluteFolder(dbf_folder, home), mask);
  finish("95", logged_, "End of adding", start);
  *files_added = added_;
  return s;
}

Status DbfListOperations::scanFolder(const std::string& folder, const std::string& mask) {
  const IniFile& ini = ws_.ini();
  const std::string t41 = text(kHeader, "41");
  const std::string t40 = text(kHeader, "40");
  const std::string t48 = text(kHeader, "48");
  size_t name_width = 0;
  std::string mark7;  // the folder's "<#7#>" text: "41" once a header there was unreadable
  // Entries in name order: readdir's own order means nothing to a user.
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(dir)) names.emplace_back(e->d_name);
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (name == "." || name == "..") continue;
    const std::string path = folder + name;
    if (directoryExists(path)) {
      Status s = scanFolder(path + "/", mask);
      if (!s.isOk()) return s;
      continue;
    }
    if (::fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    int problems = 0;
    DbfProbe probe;
    const bool readable = GetHDrDbf(path, &probe, &problems);
    auto file_start = WallClock::now();
    panel(8, "Add: " + path);
    const bool unreadable = !readable || probe.unreadable;
    if (!unreadable && problems == 0) {
      file_start = WallClock::now();
      pumpEvents();
      ++order_;
      Rec_Dbf row;
      row.SER_NO = ws_.tables().widths().serNoKey(ws_.current().SER_NO);
      row.POTECA = folder;
      row.NR_SORT = ws_.tables().widths().nrSortKey(std::to_string(order_));
      row.DBF_NAME = name;
      const std::string base = toUpperAscii(name.substr(0, name.find('.')));
      if (ini.get("SETUP", "LoadGrpDBF") == "Y") {
        if (one_table_.empty()) {
          one_table_ = base;
          Status s = ini.put("SQLLDR", "ONE TABLE", one_table_);
          if (!s.isOk()) return s;
          ws_.current().LDR_CTRL = one_table_;
        }
        row.TAB_NAME = toUpperAscii(one_table_);
      } else {
        row.TAB_NAME = base;
      }
      row.LOAD_DATE = DbfDate{CivilDate{1800, 1, 1}, false};
      row.RNR_DBF = static_cast<int32_t>(std::min<int64_t>(probe.recordCount, INT32_MAX));
      struct stat st {};
      row.DT_WIN = ::stat(path.c_str(), &st) == 0 ? dateOf(st.st_mtime)
                                                  : dateOf(std::time(nullptr));
      row.DT_DBF = DbfDate{probe.lastUpdate, false};
      DbaseTable& t = ws_.tables().dbf();
      Status s = t.append();
      if (s.isOk()) s = writeDbfRow(t, row);
      if (s.isOk()) s = t.post();
      if (!s.isOk()) {
        t.cancel();
        return s;
      }
      ++added_;
    }
    if (unreadable) {
      mark7 = t41;
    } else {
      panel(7, "Rec: " + std::to_string(probe.recordCount));
      pumpEvents();
    }
    std::string line = text(kHeader, "43");
    line = Repl_Prm(line, clockText(file_start), 1);
    line = Repl_Prm(line, FrmTmLg(FrmTmS(file_start, WallClock::now()), ini), 2);
    line = Repl_Prm(line, padLeft(std::to_string(logged_ + 1), 3), 3);
    if (unreadable) {
      line = Repl_Prm(line, t40, 10);
      for (int n : {4, 5, 6}) line = Repl_Prm(line, t48, n);
    } else {
      line = Repl_Prm(line, t41, 10);
      // A sound header shows its record count and date where an unreadable one shows "?".
      line = Repl_Prm(line, padLeft(std::to_string(probe.recordCount), 8) + " ", 4);
      line = Repl_Prm(line, formatDottedDate(probe.lastUpdate) + " ", 5);
      line = Repl_Prm(line, "", 6);
    }
    if (name_width == 0) name_width = name.size() + 3;
    line = Repl_Prm(line, mark7, 7);
    line = Repl_Prm(line, folder, 8);
    line = Repl_Prm(line, padRight(name, name_width) + " ", 9);
    if (unreadable || problems > 0) line += text(kHeader, "09");
    log_.AddLine(line);
    ++logged_;
    pumpEvents();
  }
  return Status::ok();
}

Status DbfListOperations::listDbf(bool* started, int64_t* rows_listed) {
  *started = false;
  *rows_listed = 0;
  const Rec_Prj& prj = ws_.current();
  if (trimView(prj.SUBSIST).empty()) {
    log_.AddLine(text(kHeader, "17"));
    return Status::ok();
  }
  if (!idle_ || (engine_busy_ != nullptr && *engine_busy_)) return Status::ok();
  *started = true;
  const IniFile& ini = ws_.ini();
  const std::string& home = ws_.programFolder();
  const auto start = WallClock::now();
  panel(3, "Start");
  panel(4, "Time start: " + clockText(start));
  idle_ = false;
  struct IdleAgain {
    bool& idle;
    ~IdleAgain() { idle = true; }
  } idle_again{idle_};

  log_.ClearLog();
  const std::string key = ws_.tables().widths().serNoKey(prj.SER_NO);
  DbfListStats st;
  Status s = NrDbfDinPrj(ws_.tables(), key, home, &st);
  if (!s.isOk()) return s;
  for (auto [folder, msg] : {std::pair{trim(ini.get("Path", "PrmFiSqlLdr")), "50"},
                             std::pair{trim(ini.get("Path", "DirLogFi")), "23"}}) {
    if (!directoryExists(absoluteFolder(folder, home))) {
      log_.AddLine(Repl_Prm(text(kHeader, msg), folder, 1));
    }
  }
  log_.AddLine(Repl_Prm(text(kHeader, "02"), trim(prj.SUBSIST), 1));
  log_.AddLine(Repl_Prm(text(kHeader, "35"), dateTimeText(start), 1));
  std::string heading = text(kHeader, isSet(prj.ORAENABLE) ? "07" : "06");
  heading = Repl_Prm(heading, FrmLenT("--< DBF files >--", st.path_width), 1);
  heading = Repl_Prm(heading, FrmLenT("<Table>", st.table_width), 2);
  log_.AddLine(heading);

  DbaseTable& t = ws_.tables().dbf();
  TagGuard guard(t);
  bool found = false;
  s = t.setIndexName("Tag4");
  if (s.isOk()) s = t.FindKey(key, false, true, &found);
  int64_t listed = 0;
  while (s.isOk() && !t.eof()) {
    Rec_Dbf row;
    s = readDbfRow(t, &row);
    if (!s.isOk() || row.SER_NO != key) break;
    ++listed;
    const std::string folder = absoluteFolder(row.POTECA, home);
    const std::string name = trim(row.DBF_NAME);
    std::string line = text(kHeader, "01");
    line = Repl_Prm(line, padLeft(std::to_string(listed), static_cast<size_t>(st.digits)), 1);
    line = Repl_Prm(line, folder, 8);
    const int name_room = st.path_width - static_cast<int>(folder.size()) + 1;
    line = Repl_Prm(line, padRight(row.DBF_NAME, static_cast<size_t>(std::max(name_room, 0))), 9);
    line = Repl_Prm(line, padRight(row.TAB_NAME, static_cast<size_t>(st.table_width + 1)), 4);
    line = Repl_Prm(line, row.DT_DBF.blank ? "" : formatDottedDate(row.DT_DBF.date), 5);
    line = Repl_Prm(line, padLeft(std::to_string(row.RNR_DBF), 7), 6);
    const bool never = row.LOAD_DATE.blank || row.LOAD_DATE.date < CivilDate{1801, 1, 1};
    line = Repl_Prm(line, never ? "    -" : formatDottedDate(row.LOAD_DATE.date), 2);
    line = Repl_Prm(line, padLeft(std::to_string(row.RNR_ORA), 7), 7);
    log_.AddLine(line);
    panel(5, FrmTmS(start, WallClock::now()));
    panel(7, "Rec:" + std::to_string(row.RNR_DBF));
    panel(8, folder + name);
    pumpEvents();
    s = t.next();
  }
  if (!s.isOk()) return s;
  finish("91", listed, "End of Display", start);
  *rows_listed = listed;
  return Status::ok();
}

}  // namespace tarvex
