#include "proj/core/SystemPanel.h"

#include <gtest/gtest.h>

#include "platform/fake/FakeSystemInfo.h"

namespace brivak::core {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

TEST(SystemPanelTest, RowsFromOneTicksFacts) {
  platform::MemoryFigures memory;
  memory.totalPhysical = 8000 * kMiB;
  memory.freePhysical = 2000 * kMiB;
  memory.memoryLoad = 75;
  platform::BatteryFigures battery;
  battery.percent = 64;
  platform::LocalTime now;
  now.hour = 13;
  now.minute = 5;
  now.second = 9;
  const SystemPanelTexts t = SystemPanelRows(7, memory, battery, now, 61500);
  EXPECT_EQ(t.cpu, "CPU: 7%");
  EXPECT_EQ(t.cpuGauge, 7);
  EXPECT_EQ(t.ram, "RAM: 75%");
  EXPECT_EQ(t.ramHint, "Used 6000 MB of 8000 MB");
  EXPECT_EQ(t.battery, "64%");
  EXPECT_EQ(t.batteryColor, kBatteryGreen);
  EXPECT_EQ(t.clock, "1:05:09 pm");
  EXPECT_EQ(t.idle, "Idle 1 min 1 sec");
}

TEST(SystemPanelTest, BatteryRules) {
  struct Case {
    int percent;
    const char* text;
    std::uint32_t color;
  };
  const Case cases[] = {{0, "AC Power", kBatteryRed}, {5, "5%", kBatteryRed},      {10, "10%", kBatteryYellow},
                        {19, "19%", kBatteryYellow}, {20, "20%", kBatteryGreen}, {100, "100%", kBatteryGreen},
                        {255, "255%", kBatteryGreen}};
  for (const Case& c : cases) {
    platform::BatteryFigures battery;
    battery.percent = c.percent;
    const SystemPanelTexts t = SystemPanelRows(0, {}, battery, {}, 0);
    EXPECT_EQ(t.battery, c.text) << c.percent;
    EXPECT_EQ(t.batteryColor, c.color) << c.percent;
  }
}

// The memory row is read at every tick, never a figure left from an earlier page.
TEST(SystemPanelTest, TheLoadAndMemoryComeFromTheSystemAtEachTick) {
  platform::FakeSystemInfo system;
  system.SetCpuSamples({std::nullopt, 12.4, 87.6});
  EXPECT_EQ(platform::CpuLoadPercent(system), 12) << "a sample without a number is taken again";
  EXPECT_EQ(platform::CpuLoadPercent(system), 88);
  system.memory.memoryLoad = 40;
  EXPECT_EQ(SystemPanelRows(0, system.Memory(), system.Battery(), {}, 0).ram, "RAM: 40%");
  system.memory.memoryLoad = 41;
  EXPECT_EQ(SystemPanelRows(0, system.Memory(), system.Battery(), {}, 0).ram, "RAM: 41%");
}

}  // namespace
}  // namespace brivak::core
