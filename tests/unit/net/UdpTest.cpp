#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "NetTestSupport.h"
#include "proj/net/UdpDiscoveryEndpoint.h"
#include "proj/net/UdpEventSender.h"

namespace brivak::net {
namespace {

using namespace nettest;

class DiscoveryTest : public ::testing::Test {
 protected:
  void Start() {
    UdpDiscoveryOptions options;
    options.address = "127.0.0.1";
    options.port = 0;
    endpoint_ = std::make_unique<UdpDiscoveryEndpoint>(
        io_, log_,
        [this] {
          std::lock_guard lock(mutex_);
          return localIP_;
        },
        options);
    const StartResult started = endpoint_->Start();
    ASSERT_TRUE(started) << started.error;
    port_ = endpoint_->LocalPort();
    ASSERT_NE(port_, 0);
    ioThread_.Run();
  }
  void TearDown() override {
    ioThread_.Stop();
    endpoint_.reset();
  }
  void SetLocalIP(std::string ip) {
    std::lock_guard lock(mutex_);
    localIP_ = std::move(ip);
  }

  std::mutex mutex_;
  std::string localIP_ = "7.1.2.3";
  boost::asio::io_context io_;
  WaitableLog log_;
  std::unique_ptr<UdpDiscoveryEndpoint> endpoint_;
  IoThread ioThread_{io_};
  std::uint16_t port_ = 0;
};

TEST_F(DiscoveryTest, QueryIsAnsweredWithOneByteToTheSendersPort) {
  Start();
  UdpPeer manager;
  manager.SendTo(port_, "/query?sendto=127.0.9.9");
  const auto answer = manager.Receive();
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->bytes, "7");
  EXPECT_EQ(answer->fromPort, port_);
  EXPECT_FALSE(manager.Pending());
  const std::string from = "127.0.0.1";
  EXPECT_TRUE(log_.WaitFor("debug:UDP: Received \"/query?sendto=127.0.9.9\" from " + from + " on port " +
                           std::to_string(manager.Port())));
  EXPECT_TRUE(log_.WaitFor("mem:Query accepted, replying to 127.0.0.1"));
  EXPECT_TRUE(log_.WaitFor("debug:binding ip: 127.0.0.1 / local ip 7.1.2.3"));
}

TEST_F(DiscoveryTest, OnlyDatagramsAskingQueryAreAnswered) {
  Start();
  UdpPeer manager;
  // Ignored datagrams first; the endpoint handles datagrams in order, so when the answer to the
  // last one arrives, any answer to the earlier ones would have come before it.
  manager.SendTo(port_, "hello");
  manager.SendTo(port_, "/QUERY?sendto=x");
  manager.SendTo(port_, "/query");
  SetLocalIP("");
  manager.SendTo(port_, "/query?no local address");
  ASSERT_TRUE(log_.WaitFor("mem:Query accepted, replying to 127.0.0.1"));
  SetLocalIP("9.8.7.6");
  manager.SendTo(port_, "text before /query? and after");
  const auto answer = manager.Receive();
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->bytes, "9");
  EXPECT_FALSE(manager.Pending());
  EXPECT_EQ(log_.Count("mem:Query accepted, replying to 127.0.0.1"), 2u);
  EXPECT_EQ(log_.Count("debug:UDP: Received \"hello\" from 127.0.0.1 on port " + std::to_string(manager.Port())), 1u);
}

TEST_F(DiscoveryTest, LongDatagramIsCutAndTheEndpointGoesOn) {
  Start();
  UdpPeer manager;
  manager.SendTo(port_, std::string(UdpDiscoveryEndpoint::kMaxDatagram, 'x') + "/query?");
  manager.SendTo(port_, "/query?");
  const auto answer = manager.Receive();
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->bytes, "7");
  EXPECT_FALSE(manager.Pending()) << "the cut datagram lost its /query?";
  EXPECT_EQ(log_.Count("debug:UDP: Received \"" + std::string(UdpDiscoveryEndpoint::kMaxDatagram, 'x') +
                       "\" from 127.0.0.1 on port " + std::to_string(manager.Port())),
            1u);
}

TEST(Discovery, BusyPortIsReported) {
  boost::asio::io_context io;
  WaitableLog log;
  UdpDiscoveryOptions options;
  options.address = "127.0.0.1";
  options.port = 0;
  UdpDiscoveryEndpoint first(io, log, [] { return std::string("1.2.3.4"); }, options);
  ASSERT_TRUE(first.Start());
  options.port = first.LocalPort();
  UdpDiscoveryEndpoint second(io, log, [] { return std::string("1.2.3.4"); }, options);
  const StartResult result = second.Start();
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("cannot bind UDP 127.0.0.1:" + std::to_string(options.port)), std::string::npos)
      << result.error;
}

class EventSenderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ioThread_.Stop();
    sender_.reset();
  }
  void Start() {
    UdpEventSenderOptions options;
    options.port = station_.Port();
    sender_ = std::make_unique<UdpEventSender>(io_, log_, options);
    ioThread_.Run();
  }

  UdpPeer station_;
  boost::asio::io_context io_;
  WaitableLog log_;
  std::unique_ptr<UdpEventSender> sender_;
  IoThread ioThread_{io_};
};

TEST_F(EventSenderTest, DeliversTheDatagramToTheMasterStation) {
  Start();
  sender_->Send("127.0.0.1", "/se:Incorrect password entered");
  sender_->Send("127.0.0.1", "/pe:");
  const auto first = station_.Receive();
  const auto second = station_.Receive();
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_EQ(first->bytes, "/se:Incorrect password entered");
  EXPECT_EQ(second->bytes, "/pe:");
}

TEST_F(EventSenderTest, InvalidMasterIPSendsNothing) {
  Start();
  for (const char* bad : {"", "localhost", "127.0.0.1 ", "127.1", "::1", "0.0.0.0", "127.0.0.1:8778"}) {
    sender_->Send(bad, "/se:bad");
    EXPECT_TRUE(log_.WaitFor("debug:UDP SEND skipped, MasterIP is not an IPv4 address: \"" + std::string(bad) + "\""))
        << bad;
  }
  sender_->Send("127.0.0.1", "/se:good");
  const auto received = station_.Receive();
  ASSERT_TRUE(received);
  EXPECT_EQ(received->bytes, "/se:good");
  EXPECT_FALSE(station_.Pending());
}

}  // namespace
}  // namespace brivak::net
