#include "projects/ProjectWorkspace.h"

#include "app/ProgramFolder.h"
#include "common/TextUtil.h"
#include "projects/DbfList.h"

namespace tarvex {

namespace {

constexpr const char* kSetup = "SETUP";

// Remembers the table's record and tag, and puts them back when it goes out of scope.
class CursorGuard {
 public:
  explicit CursorGuard(DbaseTable& table)
      : table_(table), recno_(table.recNo()), tag_(table.indexName()) {}
  ~CursorGuard() {
    (void)table_.setIndexName(tag_);
    if (recno_ > 0) (void)table_.goTo(recno_);
  }
  CursorGuard(const CursorGuard&) = delete;
  CursorGuard& operator=(const CursorGuard&) = delete;

 private:
  DbaseTable& table_;
  int64_t recno_;
  std::string tag_;
};

}  // namespace

std::string_view projectEventText(ProjectEvent event) {
  switch (event) {
    case ProjectEvent::kChanged: return "Project data have changed";
    case ProjectEvent::kAdded: return "Project is added (in a Data Base)";
    case ProjectEvent::kUpdated: return "Project is updated (in a Data Base)";
    case ProjectEvent::kLoaded: return "Project is loaded (from a Data Base)";
    case ProjectEvent::kNone: break;
  }
  return "";
}

Status ProjectWorkspace::open(const std::string& program_folder) {
  program_folder_ = program_folder;
  Status s = prepareProgramFolder(program_folder);
  if (!s.isOk()) return s;
  ini_ = IniFile(settingsPath(program_folder));
  s = tables_.open(program_folder);
  if (!s.isOk()) return s;
  current_ = Rec_Prj();
  current_.LngRndSql = 0;
  ChosenKey = trim(ini_.get(kSetup, "SER_NO"));
  if (!ChosenKey.empty()) {
    Rec_Prj loaded = current_;
    loaded.SER_NO = ChosenKey;
    bool found = false;
    s = GetDinPrj(&loaded, /*by_key=*/true, &found);
    if (!s.isOk()) return s;
    if (found) current_ = loaded;
  }
  return Status::ok();
}

Status ProjectWorkspace::close() { return tables_.close(); }

Status ProjectWorkspace::GetDinPrj(Rec_Prj* prj, bool by_key, bool* found) {
  DbaseTable& t = tables_.prj();
  *found = false;
  if (by_key) {
    CursorGuard guard(t);
    Status s = t.setIndexName("Tag2");
    if (s.isOk()) s = t.FindKey(tables_.widths().serNoKey(prj->SER_NO), false, true, found);
    if (s.isOk() && *found) s = readPrjRow(t, prj);
    if (!s.isOk()) return s;
  } else {
    *found = !t.eof();
    if (*found) {
      Status s = readPrjRow(t, prj);
      if (!s.isOk()) return s;
    }
  }
  if (*found) ChosenKey = prj->SER_NO;
  return Status::ok();
}

Status ProjectWorkspace::AddInPrj(const Rec_Prj& prj) {
  DbaseTable& t = tables_.prj();
  Status s = t.append();
  if (s.isOk()) s = writePrjRow(t, prj, /*with_ser_no=*/true);
  if (s.isOk()) s = t.post();
  if (!s.isOk()) {
    t.cancel();
    return s;
  }
  return ini_.put(kSetup, "SER_NO", prj.SER_NO);
}

Status ProjectWorkspace::UpdPrj(const Rec_Prj& prj, bool* found) {
  DbaseTable& t = tables_.prj();
  Status s;
  {
    CursorGuard guard(t);
    s = t.setIndexName("Tag2");
    if (s.isOk()) s = t.FindKey(tables_.widths().serNoKey(prj.SER_NO), false, true, found);
    if (s.isOk() && *found) {
      s = t.edit();
      if (s.isOk()) s = writePrjRow(t, prj, /*with_ser_no=*/false);
      if (s.isOk()) s = t.post();
      if (!s.isOk()) t.cancel();
    }
  }
  Status w = ini_.put(kSetup, "SER_NO", prj.SER_NO);
  return s.isOk() ? w : s;
}

Status ProjectWorkspace::GetMaxKeyPrj(std::string* key) {
  DbaseTable& t = tables_.prj();
  CursorGuard guard(t);
  Status s = t.setIndexName("Tag2");
  if (s.isOk()) s = t.last();
  if (!s.isOk()) return s;
  std::string last = "0";
  if (!t.eof()) {
    s = t.ReadText("SER_NO", &last);
    if (!s.isOk()) return s;
    if (trimView(last).empty()) last = "0";
  }
  std::optional<int64_t> n = parseInteger(trimView(last));
  if (!n) return Status::corrupt(t.path() + ": the project key \"" + last + "\" is not a number");
  *key = tables_.widths().serNoKey(std::to_string(*n + 1));
  return Status::ok();
}

std::string ProjectWorkspace::Caut_SN_dupa_Nume(std::string_view name) {
  DbaseTable& t = tables_.prj();
  bool found = false;
  // An error of the seek counts as a miss.
  if (!t.setIndexName("Tag1").isOk()) return {};
  if (!t.FindKey(trimView(name), /*exact=*/true, /*partial=*/true, &found).isOk() || !found) {
    return {};
  }
  std::string key;
  if (!t.ReadText("SER_NO", &key).isOk()) return {};
  return key;
}

Status ProjectWorkspace::save(const Rec_Prj& gathered, ProjectEvent* event) {
  if (trimView(gathered.SUBSIST).empty()) {
    return Status::invalidArgument("Error! Name of project is not filled!");
  }
  // The carried columns, SER_NO and FLTR stay those of the current project.
  Rec_Prj prj = gathered;
  prj.SUBSIST = trim(gathered.SUBSIST);
  std::string key = Caut_SN_dupa_Nume(prj.SUBSIST);
  Status s;
  if (!key.empty()) {
    prj.SER_NO = key;
    bool found = false;
    s = UpdPrj(prj, &found);
    if (s.isOk() && !found) s = Status::notFound("the project \"" + prj.SUBSIST + "\" vanished");
    *event = ProjectEvent::kUpdated;
  } else {
    s = GetMaxKeyPrj(&key);
    prj.SER_NO = key;
    if (s.isOk()) s = AddInPrj(prj);
    *event = ProjectEvent::kAdded;
  }
  if (!s.isOk()) return s;
  current_ = prj;
  last_event_ = *event;
  return UpdDbfOne();
}

Status ProjectWorkspace::UpdDbfOne() {
  if (!isSet(current_.IND_1_TAB)) return Status::ok();
  DbaseTable& t = tables_.dbf();
  const std::string key = tables_.widths().serNoKey(current_.SER_NO);
  std::string one_table = trim(ini_.get("SQLLDR", "ONE TABLE"));
  CursorGuard guard(t);
  Status s = t.setIndexName("Tag4");
  bool found = false;
  if (s.isOk()) s = t.FindKey(key, false, true, &found);
  while (s.isOk() && !t.eof()) {
    Rec_Dbf row;
    s = readDbfRow(t, &row);
    if (!s.isOk() || row.SER_NO != key) break;
    if (one_table.empty()) {
      one_table = toUpperAscii(row.DBF_NAME.substr(0, row.DBF_NAME.find('.')));
      s = ini_.put("SQLLDR", "ONE TABLE", one_table);
      current_.LDR_CTRL = one_table;
      if (!s.isOk()) break;
    }
    s = t.edit();
    if (s.isOk()) s = t.WriteText("TAB_NAME", toUpperAscii(one_table));
    if (s.isOk()) s = t.post();
    if (s.isOk()) s = t.next();
  }
  return s;
}

Status ProjectWorkspace::choose(bool* loaded) {
  *loaded = false;
  if (PackPending) {
    PackPending = false;
    Status s = PackFiDbf(tables_.prj());
    if (!s.isOk()) return s;
  }
  if (trimView(ChosenKey).empty()) return Status::ok();
  Rec_Prj prj = current_;
  prj.SER_NO = ChosenKey;
  Status s = GetDinPrj(&prj, /*by_key=*/true, loaded);
  if (!s.isOk() || !*loaded) return s;
  current_ = prj;
  last_event_ = ProjectEvent::kLoaded;
  return ini_.put(kSetup, "SER_NO", ChosenKey);
}

Status ProjectWorkspace::chooseByName(std::string_view name) {
  ChosenKey = Caut_SN_dupa_Nume(name);
  if (ChosenKey.empty()) {
    return Status::notFound("there is no project named \"" + std::string(trimView(name)) + "\"");
  }
  bool loaded = false;
  Status s = choose(&loaded);
  if (s.isOk() && !loaded) {
    return Status::notFound("the project \"" + std::string(trimView(name)) + "\" was not found");
  }
  return s;
}

Status ProjectWorkspace::SetFltr(std::string_view text, MatchMode mode, bool* any_match) {
  DbaseTable& t = tables_.prj();
  LastFltrMode = mode;
  const std::string wanted = toUpperAscii(trimView(text));
  *any_match = false;
  Status s = t.setFilter("");
  if (s.isOk()) s = t.first();
  while (s.isOk() && !t.eof()) {
    std::string name;
    s = t.ReadText("SUBSIST", &name);
    if (!s.isOk()) break;
    name = toUpperAscii(trimView(name));
    bool match = false;
    switch (mode) {
      case MatchMode::kExact: match = name == wanted; break;
      case MatchMode::kBeginning: match = name.compare(0, wanted.size(), wanted) == 0; break;
      case MatchMode::kAnywhere: match = name.find(wanted) != std::string::npos; break;
    }
    *any_match = *any_match || match;
    s = t.edit();
    if (s.isOk()) s = t.WriteText("FLTR", match ? "Y" : "N");
    if (s.isOk()) s = t.post();
    if (s.isOk()) s = t.next();
  }
  if (s.isOk()) s = t.first();
  return s;
}

Status ProjectWorkspace::setFilter(std::string_view text, MatchMode mode, bool* any_match) {
  DbaseTable& t = tables_.prj();
  LastFltrText = std::string(text);
  const std::string wanted = toUpperAscii(trimView(text));
  Status s = t.first();
  if (!s.isOk()) return s;
  if (!wanted.empty()) {
    s = SetFltr(wanted, mode, any_match);
    if (s.isOk()) s = t.setFilter("FLTR='Y'");
    if (s.isOk()) t.setFiltered(true);
  } else {
    s = t.setFilter("");
    *any_match = t.recordCount() > 0;
  }
  if (s.isOk()) s = t.first();
  return s;
}

void ProjectWorkspace::exitWithoutChoice() {
  if (!KeyAtOpen.empty()) {
    ChosenKey.clear();
    return;
  }
  DbaseTable& t = tables_.prj();
  std::string key;
  if (t.first().isOk() && !t.eof()) (void)t.ReadText("SER_NO", &key);
  ChosenKey = key;
}

Status ProjectWorkspace::removeProject(const std::string& key) {
  DbaseTable& t = tables_.prj();
  const std::string padded = tables_.widths().serNoKey(key);
  Status s = t.setIndexName("Tag2");
  bool found = false;
  if (s.isOk()) s = t.FindKey(padded, true, false, &found);
  if (!s.isOk()) return s;
  if (!found) return Status::notFound("there is no project with the key " + trim(key));
  if (trim(key) == trim(KeyAtOpen)) KeyAtOpen.clear();
  s = t.deleteRecord();
  if (!s.isOk()) return s;
  PackPending = true;
  if (trim(key) == trim(current_.SER_NO)) {
    current_.SER_NO.clear();
    s = ini_.put(kSetup, "SER_NO", "");
    if (!s.isOk()) return s;
  }
  return DelDbfDinPrj(tables_, padded);
}

}  // namespace tarvex
