// Facts about this computer and its user that the locker reports, logs and shows in its layouts.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

namespace brivak::platform {

// Memory figures in bytes. "Free" is what programs can still get without swapping things out.
struct MemoryFigures {
  std::uint64_t totalPhysical = 0;
  std::uint64_t freePhysical = 0;
  // Everything a program can be given: physical memory and swap together.
  std::uint64_t totalVirtual = 0;
  std::uint64_t freeVirtual = 0;
  // The commit limit (Linux: CommitLimit) and what is left of it (CommitLimit - Committed_AS).
  std::uint64_t totalPageFile = 0;
  std::uint64_t freePageFile = 0;
  // Swap space.
  std::uint64_t totalSwap = 0;
  std::uint64_t freeSwap = 0;
  // Share of physical memory in use, 0-100.
  int memoryLoad = 0;
};

struct BatteryFigures {
  static constexpr int kUnknownPercent = 255;
  static constexpr std::uint32_t kUnknownSeconds = 0xFFFFFFFFu;
  int percent = kUnknownPercent;           // charge 0-100
  std::uint32_t secondsLeft = kUnknownSeconds;  // while discharging
  std::optional<bool> onMains;             // external power, when a mains supply reports it
};

// Implementations are thread-safe: any thread may ask.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // Host name; empty on error.
  virtual std::string HostName() const = 0;
  // The first up, non-loopback, non-link-local IPv4 address (the default-route interface first);
  // "127.0.0.1" when there is none. Never the address the host name resolves to.
  virtual std::string LocalIPv4() const = 0;
  // Hardware address of the first non-loopback adapter with one, as 12 upper-case hex digits with
  // no separator; empty when there is none.
  virtual std::string FirstAdapterMac() const = 0;
  // Name of the user running the process.
  virtual std::string UserName() const = 0;
  // Work group; "(n/a)" where the system has none.
  virtual std::string WorkGroup() const = 0;
  // Administrator checks: effective rights, membership of the administrators' group (sudo/wheel/
  // admin on Linux), and the older token-group test (on Linux the same as IsUserAdmin).
  virtual bool IsAdmin() const = 0;
  virtual bool IsUserAdmin() const = 0;
  virtual bool IsAdminOld() const = 0;

  // Memory, read now; all zero when the system does not tell.
  virtual MemoryFigures Memory() const = 0;
  // Battery, read now; the unknown values when there is no battery.
  virtual BatteryFigures Battery() const = 0;
  // Processor model name; empty when unknown.
  virtual std::string ProcessorName() const = 0;
  // Nominal processor frequency in MHz; 0 when unknown.
  virtual int ProcessorMHz() const = 0;
  // Product name of the operating system (e.g. "Debian GNU/Linux 12 (bookworm)").
  virtual std::string OsName() const = 0;
  // Version text beside the name (Linux: the kernel release).
  virtual std::string OsVersion() const = 0;
  // Processor load in percent (0-100) over the time since the previous sample taken through this
  // object, by any thread (samples are serialised). No number when the system cannot tell.
  virtual std::optional<double> SampleCpuLoad() const = 0;
};

// The processor load as the lock screen and the status record show it: up to three samples until one
// gives a number, rounded to the whole percent; 0 when none does.
inline int CpuLoadPercent(const SystemInfo& system) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (const std::optional<double> load = system.SampleCpuLoad()) {
      return static_cast<int>(std::lround(std::fmin(100.0, std::fmax(0.0, *load))));
    }
  }
  return 0;
}

}  // namespace brivak::platform
