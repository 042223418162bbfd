#include "platform/linux/NetworkFacts.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace brivak::platform {
namespace {

bool ParseHex(const std::string& text, std::uint32_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
  return ec == std::errc() && ptr == end && !text.empty();
}

}  // namespace

std::vector<std::string> DefaultRouteInterfaces(std::string_view procNetRoute) {
  struct Route {
    std::string interface;
    long long metric;
  };
  std::vector<Route> routes;
  std::istringstream lines{std::string(procNetRoute)};
  std::string line;
  bool header = true;
  while (std::getline(lines, line)) {
    if (header) {  // "Iface Destination Gateway Flags RefCnt Use Metric Mask ..."
      header = false;
      continue;
    }
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags, refCnt, use, metric, mask;
    if (!(fields >> iface >> destination >> gateway >> flags >> refCnt >> use >> metric >> mask)) continue;
    std::uint32_t dest = 1, flagBits = 0, maskBits = 1;
    if (!ParseHex(destination, dest) || !ParseHex(flags, flagBits) || !ParseHex(mask, maskBits)) continue;
    constexpr std::uint32_t kRouteUp = 0x1;  // RTF_UP
    if (dest != 0 || maskBits != 0 || (flagBits & kRouteUp) == 0) continue;
    long long metricValue = 0;
    const auto [ptr, ec] = std::from_chars(metric.data(), metric.data() + metric.size(), metricValue);
    if (ec != std::errc() || ptr != metric.data() + metric.size()) continue;
    routes.push_back({iface, metricValue});
  }
  std::stable_sort(routes.begin(), routes.end(),
                   [](const Route& a, const Route& b) { return a.metric < b.metric; });
  std::vector<std::string> result;
  for (const Route& route : routes) {
    if (std::find(result.begin(), result.end(), route.interface) == result.end())
      result.push_back(route.interface);
  }
  return result;
}

bool IsUsableIPv4(std::uint32_t address) {
  if (address == 0) return false;
  if ((address >> 24) == 127) return false;                   // loopback, 127.0.1.1 included
  if ((address >> 16) == ((169u << 8) | 254u)) return false;  // link-local
  return true;
}

std::string FormatIPv4(std::uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xff) + "." +
         std::to_string((address >> 8) & 0xff) + "." + std::to_string(address & 0xff);
}

std::optional<std::string> PickLocalIPv4(const std::vector<Ipv4Candidate>& candidates,
                                         const std::vector<std::string>& preferred) {
  const auto usable = [](const Ipv4Candidate& c) { return c.up && !c.loopback && IsUsableIPv4(c.address); };
  for (const std::string& name : preferred) {
    for (const Ipv4Candidate& c : candidates) {
      if (c.interface == name && usable(c)) return FormatIPv4(c.address);
    }
  }
  for (const Ipv4Candidate& c : candidates) {
    if (usable(c)) return FormatIPv4(c.address);
  }
  return std::nullopt;
}

std::string FormatMac(const unsigned char* bytes, std::size_t length) {
  if (bytes == nullptr || length != 6 ||
      std::all_of(bytes, bytes + length, [](unsigned char b) { return b == 0; })) {
    return {};
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xf];
  }
  return text;
}

}  // namespace brivak::platform
