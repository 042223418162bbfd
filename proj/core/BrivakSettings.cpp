#include "proj/core/BrivakSettings.h"

#include <charconv>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>

#include "common/IniFile.h"
#include "proj/core/HotKey.h"

namespace brivak::core {
namespace {

// ---- The key table -------------------------------------------------------------------------------

using StrField = std::string& (*)(TBrivakSettings&);
using BoolField = bool& (*)(TBrivakSettings&);
using IntField = int32_t& (*)(TBrivakSettings&);
using UIntField = uint32_t& (*)(TBrivakSettings&);
using Field = std::variant<StrField, BoolField, IntField, UIntField>;

enum Form : unsigned { kNeither = 0, kReg = 1, kIni = 2, kBoth = kReg | kIni };

enum class Special {
  kNone,
  kMultiline,       // may hold line breaks: escaped in both forms
  kMasterIP,        // default: this computer's address; SaveINI writes it before [General]
  kLayoutFile,      // default below appData; the INI form keeps it relative to appData
  kAwayMessages,    // multi-line; the writers store the preset list, not the field
  kIniWritesBlank,  // LoadINI skips it and SaveINI writes "0" or empty
};

struct StoredKey {
  std::string_view section;
  std::string_view key;         // the name read
  Field field;
  std::string_view regDefault;  // stored-text form: "1"/"0", decimal, or the text
  std::string_view iniDefault;  // when LoadINI reads the key
  unsigned readBy;
  unsigned writtenBy;
  Special special = Special::kNone;
  std::string_view writtenKey = {};  // the spelling written, when it differs from `key`
};

#define BRIVAK_FIELD(record, name) +[](TBrivakSettings& s) -> auto& { return s.record.name; }

constexpr std::string_view kDefaultAllowedIPs = "192.168.1.*\r\n192.168.0.22*";
constexpr std::string_view kDefaultAwayMessages =
    "Lunch=Gone To Lunch\r\nGone for day=I'm gone for the day.\r\nMeeting=In a meeting\r\n"
    "Invisible=Im invisible bitches!\r\n";
constexpr std::string_view kDefaultAwayMessage =
    "I'm not here right now... but leave a message with Brivak and I'll get back to you";

// In the order the registry form is written; reading order does not matter because every load
// works on one snapshot and the derived defaults are completed afterwards.
const StoredKey kKeys[] = {
    {"General", "Latitude", BRIVAK_FIELD(General, Latitude), "", "", kReg, kReg},
    {"General", "Longitude", BRIVAK_FIELD(General, Longitude), "", "", kReg, kReg},
    {"General", "City", BRIVAK_FIELD(General, city), "", "", kReg, kReg},
    {"General", "State", BRIVAK_FIELD(General, state), "", "", kReg, kReg},
    {"General", "RunOnStartUp", BRIVAK_FIELD(General, RunOnStartup), "0", "0", kBoth, kBoth,
     Special::kNone, "RunOnStartup"},
    {"General", "CheckForUpdates", BRIVAK_FIELD(General, CheckForUpdates), "0", "0", kBoth, kBoth},
    {"General", "WantsBetas", BRIVAK_FIELD(General, WantsBetas), "0", "0", kBoth, kBoth},
    {"General", "HideStartupConsole", BRIVAK_FIELD(General, HideStartupConsole), "0", "0", kBoth, kBoth},
    {"General", "HideBrivakBar", BRIVAK_FIELD(General, HideBrivakBar), "0", "0", kBoth, kBoth},
    {"General", "HideBrivakBarOnMinimize", BRIVAK_FIELD(General, HideBrivakBarOnMinimize), "0", "0",
     kBoth, kBoth},
    {"General", "LayoutMode", BRIVAK_FIELD(General, LayoutMode), "1", "1", kBoth, kBoth},
    {"General", "LayoutFile", BRIVAK_FIELD(General, LayoutFile), "", "", kBoth, kBoth,
     Special::kLayoutFile},
    {"General", "WeatherMap", BRIVAK_FIELD(General, WeatherMap), "", "", kReg, kNeither},
    {"General", "StartupMode", BRIVAK_FIELD(General, StartupMode), "1", "1", kBoth, kBoth},
    {"General", "ShowSysInfoPanel", BRIVAK_FIELD(General, showSysInfoPanel), "1", "", kReg, kReg},
    {"General", "DefaultToConsole", BRIVAK_FIELD(General, defaultToMemo), "0", "", kReg, kReg},
    {"General", "AlwaysUseCodeEditor", BRIVAK_FIELD(General, alwaysUseCodeEditor), "0", "", kReg, kReg},
    {"General", "NoWizard", BRIVAK_FIELD(General, noWizard), "0", "", kReg, kReg},
    {"General", "sHotKey", BRIVAK_FIELD(General, sHotKey), "Ctrl+Alt+S", "Ctrl+Alt+S", kBoth, kBoth},
    {"General", "sHKid", BRIVAK_FIELD(General, SHKid), "83", "83", kBoth, kBoth},
    {"General", "sHKmod", BRIVAK_FIELD(General, sHKmod), "49152", "49152", kBoth, kBoth},
    {"General", "sHKvirt", BRIVAK_FIELD(General, sHKvirt), "83", "83", kBoth, kBoth},
    {"General", "hkCtrl", BRIVAK_FIELD(General, hkCtrl), "1", "1", kBoth, kBoth},
    {"General", "hkAlt", BRIVAK_FIELD(General, hkAlt), "1", "1", kBoth, kBoth},
    {"General", "hkShift", BRIVAK_FIELD(General, hkShift), "0", "0", kBoth, kBoth},
    {"General", "hkWin", BRIVAK_FIELD(General, hkWin), "0", "0", kBoth, kBoth},
    {"General", "hkHotKeyIndex", BRIVAK_FIELD(General, hkHotKeyIndex), "18", "18", kBoth, kBoth},

    {"Security", "idleLock", BRIVAK_FIELD(Security, idleLock), "1", "1", kBoth, kBoth},
    {"Security", "reportSecurityEvents", BRIVAK_FIELD(Security, ReportSecurityEvents), "1", "1",
     kBoth, kBoth},
    {"Security", "reportPowerEvents", BRIVAK_FIELD(Security, ReportPowerEvents), "1", "1", kBoth, kBoth},
    {"Security", "lockTime", BRIVAK_FIELD(Security, lockTime), "300", "300", kBoth, kBoth},
    {"Security", "passwordHash", BRIVAK_FIELD(Security, passwordHash), "", "", kBoth, kBoth},
    {"Security", "lockCDdrive", BRIVAK_FIELD(Security, lockCDdrive), "1", "1", kBoth, kBoth},
    {"Security", "autoHide", BRIVAK_FIELD(Security, autoHide), "0", "0", kBoth, kBoth},
    {"Security", "multiUser", BRIVAK_FIELD(Security, MultiUser), "0", "0", kBoth, kBoth},
    {"Security", "UserChangeLayout", BRIVAK_FIELD(Security, UserChangeLayout), "0", "0", kBoth, kBoth},
    {"Security", "UserStandby", BRIVAK_FIELD(Security, UserStandby), "0", "0", kBoth, kBoth},
    {"Security", "UserViewMessages", BRIVAK_FIELD(Security, UserViewMessages), "0", "0", kBoth, kBoth},
    {"Security", "UserViewLogs", BRIVAK_FIELD(Security, UserViewLogs), "0", "0", kBoth, kBoth},
    {"Security", "UserChangePassword", BRIVAK_FIELD(Security, UserChangePass), "0", "0", kBoth, kBoth},
    {"Security", "UserExitBrivak", BRIVAK_FIELD(Security, UserExitBrivak), "0", "0", kBoth, kBoth},
    {"Security", "UserChangeSS", BRIVAK_FIELD(Security, UserChangeSS), "0", "0", kBoth, kBoth},
    {"Security", "UserSuspendNetwork", BRIVAK_FIELD(Security, UserSuspendNetwork), "0", "0", kBoth,
     kBoth},
    {"Security", "UserAccessHelp", BRIVAK_FIELD(Security, UserAccessHelp), "1", "1", kBoth, kBoth},
    {"Security", "UserChangeConsole", BRIVAK_FIELD(Security, UserChangeConsole), "0", "0", kBoth, kBoth},
    {"Security", "USBprompt", BRIVAK_FIELD(Security, USBprompt), "0", "0", kBoth, kBoth},
    {"Security", "MinimizeWindowsBeforeLock", BRIVAK_FIELD(Security, MinimizeWindowsBeforeLock), "0",
     "0", kBoth, kBoth},
    {"Security", "suspendNetwork", BRIVAK_FIELD(Security, suspendNetwork), "0", "0", kBoth, kBoth},
    {"Security", "PreventAutoPlay", BRIVAK_FIELD(Security, PreventAutoPlay), "1", "1", kBoth, kBoth},
    {"Security", "allowRemoteUnlocking", BRIVAK_FIELD(Security, AllowRemoteUnlocking), "0", "0",
     kBoth, kBoth},
    {"Security", "AllowedRemoteIPs", BRIVAK_FIELD(Security, AllowedRemoteIPs), kDefaultAllowedIPs,
     kDefaultAllowedIPs, kBoth, kBoth, Special::kMultiline},
    {"Security", "unlockMode", BRIVAK_FIELD(Security, unlockMode), "0", "0", kBoth, kBoth},
    {"Security", "StopTaskMgr", BRIVAK_FIELD(Security, StopTaskMgr), "0", "1", kBoth, kBoth},
    {"Security", "TaskMgrScanTime", BRIVAK_FIELD(Security, TaskMgrScanTime), "750", "750", kBoth, kBoth},
    {"Security", "RequirePasswordToExit", BRIVAK_FIELD(Security, RequirePasswordToExit), "0", "0",
     kBoth, kBoth},
    {"Security", "UseWinLockStartup", BRIVAK_FIELD(Security, UseWinLockStartup), "0", "0", kBoth, kBoth},
    {"Security", "OnlyAdminCanUnlockMaster", BRIVAK_FIELD(Security, OnlyAdminCanUnlockMaster), "0", "0",
     kBoth, kBoth},
    {"Security", "MasterIP", BRIVAK_FIELD(Security, masterIP), "", "", kBoth, kBoth, Special::kMasterIP},

    {"ScreenSavers", "defaultSaver", BRIVAK_FIELD(ScreenSavers, defaultSaver), "", "", kBoth, kBoth},
    {"ScreenSavers", "loadSaverOnStartup", BRIVAK_FIELD(ScreenSavers, loadSaverOnStartup), "0", "1",
     kBoth, kBoth},
    {"ScreenSavers", "startupSaverDelay", BRIVAK_FIELD(ScreenSavers, startupSaverDelay), "30", "30",
     kBoth, kBoth},
    {"ScreenSavers", "runSaverOnIdle", BRIVAK_FIELD(ScreenSavers, runSaverOnIdle), "1", "1", kBoth, kBoth},
    {"ScreenSavers", "idleDelay", BRIVAK_FIELD(ScreenSavers, idleDelay), "180", "120", kBoth, kBoth},

    {"Logging", "DoLog", BRIVAK_FIELD(Logging, DoLog), "1", "1", kBoth, kBoth},
    {"Logging", "LogBrivakStart", BRIVAK_FIELD(Logging, LogBrivakStart), "1", "1", kBoth, kBoth},
    {"Logging", "LogBadPasswords", BRIVAK_FIELD(Logging, LogBadPasswords), "1", "1", kBoth, kBoth},
    {"Logging", "LogCDinsertion", BRIVAK_FIELD(Logging, LogCDinsertion), "1", "1", kBoth, kBoth},
    {"Logging", "LogLockUnlock", BRIVAK_FIELD(Logging, LogLockUnlock), "1", "1", kBoth, kNeither},
    {"Logging", "LogBrivakExit", BRIVAK_FIELD(Logging, LogBrivakExit), "1", "1", kBoth, kBoth},
    {"Logging", "LogUserWhoUnlocked", BRIVAK_FIELD(Logging, LogUserWhoUnlocked), "1", "1", kBoth, kBoth},

    {"Messages", "allowNotes", BRIVAK_FIELD(Messages, allowNotes), "1", "1", kBoth, kBoth},
    {"Messages", "takeName", BRIVAK_FIELD(Messages, takeName), "1", "1", kBoth, kBoth},
    {"Messages", "takeSubject", BRIVAK_FIELD(Messages, takeSubject), "1", "1", kBoth, kBoth},
    {"Messages", "takeEmail", BRIVAK_FIELD(Messages, takeEmail), "0", "0", kBoth, kBoth},
    {"Messages", "askName", BRIVAK_FIELD(Messages, askName), "1", "1", kBoth, kBoth},
    {"Messages", "askSubject", BRIVAK_FIELD(Messages, askSubject), "0", "0", kBoth, kBoth},
    {"Messages", "askEmail", BRIVAK_FIELD(Messages, askEmail), "0", "0", kBoth, kBoth},
    {"Messages", "reqName", BRIVAK_FIELD(Messages, reqName), "0", "0", kBoth, kBoth},
    {"Messages", "reqSubject", BRIVAK_FIELD(Messages, reqSubject), "0", "0", kBoth, kBoth},
    {"Messages", "reqEmail", BRIVAK_FIELD(Messages, reqEmail), "0", "0", kBoth, kBoth},
    {"Messages", "emailNotes", BRIVAK_FIELD(Messages, emailNotes), "0", "", kReg, kBoth,
     Special::kIniWritesBlank},
    {"Messages", "emailNotesAddress", BRIVAK_FIELD(Messages, emailNotesAddress), "", "", kReg, kBoth,
     Special::kIniWritesBlank},
    {"Messages", "DefaultAwayMessage", BRIVAK_FIELD(Messages, DefaultAwayMessage), kDefaultAwayMessage,
     kDefaultAwayMessage, kBoth, kBoth},
    {"Messages", "PromptForAwayMsg", BRIVAK_FIELD(Messages, promptForAwayMsg), "0", "0", kBoth, kBoth},
    {"Messages", "secsBeforeDefaultMsg", BRIVAK_FIELD(Messages, secsBeforeDefaultMsg), "10", "10",
     kBoth, kBoth},
    {"Messages", "awayMessages", BRIVAK_FIELD(Messages, awayMessages), kDefaultAwayMessages,
     kDefaultAwayMessages, kBoth, kBoth, Special::kAwayMessages},

    {"Advanced", "noBrowserScrollBars", BRIVAK_FIELD(Advanced, noBrowserScrollBars), "1", "1", kBoth,
     kBoth},
    {"Advanced", "noBrowserBorder", BRIVAK_FIELD(Advanced, noBrowserBorder), "1", "1", kBoth, kBoth},
    {"Advanced", "noBrowserSelect", BRIVAK_FIELD(Advanced, noBrowserSelect), "1", "1", kBoth, kBoth},
    {"Advanced", "disableNavSounds", BRIVAK_FIELD(Advanced, disableNavSounds), "0", "0", kBoth, kBoth},
    {"Advanced", "ScanForLayoutChanges", BRIVAK_FIELD(Advanced, ScanForLayoutFileChanges), "0", "0",
     kBoth, kBoth},
    {"Advanced", "screenSaverExit", BRIVAK_FIELD(Advanced, screenSaverExit), "0", "0", kBoth, kBoth},

    {"BrivakBar", "color", BRIVAK_FIELD(BrivakBar, color), "$00303030", "$00303030", kBoth, kBoth},
    {"BrivakBar", "statusFont", BRIVAK_FIELD(BrivakBar, statusFont), ",Tahoma,8,,clLime,1,",
     ",Tahoma,8,,clLime,1,", kBoth, kBoth},
    {"BrivakBar", "hideuntil", BRIVAK_FIELD(BrivakBar, hideuntil), "0", "0", kBoth, kBoth},
};

#undef BRIVAK_FIELD

// ---- Value forms ---------------------------------------------------------------------------------

int32_t ParseDefaultInt(std::string_view text) {
  int32_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value, 10);
  return value;
}

// A decimal in 0..UINT32_MAX (an optional "+" first); nullopt for anything else, so that an
// out-of-range value reads as the default rather than wrapping.
std::optional<uint32_t> ParseUInt32(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool IsRelative(std::string_view path) { return path.empty() || path.front() != '/'; }

void RemoveAll(std::string& text, std::string_view part) {
  if (part.empty()) return;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at)) {
    text.erase(at, part.size());
  }
}

std::string RegistrySection(std::string_view section) {
  return std::string(kRegistryRoot) + "\\" + std::string(section);
}

// ---- Reading and writing one key -----------------------------------------------------------------

// Reads and writes the fields of one settings object with the derived values of its context.
class SettingsIO {
 public:
  SettingsIO(TBrivakSettings& settings, const SettingsContext& context)
      : settings_(settings), context_(context) {}

  void Read(const IniDocument& doc, const std::string& section, const StoredKey& item, Form form) {
    const std::string_view def = form == kReg ? item.regDefault : item.iniDefault;
    std::visit(
        [&](auto field) {
          using Ref = std::remove_reference_t<decltype(field(settings_))>;
          Ref& target = field(settings_);
          if constexpr (std::is_same_v<Ref, std::string>) {
            target = ReadText(doc, section, item, form);
          } else if constexpr (std::is_same_v<Ref, bool>) {
            target = doc.ReadBool(section, item.key, def == "1");
          } else if constexpr (std::is_same_v<Ref, int32_t>) {
            target = doc.ReadInteger(section, item.key, ParseDefaultInt(def));
          } else {
            const std::optional<std::string> raw = doc.Read(section, item.key);
            const std::optional<uint32_t> parsed = raw ? ParseUInt32(*raw) : std::nullopt;
            target = parsed ? *parsed : *ParseUInt32(def);
          }
        },
        item.field);
  }

  // Writes the key unless it is the away-message list during the end of a lock.
  void Write(IniDocument& doc, const std::string& section, const StoredKey& item, Form form,
             const std::vector<std::string>& myAwaymessages, bool shuttingdown) {
    const std::string_view key = item.writtenKey.empty() ? item.key : item.writtenKey;
    if (item.special == Special::kAwayMessages) {
      if (!shuttingdown) doc.Write(section, key, EscapeMultiline(AwayMessagesText(myAwaymessages)));
      return;
    }
    const bool blank = form == kIni && item.special == Special::kIniWritesBlank;
    std::visit(
        [&](auto field) {
          using Ref = std::remove_reference_t<decltype(field(settings_))>;
          const Ref& value = field(settings_);
          if constexpr (std::is_same_v<Ref, std::string>) {
            doc.Write(section, key, blank ? std::string() : WrittenText(value, item, form));
          } else if constexpr (std::is_same_v<Ref, bool>) {
            doc.WriteBool(section, key, blank ? false : value);
          } else {
            doc.WriteInteger(section, key, static_cast<long long>(value));
          }
        },
        item.field);
  }

 private:
  std::string ReadText(const IniDocument& doc, const std::string& section, const StoredKey& item,
                       Form form) const {
    const std::optional<std::string> raw = doc.Read(section, item.key);
    switch (item.special) {
      case Special::kMultiline:
      case Special::kAwayMessages:
        return raw ? UnescapeMultiline(*raw) : std::string(form == kReg ? item.regDefault : item.iniDefault);
      case Special::kMasterIP:
        return raw ? *raw : context_.theLocalIP;
      case Special::kLayoutFile:
        if (form == kReg) return raw ? *raw : context_.appData + kDefaultLayoutFile;
        {
          // Only a relative value is below appData; an absolute one is kept as it is.
          std::string value = raw ? *raw : std::string(kDefaultLayoutFile);
          return IsRelative(value) ? context_.appData + value : value;
        }
      default:
        return raw ? *raw : std::string(form == kReg ? item.regDefault : item.iniDefault);
    }
  }

  std::string WrittenText(const std::string& value, const StoredKey& item, Form form) const {
    if (item.special == Special::kMultiline) return EscapeMultiline(value);
    if (item.special == Special::kLayoutFile && form == kIni) {
      // Kept relative to appData (which LoadINI puts back) and free of the program folder.
      std::string text = value;
      const std::string& appData = context_.appData;
      if (!appData.empty() && text.starts_with(appData)) text.erase(0, appData.size());
      RemoveAll(text, context_.appPath);
      return text;
    }
    return value;
  }

  TBrivakSettings& settings_;
  const SettingsContext& context_;
};

void CompleteDefaultSaver(ScreenSaverSettings& screenSavers, const SettingsContext& context) {
  if (screenSavers.defaultSaver.empty()) screenSavers.defaultSaver = context.SysDir + "/scrnsave.scr";
}

}  // namespace

// ---- TBrivakSettings -----------------------------------------------------------------------------

TBrivakSettings::TBrivakSettings(SettingsContext context) : context_(std::move(context)) {}

std::string TBrivakSettings::SettingsFile() const { return context_.appPath + kSettingsFileName; }

bool TBrivakSettings::Load() {
  context_.log.Debug("BrivakSettings.Load");
  const IniDocument doc = context_.registry.Snapshot();
  const bool firstRun = doc.ReadBool(RegistrySection("Settings"), "firstRun", true);
  SettingsIO io(*this, context_);
  for (const StoredKey& item : kKeys) {
    if (item.readBy & kReg) io.Read(doc, RegistrySection(item.section), item, kReg);
  }
  CompleteDefaultSaver(ScreenSavers, context_);
  context_.log.Mem("Settings Loaded.");
  return firstRun;
}

void TBrivakSettings::LoadINI() {
  context_.log.Debug("BrivakSettings.LoadINI");
  const IniDocument doc = IniFile(context_.files, SettingsFile()).Load();
  importINI = doc.ReadBool("Deployment", "importINI", false);
  SettingsIO io(*this, context_);
  for (const StoredKey& item : kKeys) {
    if (item.readBy & kIni) io.Read(doc, std::string(item.section), item, kIni);
  }
  CompleteDefaultSaver(ScreenSavers, context_);
  context_.log.Debug("Settings Loaded (INI)");
}

void TBrivakSettings::Save(const std::vector<std::string>& myAwaymessages, bool shuttingdown) {
  context_.log.Debug("BrivakSettings.Save");
  context_.log.Debug("BrivakSettings.Save (1)");
  DecodeHotKey(General);
  context_.log.Debug("BrivakSettings.Save (2)");

  SettingsIO io(*this, context_);
  const auto writeSections = [&](IniDocument& doc, std::initializer_list<std::string_view> sections) {
    for (std::string_view section : sections) {
      for (const StoredKey& item : kKeys) {
        if (item.section == section && (item.writtenBy & kReg)) {
          io.Write(doc, RegistrySection(section), item, kReg, myAwaymessages, shuttingdown);
        }
      }
    }
  };
  const auto writeDefaultValues = [](IniDocument& doc, std::initializer_list<std::string_view> keys) {
    for (std::string_view key : keys) doc.Write(RegistrySection(key), kDefaultValueName, "");
  };
  context_.registry.Modify([&](IniDocument& doc) {
    doc.WriteBool(RegistrySection("Settings"), "firstRun", false);
    writeSections(doc, {"General", "Security", "ScreenSavers"});
    writeDefaultValues(doc, {"Startup", "Messages", "Logging"});
    writeSections(doc, {"Logging", "Messages", "Advanced", "BrivakBar"});
    writeDefaultValues(doc, {"Appearance", "Camera"});
  });

  context_.log.Debug("BrivakSettings.Save (4)");
  context_.log.Debug("BrivakSettings.Save (5)");
  context_.log.Debug("settings saved");
}

void TBrivakSettings::SaveINI(const std::vector<std::string>& myAwaymessages, bool shuttingdown) {
  context_.log.Debug("BrivakSettings.SaveINI");
  DecodeHotKey(General);

  SettingsIO io(*this, context_);
  IniFile iniLink(context_.files, SettingsFile(),
                  IniFile::Options{.privateFile = true, .processLock = false});
  iniLink.Modify([&](IniDocument& doc) {
    doc.WriteBool("Deployment", "importINI", importINI);
    for (const StoredKey& item : kKeys) {
      if (item.special == Special::kMasterIP) {
        io.Write(doc, std::string(item.section), item, kIni, myAwaymessages, shuttingdown);
      }
    }
    for (std::string_view section :
         {"General", "Security", "ScreenSavers", "Logging", "Messages", "Advanced", "BrivakBar"}) {
      for (const StoredKey& item : kKeys) {
        if (item.section == section && (item.writtenBy & kIni) && item.special != Special::kMasterIP) {
          io.Write(doc, std::string(section), item, kIni, myAwaymessages, shuttingdown);
        }
      }
    }
  });

  context_.log.Debug("Settings Saved.");
}

// ---- Away-message text ---------------------------------------------------------------------------

std::string AwayMessagesText(const std::vector<std::string>& myAwaymessages) {
  std::string text;
  for (const std::string& line : myAwaymessages) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> SplitAwayMessages(const std::string& awayMessages) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < awayMessages.size()) {
    const size_t end = awayMessages.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(awayMessages.substr(start));
      break;
    }
    lines.push_back(awayMessages.substr(start, end - start));
    start = end + 1;
    if (awayMessages[end] == '\r' && start < awayMessages.size() && awayMessages[start] == '\n') ++start;
  }
  return lines;
}

// ---- Start-up choice -----------------------------------------------------------------------------

SettingsStoreChoice ChooseSettingsStore(TBrivakSettings& settings) {
  SettingsStoreChoice choice;
  settings.importINI = false;
  const std::string file = settings.SettingsFile();
  choice.INI_MODE = settings.Files().IsFile(file);
  if (!choice.INI_MODE) {
    choice.firstRun = settings.Load();
    return choice;
  }
  settings.LoadINI();
  if (!settings.importINI) return choice;

  // Save first, delete afterwards: a failed save must not lose the only copy of the values.
  settings.importINI = false;
  try {
    settings.Save(SplitAwayMessages(settings.Messages.awayMessages), false);
  } catch (const std::exception& e) {
    settings.importINI = true;  // a later SaveINI keeps asking for the import
    choice.importError = e.what();
    return choice;
  }
  std::error_code ignored;
  std::filesystem::remove(file, ignored);  // a file left behind is imported again next start
  choice.INI_MODE = false;
  return choice;
}

}  // namespace brivak::core
