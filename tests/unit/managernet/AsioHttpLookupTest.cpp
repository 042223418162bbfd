#include "manager/net/AsioHttpLookup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>

#include "ManagerNetSupport.h"
#include "proj/net/HttpCommandServer.h"

namespace brivak::manager::net {
namespace {

using namespace manager::nettest;
using Outcome = HttpLookupResult::Outcome;

HttpLookupRequest Request(std::uint16_t port, std::string target = "/query?s_username=a&s_password=b&params=",
                          std::chrono::milliseconds connect = 2000ms, std::chrono::milliseconds read = 4000ms) {
  HttpLookupRequest request;
  request.host = "127.0.0.1";
  request.port = port;
  request.target = std::move(target);
  request.connectTimeout = connect;
  request.readTimeout = read;
  return request;
}

// A port on which nothing listens: bound once, then released.
std::uint16_t ClosedPort() {
  boost::asio::io_context io;
  boost::asio::ip::tcp::acceptor acceptor(io, {boost::asio::ip::make_address_v4("127.0.0.1"), 0});
  return acceptor.local_endpoint().port();
}

class LookupTest : public ::testing::Test {
 protected:
  void SetUp() override { ioThread_.Run(); }
  void TearDown() override {
    lookup_.reset();
    ioThread_.Stop();
  }
  // Returns once everything posted to the io thread before the call has run.
  void Drain() {
    std::promise<void> done;
    boost::asio::post(io_, [&] { done.set_value(); });
    done.get_future().wait();
  }
  void Make(HttpLookupOptions options = {}) {
    lookup_ = std::make_unique<AsioHttpLookup>(
        io_, [this](std::uint64_t id, const HttpLookupResult& result) { results_.Add(id, result); }, options);
  }

  boost::asio::io_context io_;
  IoThread ioThread_{io_};
  ResultCollector results_;
  std::unique_ptr<AsioHttpLookup> lookup_;
};

TEST_F(LookupTest, ReplyOfTheLockersCommandServer) {
  boost::asio::io_context serverIo;
  brivak::nettest::ScriptedHandler handler;
  handler.reply = [](const core::HttpRequest&) {
    core::HttpReply r;
    r.status = 200;
    r.reason = "OK";
    r.form = core::ReplyForm::Page;
    r.body = "<computername>one</computername>";
    return r;
  };
  WaitableLog serverLog;
  brivak::net::HttpServerOptions options;
  options.address = "127.0.0.1";
  options.port = 0;
  brivak::net::HttpCommandServer server(serverIo, handler, serverLog, options);
  ASSERT_TRUE(server.Start());
  IoThread serverThread(serverIo);
  serverThread.Run();

  Make();
  lookup_->Start(7, Request(server.LocalPort()));
  ASSERT_TRUE(results_.WaitForCount(1));
  const HttpLookupResult result = results_.Results().at(7);
  EXPECT_EQ(result.outcome, Outcome::Ok) << result.error;
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body, "<computername>one</computername>");
  const auto requests = handler.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/query?s_username=a&s_password=b&params=");
  serverThread.Stop();
}

TEST_F(LookupTest, HttpErrorStatusIsDeliveredAsIs) {
  HoldingServer server;
  server.Release("HTTP/1.1 403 Forbidden\r\nContent-Length: 6\r\n\r\ndenied");
  Make();
  lookup_->Start(1, Request(server.Port()));
  ASSERT_TRUE(results_.WaitForCount(1));
  const HttpLookupResult result = results_.Results().at(1);
  EXPECT_EQ(result.outcome, Outcome::Ok);
  EXPECT_EQ(result.status, 403);
  EXPECT_EQ(result.body, "denied");
}

TEST_F(LookupTest, SilentServerEndsInAReadTimeoutWithWhatArrived) {
  HoldingServer server("127.0.0.1", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial");
  Make();
  const auto started = std::chrono::steady_clock::now();
  lookup_->Start(3, Request(server.Port(), "/query", 2000ms, 300ms));
  ASSERT_TRUE(results_.WaitForCount(1, 5s));
  const auto took = std::chrono::steady_clock::now() - started;
  const HttpLookupResult result = results_.Results().at(3);
  EXPECT_EQ(result.outcome, Outcome::ReadTimeout);
  EXPECT_EQ(result.error, "Read timed out");
  EXPECT_EQ(result.body, "partial");
  EXPECT_GE(took, 300ms);
  EXPECT_LT(took, 2000ms) << "the read time-out, not the connect time-out, ended it";
  EXPECT_TRUE(server.WaitForOpen(0)) << "the client closed the connection";
}

TEST_F(LookupTest, FailuresAreDeliveredLaterWithTheirReason) {
  Make();
  HttpLookupRequest badHost = Request(80);
  badHost.host = "localhost";
  lookup_->Start(1, Request(ClosedPort()));
  lookup_->Start(2, badHost);
  ASSERT_TRUE(results_.WaitForCount(2));
  const auto results = results_.Results();
  EXPECT_EQ(results.at(1).outcome, Outcome::Failed);
  EXPECT_FALSE(results.at(1).error.empty());
  EXPECT_EQ(results.at(2).outcome, Outcome::Failed);
  EXPECT_EQ(results.at(2).error, "Invalid address localhost:80");
}

TEST_F(LookupTest, ReplyOverTheLimitFails) {
  HoldingServer server;
  server.Release(OkReplyBytes(std::string(5000, 'x')));
  HttpLookupOptions options;
  options.maxReplyBytes = 4096;
  Make(options);
  lookup_->Start(1, Request(server.Port()));
  ASSERT_TRUE(results_.WaitForCount(1));
  const HttpLookupResult result = results_.Results().at(1);
  EXPECT_EQ(result.outcome, Outcome::Failed) << result.status << " " << result.body.size();
}

TEST_F(LookupTest, AtMostTwentyConnectionsAtOnce) {
  HoldingServer server;
  Make();
  constexpr std::size_t kLookups = 50;
  for (std::uint64_t id = 1; id <= kLookups; ++id) lookup_->Start(id, Request(server.Port()));
  Drain();  // every Start has reached the io thread
  // Three waves: 20, 20 and 10 connections, each held until the client's own count is seen.
  std::size_t delivered = 0;
  for (const std::size_t wave : {20u, 20u, 10u}) {
    ASSERT_TRUE(results_.WaitForCount(delivered));
    ASSERT_TRUE(server.WaitForUnanswered(wave)) << "unanswered " << server.Unanswered();
    EXPECT_EQ(lookup_->InFlight(), wave);
    EXPECT_EQ(lookup_->Queued(), kLookups - delivered - wave);
    server.ReleaseHeld(OkReplyBytes("<computername>x</computername>"));
    delivered += wave;
  }
  ASSERT_TRUE(results_.WaitForCount(kLookups));
  EXPECT_EQ(server.MaxUnanswered(), 20u);
  for (const auto& [id, result] : results_.Results()) EXPECT_EQ(result.outcome, Outcome::Ok) << id << result.error;
  EXPECT_EQ(lookup_->InFlight(), 0u);
  EXPECT_EQ(lookup_->Queued(), 0u);
}

TEST_F(LookupTest, QueuedLookupsWaitForAFreeSlot) {
  HoldingServer server;
  HttpLookupOptions options;
  options.maxInFlight = 2;
  Make(options);
  for (std::uint64_t id = 1; id <= 5; ++id) lookup_->Start(id, Request(server.Port()));
  Drain();
  ASSERT_TRUE(server.WaitForUnanswered(2));
  EXPECT_EQ(lookup_->InFlight(), 2u);
  EXPECT_EQ(lookup_->Queued(), 3u);
  // A cancelled queued lookup never connects; the others go on.
  lookup_->Cancel(5);
  server.Release(OkReplyBytes("ok"));
  ASSERT_TRUE(results_.WaitForCount(4));
  EXPECT_TRUE(server.WaitForAccepted(4));
  const auto results = results_.Results();
  EXPECT_EQ(results.count(5), 0u);
  EXPECT_EQ(results.size(), 4u);
}

TEST_F(LookupTest, CancelClosesTheConnectionAndDeliversNothing) {
  HoldingServer server;
  Make();
  for (std::uint64_t id = 1; id <= 3; ++id) lookup_->Start(id, Request(server.Port()));
  ASSERT_TRUE(server.WaitForOpen(3));
  lookup_->Cancel(2);
  ASSERT_TRUE(server.WaitForOpen(2));
  lookup_->CancelAll();
  ASSERT_TRUE(server.WaitForOpen(0));
  // Anything after the cancellations is still served, so a late delivery would show up here.
  server.Release(OkReplyBytes("ok"));
  lookup_->Start(9, Request(server.Port()));
  ASSERT_TRUE(results_.WaitForCount(1));
  const auto results = results_.Results();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results.begin()->first, 9u);
}

TEST_F(LookupTest, DestroyingWhileLookupsRunNeitherHangsNorDelivers) {
  HoldingServer server;
  Make();
  for (std::uint64_t id = 1; id <= 30; ++id) lookup_->Start(id, Request(server.Port(), "/query", 10000ms, 10000ms));
  ASSERT_TRUE(server.WaitForOpen(20));
  const auto started = std::chrono::steady_clock::now();
  lookup_.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  EXPECT_TRUE(server.WaitForOpen(0));
  EXPECT_EQ(results_.Deliveries(), 0u);
  EXPECT_EQ(server.MaxUnanswered(), 20u);
}

TEST_F(LookupTest, ShutdownFromInsideTheDeliveryIsSafe) {
  HoldingServer server;
  server.Release(OkReplyBytes("ok"));
  std::atomic<int> calls{0};
  lookup_ = std::make_unique<AsioHttpLookup>(io_, [&](std::uint64_t id, const HttpLookupResult& result) {
    ++calls;
    lookup_->Shutdown();
    results_.Add(id, result);
  });
  for (std::uint64_t id = 1; id <= 5; ++id) lookup_->Start(id, Request(server.Port()));
  ASSERT_TRUE(results_.WaitForCount(1));
  EXPECT_TRUE(server.WaitForOpen(0));
  Drain();
  EXPECT_EQ(calls.load(), 1);
}

}  // namespace
}  // namespace brivak::manager::net
