// The readings behind LinuxSystemInfo's memory, processor, battery and system answers, apart from
// the files that feed them, so that they can be checked against recorded texts.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SystemInfo.h"

namespace brivak::platform {

// The figures of /proc/meminfo. Physical free is MemAvailable (MemFree + Buffers + Cached on
// kernels without it); virtual is physical plus swap; the page file is the commit limit.
MemoryFigures ParseMemInfo(std::string_view procMeminfo);

// The first "model name" of /proc/cpuinfo (ARM: "Processor" or "Hardware"); empty when none.
std::string CpuModelName(std::string_view procCpuinfo);
// The first "cpu MHz" of /proc/cpuinfo, rounded; 0 when none.
int CpuInfoMHz(std::string_view procCpuinfo);

// PRETTY_NAME of an os-release text (quotes and escapes removed), else NAME, else "Linux".
std::string OsReleaseName(std::string_view osRelease);

// The files of one /sys/class/power_supply entry that matter, by file name ("type", "present",
// "capacity", "status", "online", "energy_now", "power_now", "charge_now", "current_now"), each
// holding its trimmed text.
using PowerSupply = std::map<std::string, std::string>;
// The battery figures of a set of supplies in name order: the first present battery gives the
// charge and, while it discharges, the time left; any mains supply tells whether it is online.
BatteryFigures BatteryFromSupplies(const std::vector<PowerSupply>& supplies);

// Processor time counters of the "cpu" line of /proc/stat, in clock ticks.
struct CpuTimes {
  std::uint64_t idle = 0;   // idle + iowait
  std::uint64_t total = 0;  // every field up to steal (guest time is already in user and nice)
};
std::optional<CpuTimes> ParseProcStat(std::string_view procStat);

// Load between successive readings of /proc/stat. The first reading is measured from boot (the
// counters start at zero). A reading taken within the same clock tick as the previous one repeats
// the previous load. Thread-safe: readings from several threads are taken one at a time.
class CpuLoadMeter {
 public:
  std::optional<double> Take(std::optional<CpuTimes> now);

 private:
  std::mutex mutex_;
  CpuTimes previous_;                 // guarded by mutex_
  std::optional<double> lastLoad_;    // guarded by mutex_
};

}  // namespace brivak::platform
