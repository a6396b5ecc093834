#include "support/DbfBuilder.h"

namespace tarvex::test {

namespace {
void putLe(std::string& s, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
}  // namespace

int DbfBuilder::fieldsRecordLength() const {
  int n = 1;
  for (const FieldSpec& f : fields_) n += f.length;
  return n;
}

std::string DbfBuilder::build() const {
  const size_t header_bytes = 32 + 32 * fields_.size() + 1 + static_cast<size_t>(area_);
  std::string s(header_bytes, '\0');
  s[0] = static_cast<char>(version_);
  s[1] = static_cast<char>(y_);
  s[2] = static_cast<char>(m_);
  s[3] = static_cast<char>(d_);
  putLe(s, 4, rec_count_.value_or(static_cast<uint32_t>(records_.size())), 4);
  putLe(s, 8, hdr_len_.value_or(static_cast<uint16_t>(header_bytes)), 2);
  putLe(s, 10, rec_len_.value_or(static_cast<uint16_t>(fieldsRecordLength())), 2);
  for (size_t i = 0; i < fields_.size(); ++i) {
    const FieldSpec& f = fields_[i];
    const size_t at = 32 + 32 * i;
    for (size_t b = 0; b < f.name.size() && b < 11; ++b) s[at + b] = f.name[b];
    s[at + 11] = f.type;
    if (f.type == 'C' && f.length > 255) {
      putLe(s, at + 16, static_cast<uint32_t>(f.length), 2);
    } else {
      s[at + 16] = static_cast<char>(f.length & 0xFF);
      s[at + 17] = static_cast<char>(f.decimals);
    }
  }
  s[32 + 32 * fields_.size()] = '\x0D';
  for (const std::string& r : records_) s += r;
  if (eof_) s += '\x1A';
  return s;
}

}  // namespace tarvex::test
