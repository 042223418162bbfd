#include "proj/core/HotKey.h"

#include <gtest/gtest.h>

#include <string>

namespace brivak::core {
namespace {

TEST(DecodeHotKey, ShortcutTextGivesModifierFlagsAndKeyCode) {
  struct Case {
    std::string text;
    uint32_t mod;
    int32_t key;
  };
  const Case cases[] = {
      {"Ctrl+Alt+S", 3, 83},  {"Alt+Ctrl+S", 3, 83},      {"Shift+Ctrl+Alt+Z", 7, 90},
      {"Alt+Shift+1", 5, 49}, {"ctrl+ALT+q", 3, 81},      {"S", 0, 83},
      {"Shift+0", 4, 48},     {"Ctrl+Ctrl+A", 2, 65},     {"Alt+9", 1, 57},
  };
  for (const Case& c : cases) {
    GeneralSettings g;
    g.sHotKey = c.text;
    g.sHKmod = 49152;
    EXPECT_TRUE(DecodeHotKey(g)) << c.text;
    EXPECT_EQ(g.sHKmod, c.mod) << c.text;
    EXPECT_EQ(g.SHKid, c.key) << c.text;
    EXPECT_EQ(g.sHKvirt, c.key) << c.text;
  }
}

TEST(DecodeHotKey, OtherTextLeavesTheCompanionsUnchanged) {
  for (const std::string text :
       {"", "Ctrl+", "Ctrl+F1", "Win+S", "Ctrl+Alt+SS", "Ctrl + S", "Ctrl+Alt+?", "+S", "Ctrl-S"}) {
    GeneralSettings g;
    g.sHotKey = text;
    g.SHKid = 11;
    g.sHKvirt = 12;
    g.sHKmod = 13;
    EXPECT_FALSE(DecodeHotKey(g)) << text;
    EXPECT_EQ(g.SHKid, 11) << text;
    EXPECT_EQ(g.sHKvirt, 12) << text;
    EXPECT_EQ(g.sHKmod, 13u) << text;
  }
}

}  // namespace
}  // namespace brivak::core
