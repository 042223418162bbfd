#include "manager/net/DiscoveryDriver.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ManagerNetSupport.h"
#include "manager/net/AsioDatagramPort.h"
#include "manager/net/AsioHttpLookup.h"
#include "proj/core/RemoteStatus.h"
#include "proj/net/HttpCommandServer.h"
#include "proj/net/UdpDiscoveryEndpoint.h"

namespace brivak::manager::net {
namespace {

using namespace manager::nettest;

// The broadcast address the manager is set to; on the loopback a datagram to it reaches nobody,
// so the test's port hands it to each locker address in turn.
const std::string kBroadcast = "127.255.255.255";

class FanOutPort : public DatagramPort {
 public:
  FanOutPort(DatagramPort& inner, std::vector<std::string> lockers) : inner_(inner), lockers_(std::move(lockers)) {}
  bool Send(const std::string& address, int port, std::string_view bytes) override {
    if (address != kBroadcast) return inner_.Send(address, port, bytes);
    bool all = true;
    for (const std::string& locker : lockers_) all = inner_.Send(locker, port, bytes) && all;
    return all;
  }

 private:
  DatagramPort& inner_;
  std::vector<std::string> lockers_;
};

// Each test locker's command server has an endpoint of its own instead of port 8777 of its address.
struct Endpoint {
  std::string host;
  std::uint16_t port = 0;
};
class EndpointMapLookup : public HttpLookup {
 public:
  EndpointMapLookup(HttpLookup& inner, std::map<std::string, Endpoint> endpoints)
      : inner_(inner), endpoints_(std::move(endpoints)) {}
  void Start(std::uint64_t id, const HttpLookupRequest& request) override {
    HttpLookupRequest mapped = request;
    const auto it = endpoints_.find(request.host);
    if (it != endpoints_.end()) {
      mapped.host = it->second.host;
      mapped.port = it->second.port;
    }
    inner_.Start(id, mapped);
  }
  void Cancel(std::uint64_t id) override { inner_.Cancel(id); }

 private:
  HttpLookup& inner_;
  std::map<std::string, Endpoint> endpoints_;
};

// The inventory's side, called on the manager's io thread; the test waits on it.
class Inventory : public StatusReplySink, public DiscoveryListener {
 public:
  void StatusReply(const std::string& address, const std::string& reply) override {
    std::lock_guard lock(mutex_);
    replies_[address] = reply;
    changed_.notify_all();
  }
  void RemoveUnanswered(const std::vector<std::string>& answered) override {
    std::lock_guard lock(mutex_);
    answered_ = answered;
  }
  void DiscoveryFinished(bool complete) override {
    std::lock_guard lock(mutex_);
    finished_.push_back(complete);
    changed_.notify_all();
  }
  bool WaitFinished(std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return !finished_.empty(); });
  }
  std::map<std::string, std::string> Replies() const {
    std::lock_guard lock(mutex_);
    return replies_;
  }
  std::vector<std::string> Answered() const {
    std::lock_guard lock(mutex_);
    return answered_;
  }
  std::vector<bool> Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, std::string> replies_;
  std::vector<std::string> answered_;
  std::vector<bool> finished_;
};

// Runs `work` on the io thread and waits for its result.
template <typename F>
auto OnIoThread(boost::asio::io_context& io, F work) {
  std::packaged_task<decltype(work())()> task(std::move(work));
  auto result = task.get_future();
  boost::asio::post(io, [&task] { task(); });
  return result.get();
}

// One simulated locker: the UDP discovery endpoint and the command server of the locker's own
// network layer, on an address of its own, answering /query with its status record.
struct Locker {
  Locker(boost::asio::io_context& io, const std::string& address, std::uint16_t udpPort, WaitableLog& log)
      : name("locker-" + address.substr(address.rfind('.') + 1)),
        endpoint(io, log, [address] { return address; }, brivak::net::UdpDiscoveryOptions{address, udpPort}) {
    handler.reply = [this, address](const core::HttpRequest&) {
      core::StatusRecord record;
      record.computername = name;
      record.internalip = address;
      record.status = "Unlocked";
      core::HttpReply r;
      r.form = core::ReplyForm::Page;
      r.body = core::ReturnQuery(record);
      r.contentType = "text/html";
      return r;
    };
    brivak::net::HttpServerOptions options;
    options.address = address;
    options.port = 0;
    server = std::make_unique<brivak::net::HttpCommandServer>(io, handler, log, options);
  }
  std::string name;
  brivak::nettest::ScriptedHandler handler;
  brivak::net::UdpDiscoveryEndpoint endpoint;
  std::unique_ptr<brivak::net::HttpCommandServer> server;
};

class DiscoveryDriverTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (driver_) OnIoThread(managerIo_, [this] {
        http_->Shutdown();
        driver_.reset();
        return 0;
      });
    udp_.reset();
    http_.reset();
    managerThread_.Stop();
    lockerThread_.Stop();
  }

  // Lockers on 127.0.0.2.. with their discovery endpoints on one shared UDP port.
  void StartLockers(const std::vector<std::string>& addresses) {
    for (int attempt = 0; attempt < 20 && lockers_.empty(); ++attempt) {
      std::uint16_t port = 0;
      std::vector<std::unique_ptr<Locker>> made;
      bool ok = true;
      for (const std::string& address : addresses) {
        made.push_back(std::make_unique<Locker>(lockerIo_, address, port, lockerLog_));
        if (!made.back()->endpoint.Start()) {
          ok = false;
          break;
        }
        port = made.back()->endpoint.LocalPort();
      }
      if (!ok) continue;  // the port was taken on another address: try another
      udpPort_ = port;
      lockers_ = std::move(made);
    }
    ASSERT_FALSE(lockers_.empty());
    for (auto& locker : lockers_) ASSERT_TRUE(locker->server->Start());
    lockerThread_.Run();
  }

  void StartManager(const std::vector<std::string>& fanOut, std::map<std::string, Endpoint> ports) {
    managerThread_.Run();
    http_ = std::make_unique<AsioHttpLookup>(managerIo_, [this](std::uint64_t id, const HttpLookupResult& result) {
      if (driver_) driver_->OnLookupDone(id, result);
    });
    portMap_ = std::make_unique<EndpointMapLookup>(*http_, std::move(ports));
    udp_ = std::make_unique<AsioDatagramPort>(
        managerIo_,
        [this](const std::string& address, std::uint16_t, std::string_view bytes) {
          if (driver_) driver_->OnDatagram(address, bytes);
        },
        DatagramPortOptions{"127.0.0.1", 0, true});
    ASSERT_TRUE(udp_->Open());
    fanOut_ = std::make_unique<FanOutPort>(*udp_, fanOut);
    OnIoThread(managerIo_, [&] {
      driver_ = std::make_unique<DiscoveryDriver>(managerIo_, *portMap_, *fanOut_, clock_, inventory_, inventory_, log_);
      driver_->Lookups().SetTimeouts({1000ms, 300ms});
      return 0;
    });
  }

  DiscoverySettings Settings() const {
    DiscoverySettings settings;
    settings.broadcastAddress = kBroadcast;
    settings.port = udpPort_;
    settings.ownAddress = "127.0.0.1";
    settings.listenWindow = 300ms;
    settings.maxDuration = 10s;
    return settings;
  }

  std::map<std::string, Endpoint> LockerPorts() const {
    std::map<std::string, Endpoint> ports;
    for (const auto& locker : lockers_) {
      const std::string address = "127.0.0." + locker->name.substr(7);
      ports[address] = {address, locker->server->LocalPort()};
    }
    return ports;
  }

  boost::asio::io_context lockerIo_;
  WaitableLog lockerLog_;
  std::vector<std::unique_ptr<Locker>> lockers_;
  std::uint16_t udpPort_ = 0;
  IoThread lockerThread_{lockerIo_};

  boost::asio::io_context managerIo_;
  SteadyTestClock clock_;
  WaitableLog log_;
  Inventory inventory_;
  std::unique_ptr<AsioHttpLookup> http_;
  std::unique_ptr<EndpointMapLookup> portMap_;
  std::unique_ptr<AsioDatagramPort> udp_;
  std::unique_ptr<FanOutPort> fanOut_;
  std::unique_ptr<DiscoveryDriver> driver_;
  IoThread managerThread_{managerIo_};
};

TEST_F(DiscoveryDriverTest, FindsThreeLockersAndQueriesEach) {
  StartLockers({"127.0.0.2", "127.0.0.3", "127.0.0.4"});
  // 127.0.0.5 runs no locker: it stays silent and gets no query.
  StartManager({"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"}, LockerPorts());
  const auto [first, second] = OnIoThread(managerIo_, [this] {
    const Discovery::StartResult started = driver_->StartDiscovery(Settings());
    return std::make_pair(started, driver_->StartDiscovery(Settings()));
  });
  EXPECT_EQ(first, Discovery::StartResult::Started);
  EXPECT_EQ(second, Discovery::StartResult::AlreadyRunning);
  ASSERT_TRUE(inventory_.WaitFinished());
  EXPECT_EQ(inventory_.Finished(), std::vector<bool>{true});
  const auto answered = inventory_.Answered();
  EXPECT_EQ(std::set<std::string>(answered.begin(), answered.end()),
            (std::set<std::string>{"127.0.0.2", "127.0.0.3", "127.0.0.4"}));
  const auto replies = inventory_.Replies();
  ASSERT_EQ(replies.size(), 3u);
  for (const std::string address : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
    EXPECT_NE(replies.at(address).find("<computername>locker-" + address.substr(8) + "</computername>"),
              std::string::npos)
        << replies.at(address);
  }
  EXPECT_TRUE(log_.WaitFor("mem:Found 3 good IP addresses:"));
  EXPECT_TRUE(log_.WaitFor("mem:Discovery complete."));
  EXPECT_FALSE(OnIoThread(managerIo_, [this] { return driver_->Busy(); }));
}

TEST_F(DiscoveryDriverTest, ALockerWhoseServerNeverAnswersEndsInAReadTimeout) {
  StartLockers({"127.0.0.2", "127.0.0.3"});
  HoldingServer silent("127.0.0.3");
  auto ports = LockerPorts();
  ports["127.0.0.3"] = {"127.0.0.3", silent.Port()};
  StartManager({"127.0.0.2", "127.0.0.3"}, ports);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(OnIoThread(managerIo_, [this] { return driver_->StartDiscovery(Settings()); }),
            Discovery::StartResult::Started);
  ASSERT_TRUE(inventory_.WaitFinished());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
  EXPECT_EQ(inventory_.Finished(), std::vector<bool>{true});
  EXPECT_EQ(inventory_.Replies().size(), 1u);
  EXPECT_EQ(inventory_.Replies().count("127.0.0.2"), 1u);
  EXPECT_TRUE(log_.WaitFor("mem:Read timed out (127.0.0.3)"));
  EXPECT_TRUE(silent.WaitForOpen(0));
}

TEST_F(DiscoveryDriverTest, StopWhileQueriesRunEndsTheRunAndClosesTheConnections) {
  StartLockers({"127.0.0.2", "127.0.0.3", "127.0.0.4"});
  HoldingServer silent;
  std::map<std::string, Endpoint> ports;
  for (const auto& entry : LockerPorts()) ports[entry.first] = {"127.0.0.1", silent.Port()};
  StartManager({"127.0.0.2", "127.0.0.3", "127.0.0.4"}, ports);
  OnIoThread(managerIo_, [this] {
    driver_->Lookups().SetTimeouts({10000ms, 10000ms});
    return driver_->StartDiscovery(Settings());
  });
  ASSERT_TRUE(silent.WaitForOpen(3));
  OnIoThread(managerIo_, [this] {
    driver_->Stop();
    return 0;
  });
  EXPECT_TRUE(silent.WaitForOpen(0));
  EXPECT_EQ(inventory_.Finished(), std::vector<bool>{false});
  EXPECT_TRUE(inventory_.Replies().empty());
  EXPECT_FALSE(OnIoThread(managerIo_, [this] { return driver_->Busy(); }));
}

TEST_F(DiscoveryDriverTest, RangeWalkKeepsTwentyAtOnceAndEnds) {
  HoldingServer silent;
  std::map<std::string, Endpoint> ports;
  for (int i = 1; i <= 25; ++i) ports["127.0.1." + std::to_string(i)] = {"127.0.0.1", silent.Port()};
  StartManager({}, ports);
  OnIoThread(managerIo_, [&] {
    RangeWalkSettings settings;
    settings.startAddress = "127.0.1.1";
    settings.endAddress = "127.0.1.25";
    settings.pace = 1ms;
    return driver_->StartWalk(settings).started;
  });
  ASSERT_TRUE(silent.WaitForUnanswered(20));
  EXPECT_EQ(OnIoThread(managerIo_, [this] { return driver_->Lookups().Queued(); }), 0u)
      << "the walk waits for a free slot instead of queueing";
  silent.Release(OkReplyBytes("<computername>x</computername>"));
  ASSERT_TRUE(log_.WaitFor("mem:Range scan complete."));
  EXPECT_EQ(silent.MaxUnanswered(), 20u);
  EXPECT_EQ(inventory_.Replies().size(), 25u);
}

}  // namespace
}  // namespace brivak::manager::net
