// Facts about this computer and its user, read from the Linux system.
#pragma once

#include <mutex>
#include <string>

#include "platform/SystemInfo.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/SystemFacts.h"

namespace brivak::platform {

// Thread-safe. Every answer is read anew except IsAdmin, which is computed once and kept.
class LinuxSystemInfo : public SystemInfo {
 public:
  // `env` supplies $USER for UserName when the password database has no entry for us. `root` is
  // put before /proc, /sys and /etc (tests point it at a recorded tree); empty for the system's own.
  explicit LinuxSystemInfo(EnvLookup env = SystemEnv, std::string root = {});

  std::string HostName() const override;  // gethostname
  // getifaddrs, the default-route interface (from /proc/net/route) first. The host name is never
  // resolved: many systems map it to 127.0.1.1, which no peer can reach.
  std::string LocalIPv4() const override;
  std::string FirstAdapterMac() const override;  // getifaddrs AF_PACKET, in interface-index order
  std::string UserName() const override;         // the effective user's name, else $USER
  std::string WorkGroup() const override;        // "(n/a)"
  bool IsAdmin() const override;                 // effective uid 0 or in sudo/wheel/admin; cached
  bool IsUserAdmin() const override;             // real uid 0 or in sudo/wheel/admin
  bool IsAdminOld() const override;              // IsUserAdmin
  MemoryFigures Memory() const override;         // /proc/meminfo
  BatteryFigures Battery() const override;       // /sys/class/power_supply
  std::string ProcessorName() const override;    // /proc/cpuinfo
  // cpufreq's base_frequency, else cpuinfo_max_freq of cpu0, else "cpu MHz" of /proc/cpuinfo
  int ProcessorMHz() const override;
  std::string OsName() const override;           // /etc/os-release, else /usr/lib/os-release
  std::string OsVersion() const override;        // /proc/sys/kernel/osrelease
  std::optional<double> SampleCpuLoad() const override;  // /proc/stat

 private:
  std::string Read(const std::string& path) const;

  EnvLookup env_;
  std::string root_;
  mutable CpuLoadMeter cpuLoad_;
  mutable std::once_flag adminOnce_;
  mutable bool admin_ = false;
};

}  // namespace brivak::platform
