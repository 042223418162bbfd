#include "platform/linux/LinuxSystemInfo.h"

#include <arpa/inet.h>
#include <grp.h>
#include <ifaddrs.h>
#include <limits.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/linux/NetworkFacts.h"

namespace brivak::platform {
namespace {

// The process's interface list, freed on scope exit; empty on error.
class InterfaceList {
 public:
  InterfaceList() {
    if (::getifaddrs(&list_) != 0) list_ = nullptr;
  }
  ~InterfaceList() {
    if (list_ != nullptr) ::freeifaddrs(list_);
  }
  InterfaceList(const InterfaceList&) = delete;
  InterfaceList& operator=(const InterfaceList&) = delete;
  const ifaddrs* First() const { return list_; }

 private:
  ifaddrs* list_ = nullptr;
};

std::string ReadTextFile(const char* path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<char> LookupBuffer(int sysconfName) {
  const long size = ::sysconf(sysconfName);
  return std::vector<char>(size > 0 ? static_cast<std::size_t>(size) : 16384);
}

std::optional<std::string> PasswdName(uid_t uid) {
  std::vector<char> buffer = LookupBuffer(_SC_GETPW_R_SIZE_MAX);
  for (;;) {
    passwd entry{};
    passwd* found = nullptr;
    const int rc = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr || found->pw_name == nullptr) return std::nullopt;
    return std::string(found->pw_name);
  }
}

std::optional<gid_t> GroupId(const char* name) {
  std::vector<char> buffer = LookupBuffer(_SC_GETGR_R_SIZE_MAX);
  for (;;) {
    group entry{};
    group* found = nullptr;
    const int rc = ::getgrnam_r(name, &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 22)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr) return std::nullopt;
    return found->gr_gid;
  }
}

// Membership of the administrators' groups, as the process's own group list has it.
bool InAdminGroup() {
  std::vector<gid_t> groups;
  const int count = ::getgroups(0, nullptr);
  if (count > 0) {
    groups.resize(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    groups.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  groups.push_back(::getegid());
  groups.push_back(::getgid());
  for (const char* name : {"sudo", "wheel", "admin"}) {
    const std::optional<gid_t> gid = GroupId(name);
    if (gid && std::find(groups.begin(), groups.end(), *gid) != groups.end()) return true;
  }
  return false;
}

}  // namespace

LinuxSystemInfo::LinuxSystemInfo(EnvLookup env, std::string root) : env_(std::move(env)), root_(std::move(root)) {}

std::string LinuxSystemInfo::Read(const std::string& path) const {
  return ReadTextFile((root_ + path).c_str());
}

std::string LinuxSystemInfo::HostName() const {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof(name) - 1) != 0) return {};
  return std::string(name);
}

std::string LinuxSystemInfo::LocalIPv4() const {
  std::vector<Ipv4Candidate> candidates;
  const InterfaceList list;
  for (const ifaddrs* item = list.First(); item != nullptr; item = item->ifa_next) {
    if (item->ifa_addr == nullptr || item->ifa_addr->sa_family != AF_INET || item->ifa_name == nullptr)
      continue;
    sockaddr_in address{};
    std::memcpy(&address, item->ifa_addr, sizeof(address));
    candidates.push_back({item->ifa_name, ntohl(address.sin_addr.s_addr), (item->ifa_flags & IFF_UP) != 0,
                          (item->ifa_flags & IFF_LOOPBACK) != 0});
  }
  const std::vector<std::string> preferred = DefaultRouteInterfaces(ReadTextFile("/proc/net/route"));
  return PickLocalIPv4(candidates, preferred).value_or("127.0.0.1");
}

std::string LinuxSystemInfo::FirstAdapterMac() const {
  struct Adapter {
    int index;
    std::string mac;
  };
  std::vector<Adapter> adapters;
  const InterfaceList list;
  for (const ifaddrs* item = list.First(); item != nullptr; item = item->ifa_next) {
    if (item->ifa_addr == nullptr || item->ifa_addr->sa_family != AF_PACKET) continue;
    if ((item->ifa_flags & IFF_LOOPBACK) != 0) continue;
    sockaddr_ll link{};
    std::memcpy(&link, item->ifa_addr, sizeof(link));
    std::string mac = FormatMac(link.sll_addr, std::min<std::size_t>(link.sll_halen, sizeof(link.sll_addr)));
    if (!mac.empty()) adapters.push_back({link.sll_ifindex, std::move(mac)});
  }
  if (adapters.empty()) return {};
  return std::min_element(adapters.begin(), adapters.end(),
                          [](const Adapter& a, const Adapter& b) { return a.index < b.index; })
      ->mac;
}

std::string LinuxSystemInfo::UserName() const {
  if (std::optional<std::string> name = PasswdName(::geteuid())) return *name;
  return env_("USER").value_or(std::string());
}

std::string LinuxSystemInfo::WorkGroup() const {
  return "(n/a)";
}

bool LinuxSystemInfo::IsAdmin() const {
  std::call_once(adminOnce_, [this] { admin_ = ::geteuid() == 0 || InAdminGroup(); });
  return admin_;
}

bool LinuxSystemInfo::IsUserAdmin() const {
  return ::getuid() == 0 || InAdminGroup();
}

bool LinuxSystemInfo::IsAdminOld() const {
  return IsUserAdmin();
}

MemoryFigures LinuxSystemInfo::Memory() const {
  return ParseMemInfo(Read("/proc/meminfo"));
}

BatteryFigures LinuxSystemInfo::Battery() const {
  namespace fs = std::filesystem;
  std::vector<fs::path> entries;
  std::error_code error;
  for (fs::directory_iterator it(root_ + "/sys/class/power_supply", error), end; !error && it != end;
       it.increment(error)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());  // the directory's own order is not stable
  std::vector<PowerSupply> supplies;
  for (const fs::path& entry : entries) {
    PowerSupply supply;
    for (const char* name : {"type", "present", "capacity", "status", "online", "energy_now", "power_now",
                             "charge_now", "current_now"}) {
      std::string text = ReadTextFile((entry / name).c_str());
      while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
      if (!text.empty()) supply[name] = std::move(text);
    }
    supplies.push_back(std::move(supply));
  }
  return BatteryFromSupplies(supplies);
}

std::string LinuxSystemInfo::ProcessorName() const {
  return CpuModelName(Read("/proc/cpuinfo"));
}

int LinuxSystemInfo::ProcessorMHz() const {
  for (const char* file : {"base_frequency", "cpuinfo_max_freq"}) {
    const std::string text = Read(std::string("/sys/devices/system/cpu/cpu0/cpufreq/") + file);
    const long kHz = std::atol(text.c_str());
    if (kHz > 0) return static_cast<int>((kHz + 500) / 1000);
  }
  return CpuInfoMHz(Read("/proc/cpuinfo"));
}

std::string LinuxSystemInfo::OsName() const {
  std::string text = Read("/etc/os-release");
  if (text.empty()) text = Read("/usr/lib/os-release");
  return OsReleaseName(text);
}

std::string LinuxSystemInfo::OsVersion() const {
  std::string text = Read("/proc/sys/kernel/osrelease");
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::optional<double> LinuxSystemInfo::SampleCpuLoad() const {
  return cpuLoad_.Take(ParseProcStat(Read("/proc/stat")));
}

}  // namespace brivak::platform
