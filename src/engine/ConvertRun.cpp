// The conversion run (ConvertDbf): one DBF file into one load file.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <chrono>
#include <ctime>
#include <optional>

#include "app/IniFile.h"
#include "common/CivilDate.h"
#include "common/FileIo.h"
#include "common/OutputFile.h"
#include "common/TextUtil.h"
#include "common/TimeText.h"
#include "engine/BadFile.h"
#include "engine/CmpDbfGOra.h"
#include "engine/EngineLog.h"
#include "engine/FieldChecks.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

namespace {

constexpr size_t kOutputBuffer = 64000;
// The buffer is written out before a record when it holds more than this minus the record's
// line, so that a record's line is always in the buffer while it may still be taken back.
constexpr int64_t kFlushMark = 63984;
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kNotLoaded = "Not load  ";

using Clock = WallClock;

// Appends text right-aligned in width (never cut).
void appendRight(std::string& out, std::string_view text, int32_t width) {
  if (static_cast<int32_t>(text.size()) < width) out.append(static_cast<size_t>(width) - text.size(), ' ');
  out.append(text);
}

// Appends text left-aligned in width and cut to it.
void appendLeftCut(std::string& out, std::string_view text, int32_t width) {
  const size_t w = width > 0 ? static_cast<size_t>(width) : 0;
  out.append(text.substr(0, w));
  if (text.size() < w) out.append(w - text.size(), ' ');
}

bool isBlank(std::string_view v) { return v.find_first_not_of(' ') == std::string_view::npos; }

// Whether any byte is below 32 (a 0 byte or a control character). Character fields are most of
// a record's bytes, so they are scanned eight bytes at a time: a word has a byte below 0x20
// exactly when (w - 0x20..20) & ~w & 0x80..80 is not zero.
bool hasControlByte(std::string_view v) {
  constexpr uint64_t kLow = 0x2020202020202020ull;
  constexpr uint64_t kHigh = 0x8080808080808080ull;
  size_t i = 0;
  for (; i + 8 <= v.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, v.data() + i, 8);
    if (((w - kLow) & ~w & kHigh) != 0) return true;
  }
  for (; i < v.size(); ++i) {
    if (static_cast<unsigned char>(v[i]) < 32) return true;
  }
  return false;
}

// A supplementary column is written when its switch is "Y" and it has a width: the control
// file, the table and the INSERT head declare exactly those.
bool present(const std::string& flag, int32_t width) { return isSet(flag) && width > 0; }

}  // namespace

// One run over one DBF file. Lives for the duration of ConvertDbf.
class ConversionRun {
 public:
  ConversionRun(TCmpDbfGOra& engine, Rec_Prj& prj) : e_(engine), o_(engine.opts_), prj_(prj) {}

  Status run(const std::string& load_path);

 private:
  void log(std::string_view line) {
    if (e_.log_ != nullptr) e_.log_->AddLine(line);
  }
  void panel(int index, std::string_view text) {
    if (e_.status_ != nullptr) e_.status_->setPanel(index, text);
  }
  void recordHeader(int64_t k);
  Status convertRecord(int64_t k, bool* rejected_out);
  void fieldValue(int i, std::string_view v, char type);
  void addScriptValue(char type, std::string_view v);
  void addSupplementary(int64_t k, char effective_first);
  std::string badFileName(Clock::time_point start) const;
  std::string programFolder() const;
  void prepareFreeColumnTexts();
  std::string_view freeColumnValue(int32_t kind) const;

  TCmpDbfGOra& e_;
  const EngineOptions& o_;
  Rec_Prj& prj_;
  bool script_ = false;
  const Rec_Fld* fld_ = nullptr;

  OutputFile out_;
  BadFile bad_;
  std::string bad_name_;

  // Counters of the run.
  int64_t err_total_ = 0;    // ErrTotal
  int rec_err_cnt_ = 0;      // RecErrCnt
  int rec_max_err_ = 0;      // RecMaxErr
  int64_t recs_with_err_ = 0;
  int64_t recs_rej_ = 0;
  int64_t recs_del_skip_ = 0;
  int64_t rows_out_ = 0;
  int64_t rows_since_commit_ = 0;
  bool log_on_ = true;         // LogOn
  bool header_printed_ = false;

  // Reused buffers of the record loop.
  std::string value_out_;
  CheckResult res_;
  std::string row_;            // script mode: the values of the current row
  size_t row_line_len_ = 0;    // length of the row's current text line
  size_t line_start_ = 0;      // data mode: where the current record's line starts
  bool row_first_ = true;
  std::string bad_record_;

  // Texts of the free columns and the DBF folder.
  std::string dbf_name_, dbf_folder_, file_time_text_, header_date_text_, order_text_;
};

std::string ConversionRun::programFolder() const {
  return std::string(directoryOf(e_.ini_file_name_));
}

std::string ConversionRun::badFileName(Clock::time_point start) const {
  // Relative or empty folders are taken against the program folder.
  std::string folder = trim(o_.PrmFiSqlLdr);
  if (folder.empty() || folder[0] != '/') folder = programFolder() + folder;
  if (folder.empty() || folder.back() != '/') folder += '/';
  std::time_t tt = Clock::to_time_t(start);
  std::tm local{};
  localtime_r(&tt, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "_%y%m%d_%H%M%S_BAD", &local);
  const size_t dot = dbf_name_.find('.');
  std::string name = dbf_name_.substr(0, dot);
  std::string ext = dot == std::string::npos ? std::string() : dbf_name_.substr(dot, 50);
  return folder + name + stamp + ext;
}

void ConversionRun::prepareFreeColumnTexts() {
  const DbfHeader& h = e_.hdr_;
  dbf_name_ = std::string(fileNameOf(e_.dbf_path_));
  dbf_folder_ = std::string(directoryOf(e_.dbf_path_));
  order_text_ = std::to_string(prj_.NrOrdDbf);
  // Kind 1: the file's modification time; the time is left out at exactly midnight.
  struct stat st {};
  file_time_text_.clear();
  if (::stat(e_.dbf_path_.c_str(), &st) == 0) {
    std::tm local{};
    localtime_r(&st.st_mtime, &local);
    char buf[32];
    if (local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0) {
      std::strftime(buf, sizeof buf, "%d.%m.%Y", &local);
    } else {
      std::strftime(buf, sizeof buf, "%d.%m.%Y %H:%M:%S", &local);
    }
    file_time_text_ = buf;
  }
  // Kind 2: the header's date; a month or day that names no calendar day is clamped.
  int month = std::clamp(h.HdrMonth, 1, 12);
  int day = std::clamp(h.HdrDay, 1, daysInMonth(h.HdrYear, month));
  header_date_text_ = formatDottedDate(CivilDate{h.HdrYear, month, day});
}

std::string_view ConversionRun::freeColumnValue(int32_t kind) const {
  switch (kind) {
    case 0: return dbf_name_;
    case 1: return file_time_text_;
    case 2: return header_date_text_;
    case 3: return order_text_;
    default: return {};
  }
}

void ConversionRun::recordHeader(int64_t k) {
  if (!log_on_ || header_printed_) return;
  log(recordHeaderLine(o_, k, e_.firstByte() == '*'));
  header_printed_ = true;
}

// Script mode: one value of the row through FmtInsVal, wrapped at LngRndSql.
void ConversionRun::addScriptValue(char type, std::string_view v) {
  // The value text is built at the row's end, then moved into place when the line wraps.
  const size_t start = row_.size();
  const size_t sep = row_first_ ? 0 : 2;
  if (!row_first_) row_ += ", ";
  const size_t value_at = row_.size();
  auto quoted = [&](std::string_view text) {
    std::string_view t = trimView(text);
    row_ += '\'';
    // Quotes are doubled so that the text stays one literal.
    for (size_t q = t.find('\''); q != std::string_view::npos; q = t.find('\'')) {
      row_.append(t.substr(0, q + 1));
      row_ += '\'';
      t.remove_prefix(q + 1);
    }
    row_.append(t);
    row_ += '\'';
  };
  switch (type) {
    case 'C': case 'L': case 'V':
      quoted(v);
      break;
    case 'D':
      if (isBlank(v)) {
        row_ += "NULL";
      } else {
        row_ += "TO_DATE('";
        row_ += v;
        row_ += "', 'YYYYMMDD')";
      }
      break;
    case 'N': case 'F':
      if (isBlank(v)) row_ += "NULL"; else row_ += trimView(v);
      break;
    case 'B': case 'G': case 'M': case 'P':
      if (isBlank(v)) row_ += "NULL"; else quoted(v);
      break;
    default:
      row_ += "NULL";
      break;
  }
  const size_t value_len = row_.size() - value_at;
  if (!row_first_ && row_line_len_ + value_len > static_cast<size_t>(prj_.LngRndSql)) {
    // Replace ", " by "," CR LF and four blanks.
    row_.replace(start, sep, ",\r\n    ");
    row_line_len_ = 4 + value_len;
  } else {
    row_line_len_ += sep + value_len;
  }
  row_first_ = false;
}

void ConversionRun::fieldValue(int i, std::string_view v, char type) {
  if (script_) {
    addScriptValue(type, v);
    return;
  }
  // The line's field area was sized at the record's start; field i lands one column left of
  // its place in the record (the deletion flag is not part of the line).
  char* at = out_.buffer().data() + line_start_ + static_cast<size_t>(fld_->FldPos[i] - 2);
  const size_t len = static_cast<size_t>(fld_->FldLen[i]);
  const size_t n = std::min(len, v.size());
  std::memcpy(at, v.data(), n);
  if (n < len) std::memset(at + n, ' ', len - n);
}

void ConversionRun::addSupplementary(int64_t k, char effective_first) {
  const char flag = effective_first == '*' ? 'Y' : (effective_first == ' ' ? 'N' : '?');
  char num[24];
  if (present(prj_.ADD_RECNO, prj_.LNG_RECNO)) {
    auto [end, ec] = std::to_chars(num, num + sizeof num, k);
    (void)ec;
    std::string_view text(num, static_cast<size_t>(end - num));
    if (script_) addScriptValue('N', text); else appendRight(out_.buffer(), text, prj_.LNG_RECNO);
  }
  if (present(prj_.ADD_DELETE, prj_.LNG_DELETE)) {
    std::string_view text(&flag, 1);
    if (script_) addScriptValue('C', text); else appendLeftCut(out_.buffer(), text, prj_.LNG_DELETE);
  }
  if (present(prj_.ADD_PATH, prj_.LNG_PATH)) {
    if (script_) addScriptValue('C', dbf_folder_); else appendLeftCut(out_.buffer(), dbf_folder_, prj_.LNG_PATH);
  }
  if (present(prj_.ADD_ERRCOD, prj_.LNG_ERRCOD)) {
    auto [end, ec] = std::to_chars(num, num + sizeof num, rec_max_err_);
    (void)ec;
    std::string_view text(num, static_cast<size_t>(end - num));
    if (script_) addScriptValue('N', text); else appendRight(out_.buffer(), text, prj_.LNG_ERRCOD);
  }
  if (present(prj_.ADD_SPFLD1, prj_.LNG_SPFLD1)) {
    std::string_view text = freeColumnValue(prj_.TIP_SPFLD1);
    if (script_) addScriptValue('C', text); else appendLeftCut(out_.buffer(), text, prj_.LNG_SPFLD1);
  }
  if (present(prj_.ADD_SPFLD2, prj_.LNG_SPFLD2)) {
    std::string_view text = freeColumnValue(prj_.TIP_SPFLD2);
    if (script_) addScriptValue('C', text); else appendLeftCut(out_.buffer(), text, prj_.LNG_SPFLD2);
  }
}

Status ConversionRun::convertRecord(int64_t k, bool* rejected_out) {
  *rejected_out = false;
  rec_err_cnt_ = 0;
  rec_max_err_ = 0;
  header_printed_ = false;
  const DbfHeader& h = e_.hdr_;
  const int n = h.FldCnt;

  Status s = e_.fetchRecord(k);
  if (!s.isOk()) return s;
  const char stored_first = e_.firstByte();
  CheckResult first_res;
  char effective = stored_first;
  bool first_byte_error = false;
  if (o_.ChkFrstEr) {
    effective = checkFirstByte(stored_first, o_, first_res);
    first_byte_error = first_res.report;
  }
  if (effective == '*' && o_.RestDelRec) effective = ' ';
  if (effective == '*' && o_.ExclDelRec) {
    ++recs_del_skip_;
    return Status::ok();
  }

  std::string& buf = out_.buffer();
  const size_t line_start = buf.size();
  line_start_ = line_start;
  if (script_) {
    row_.clear();
    row_line_len_ = 0;
    row_first_ = true;
  }

  if (!script_ && o_.ExclPrePChk) {
    std::string_view rec = e_.recordString();
    buf.append(rec.substr(1));
  } else {
    const bool dates = script_ || o_.dateChecksOn();
    const bool numbers = script_ || o_.numericChecksOn();
    const bool chars = o_.charChecksOn();
    if (!script_) buf.resize(line_start + static_cast<size_t>(fld_->FldPos[n + 1] - 2));
    for (int i = 1; i <= n; ++i) {
      std::string_view v = e_.field(i);
      if (first_byte_error && !header_printed_ && log_on_) {
        log(firstByteErrorLine(o_, k, static_cast<uint8_t>(stored_first)));
        ++err_total_;
        header_printed_ = true;
      }
      const char type = fld_->FldTypes[static_cast<size_t>(i - 1)];
      std::string_view result = v;
      bool reported = false;
      res_.code = 0;  // the rules reset the rest
      switch (type) {
        case 'D':
          if (dates) {
            reported = ChkDate(v, o_, value_out_, res_);
            result = value_out_;
          }
          break;
        case 'N': case 'F':
          if (numbers) {
            reported = checkNumber(v, type, fld_->FldLen[i], fld_->FldDec[i],
                                   prj_.IFNISBLANK == "N", o_, value_out_, res_);
            result = value_out_;
          }
          break;
        case 'C':
          if (chars) {
            if (hasControlByte(v)) {
              reported = ChkChar(v, o_, value_out_, res_);
              result = value_out_;
            }
          }
          break;
        case 'L':
          reported = checkLogical(v, o_, value_out_, res_);
          result = value_out_;
          break;
        case 'B': case 'G': case 'M': case 'P':
          result = isBlank(v) ? std::string_view("          ") : kNotLoaded;
          result = result.substr(0, static_cast<size_t>(fld_->FldLen[i]));
          break;
        case 'V':
          result = kNotLoaded.substr(0, static_cast<size_t>(fld_->FldLen[i]));
          break;
        default:
          result = {};  // no rule for the type: spaces of the field's length
          break;
      }
      if (reported && log_on_) {
        recordHeader(k);
        log(fieldErrorLine(o_, *fld_, i, v, result, res_));
      }
      if (res_.code > 0) {
        ++rec_err_cnt_;
        ++err_total_;
        rec_max_err_ = std::max(rec_max_err_, res_.code);
      }
      fieldValue(i, result, type);
    }
  }
  addSupplementary(k, effective);
  if (!script_) buf.append(kCrLf);

  bool rejected = false;
  if (rec_max_err_ > 0) {
    ++recs_with_err_;
    if (rec_max_err_ > o_.NrMaxAcEr) rejected = true;
  }
  if (rejected) {
    *rejected_out = true;
    if (!bad_.isOpen()) {
      s = bad_.create(bad_name_, e_.file_, h, *fld_, o_);
      if (!s.isOk()) return s;
    }
    std::string_view record = e_.recordString();
    if (!h.LeadFill.empty()) {
      bad_record_.assign(1, record.empty() ? ' ' : record[0]);
      for (int i = 1; i <= n; ++i) bad_record_.append(e_.field(i));
      record = bad_record_;
    }
    s = bad_.append(record);
    if (!s.isOk()) return s;
    ++recs_rej_;
    if (!script_) buf.resize(line_start);
  } else {
    ++rows_out_;
    if (script_) {
      row_ += ");\r\n";
      if (buf.size() + prj_.InsHdr.size() + row_.size() > static_cast<size_t>(kFlushMark)) {
        s = out_.flush();
        if (!s.isOk()) return s;
      }
      buf.append(prj_.InsHdr);
      buf.append(row_);
      if (prj_.COMMIT > 0 && ++rows_since_commit_ >= prj_.COMMIT) {
        buf.append("COMMIT;\r\n");
        rows_since_commit_ = 0;
      }
    }
  }
  if (rec_err_cnt_ > 0 && err_total_ <= o_.NrToShowErr && log_on_) {
    recordHeader(k);
    log(recordSummaryLine(o_, rec_err_cnt_, rec_max_err_, rejected));
  }
  return Status::ok();
}

Status ConversionRun::run(const std::string& load_path) {
  script_ = prj_.SQLLDENB != "Y";
  e_.stop_req_.store(false);
  log_on_ = true;
  e_.bad_path_.clear();
  const std::string dbf_path = e_.dbf_path_;
  const Clock::time_point start = Clock::now();
  Status failure;

  if (!fileExists(dbf_path)) {
    if (e_.hdr_.HdrBad) {
      e_.CloseDbf();
    } else {
      std::string line = readEngineText(IniFile(e_.ini_file_name_), "File Header", "21");
      replaceFirst(&line, "<#1#>", directoryOf(dbf_path));
      replaceFirst(&line, "<#2#>", fileNameOf(dbf_path));
      log(line);
    }
    e_.dbf_path_ = dbf_path;
    return Status::notFound("cannot convert " + dbf_path + ": no such file");
  }
  prepareFreeColumnTexts();
  bad_name_ = badFileName(start);

  if (!e_.file_open_) e_.OpenDbf(dbf_path);
  if (e_.file_open_) {
    Status s = e_.ReadHdr("16");
    if (!s.isOk()) failure = s;
  }
  const DbfHeader& h = e_.hdr_;
  if (!e_.file_open_ || h.HdrBad || !failure.isOk()) {
    if (!e_.file_open_ && failure.isOk()) failure = e_.lastError();
    // Nothing written for a refused header.
    e_.CloseDbf();
    prj_.RnrOra = 0;
    prj_.RnrRej = 0;
    e_.dbf_path_ = dbf_path;
    return failure;
  }
  fld_ = &e_.fld_;

  int64_t first = 1;
  int64_t last = h.RecCnt;
  failure = out_.create(load_path, kOutputBuffer);
  if (failure.isOk()) {
    if (o_.NrLogRecSkip > 0) first = std::min<int64_t>(o_.NrLogRecSkip + 1, h.RecCnt + 1);
    std::string limit = toUpperAscii(trim(o_.NrLogRecLoad));
    if (!limit.empty() && limit[0] != 'A') {
      std::optional<int64_t> count = parseInteger(limit);
      if (!count) {
        failure = Status::invalidArgument("NrLogRecLoad \"" + o_.NrLogRecLoad +
                                          "\" is not a number of records");
      } else {
        last = first + *count - 1;
      }
    }
    last = std::min(last, h.RecCnt);
  }

  int64_t last_handled = first - 1;
  if (failure.isOk()) {
    panel(8, "Total:" + std::to_string(h.RecCnt));
    if (e_.progress_ != nullptr) {
      e_.progress_->setTotal(std::max<int64_t>(last - first + 1, 0));
      e_.progress_->setPosition(0);
    }
    panel(4, "Time start:" + clockText(start));
    last = std::min(last, h.RecCntData);
    const int64_t step = last - first > 10000 ? 100 : (last - first > 1000 ? 10 : 1);
    if (script_) out_.append("SET DEFINE OFF;\r\n");
    const int64_t line_reserve = h.RecLenCalc + prj_.LngSupl;
    int64_t handled = 0;
    for (int64_t k = first; k <= last; ++k) {
      if (e_.stop_req_.load()) {
        log(o_.text("42"));
        panel(8, std::to_string(k) + "  Stop preparation");
        break;
      }
      if (err_total_ > o_.NrToAllowErr) {
        log(o_.text("46"));
        panel(8, std::to_string(k - 1) + "  Stop preparation");
        break;
      }
      if (err_total_ > o_.NrToShowErr && log_on_) {
        log(o_.text("47"));
        log_on_ = false;
      }
      if (!script_ && static_cast<int64_t>(out_.buffer().size()) > kFlushMark - line_reserve) {
        failure = out_.flush();
        if (!failure.isOk()) break;
      }
      if (++handled % step == 0) {
        if (e_.progress_ != nullptr) e_.progress_->setPosition(handled);
        panel(5, elapsedText(start, Clock::now()));
        panel(7, std::to_string(k));
        if (e_.pump_ != nullptr) e_.pump_->processPendingEvents();
      }
      bool rejected = false;
      failure = convertRecord(k, &rejected);
      if (!failure.isOk()) break;
      last_handled = k;
    }
  }
  if (failure.isOk()) {
    if (script_ && rows_since_commit_ > 0) out_.append("COMMIT;\r\n");
    failure = out_.close();
  } else {
    (void)out_.close();  // keep what was written; the first failure is the one reported
  }
  if (bad_.isOpen()) {
    Status s = bad_.finish(o_.SetLastUpd);
    if (failure.isOk()) failure = s;
  }
  if (!failure.isOk() && e_.boxes_ != nullptr) e_.boxes_->showError("File " + dbf_path + " Error");

  panel(7, std::to_string(last_handled));
  prj_.RnrErr = recs_with_err_;
  e_.CloseDbf();
  prj_.RnrOra = rows_out_;
  if (bad_.count() > 0) {
    e_.bad_path_ = bad_name_;
    std::string line = readEngineText(IniFile(e_.ini_file_name_), "File Header", "25");
    replaceFirst(&line, "<#1#>", directoryOf(bad_name_));
    replaceFirst(&line, "<#2#>", fileNameOf(bad_name_));
    log(line);
  }
  prj_.RnrRej = recs_rej_;
  e_.dbf_path_ = dbf_path;
  return failure;
}

Status TCmpDbfGOra::ConvertDbf(const std::string& load_path, Rec_Prj& prj) {
  ConversionRun run(*this, prj);
  return run.run(load_path);
}

}  // namespace tarvex
