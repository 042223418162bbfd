#include "proj/app/StartupRegistration.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fake/MemoryRegistryStore.h"
#include "platform/fake/RecordingProcesses.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "unit/common/RecordingLogSink.h"

namespace brivak::app {
namespace {

namespace fs = std::filesystem;

class StartupRegistrationTest : public ::testing::Test {
 protected:
  StartupRegistration& Make(bool userManager) {
    fs::create_directories(dir_.Folder() + "run");
    if (userManager) {
      fs::create_directories(dir_.Folder() + "run/systemd");
      test::WriteAll(dir_.Folder() + "run/systemd/private", "");
    }
    registration_ = std::make_unique<StartupRegistration>(StartupRegistrationPorts{
        registry_, processes_, log_, "/opt/My Apps/brivak3", dir_.Folder() + "config", dir_.Folder() + "run"});
    return *registration_;
  }
  std::string AppLocation() const { return registry_.Snapshot().ReadString(kAppLocationSection, kAppLocationKey, ""); }
  bool Has(const std::string& path) const { return fs::exists(fs::symlink_status(path)); }
  std::vector<std::vector<std::string>> Commands() const {
    std::vector<std::vector<std::string>> argvs;
    for (const auto& call : processes_.Calls()) argvs.push_back(call.argv);
    return argvs;
  }

  test::TempDir dir_;
  platform::MemoryRegistryStore registry_;
  platform::RecordingProcesses processes_;
  test::RecordingLogSink log_;
  std::unique_ptr<StartupRegistration> registration_;
};

TEST_F(StartupRegistrationTest, ModeOneWritesTheAutostartEntryAndModeZeroHidesIt) {
  auto& startup = Make(false);
  startup.WriteStartupData(1);
  const std::string entry = test::ReadAll(startup.AutostartFile());
  EXPECT_NE(entry.find("\nExec=\"/opt/My Apps/brivak3\" -runkey\n"), std::string::npos) << entry;
  EXPECT_EQ(entry.find("Hidden=true"), std::string::npos);
  EXPECT_EQ(AppLocation(), "/opt/My Apps/brivak3");
  EXPECT_EQ(log_.Channel("debug")[0], "WriteStartupData: 1");

  startup.WriteStartupData(0);
  EXPECT_NE(test::ReadAll(startup.AutostartFile()).find("\nHidden=true\n"), std::string::npos);
  EXPECT_TRUE(processes_.Calls().empty());
}

TEST_F(StartupRegistrationTest, ModesTwoAndFourLeaveNoEntry) {
  auto& startup = Make(true);
  for (int mode : {2, 4}) {
    startup.WriteStartupData(1);
    ASSERT_TRUE(Has(startup.AutostartFile()));
    startup.WriteStartupData(mode);
    EXPECT_FALSE(Has(startup.AutostartFile())) << mode;
    EXPECT_FALSE(Has(startup.UnitFile())) << mode;
    EXPECT_EQ(AppLocation(), "/opt/My Apps/brivak3");
  }
  const auto debug = log_.Channel("debug");
  EXPECT_NE(std::find(debug.begin(), debug.end(),
                      "StartupMode 2: no start before the desktop on Linux; no start-up entry written"),
            debug.end());
}

TEST_F(StartupRegistrationTest, ModeThreeInstallsTheUserUnitAndEnablesItWhenAUserManagerRuns) {
  auto& startup = Make(true);
  startup.WriteStartupData(1);
  startup.WriteStartupData(3);
  EXPECT_FALSE(Has(startup.AutostartFile()));
  EXPECT_NE(test::ReadAll(startup.UnitFile()).find("ExecStart=\"/opt/My Apps/brivak3\" -runkey"), std::string::npos);
  EXPECT_EQ(Commands(), (std::vector<std::vector<std::string>>{{"systemctl", "--user", "enable", "brivak3.service"}}));

  // Leaving mode 3 takes the unit and its link away and has the manager reload.
  const std::string wants = dir_.Folder() + "config/systemd/user/graphical-session.target.wants";
  fs::create_directories(wants);
  fs::create_symlink(startup.UnitFile(), wants + "/brivak3.service");
  startup.WriteStartupData(0);
  EXPECT_FALSE(Has(startup.UnitFile()));
  EXPECT_FALSE(Has(wants + "/brivak3.service"));
  EXPECT_EQ(Commands().back(), (std::vector<std::string>{"systemctl", "--user", "daemon-reload"}));
}

TEST_F(StartupRegistrationTest, ModeThreeWithoutAUserManagerSaysSo) {
  auto& startup = Make(false);
  startup.WriteStartupData(3);
  EXPECT_TRUE(Has(startup.UnitFile()));
  EXPECT_TRUE(processes_.Calls().empty());
  EXPECT_EQ(log_.Channel("mem"),
            (std::vector<std::string>{"No systemd user manager runs: brivak3.service is installed but not enabled."}));
}

TEST_F(StartupRegistrationTest, AStoreThatCannotBeWrittenIsAnError) {
  auto& startup = Make(false);
  registry_.FailNextWrite();
  EXPECT_THROW(startup.WriteStartupData(1), std::runtime_error);
  // An entry folder that is a file cannot take the entry.
  test::WriteAll(dir_.Folder() + "config", "not a folder");
  EXPECT_THROW(startup.WriteStartupData(1), std::runtime_error);
}

TEST_F(StartupRegistrationTest, TheBrowserEmulationLevelHasNothingToRegister) {
  Make(false).RegisterIEcompatibilityLevel(11001);
  EXPECT_EQ(log_.Channel("debug"),
            (std::vector<std::string>{"RegisterIEcompatibilityLevel 11001: no browser emulation level on Linux; nothing to register"}));
  EXPECT_EQ(registry_.WriteCount(), 0);
}

}  // namespace
}  // namespace brivak::app
