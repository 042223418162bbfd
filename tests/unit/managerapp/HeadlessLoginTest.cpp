#include "manager/app/HeadlessLogin.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "manager/app/HeadlessOptions.h"
#include "support/TempDir.h"

namespace brivak::manager::app {
namespace {

TEST(HeadlessLoginTest, ParsesTwoLinesAndRefusesOtherShapes) {
  struct Case {
    std::string text;
    bool ok;
  };
  for (const Case& c : std::vector<Case>{{"admin\npw 1\n", true},
                                         {"admin\r\npw 1\r\n", true},
                                         {"admin\npw 1", true},
                                         {"admin\n", false},
                                         {"\npw\n", false},
                                         {"a\nb\nc\n", false},
                                         {"", false}}) {
    const LoginRead read = ParseLoginText(c.text);
    EXPECT_EQ(read.pair.has_value(), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(read.pair->user, "admin");
      EXPECT_EQ(read.pair->password, "pw 1");
    } else {
      EXPECT_FALSE(read.error.empty());
    }
  }
}

TEST(HeadlessLoginTest, LoginFileMustBeReadableOnlyByItsOwner) {
  test::TempDir dir;
  const std::string path = dir / "login";
  std::ofstream(path) << "admin\npw\n";
  for (mode_t mode : {0640, 0604, 0660, 0700 | 0001}) {
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    const LoginRead read = ReadLoginFile(path);
    EXPECT_FALSE(read.pair) << std::oct << mode;
    EXPECT_NE(read.error.find("chmod 600"), std::string::npos) << read.error;
  }
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  const LoginRead read = ReadLoginFile(path);
  ASSERT_TRUE(read.pair) << read.error;
  EXPECT_EQ(read.pair->password, "pw");
  EXPECT_FALSE(ReadLoginFile(dir / "missing").pair);
}

TEST(HeadlessOptionsTest, ReadsFlagsWithOneOrTwoDashes) {
  const auto line = ParseManagerCommandLine({"--headless", "-login", "/x", "-set", "udptimeout=300", "-set",
                                             "broadcastip=127.255.255.255", "-eventport", "0", "-nodiscover"});
  EXPECT_TRUE(line.error.empty()) << line.error;
  EXPECT_TRUE(line.headless);
  EXPECT_EQ(line.loginFile, "/x");
  ASSERT_EQ(line.settings.size(), 2u);
  EXPECT_EQ(line.settings[1], (std::pair<std::string, std::string>{"broadcastip", "127.255.255.255"}));
  EXPECT_EQ(line.eventPort, 0);
  EXPECT_TRUE(line.noInitialDiscovery);
  for (const auto& bad : std::vector<std::vector<std::string>>{{"-login"}, {"-set", "novalue"}, {"-eventport", "70000"}, {"-what"}})
    EXPECT_FALSE(ParseManagerCommandLine(bad).error.empty()) << bad.front();
}

}  // namespace
}  // namespace brivak::manager::app
