#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "proj/core/BrivakSettings.h"
#include "unit/core/SettingsTestSupport.h"
#include "support/Disk.h"

namespace brivak::core::settingstest {
namespace {

using Strings = std::vector<std::string>;

std::string Reg(const std::string& section) { return "Brivak 3.0\\" + section; }

// Every key of a document in file order, as "section|key".
Strings Listing(const IniDocument& doc) {
  Strings out;
  for (const IniDocument::Section& s : doc.Sections()) {
    for (const IniDocument::Entry& e : s.entries) out.push_back(s.name + "|" + e.key);
  }
  return out;
}

void AddRows(Strings& out, const std::string& section, const std::string& prefix, char writer,
             const std::string& skipKey = "") {
  for (const KeyRow& row : Keys()) {
    if (row.section == section && row.writers.find(writer) != std::string::npos && row.key != skipKey) {
      out.push_back(prefix + section + "|" + row.key);
    }
  }
}

// ---- Defaults ------------------------------------------------------------------------------------

using SettingsDefaults = SettingsFixture;

TEST_F(SettingsDefaults, EveryKeyHasItsRegistryDefaultFromAnEmptyStore) {
  TBrivakSettings s = Make();
  const bool firstRun = s.Load();

  EXPECT_TRUE(firstRun);
  for (const KeyRow& row : Keys()) {
    EXPECT_EQ(row.get(s), Expand(row.regDefault)) << row.section << "/" << row.key;
  }
  EXPECT_FALSE(s.Logging.LogMessages);
  EXPECT_FALSE(s.Logging.LogInput);
  EXPECT_EQ(log.Calls(), (Strings{"debug:BrivakSettings.Load", "mem:Settings Loaded."}));
  EXPECT_EQ(registry.WriteCount(), 0);
}

TEST_F(SettingsDefaults, EveryKeyHasItsIniDefaultFromAnEmptySettingsFile) {
  logtest::WriteFile(iniPath, "");
  TBrivakSettings s = Make();
  s.LoadINI();

  for (const KeyRow& row : Keys()) {
    EXPECT_EQ(row.get(s), Expand(row.iniValue)) << row.section << "/" << row.key;
  }
  EXPECT_FALSE(s.importINI);
  EXPECT_EQ(log.Calls(), (Strings{"debug:BrivakSettings.LoadINI", "debug:Settings Loaded (INI)"}));
}

TEST_F(SettingsDefaults, KeysThatLoadIniDoesNotReadKeepFreshValuesEvenWhenPresent) {
  logtest::WriteFile(iniPath,
                     "[General]\r\nShowSysInfoPanel=1\r\nNoWizard=1\r\nCity=Aber\r\nWeatherMap=w\r\n"
                     "[Messages]\r\nemailNotes=1\r\nemailNotesAddress=a@b\r\n");
  TBrivakSettings s = Make();
  s.LoadINI();
  EXPECT_FALSE(s.General.showSysInfoPanel);
  EXPECT_FALSE(s.General.noWizard);
  EXPECT_EQ(s.General.city, "");
  EXPECT_EQ(s.General.WeatherMap, "");
  EXPECT_FALSE(s.Messages.emailNotes);
  EXPECT_EQ(s.Messages.emailNotesAddress, "");
}

TEST_F(SettingsDefaults, MasterIpDefaultsToTheLocalAddressAndAStoredOneWins) {
  registry.Modify([](IniDocument& d) { d.Write(Reg("Security"), "MasterIP", "127.0.0.5"); });
  TBrivakSettings s = Make();
  s.Load();
  EXPECT_EQ(s.Security.masterIP, "127.0.0.5");

  logtest::WriteFile(iniPath, "[Security]\r\nmasterip=127.0.0.6\r\n");
  s.LoadINI();
  EXPECT_EQ(s.Security.masterIP, "127.0.0.6");
}

TEST_F(SettingsDefaults, AnEmptyStoredScreenSaverBecomesTheSystemSaver) {
  registry.Modify([](IniDocument& d) { d.Write(Reg("ScreenSavers"), "defaultSaver", ""); });
  TBrivakSettings s = Make();
  s.Load();
  EXPECT_EQ(s.ScreenSavers.defaultSaver, kSys + "/scrnsave.scr");
}

TEST_F(SettingsDefaults, RunOnStartUpIsReadUnderEitherSpellingAndWrittenOnce) {
  registry.Modify([](IniDocument& d) { d.Write(Reg("General"), "RunOnStartUp", "1"); });
  TBrivakSettings s = Make();
  s.Load();
  EXPECT_TRUE(s.General.RunOnStartup);

  s.General.RunOnStartup = false;
  s.Save({}, false);
  const IniDocument doc = registry.Snapshot();
  int copies = 0;
  for (const std::string& key : doc.KeyNames(Reg("General"))) {
    if (key == "RunOnStartUp" || key == "RunOnStartup") ++copies;
  }
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(doc.ReadString(Reg("General"), "RunOnStartup", "?"), "0");
}

// ---- Writers: key sets, order, lines -------------------------------------------------------------

using SettingsWriters = SettingsFixture;

TEST_F(SettingsWriters, SaveWritesExactlyItsKeysInItsOrder) {
  TBrivakSettings s = Make();
  s.Load();
  log.Clear();
  s.Save(SplitAwayMessages(s.Messages.awayMessages), false);

  Strings expected = {Reg("Settings") + "|firstRun"};
  for (const char* section : {"General", "Security", "ScreenSavers"}) {
    AddRows(expected, section, "Brivak 3.0\\", 'R');
  }
  expected.push_back(Reg("Startup") + "|@");
  expected.push_back(Reg("Messages") + "|@");
  AddRows(expected, "Messages", "Brivak 3.0\\", 'R');
  expected.push_back(Reg("Logging") + "|@");
  AddRows(expected, "Logging", "Brivak 3.0\\", 'R');
  AddRows(expected, "Advanced", "Brivak 3.0\\", 'R');
  AddRows(expected, "BrivakBar", "Brivak 3.0\\", 'R');
  expected.push_back(Reg("Appearance") + "|@");
  expected.push_back(Reg("Camera") + "|@");

  const IniDocument doc = registry.Snapshot();
  EXPECT_EQ(Listing(doc), expected);
  EXPECT_EQ(doc.SectionNames(),
            (Strings{Reg("Settings"), Reg("General"), Reg("Security"), Reg("ScreenSavers"),
                     Reg("Startup"), Reg("Messages"), Reg("Logging"), Reg("Advanced"),
                     Reg("BrivakBar"), Reg("Appearance"), Reg("Camera")}));
  EXPECT_EQ(registry.WriteCount(), 1);
  EXPECT_EQ(log.Calls(), (Strings{"debug:BrivakSettings.Save", "debug:BrivakSettings.Save (1)",
                                  "debug:BrivakSettings.Save (2)", "debug:BrivakSettings.Save (4)",
                                  "debug:BrivakSettings.Save (5)", "debug:settings saved"}));
}

TEST_F(SettingsWriters, SaveStoresTextForms) {
  TBrivakSettings s = Make();
  s.Load();
  s.Save(SplitAwayMessages(s.Messages.awayMessages), false);
  const IniDocument doc = registry.Snapshot();
  struct Case {
    const char* section;
    const char* key;
    std::string value;
  };
  const Case cases[] = {
      {"Settings", "firstRun", "0"},
      {"Startup", "@", ""},
      {"General", "hkCtrl", "1"},
      {"General", "hkShift", "0"},
      {"General", "sHKmod", "3"},  // decoded from "Ctrl+Alt+S" before writing
      {"General", "sHKid", "83"},
      {"General", "LayoutFile", appData + "layouts/html/bluegeneric.html"},
      {"Security", "AllowedRemoteIPs", "192.168.1.*\\n192.168.0.22*"},
      {"Security", "TaskMgrScanTime", "750"},
      {"Messages", "awayMessages",
       "Lunch=Gone To Lunch\\nGone for day=I'm gone for the day.\\nMeeting=In a meeting\\n"
       "Invisible=Im invisible bitches!\\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(doc.ReadString(Reg(c.section), c.key, "<missing>"), c.value) << c.section << "/" << c.key;
  }
}

TEST_F(SettingsWriters, SaveIniWritesExactlyItsKeysInItsOrder) {
  TBrivakSettings s = Make();
  s.Load();
  s.Messages.emailNotes = true;
  s.Messages.emailNotesAddress = "someone@example.org";
  log.Clear();
  s.SaveINI(SplitAwayMessages(s.Messages.awayMessages), false);

  Strings expected = {"Deployment|importINI", "Security|MasterIP"};
  AddRows(expected, "General", "", 'I');
  AddRows(expected, "Security", "", 'I', "MasterIP");
  for (const char* section : {"ScreenSavers", "Logging", "Messages", "Advanced", "BrivakBar"}) {
    AddRows(expected, section, "", 'I');
  }
  // The sections appear in the order of their first key.
  Strings bySection;
  for (const char* section :
       {"Deployment", "Security", "General", "ScreenSavers", "Logging", "Messages", "Advanced", "BrivakBar"}) {
    for (const std::string& entry : expected) {
      if (entry.starts_with(std::string(section) + "|")) bySection.push_back(entry);
    }
  }

  const IniDocument doc = IniOnDisk();
  EXPECT_EQ(Listing(doc), bySection);
  EXPECT_EQ(doc.ReadString("Messages", "emailNotes", "?"), "0");
  EXPECT_EQ(doc.ReadString("Messages", "emailNotesAddress", "?"), "");
  EXPECT_EQ(doc.ReadString("Deployment", "importINI", "?"), "0");
  EXPECT_EQ(log.Calls(), (Strings{"debug:BrivakSettings.SaveINI", "debug:Settings Saved."}));
  EXPECT_EQ(registry.WriteCount(), 0);
}

TEST_F(SettingsWriters, BothWritersDecodeTheHotKeyFirst) {
  TBrivakSettings s = Make();
  s.Load();
  s.General.sHotKey = "Shift+Ctrl+B";
  s.Save({}, false);
  EXPECT_EQ(registry.Snapshot().ReadString(Reg("General"), "sHKmod", "?"), "6");
  EXPECT_EQ(registry.Snapshot().ReadString(Reg("General"), "sHKvirt", "?"), "66");

  s.General.sHotKey = "Alt+7";
  s.SaveINI({}, false);
  EXPECT_EQ(IniOnDisk().ReadString("General", "sHKmod", "?"), "1");
  EXPECT_EQ(IniOnDisk().ReadString("General", "sHKid", "?"), "55");
}

TEST_F(SettingsWriters, AwayMessagesAreTheListAndAreLeftAloneAtTheEndOfALock) {
  TBrivakSettings s = Make();
  s.Load();
  const Strings first = {"A=one", "B=two"};
  s.Save(first, false);
  s.SaveINI(first, false);
  EXPECT_EQ(registry.Snapshot().ReadString(Reg("Messages"), "awayMessages", "?"), "A=one\\nB=two\\n");
  EXPECT_EQ(IniOnDisk().ReadString("Messages", "awayMessages", "?"), "A=one\\nB=two\\n");

  s.Save({"C=three"}, true);
  s.SaveINI({"C=three"}, true);
  EXPECT_EQ(registry.Snapshot().ReadString(Reg("Messages"), "awayMessages", "?"), "A=one\\nB=two\\n");
  EXPECT_EQ(IniOnDisk().ReadString("Messages", "awayMessages", "?"), "A=one\\nB=two\\n");

  s.Load();
  EXPECT_EQ(s.Messages.awayMessages, "A=one\r\nB=two\r\n");
}

TEST_F(SettingsWriters, AFailedRegistryWriteThrowsAndChangesNothing) {
  TBrivakSettings s = Make();
  s.Load();
  registry.FailNextWrite();
  log.Clear();
  EXPECT_THROW(s.Save({}, false), std::runtime_error);
  EXPECT_TRUE(registry.Snapshot().Sections().empty());
  EXPECT_EQ(log.Calls(), (Strings{"debug:BrivakSettings.Save", "debug:BrivakSettings.Save (1)",
                                  "debug:BrivakSettings.Save (2)"}));
}

TEST_F(SettingsWriters, ANewSettingsFileIsPrivateToItsOwner) {
  TBrivakSettings s = Make();
  s.Load();
  s.SaveINI({}, false);
  const auto perms = std::filesystem::status(iniPath).permissions();
  EXPECT_EQ(perms & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
            std::filesystem::perms::none);
}

TEST_F(SettingsWriters, SaveIniKeepsUnknownKeysOfTheFile) {
  logtest::WriteFile(iniPath, "[Custom]\r\nmine=1\r\n");
  TBrivakSettings s = Make();
  s.LoadINI();
  s.SaveINI({}, false);
  EXPECT_EQ(IniOnDisk().ReadString("Custom", "mine", "?"), "1");
}

// ---- Round trips ---------------------------------------------------------------------------------

using SettingsRoundTrip = SettingsFixture;

TEST_F(SettingsRoundTrip, SaveThenLoadGivesBackEveryStoredField) {
  TBrivakSettings original = Make();
  original.Load();
  Scramble(original, appData);
  original.Save(SplitAwayMessages(original.Messages.awayMessages), false);

  TBrivakSettings loaded = Make();
  EXPECT_FALSE(loaded.Load());

  TBrivakSettings expected = original;
  expected.General.WeatherMap = "";      // not written: back to its default
  expected.Logging.LogLockUnlock = true;  // not written: back to its default
  expected.Logging.LogMessages = expected.Logging.LogInput = false;  // never stored
  EXPECT_EQ(loaded.General, expected.General);
  EXPECT_EQ(loaded.Security, expected.Security);
  EXPECT_EQ(loaded.ScreenSavers, expected.ScreenSavers);
  EXPECT_EQ(loaded.Logging, expected.Logging);
  EXPECT_EQ(loaded.Messages, expected.Messages);
  EXPECT_EQ(loaded.Advanced, expected.Advanced);
  EXPECT_EQ(loaded.BrivakBar, expected.BrivakBar);
}

TEST_F(SettingsRoundTrip, SaveIniThenLoadIniGivesBackEveryIniField) {
  TBrivakSettings original = Make();
  original.Load();
  Scramble(original, appData);
  original.importINI = true;
  original.SaveINI(SplitAwayMessages(original.Messages.awayMessages), false);

  TBrivakSettings loaded = Make();
  loaded.LoadINI();

  TBrivakSettings expected = original;
  GeneralSettings& g = expected.General;  // keys the INI form does not read: fresh values
  g.Latitude = g.Longitude = g.city = g.state = g.WeatherMap = "";
  g.showSysInfoPanel = g.defaultToMemo = g.alwaysUseCodeEditor = g.noWizard = false;
  expected.Messages.emailNotes = false;
  expected.Messages.emailNotesAddress = "";
  expected.Logging.LogLockUnlock = true;
  expected.Logging.LogMessages = expected.Logging.LogInput = false;
  EXPECT_TRUE(loaded.importINI);
  EXPECT_EQ(loaded.General, expected.General);
  EXPECT_EQ(loaded.Security, expected.Security);
  EXPECT_EQ(loaded.ScreenSavers, expected.ScreenSavers);
  EXPECT_EQ(loaded.Logging, expected.Logging);
  EXPECT_EQ(loaded.Messages, expected.Messages);
  EXPECT_EQ(loaded.Advanced, expected.Advanced);
  EXPECT_EQ(loaded.BrivakBar, expected.BrivakBar);
}

TEST_F(SettingsRoundTrip, MultiLineValuesStayOnOneLineAndComeBackWhole) {
  TBrivakSettings s = Make();
  s.Load();
  s.Security.AllowedRemoteIPs = "127.0.0.1\r\n127.0.0.*\\x\r\n";
  const Strings presets = {"One=first", "Two=a\\nb"};
  s.Save(presets, false);
  s.SaveINI(presets, false);

  const std::string ini = logtest::ReadFile(iniPath);
  for (const std::string& line : logtest::CrLfLines(ini)) {
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(line.find('\n'), std::string::npos);
  }
  EXPECT_NE(ini.find("AllowedRemoteIPs=127.0.0.1\\n127.0.0.*\\\\x\\n"), std::string::npos) << ini;

  TBrivakSettings fromRegistry = Make();
  fromRegistry.Load();
  TBrivakSettings fromIni = Make();
  fromIni.LoadINI();
  for (const TBrivakSettings* loaded : {&fromRegistry, &fromIni}) {
    EXPECT_EQ(loaded->Security.AllowedRemoteIPs, "127.0.0.1\r\n127.0.0.*\\x\r\n");
    EXPECT_EQ(loaded->Messages.awayMessages, "One=first\r\nTwo=a\\nb\r\n");
    EXPECT_EQ(SplitAwayMessages(loaded->Messages.awayMessages), presets);
  }
}

TEST_F(SettingsRoundTrip, ARawOneLineValueReadsAsItself) {
  registry.Modify([](IniDocument& d) {
    d.Write(Reg("Security"), "AllowedRemoteIPs", "127.0.0.*");
    d.Write(Reg("Messages"), "awayMessages", "Lunch=Out");
  });
  logtest::WriteFile(iniPath, "[Security]\r\nAllowedRemoteIPs=127.0.1.*\r\n");
  TBrivakSettings s = Make();
  s.Load();
  EXPECT_EQ(s.Security.AllowedRemoteIPs, "127.0.0.*");
  EXPECT_EQ(s.Messages.awayMessages, "Lunch=Out");
  s.LoadINI();
  EXPECT_EQ(s.Security.AllowedRemoteIPs, "127.0.1.*");
}

// ---- Layout path in the INI form -----------------------------------------------------------------

using SettingsLayoutFile = SettingsFixture;

TEST_F(SettingsLayoutFile, TheDefaultLayoutSurvivesTheIniForm) {
  TBrivakSettings s = Make();
  s.Load();
  ASSERT_EQ(s.General.LayoutFile, appData + "layouts/html/bluegeneric.html");
  s.SaveINI({}, false);
  EXPECT_EQ(IniOnDisk().ReadString("General", "LayoutFile", "?"), "layouts/html/bluegeneric.html");

  TBrivakSettings loaded = Make();
  loaded.LoadINI();
  EXPECT_EQ(loaded.General.LayoutFile, appData + "layouts/html/bluegeneric.html");
}

TEST_F(SettingsLayoutFile, StoredAndLoadedForms) {
  struct Case {
    std::string inMemory;
    std::string stored;
    std::string loaded;
  };
  const Case cases[] = {
      {appData + "layouts/slf/simple.ini", "layouts/slf/simple.ini", appData + "layouts/slf/simple.ini"},
      // The program folder is removed wherever it occurs; the rest is taken below appData.
      {appPath + "layouts/html/x.html", "layouts/html/x.html", appData + "layouts/html/x.html"},
      // An absolute path elsewhere is kept as it is.
      {"/srv/layouts/board.html", "/srv/layouts/board.html", "/srv/layouts/board.html"},
      {"http://127.0.0.1/page.html", "http://127.0.0.1/page.html",
       appData + "http://127.0.0.1/page.html"},
  };
  for (const Case& c : cases) {
    TBrivakSettings s = Make();
    s.Load();
    s.General.LayoutFile = c.inMemory;
    s.SaveINI({}, false);
    EXPECT_EQ(IniOnDisk().ReadString("General", "LayoutFile", "?"), c.stored) << c.inMemory;
    TBrivakSettings loaded = Make();
    loaded.LoadINI();
    EXPECT_EQ(loaded.General.LayoutFile, c.loaded) << c.inMemory;
  }
}

TEST_F(SettingsLayoutFile, TheRegistryFormKeepsTheValueAsItIs) {
  TBrivakSettings s = Make();
  s.Load();
  s.General.LayoutFile = appPath + "layouts/html/x.html";
  s.Save({}, false);
  TBrivakSettings loaded = Make();
  loaded.Load();
  EXPECT_EQ(loaded.General.LayoutFile, appPath + "layouts/html/x.html");
}

// ---- Numbers -------------------------------------------------------------------------------------

using SettingsNumbers = SettingsFixture;

TEST_F(SettingsNumbers, UnusableStoredNumbersReadAsTheirDefaults) {
  struct Case {
    const char* section;
    const char* key;
    const char* stored;
    std::string fromRegistry;
    std::string fromIni;
  };
  const Case cases[] = {
      {"Security", "lockTime", "2147483648", "300", "300"},
      {"Security", "lockTime", "-2147483648", "-2147483648", "-2147483648"},
      {"Security", "lockTime", "12x", "300", "300"},
      {"Security", "TaskMgrScanTime", "4294967295", "4294967295", "4294967295"},
      {"Security", "TaskMgrScanTime", "4294967296", "750", "750"},
      {"Security", "TaskMgrScanTime", "-1", "750", "750"},
      {"Security", "TaskMgrScanTime", "", "750", "750"},
      {"General", "sHKmod", "99999999999", "49152", "49152"},
      {"General", "sHKmod", "+7", "7", "7"},
      {"Messages", "secsBeforeDefaultMsg", "abc", "10", "10"},
      {"ScreenSavers", "idleDelay", "9999999999", "180", "120"},
      {"Security", "StopTaskMgr", "2", "1", "1"},
      {"Security", "StopTaskMgr", "yes", "0", "1"},
      {"Security", "StopTaskMgr", "4294967296", "0", "1"},
  };
  const auto field = [](const TBrivakSettings& s, const std::string& key) -> std::string {
    for (const KeyRow& row : Keys()) {
      if (row.key == key) return row.get(s);
    }
    return "<no row>";
  };
  for (const Case& c : cases) {
    platform::MemoryRegistryStore store;
    store.Modify([&](IniDocument& d) { d.Write(Reg(c.section), c.key, c.stored); });
    TBrivakSettings fromRegistry(
        SettingsContext{store, brivak::test::Disk(), log, appPath, appData, kIp, kSys});
    fromRegistry.Load();
    EXPECT_EQ(field(fromRegistry, c.key), c.fromRegistry) << c.key << "=" << c.stored;

    logtest::WriteFile(iniPath, std::string("[") + c.section + "]\r\n" + c.key + "=" + c.stored + "\r\n");
    TBrivakSettings fromIni = Make();
    fromIni.LoadINI();
    EXPECT_EQ(field(fromIni, c.key), c.fromIni) << c.key << "=" << c.stored << " (INI)";
  }
}

// ---- Choosing the store at start-up --------------------------------------------------------------

using SettingsStartup = SettingsFixture;

TEST_F(SettingsStartup, WithoutSettingsIniTheRegistryFormIsReadAndNotWritten) {
  TBrivakSettings s = Make();
  const SettingsStoreChoice choice = ChooseSettingsStore(s);
  EXPECT_FALSE(choice.INI_MODE);
  EXPECT_TRUE(choice.firstRun);
  EXPECT_TRUE(choice.importError.empty());
  EXPECT_EQ(s.Security.masterIP, kIp);
  EXPECT_EQ(registry.WriteCount(), 0);

  s.Save({}, false);
  TBrivakSettings again = Make();
  EXPECT_FALSE(ChooseSettingsStore(again).firstRun);
}

TEST_F(SettingsStartup, TheOneTimeImportMovesTheIniFormIntoTheRegistry) {
  logtest::WriteFile(iniPath, "[Deployment]\r\nimportINI=1\r\n");
  TBrivakSettings s = Make();
  const SettingsStoreChoice choice = ChooseSettingsStore(s);

  EXPECT_FALSE(choice.INI_MODE);
  EXPECT_FALSE(choice.firstRun);
  EXPECT_TRUE(choice.importError.empty());
  EXPECT_FALSE(s.importINI);
  EXPECT_TRUE(s.Security.StopTaskMgr);
  EXPECT_TRUE(s.ScreenSavers.loadSaverOnStartup);
  EXPECT_EQ(s.ScreenSavers.idleDelay, 120);
  EXPECT_FALSE(s.General.showSysInfoPanel);
  EXPECT_FALSE(s.General.noWizard);
  EXPECT_FALSE(std::filesystem::exists(iniPath));

  const IniDocument doc = registry.Snapshot();
  EXPECT_EQ(doc.ReadString(Reg("Security"), "StopTaskMgr", "?"), "1");
  EXPECT_EQ(doc.ReadString(Reg("ScreenSavers"), "loadSaverOnStartup", "?"), "1");
  EXPECT_EQ(doc.ReadString(Reg("ScreenSavers"), "idleDelay", "?"), "120");
  EXPECT_EQ(doc.ReadString(Reg("General"), "ShowSysInfoPanel", "?"), "0");
  EXPECT_EQ(doc.ReadString(Reg("General"), "NoWizard", "?"), "0");
  EXPECT_EQ(doc.ReadString(Reg("Settings"), "firstRun", "?"), "0");

  // The presets of the imported form reach the registry too.
  TBrivakSettings next = Make();
  const SettingsStoreChoice nextChoice = ChooseSettingsStore(next);
  EXPECT_FALSE(nextChoice.INI_MODE);
  EXPECT_EQ(next.Messages.awayMessages, kPresets);
  EXPECT_TRUE(next.Security.StopTaskMgr);
  EXPECT_EQ(next.ScreenSavers.idleDelay, 120);
}

TEST_F(SettingsStartup, AFailedImportKeepsTheFileAndTheIniMode) {
  const std::string content = "[Deployment]\r\nimportINI=1\r\n[Security]\r\nlockTime=77\r\n";
  logtest::WriteFile(iniPath, content);
  registry.FailNextWrite();
  TBrivakSettings s = Make();
  const SettingsStoreChoice choice = ChooseSettingsStore(s);

  EXPECT_TRUE(choice.INI_MODE);
  EXPECT_FALSE(choice.firstRun);
  EXPECT_FALSE(choice.importError.empty());
  EXPECT_TRUE(std::filesystem::exists(iniPath));
  EXPECT_EQ(logtest::ReadFile(iniPath), content);
  EXPECT_TRUE(registry.Snapshot().Sections().empty());
  EXPECT_EQ(s.Security.lockTime, 77);

  // A save in this run keeps asking for the import, which then succeeds at the next start.
  EXPECT_TRUE(s.importINI);
  s.SaveINI({}, false);
  TBrivakSettings next = Make();
  const SettingsStoreChoice nextChoice = ChooseSettingsStore(next);
  EXPECT_FALSE(nextChoice.INI_MODE);
  EXPECT_FALSE(std::filesystem::exists(iniPath));
  EXPECT_EQ(registry.Snapshot().ReadString(Reg("Security"), "lockTime", "?"), "77");
}

TEST_F(SettingsStartup, SettingsIniWithoutImportIsIniModeAndLeavesTheRegistryAlone) {
  logtest::WriteFile(iniPath, "[Security]\r\nlockTime=60\r\n");
  registry.Modify([](IniDocument& d) { d.Write(Reg("Security"), "lockTime", "999"); });
  TBrivakSettings s = Make();
  const SettingsStoreChoice choice = ChooseSettingsStore(s);

  EXPECT_TRUE(choice.INI_MODE);
  EXPECT_FALSE(choice.firstRun);
  EXPECT_EQ(s.Security.lockTime, 60);
  EXPECT_TRUE(std::filesystem::exists(iniPath));
  EXPECT_EQ(registry.WriteCount(), 1);
  EXPECT_EQ(log.Channel("debug").front(), "BrivakSettings.LoadINI");
  EXPECT_TRUE(log.Channel("mem").empty());  // the registry form was not read
}

// ---- Away-message text ---------------------------------------------------------------------------

TEST(SettingsAwayMessages, ListAndTextConvert) {
  struct Case {
    std::string text;
    Strings lines;
  };
  const Case cases[] = {
      {"", {}},
      {"A=1\r\n", {"A=1"}},
      {"A=1\r\nB=2", {"A=1", "B=2"}},
      {"A=1\nB=2\rC=3\r\n", {"A=1", "B=2", "C=3"}},
      {"A=1\r\n\r\nB=2\r\n", {"A=1", "", "B=2"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitAwayMessages(c.text), c.lines) << c.text;
  EXPECT_EQ(AwayMessagesText({"A=1", "", "B=2"}), "A=1\r\n\r\nB=2\r\n");
  EXPECT_EQ(AwayMessagesText({}), "");
}

}  // namespace
}  // namespace brivak::core::settingstest
