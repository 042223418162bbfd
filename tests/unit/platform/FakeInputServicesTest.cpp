#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/fake/RecordingHotkeyRegistrar.h"
#include "platform/fake/RecordingInputGuard.h"
#include "platform/fake/SettableIdleSource.h"

namespace brivak::platform {
namespace {

TEST(RecordingInputGuard, RecordsCallsAndRetriesOnlyWhatIsMissing) {
  RecordingInputGuard guard;
  guard.SetKeyboardAnswer(GrabStatus::HeldElsewhere);
  const GrabReport first = guard.Take(42);
  EXPECT_EQ(first.keyboard, GrabStatus::HeldElsewhere);
  EXPECT_EQ(first.pointer, GrabStatus::Held);
  EXPECT_FALSE(first.AllHeld());

  guard.SetKeyboardAnswer(GrabStatus::Held);
  guard.SetPointerAnswer(GrabStatus::Frozen);  // must not touch the pointer grab already held
  EXPECT_TRUE(guard.Retry().AllHeld());

  guard.LoseGrabs();
  EXPECT_FALSE(guard.State().KeyboardHeld());
  guard.Release();
  EXPECT_EQ(guard.State(), GrabReport{});
  EXPECT_EQ(guard.Window(), 42u);
  EXPECT_EQ(guard.Calls(), (std::vector<std::string>{"take 42", "retry", "release"}));
}

TEST(RecordingInputGuard, RetryBeforeTakeTriesNothing) {
  RecordingInputGuard guard;
  EXPECT_EQ(guard.Retry(), GrabReport{});
}

TEST(RecordingHotkeyRegistrar, HeldCombinationIsRefusedAndPressesReachOnlyRegisteredIds) {
  RecordingHotkeyRegistrar registrar;
  std::vector<int> fired;
  registrar.SetCallback([&](int id) { fired.push_back(id); });
  registrar.HoldElsewhere('t', 12);
  EXPECT_FALSE(registrar.Register(0, 't', 12));
  EXPECT_FALSE(registrar.IsRegistered(0));
  EXPECT_FALSE(registrar.Register(1, 0, 12));  // no key
  EXPECT_TRUE(registrar.Register(2, 's', 12));
  EXPECT_EQ(registrar.RegisterCalls(), 3);

  registrar.Press('s', 12);
  registrar.Press('t', 12);
  EXPECT_TRUE(fired.empty());  // only Pump delivers
  EXPECT_EQ(registrar.Pump(), 1);
  EXPECT_EQ(fired, std::vector<int>{2});

  registrar.Unregister(2);
  registrar.Press('s', 12);
  EXPECT_EQ(registrar.Pump(), 0);
  EXPECT_EQ(registrar.EventFd(), -1);
}

TEST(RecordingHotkeyRegistrar, ReRegisteringAnIdReplacesItsCombination) {
  RecordingHotkeyRegistrar registrar;
  ASSERT_TRUE(registrar.Register(0, 's', 12));
  registrar.HoldElsewhere('l', 12);
  EXPECT_FALSE(registrar.Register(0, 'l', 12));
  EXPECT_TRUE(registrar.Registered().empty());
}

TEST(SettableIdleSource, SetAdvanceAndInputFromSeveralThreads) {
  SettableIdleSource idle;
  idle.Set(1000);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 100; ++i) idle.Advance(10);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(idle.IdleMs(), 5000u);
  idle.Input();
  EXPECT_EQ(idle.IdleMs(), 0u);
}

}  // namespace
}  // namespace brivak::platform
