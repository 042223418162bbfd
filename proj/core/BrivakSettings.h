// The locker's settings object and its two stores: the registry form (sections "Brivak 3.0\<Section>"
// of the RegistryStore) and the INI form (appPath + "settings.ini").
//
// Threads: loads and saves run on the user-interface thread, which alone changes fields; the HTTP
// handlers read fields without a lock, so callers that need a consistent view copy the records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/LogSink.h"
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"

namespace brivak::core {

// A fresh record holds false, 0 and empty text everywhere; the loads fill in the defaults. Keys that
// LoadINI does not read therefore keep these values in INI mode.
struct GeneralSettings {
  std::string Latitude, Longitude, city, state;
  bool RunOnStartup = false, CheckForUpdates = false, HideBrivakBar = false,
       HideBrivakBarOnMinimize = false, WantsBetas = false, HideStartupConsole = false;
  int32_t LayoutMode = 0;
  std::string LayoutFile, WeatherMap;
  int32_t SHKid = 0;
  uint32_t sHKmod = 0;
  int32_t sHKvirt = 0;
  std::string sHotKey;
  bool hkCtrl = false, hkAlt = false, hkShift = false, hkWin = false;
  int32_t hkHotKeyIndex = 0;
  int32_t StartupMode = 0;
  bool showSysInfoPanel = false, defaultToMemo = false, alwaysUseCodeEditor = false, noWizard = false;

  friend bool operator==(const GeneralSettings&, const GeneralSettings&) = default;
};

struct SecuritySettings {
  std::string masterIP, passwordHash;
  bool lockCDdrive = false, autoHide = false, MultiUser = false, suspendNetwork = false,
       PreventAutoPlay = false, AllowRemoteUnlocking = false;
  std::string AllowedRemoteIPs;  // one pattern per line, CR LF separated
  int32_t lockTime = 0;
  bool idleLock = false, ReportSecurityEvents = false, ReportPowerEvents = false, StopTaskMgr = false;
  uint32_t TaskMgrScanTime = 0;
  int32_t unlockMode = 0;
  bool UserChangeLayout = false, UserStandby = false, UserViewMessages = false, UserViewLogs = false,
       UserChangeSS = false, UserChangePass = false, UserSuspendNetwork = false,
       UserAccessHelp = false, UserChangeConsole = false, UserExitBrivak = false, USBprompt = false,
       MinimizeWindowsBeforeLock = false, RequirePasswordToExit = false, UseWinLockStartup = false,
       OnlyAdminCanUnlockMaster = false;

  friend bool operator==(const SecuritySettings&, const SecuritySettings&) = default;
};

struct ScreenSaverSettings {
  std::string defaultSaver;
  bool loadSaverOnStartup = false;
  int32_t startupSaverDelay = 0;
  bool runSaverOnIdle = false;
  int32_t idleDelay = 0;

  friend bool operator==(const ScreenSaverSettings&, const ScreenSaverSettings&) = default;
};

struct LoggingSettings {
  bool DoLog = false, LogBrivakStart = false, LogBadPasswords = false, LogCDinsertion = false,
       LogLockUnlock = false, LogBrivakExit = false, LogUserWhoUnlocked = false;
  bool LogMessages = false, LogInput = false;  // never loaded or saved

  friend bool operator==(const LoggingSettings&, const LoggingSettings&) = default;
};

struct MessageSettings {
  bool takeName = false, takeSubject = false, takeEmail = false, askName = false,
       askSubject = false, askEmail = false, reqName = false, reqSubject = false, reqEmail = false,
       allowNotes = false, emailNotes = false;
  std::string emailNotesAddress, DefaultAwayMessage;
  bool promptForAwayMsg = false;
  int32_t secsBeforeDefaultMsg = 0;  // 0 and negative values are meaningful to the picker
  std::string awayMessages;  // "name=text" lines, each ended by CR LF, as loaded

  friend bool operator==(const MessageSettings&, const MessageSettings&) = default;
};

struct AdvancedSettings {
  bool noBrowserScrollBars = false, noBrowserBorder = false, noBrowserSelect = false,
       disableNavSounds = false, ScanForLayoutFileChanges = false, screenSaverExit = false;

  friend bool operator==(const AdvancedSettings&, const AdvancedSettings&) = default;
};

struct BrivakBarSettings {
  std::string color, statusFont;
  bool hideuntil = false;

  friend bool operator==(const BrivakBarSettings&, const BrivakBarSettings&) = default;
};

// What the settings object needs from the program: the registry form, the diagnostic writers and
// the program-wide values its defaults derive from. The references must outlive the object.
struct SettingsContext {
  platform::RegistryStore& registry;
  platform::FileSystem& files;  // the INI form ("settings.ini") is read and written through it
  LogSink& log;
  std::string appPath;     // program folder, ending in "/"
  std::string appData;     // per-user data folder, ending in "/"
  std::string theLocalIP;  // this computer's IPv4 address: the default of MasterIP
  std::string SysDir;      // system folder without trailing "/": home of the default screen saver
};

// The registry form's root key; each section is the subkey kRegistryRoot + "\" + section name.
inline constexpr const char* kRegistryRoot = "Brivak 3.0";
// Save stores an empty default value into the subkeys "Startup", "Messages", "Logging",
// "Appearance" and "Camera". A key's default value is kept as the value named "@" (the .reg
// notation), since the store has no unnamed values.
inline constexpr const char* kDefaultValueName = "@";
inline constexpr const char* kSettingsFileName = "settings.ini";
// The default layout, relative to appData.
inline constexpr const char* kDefaultLayoutFile = "layouts/html/bluegeneric.html";

class TBrivakSettings {
 public:
  explicit TBrivakSettings(SettingsContext context);

  GeneralSettings General;
  SecuritySettings Security;
  ScreenSaverSettings ScreenSavers;
  LoggingSettings Logging;
  MessageSettings Messages;
  AdvancedSettings Advanced;
  BrivakBarSettings BrivakBar;
  bool importINI = false;  // [Deployment] importINI of the INI form

  // appPath + "settings.ini".
  std::string SettingsFile() const;
  // The file system the INI form goes through.
  platform::FileSystem& Files() const { return context_.files; }

  // Reads the registry form (one snapshot) into the records and returns [Settings] firstRun
  // (true when missing). Never fails: a missing key or unparsable number yields its default.
  bool Load();
  // Reads the INI form into the records and importINI. A missing file reads as empty.
  void LoadINI();

  // Both writers store `myAwaymessages` (the tray controller's preset list, one "name=text" per
  // element) as awayMessages, each line ended by CR LF, unless `shuttingdown` (the end of a lock)
  // is set, in which case the stored value is left alone. The field Messages.awayMessages is not
  // written: the list is the source. Both recompute the hotkey companions (DecodeHotKey) first.
  //
  // Writes the registry form in one RegistryStore::Modify. Throws std::runtime_error when the store
  // cannot be written; nothing is changed then.
  void Save(const std::vector<std::string>& myAwaymessages, bool shuttingdown);
  // Writes the INI form in one read-modify-write of settings.ini (created with mode 0600 when
  // absent: it holds the password hash). Throws std::runtime_error when it cannot be written.
  void SaveINI(const std::vector<std::string>& myAwaymessages, bool shuttingdown);

  // Re-applying the settings to a visible lock screen (Apply) belongs to the lock screen's owner.

 private:
  SettingsContext context_;
};

// The preset list as awayMessages text: every line followed by CR LF.
std::string AwayMessagesText(const std::vector<std::string>& myAwaymessages);
// The lines of awayMessages text, split at CR LF, LF or CR; a final line break ends the last line
// and does not start an empty one.
std::vector<std::string> SplitAwayMessages(const std::string& awayMessages);

struct SettingsStoreChoice {
  bool INI_MODE = false;
  bool firstRun = false;     // from the registry form; false in INI mode
  std::string importError;   // why the one-time import could not be saved; empty when it was
};

// The start-up choice of store: INI mode when settings.ini exists (then LoadINI), else Load. An INI
// form with importINI set is imported once: importINI is cleared, the values (with the loaded
// awayMessages as the preset list) are saved to the registry form, and only after that save has
// succeeded is settings.ini deleted and INI mode left. A failed save keeps the file and INI mode
// for this run, restores importINI so that the file still asks for the import, and reports the
// error; the import then repeats at the next start. A file that cannot be deleted after a good save
// also stays, and the import repeats at the next start.
SettingsStoreChoice ChooseSettingsStore(TBrivakSettings& settings);

}  // namespace brivak::core
