#include "manager/app/RegistryOverlay.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "manager/core/ManagerSettings.h"
#include "platform/fake/MemoryRegistryStore.h"

namespace brivak::manager::apptest {
namespace {

using app::RegistryOverlay;

const std::string kSection(kManagerSettingsSection);

// A store holding a full record with refreshtime 30000 and udptimeout 1000.
IniDocument StoredRecord() {
  platform::MemoryRegistryStore store;
  TmanagerSettings s;
  s.refreshtime = 30000;
  s.udptimeout = 1000;
  s.startip = "127.0.0.1";
  SaveSettings(store, StoredManagerSettings{s, 2});
  return store.Snapshot();
}

struct OverlayFixture {
  platform::MemoryRegistryStore stored{StoredRecord()};
  RegistryOverlay overlay{stored, kSection, {{"refreshtime", "5000"}, {"udptimeout", "300"}}};
};

TEST(RegistryOverlayTest, ReadsSeeTheOverridesAndWritingTheRecordBackStoresNoneOfThem) {
  OverlayFixture f;
  const std::string before = f.stored.Snapshot().Serialize();
  const StoredManagerSettings loaded = LoadSettings(f.overlay);
  EXPECT_EQ(loaded.settings.refreshtime, 5000);
  EXPECT_EQ(loaded.settings.udptimeout, 300);

  SaveSettings(f.overlay, loaded);                                 // the window closes
  SaveSettings(f.overlay, loaded.settings, loaded.lastCol, "888");  // "Save and Apply" without edits
  EXPECT_EQ(f.stored.Snapshot().Serialize(), before);
  EXPECT_EQ(LoadSettings(f.overlay).settings.refreshtime, 5000);
  EXPECT_EQ(f.overlay.Overrides().size(), 2u);
}

TEST(RegistryOverlayTest, AnEditOfAnOverriddenKeyIsStoredAndNotRevertedByTheNextRead) {
  OverlayFixture f;
  StoredManagerSettings edited = LoadSettings(f.overlay);
  edited.settings.refreshtime = 7000;  // edited in the window
  edited.settings.startip = "127.0.0.5";  // not overridden
  SaveSettings(f.overlay, edited.settings, edited.lastCol, "888");

  const StoredManagerSettings reread = LoadSettings(f.overlay);  // "Save and Apply" loads again
  EXPECT_EQ(reread.settings.refreshtime, 7000);
  EXPECT_EQ(reread.settings.startip, "127.0.0.5");
  EXPECT_EQ(reread.settings.udptimeout, 300);  // still this run's value
  const StoredManagerSettings inStore = LoadSettings(f.stored);
  EXPECT_EQ(inStore.settings.refreshtime, 7000);
  EXPECT_EQ(inStore.settings.startip, "127.0.0.5");
  EXPECT_EQ(inStore.settings.udptimeout, 1000);  // never written
  EXPECT_EQ(f.overlay.Overrides(), (RegistryOverlay::Values{{"udptimeout", "300"}}));

  SaveSettings(f.overlay, reread);  // and closing afterwards keeps both
  EXPECT_EQ(LoadSettings(f.stored).settings.refreshtime, 7000);
  EXPECT_EQ(LoadSettings(f.stored).settings.udptimeout, 1000);
}

TEST(RegistryOverlayTest, AnOverrideOfAKeyTheStoreLacksIsNotWrittenEither) {
  platform::MemoryRegistryStore stored;
  stored.Modify([](IniDocument& d) { d.Write(kSection, "startip", "127.0.0.1"); });
  RegistryOverlay overlay(stored, kSection, {{"WebServerPort", "9999"}});
  EXPECT_EQ(LoadSettings(overlay).settings.webserverport, 9999);
  overlay.Modify([](IniDocument& d) {
    d.Write(kSection, "webserverport", "9999");  // the same value, another spelling of the key
    d.Write(kSection, "endip", "127.0.0.9");
  });
  EXPECT_FALSE(stored.Snapshot().Read(kSection, "webserverport"));
  EXPECT_EQ(stored.Snapshot().Read(kSection, "endip"), "127.0.0.9");
}

TEST(RegistryOverlayTest, AFailedWriteKeepsTheOverride) {
  OverlayFixture f;
  f.stored.FailNextWrite();
  EXPECT_THROW(f.overlay.Modify([](IniDocument& d) { d.Write(kSection, "refreshtime", "7000"); }), std::runtime_error);
  EXPECT_EQ(LoadSettings(f.overlay).settings.refreshtime, 5000);
  EXPECT_EQ(LoadSettings(f.stored).settings.refreshtime, 30000);
  EXPECT_EQ(f.overlay.Overrides().size(), 2u);
}

}  // namespace
}  // namespace brivak::manager::apptest
