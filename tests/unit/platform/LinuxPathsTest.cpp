#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "support/TempDir.h"
#include "platform/linux/LinuxPaths.h"

namespace brivak::platform {
namespace {

using Env = std::map<std::string, std::string>;

EnvLookup LookupIn(Env env) {
  return [env = std::move(env)](const std::string& name) -> std::optional<std::string> {
    const auto it = env.find(name);
    if (it == env.end()) return std::nullopt;
    return it->second;
  };
}

HomeLookup PasswdGives(std::optional<std::string> home) {
  return [home] { return home; };
}

struct RootCase {
  const char* name;
  Env env;
  std::optional<std::string> passwdHome;
  const char* dataRoot;
  const char* configRoot;
};

class UserRoots : public ::testing::TestWithParam<RootCase> {};

TEST_P(UserRoots, FollowXdgThenHomeThenPasswd) {
  const RootCase& c = GetParam();
  const LinuxPaths paths(LookupIn(c.env), PasswdGives(c.passwdHome));
  EXPECT_EQ(paths.DataRoot(), c.dataRoot);
  EXPECT_EQ(paths.ConfigRoot(), c.configRoot);
}

INSTANTIATE_TEST_SUITE_P(
    LinuxPaths, UserRoots,
    ::testing::Values(
        RootCase{"XdgAbsolute",
                 {{"XDG_DATA_HOME", "/x/data"}, {"XDG_CONFIG_HOME", "/x/conf"}, {"HOME", "/home/ann"}},
                 "/home/pw",
                 "/x/data",
                 "/x/conf"},
        RootCase{"XdgTrailingSlash",
                 {{"XDG_DATA_HOME", "/x/data//"}, {"XDG_CONFIG_HOME", "/x/conf/"}},
                 std::nullopt,
                 "/x/data",
                 "/x/conf"},
        RootCase{"XdgRelativeIgnored",
                 {{"XDG_DATA_HOME", "x/data"}, {"XDG_CONFIG_HOME", "conf"}, {"HOME", "/home/ann"}},
                 std::nullopt,
                 "/home/ann/.local/share",
                 "/home/ann/.config"},
        RootCase{"XdgEmptyIgnored",
                 {{"XDG_DATA_HOME", ""}, {"XDG_CONFIG_HOME", ""}, {"HOME", "/home/ann"}},
                 std::nullopt,
                 "/home/ann/.local/share",
                 "/home/ann/.config"},
        RootCase{
            "HomeOnly", {{"HOME", "/home/ann"}}, "/home/pw", "/home/ann/.local/share", "/home/ann/.config"},
        RootCase{"HomeTrailingSlash",
                 {{"HOME", "/home/ann/"}},
                 std::nullopt,
                 "/home/ann/.local/share",
                 "/home/ann/.config"},
        RootCase{"HomeIsRoot", {{"HOME", "/"}}, std::nullopt, "/.local/share", "/.config"},
        RootCase{"HomeMissingUsesPasswd", {}, "/home/pw", "/home/pw/.local/share", "/home/pw/.config"},
        RootCase{"HomeRelativeUsesPasswd",
                 {{"HOME", "ann"}},
                 "/home/pw",
                 "/home/pw/.local/share",
                 "/home/pw/.config"},
        RootCase{
            "HomeEmptyUsesPasswd", {{"HOME", ""}}, "/home/pw", "/home/pw/.local/share", "/home/pw/.config"}),
    [](const ::testing::TestParamInfo<RootCase>& info) { return std::string(info.param.name); });

TEST(LinuxPaths, NoHomeAnywhereThrowsTheFolderMessage) {
  for (const std::optional<std::string>& passwd :
       {std::optional<std::string>(), std::optional<std::string>("rel")}) {
    const LinuxPaths paths(LookupIn({}), PasswdGives(passwd));
    try {
      paths.DataRoot();
      ADD_FAILURE() << "DataRoot did not throw";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Could not find MyDocuments folder location.");
    }
    EXPECT_THROW(paths.ConfigRoot(), std::runtime_error);
  }
}

TEST(LinuxPaths, XdgRootNeedsNoHome) {
  const LinuxPaths paths(LookupIn({{"XDG_DATA_HOME", "/x/data"}}), PasswdGives(std::nullopt));
  EXPECT_EQ(paths.DataRoot(), "/x/data");
  EXPECT_THROW(paths.ConfigRoot(), std::runtime_error);
}

TEST(LinuxPaths, RuntimeDirOnlyWhenPrivateExistingFolderOfOurs) {
  brivak::test::TempDir temp;
  const std::string own = temp / "run";
  const std::string shared = temp / "shared";
  const std::string file = temp / "file";
  ASSERT_EQ(::mkdir(own.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(shared.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
  std::ofstream(file) << "x";

  const struct {
    std::optional<std::string> value;
    std::string expected;
  } cases[] = {
      {own, own},
      {own + "/", own},
      {std::nullopt, ""},
      {"", ""},
      {"run", ""},             // relative
      {temp / "missing", ""},  // does not exist
      {file, ""},              // not a folder
      {shared, ""},            // others may write there
  };
  for (const auto& c : cases) {
    Env env;
    if (c.value) env["XDG_RUNTIME_DIR"] = *c.value;
    const LinuxPaths paths(LookupIn(env), PasswdGives("/home/pw"));
    EXPECT_EQ(paths.RuntimeDir(), c.expected) << "XDG_RUNTIME_DIR=" << c.value.value_or("(unset)");
  }
}

TEST(LinuxPaths, RuntimeDirOwnedBySomeoneElseIsRefused) {
  brivak::test::TempDir temp;
  std::string foreign;
  if (::geteuid() == 0) {
    foreign = temp / "foreign";
    ASSERT_EQ(::mkdir(foreign.c_str(), 0700), 0);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
  } else {
    foreign = "/";  // owned by root
  }
  const LinuxPaths paths(LookupIn({{"XDG_RUNTIME_DIR", foreign}}), PasswdGives("/home/pw"));
  EXPECT_EQ(paths.RuntimeDir(), "");
}

TEST(LinuxPaths, ExecutableDirIsTheFolderOfThisProgram) {
  const LinuxPaths paths;
  const std::string dir = paths.ExecutableDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), '/');
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(std::filesystem::is_regular_file(dir + "unit_platform")) << dir;
  EXPECT_EQ(paths.ExecutablePath(), dir + "unit_platform");
}

TEST(LinuxPaths, SystemDirIsTheScreenSaverFolder) {
  EXPECT_EQ(LinuxPaths().SystemDir(), "/usr/lib/xscreensaver");
}

}  // namespace
}  // namespace brivak::platform
