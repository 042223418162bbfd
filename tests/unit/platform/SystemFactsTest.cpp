// Memory, processor, battery, system and processor-load readings, on texts recorded from real
// machines and on a recorded /proc-/sys tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "platform/fake/FakeSystemInfo.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/SystemFacts.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace brivak::platform {
namespace {

constexpr std::uint64_t kKiB = 1024;

// A Debian 12 workstation (kernel 6.1).
constexpr const char* kMeminfo =
    "MemTotal:       16318412 kB\n"
    "MemFree:         1203488 kB\n"
    "MemAvailable:    9735600 kB\n"
    "Buffers:          412344 kB\n"
    "Cached:          7848292 kB\n"
    "SwapCached:         1024 kB\n"
    "SwapTotal:       2097148 kB\n"
    "SwapFree:        1572860 kB\n"
    "CommitLimit:    10256352 kB\n"
    "Committed_AS:   12001100 kB\n"
    "VmallocTotal:   34359738367 kB\n";

// An old kernel without MemAvailable, no swap, no commit figures.
constexpr const char* kOldMeminfo =
    "MemTotal:        1024000 kB\n"
    "MemFree:          100000 kB\n"
    "Buffers:           20000 kB\n"
    "Cached:           280000 kB\n";

constexpr const char* kCpuinfoX86 =
    "processor\t: 0\n"
    "vendor_id\t: GenuineIntel\n"
    "cpu family\t: 6\n"
    "model name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n"
    "cpu MHz\t\t: 1799.832\n"
    "\n"
    "processor\t: 1\n"
    "model name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz\n"
    "cpu MHz\t\t: 2400.000\n";

constexpr const char* kCpuinfoArm =
    "processor\t: 0\n"
    "BogoMIPS\t: 108.00\n"
    "CPU implementer\t: 0x41\n"
    "\n"
    "Hardware\t: BCM2835\n"
    "Model\t\t: Raspberry Pi 4 Model B Rev 1.4\n";

TEST(SystemFacts, MemInfoOfAWorkstation) {
  const MemoryFigures m = ParseMemInfo(kMeminfo);
  EXPECT_EQ(m.totalPhysical, 16318412 * kKiB);
  EXPECT_EQ(m.freePhysical, 9735600 * kKiB);
  EXPECT_EQ(m.totalSwap, 2097148 * kKiB);
  EXPECT_EQ(m.freeSwap, 1572860 * kKiB);
  EXPECT_EQ(m.totalVirtual, (16318412 + 2097148) * kKiB);
  EXPECT_EQ(m.freeVirtual, (9735600 + 1572860) * kKiB);
  EXPECT_EQ(m.totalPageFile, 10256352 * kKiB);
  EXPECT_EQ(m.freePageFile, 0u);  // over-committed: nothing left, not a wrapped-around number
  EXPECT_EQ(m.memoryLoad, 40);    // (16318412 - 9735600) / 16318412 = 40.3 %
}

TEST(SystemFacts, MemInfoWithoutAvailableOrSwap) {
  const MemoryFigures m = ParseMemInfo(kOldMeminfo);
  EXPECT_EQ(m.totalPhysical, 1024000 * kKiB);
  EXPECT_EQ(m.freePhysical, 400000 * kKiB);  // free + buffers + cached
  EXPECT_EQ(m.totalSwap, 0u);
  EXPECT_EQ(m.totalPageFile, m.totalVirtual);
  EXPECT_EQ(m.freePageFile, m.totalPageFile);
  EXPECT_EQ(m.memoryLoad, 61);
}

TEST(SystemFacts, MemInfoThatSaysNothing) {
  for (const char* text : {"", "garbage\n", "MemTotal: lots kB\n"}) {
    const MemoryFigures m = ParseMemInfo(text);
    EXPECT_EQ(m.totalPhysical, 0u) << text;
    EXPECT_EQ(m.memoryLoad, 0) << text;
  }
}

TEST(SystemFacts, ProcessorNameAndFrequency) {
  EXPECT_EQ(CpuModelName(kCpuinfoX86), "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
  EXPECT_EQ(CpuInfoMHz(kCpuinfoX86), 1800);  // the first processor's
  EXPECT_EQ(CpuModelName(kCpuinfoArm), "BCM2835");
  EXPECT_EQ(CpuInfoMHz(kCpuinfoArm), 0);
  EXPECT_EQ(CpuModelName(""), "");
}

TEST(SystemFacts, OsReleaseNames) {
  struct Case {
    const char* text;
    const char* name;
  };
  const Case cases[] = {
      {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n", "Debian GNU/Linux 12 (bookworm)"},
      {"NAME=Fedora\nVERSION_ID=39\n", "Fedora"},
      {"PRETTY_NAME='Single quoted'\n", "Single quoted"},
      {"PRETTY_NAME=\"Say \\\"hi\\\"\"\n", "Say \"hi\""},
      {"PRETTY_NAME=\"\"\nNAME=Arch\n", "Arch"},
      {"PRETTY_NAMES=x\n", "Linux"},
      {"", "Linux"},
  };
  for (const Case& c : cases) EXPECT_EQ(OsReleaseName(c.text), c.name) << c.text;
}

TEST(SystemFacts, BatteryFromSupplies) {
  const PowerSupply ac = {{"type", "Mains"}, {"online", "1"}};
  const PowerSupply acOff = {{"type", "Mains"}, {"online", "0"}};
  const PowerSupply discharging = {{"type", "Battery"}, {"present", "1"}, {"capacity", "57"},
                                   {"status", "Discharging"}, {"energy_now", "30000000"},
                                   {"power_now", "10000000"}};
  const PowerSupply byCharge = {{"type", "Battery"}, {"capacity", "80"}, {"status", "Discharging"},
                                {"charge_now", "2000000"}, {"current_now", "4000000"}};
  const PowerSupply charging = {{"type", "Battery"}, {"capacity", "101"}, {"status", "Charging"},
                                {"energy_now", "1"}, {"power_now", "1"}};
  const PowerSupply absent = {{"type", "Battery"}, {"present", "0"}, {"capacity", "12"}};
  const PowerSupply mouse = {{"type", "USB"}, {"capacity", "5"}};

  BatteryFigures b = BatteryFromSupplies({});
  EXPECT_EQ(b.percent, 255);
  EXPECT_EQ(b.secondsLeft, 4294967295u);
  EXPECT_FALSE(b.onMains.has_value());

  b = BatteryFromSupplies({acOff, discharging});
  EXPECT_EQ(b.percent, 57);
  EXPECT_EQ(b.secondsLeft, 3u * 3600u);
  EXPECT_EQ(b.onMains, false);

  b = BatteryFromSupplies({byCharge});
  EXPECT_EQ(b.percent, 80);
  EXPECT_EQ(b.secondsLeft, 1800u);

  b = BatteryFromSupplies({ac, charging});
  EXPECT_EQ(b.percent, 100);
  EXPECT_EQ(b.secondsLeft, 4294967295u);  // not discharging: unknown
  EXPECT_EQ(b.onMains, true);

  b = BatteryFromSupplies({absent, mouse, acOff, ac});
  EXPECT_EQ(b.percent, 255);  // neither an absent battery nor a mouse counts
  EXPECT_EQ(b.onMains, true);

  b = BatteryFromSupplies({{{"type", "Battery"}, {"capacity", "50"}, {"status", "Discharging"},
                            {"energy_now", "5"}, {"power_now", "0"}}});
  EXPECT_EQ(b.secondsLeft, 4294967295u);  // no drain: no division by zero
}

TEST(SystemFacts, ProcStatCpuLine) {
  const char* stat =
      "cpu  4705 356 584 3699 23 23 0 0 0 0\n"
      "cpu0 1393280 32966 572056 13343292 6130 0 17875 0 23933 0\n"
      "intr 1462898\n";
  const std::optional<CpuTimes> t = ParseProcStat(stat);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->idle, 3699u + 23u);
  EXPECT_EQ(t->total, 4705u + 356 + 584 + 3699 + 23 + 23);
  // Old kernels have four fields only.
  EXPECT_EQ(ParseProcStat("cpu 1 2 3 4\n")->total, 10u);
  EXPECT_FALSE(ParseProcStat("cpu0 1 2 3 4\n"));
  EXPECT_FALSE(ParseProcStat("cpu 1 2\n"));
  EXPECT_FALSE(ParseProcStat("cpu 1 x 3 4\n"));
  EXPECT_FALSE(ParseProcStat(""));
}

TEST(CpuLoadMeter, LoadBetweenReadings) {
  CpuLoadMeter meter;
  EXPECT_FALSE(meter.Take(std::nullopt));      // an unreadable /proc/stat gives no number
  EXPECT_FALSE(meter.Take(CpuTimes{0, 0}));    // nothing counted yet
  EXPECT_DOUBLE_EQ(*meter.Take(CpuTimes{750, 1000}), 25.0);  // since boot
  EXPECT_DOUBLE_EQ(*meter.Take(CpuTimes{800, 1200}), 75.0);  // 50 idle of 200
  EXPECT_DOUBLE_EQ(*meter.Take(CpuTimes{800, 1200}), 75.0);  // same tick: the last load again
  EXPECT_DOUBLE_EQ(*meter.Take(CpuTimes{900, 1300}), 0.0);
  EXPECT_DOUBLE_EQ(*meter.Take(CpuTimes{100, 200}), 50.0);   // counters restarted: from zero again
}

TEST(CpuLoadMeter, ReadingsFromSeveralThreadsAreTakenOneAtATime) {
  CpuLoadMeter meter;
  std::vector<std::thread> threads;
  std::atomic<int> bad{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&meter, &bad, t] {
      for (std::uint64_t i = 1; i <= 2000; ++i) {
        // Every thread's readings keep idle at half the total, so every load must be 50.
        const std::uint64_t total = (i * 4 + static_cast<std::uint64_t>(t)) * 2;
        const std::optional<double> load = meter.Take(CpuTimes{total / 2, total});
        if (load && *load != 50.0) ++bad;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(bad.load(), 0);
}

// A recorded /proc, /sys and /etc tree under a temporary root.
class RecordedTree : public ::testing::Test {
 protected:
  void Write(const std::string& path, const std::string& text) {
    const std::filesystem::path file = dir_.Path() + path;
    std::filesystem::create_directories(file.parent_path());
    test::WriteAll(file, text);
  }
  LinuxSystemInfo Info() { return LinuxSystemInfo(SystemEnv, dir_.Path()); }
  test::TempDir dir_;
};

TEST_F(RecordedTree, EveryAnswerComesFromItsFile) {
  Write("/proc/meminfo", kMeminfo);
  Write("/proc/cpuinfo", kCpuinfoX86);
  Write("/proc/stat", "cpu  300 0 100 600 0 0 0 0 0 0\n");
  Write("/proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
  Write("/etc/os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
  Write("/sys/class/power_supply/BAT0/type", "Battery\n");
  Write("/sys/class/power_supply/BAT0/capacity", "42\n");
  Write("/sys/class/power_supply/BAT0/status", "Discharging\n");
  Write("/sys/class/power_supply/BAT0/energy_now", "20000000\n");
  Write("/sys/class/power_supply/BAT0/power_now", "8000000\n");
  Write("/sys/class/power_supply/AC/type", "Mains\n");
  Write("/sys/class/power_supply/AC/online", "0\n");
  Write("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "3400000\n");
  const LinuxSystemInfo info = Info();
  EXPECT_EQ(info.Memory().totalPhysical, 16318412 * kKiB);
  EXPECT_EQ(info.ProcessorName(), "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
  EXPECT_EQ(info.ProcessorMHz(), 3400);
  EXPECT_EQ(info.OsName(), "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(info.OsVersion(), "6.1.0-18-amd64");
  const BatteryFigures battery = info.Battery();
  EXPECT_EQ(battery.percent, 42);
  EXPECT_EQ(battery.secondsLeft, 9000u);
  EXPECT_EQ(battery.onMains, false);
  EXPECT_EQ(CpuLoadPercent(info), 40);
  Write("/proc/stat", "cpu  400 0 100 700 0 0 0 0 0 0\n");
  EXPECT_EQ(CpuLoadPercent(info), 50);
  Write("/sys/devices/system/cpu/cpu0/cpufreq/base_frequency", "1600000\n");
  EXPECT_EQ(info.ProcessorMHz(), 1600);  // the nominal frequency comes first
}

TEST_F(RecordedTree, AnEmptyTreeGivesTheUnknownAnswers) {
  const LinuxSystemInfo info = Info();
  EXPECT_EQ(info.Memory().totalPhysical, 0u);
  EXPECT_EQ(info.ProcessorName(), "");
  EXPECT_EQ(info.ProcessorMHz(), 0);
  EXPECT_EQ(info.OsName(), "Linux");
  EXPECT_EQ(info.Battery().percent, 255);
  EXPECT_FALSE(info.SampleCpuLoad());
  EXPECT_EQ(CpuLoadPercent(info), 0);
}

TEST(LinuxSystemInfoFacts, TheMachinesOwnFiguresAreSane) {
  const LinuxSystemInfo info;
  const MemoryFigures m = info.Memory();
  EXPECT_GT(m.totalPhysical, 0u);
  EXPECT_LE(m.freePhysical, m.totalPhysical);
  EXPECT_GE(m.memoryLoad, 0);
  EXPECT_LE(m.memoryLoad, 100);
  EXPECT_FALSE(info.OsName().empty());
  EXPECT_FALSE(info.OsVersion().empty());
  const int load = CpuLoadPercent(info);
  EXPECT_GE(load, 0);
  EXPECT_LE(load, 100);
}

TEST(FakeSystemInfo, CpuSamplesInOrderThenTheLastAgain) {
  FakeSystemInfo info;
  EXPECT_FALSE(info.SampleCpuLoad());
  EXPECT_EQ(CpuLoadPercent(info), 0);
  EXPECT_EQ(info.CpuSamplesTaken(), 4);  // one, then three tries
  info.SetCpuSamples({std::nullopt, std::nullopt, 12.6, 40.0});
  EXPECT_EQ(CpuLoadPercent(info), 13);  // the third try gives the number
  EXPECT_EQ(CpuLoadPercent(info), 40);
  EXPECT_EQ(CpuLoadPercent(info), 40);
  info.SetCpuSamples({std::nullopt, std::nullopt, std::nullopt, 99.0});
  EXPECT_EQ(CpuLoadPercent(info), 0);  // three tries, no number
  EXPECT_EQ(info.Memory().totalPhysical, 8192ull * 1024 * 1024);
  EXPECT_EQ(info.Battery().percent, 255);
}

}  // namespace
}  // namespace brivak::platform
