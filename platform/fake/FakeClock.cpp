#include "platform/fake/FakeClock.h"

#include <chrono>

namespace brivak::platform {
namespace {

using namespace std::chrono;

std::int64_t ToWallMs(const LocalTime& t) {
  const sys_days day = year{t.year} / month{static_cast<unsigned>(t.month)} / std::chrono::day{static_cast<unsigned>(t.day)};
  const auto ms = day.time_since_epoch() + hours{t.hour} + minutes{t.minute} + seconds{t.second} +
                  milliseconds{t.millisecond};
  return duration_cast<milliseconds>(ms).count();
}

LocalTime FromWallMs(std::int64_t wallMs) {
  const sys_time<milliseconds> tp{milliseconds{wallMs}};
  const sys_days day = floor<days>(tp);
  const year_month_day ymd{day};
  const hh_mm_ss<milliseconds> hms{tp - day};
  LocalTime t;
  t.year = static_cast<int>(ymd.year());
  t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  t.hour = static_cast<int>(hms.hours().count());
  t.minute = static_cast<int>(hms.minutes().count());
  t.second = static_cast<int>(hms.seconds().count());
  t.millisecond = static_cast<int>(hms.subseconds().count());
  t.weekday = static_cast<int>(weekday{day}.c_encoding());
  return t;
}

LocalTime DefaultTime() {
  LocalTime t;
  t.year = 2026;
  t.month = 12;
  t.day = 9;
  t.hour = 10;
  return t;
}

}  // namespace

FakeClock::FakeClock() : FakeClock(DefaultTime()) {}

FakeClock::FakeClock(const LocalTime& local, std::int64_t tick) : tick_(tick), wallMs_(ToWallMs(local)) {}

std::int64_t FakeClock::MonotonicMs() const {
  std::lock_guard lock(mutex_);
  return tick_;
}

LocalTime FakeClock::Local() const {
  std::lock_guard lock(mutex_);
  return FromWallMs(wallMs_);
}

void FakeClock::Set(const LocalTime& local) {
  std::lock_guard lock(mutex_);
  wallMs_ = ToWallMs(local);
}

void FakeClock::Advance(std::int64_t ms) {
  std::lock_guard lock(mutex_);
  tick_ += ms;
  wallMs_ += ms;
}

}  // namespace brivak::platform
