#include "manager/core/WakeOnLan.h"

#include "common/Stools.h"
#include "manager/core/Ipv4Text.h"

namespace brivak::manager {

std::optional<MacAddress> ParseMacAddress(std::string_view text) {
  std::size_t step = 2;
  char separator = 0;
  if (text.size() == 17) {
    separator = text[2];
    if (separator != ':' && separator != '-') return std::nullopt;
    step = 3;
  } else if (text.size() != 12) {
    return std::nullopt;
  }
  MacAddress mac{};
  for (std::size_t i = 0; i < 6; ++i) {
    const std::size_t at = i * step;
    const int high = HexDigitValue(text[at]);
    const int low = HexDigitValue(text[at + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    if (separator != 0 && i < 5 && text[at + 2] != separator) return std::nullopt;
    mac[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return mac;
}

std::vector<std::uint8_t> WakeUpDatagram(const MacAddress& mac, const MacAddress& secureOn) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kWakeUpDatagramSize);
  bytes.push_back(0x00);
  bytes.insert(bytes.end(), mac.begin(), mac.end());
  bytes.push_back(0x00);
  bytes.push_back(0x74);
  bytes.insert(bytes.end(), 6, 0xFF);
  for (int i = 0; i < 16; ++i) bytes.insert(bytes.end(), mac.begin(), mac.end());
  bytes.insert(bytes.end(), secureOn.begin(), secureOn.end());
  return bytes;
}

std::string WakeUp(DatagramPort& udp, std::string_view macText, const WakeOnLanTarget& target) {
  static constexpr std::string_view kError = "There was an error";
  const std::optional<MacAddress> mac = ParseMacAddress(macText);
  if (!mac) return std::string(kError);
  const std::vector<std::uint8_t> bytes = WakeUpDatagram(*mac);
  const std::string payload(bytes.begin(), bytes.end());
  if (!udp.Send(target.address, target.port, payload)) return std::string(kError);
  return "Trying to wake-up remote host: " + std::string(macText);
}

RemoteDesktopLaunch RemoteDesktopCommand(std::string_view host, RemoteDesktopMode mode,
                                         const std::function<bool(std::string_view program)>& isInstalled) {
  RemoteDesktopLaunch launch;
  if (!ParseDottedIPv4(host)) {
    launch.error = "Not a valid address for remote desktop: " + std::string(host);
    return launch;
  }
  const std::string endpoint = std::string(host) + ":3389";
  for (const char* freerdp : {"xfreerdp", "xfreerdp3"}) {
    if (isInstalled(freerdp)) {
      // "/admin" is FreeRDP's name for the console session.
      launch.argv = {freerdp, "/v:" + endpoint, mode == RemoteDesktopMode::FullScreen ? "/f" : "/admin"};
      return launch;
    }
  }
  if (isInstalled("remmina")) {
    // Remmina opens a connection from an "rdp://" address; it has no console switch of its own.
    launch.argv = {"remmina", "-c", "rdp://" + endpoint};
    return launch;
  }
  launch.error = "No remote-desktop client is installed: install xfreerdp or remmina.";
  return launch;
}

}  // namespace brivak::manager
