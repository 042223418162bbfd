#include "manager/core/Discovery.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fake/FakeClock.h"
#include "proj/core/RemoteParams.h"
#include "unit/common/RecordingLogSink.h"
#include "unit/manager/LookupFakes.h"

namespace brivak::manager {
namespace {

using test::Deliver;
using test::FakeHttpLookup;
using test::OkReply;

class RecordingListener : public DiscoveryListener {
 public:
  void RemoveUnanswered(const std::vector<std::string>& answered) override { removals.push_back(answered); }
  void DiscoveryFinished(bool complete) override { finished.push_back(complete); }
  std::vector<std::vector<std::string>> removals;
  std::vector<bool> finished;
};

class DiscoveryTest : public ::testing::Test {
 protected:
  DiscoveryTest() {
    lookups.SetCredentials({"admin", "pw"});
    settings.broadcastAddress = "127.255.255.255";
    settings.ownAddress = "127.0.0.1";
    settings.listenWindow = std::chrono::milliseconds(1000);
    settings.maxDuration = std::chrono::milliseconds(60000);
  }

  // Delivers a status reply for every running lookup, as lockers answering "/query".
  void AnswerAllQueries() {
    while (http.InFlight() > 0) {
      const auto [id, request] = *http.Running().begin();
      Deliver(http, lookups, id, OkReply("<computername>pc-" + request.host + "</computername>"));
    }
  }

  platform::FakeClock clock;
  FakeHttpLookup http;
  test::RecordingSink sink;
  brivak::test::RecordingLogSink log;
  test::RecordingDatagrams udp;
  RecordingListener listener;
  StatusLookups lookups{http, clock, sink, log};
  Discovery discovery{udp, lookups, clock, listener, log};
  DiscoverySettings settings;
};

TEST_F(DiscoveryTest, BroadcastsTheQueryToTheSettableAddress) {
  ASSERT_EQ(discovery.Start(settings), Discovery::StartResult::Started);
  ASSERT_EQ(udp.sent.size(), 1u);
  EXPECT_EQ(udp.sent[0].address, "127.255.255.255");
  EXPECT_EQ(udp.sent[0].port, 8777);
  EXPECT_EQ(udp.sent[0].bytes, "/query?sendto=127.0.0.1");
  EXPECT_EQ(discovery.CurrentPhase(), Discovery::Phase::Listening);
  EXPECT_EQ(discovery.NextDeadlineMs(), clock.MonotonicMs() + 1000);
}

TEST_F(DiscoveryTest, DuplicateAnswersCountOnceAndInvalidSendersAreIgnored) {
  discovery.Start(settings);
  for (const char* sender : {"127.0.0.2", "127.0.0.3", "127.0.0.2", "not-an-ip", "127.0.0.3", "127.0.0.4"}) {
    discovery.OnDatagram(sender, "1");
  }
  EXPECT_EQ(discovery.Answered(), (std::vector<std::string>{"127.0.0.2", "127.0.0.3", "127.0.0.4"}));
  clock.Advance(1000);
  discovery.Tick();
  const std::vector<std::string> mem = log.Channel("mem");
  EXPECT_NE(std::find(mem.begin(), mem.end(), "Found 3 good IP addresses:"), mem.end());
  // One status query per address, with the credentials in the query.
  ASSERT_EQ(http.Started().size(), 3u);
  for (const auto& [id, request] : http.Started()) {
    EXPECT_EQ(core::RequestPath(request.target), "/query");
    core::HttpRequest parsed{"GET", request.target, "", "", ""};
    EXPECT_EQ(core::RequestParams::FromRequest(parsed).Get("s_username"), "admin");
    EXPECT_EQ(request.port, 8777);
  }
}

TEST_F(DiscoveryTest, SilentLockersAreRemovedWhenTheWindowEnds) {
  discovery.Start(settings);
  discovery.OnDatagram("127.0.0.5", "1");
  clock.Advance(999);
  discovery.Tick();
  EXPECT_TRUE(listener.removals.empty());  // still listening
  clock.Advance(1);
  discovery.Tick();
  ASSERT_EQ(listener.removals.size(), 1u);
  EXPECT_EQ(listener.removals[0], std::vector<std::string>{"127.0.0.5"});
  // An answer after the window is too late.
  discovery.OnDatagram("127.0.0.6", "1");
  EXPECT_EQ(discovery.Answered().size(), 1u);
}

TEST_F(DiscoveryTest, NoAnswerRemovesEveryRecordAndEnds) {
  discovery.Start(settings);
  clock.Advance(1000);
  discovery.Tick();
  ASSERT_EQ(listener.removals.size(), 1u);
  EXPECT_TRUE(listener.removals[0].empty());
  EXPECT_EQ(listener.finished, std::vector<bool>{true});
  EXPECT_FALSE(discovery.Running());
  const std::vector<std::string> mem = log.Channel("mem");
  EXPECT_NE(std::find(mem.begin(), mem.end(), "Found 0 good IP addresses:"), mem.end());
}

TEST_F(DiscoveryTest, AFailedBroadcastRemovesNothing) {
  udp.result = false;
  EXPECT_EQ(discovery.Start(settings), Discovery::StartResult::SendFailed);
  EXPECT_FALSE(discovery.Running());
  clock.Advance(5000);
  discovery.Tick();
  EXPECT_TRUE(listener.removals.empty());
}

TEST_F(DiscoveryTest, ReEntryIsRefusedUntilEveryQueryIsHandled) {
  discovery.Start(settings);
  discovery.OnDatagram("127.0.0.2", "1");
  EXPECT_EQ(discovery.Start(settings), Discovery::StartResult::AlreadyRunning);
  clock.Advance(1000);
  discovery.Tick();
  EXPECT_EQ(discovery.CurrentPhase(), Discovery::Phase::Querying);
  EXPECT_EQ(discovery.Start(settings), Discovery::StartResult::AlreadyRunning);
  EXPECT_EQ(udp.sent.size(), 1u);  // no second broadcast
  AnswerAllQueries();
  EXPECT_FALSE(discovery.Running());
  EXPECT_EQ(listener.finished, std::vector<bool>{true});
  ASSERT_EQ(sink.replies.size(), 1u);
  EXPECT_EQ(sink.replies[0].first, "127.0.0.2");
  EXPECT_EQ(discovery.Start(settings), Discovery::StartResult::Started);
}

TEST_F(DiscoveryTest, AtMostTwentyQueriesRunAtOnce) {
  discovery.Start(settings);
  for (int i = 1; i <= 50; ++i) discovery.OnDatagram("127.0.1." + std::to_string(i), "1");
  clock.Advance(1000);
  discovery.Tick();
  EXPECT_EQ(http.InFlight(), 20u);
  EXPECT_EQ(lookups.Queued(), 30u);
  AnswerAllQueries();
  EXPECT_EQ(http.MaxInFlight(), 20u);
  EXPECT_EQ(http.Started().size(), 50u);
  EXPECT_EQ(sink.replies.size(), 50u);
  EXPECT_EQ(listener.finished, std::vector<bool>{true});
}

TEST_F(DiscoveryTest, FailedAndStrangeRepliesAreLoggedNotApplied) {
  discovery.Start(settings);
  for (const char* a : {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"}) discovery.OnDatagram(a, "1");
  clock.Advance(1000);
  discovery.Tick();
  std::map<std::string, std::uint64_t> ids;
  for (const auto& [id, request] : http.Running()) ids[request.host] = id;
  Deliver(http, lookups, ids["127.0.0.2"], test::FailedReply(HttpLookupResult::Outcome::ConnectTimeout));
  Deliver(http, lookups, ids["127.0.0.3"], OkReply("hello"));
  HttpLookupResult refused = OkReply("<computername>x</computername>");
  refused.status = 500;
  Deliver(http, lookups, ids["127.0.0.4"], refused);
  Deliver(http, lookups, ids["127.0.0.5"], test::FailedReply(HttpLookupResult::Outcome::Failed, "Connection refused"));
  EXPECT_TRUE(sink.replies.empty());
  const std::vector<std::string> mem = log.Channel("mem");
  for (const char* line : {"Connection timed out (127.0.0.2)", "IP address 127.0.0.3 sent a strange response:", "hello",
                           "HTTP error 500 (127.0.0.4)", "Connection refused (127.0.0.5)", "Discovery complete."}) {
    EXPECT_NE(std::find(mem.begin(), mem.end(), line), mem.end()) << line;
  }
  EXPECT_FALSE(discovery.Running());
}

TEST_F(DiscoveryTest, AHangingQueryIsAbandonedAfterItsTimeOuts) {
  lookups.SetTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(3000)});
  discovery.Start(settings);
  discovery.OnDatagram("127.0.0.2", "1");
  clock.Advance(1000);
  discovery.Tick();
  ASSERT_EQ(http.InFlight(), 1u);
  const std::uint64_t id = http.Running().begin()->first;
  EXPECT_EQ(http.Running().begin()->second.readTimeout, std::chrono::milliseconds(3000));
  clock.Advance(5999);
  lookups.Tick();
  EXPECT_TRUE(discovery.Running());
  clock.Advance(1);
  lookups.Tick();
  EXPECT_TRUE(http.Cancelled().count(id));
  EXPECT_FALSE(discovery.Running());
  // A late result of the abandoned lookup changes nothing.
  lookups.OnLookupDone(id, OkReply("<computername>late</computername>"));
  EXPECT_TRUE(sink.replies.empty());
}

// Thousands of answers are all kept (each address once); the queries still run 20 at a time,
// and the run is bounded in time.
TEST_F(DiscoveryTest, EveryAnswerIsKeptAndTheRunIsBoundedInTime) {
  settings.maxDuration = std::chrono::milliseconds(5000);
  discovery.Start(settings);
  for (int i = 0; i < 6000; ++i) {
    discovery.OnDatagram("127.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1), "1");
  }
  discovery.OnDatagram("127.1.0.1", "1");  // again: kept once
  EXPECT_EQ(discovery.Answered().size(), 6000u);
  clock.Advance(1000);
  discovery.Tick();
  EXPECT_EQ(http.InFlight(), 20u);
  clock.Advance(4000);
  discovery.Tick();
  EXPECT_FALSE(discovery.Running());
  EXPECT_EQ(listener.finished, std::vector<bool>{false});
  EXPECT_EQ(http.Cancelled().size(), 20u);
  EXPECT_EQ(lookups.InFlight(), 0u);
}

TEST_F(DiscoveryTest, StopDropsEverythingAndAllowsANewRun) {
  discovery.Start(settings);
  for (int i = 1; i <= 30; ++i) discovery.OnDatagram("127.0.3." + std::to_string(i), "1");
  clock.Advance(1000);
  discovery.Tick();
  discovery.Stop();
  EXPECT_EQ(lookups.InFlight(), 0u);
  EXPECT_EQ(lookups.Queued(), 0u);
  EXPECT_EQ(http.Cancelled().size(), 20u);
  EXPECT_EQ(discovery.Start(settings), Discovery::StartResult::Started);
}

TEST(DiscoveryLifetimeTest, DestroyingADiscoveryCancelsItsQueries) {
  platform::FakeClock clock;
  FakeHttpLookup http;
  test::RecordingSink sink;
  brivak::test::RecordingLogSink log;
  test::RecordingDatagrams udp;
  RecordingListener listener;
  StatusLookups lookups{http, clock, sink, log};
  {
    Discovery discovery{udp, lookups, clock, listener, log};
    DiscoverySettings settings;
    settings.broadcastAddress = "127.255.255.255";
    discovery.Start(settings);
    discovery.OnDatagram("127.0.0.2", "1");
    clock.Advance(1000);
    discovery.Tick();
    ASSERT_EQ(lookups.InFlight(), 1u);
  }
  EXPECT_EQ(lookups.InFlight(), 0u);
  EXPECT_EQ(http.Cancelled().size(), 1u);
}

}  // namespace
}  // namespace brivak::manager
