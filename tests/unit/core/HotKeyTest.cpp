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

namespace brivak::core {
namespace {

GeneralSettings Combination(bool ctrl, bool alt, bool shift, bool win, int index) {
  GeneralSettings g;
  g.hkCtrl = ctrl;
  g.hkAlt = alt;
  g.hkShift = shift;
  g.hkWin = win;
  g.hkHotKeyIndex = index;
  return g;
}

TEST(HotKeyText, KeyIndexToVKAndStr) {
  EXPECT_EQ(KeyIndexToVK(0), 65);
  EXPECT_EQ(KeyIndexToVK(18), 83);
  EXPECT_EQ(KeyIndexToVK(25), 90);
  for (const int bad : {-1, 26, 99}) {
    EXPECT_EQ(KeyIndexToVK(bad), kVkNone) << bad;
    std::string text = "keep";
    KeyIndexToStr(bad, text);
    EXPECT_EQ(text, "keep") << bad;
  }
  std::string text = "keep";
  KeyIndexToStr(2, text);
  EXPECT_EQ(text, "C");
}

TEST(HotKeyText, GetHotKeyTextFollowsTheModifiers) {
  struct Case {
    GeneralSettings g;
    std::string text;
  };
  const Case cases[] = {
      {Combination(true, true, false, false, 18), "Ctrl + Alt + S"},
      {Combination(false, false, false, false, 0), "A"},
      {Combination(true, true, true, true, 25), "Ctrl + Alt + Shift + Win + Z"},
      {Combination(false, true, false, true, 11), "Alt + Win + L"},
      {Combination(true, false, false, false, 26), "Ctrl + "},
  };
  for (const Case& c : cases) EXPECT_EQ(GetHotKeyText(c.g), c.text);
}

TEST(HotKeyItems, DefaultsRegisterCtrlAltSAsIdZero) {
  EXPECT_EQ(HotKeyItems(Combination(true, true, false, false, 18), false),
            (std::vector<HotKeyItem>{{0, 83, kModControl | kModAlt}}));
  EXPECT_EQ(HotKeyItems(Combination(false, false, true, true, 0), false),
            (std::vector<HotKeyItem>{{0, 65, kModShift | kModWin}}));
  EXPECT_EQ(HotKeyItems(Combination(false, false, false, false, 2), false),
            (std::vector<HotKeyItem>{{0, 67, 0}}));
}

TEST(HotKeyItems, DebugModeAddsAltEscapeAsIdOne) {
  EXPECT_EQ(HotKeyItems(Combination(true, true, false, false, 18), true),
            (std::vector<HotKeyItem>{{0, 83, kModControl | kModAlt}, {1, kVkEscape, kModAlt}}));
}

TEST(HotKeyItems, IndexOutsideAToZRegistersNothing) {
  for (const int bad : {-1, 26, 1000}) {
    EXPECT_TRUE(HotKeyItems(Combination(true, true, false, false, bad), false).empty()) << bad;
    EXPECT_EQ(HotKeyItems(Combination(true, true, false, false, bad), true),
              (std::vector<HotKeyItem>{{1, kVkEscape, kModAlt}}))
        << bad;
  }
}

TEST(HotKeyX11, KeysymAndMasksWithLockVariants) {
  const std::optional<X11HotKey> ctrlAltS = ToX11HotKey({0, 83, kModControl | kModAlt});
  ASSERT_TRUE(ctrlAltS);
  EXPECT_EQ(ctrlAltS->keysym, static_cast<std::uint32_t>('s'));
  EXPECT_EQ(ctrlAltS->masks, (std::array<std::uint32_t, 4>{12, 14, 28, 30}));

  const std::optional<X11HotKey> all = ToX11HotKey({0, 65, kModShift | kModControl | kModAlt | kModWin});
  ASSERT_TRUE(all);
  EXPECT_EQ(all->keysym, static_cast<std::uint32_t>('a'));
  EXPECT_EQ(all->masks[0], 1u + 4u + 8u + 64u);

  const std::optional<X11HotKey> escape = ToX11HotKey({1, kVkEscape, kModAlt});
  ASSERT_TRUE(escape);
  EXPECT_EQ(escape->keysym, 0xff1bu);
  EXPECT_EQ(escape->masks[0], 8u);

  // A key code of 0 (or anything unsupported) is never turned into a grab of every key.
  EXPECT_EQ(ToX11HotKey({0, kVkNone, kModControl}), std::nullopt);
  EXPECT_EQ(ToX11HotKey({0, 112, 0}), std::nullopt);
}

}  // namespace
}  // namespace brivak::core
