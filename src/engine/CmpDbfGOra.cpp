#include "engine/CmpDbfGOra.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/IniFile.h"
#include "common/TextUtil.h"

namespace tarvex {

namespace {

// Records are read in blocks of this size (or of one record when records are longer).
constexpr size_t kBlockSize = 65568;

uint32_t readLe16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }

bool isUpperLetter(uint8_t c) { return c >= 'A' && c <= 'Z'; }
bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }
uint8_t upperAscii(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 32) : c; }

// Cleans one descriptor name: bytes 0..9 upper-cased; a 0 byte ends the name; a bad first byte
// (or an empty name) takes the next letter of the pass's run, a bad later byte becomes "_".
std::string cleanName(const uint8_t* raw, char* run_letter, int32_t* bad_count) {
  auto next_letter = [run_letter]() {
    char c = *run_letter;
    *run_letter = (c == 'Z') ? 'A' : static_cast<char>(c + 1);
    return c;
  };
  std::string name;
  for (int b = 0; b < dbf::kNameSize - 1; ++b) {
    uint8_t c = upperAscii(raw[b]);
    if (c == 0) {
      if (b == 0) {
        name += next_letter();
        ++*bad_count;
      }
      break;
    }
    if (b == 0) {
      if (isUpperLetter(c)) {
        name += static_cast<char>(c);
      } else {
        name += next_letter();
        ++*bad_count;
      }
    } else if (isUpperLetter(c) || isDigit(c) || c == '_') {
      name += static_cast<char>(c);
    } else {
      name += '_';
      ++*bad_count;
    }
  }
  return name;
}

// Bin4Int0's rule: little-endian 32-bit count with its high word clamped to 0x7FFF.
int64_t clampedCount(const uint8_t* p) {
  uint32_t lo = readLe16(p);
  uint32_t hi = readLe16(p + 2);
  if (hi >= 0x8000) hi = 0x7FFF;
  return static_cast<int64_t>((hi << 16) | lo);
}

}  // namespace

TCmpDbfGOra::TCmpDbfGOra(const std::string& program_folder)
    : ini_file_name_(program_folder + "Tarvex.ini") {
  if (!program_folder.empty()) opts_.PrmFiSqlLdr = IniFile(ini_file_name_).get("Path", "PrmFiSqlLdr");
  fld_.clear();
}

Status TCmpDbfGOra::LoadOptions(const std::string& ini_path) {
  ini_file_name_ = ini_path;
  return tarvex::LoadOptions(ini_path, &opts_);
}

bool TCmpDbfGOra::OpenDbf(std::string_view path) {
  std::string clean;
  for (char c : path) {
    if (c != '"') clean += c;
  }
  dbf_path_ = clean;
  if (file_open_) {
    open_status_ = kAlreadyOpen;
    return false;
  }
  if (!fileExists(clean) && !directoryExists(clean)) {
    open_status_ = kMissing;
    file_open_ = false;
    last_error_ = Status::notFound("cannot open " + clean + ": no such file");
    return false;
  }
  resetHeaderState();
  last_error_ = file_.open(clean);
  if (!last_error_.isOk()) {
    open_status_ = kOpenFailed;
    file_open_ = false;
    return false;
  }
  open_status_ = kOpened;
  file_open_ = true;
  return true;
}

void TCmpDbfGOra::CloseDbf() {
  fld_.clear();
  if (file_open_) file_.close();
  file_open_ = false;
  block_last_ = -1;
  record_ = {};
  value_ = {};
}

void TCmpDbfGOra::resetHeaderState() {
  hdr_ = DbfHeader();
  fld_.clear();
  block_first_ = 0;
  block_last_ = -1;
  record_ = {};
  value_ = {};
}

void TCmpDbfGOra::reportNotOpen() {
  if (MsgInRichEdit && (log_ == nullptr || !log_->hasView())) MsgInRichEdit = false;
  IniFile ini(ini_file_name_);
  if (MsgInRichEdit) {
    std::string line = readEngineText(ini, "File Header", "21");
    replaceFirst(&line, "<#1#>", directoryOf(dbf_path_));
    replaceFirst(&line, "<#2#>", fileNameOf(dbf_path_));
    log_->AddLine(line);
  } else if (boxes_ != nullptr) {
    boxes_->showError(readEngineText(ini, "Err_Msg", "4"));
  }
}

Status TCmpDbfGOra::ReadHdr(std::string_view tag) {
  tip_oper_s_ = std::string(tag);
  if (MsgInRichEdit && (log_ == nullptr || !log_->hasView())) MsgInRichEdit = false;
  if (!file_open_) {
    resetHeaderState();
    reportNotOpen();
    return Status::notFound("cannot read the header of " + dbf_path_ + ": the file is not open");
  }
  force_long_layout_ = false;
  Status status;
  parseHeader(/*first_pass=*/true, &status);
  if (!status.isOk()) return status;
  parseHeader(/*first_pass=*/false, &status);
  return status;
}

Status TCmpDbfGOra::ReadHdrInfo(std::string_view tag, Rec_Fld* fields) {
  Status s = ReadHdr(tag);
  *fields = fld_;
  return s;
}

bool TCmpDbfGOra::parseHeader(bool first_pass, Status* status) {
  resetHeaderState();
  hdr_.FileSize = static_cast<int64_t>(file_.size());
  if (hdr_.FileSize < dbf::kMinFileSize) {
    size_t got = 0;
    *status = file_.readAt(0, hdr_.HdrCopy, sizeof hdr_.HdrCopy, &got);
    // Kept so that damage() can tell a header cut short from a file that is merely small.
    if (got >= dbf::kFixedHeaderSize) {
      hdr_.HdrLenStored = static_cast<int32_t>(readLe16(hdr_.HdrCopy + dbf::kHeaderLengthOffset));
    }
    hdr_.HdrBad = true;
    return false;
  }
  size_t got = 0;
  *status = file_.readAt(0, hdr_.HdrCopy, sizeof hdr_.HdrCopy, &got);
  if (!status->isOk()) return false;
  const uint8_t* h = hdr_.HdrCopy;

  uint8_t version = force_long_layout_ ? 0x30 : h[dbf::kVersionOffset];
  hdr_.LongLayout = version == 0x30 || version == 0x31 || version == 0x32;

  int year = h[dbf::kDateOffset];
  hdr_.HdrYear = (year >= 30 && year <= 99) ? 1900 + year : 2000 + (year > 99 ? year - 100 : year);
  hdr_.HdrMonth = h[dbf::kDateOffset + 1];
  hdr_.HdrDay = h[dbf::kDateOffset + 2];

  hdr_.RecCnt = clampedCount(h + dbf::kRecordCountOffset);
  hdr_.HdrLenStored = static_cast<int32_t>(readLe16(h + dbf::kHeaderLengthOffset));
  hdr_.HdrLen = static_cast<int32_t>(std::min<int64_t>(hdr_.HdrLenStored, hdr_.FileSize));
  hdr_.RecLenHdr = static_cast<int32_t>(readLe16(h + dbf::kRecordLengthOffset));
  const int base = hdr_.LongLayout ? dbf::kLongLayoutBase : dbf::kShortLayoutBase;
  int n = (hdr_.HdrLen - base) / dbf::kDescriptorSize;  // C++ division truncates toward zero
  hdr_.FldCnt = std::max(n, 0);  // a header too short for any descriptor has none
  hdr_.HdrLenCalc = dbf::kDescriptorSize * n + 33;
  if (hdr_.RecLenHdr != 0) hdr_.RecCnt = std::min<int64_t>(hdr_.RecCnt, 2147483647 / hdr_.RecLenHdr);

  // The descriptors, read at once; bytes past the end of the file read as 0.
  const int count = std::max(n, 0);
  std::vector<uint8_t> desc(static_cast<size_t>(count) * dbf::kDescriptorSize, 0);
  if (count > 0) {
    *status = file_.readAt(dbf::kFixedHeaderSize, desc.data(), desc.size(), &got);
    if (!status->isOk()) return false;
  }
  char run_letter = 'A';
  int32_t pos = 2;
  for (int i = 1; i <= count; ++i) {
    const uint8_t* d = desc.data() + static_cast<size_t>(i - 1) * dbf::kDescriptorSize;
    fld_.FldNames.push_back(cleanName(d, &run_letter, &hdr_.BadNameCnt));
    char type = static_cast<char>(d[dbf::kTypeOffset]);
    fld_.FldTypes.push_back(type);
    if (type == 0 || std::strchr(dbf::kValidTypes, type) == nullptr) ++hdr_.BadTypeCnt;
    int32_t len = type == 'C' ? static_cast<int32_t>(readLe16(d + dbf::kLengthOffset))
                              : d[dbf::kLengthOffset];
    fld_.FldLen.push_back(len);
    fld_.FldDec.push_back(type == 'N' ? d[dbf::kDecimalsOffset] : 0);
    fld_.FldPos.push_back(pos);
    pos += len;
  }
  fld_.FldPos.push_back(pos);  // FldPos[n+1]
  hdr_.RecLenCalc = pos - 1;

  hdr_.RecLenUsed = hdr_.RecLenHdr;
  if (hdr_.RecLenCalc != hdr_.RecLenHdr && !opts_.LngIsCorInHdr) hdr_.RecLenUsed = hdr_.RecLenCalc;
  hdr_.DataBytes = hdr_.FileSize - hdr_.HdrLen;
  hdr_.RecCntData = hdr_.RecLenUsed != 0 ? hdr_.DataBytes / hdr_.RecLenUsed : hdr_.RecCnt;

  if (hdr_.RecLenCalc != hdr_.RecLenUsed && hdr_.BadNameCnt < 200 && n > 0) reconcileRecordLength();

  hdr_.HdrBad = (hdr_.BadNameCnt > 0 && hdr_.BadTypeCnt > 0) || hdr_.RecLenHdr < 2 ||
                hdr_.RecCnt > hdr_.FileSize || hdr_.HdrLen < 64 || hdr_.FldCnt < 1 ||
                std::abs(hdr_.RecLenHdr - hdr_.RecLenCalc) > dbf::kMaxLengthSkew;

  // A header judged by the short layout may be a long one whose version byte is unusual.
  if (first_pass && hdr_.HdrBad && hdr_.RecLenHdr > 1 && hdr_.HdrLen >= dbf::kRescueMinHeader &&
      hdr_.FileSize >= hdr_.HdrLen) {
    force_long_layout_ = true;
    hdr_.HdrBad = false;
  }
  return !hdr_.HdrBad;
}

void TCmpDbfGOra::reconcileRecordLength() {
  const int32_t d = hdr_.RecLenCalc - hdr_.RecLenUsed;
  const int n = hdr_.FldCnt;
  if (d < 0) {
    // The header's record length exceeds the fields: the excess is a field whose descriptor
    // the header length left out.
    if (!opts_.CreateNewFld || n + 1 > dbf::kMaxFields) return;
    fld_.FldNames.push_back(opts_.NmFldSuplim);
    fld_.FldTypes.push_back('C');
    fld_.FldLen.push_back(-d);
    fld_.FldDec.push_back(0);
    fld_.FldPos.push_back(fld_.FldPos[n + 1] + (-d));  // FldPos[n+1] already starts the field
    hdr_.FldCnt = n + 1;
    hdr_.AddedField = true;
    hdr_.HdrLen += dbf::kDescriptorSize;
    return;
  }
  // Records on file are shorter than the fields by d bytes.
  const char last_type = fld_.FldTypes[static_cast<size_t>(n - 1)];
  if (last_type == 'N' && d < fld_.FldLen[n]) {
    if (fld_.FldDec[n] > 0) {
      hdr_.TailFill.assign(static_cast<size_t>(d), '0');  // missing digits become zeros
    } else {
      hdr_.LeadFill.assign(static_cast<size_t>(d), ' ');  // the number is pushed right
    }
  } else {
    hdr_.TailFill.assign(static_cast<size_t>(d), ' ');
  }
}

Status TCmpDbfGOra::damage() const {
  if (hdr_.FileSize < dbf::kFixedHeaderSize || hdr_.HdrLenStored > hdr_.FileSize) {
    return Status::corrupt(dbf_path_ + ": cut short inside the header: the header needs " +
                           std::to_string(std::max(hdr_.HdrLenStored, dbf::kFixedHeaderSize)) +
                           " bytes, the file has " + std::to_string(hdr_.FileSize));
  }
  if (!hdr_.HdrBad && hdr_.RecCnt > hdr_.RecCntData) {
    return Status::corrupt(dbf_path_ + ": cut short inside the records: the header counts " +
                           std::to_string(hdr_.RecCnt) + " records, the file holds " +
                           std::to_string(hdr_.RecCntData));
  }
  return Status::ok();
}

int TCmpDbfGOra::FldLenByName(std::string_view name) const {
  for (size_t i = 0; i < fld_.FldNames.size(); ++i) {
    if (fld_.FldNames[i] == name) return fld_.FldLen[i + 1];
  }
  return 0;
}

Status TCmpDbfGOra::fetchRecord(int64_t k) {
  const int64_t len = hdr_.RecLenUsed;
  if (k >= block_first_ && k <= block_last_) {
    record_ = std::string_view(block_.get() + (k - block_first_) * len, static_cast<size_t>(len));
  } else {
    if (!file_open_) return Status::invalidArgument("no DBF file is open");
    if (hdr_.HdrBad || len <= 0) {
      return Status::invalidArgument(dbf_path_ + ": the header was refused; no record is read");
    }
    if (k < 1) return Status::invalidArgument(dbf_path_ + ": there is no record " + std::to_string(k));
    const size_t want = std::max(kBlockSize, static_cast<size_t>(len));
    if (block_size_ < want) {
      block_.reset(new char[want]);
      block_size_ = want;
    }
    size_t got = 0;
    const uint64_t offset = static_cast<uint64_t>(hdr_.HdrLen) + static_cast<uint64_t>(k - 1) * len;
    Status s = file_.readAt(offset, block_.get(), block_size_, &got);
    if (!s.isOk()) {
      block_last_ = -1;
      return s;
    }
    const int64_t whole = static_cast<int64_t>(got) / len;
    if (whole == 0) {
      block_last_ = -1;
      return Status::corrupt(dbf_path_ + ": record " + std::to_string(k) +
                             (got == 0 ? " lies beyond the end of the file"
                                       : " is cut short by the end of the file"));
    }
    block_first_ = k;
    block_last_ = k + whole - 1;
    record_ = std::string_view(block_.get(), static_cast<size_t>(len));
  }
  if (!hdr_.TailFill.empty()) {
    record_buf_.assign(record_);
    record_buf_ += hdr_.TailFill;
    record_ = record_buf_;
  }
  return Status::ok();
}

// A field the record does not hold whole: filled so that the value has the field's length.
std::string_view TCmpDbfGOra::filledField(int i) {
  const size_t start = static_cast<size_t>(fld_.FldPos[i] - 1);
  const size_t len = static_cast<size_t>(fld_.FldLen[i]);
  const bool last_with_lead = i == hdr_.FldCnt && !hdr_.LeadFill.empty();
  field_buf_.clear();
  if (last_with_lead) field_buf_ = hdr_.LeadFill;
  if (start < record_.size()) field_buf_.append(record_.substr(start, len - field_buf_.size()));
  field_buf_.resize(len, ' ');
  return field_buf_;
}

Status TCmpDbfGOra::GetFld(int i, int64_t k) {
  if (i < 1 || i > hdr_.FldCnt) {
    return Status::invalidArgument(dbf_path_ + ": there is no field " + std::to_string(i));
  }
  Status s = fetchRecord(k);
  if (!s.isOk()) return s;
  value_ = field(i);
  return Status::ok();
}

}  // namespace tarvex
