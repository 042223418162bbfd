#include "proj/core/RemoteEvents.h"

#include <exception>

#include "proj/core/RemoteAddressFilter.h"
#include "proj/core/RemoteRequest.h"

namespace brivak::core {

namespace security_event {
std::string IncorrectPasswordTo(std::string_view activity) {
  return "Incorrect password to " + std::string(activity);
}
std::string NoCredentialsTo(std::string_view activity) {
  return "You don't have the proper credentials to " + std::string(activity);
}
std::string BadUserPasswordInAuthorize(std::string_view activity) {
  return "Bad User/Password in Authorize routine (" + std::string(activity) + ")";
}
std::string BadPasswordInAuthorize(std::string_view activity) {
  return "Bad Password in Authorize routine (" + std::string(activity) + ")";
}
std::string IncorrectUsernamePasswordFor(std::string_view user) {
  return "Incorrect username/password entered for user: " + std::string(user);
}
}  // namespace security_event

std::string PowerEventText(int eventCode) {
  switch (eventCode) {
    case 2:
      return "Suspend request failed.";
    case 4:
      return "System is suspending...";
    case 6:
      return "System is resuming operations after a critical suspension...";
    case 7:
      return "System is resuming operations after suspending...";
    case 9:
      return "Battery is low.";
    case 18:
      return "System is resuming automatically after an event...";
    default:
      return "";
  }
}

EventReporter::EventReporter(LogSink& log, DatagramPort& port) : log_(log), port_(port) {}

void EventReporter::SecurityEvent(std::string_view text, const EventReportSettings& settings) noexcept {
  const std::string line = "Security Event: " + std::string(text);
  log_.Debug(line);
  if (settings.logBadPasswords) {
    try {
      log_.WriteLog(line);
    } catch (const std::exception& e) {
      log_.Mem("EX:" + std::string(e.what()));
    } catch (...) {
      log_.Mem("EX:unknown error");
    }
  }
  if (settings.reportSecurityEvents) Send(settings.masterIP, SecurityEventDatagram(text));
}

void EventReporter::PowerBroadcast(int eventCode, const EventReportSettings& settings) noexcept {
  const std::string text = PowerEventText(eventCode);
  log_.Mem(text);
  if (settings.reportPowerEvents) Send(settings.masterIP, PowerEventDatagram(text));
}

void EventReporter::Send(const std::string& masterIP, const std::string& bytes) noexcept {
  if (!IsDottedIPv4(masterIP)) {
    log_.Debug("UDP SEND skipped: MasterIP \"" + masterIP + "\" is not an IPv4 address");
    return;
  }
  try {
    port_.SendDatagram(masterIP, bytes);
    log_.Debug("UDP SEND to " + masterIP);
  } catch (const std::exception& e) {
    log_.Debug("UDP SEND to " + masterIP + " failed: " + e.what());
  } catch (...) {
    log_.Debug("UDP SEND to " + masterIP + " failed");
  }
}

}  // namespace brivak::core
