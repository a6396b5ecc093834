// The bad file: a DBF file of the records a run rejected, under a header rebuilt from the
// source's. The lengths the engine worked out replace the stored ones, so that a source header
// with a wrong record length, no room for its terminator or a missing terminator yields a
// consistent copy that other DBF readers open.
//
//   offset  size      content
//   0       1         version byte of the source
//   1       3         date of last update of the source (with SetLastUpd: today, year - 2000)
//   4       4         number of records in the bad file
//   8       2         header length L
//   10      2         length of the records as written
//   12      20        bytes 12..31 of the source header
//   32      L - 33    the source's descriptors and what follows them up to L - 1 (plus the
//                     descriptor of a field the engine added)
//   L - 1   1         0x0D
//   L       per rec   each rejected record
//   end     1         0x1A
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/FileIo.h"
#include "common/OutputFile.h"
#include "common/Status.h"
#include "engine/DbfLayout.h"
#include "engine/EngineOptions.h"

namespace tarvex {

class BadFile {
 public:
  // The length of a record as the bad file holds it (see recordBytes).
  static int32_t recordLength(const DbfHeader& hdr);

  // Creates the file at path (replacing one of that name) and writes the rebuilt header,
  // reading the source's header bytes from source.
  Status create(const std::string& path, const ReadOnlyFile& source, const DbfHeader& hdr,
                const Rec_Fld& fields, const EngineOptions& opts);
  bool isOpen() const { return out_.isOpen(); }
  const std::string& path() const { return out_.path(); }
  // Appends one record of recordLength bytes.
  Status append(std::string_view record);
  // Writes the end marker, the record count and (with set_last_update) today's date, and
  // closes the file.
  Status finish(bool set_last_update);
  int64_t count() const { return count_; }

 private:
  OutputFile out_;
  uint8_t hdr_copy_[dbf::kFixedHeaderSize] = {};
  int64_t count_ = 0;
};

}  // namespace tarvex
