// The decisions behind LinuxSystemInfo's address answers, apart from the system calls that feed
// them, so that they can be checked against tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivak::platform {

// One IPv4 address of one interface, as getifaddrs reports it.
struct Ipv4Candidate {
  std::string interface;
  std::uint32_t address = 0;  // host byte order
  bool up = false;
  bool loopback = false;
};

// Interfaces that carry a default route (destination and mask 0, route up) in the text of
// /proc/net/route, lowest metric first; an interface appears once.
std::vector<std::string> DefaultRouteInterfaces(std::string_view procNetRoute);

// False for 0.0.0.0, loopback (127/8) and link-local (169.254/16) addresses.
bool IsUsableIPv4(std::uint32_t address);

// Dotted decimal of a host-order address.
std::string FormatIPv4(std::uint32_t address);

// The first usable address of an up, non-loopback interface, trying the `preferred` interfaces
// first (in their order) and then every candidate in its order; nullopt when there is none.
std::optional<std::string> PickLocalIPv4(const std::vector<Ipv4Candidate>& candidates,
                                         const std::vector<std::string>& preferred);

// A 6-byte hardware address as 12 upper-case hex digits; "" for another length or all zeros.
std::string FormatMac(const unsigned char* bytes, std::size_t length);

}  // namespace brivak::platform
