#include "platform/linux/X11HotkeyRegistrar.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/unit/x11/X11TestSupport.h"

namespace brivak::platform {
namespace {

using namespace x11test;

constexpr std::uint32_t kCtrlAlt = ControlMask | Mod1Mask;

class X11HotkeyRegistrarTest : public testing::Test {
 protected:
  void SetUp() override {
    registrar = X11HotkeyRegistrar::Open();
    driver = Connect();
    ASSERT_TRUE(registrar && driver);
    int event = 0, error = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(driver.get(), &event, &error, &major, &minor));
    registrar->SetCallback([this](int id) { fired.push_back(id); });
  }
  void TearDown() override {
    if (driver) EXPECT_TRUE(SetLocks(driver.get(), false, false));
  }
  // Pumps until `count` presses have arrived (or the deadline passes).
  bool PumpUntilFired(std::size_t count) {
    return WaitFor([&] {
      registrar->Pump();
      return fired.size() >= count;
    }, registrar->EventFd());
  }
  // Whether another client can grab the combination on the root (it lets go again at once).
  bool OtherCanGrab(KeySym key, unsigned int modifiers) {
    X11DisplayPtr other = Connect();
    X11ErrorTrap trap(other.get());
    const Window root = DefaultRootWindow(other.get());
    XGrabKey(other.get(), Code(other.get(), key), modifiers, root, False, GrabModeAsync,
             GrabModeAsync);
    const bool granted = trap.Sync() == 0;
    XUngrabKey(other.get(), Code(other.get(), key), modifiers, root);
    trap.Sync();
    return granted;
  }

  std::unique_ptr<X11HotkeyRegistrar> registrar;
  X11DisplayPtr driver;
  std::vector<int> fired;
};

struct LockCase {
  const char* name;
  bool capsLock;
  bool numLock;
  friend void PrintTo(const LockCase& lockCase, std::ostream* out) { *out << lockCase.name; }
};

class X11HotkeyLocks : public X11HotkeyRegistrarTest,
                       public testing::WithParamInterface<LockCase> {};

TEST_P(X11HotkeyLocks, RootGrabFiresOnSyntheticPress) {
  ASSERT_TRUE(registrar->Register(0, XK_s, kCtrlAlt));
  EXPECT_TRUE(registrar->IsRegistered(0));
  ASSERT_TRUE(SetLocks(driver.get(), GetParam().capsLock, GetParam().numLock));
  const unsigned int state = ModifierState(driver.get());
  ASSERT_EQ((state & LockMask) != 0, GetParam().capsLock);
  ASSERT_EQ((state & NumLockMask(driver.get())) != 0, GetParam().numLock);

  PressCombo(driver.get(), {XK_Control_L, XK_Alt_L}, XK_s);
  ASSERT_TRUE(PumpUntilFired(1));
  PressCombo(driver.get(), {XK_Control_L, XK_Alt_L}, XK_s);
  ASSERT_TRUE(PumpUntilFired(2));
  EXPECT_EQ(fired, (std::vector<int>{0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Locks, X11HotkeyLocks,
                         testing::Values(LockCase{"None", false, false},
                                         LockCase{"CapsLock", true, false},
                                         LockCase{"NumLock", false, true},
                                         LockCase{"Both", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(X11HotkeyRegistrarTest, EachCombinationReportsItsOwnId) {
  ASSERT_TRUE(registrar->Register(0, XK_s, kCtrlAlt));
  ASSERT_TRUE(registrar->Register(1, XK_Escape, Mod1Mask));
  ASSERT_TRUE(registrar->Register(2, XK_s, kCtrlAlt | ShiftMask));
  PressCombo(driver.get(), {XK_Alt_L}, XK_Escape);
  ASSERT_TRUE(PumpUntilFired(1));
  PressCombo(driver.get(), {XK_Control_L, XK_Alt_L, XK_Shift_L}, XK_s);
  ASSERT_TRUE(PumpUntilFired(2));
  PressCombo(driver.get(), {XK_Control_L, XK_Alt_L}, XK_s);
  ASSERT_TRUE(PumpUntilFired(3));
  EXPECT_EQ(fired, (std::vector<int>{1, 2, 0}));
}

// Another client grabbed only the plain combination: the registrar must not keep the CapsLock
// and NumLock variants it managed to grab.
TEST_F(X11HotkeyRegistrarTest, CombinationHeldByAnotherClientIsRefusedWhole) {
  X11DisplayPtr holder = Connect();
  ASSERT_TRUE(holder);
  const Window root = DefaultRootWindow(holder.get());
  XGrabKey(holder.get(), Code(holder.get(), XK_t), kCtrlAlt, root, False, GrabModeAsync,
           GrabModeAsync);
  XSync(holder.get(), False);

  EXPECT_FALSE(registrar->Register(0, XK_t, kCtrlAlt));
  EXPECT_FALSE(registrar->IsRegistered(0));
  const unsigned int numLock = NumLockMask(driver.get());
  EXPECT_TRUE(OtherCanGrab(XK_t, kCtrlAlt | LockMask));
  EXPECT_TRUE(OtherCanGrab(XK_t, kCtrlAlt | numLock));
  EXPECT_TRUE(OtherCanGrab(XK_t, kCtrlAlt | LockMask | numLock));
  EXPECT_FALSE(OtherCanGrab(XK_t, kCtrlAlt));  // the holder's grab is untouched

  // Once the holder has gone, the combination can be had.
  holder.reset();
  EXPECT_TRUE(registrar->Register(0, XK_t, kCtrlAlt));
  EXPECT_FALSE(OtherCanGrab(XK_t, kCtrlAlt | LockMask));
}

TEST_F(X11HotkeyRegistrarTest, UnregisterGivesTheCombinationBack) {
  ASSERT_TRUE(registrar->Register(0, XK_s, kCtrlAlt));
  EXPECT_FALSE(OtherCanGrab(XK_s, kCtrlAlt));
  EXPECT_FALSE(OtherCanGrab(XK_s, kCtrlAlt | LockMask));
  registrar->Unregister(0);
  EXPECT_FALSE(registrar->IsRegistered(0));
  EXPECT_TRUE(OtherCanGrab(XK_s, kCtrlAlt));
  EXPECT_TRUE(OtherCanGrab(XK_s, kCtrlAlt | LockMask));
  registrar->Unregister(0);  // harmless twice
}

TEST_F(X11HotkeyRegistrarTest, ReRegisteringAnIdReplacesItsCombination) {
  ASSERT_TRUE(registrar->Register(0, XK_s, kCtrlAlt));
  ASSERT_TRUE(registrar->Register(0, XK_l, kCtrlAlt));
  EXPECT_TRUE(OtherCanGrab(XK_s, kCtrlAlt));
  EXPECT_FALSE(OtherCanGrab(XK_l, kCtrlAlt));
}

TEST_F(X11HotkeyRegistrarTest, SharedCombinationStaysWhileAnotherIdHoldsIt) {
  ASSERT_TRUE(registrar->Register(0, XK_s, kCtrlAlt));
  ASSERT_TRUE(registrar->Register(1, XK_s, kCtrlAlt));
  registrar->Unregister(0);
  EXPECT_FALSE(OtherCanGrab(XK_s, kCtrlAlt));
  PressCombo(driver.get(), {XK_Control_L, XK_Alt_L}, XK_s);
  ASSERT_TRUE(PumpUntilFired(1));
  EXPECT_EQ(fired, std::vector<int>{1});
}

TEST_F(X11HotkeyRegistrarTest, DestructionGivesEverythingBack) {
  ASSERT_TRUE(registrar->Register(0, XK_s, kCtrlAlt));
  ASSERT_TRUE(registrar->Register(1, XK_Escape, Mod1Mask));
  registrar.reset();
  EXPECT_TRUE(OtherCanGrab(XK_s, kCtrlAlt));
  EXPECT_TRUE(OtherCanGrab(XK_Escape, Mod1Mask | LockMask));
}

// No key for the keysym: nothing may be grabbed (key code 0 is AnyKey, every key of the keyboard;
// NoSymbol matches keys with empty slots).
TEST_F(X11HotkeyRegistrarTest, KeysymWithoutKeyRegistersNothing) {
  EXPECT_FALSE(registrar->Register(0, NoSymbol, kCtrlAlt));
  EXPECT_FALSE(registrar->Register(1, XK_Hangul_Jeonja, kCtrlAlt));  // not on this keyboard
  EXPECT_FALSE(registrar->IsRegistered(0));
  EXPECT_FALSE(registrar->IsRegistered(1));
  EXPECT_TRUE(OtherCanGrab(XK_a, kCtrlAlt));
}

}  // namespace
}  // namespace brivak::platform
