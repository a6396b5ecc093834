#include "engine/BadFile.h"

#include <algorithm>
#include <cstring>

#include "common/CivilDate.h"

namespace tarvex {

namespace {
void putLe(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}
}  // namespace

int32_t BadFile::recordLength(const DbfHeader& hdr) {
  // Records shorter than their fields are written with their fills, as the fields read them.
  if (!hdr.LeadFill.empty()) return hdr.RecLenCalc;
  return hdr.RecLenUsed + static_cast<int32_t>(hdr.TailFill.size());
}

Status BadFile::create(const std::string& path, const ReadOnlyFile& source, const DbfHeader& hdr,
                       const Rec_Fld& fields, const EngineOptions& opts) {
  count_ = 0;
  const int32_t needed = dbf::kDescriptorSize * hdr.FldCnt + 33;  // descriptors + terminator
  const int32_t length = opts.ExclBit1 ? needed : std::max(hdr.HdrLen, needed);
  std::string header(static_cast<size_t>(length), '\0');
  size_t got = 0;
  const size_t from_source = static_cast<size_t>(hdr.AddedField ? length - dbf::kDescriptorSize : length);
  Status s = source.readAt(0, header.data(), from_source, &got);
  if (!s.isOk()) return s;
  if (hdr.AddedField) {
    // The field made of the record's excess bytes gets a descriptor of its own.
    char* d = header.data() + dbf::kDescriptorSize * hdr.FldCnt;
    std::memset(d, 0, dbf::kDescriptorSize);
    const std::string& name = fields.FldNames.back();
    std::memcpy(d, name.data(), std::min<size_t>(name.size(), dbf::kNameSize - 1));
    d[dbf::kTypeOffset] = 'C';
    putLe(reinterpret_cast<uint8_t*>(d + dbf::kLengthOffset),
          static_cast<uint32_t>(fields.FldLen[hdr.FldCnt]), 2);
  }
  header[static_cast<size_t>(length - 1)] = '\x0D';
  std::memcpy(hdr_copy_, hdr.HdrCopy, sizeof hdr_copy_);
  putLe(hdr_copy_ + dbf::kRecordCountOffset, 0, 4);
  putLe(hdr_copy_ + dbf::kHeaderLengthOffset, static_cast<uint32_t>(length), 2);
  putLe(hdr_copy_ + dbf::kRecordLengthOffset, static_cast<uint32_t>(recordLength(hdr)), 2);
  std::memcpy(header.data(), hdr_copy_, sizeof hdr_copy_);
  s = out_.create(path);
  if (!s.isOk()) return s;
  out_.append(header);
  return Status::ok();
}

Status BadFile::append(std::string_view record) {
  out_.append(record);
  ++count_;
  if (out_.buffer().size() >= 64000) return out_.flush();
  return Status::ok();
}

Status BadFile::finish(bool set_last_update) {
  out_.append("\x1A");
  putLe(hdr_copy_ + dbf::kRecordCountOffset, static_cast<uint32_t>(count_), 4);
  if (set_last_update) {
    CivilDate d = today();
    hdr_copy_[1] = static_cast<uint8_t>(d.year - 2000);
    hdr_copy_[2] = static_cast<uint8_t>(d.month);
    hdr_copy_[3] = static_cast<uint8_t>(d.day);
  }
  Status s = out_.writeAt(0, std::string_view(reinterpret_cast<const char*>(hdr_copy_),
                                              sizeof hdr_copy_));
  Status c = out_.close();
  return s.isOk() ? c : s;
}

}  // namespace tarvex
