// The rows of the lock screen's system-information panel, from the facts of one status tick.
#pragma once

#include <cstdint>

#include "platform/Clock.h"
#include "platform/SystemInfo.h"
#include "proj/core/LockShell.h"

namespace brivak::core {

// Gauge colours of the battery row (0x00BBGGRR).
inline constexpr std::uint32_t kBatteryRed = 0x0000FF;
inline constexpr std::uint32_t kBatteryYellow = 0x00FFFF;
inline constexpr std::uint32_t kBatteryGreen = 0x59D63F;

// "CPU: 7%"; "RAM: 42%" with the hint "Used 3300 MB of 7900 MB"; the battery's charge + "%", or
// "AC Power" when it reads 0 (255, no battery information, shows "255%"), red below 10, yellow
// below 20, green above; the clock "h:nn:ss am/pm"; "Idle " + the idle time as a duration.
SystemPanelTexts SystemPanelRows(int cpuPercent, const platform::MemoryFigures& memory,
                                 const platform::BatteryFigures& battery, const platform::LocalTime& now,
                                 std::int64_t idleMs);

}  // namespace brivak::core
