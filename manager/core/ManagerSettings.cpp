#include "manager/core/ManagerSettings.h"

#include "common/Stools.h"

namespace brivak::manager {

namespace {

constexpr std::string_view kSection = kManagerSettingsSection;

int ReadPort(const IniDocument& doc, std::string_view key, int def) {
  const int value = doc.ReadInteger(kSection, key, def);
  return value >= 0 && value <= kMaxPort ? value : def;
}

}  // namespace

StoredManagerSettings LoadSettings(const platform::RegistryStore& store) {
  const IniDocument doc = store.Snapshot();
  const TmanagerSettings def;
  StoredManagerSettings out;
  TmanagerSettings& s = out.settings;
  s.startip = doc.ReadString(kSection, "startip", def.startip);
  s.endip = doc.ReadString(kSection, "endip", def.endip);
  s.scantimeout = doc.ReadInteger(kSection, "scantimeout", def.scantimeout);
  s.udptimeout = doc.ReadInteger(kSection, "udptimeout", def.udptimeout);
  s.httptimeout = doc.ReadInteger(kSection, "httptimeout", def.httptimeout);
  s.refreshtime = doc.ReadInteger(kSection, "refreshtime", def.refreshtime);
  s.webserverport = ReadPort(doc, "webserverport", def.webserverport);
  s.autorefresh = doc.ReadBool(kSection, "autorefresh", def.autorefresh);
  s.hideupdate = doc.ReadBool(kSection, "hideupdate", def.hideupdate);
  s.enablewebserver = doc.ReadBool(kSection, "enablewebserver", def.enablewebserver);
  s.trayminimize = doc.ReadBool(kSection, "trayminimize", def.trayminimize);
  s.broadcastip = doc.ReadString(kSection, "broadcastip", def.broadcastip);
  s.wolip = doc.ReadString(kSection, "wolip", def.wolip);
  s.wolport = ReadPort(doc, "wolport", def.wolport);
  out.lastCol = doc.ReadInteger(kSection, "lastCol", kDefaultLastCol);
  return out;
}

std::optional<int> ParsePortText(std::string_view text) {
  // Digits only: the port box takes no sign, and a blank text is no port.
  if (text.empty() || text.size() > 5) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const int value = StrToInt(text);
  if (value > kMaxPort) return std::nullopt;
  return value;
}

void SaveSettings(platform::RegistryStore& store, const TmanagerSettings& s, int lastCol,
                  std::string_view webserverportText) {
  const std::optional<int> port = ParsePortText(webserverportText);
  store.Modify([&](IniDocument& doc) {
    doc.Write(kSection, "startip", s.startip);
    doc.Write(kSection, "endip", s.endip);
    doc.WriteInteger(kSection, "scantimeout", s.scantimeout);
    doc.WriteInteger(kSection, "udptimeout", s.udptimeout);
    doc.WriteInteger(kSection, "httptimeout", s.httptimeout);
    doc.WriteInteger(kSection, "refreshtime", s.refreshtime);
    doc.WriteBool(kSection, "autorefresh", s.autorefresh);
    doc.WriteBool(kSection, "hideupdate", s.hideupdate);
    doc.WriteBool(kSection, "enablewebserver", s.enablewebserver);
    doc.WriteBool(kSection, "trayminimize", s.trayminimize);
    doc.WriteInteger(kSection, "lastCol", lastCol);
    if (port) doc.WriteInteger(kSection, "webserverport", *port);
    doc.Write(kSection, "broadcastip", s.broadcastip);
    doc.Write(kSection, "wolip", s.wolip);
    doc.WriteInteger(kSection, "wolport", s.wolport);
  });
}

void SaveSettings(platform::RegistryStore& store, const StoredManagerSettings& values) {
  SaveSettings(store, values.settings, values.lastCol, std::to_string(values.settings.webserverport));
}

std::string WebServerURL(std::string_view theLocalIP, std::string_view portText) {
  return std::string(theLocalIP) + ":" + std::string(portText) + "/manager";
}

std::string LockerLocation(const platform::RegistryStore& store) {
  return store.Snapshot().ReadString(kLockerGeneralSection, kLockerLocationKey, "");
}

}  // namespace brivak::manager
