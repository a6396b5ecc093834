// Builds the bytes of a DBF file for tests, with knobs to damage the header: every stored
// number can be overridden, so a test shows one fault at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvex::test {

struct FieldSpec {
  std::string name;   // raw name bytes (up to 11; may hold any byte)
  char type = 'C';
  int length = 1;     // for "C" stored in bytes 16-17, else in byte 16
  int decimals = 0;   // byte 17 (ignored for "C" lengths above 255)
};

class DbfBuilder {
 public:
  DbfBuilder& version(uint8_t v) { version_ = v; return *this; }
  DbfBuilder& date(uint8_t y, uint8_t m, uint8_t d) { y_ = y; m_ = m; d_ = d; return *this; }
  DbfBuilder& field(std::string name, char type, int length, int decimals = 0) {
    fields_.push_back({std::move(name), type, length, decimals});
    return *this;
  }
  // A record: the deletion flag is the first byte; the rest is laid out as given.
  DbfBuilder& record(std::string bytes) { records_.push_back(std::move(bytes)); return *this; }
  // Overrides of the stored numbers (default: what the fields and records imply).
  DbfBuilder& storedRecordCount(uint32_t n) { rec_count_ = n; return *this; }
  DbfBuilder& storedHeaderLength(uint16_t n) { hdr_len_ = n; return *this; }
  DbfBuilder& storedRecordLength(uint16_t n) { rec_len_ = n; return *this; }
  // Bytes put between the terminator and the first record (263 for the long layout).
  DbfBuilder& areaAfterDescriptors(int n) { area_ = n; return *this; }
  DbfBuilder& endMarker(bool on) { eof_ = on; return *this; }

  // Record length the fields imply: 1 + sum of lengths.
  int fieldsRecordLength() const;
  std::string build() const;

 private:
  uint8_t version_ = 0x03;
  uint8_t y_ = 124, m_ = 5, d_ = 17;
  std::vector<FieldSpec> fields_;
  std::vector<std::string> records_;
  std::optional<uint32_t> rec_count_;
  std::optional<uint16_t> hdr_len_;
  std::optional<uint16_t> rec_len_;
  int area_ = 0;
  bool eof_ = true;
};

}  // namespace tarvex::test
