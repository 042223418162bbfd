#include "proj/app/RemoteControl.h"

#include <future>
#include <memory>

#include "proj/app/TrayController.h"
#include <boost/asio/ip/address.hpp>

#include "proj/net/HttpProbe.h"

namespace brivak::app {

namespace {

core::RemoteHandlerConfig HandlerConfig(const ProgramValues& v) {
  return {v.appData, v.updateScriptFile, v.theLocalMAC, v.WorkGroup, v.WinUsername, v.fullVersionString};
}

}  // namespace

RemoteControl::RemoteControl(TrayController& tray, platform::Processes& processes, RemotePorts ports)
    : tray_(tray),
      processes_(processes),
      ports_(ports),
      work_(boost::asio::make_work_guard(io_)),
      handler_(HandlerConfig(tray.Values()), [&tray] { return tray.RemoteSnapshot(); }, tray.Users(), *this,
               tray.Log(), tray.Clock()),
      history_(tray.Clock()),
      reporter_(tray.Log(), *this),
      sender_(io_, tray.Log(), net::UdpEventSenderOptions{ports.events}) {}

RemoteControl::~RemoteControl() {
  work_.reset();
  io_.stop();
  if (ioThread_.joinable()) ioThread_.join();
  // No thread runs the io_context now: the servers may be stopped and destroyed here.
  if (http_) http_->Stop();
  if (discovery_) discovery_->Stop();
  http_.reset();
  discovery_.reset();
}

bool RemoteControl::Start() {
  auto& log = tray_.Log();
  net::HttpServerOptions httpOptions;
  httpOptions.port = ports_.http;
  // Only the machine's own lock page (127.0.0.1, ::1) may displace other connections when the
  // server is full: the rest of 127/8 is an address like any other, as the address filter says.
  httpOptions.isExempt = [](const boost::asio::ip::address& a) {
    if (a.is_v6() && a.to_v6().is_v4_mapped()) return boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, a.to_v6()) == boost::asio::ip::address_v4::loopback();
    return a == boost::asio::ip::address_v4::loopback() || a == boost::asio::ip::address_v6::loopback();
  };
  http_ = std::make_unique<net::HttpCommandServer>(io_, recorded_, log, httpOptions);
  const auto httpStarted = http_->Start();
  if (httpStarted) {
    ports_.http = http_->LocalPort();
  } else {
    log.Mem("EX: HTTP server on port " + std::to_string(ports_.http) + ": " + httpStarted.error);
  }

  net::UdpDiscoveryOptions udpOptions;
  udpOptions.port = ports_.discovery;
  discovery_ = std::make_unique<net::UdpDiscoveryEndpoint>(
      io_, log, [this] { return tray_.Values().theLocalIP; }, udpOptions);
  const auto udpStarted = discovery_->Start();
  if (udpStarted) {
    ports_.discovery = discovery_->LocalPort();
  } else {
    log.Mem("EX: UDP server on port " + std::to_string(ports_.discovery) + ": " + udpStarted.error);
  }

  ioThread_ = std::thread([this] { io_.run(); });
  return static_cast<bool>(httpStarted);
}

bool RemoteControl::SelfTest() {
  std::string error;
  const bool ok = net::HttpProbe("127.0.0.1", ports_.http, "/?", kSelfTestTimeout, &error).has_value();
  if (!ok) tray_.Log().Debug("self-test: " + error);
  return ok;
}

void RemoteControl::LaunchLock() { tray_.RequestLockLaunch(); }

void RemoteControl::SetLayoutFile(const std::string& path) { tray_.RequestLayoutFile(path); }

bool RemoteControl::PostCommand(core::LockCommand command) { return tray_.RequestCommand(std::move(command)); }

bool RemoteControl::LockScreenExists() { return tray_.LockScreenExists(); }

bool RemoteControl::CurrentlyLocked() { return tray_.CurrentlyLocked(); }

bool RemoteControl::ShuttingDown() { return tray_.ShuttingDown(); }

bool RemoteControl::StartUpdateScript(const std::string& path, bool /*hidden*/) {
  // A script runs without a window of its own on this platform, so "hidden" changes nothing.
  return processes_.Start({path}, tray_.Values().appPath);
}

// Power actions come with the power service; until then the request is refused on the console.
// The request goes to the main loop; this network thread waits for its outcome, bounded: the lock's
// cover wait, the power service's answer and a margin.
core::PowerReply RemoteControl::AskPower(bool hibernate) {
  auto promise = std::make_shared<std::promise<platform::PowerOutcome>>();
  std::future<platform::PowerOutcome> outcome = promise->get_future();
  tray_.Loop().Post([this, hibernate, promise] {
    auto done = [promise](platform::PowerOutcome result) { promise->set_value(std::move(result)); };
    if (hibernate) {
      tray_.SystemHibernate(done);
    } else {
      tray_.SystemStandby(done);
    }
  });
  const auto wait = TrayController::kCoverWait + std::chrono::milliseconds(platform::PowerActions::kAnswerWaitMs) +
                    std::chrono::seconds(1);
  if (outcome.wait_for(wait) != std::future_status::ready) return {false, "no answer from the power service"};
  try {
    platform::PowerOutcome result = outcome.get();
    return {result.accepted, result.error};
  } catch (const std::future_error&) {
    return {false, "the program is ending"};
  }
}

core::PowerReply RemoteControl::Standby() { return AskPower(false); }

core::PowerReply RemoteControl::Hibernate() { return AskPower(true); }

void RemoteControl::ShowBalloon(const std::string& title, const std::string& text, int seconds) {
  tray_.ShowBalloon(title, text, seconds);
}

core::StatusFacts RemoteControl::CurrentStatusFacts() {
  core::StatusFacts facts;
  facts.hostName = tray_.System().HostName();
  facts.cpuPercent = platform::CpuLoadPercent(tray_.System());
  facts.idleMs = tray_.IdleDetector().SysIdleTime();
  facts.uptimeMs = static_cast<std::uint64_t>(tray_.Clock().MonotonicMs());
  facts.lockedWhen = static_cast<std::uint64_t>(tray_.LockedWhen());
  return facts;
}

void RemoteControl::SendDatagram(const std::string& masterIP, const std::string& bytes) {
  sender_.Send(masterIP, bytes);
}

}  // namespace brivak::app
