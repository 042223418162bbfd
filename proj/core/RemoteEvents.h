// Security and power event reports: the log lines, the texts, and the datagram to the master
// station (UDP port 8778 of MasterIP). Runs on the user-interface thread; never throws.
#pragma once

#include <string>
#include <string_view>

#include "common/LogSink.h"

namespace brivak::core {

// Sends one datagram to port 8778 of `masterIP` (a dotted IPv4 literal). Implemented by the
// network layer; may throw, the reporter catches.
class DatagramPort {
 public:
  virtual ~DatagramPort() = default;
  virtual void SendDatagram(const std::string& masterIP, const std::string& bytes) = 0;
};

// The settings an event report reads, copied by the caller.
struct EventReportSettings {
  std::string masterIP;
  bool reportSecurityEvents = false;
  bool reportPowerEvents = false;
  bool logBadPasswords = false;
};

// The texts of the security events this system raises.
namespace security_event {
std::string IncorrectPasswordTo(std::string_view activity);         // password prompts
std::string NoCredentialsTo(std::string_view activity);             // Authorize, level too low
std::string BadUserPasswordInAuthorize(std::string_view activity);  // Authorize, multi-user
std::string BadPasswordInAuthorize(std::string_view activity);      // Authorize, single-user
std::string IncorrectUsernamePasswordFor(std::string_view user);    // the "badpass" command
inline constexpr std::string_view kIncorrectPasswordEntered = "Incorrect password entered";
inline constexpr std::string_view kBadPasswordOptions = "Bad Password to access Options";
inline constexpr std::string_view kBadPasswordViewLogs = "Bad Password in Authorize routine for View Logs";
inline constexpr std::string_view kBadCredentialsHelp = "Bad credentials to view help file.";
inline constexpr std::string_view kBadCredentialsConsole = "Bad credentials to change console mode.";
}  // namespace security_event

// The text of a power-broadcast event code (2, 4, 6, 7, 9, 18); empty for any other code.
std::string PowerEventText(int eventCode);

class EventReporter {
 public:
  // Both references must outlive the reporter.
  EventReporter(LogSink& log, DatagramPort& port);

  // `SecurityEvent`: debug "Security Event: " + text; with logBadPasswords the same line in the
  // event log; with reportSecurityEvents "/se:" + text to the master station.
  void SecurityEvent(std::string_view text, const EventReportSettings& settings) noexcept;
  // `compinfoPowerBroadcast`: console line with the event text (also when empty); with
  // reportPowerEvents "/pe:" + text to the master station.
  void PowerBroadcast(int eventCode, const EventReportSettings& settings) noexcept;

 private:
  // Skips (with a debug line) a MasterIP that is no dotted IPv4 literal; a failed send is a debug
  // line, never an exception.
  void Send(const std::string& masterIP, const std::string& bytes) noexcept;

  LogSink& log_;
  DatagramPort& port_;
};

}  // namespace brivak::core
