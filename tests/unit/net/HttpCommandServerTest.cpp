#include "proj/net/HttpCommandServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "NetTestSupport.h"

namespace brivak::net {
namespace {

using namespace nettest;
using core::HttpReply;
using core::HttpRequest;
using core::ReplyForm;

const std::string kStatusOnlyOk =
    "HTTP/1.1 200 OK\r\nServer: Brivak3\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";

HttpServerOptions TestOptions() {
  HttpServerOptions options;
  options.address = "127.0.0.1";
  options.port = 0;
  return options;
}

// A server on 127.0.0.1 with a free port, its io thread, the handler and the log.
class ServerTest : public ::testing::Test {
 protected:
  void Start(HttpServerOptions options = TestOptions()) {
    server_ = std::make_unique<HttpCommandServer>(io_, handler_, log_, std::move(options));
    const StartResult started = server_->Start();
    ASSERT_TRUE(started) << started.error;
    port_ = server_->LocalPort();
    ASSERT_NE(port_, 0);
    ioThread_.Run();
  }
  void TearDown() override {
    ioThread_.Stop();
    server_.reset();
  }

  // One request on a fresh connection; the whole reply up to the server's close.
  std::string Exchange(const std::string& request, const std::string& source = "127.0.0.1") {
    RawClient client(port_, source);
    EXPECT_TRUE(client.Send(request));
    RawClient::Received r = client.ReadAll();
    EXPECT_TRUE(r.ended) << "the server closes after the reply";
    return r.bytes;
  }

  boost::asio::io_context io_;
  ScriptedHandler handler_;
  WaitableLog log_;
  std::unique_ptr<HttpCommandServer> server_;
  IoThread ioThread_{io_};
  std::uint16_t port_ = 0;
};

TEST_F(ServerTest, StatusOnlyReplyBytesAndTheRequestTheHandlerSaw) {
  Start();
  EXPECT_EQ(Exchange("GET /?s_username=a&s_password=b HTTP/1.1\r\nHost: x\r\n\r\n"), kStatusOnlyOk);
  const auto requests = handler_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/?s_username=a&s_password=b");
  EXPECT_EQ(requests[0].remoteAddress, "127.0.0.1");
  EXPECT_TRUE(log_.WaitFor("debug:frmBrivak:httpConnect"));
  EXPECT_TRUE(log_.WaitFor("debug:frmBrivak:httpDisconnect"));
}

TEST_F(ServerTest, PageReplyBytesWithoutContentTypeAndHeadWithoutBody) {
  const std::string page = "<HTML><BODY><B>200 unlocking</B></BODY></HTML>\r\n";
  handler_.reply = [&](const HttpRequest&) {
    HttpReply r;
    r.reason = "unlocking";
    r.form = ReplyForm::Page;
    r.body = page;
    return r;
  };
  Start();
  const std::string head =
      "HTTP/1.1 200 unlocking\r\nServer: Brivak3\r\nConnection: close\r\nContent-Length: 48\r\n\r\n";
  EXPECT_EQ(Exchange("GET /unlock HTTP/1.1\r\n\r\n"), head + page);
  EXPECT_EQ(Exchange("HEAD /unlock HTTP/1.1\r\n\r\n"), head);
  EXPECT_EQ(handler_.Requests().at(1).method, "HEAD");
}

TEST_F(ServerTest, DeclaredContentTypeAndNosniff) {
  handler_.reply = [](const HttpRequest&) {
    HttpReply r;
    r.reason = "OK";
    r.form = ReplyForm::Page;
    r.body = "x";
    r.contentType = "text/plain";
    r.nosniff = true;
    return r;
  };
  Start();
  EXPECT_EQ(Exchange("GET / HTTP/1.0\r\n\r\n"),
            "HTTP/1.1 200 OK\r\nServer: Brivak3\r\nConnection: close\r\nContent-Type: text/plain\r\n"
            "X-Content-Type-Options: nosniff\r\nContent-Length: 1\r\n\r\nx");
}

TEST_F(ServerTest, PostFormBodyReachesTheHandler) {
  Start();
  const std::string body = "s_username=bob&s_password=p%26w";
  EXPECT_EQ(Exchange("POST /unlock HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                     std::to_string(body.size()) + "\r\n\r\n" + body),
            kStatusOnlyOk);
  // A client that waits for "100 Continue" gets it and then its answer.
  RawClient client(port_);
  ASSERT_TRUE(client.Send("POST /unlock HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n"));
  EXPECT_EQ(client.ReadSome(25), "HTTP/1.1 100 Continue\r\n\r\n");
  ASSERT_TRUE(client.Send("a=b"));
  EXPECT_EQ(client.ReadAll().bytes, kStatusOnlyOk);

  const auto requests = handler_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].contentType, "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[0].body, body);
  EXPECT_EQ(requests[1].body, "a=b");
}

TEST_F(ServerTest, RefusedRequestsGetTheirStatusAndTheServerGoesOn) {
  Start();
  struct Case {
    const char* name;
    std::string request;
    std::string statusLine;
  };
  const std::vector<Case> cases = {
      {"long request line", "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n", "HTTP/1.1 414 URI Too Long"},
      {"endless request line", "GET /" + std::string(40000, 'a'), "HTTP/1.1 414 URI Too Long"},
      {"large header", "GET / HTTP/1.1\r\n" + std::string(200, 'X') + ": " + std::string(17000, 'y') + "\r\n\r\n",
       "HTTP/1.1 431 Request Header Fields Too Large"},
      {"many fields", "GET / HTTP/1.1\r\n" + [] {
         std::string f;
         for (int i = 0; i < 400; ++i) f += "X-F" + std::to_string(i) + ": " + std::string(40, 'v') + "\r\n";
         return f;
       }() + "\r\n",
       "HTTP/1.1 431 Request Header Fields Too Large"},
      {"large body", "POST / HTTP/1.1\r\nContent-Length: 70000\r\n\r\n" + std::string(70000, 'b'),
       "HTTP/1.1 413 Payload Too Large"},
      {"garbage", "\x01\x02\x03 nonsense\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"bad field", "GET / HTTP/1.1\r\n: novalue\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"PUT", "PUT / HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 405 Method Not Allowed"},
      {"unknown method", "FROB / HTTP/1.1\r\n\r\n", "HTTP/1.1 501 Not Implemented"},
  };
  for (const Case& c : cases) {
    const std::string reply = Exchange(c.request);
    EXPECT_EQ(reply.substr(0, reply.find("\r\n")), c.statusLine) << c.name;
    EXPECT_NE(reply.find("Server: Brivak3\r\n"), std::string::npos) << c.name;
  }
  EXPECT_TRUE(handler_.Requests().empty());
  EXPECT_EQ(Exchange("GET / HTTP/1.1\r\n\r\n"), kStatusOnlyOk);
}

TEST_F(ServerTest, HugeBodyIsRefusedWithoutBeingRead) {
  Start();
  RawClient client(port_);
  ASSERT_TRUE(client.Send("POST / HTTP/1.1\r\nContent-Length: 1000000000\r\n\r\n"));
  // The refusal comes although not one byte of the body was sent.
  const std::string reply = client.ReadAll().bytes;
  EXPECT_EQ(reply.substr(0, reply.find("\r\n")), "HTTP/1.1 413 Payload Too Large");
}

TEST_F(ServerTest, HandlerFailureBecomesStatus500WithItsMessage) {
  handler_.reply = [](const HttpRequest&) -> HttpReply { throw std::runtime_error("userlist.dat missing"); };
  Start();
  EXPECT_EQ(Exchange("GET /getuserlist HTTP/1.1\r\n\r\n"),
            "HTTP/1.1 500 Internal Server Error\r\nServer: Brivak3\r\nConnection: close\r\nContent-Length: 20\r\n\r\n"
            "userlist.dat missing");
  EXPECT_TRUE(log_.WaitFor("debug:frmBrivak:httpException: userlist.dat missing"));
}

TEST_F(ServerTest, ReadDeadlineEndsIdleAndTricklingClients) {
  HttpServerOptions options = TestOptions();
  options.readDeadline = 300ms;
  Start(options);
  RawClient idle(port_);
  RawClient trickling(port_);
  const auto start = Clock::now();
  // A byte every 50 ms does not extend the deadline.
  bool trickleEnded = false;
  while (!trickleEnded && Clock::now() - start < 3s) {
    trickleEnded = !trickling.Send("G") || trickling.ReadAll(50ms).ended;
  }
  const auto trickleTime = Clock::now() - start;
  const RawClient::Received idleEnd = idle.ReadAll(3s);
  EXPECT_TRUE(trickleEnded);
  EXPECT_GE(trickleTime, 300ms);
  EXPECT_LT(trickleTime, 2s);
  EXPECT_TRUE(idleEnd.ended);
  EXPECT_EQ(idleEnd.bytes, "");
  EXPECT_TRUE(handler_.Requests().empty());
}

TEST_F(ServerTest, DelayHoldsOnlyItsOwnReply) {
  constexpr auto kDelay = 700ms;
  handler_.reply = [&](const HttpRequest& request) {
    HttpReply r;
    r.reason = request.target == "/slow" ? "slow" : "fast";
    if (request.target == "/slow") r.delay = kDelay;
    return r;
  };
  Start();
  RawClient slow(port_);
  const auto start = Clock::now();
  ASSERT_TRUE(slow.Send("GET /slow HTTP/1.1\r\n\r\n"));
  // Handled (and now waiting) before the fast request starts.
  ASSERT_TRUE(handler_.WaitForCount(1));
  const std::string fast = Exchange("GET /fast HTTP/1.1\r\n\r\n");
  const auto fastDone = Clock::now() - start;
  const std::string slowReply = slow.ReadAll().bytes;
  const auto slowDone = Clock::now() - start;
  EXPECT_EQ(fast.substr(0, 17), "HTTP/1.1 200 fast");
  EXPECT_EQ(slowReply.substr(0, 17), "HTTP/1.1 200 slow");
  EXPECT_LT(fastDone, kDelay);
  EXPECT_GE(slowDone, kDelay);
}

TEST_F(ServerTest, PerAddressCapRefusesTheFifthButServesOthers) {
  HttpServerOptions options = TestOptions();
  options.isExempt = [](const boost::asio::ip::address& a) { return a.to_string() == "127.0.0.1"; };
  Start(options);
  std::vector<std::unique_ptr<RawClient>> idle;
  for (int i = 0; i < 4; ++i) idle.push_back(std::make_unique<RawClient>(port_, "127.0.0.2"));
  ASSERT_TRUE(log_.WaitFor("debug:frmBrivak:httpConnect", 4));
  const std::string refused = Exchange("GET / HTTP/1.1\r\n\r\n", "127.0.0.2");
  EXPECT_EQ(refused.substr(0, refused.find("\r\n")), "HTTP/1.1 503 Service Unavailable");
  EXPECT_EQ(Exchange("GET / HTTP/1.1\r\n\r\n", "127.0.0.3"), kStatusOnlyOk);
  // The exempt address has no per-address cap.
  std::vector<std::unique_ptr<RawClient>> local;
  for (int i = 0; i < 5; ++i) local.push_back(std::make_unique<RawClient>(port_, "127.0.0.1"));
  EXPECT_EQ(Exchange("GET / HTTP/1.1\r\n\r\n", "127.0.0.1"), kStatusOnlyOk);
  EXPECT_EQ(handler_.Requests().size(), 2u);
}

TEST_F(ServerTest, WholeLoopbackRangeIsExemptByDefault) {
  Start();
  std::vector<std::unique_ptr<RawClient>> idle;
  for (int i = 0; i < 6; ++i) idle.push_back(std::make_unique<RawClient>(port_, "127.0.0.2"));
  ASSERT_TRUE(log_.WaitFor("debug:frmBrivak:httpConnect", 6));
  EXPECT_EQ(Exchange("GET / HTTP/1.1\r\n\r\n", "127.0.0.2"), kStatusOnlyOk);
}

TEST_F(ServerTest, TenIdleConnectionsNeverKeepTheLocalUnlockWaiting) {
  HttpServerOptions options = TestOptions();
  options.isExempt = [](const boost::asio::ip::address& a) { return a.to_string() == "127.0.0.1"; };
  Start(options);
  std::vector<std::unique_ptr<RawClient>> idle;
  for (const char* source : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
    for (int i = 0; i < 4 && idle.size() < 10; ++i) idle.push_back(std::make_unique<RawClient>(port_, source));
  }
  ASSERT_EQ(idle.size(), 10u);
  ASSERT_TRUE(log_.WaitFor("debug:frmBrivak:httpConnect", 10));

  // Full: one more from elsewhere is turned away at once.
  const std::string refused = Exchange("GET / HTTP/1.1\r\n\r\n", "127.0.0.5");
  EXPECT_EQ(refused.substr(0, refused.find("\r\n")), "HTTP/1.1 503 Service Unavailable");

  const auto start = Clock::now();
  RawClient unlock(port_, "127.0.0.1");
  ASSERT_TRUE(unlock.Send("POST /unlock HTTP/1.1\r\nContent-Length: 25\r\n\r\ns_username=a&s_password=b"));
  const RawClient::Received reply = unlock.ReadAll(2s);
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_EQ(reply.bytes, kStatusOnlyOk);
  // The oldest waiting connection made room.
  const RawClient::Received displaced = idle.front()->ReadAll(2s);
  EXPECT_TRUE(displaced.ended);
  EXPECT_EQ(displaced.bytes, "");
}

TEST_F(ServerTest, SlowedDownGuessesNeverKeepTheLocalUnlockWaiting) {
  handler_.reply = [](const HttpRequest& request) {
    HttpReply r;
    r.reason = "incorrect password";
    if (request.remoteAddress != "127.0.0.1") r.delay = 30s;
    return r;
  };
  HttpServerOptions options = TestOptions();
  options.isExempt = [](const boost::asio::ip::address& a) { return a.to_string() == "127.0.0.1"; };
  Start(options);
  std::vector<std::unique_ptr<RawClient>> guessers;
  for (const char* source : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
    for (int i = 0; i < 4 && guessers.size() < 10; ++i) {
      guessers.push_back(std::make_unique<RawClient>(port_, source));
      ASSERT_TRUE(guessers.back()->Send("GET /query?s_password=guess HTTP/1.1\r\n\r\n"));
    }
  }
  ASSERT_TRUE(handler_.WaitForCount(10));

  // The last reply may still be on its way from the handler to its delay: until it gets there the
  // server is full of busy connections and turns the newcomer away. Try again within the deadline.
  const auto start = Clock::now();
  std::string reply;
  do {
    RawClient unlock(port_, "127.0.0.1");
    ASSERT_TRUE(unlock.Send("GET /unlock HTTP/1.1\r\n\r\n"));
    reply = unlock.ReadAll(2s).bytes;
  } while (reply.starts_with("HTTP/1.1 503") && Clock::now() - start < 2s);
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_EQ(reply.substr(0, 31), "HTTP/1.1 200 incorrect password");
}

TEST_F(ServerTest, BusyPortIsReportedAndNothingListens) {
  HttpCommandServer first(io_, handler_, log_, TestOptions());
  ASSERT_TRUE(first.Start());
  HttpServerOptions options = TestOptions();
  options.port = first.LocalPort();
  HttpCommandServer second(io_, handler_, log_, options);
  const StartResult result = second.Start();
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("cannot bind 127.0.0.1:" + std::to_string(options.port)), std::string::npos)
      << result.error;
  EXPECT_EQ(second.LocalPort(), 0);
  EXPECT_EQ(log_.Count("debug:frmBrivak:httpListenException"), 1u);
  EXPECT_FALSE(second.Start()) << "still busy";

  HttpServerOptions bad = TestOptions();
  bad.address = "not-an-address";
  HttpCommandServer third(io_, handler_, log_, bad);
  EXPECT_FALSE(third.Start());
  EXPECT_FALSE(first.Start()) << "already listening";
}

}  // namespace
}  // namespace brivak::net
