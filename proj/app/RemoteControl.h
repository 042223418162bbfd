// The locker's network side for one run: the HTTP command server, the UDP discovery endpoint and
// the event sender on one io thread, the command handler, and the effects it asks of the program.
// Handlers run on network threads; every effect on program state is handed to the main loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>

#include "platform/Processes.h"
#include "proj/core/CommandHistory.h"
#include "proj/core/RemoteCommandHandler.h"
#include "proj/core/RemoteEvents.h"
#include "proj/net/HttpCommandServer.h"
#include "proj/net/UdpDiscoveryEndpoint.h"
#include "proj/net/UdpEventSender.h"

namespace brivak::app {

class TrayController;

// The ports of the protocol. The program uses these; tests of the program use the same.
struct RemotePorts {
  std::uint16_t http = 8777;
  std::uint16_t discovery = 8777;
  std::uint16_t events = 8778;
};

class RemoteControl : private core::RemoteEffects, private core::DatagramPort {
 public:
  // `tray` must outlive this object; its program values and settings must be set.
  RemoteControl(TrayController& tray, platform::Processes& processes, RemotePorts ports);
  // Stops the io thread, then the servers.
  ~RemoteControl();

  // Starts the HTTP server, the discovery endpoint and the io thread. A configured port 0 takes
  // any free port (tests), which HttpPort and DiscoveryPort then report. The console gets a line for
  // each part that cannot start; the result is false when the HTTP server could not.
  bool Start();

  // Asks the program's own server for "/?" on 127.0.0.1 with a connection time-out of 800 ms.
  bool SelfTest();

  core::EventReporter& Events() { return reporter_; }
  // The remote commands served so far (the last 100), for "Server Status".
  const core::CommandHistory& History() const { return history_; }
  // The HTTP port in use: the bound one once started (the configured one before, or on failure).
  std::uint16_t HttpPort() const { return ports_.http; }
  std::uint16_t DiscoveryPort() const { return ports_.discovery; }

 private:
  // core::RemoteEffects, called on network threads.
  void LaunchLock() override;
  void SetLayoutFile(const std::string& path) override;
  bool PostCommand(core::LockCommand command) override;
  bool LockScreenExists() override;
  bool CurrentlyLocked() override;
  bool ShuttingDown() override;
  bool StartUpdateScript(const std::string& path, bool hidden) override;
  core::PowerReply Standby() override;
  core::PowerReply Hibernate() override;
  core::PowerReply AskPower(bool hibernate);
  void ShowBalloon(const std::string& title, const std::string& text, int seconds) override;
  core::StatusFacts CurrentStatusFacts() override;
  // core::DatagramPort.
  void SendDatagram(const std::string& masterIP, const std::string& bytes) override;

  TrayController& tray_;
  platform::Processes& processes_;
  RemotePorts ports_;
  boost::asio::io_context io_;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work_;
  core::RemoteCommandHandler handler_;
  core::CommandHistory history_;
  core::RecordingHandler recorded_{handler_, history_};  // what the HTTP server calls
  core::EventReporter reporter_;
  net::UdpEventSender sender_;
  std::unique_ptr<net::HttpCommandServer> http_;
  std::unique_ptr<net::UdpDiscoveryEndpoint> discovery_;
  std::thread ioThread_;
};

}  // namespace brivak::app
