// Waking a computer with a Wake-on-LAN datagram, and the argument list of the remote-desktop
// client. Pure functions apart from the injected ports; not thread-safe beyond what the ports are.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "manager/core/DatagramPort.h"

namespace brivak::manager {

inline constexpr int kWakeOnLanPort = 2050;
inline constexpr std::size_t kWakeUpDatagramSize = 117;
// Where the standard magic packet (6 x 0xFF, then the address 16 times) starts in the datagram.
inline constexpr std::size_t kMagicPacketOffset = 9;

using MacAddress = std::array<std::uint8_t, 6>;

// The adapter address of a record: twelve hexadecimal digits (either case), bare or as six pairs
// separated by one consistent ":" or "-". Anything else (short, long, stray characters, mixed
// separators) is rejected.
std::optional<MacAddress> ParseMacAddress(std::string_view text);

// The 117-byte datagram: 0x00, the address, 0x00, 0x74, the magic packet (six 0xFF and sixteen
// copies of the address), then the 6-byte SecureOn password field.
std::vector<std::uint8_t> WakeUpDatagram(const MacAddress& mac, const MacAddress& secureOn = {});

struct WakeOnLanTarget {
  std::string address = "255.255.255.255";  // a setting; tests use loopback
  int port = kWakeOnLanPort;
};

// `WakeUp1Click`: builds the datagram from the record's MAC text and sends it to the target.
// Returns the status-line text: "Trying to wake-up remote host: " + the MAC text, or
// "There was an error" (malformed address, nothing sent; or the send failed).
std::string WakeUp(DatagramPort& udp, std::string_view macText, const WakeOnLanTarget& target);

// --- Remote desktop ---
enum class RemoteDesktopMode { FullScreen, Console };

// The client chosen and its argument list (argv[0] is the program name, looked up in PATH).
struct RemoteDesktopLaunch {
  std::vector<std::string> argv;  // empty when nothing can be started
  std::string error;              // why, when argv is empty
};

// The argument list for xfreerdp (preferred; also "xfreerdp3") or remmina, whichever
// `isInstalled` reports, for port 3389 of `host` (a dotted IPv4 address). Never a shell string.
// Without a client: "No remote-desktop client is installed: install xfreerdp or remmina."
RemoteDesktopLaunch RemoteDesktopCommand(std::string_view host, RemoteDesktopMode mode,
                                         const std::function<bool(std::string_view program)>& isInstalled);

}  // namespace brivak::manager
