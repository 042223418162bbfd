#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "proj/core/CommandQueue.h"

namespace brivak::core {
namespace {

LockCommand Word(const std::string& word) {
  return LockCommand{word, {}, {}};
}
LockCommand BadPass(const std::string& user) {
  return LockCommand{"badpass", user, {}};
}
LockCommand Message(const std::string& body) {
  return LockCommand{"remotemessage", {}, RemoteMessage{"boss", "subj", body, "b@x.org"}};
}

std::vector<std::string> Drain(CommandQueue& q) {
  std::vector<std::string> words;
  while (auto c = q.TryTake())
    words.push_back(c->word + (c->user.empty() ? "" : ":" + c->user) +
                    (c->message.body.empty() ? "" : ":" + c->message.body));
  return words;
}

TEST(RemoteCommandQueueTest, FirstInFirstOut) {
  CommandQueue q;
  EXPECT_TRUE(q.Post(Word("focus")));
  EXPECT_TRUE(q.Post(Message("one")));
  EXPECT_TRUE(q.Post(Word("shutdown")));
  EXPECT_EQ(Drain(q), (std::vector<std::string>{"focus", "remotemessage:one", "shutdown"}));
  EXPECT_EQ(q.TryTake(), std::nullopt);
}

TEST(RemoteCommandQueueTest, RepeatOfTheLastPendingIsDropped) {
  CommandQueue q;
  EXPECT_TRUE(q.Post(Word("shutdown")));
  EXPECT_FALSE(q.Post(Word("shutdown")));
  EXPECT_EQ(Drain(q), std::vector<std::string>{"shutdown"});
  // Only the last pending entry counts: a word further back may come again.
  EXPECT_TRUE(q.Post(Word("focus")));
  EXPECT_TRUE(q.Post(Word("options")));
  EXPECT_TRUE(q.Post(Word("focus")));
  EXPECT_EQ(Drain(q), (std::vector<std::string>{"focus", "options", "focus"}));
  // Once taken, the word may be posted again.
  EXPECT_TRUE(q.Post(Word("shutdown")));
  EXPECT_EQ(Drain(q), std::vector<std::string>{"shutdown"});
}

TEST(RemoteCommandQueueTest, EachMessageKeepsItsOwnTexts) {
  CommandQueue q;
  EXPECT_TRUE(q.Post(Message("first")));
  EXPECT_TRUE(q.Post(Message("second")));
  EXPECT_TRUE(q.Post(Message("second")));  // a message is never a repeat
  const auto first = q.TryTake();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->message, (RemoteMessage{"boss", "subj", "first", "b@x.org"}));
  EXPECT_EQ(Drain(q), (std::vector<std::string>{"remotemessage:second", "remotemessage:second"}));
}

TEST(RemoteCommandQueueTest, BadPassNeverDisplacesAnEndingLock) {
  CommandQueue q;
  EXPECT_TRUE(q.Post(BadPass("eve")));
  EXPECT_TRUE(q.Post(Word("shutdown")));
  EXPECT_FALSE(q.Post(BadPass("eve")));
  EXPECT_FALSE(q.Post(BadPass("mallory")));
  EXPECT_EQ(Drain(q), (std::vector<std::string>{"badpass:eve", "shutdown"}));

  EXPECT_TRUE(q.Post(Word("terminate")));
  EXPECT_FALSE(q.Post(BadPass("eve")));
  EXPECT_EQ(Drain(q), std::vector<std::string>{"terminate"});
}

TEST(RemoteCommandQueueTest, BadPassForAnotherUserIsKept) {
  CommandQueue q;
  EXPECT_TRUE(q.Post(BadPass("eve")));
  EXPECT_FALSE(q.Post(BadPass("eve")));
  EXPECT_TRUE(q.Post(BadPass("bob")));
  EXPECT_EQ(Drain(q), (std::vector<std::string>{"badpass:eve", "badpass:bob"}));
}

TEST(RemoteCommandQueueTest, BoundedButShutdownAndTerminateAlwaysGetIn) {
  CommandQueue q;
  for (std::size_t i = 0; i < CommandQueue::kMaxPending; ++i) {
    ASSERT_TRUE(q.Post(BadPass("u" + std::to_string(i))));
  }
  EXPECT_FALSE(q.Post(BadPass("one-more")));
  EXPECT_FALSE(q.Post(Message("lost in a flood")));
  EXPECT_TRUE(q.Post(Word("shutdown")));
  EXPECT_TRUE(q.Post(Word("terminate")));
  EXPECT_FALSE(q.Post(Word("shutdown")));  // already pending
  EXPECT_EQ(q.Size(), CommandQueue::kMaxPending + 2);
  const auto all = q.Clear();
  ASSERT_EQ(all.size(), CommandQueue::kMaxPending + 2);
  EXPECT_EQ(all.front().user, "u0");
  EXPECT_EQ(all[all.size() - 2].word, "shutdown");
  EXPECT_EQ(all.back().word, "terminate");
  EXPECT_EQ(q.Size(), 0u);
}

TEST(RemoteCommandQueueTest, PostsFromManyThreadsAreAllDelivered) {
  CommandQueue q;
  std::vector<std::thread> producers;
  for (int t = 0; t < 4; ++t) {
    producers.emplace_back([&q, t] {
      for (int i = 0; i < 10; ++i) q.Post(Message(std::to_string(t) + "-" + std::to_string(i)));
    });
  }
  std::vector<std::string> taken;
  std::thread consumer([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (taken.size() < 40 && std::chrono::steady_clock::now() < deadline) {
      if (auto c = q.TryTake())
        taken.push_back(c->message.body);
      else
        std::this_thread::yield();
    }
  });
  for (auto& p : producers) p.join();
  consumer.join();
  ASSERT_EQ(taken.size(), 40u);
  // Each producer's messages arrive in its own order.
  for (int t = 0; t < 4; ++t) {
    int next = 0;
    for (const std::string& body : taken) {
      if (body.starts_with(std::to_string(t) + "-"))
        EXPECT_EQ(body, std::to_string(t) + "-" + std::to_string(next++));
    }
    EXPECT_EQ(next, 10);
  }
}

}  // namespace
}  // namespace brivak::core
