// A calendar date (proleptic Gregorian) and the date texts the program uses: "dd.mm.yyyy" in
// settings and messages, "YYYYMMDD" in load files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

struct CivilDate {
  int year = 1;
  int month = 1;
  int day = 1;

  friend auto operator<=>(const CivilDate&, const CivilDate&) = default;
};

bool isLeapYear(int year);
// Days of the month (28..31); month must be 1..12.
int daysInMonth(int year, int month);
// True for 1 <= year <= 9999, 1 <= month <= 12 and 1 <= day <= days of the month.
bool isValidDate(int year, int month, int day);

// Parses "dd.mm.yyyy" (one or two digit day and month, four digit year); nullopt when the text
// is not such a date or names no calendar day.
std::optional<CivilDate> parseDottedDate(std::string_view text);
// "dd.mm.yyyy" with zero padding.
std::string formatDottedDate(const CivilDate& d);
// "YYYYMMDD" with zero padding.
std::string formatCompactDate(const CivilDate& d);
// Today in local time.
CivilDate today();

}  // namespace tarvex
