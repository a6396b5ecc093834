// Clock and elapsed-time texts of status panels and log lines.
#pragma once

#include <chrono>
#include <string>

namespace tarvex {

using WallClock = std::chrono::system_clock;

// Local time of day as "HH:MM:SS".
std::string clockText(WallClock::time_point t);
// Local date and time as "dd.mm.yyyy HH:MM:SS".
std::string dateTimeText(WallClock::time_point t);
// Time from start to now as "H:MM:SS" (hours not wrapped at 24, whole seconds cut down);
// "0:00:00" when both fall in the same second of the clock, and when now is before start.
std::string elapsedText(WallClock::time_point start, WallClock::time_point now);

}  // namespace tarvex
