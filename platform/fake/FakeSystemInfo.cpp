#include "platform/fake/FakeSystemInfo.h"

namespace brivak::platform {

namespace {
constexpr std::uint64_t kMiB = 1024ull * 1024ull;
}

FakeSystemInfo::FakeSystemInfo() {
  memory.totalPhysical = 8192 * kMiB;
  memory.freePhysical = 3072 * kMiB;
  memory.totalSwap = 2048 * kMiB;
  memory.freeSwap = 1536 * kMiB;
  memory.totalVirtual = memory.totalPhysical + memory.totalSwap;
  memory.freeVirtual = memory.freePhysical + memory.freeSwap;
  memory.totalPageFile = 6144 * kMiB;
  memory.freePageFile = 2048 * kMiB;
  memory.memoryLoad = 63;
}

std::string FakeSystemInfo::HostName() const {
  return hostName;
}
std::string FakeSystemInfo::LocalIPv4() const {
  return localIPv4;
}
std::string FakeSystemInfo::FirstAdapterMac() const {
  return mac;
}
std::string FakeSystemInfo::UserName() const {
  return userName;
}
std::string FakeSystemInfo::WorkGroup() const {
  return workGroup;
}
bool FakeSystemInfo::IsAdmin() const {
  return admin;
}
bool FakeSystemInfo::IsUserAdmin() const {
  return userAdmin;
}
bool FakeSystemInfo::IsAdminOld() const {
  return userAdmin;
}
MemoryFigures FakeSystemInfo::Memory() const {
  return memory;
}
BatteryFigures FakeSystemInfo::Battery() const {
  return battery;
}
std::string FakeSystemInfo::ProcessorName() const {
  return processorName;
}
int FakeSystemInfo::ProcessorMHz() const {
  return processorMHz;
}
std::string FakeSystemInfo::OsName() const {
  return osName;
}
std::string FakeSystemInfo::OsVersion() const {
  return osVersion;
}

void FakeSystemInfo::SetCpuSamples(std::deque<std::optional<double>> samples) {
  const std::lock_guard<std::mutex> lock(cpuMutex_);
  cpuSamples_ = std::move(samples);
  lastCpu_.reset();
}

int FakeSystemInfo::CpuSamplesTaken() const {
  const std::lock_guard<std::mutex> lock(cpuMutex_);
  return cpuTaken_;
}

std::optional<double> FakeSystemInfo::SampleCpuLoad() const {
  const std::lock_guard<std::mutex> lock(cpuMutex_);
  ++cpuTaken_;
  if (!cpuSamples_.empty()) {
    lastCpu_ = cpuSamples_.front();
    cpuSamples_.pop_front();
  }
  return lastCpu_;
}

}  // namespace brivak::platform
