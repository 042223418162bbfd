#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "manager/core/ManagerSettings.h"
#include "platform/fake/MemoryRegistryStore.h"
#include "support/ParamNames.h"

namespace brivak::manager {
namespace {

constexpr std::string_view kSection = "Software\\Morvane\\Brivak Manager\\settings";

IniDocument WithValue(std::string_view key, std::string_view value) {
  IniDocument doc;
  doc.Write(kSection, key, value);
  return doc;
}

TEST(ManagerSettingsTest, EmptyStoreReadsTheDefaults) {
  const platform::MemoryRegistryStore store;
  const StoredManagerSettings loaded = LoadSettings(store);
  const TmanagerSettings& s = loaded.settings;
  EXPECT_EQ(s.startip, "192.168.1.1");
  EXPECT_EQ(s.endip, "192.168.255.255");
  EXPECT_EQ(s.scantimeout, 2000);
  EXPECT_EQ(s.udptimeout, 1000);
  EXPECT_EQ(s.httptimeout, 4000);
  EXPECT_EQ(s.refreshtime, 30000);
  EXPECT_EQ(s.webserverport, 888);
  EXPECT_TRUE(s.autorefresh);
  EXPECT_TRUE(s.hideupdate);
  EXPECT_FALSE(s.enablewebserver);
  EXPECT_FALSE(s.trayminimize);
  EXPECT_EQ(s.broadcastip, "255.255.255.255");
  EXPECT_EQ(s.wolip, "255.255.255.255");
  EXPECT_EQ(s.wolport, 2050);
  EXPECT_EQ(loaded.lastCol, -1);
}

struct ReadCase {
  const char* key;
  const char* stored;
  int TmanagerSettings::*field;
  int expected;
};

class ManagerSettingsReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ManagerSettingsReadTest, IntegerValuesFallBackToTheirDefault) {
  const ReadCase& c = GetParam();
  const platform::MemoryRegistryStore store(WithValue(c.key, c.stored));
  EXPECT_EQ(LoadSettings(store).settings.*(c.field), c.expected) << c.key << "=" << c.stored;
}

INSTANTIATE_TEST_SUITE_P(
    StoredValues, ManagerSettingsReadTest,
    ::testing::Values(ReadCase{"refreshtime", "abc", &TmanagerSettings::refreshtime, 30000},
                      ReadCase{"refreshtime", "", &TmanagerSettings::refreshtime, 30000},
                      ReadCase{"refreshtime", "12000", &TmanagerSettings::refreshtime, 12000},
                      ReadCase{"scantimeout", "99999999999", &TmanagerSettings::scantimeout, 2000},
                      ReadCase{"udptimeout", "250", &TmanagerSettings::udptimeout, 250},
                      ReadCase{"httptimeout", "4x", &TmanagerSettings::httptimeout, 4000},
                      ReadCase{"webserverport", "8080", &TmanagerSettings::webserverport, 8080},
                      ReadCase{"webserverport", "70000", &TmanagerSettings::webserverport, 888},
                      ReadCase{"webserverport", "-1", &TmanagerSettings::webserverport, 888},
                      ReadCase{"wolport", "9", &TmanagerSettings::wolport, 9},
                      ReadCase{"wolport", "65536", &TmanagerSettings::wolport, 2050}),
    brivak::test::NamedBy<ReadCase>([](const ReadCase& c) {
      return std::string(std::string(c.key) + "_" + c.stored);
    }));

TEST(ManagerSettingsTest, BooleansReadTrueForAnyNonZeroInteger) {
  EXPECT_TRUE(
      LoadSettings(platform::MemoryRegistryStore(WithValue("autorefresh", "5"))).settings.autorefresh);
  EXPECT_FALSE(
      LoadSettings(platform::MemoryRegistryStore(WithValue("autorefresh", "0"))).settings.autorefresh);
  EXPECT_TRUE(
      LoadSettings(platform::MemoryRegistryStore(WithValue("trayminimize", "-1"))).settings.trayminimize);
  // Not a number: the default.
  EXPECT_TRUE(LoadSettings(platform::MemoryRegistryStore(WithValue("hideupdate", "no"))).settings.hideupdate);
}

TEST(ManagerSettingsTest, SaveThenLoadRoundTripsEveryValue) {
  platform::MemoryRegistryStore store;
  StoredManagerSettings values;
  TmanagerSettings& s = values.settings;
  s.startip = "127.0.0.1";
  s.endip = "127.0.0.60";
  s.scantimeout = 210;
  s.udptimeout = 410;
  s.httptimeout = 610;
  s.refreshtime = 10000;
  s.webserverport = 0;
  s.autorefresh = false;
  s.hideupdate = false;
  s.enablewebserver = true;
  s.trayminimize = true;
  s.broadcastip = "127.255.255.255";
  s.wolip = "127.0.0.9";
  s.wolport = 40000;
  values.lastCol = -3;
  SaveSettings(store, values);
  EXPECT_EQ(LoadSettings(store), values);
}

TEST(ManagerSettingsTest, ValuesAreStoredAsTextUnderTheManagerKey) {
  platform::MemoryRegistryStore store;
  TmanagerSettings s;
  s.autorefresh = false;
  SaveSettings(store, s, 2, "8081");
  const IniDocument doc = store.Snapshot();
  EXPECT_EQ(doc.Read(kSection, "autorefresh"), "0");
  EXPECT_EQ(doc.Read(kSection, "hideupdate"), "1");
  EXPECT_EQ(doc.Read(kSection, "refreshtime"), "30000");
  EXPECT_EQ(doc.Read(kSection, "webserverport"), "8081");
  EXPECT_EQ(doc.Read(kSection, "lastCol"), "2");
  EXPECT_EQ(doc.Read(kSection, "startip"), "192.168.1.1");
  EXPECT_EQ(doc.Read(kSection, "broadcastip"), "255.255.255.255");
  EXPECT_EQ(doc.Read(kSection, "wolport"), "2050");
  EXPECT_EQ(doc.SectionNames(), std::vector<std::string>{std::string(kSection)});
}

TEST(ManagerSettingsTest, PortTextThatIsNoPortKeepsTheStoredPort) {
  platform::MemoryRegistryStore store(WithValue("webserverport", "8080"));
  for (const char* text : {"", "abc", "80a", "-5", "+80", "65536", "123456", " 80"}) {
    SaveSettings(store, TmanagerSettings{}, -1, text);
    EXPECT_EQ(LoadSettings(store).settings.webserverport, 8080) << "'" << text << "'";
  }
  SaveSettings(store, TmanagerSettings{}, -1, "65535");
  EXPECT_EQ(LoadSettings(store).settings.webserverport, 65535);
}

TEST(ManagerSettingsTest, FreshStoreWithUnusablePortTextStoresNoPort) {
  platform::MemoryRegistryStore store;
  SaveSettings(store, TmanagerSettings{}, -1, "x");
  EXPECT_FALSE(store.Snapshot().Read(kSection, "webserverport").has_value());
  EXPECT_EQ(LoadSettings(store).settings.webserverport, 888);
}

TEST(ManagerSettingsTest, FailedWriteChangesNothing) {
  platform::MemoryRegistryStore store(WithValue("refreshtime", "12000"));
  store.FailNextWrite();
  EXPECT_THROW(SaveSettings(store, TmanagerSettings{}, 1, "1"), std::runtime_error);
  EXPECT_EQ(LoadSettings(store).settings.refreshtime, 12000);
  EXPECT_FALSE(store.Snapshot().Read(kSection, "lastCol").has_value());
}

TEST(ManagerSettingsTest, OtherProgramsSectionsAreKept) {
  IniDocument doc;
  doc.Write("Brivak 3.0\\General", "sAppLocation", "/opt/brivak/brivak3");
  platform::MemoryRegistryStore store(doc);
  SaveSettings(store, TmanagerSettings{}, -1, "888");
  EXPECT_EQ(LockerLocation(store), "/opt/brivak/brivak3");
  EXPECT_EQ(LockerLocation(platform::MemoryRegistryStore()), "");
}

TEST(ManagerSettingsTest, ParsePortTextAndLink) {
  EXPECT_EQ(ParsePortText("888"), 888);
  EXPECT_EQ(ParsePortText("0"), 0);
  EXPECT_EQ(ParsePortText("00080"), 80);
  EXPECT_EQ(ParsePortText("8 8"), std::nullopt);
  EXPECT_EQ(WebServerURL("127.0.0.1", "888"), "127.0.0.1:888/manager");
}

}  // namespace
}  // namespace brivak::manager
