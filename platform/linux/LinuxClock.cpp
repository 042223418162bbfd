#include "platform/linux/LinuxClock.h"

#include <chrono>
#include <ctime>

namespace brivak::platform {

std::int64_t LinuxClock::MonotonicMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

LocalTime LinuxClock::Local() const {
  using namespace std::chrono;
  const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch());
  const std::time_t seconds =
      static_cast<std::time_t>(duration_cast<std::chrono::seconds>(sinceEpoch).count());
  std::tm tm{};
  localtime_r(&seconds, &tm);  // thread-safe, unlike localtime
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  // A leap second (tm_sec 60) is shown as the last second of the minute.
  t.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  t.millisecond = static_cast<int>(sinceEpoch.count() % 1000);
  t.weekday = tm.tm_wday;
  return t;
}

}  // namespace brivak::platform
