// The byte layout of a DBF file as the engine reads it, and the field layout it derives.
//
//   offset  size  meaning
//   0       1     version byte; 0x30, 0x31, 0x32 mean a long header (263-byte area after the
//                 descriptors), which changes how the descriptors are counted
//   1       3     date of last update: year byte (30..99 -> 19yy, else 2000 + y mod 100),
//                 month, day
//   4       4     number of records (high 16-bit word clamped to 0x7FFF)
//   8       2     header length in bytes (capped at the file size)
//   10      2     record length, deletion flag included
//   28      1     table flags (not used)
//   29      1     language driver (not used)
//   32*i    32    descriptor of field i = 1..n:
//                   0  11  name, zero-terminated
//                   11  1  type letter
//                   16  1  length; for "C" bytes 16-17 form a 16-bit length
//                   17  1  decimals (kept for "N" only)
//   ...           header terminator 0x0D (not checked)
//   hdr + (k-1)*reclen   record k: deletion flag ("*" deleted, " " live), fields back to back
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvex {

namespace dbf {
constexpr int kFixedHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr int kVersionOffset = 0;
constexpr int kDateOffset = 1;
constexpr int kRecordCountOffset = 4;
constexpr int kHeaderLengthOffset = 8;
constexpr int kRecordLengthOffset = 10;
constexpr int kNameSize = 11;
constexpr int kTypeOffset = 11;
constexpr int kLengthOffset = 16;
constexpr int kDecimalsOffset = 17;
// Descriptor count: (header length - 294) / 32 for the long layout, else (header length - 30)/32.
constexpr int kLongLayoutBase = 294;
constexpr int kShortLayoutBase = 30;
constexpr int kMinFileSize = 64;     // smaller files are refused
constexpr int kMaxLengthSkew = 40;   // header record length may differ this much from the fields
constexpr int kRescueMinHeader = 327;  // smallest header length that a second try may rescue
constexpr int kMaxFields = 2064;      // 65535-byte header: at most 2046 descriptors + 1 added
// The letters of the field types the engine knows; any other letter counts as unknown.
constexpr const char* kValidTypes = "248BCDFGILMNPTVY";
}  // namespace dbf

// Field layout of one DBF file (Rec_Fld). Field numbers are 1-based: FldLen[i], FldDec[i] and
// FldPos[i] describe field i; FldNames[i-1] and FldTypes[i-1] name it.
struct Rec_Fld {
  std::vector<std::string> FldNames;  // cleaned names: upper case, at most 10 characters
  std::vector<char> FldTypes;         // type letters as stored
  std::vector<int32_t> FldLen;        // lengths; entry 0 unused
  std::vector<int32_t> FldDec;        // decimals (type "N" only, else 0); entry 0 unused
  std::vector<int32_t> FldPos;        // 1-based start in the record; FldPos[1] = 2 (after the
                                      // deletion flag), FldPos[n+1] = RecLenCalc + 1

  int count() const { return static_cast<int>(FldNames.size()); }
  void clear() {
    FldNames.clear();
    FldTypes.clear();
    FldLen.assign(1, 0);
    FldDec.assign(1, 0);
    FldPos.assign(1, 0);
  }
};

// What a header read found (the engine's header state).
struct DbfHeader {
  int64_t FileSize = 0;     // size of the DBF file in bytes
  int32_t HdrLen = 0;       // header length (offset 8), capped at FileSize; +32 for an added field
  int32_t HdrLenStored = 0; // header length as stored, before the cap
  int32_t HdrLenCalc = 0;   // 32*n + 33: what the descriptors imply
  int64_t RecCnt = 0;       // record count (offset 4), clamped and capped by the record length
  int64_t RecCntData = 0;   // whole records the file body holds
  int32_t RecLenHdr = 0;    // record length (offset 10)
  int32_t RecLenCalc = 0;   // 1 + sum of the field lengths
  int32_t RecLenUsed = 0;   // record length used to step through the records
  int64_t DataBytes = 0;    // FileSize - HdrLen, taken before an added field grows HdrLen
  int32_t FldCnt = 0;       // number of fields (n), may grow by one
  int32_t BadNameCnt = 0;   // bad characters found in field names
  int32_t BadTypeCnt = 0;   // fields whose type letter is unknown
  uint8_t HdrCopy[32] = {};  // the first 32 bytes of the file
  int HdrYear = 0, HdrMonth = 0, HdrDay = 0;  // date of last update (HdrDate)
  bool HdrBad = false;      // the file is refused: no load files are written for it
  bool LongLayout = false;  // descriptors were counted by the long-header rule
  bool AddedField = false;  // the last field is the one the record length reconciliation added
  std::string TailFill;     // appended to every record that is shorter than its fields
  std::string LeadFill;     // put in front of the last field of such a record

  uint8_t version() const { return HdrCopy[0]; }
};

}  // namespace tarvex
