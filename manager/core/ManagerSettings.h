// The manager's settings (`TmanagerSettings`, `lastCol`) in the shared registry store, section
// "Software\Morvane\Brivak Manager\settings", one string value per field ("0"/"1" for Booleans,
// decimal for integers). A value that is missing or does not parse reads as its default.
//
// Values this system adds to the stored set (same section):
//   broadcastip  the address of the UDP discovery broadcast         default "255.255.255.255"
//   wolip        the address the Wake-on-LAN datagram is sent to    default "255.255.255.255"
//   wolport      the port of the Wake-on-LAN datagram               default 2050
// `startip` and `endip` are the bounds of the range walk. Tests point all of these at loopback.
//
// Thread-safety: the functions hold no state; the store serialises its own access.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryStore.h"

namespace brivak::manager {

inline constexpr std::string_view kManagerSettingsSection = "Software\\Morvane\\Brivak Manager\\settings";
// Where the locker stores its own program path (read by "Launch Brivak" and "Review program files").
inline constexpr std::string_view kLockerGeneralSection = "Brivak 3.0\\General";
inline constexpr std::string_view kLockerLocationKey = "sAppLocation";

inline constexpr int kDefaultLastCol = -1;
inline constexpr int kMaxPort = 65535;

struct TmanagerSettings {
  std::string startip = "192.168.1.1";
  std::string endip = "192.168.255.255";
  int scantimeout = 2000;   // connect time-out of a status query, ms
  int udptimeout = 1000;    // listening window of a UDP discovery, ms
  int httptimeout = 4000;   // connect time-out of user-list requests and the command client, ms
  int refreshtime = 30000;  // automatic refresh interval, ms
  int webserverport = 888;  // 0..65535
  bool autorefresh = true;
  bool hideupdate = true;
  bool enablewebserver = false;
  bool trayminimize = false;
  // Added settings (see the file comment).
  std::string broadcastip = "255.255.255.255";
  std::string wolip = "255.255.255.255";
  int wolport = 2050;  // 0..65535

  friend bool operator==(const TmanagerSettings&, const TmanagerSettings&) = default;
};

// What `LoadSettings` reads: the record and the list's sort key.
struct StoredManagerSettings {
  TmanagerSettings settings;
  int lastCol = kDefaultLastCol;
  friend bool operator==(const StoredManagerSettings&, const StoredManagerSettings&) = default;
};

// `LoadSettings`. A port outside 0..65535 reads as its default, like any unusable value.
StoredManagerSettings LoadSettings(const platform::RegistryStore& store);

// `SaveSettings`: writes every value in one change of the store. The web server port is written
// from `webserverportText` (the port box) only when that text is a whole number in 0..65535;
// otherwise the stored port is left as it was. Throws std::runtime_error when the store cannot be
// written (nothing is changed then).
void SaveSettings(platform::RegistryStore& store, const TmanagerSettings& settings, int lastCol,
                  std::string_view webserverportText);
// The same, with the port taken from the record.
void SaveSettings(platform::RegistryStore& store, const StoredManagerSettings& values);

// The port box's text as a port: a whole decimal number in 0..65535, else nothing.
std::optional<int> ParsePortText(std::string_view text);

// The link shown beside the port box: theLocalIP + ":" + port text + "/manager".
std::string WebServerURL(std::string_view theLocalIP, std::string_view portText);

// The locker's program path as the locker stored it ("" when it has not).
std::string LockerLocation(const platform::RegistryStore& store);

}  // namespace brivak::manager
