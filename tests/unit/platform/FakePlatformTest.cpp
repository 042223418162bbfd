#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/fake/FakeInstanceHub.h"
#include "platform/fake/FakePaths.h"
#include "platform/fake/FakeSystemInfo.h"
#include "platform/fake/MemoryRegistryStore.h"

namespace brivak::platform {
namespace {

using namespace std::chrono_literals;

constexpr InstanceMessage kGotoFront{1147, 0, 0};
constexpr InstanceMessage kActivate{12346, 51, 6998};

TEST(FakeInstanceHub, FirstLockWinsUntilItsOwnerIsGone) {
  FakeInstanceHub hub;
  auto first = hub.MakeLock();
  auto second = hub.MakeLock();
  EXPECT_FALSE(hub.LockHeld());
  EXPECT_TRUE(first->TryAcquire());
  EXPECT_TRUE(first->TryAcquire());
  EXPECT_FALSE(second->TryAcquire());
  first.reset();
  EXPECT_TRUE(second->TryAcquire());
  EXPECT_TRUE(hub.LockHeld());
}

TEST(FakeInstanceHub, UnavailableLockLetsEveryoneStart) {
  FakeInstanceHub hub;
  hub.SetLockUnavailable(true);
  auto first = hub.MakeLock();
  auto second = hub.MakeLock();
  EXPECT_TRUE(first->TryAcquire());
  EXPECT_TRUE(second->TryAcquire());
}

TEST(FakeInstanceHub, SendDeliversSynchronouslyOnTheCallersThread) {
  FakeInstanceHub hub;
  auto instance = hub.MakeChannel();
  auto sender = hub.MakeChannel();
  EXPECT_EQ(sender->Send(kGotoFront, 1s), SendResult::NoInstance);

  std::vector<InstanceMessage> handled;
  std::thread::id handlerThread;
  ASSERT_TRUE(instance->Listen([&](const InstanceMessage& m) {
    handled.push_back(m);
    handlerThread = std::this_thread::get_id();
  }));
  EXPECT_TRUE(hub.Listening());
  EXPECT_FALSE(sender->Listen([](const InstanceMessage&) {}));  // one listener per hub
  EXPECT_EQ(sender->Send(kActivate, 1s), SendResult::Delivered);
  EXPECT_EQ(handled, std::vector<InstanceMessage>{kActivate});
  EXPECT_EQ(handlerThread, std::this_thread::get_id());

  hub.SetUnresponsive(true);
  EXPECT_EQ(sender->Send(kGotoFront, 1s), SendResult::TimedOut);
  EXPECT_EQ(handled.size(), 1u);
  hub.SetUnresponsive(false);

  instance.reset();  // destruction stops listening
  EXPECT_EQ(sender->Send(kGotoFront, 1s), SendResult::NoInstance);

  const std::vector<FakeInstanceHub::SentRecord> sent = hub.Sent();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].result, SendResult::NoInstance);
  EXPECT_EQ(sent[1].message, kActivate);
  EXPECT_EQ(sent[1].result, SendResult::Delivered);
  EXPECT_EQ(sent[2].result, SendResult::TimedOut);
  EXPECT_EQ(sent[3].result, SendResult::NoInstance);
}

TEST(FakeInstanceHub, StopListeningWaitsForARunningHandler) {
  FakeInstanceHub hub;
  auto instance = hub.MakeChannel();
  std::mutex mutex;
  std::condition_variable changed;
  bool entered = false;
  bool release = false;
  std::atomic<bool> finished{false};
  ASSERT_TRUE(instance->Listen([&](const InstanceMessage&) {
    std::unique_lock lock(mutex);
    entered = true;
    changed.notify_all();
    changed.wait(lock, [&] { return release; });
    finished = true;
  }));
  std::thread sender([&] { hub.MakeChannel()->Send(kGotoFront, 1s); });
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return entered; }));
  }
  std::atomic<bool> stopping{false};
  std::thread stopper([&] {
    stopping = true;
    instance->StopListening();
    EXPECT_TRUE(finished.load());  // no handler runs after StopListening returns
  });
  while (!stopping.load()) std::this_thread::yield();
  {
    std::lock_guard lock(mutex);
    release = true;
    changed.notify_all();
  }
  stopper.join();
  sender.join();
}

TEST(MemoryRegistryStore, RoundTripAndFailures) {
  MemoryRegistryStore store;
  store.Modify([](IniDocument& doc) { doc.Write("Brivak 3.0\\General", "multiUser", "1"); });
  EXPECT_EQ(store.Snapshot().ReadString("Brivak 3.0\\General", "multiUser", ""), "1");
  EXPECT_EQ(store.WriteCount(), 1);

  store.FailNextWrite();
  EXPECT_THROW(store.Modify([](IniDocument& doc) { doc.Write("Brivak 3.0\\General", "multiUser", "0"); }),
               std::runtime_error);
  EXPECT_THROW(store.Modify([](IniDocument& doc) {
    doc.Write("Brivak 3.0\\General", "multiUser", "0");
    throw std::runtime_error("change failed");
  }),
               std::runtime_error);
  EXPECT_EQ(store.Snapshot().ReadString("Brivak 3.0\\General", "multiUser", ""), "1");
  EXPECT_EQ(store.WriteCount(), 1);

  store.Modify(
      [](IniDocument& doc) { doc.Write("Brivak 3.0\\General", "multiUser", "0"); });  // switch was reset
  EXPECT_EQ(store.Snapshot().ReadString("Brivak 3.0\\General", "multiUser", ""), "0");
}

TEST(MemoryRegistryStore, ConcurrentModifyLosesNothing) {
  MemoryRegistryStore store;
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&store] {
      for (int r = 0; r < 100; ++r) {
        store.Modify([](IniDocument& doc) { doc.WriteInteger("s", "n", doc.ReadInteger("s", "n", 0) + 1); });
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(store.Snapshot().ReadInteger("s", "n", 0), 400);
}

TEST(FakePaths, MissingDataRootThrowsTheFolderMessage) {
  FakePaths paths;
  paths.dataRoot = "/tmp/x";
  EXPECT_EQ(paths.DataRoot(), "/tmp/x");
  paths.dataRootMissing = true;
  try {
    paths.DataRoot();
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Could not find MyDocuments folder location.");
  }
}

TEST(FakeSystemInfo, Defaults) {
  const FakeSystemInfo info;
  EXPECT_EQ(info.HostName(), "TESTHOST");
  EXPECT_EQ(info.LocalIPv4(), "127.0.0.1");
  EXPECT_EQ(info.FirstAdapterMac(), "020000000001");
  EXPECT_EQ(info.UserName(), "tester");
  EXPECT_EQ(info.WorkGroup(), "(n/a)");
  EXPECT_FALSE(info.IsAdmin());
  EXPECT_FALSE(info.IsUserAdmin());
  EXPECT_FALSE(info.IsAdminOld());
}

}  // namespace
}  // namespace brivak::platform
