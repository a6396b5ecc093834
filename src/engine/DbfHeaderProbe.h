// The quick probe of a DBF header made when DBF files are added to a project (GetHDrDbf): it
// reads only the first 32 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/CivilDate.h"

namespace tarvex {

struct DbfProbe {
  int64_t recordCount = 0;  // offset 4, high word clamped
  CivilDate lastUpdate;     // offsets 1..3, month and day clamped to a calendar date
  bool unreadable = false;  // the date could not be formed
};

// Probes the file at path (double quotes removed). Adds 1 to *problems for each of: record
// length below 2, month 0 or above 12, day 0, day beyond the month's end. False when the file
// cannot be opened (probe unchanged), when fewer than 32 bytes were read (count 0, date today),
// or when the date cannot be formed (count 0, date today, unreadable set).
bool GetHDrDbf(std::string_view path, DbfProbe* probe, int* problems);

// Little-endian 16-bit value of the first two bytes.
int32_t Bin2Int0(std::string_view two_bytes);
// Little-endian 32-bit value of the first four bytes, high word clamped to 0x7FFF.
int32_t Bin4Int0(std::string_view four_bytes);
// The number as text with a leading "0" below 10.
std::string C1To2(uint8_t value);

}  // namespace tarvex
