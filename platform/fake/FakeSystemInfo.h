// Fixed answers about the computer and its user. Set the fields before handing the object out; the
// fields are not synchronised, except the processor-load samples, which any thread may take.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "platform/SystemInfo.h"

namespace brivak::platform {

class FakeSystemInfo : public SystemInfo {
 public:
  FakeSystemInfo();

  std::string hostName = "TESTHOST";
  std::string localIPv4 = "127.0.0.1";
  std::string mac = "020000000001";
  std::string userName = "tester";
  std::string workGroup = "(n/a)";
  bool admin = false;      // IsAdmin
  bool userAdmin = false;  // IsUserAdmin and IsAdminOld
  MemoryFigures memory;    // 8 GiB physical (3 GiB free), 2 GiB swap (1.5 GiB free), see the constructor
  BatteryFigures battery;  // unknown
  std::string processorName = "Test CPU @ 2.40GHz";
  int processorMHz = 2400;
  std::string osName = "Test OS 1";
  std::string osVersion = "1.0-test";

  // The answers of SampleCpuLoad, taken in order; once used up, the last one is repeated (no
  // number when the list was empty from the start).
  void SetCpuSamples(std::deque<std::optional<double>> samples);
  int CpuSamplesTaken() const;

  std::string HostName() const override;
  std::string LocalIPv4() const override;
  std::string FirstAdapterMac() const override;
  std::string UserName() const override;
  std::string WorkGroup() const override;
  bool IsAdmin() const override;
  bool IsUserAdmin() const override;
  bool IsAdminOld() const override;
  MemoryFigures Memory() const override;
  BatteryFigures Battery() const override;
  std::string ProcessorName() const override;
  int ProcessorMHz() const override;
  std::string OsName() const override;
  std::string OsVersion() const override;
  std::optional<double> SampleCpuLoad() const override;

 private:
  mutable std::mutex cpuMutex_;
  mutable std::deque<std::optional<double>> cpuSamples_;  // guarded by cpuMutex_
  mutable std::optional<double> lastCpu_;                 // guarded by cpuMutex_
  mutable int cpuTaken_ = 0;                              // guarded by cpuMutex_
};

}  // namespace brivak::platform
