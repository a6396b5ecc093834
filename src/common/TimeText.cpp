#include "common/TimeText.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

namespace tarvex {

namespace {
std::string localText(WallClock::time_point t, const char* format) {
  std::time_t tt = WallClock::to_time_t(t);
  std::tm local{};
  localtime_r(&tt, &local);
  char buf[40];
  std::strftime(buf, sizeof buf, format, &local);
  return buf;
}
}  // namespace

std::string clockText(WallClock::time_point t) { return localText(t, "%H:%M:%S"); }

std::string dateTimeText(WallClock::time_point t) { return localText(t, "%d.%m.%Y %H:%M:%S"); }

std::string elapsedText(WallClock::time_point start, WallClock::time_point now) {
  using std::chrono::seconds;
  int64_t elapsed = 0;
  if (std::chrono::floor<seconds>(start) != std::chrono::floor<seconds>(now) && now > start) {
    elapsed = std::chrono::duration_cast<seconds>(now - start).count();
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld:%02d:%02d", static_cast<long long>(elapsed / 3600),
                static_cast<int>(elapsed / 60 % 60), static_cast<int>(elapsed % 60));
  return buf;
}

}  // namespace tarvex
