#include "proj/core/SystemPanel.h"

#include <algorithm>

#include "common/Stools.h"
#include "proj/core/SlfClockFormat.h"

namespace brivak::core {

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

}  // namespace

SystemPanelTexts SystemPanelRows(int cpuPercent, const platform::MemoryFigures& memory,
                                 const platform::BatteryFigures& battery, const platform::LocalTime& now,
                                 std::int64_t idleMs) {
  SystemPanelTexts t;
  t.cpu = "CPU: " + std::to_string(cpuPercent) + "%";
  t.cpuGauge = cpuPercent;

  const std::uint64_t totalMB = memory.totalPhysical / kMiB;
  const std::uint64_t usedMB = (memory.totalPhysical - std::min(memory.freePhysical, memory.totalPhysical)) / kMiB;
  t.ram = "RAM: " + std::to_string(memory.memoryLoad) + "%";
  t.ramGauge = memory.memoryLoad;
  t.ramHint = "Used " + std::to_string(usedMB) + " MB of " + std::to_string(totalMB) + " MB";

  const int charge = battery.percent;
  t.battery = charge == 0 ? std::string("AC Power") : std::to_string(charge) + "%";
  t.batteryGauge = charge;
  t.batteryColor = charge < 10 ? kBatteryRed : charge < 20 ? kBatteryYellow : kBatteryGreen;

  t.clock = FormatSlfClock("h:nn:ss am/pm", now);
  t.idle = "Idle " + SecondsToTimeStr(std::max<std::int64_t>(0, idleMs) / 1000);
  return t;
}

}  // namespace brivak::core
