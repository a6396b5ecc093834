#include "engine/DbfHeaderProbe.h"

#include "common/FileIo.h"

namespace tarvex {

int32_t Bin2Int0(std::string_view b) {
  if (b.size() < 2) return 0;
  return static_cast<uint8_t>(b[0]) | (static_cast<uint8_t>(b[1]) << 8);
}

int32_t Bin4Int0(std::string_view b) {
  if (b.size() < 4) return 0;
  int32_t lo = Bin2Int0(b.substr(0, 2));
  int32_t hi = Bin2Int0(b.substr(2, 2));
  if (hi >= 0x8000) hi = 0x7FFF;
  return (hi << 16) | lo;
}

std::string C1To2(uint8_t value) {
  std::string s = std::to_string(value);
  return value < 10 ? "0" + s : s;
}

bool GetHDrDbf(std::string_view path, DbfProbe* probe, int* problems) {
  std::string clean;
  for (char c : path) {
    if (c != '"') clean += c;
  }
  ReadOnlyFile file;
  if (!file.open(clean).isOk()) return false;
  char buf[32];
  size_t got = 0;
  Status s = file.readAt(0, buf, sizeof buf, &got);
  file.close();
  if (!s.isOk() || got < sizeof buf) {
    probe->recordCount = 0;
    probe->lastUpdate = today();
    probe->unreadable = false;
    return false;
  }
  const std::string_view h(buf, sizeof buf);
  probe->recordCount = Bin4Int0(h.substr(4, 4));
  if (Bin2Int0(h.substr(10, 2)) < 2) ++*problems;

  int y = static_cast<uint8_t>(h[1]);
  int year = (y >= 30 && y <= 99) ? 1900 + y : 2000 + (y > 99 ? y - 100 : y);
  int month = static_cast<uint8_t>(h[2]);
  int day = static_cast<uint8_t>(h[3]);
  if (month == 0 || month > 12) {
    ++*problems;
    month = 1;
  }
  if (day == 0) {
    ++*problems;
    day = 1;
  }
  if (day >= 29 && day > daysInMonth(year, month)) {
    ++*problems;
    day = daysInMonth(year, month);
  }
  // The date is formed as "dd.mm.yyyy" and read back, as the program-wide format demands.
  std::optional<CivilDate> date =
      parseDottedDate(C1To2(static_cast<uint8_t>(day)) + "." + C1To2(static_cast<uint8_t>(month)) +
                      "." + std::to_string(year));
  if (!date) {
    probe->recordCount = 0;
    probe->lastUpdate = today();
    probe->unreadable = true;
    return false;
  }
  probe->lastUpdate = *date;
  probe->unreadable = false;
  return true;
}

}  // namespace tarvex
