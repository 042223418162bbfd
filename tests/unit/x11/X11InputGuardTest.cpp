#include "platform/linux/X11InputGuard.h"

#include <gtest/gtest.h>

#include "tests/unit/x11/X11TestSupport.h"

namespace brivak::platform {
namespace {

using namespace x11test;

// Another client's attempt at the keyboard; on success it lets go again at once.
int OtherGrabsKeyboard(Display* other) {
  const int status = XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync,
                                   GrabModeAsync, CurrentTime);
  if (status == GrabSuccess) XUngrabKeyboard(other, CurrentTime);
  XSync(other, False);
  return status;
}

int OtherGrabsPointer(Display* other) {
  const int status = XGrabPointer(other, DefaultRootWindow(other), False, ButtonPressMask,
                                  GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  if (status == GrabSuccess) XUngrabPointer(other, CurrentTime);
  XSync(other, False);
  return status;
}

TEST(X11InputGuard, TakeOnRootKeepsOthersOutUntilRelease) {
  auto guard = X11InputGuard::Open();
  X11DisplayPtr other = Connect();
  ASSERT_TRUE(guard && other);

  const GrabReport taken = guard->Take(kRootWindow);
  EXPECT_TRUE(taken.AllHeld());
  EXPECT_EQ(guard->State(), taken);
  EXPECT_EQ(OtherGrabsKeyboard(other.get()), AlreadyGrabbed);
  EXPECT_EQ(OtherGrabsPointer(other.get()), AlreadyGrabbed);

  guard->Release();
  EXPECT_EQ(guard->State(), GrabReport{});
  EXPECT_EQ(OtherGrabsKeyboard(other.get()), GrabSuccess);
  EXPECT_EQ(OtherGrabsPointer(other.get()), GrabSuccess);
}

TEST(X11InputGuard, DestructionReleasesTheGrabs) {
  X11DisplayPtr other = Connect();
  ASSERT_TRUE(other);
  {
    auto guard = X11InputGuard::Open();
    ASSERT_TRUE(guard && guard->Take(kRootWindow).AllHeld());
    EXPECT_EQ(OtherGrabsKeyboard(other.get()), AlreadyGrabbed);
  }
  EXPECT_EQ(OtherGrabsKeyboard(other.get()), GrabSuccess);
  EXPECT_EQ(OtherGrabsPointer(other.get()), GrabSuccess);
}

// Another client holds one of the devices: the guard reports it, takes the other device, and
// takes the missing one on a retry once the other client lets go.
struct HeldElsewhereCase {
  const char* name;
  bool keyboard;
  friend void PrintTo(const HeldElsewhereCase& heldCase, std::ostream* out) {
    *out << heldCase.name;
  }
};

class X11InputGuardHeldElsewhere : public testing::TestWithParam<HeldElsewhereCase> {};

TEST_P(X11InputGuardHeldElsewhere, RefusedThenRetrySucceedsAfterRelease) {
  const bool keyboard = GetParam().keyboard;
  auto guard = X11InputGuard::Open();
  X11DisplayPtr holder = Connect();
  ASSERT_TRUE(guard && holder);
  Display* h = holder.get();
  const Window root = DefaultRootWindow(h);
  const int held = keyboard ? XGrabKeyboard(h, root, False, GrabModeAsync, GrabModeAsync, 0)
                            : XGrabPointer(h, root, False, ButtonPressMask, GrabModeAsync,
                                           GrabModeAsync, None, None, 0);
  ASSERT_EQ(held, GrabSuccess);

  const GrabReport refused = guard->Take(kRootWindow);
  EXPECT_EQ(refused.keyboard, keyboard ? GrabStatus::HeldElsewhere : GrabStatus::Held);
  EXPECT_EQ(refused.pointer, keyboard ? GrabStatus::Held : GrabStatus::HeldElsewhere);
  EXPECT_EQ(guard->Retry(), refused);  // still held elsewhere

  if (keyboard) {
    XUngrabKeyboard(h, CurrentTime);
  } else {
    XUngrabPointer(h, CurrentTime);
  }
  XSync(h, False);
  EXPECT_TRUE(guard->Retry().AllHeld());
  EXPECT_EQ(keyboard ? OtherGrabsKeyboard(h) : OtherGrabsPointer(h), AlreadyGrabbed);
}

INSTANTIATE_TEST_SUITE_P(Devices, X11InputGuardHeldElsewhere,
                         testing::Values(HeldElsewhereCase{"Keyboard", true},
                                         HeldElsewhereCase{"Pointer", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(X11InputGuard, WindowNotYetShownIsRetriedOnceMapped) {
  auto guard = X11InputGuard::Open();
  X11DisplayPtr ui = Connect();
  ASSERT_TRUE(guard && ui);
  const Window window = MakeWindow(ui.get(), false);

  const GrabReport early = guard->Take(window);
  EXPECT_EQ(early.keyboard, GrabStatus::NotViewable);
  EXPECT_EQ(early.pointer, GrabStatus::NotViewable);

  XMapWindow(ui.get(), window);
  XEvent event;
  ASSERT_TRUE(WaitFor([&] { return XCheckTypedWindowEvent(ui.get(), window, MapNotify, &event); },
                      ConnectionNumber(ui.get())));
  EXPECT_TRUE(guard->Retry().AllHeld());
  EXPECT_EQ(OtherGrabsKeyboard(ui.get()), AlreadyGrabbed);
}

TEST(X11InputGuard, BadWindowIsReportedNotFatal) {
  auto guard = X11InputGuard::Open();
  ASSERT_TRUE(guard);
  // An id no client owns: the server answers BadWindow, which Xlib's default handler would
  // turn into the end of the process.
  const GrabReport report = guard->Take(0x7fffff00);
  EXPECT_EQ(report.keyboard, GrabStatus::Failed);
  EXPECT_EQ(report.pointer, GrabStatus::Failed);
  EXPECT_TRUE(guard->Take(kRootWindow).AllHeld());  // the connection is still usable
}

TEST(X11InputGuard, RetryWithoutTakeTriesNothing) {
  auto guard = X11InputGuard::Open();
  X11DisplayPtr other = Connect();
  ASSERT_TRUE(guard && other);
  EXPECT_EQ(guard->Retry(), GrabReport{});
  EXPECT_EQ(OtherGrabsKeyboard(other.get()), GrabSuccess);
}

// The lock screen's password box needs the keys: on a borrowed connection the grabbed keys still
// reach that connection's window.
TEST(X11InputGuard, BorrowedConnectionStillReceivesTheKeys) {
  X11DisplayPtr ui = Connect();
  X11DisplayPtr driver = Connect();
  ASSERT_TRUE(ui && driver);
  const Window window = MakeWindow(ui.get(), true, KeyPressMask);
  auto guard = X11InputGuard::Borrow(ui.get());
  ASSERT_TRUE(guard);
  ASSERT_TRUE(guard->Take(window).AllHeld());
  EXPECT_EQ(OtherGrabsKeyboard(driver.get()), AlreadyGrabbed);

  PressCombo(driver.get(), {}, XK_a);
  XEvent event;
  ASSERT_TRUE(WaitFor([&] { return XCheckTypedWindowEvent(ui.get(), window, KeyPress, &event); },
                      ConnectionNumber(ui.get())));
  EXPECT_EQ(event.xkey.keycode, Code(ui.get(), XK_a));
  guard.reset();
  EXPECT_EQ(OtherGrabsKeyboard(driver.get()), GrabSuccess);
}

}  // namespace
}  // namespace brivak::platform
