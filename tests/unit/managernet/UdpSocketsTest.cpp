#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "ManagerNetSupport.h"
#include "manager/core/EventDatagram.h"
#include "manager/net/AsioDatagramPort.h"
#include "manager/net/EventListener.h"
#include "proj/core/RemoteRequest.h"
#include "proj/net/UdpEventSender.h"

namespace brivak::manager::net {
namespace {

using namespace manager::nettest;

struct Datagram {
  std::string bytes, address;
  std::uint16_t port = 0;
};

// Datagrams handed over on the io thread; the test waits for them.
class Inbox {
 public:
  void Add(std::string_view bytes, const std::string& address, std::uint16_t port) {
    std::lock_guard lock(mutex_);
    items_.push_back({std::string(bytes), address, port});
    changed_.notify_all();
  }
  bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return items_.size() >= count; });
  }
  std::vector<Datagram> Items() const {
    std::lock_guard lock(mutex_);
    return items_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Datagram> items_;
};

class UdpSocketsTest : public ::testing::Test {
 protected:
  void SetUp() override { ioThread_.Run(); }
  void TearDown() override { ioThread_.Stop(); }

  boost::asio::io_context io_;
  IoThread ioThread_{io_};
  Inbox inbox_;
};

TEST_F(UdpSocketsTest, AnswersComeBackToTheSocketThatSentTheQuery) {
  DatagramPortOptions options;
  options.bindAddress = "127.0.0.1";
  AsioDatagramPort port(
      io_, [this](const std::string& address, std::uint16_t from, std::string_view bytes) { inbox_.Add(bytes, address, from); },
      options);
  ASSERT_TRUE(port.Open());
  ASSERT_NE(port.LocalPort(), 0);
  brivak::nettest::UdpPeer locker;
  ASSERT_TRUE(port.Send("127.0.0.1", locker.Port(), "/query?sendto=127.0.0.1"));
  const auto query = locker.Receive();
  ASSERT_TRUE(query);
  EXPECT_EQ(query->bytes, "/query?sendto=127.0.0.1");
  EXPECT_EQ(query->fromPort, port.LocalPort());
  locker.SendTo(query->fromPort, "1");
  ASSERT_TRUE(inbox_.WaitForCount(1));
  const Datagram answer = inbox_.Items()[0];
  EXPECT_EQ(answer.bytes, "1");
  EXPECT_EQ(answer.address, "127.0.0.1");
  EXPECT_EQ(answer.port, locker.Port());
}

TEST_F(UdpSocketsTest, SendRefusesBadTargetsAndAClosedSocket) {
  AsioDatagramPort port(io_, {}, {"127.0.0.1", 0, true});
  EXPECT_FALSE(port.Send("127.0.0.1", 9, "x")) << "not open yet";
  ASSERT_TRUE(port.Open());
  EXPECT_FALSE(port.Open()) << "already open";
  for (const auto& [address, target] : std::vector<std::pair<std::string, int>>{
           {"localhost", 9}, {"127.0.0.1 ", 9}, {"127.1", 9}, {"127.0.0.1", 0}, {"127.0.0.1", 65536}}) {
    EXPECT_FALSE(port.Send(address, target, "x")) << address << ":" << target;
    EXPECT_FALSE(port.LastError().empty());
  }
  port.Close();
  EXPECT_FALSE(port.Send("127.0.0.1", 9, "x"));
  EXPECT_EQ(port.LastError(), "the UDP socket is not open");
}

TEST_F(UdpSocketsTest, EventListenerReceivesTheLockersSecurityEvent) {
  EventListener listener(
      io_, 0, [this](std::string_view bytes, const std::string& address, std::uint16_t from) { inbox_.Add(bytes, address, from); },
      "127.0.0.1");
  ASSERT_TRUE(listener.Start());
  WaitableLog lockerLog;
  brivak::net::UdpEventSenderOptions options;
  options.port = listener.LocalPort();
  brivak::net::UdpEventSender sender(io_, lockerLog, options);
  sender.Send("127.0.0.1", core::SecurityEventDatagram("Incorrect password entered"));
  sender.Send("127.0.0.1", core::PowerEventDatagram("standby"));
  ASSERT_TRUE(inbox_.WaitForCount(2));
  const auto items = inbox_.Items();
  EXPECT_EQ(items[0].bytes, "/se:Incorrect password entered");
  EXPECT_EQ(items[0].address, "127.0.0.1");
  EXPECT_NE(items[0].port, 0);
  EXPECT_EQ(EventDatagramLine(items[0].bytes, items[0].address, items[0].port),
            "UDP: Security Event: From 127.0.0.1:" + std::to_string(items[0].port) + " : Incorrect password entered");
  EXPECT_EQ(items[1].bytes, "/pe:standby");
}

TEST_F(UdpSocketsTest, EventListenerOnABusyPortSaysWhy) {
  EventListener first(io_, 0, {}, "127.0.0.1");
  ASSERT_TRUE(first.Start());
  EventListener second(io_, first.LocalPort(), {}, "127.0.0.1");
  const StartResult result = second.Start();
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("cannot bind UDP 127.0.0.1:" + std::to_string(first.LocalPort())), std::string::npos)
      << result.error;
  EXPECT_EQ(second.LocalPort(), 0);
}

TEST_F(UdpSocketsTest, NothingIsHandedOverAfterStop) {
  EventListener listener(
      io_, 0, [this](std::string_view bytes, const std::string& address, std::uint16_t from) { inbox_.Add(bytes, address, from); },
      "127.0.0.1");
  ASSERT_TRUE(listener.Start());
  const std::uint16_t port = listener.LocalPort();
  brivak::nettest::UdpPeer locker;
  locker.SendTo(port, "/se:one");
  ASSERT_TRUE(inbox_.WaitForCount(1));
  listener.Stop();
  EXPECT_EQ(listener.LocalPort(), 0);
  // The port is free again: a new listener takes it and gets the next datagram, the old one nothing.
  Inbox second;
  EventListener again(
      io_, port, [&](std::string_view bytes, const std::string& address, std::uint16_t from) { second.Add(bytes, address, from); },
      "127.0.0.1");
  ASSERT_TRUE(again.Start());
  locker.SendTo(port, "/se:two");
  ASSERT_TRUE(second.WaitForCount(1));
  EXPECT_EQ(second.Items()[0].bytes, "/se:two");
  EXPECT_EQ(inbox_.Items().size(), 1u);
}

}  // namespace
}  // namespace brivak::manager::net
