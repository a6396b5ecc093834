#include "common/CivilDate.h"

#include <cstdio>
#include <ctime>

namespace tarvex {

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && isLeapYear(year)) return 29;
  return kDays[month - 1];
}

bool isValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= daysInMonth(year, month);
}

namespace {

// Reads 1..max_digits decimal digits starting at pos; advances pos. -1 when there are none.
int readDigits(std::string_view text, size_t& pos, size_t min_digits, size_t max_digits) {
  int value = 0;
  size_t count = 0;
  while (pos < text.size() && count < max_digits && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos] - '0');
    ++pos;
    ++count;
  }
  return count >= min_digits ? value : -1;
}

}  // namespace

std::optional<CivilDate> parseDottedDate(std::string_view text) {
  size_t pos = 0;
  int day = readDigits(text, pos, 1, 2);
  if (day < 0 || pos >= text.size() || text[pos++] != '.') return std::nullopt;
  int month = readDigits(text, pos, 1, 2);
  if (month < 0 || pos >= text.size() || text[pos++] != '.') return std::nullopt;
  int year = readDigits(text, pos, 4, 4);
  if (year < 0 || pos != text.size()) return std::nullopt;
  if (!isValidDate(year, month, day)) return std::nullopt;
  return CivilDate{year, month, day};
}

std::string formatDottedDate(const CivilDate& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year);
  return buf;
}

std::string formatCompactDate(const CivilDate& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
  return buf;
}

CivilDate today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace tarvex
