// The settings tests' own description of every stored key (written from the key table of the
// settings store, not generated from the code), and a fixture with a temporary program folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/fake/MemoryRegistryStore.h"
#include "proj/core/BrivakSettings.h"
#include "unit/common/RecordingLogSink.h"
#include "unit/core/LogTestSupport.h"
#include "support/Disk.h"

namespace brivak::core::settingstest {

inline std::string Text(const std::string& v) { return v; }
inline std::string Text(bool v) { return v ? "1" : "0"; }
inline std::string Text(int32_t v) { return std::to_string(v); }
inline std::string Text(uint32_t v) { return std::to_string(v); }

// Placeholders in default texts: {appData}, {ip}, {sys}.
struct KeyRow {
  std::string section;
  std::string key;  // as written
  std::function<std::string(const TBrivakSettings&)> get;
  std::string regDefault;  // after Load from an empty registry form
  std::string iniValue;    // after LoadINI from an empty settings.ini (fresh value when not read)
  std::string writers;     // "R" Save, "I" SaveINI
};

#define G(record, field) [](const TBrivakSettings& s) { return Text(s.record.field); }

inline const std::string kAllowed = "192.168.1.*\r\n192.168.0.22*";
inline const std::string kPresets =
    "Lunch=Gone To Lunch\r\nGone for day=I'm gone for the day.\r\nMeeting=In a meeting\r\n"
    "Invisible=Im invisible bitches!\r\n";
inline const std::string kAway =
    "I'm not here right now... but leave a message with Brivak and I'll get back to you";

// In the table's order, which is also the order Save writes within each section.
inline const std::vector<KeyRow>& Keys() {
  static const std::vector<KeyRow> rows = {
      {"General", "Latitude", G(General, Latitude), "", "", "R"},
      {"General", "Longitude", G(General, Longitude), "", "", "R"},
      {"General", "City", G(General, city), "", "", "R"},
      {"General", "State", G(General, state), "", "", "R"},
      {"General", "RunOnStartup", G(General, RunOnStartup), "0", "0", "RI"},
      {"General", "CheckForUpdates", G(General, CheckForUpdates), "0", "0", "RI"},
      {"General", "WantsBetas", G(General, WantsBetas), "0", "0", "RI"},
      {"General", "HideStartupConsole", G(General, HideStartupConsole), "0", "0", "RI"},
      {"General", "HideBrivakBar", G(General, HideBrivakBar), "0", "0", "RI"},
      {"General", "HideBrivakBarOnMinimize", G(General, HideBrivakBarOnMinimize), "0", "0", "RI"},
      {"General", "LayoutMode", G(General, LayoutMode), "1", "1", "RI"},
      {"General", "LayoutFile", G(General, LayoutFile), "{appData}layouts/html/bluegeneric.html",
       "{appData}layouts/html/bluegeneric.html", "RI"},
      {"General", "WeatherMap", G(General, WeatherMap), "", "", ""},
      {"General", "StartupMode", G(General, StartupMode), "1", "1", "RI"},
      {"General", "ShowSysInfoPanel", G(General, showSysInfoPanel), "1", "0", "R"},
      {"General", "DefaultToConsole", G(General, defaultToMemo), "0", "0", "R"},
      {"General", "AlwaysUseCodeEditor", G(General, alwaysUseCodeEditor), "0", "0", "R"},
      {"General", "NoWizard", G(General, noWizard), "0", "0", "R"},
      {"General", "sHotKey", G(General, sHotKey), "Ctrl+Alt+S", "Ctrl+Alt+S", "RI"},
      {"General", "sHKid", G(General, SHKid), "83", "83", "RI"},
      {"General", "sHKmod", G(General, sHKmod), "49152", "49152", "RI"},
      {"General", "sHKvirt", G(General, sHKvirt), "83", "83", "RI"},
      {"General", "hkCtrl", G(General, hkCtrl), "1", "1", "RI"},
      {"General", "hkAlt", G(General, hkAlt), "1", "1", "RI"},
      {"General", "hkShift", G(General, hkShift), "0", "0", "RI"},
      {"General", "hkWin", G(General, hkWin), "0", "0", "RI"},
      {"General", "hkHotKeyIndex", G(General, hkHotKeyIndex), "18", "18", "RI"},
      {"Security", "idleLock", G(Security, idleLock), "1", "1", "RI"},
      {"Security", "reportSecurityEvents", G(Security, ReportSecurityEvents), "1", "1", "RI"},
      {"Security", "reportPowerEvents", G(Security, ReportPowerEvents), "1", "1", "RI"},
      {"Security", "lockTime", G(Security, lockTime), "300", "300", "RI"},
      {"Security", "passwordHash", G(Security, passwordHash), "", "", "RI"},
      {"Security", "lockCDdrive", G(Security, lockCDdrive), "1", "1", "RI"},
      {"Security", "autoHide", G(Security, autoHide), "0", "0", "RI"},
      {"Security", "multiUser", G(Security, MultiUser), "0", "0", "RI"},
      {"Security", "UserChangeLayout", G(Security, UserChangeLayout), "0", "0", "RI"},
      {"Security", "UserStandby", G(Security, UserStandby), "0", "0", "RI"},
      {"Security", "UserViewMessages", G(Security, UserViewMessages), "0", "0", "RI"},
      {"Security", "UserViewLogs", G(Security, UserViewLogs), "0", "0", "RI"},
      {"Security", "UserChangePassword", G(Security, UserChangePass), "0", "0", "RI"},
      {"Security", "UserExitBrivak", G(Security, UserExitBrivak), "0", "0", "RI"},
      {"Security", "UserChangeSS", G(Security, UserChangeSS), "0", "0", "RI"},
      {"Security", "UserSuspendNetwork", G(Security, UserSuspendNetwork), "0", "0", "RI"},
      {"Security", "UserAccessHelp", G(Security, UserAccessHelp), "1", "1", "RI"},
      {"Security", "UserChangeConsole", G(Security, UserChangeConsole), "0", "0", "RI"},
      {"Security", "USBprompt", G(Security, USBprompt), "0", "0", "RI"},
      {"Security", "MinimizeWindowsBeforeLock", G(Security, MinimizeWindowsBeforeLock), "0", "0", "RI"},
      {"Security", "suspendNetwork", G(Security, suspendNetwork), "0", "0", "RI"},
      {"Security", "PreventAutoPlay", G(Security, PreventAutoPlay), "1", "1", "RI"},
      {"Security", "allowRemoteUnlocking", G(Security, AllowRemoteUnlocking), "0", "0", "RI"},
      {"Security", "AllowedRemoteIPs", G(Security, AllowedRemoteIPs), kAllowed, kAllowed, "RI"},
      {"Security", "unlockMode", G(Security, unlockMode), "0", "0", "RI"},
      {"Security", "StopTaskMgr", G(Security, StopTaskMgr), "0", "1", "RI"},
      {"Security", "TaskMgrScanTime", G(Security, TaskMgrScanTime), "750", "750", "RI"},
      {"Security", "RequirePasswordToExit", G(Security, RequirePasswordToExit), "0", "0", "RI"},
      {"Security", "UseWinLockStartup", G(Security, UseWinLockStartup), "0", "0", "RI"},
      {"Security", "OnlyAdminCanUnlockMaster", G(Security, OnlyAdminCanUnlockMaster), "0", "0", "RI"},
      {"Security", "MasterIP", G(Security, masterIP), "{ip}", "{ip}", "RI"},
      {"ScreenSavers", "defaultSaver", G(ScreenSavers, defaultSaver), "{sys}/scrnsave.scr",
       "{sys}/scrnsave.scr", "RI"},
      {"ScreenSavers", "loadSaverOnStartup", G(ScreenSavers, loadSaverOnStartup), "0", "1", "RI"},
      {"ScreenSavers", "startupSaverDelay", G(ScreenSavers, startupSaverDelay), "30", "30", "RI"},
      {"ScreenSavers", "runSaverOnIdle", G(ScreenSavers, runSaverOnIdle), "1", "1", "RI"},
      {"ScreenSavers", "idleDelay", G(ScreenSavers, idleDelay), "180", "120", "RI"},
      {"Logging", "DoLog", G(Logging, DoLog), "1", "1", "RI"},
      {"Logging", "LogBrivakStart", G(Logging, LogBrivakStart), "1", "1", "RI"},
      {"Logging", "LogBadPasswords", G(Logging, LogBadPasswords), "1", "1", "RI"},
      {"Logging", "LogCDinsertion", G(Logging, LogCDinsertion), "1", "1", "RI"},
      {"Logging", "LogLockUnlock", G(Logging, LogLockUnlock), "1", "1", ""},
      {"Logging", "LogBrivakExit", G(Logging, LogBrivakExit), "1", "1", "RI"},
      {"Logging", "LogUserWhoUnlocked", G(Logging, LogUserWhoUnlocked), "1", "1", "RI"},
      {"Messages", "allowNotes", G(Messages, allowNotes), "1", "1", "RI"},
      {"Messages", "takeName", G(Messages, takeName), "1", "1", "RI"},
      {"Messages", "takeSubject", G(Messages, takeSubject), "1", "1", "RI"},
      {"Messages", "takeEmail", G(Messages, takeEmail), "0", "0", "RI"},
      {"Messages", "askName", G(Messages, askName), "1", "1", "RI"},
      {"Messages", "askSubject", G(Messages, askSubject), "0", "0", "RI"},
      {"Messages", "askEmail", G(Messages, askEmail), "0", "0", "RI"},
      {"Messages", "reqName", G(Messages, reqName), "0", "0", "RI"},
      {"Messages", "reqSubject", G(Messages, reqSubject), "0", "0", "RI"},
      {"Messages", "reqEmail", G(Messages, reqEmail), "0", "0", "RI"},
      {"Messages", "emailNotes", G(Messages, emailNotes), "0", "0", "RI"},
      {"Messages", "emailNotesAddress", G(Messages, emailNotesAddress), "", "", "RI"},
      {"Messages", "DefaultAwayMessage", G(Messages, DefaultAwayMessage), kAway, kAway, "RI"},
      {"Messages", "PromptForAwayMsg", G(Messages, promptForAwayMsg), "0", "0", "RI"},
      {"Messages", "secsBeforeDefaultMsg", G(Messages, secsBeforeDefaultMsg), "10", "10", "RI"},
      {"Messages", "awayMessages", G(Messages, awayMessages), kPresets, kPresets, "RI"},
      {"Advanced", "noBrowserScrollBars", G(Advanced, noBrowserScrollBars), "1", "1", "RI"},
      {"Advanced", "noBrowserBorder", G(Advanced, noBrowserBorder), "1", "1", "RI"},
      {"Advanced", "noBrowserSelect", G(Advanced, noBrowserSelect), "1", "1", "RI"},
      {"Advanced", "disableNavSounds", G(Advanced, disableNavSounds), "0", "0", "RI"},
      {"Advanced", "ScanForLayoutChanges", G(Advanced, ScanForLayoutFileChanges), "0", "0", "RI"},
      {"Advanced", "screenSaverExit", G(Advanced, screenSaverExit), "0", "0", "RI"},
      {"BrivakBar", "color", G(BrivakBar, color), "$00303030", "$00303030", "RI"},
      {"BrivakBar", "statusFont", G(BrivakBar, statusFont), ",Tahoma,8,,clLime,1,",
       ",Tahoma,8,,clLime,1,", "RI"},
      {"BrivakBar", "hideuntil", G(BrivakBar, hideuntil), "0", "0", "RI"},
  };
  return rows;
}

#undef G

// Every field set away from both defaults (hotkey companions consistent with sHotKey).
inline void Scramble(TBrivakSettings& s, const std::string& appData) {
  GeneralSettings& g = s.General;
  g.Latitude = "52.1";
  g.Longitude = "-4.5";
  g.city = "Aber";
  g.state = "Ceredigion";
  g.RunOnStartup = g.CheckForUpdates = g.HideBrivakBar = g.HideBrivakBarOnMinimize = g.WantsBetas =
      g.HideStartupConsole = true;
  g.LayoutMode = 2;
  g.LayoutFile = appData + "layouts/slf/simple.ini";
  g.WeatherMap = "map.gif";
  g.sHotKey = "Shift+Alt+Q";
  g.SHKid = 81;
  g.sHKmod = 5;
  g.sHKvirt = 81;
  g.hkCtrl = false;
  g.hkAlt = true;
  g.hkShift = true;
  g.hkWin = true;
  g.hkHotKeyIndex = 16;
  g.StartupMode = 3;
  g.showSysInfoPanel = false;
  g.defaultToMemo = g.alwaysUseCodeEditor = g.noWizard = true;

  SecuritySettings& c = s.Security;
  c.masterIP = "127.0.0.77";
  c.passwordHash = "a94a8fe5ccb19ba61c4c0873d391e987982fbbd3";
  c.lockCDdrive = false;
  c.autoHide = c.MultiUser = c.suspendNetwork = true;
  c.PreventAutoPlay = false;
  c.AllowRemoteUnlocking = true;
  c.AllowedRemoteIPs = "127.0.0.*\r\n127.0.1.\\5*\r\n";
  c.lockTime = -45;
  c.idleLock = c.ReportSecurityEvents = c.ReportPowerEvents = false;
  c.StopTaskMgr = true;
  c.TaskMgrScanTime = 4000000000u;
  c.unlockMode = 2;
  c.UserChangeLayout = c.UserStandby = c.UserViewMessages = c.UserViewLogs = c.UserChangeSS =
      c.UserChangePass = c.UserSuspendNetwork = c.UserChangeConsole = c.UserExitBrivak =
          c.USBprompt = c.MinimizeWindowsBeforeLock = c.RequirePasswordToExit =
              c.UseWinLockStartup = c.OnlyAdminCanUnlockMaster = true;
  c.UserAccessHelp = false;

  ScreenSaverSettings& v = s.ScreenSavers;
  v.defaultSaver = "/opt/savers/flying.scr";
  v.loadSaverOnStartup = true;
  v.startupSaverDelay = 45;
  v.runSaverOnIdle = false;
  v.idleDelay = 600;

  LoggingSettings& l = s.Logging;
  l.DoLog = l.LogBrivakStart = l.LogBadPasswords = l.LogCDinsertion = l.LogLockUnlock =
      l.LogBrivakExit = l.LogUserWhoUnlocked = false;
  l.LogMessages = l.LogInput = true;

  MessageSettings& m = s.Messages;
  m.takeName = m.takeSubject = m.askName = m.allowNotes = false;
  m.takeEmail = m.askSubject = m.askEmail = m.reqName = m.reqSubject = m.reqEmail = m.emailNotes = true;
  m.emailNotesAddress = "me@example.org";
  m.DefaultAwayMessage = "Back soon";
  m.promptForAwayMsg = true;
  m.secsBeforeDefaultMsg = 25;
  m.awayMessages = "Tea=Having tea\r\nPath=C:\\temp\\n is not a break\r\n";

  AdvancedSettings& a = s.Advanced;
  a.noBrowserScrollBars = a.noBrowserBorder = a.noBrowserSelect = false;
  a.disableNavSounds = a.ScanForLayoutFileChanges = a.screenSaverExit = true;

  s.BrivakBar.color = "$00FF0000";
  s.BrivakBar.statusFont = ",Arial,10,B,clRed,1,";
  s.BrivakBar.hideuntil = true;
}

class SettingsFixture : public ::testing::Test {
 protected:
  SettingsFixture()
      : appPath(dir.Folder() + "prog/"), appData(dir.Folder() + "data/"), iniPath(appPath + "settings.ini") {
    std::filesystem::create_directories(appPath);
    std::filesystem::create_directories(appData);
  }

  SettingsContext Context() {
    return SettingsContext{registry, brivak::test::Disk(), log, appPath, appData, kIp, kSys};
  }
  TBrivakSettings Make() { return TBrivakSettings(Context()); }

  std::string Expand(std::string text) const {
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"{appData}", appData},
                                   {"{ip}", kIp},
                                   {"{sys}", kSys}}) {
      for (size_t at = text.find(from); at != std::string::npos; at = text.find(from)) {
        text.replace(at, from.size(), to);
      }
    }
    return text;
  }

  IniDocument IniOnDisk() const { return IniDocument::Parse(logtest::ReadFile(iniPath)); }

  static inline const std::string kIp = "127.0.0.42";
  static inline const std::string kSys = "/sys-folder";

  brivak::test::TempDir dir;
  platform::MemoryRegistryStore registry;
  test::RecordingLogSink log;
  std::string appPath, appData, iniPath;
};

}  // namespace brivak::core::settingstest
