#include <gtest/gtest.h>

#include <string>

#include "manager/core/EventDatagram.h"
#include "proj/core/RemoteEvents.h"

namespace brivak::manager {
namespace {

// Catches what the locker's reporter sends.
class CapturePort : public core::DatagramPort {
 public:
  void SendDatagram(const std::string& masterIP, const std::string& bytes) override {
    target = masterIP;
    sent = bytes;
  }
  std::string target;
  std::string sent;
};

class NullLog : public LogSink {
 public:
  void WriteLog(std::string_view) override {}
  void Mem(std::string_view) override {}
  void LastMem(std::string_view) override {}
  void Debug(std::string_view) override {}
};

TEST(EventDatagramTest, TheLockersSecurityEventMakesOneLine) {
  NullLog log;
  CapturePort port;
  core::EventReporter reporter(log, port);
  core::EventReportSettings settings;
  settings.masterIP = "127.0.0.1";
  settings.reportSecurityEvents = true;
  reporter.SecurityEvent(core::security_event::IncorrectUsernamePasswordFor("mallory"), settings);
  ASSERT_FALSE(port.sent.empty());
  const std::string line = EventDatagramLine(port.sent, "127.0.0.12", 40001);
  EXPECT_EQ(line, "UDP: Security Event: From 127.0.0.12:40001 : " + port.sent.substr(4));
  EXPECT_EQ(line.find('\n'), std::string::npos);
}

TEST(EventDatagramTest, TheLockersPowerEventMakesOneLine) {
  NullLog log;
  CapturePort port;
  core::EventReporter reporter(log, port);
  core::EventReportSettings settings;
  settings.masterIP = "127.0.0.1";
  settings.reportPowerEvents = true;
  reporter.PowerBroadcast(4, settings);
  ASSERT_EQ(port.sent.rfind("/pe:", 0), 0u);
  EXPECT_EQ(EventDatagramLine(port.sent, "127.0.0.3", 8777),
            "UDP: Power Event: From 127.0.0.3:8777 : " + core::PowerEventText(4));
}

TEST(EventDatagramTest, Table) {
  const struct {
    const char* datagram;
    const char* line;
  } cases[] = {
      {"/se:bad password", "UDP: Security Event: From 127.0.0.2:5000 : bad password"},
      {"xx/se:a/se:b", "UDP: Security Event: From 127.0.0.2:5000 : a/se:b"},
      {"/pe:then /se:first", "UDP: Security Event: From 127.0.0.2:5000 : first"},
      {"/pe:Suspend", "UDP: Power Event: From 127.0.0.2:5000 : Suspend"},
      {"/se:", "UDP: Security Event: From 127.0.0.2:5000 : "},
      {"hello", "Unknown UDP datagram: hello"},
      {"", "Unknown UDP datagram: "},
      {"/se:two\r\nlines\tand\x01", "UDP: Security Event: From 127.0.0.2:5000 : two  lines and "},
      {"/SE:case", "Unknown UDP datagram: /SE:case"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EventDatagramLine(c.datagram, "127.0.0.2", 5000), c.line) << c.datagram;
}

TEST(EventDatagramTest, LongTextsAreCutAt4096Bytes) {
  const std::string text(5000, 'x');
  EXPECT_EQ(EventDatagramLine("/se:" + text, "127.0.0.2", 1),
            "UDP: Security Event: From 127.0.0.2:1 : " + text.substr(0, 4096));
  EXPECT_EQ(EventDatagramLine(text, "127.0.0.2", 1), "Unknown UDP datagram: " + text.substr(0, 4096));
  // Never inside a UTF-8 sequence: 4095 bytes of 'a', then a two-byte character.
  const std::string utf = std::string(4095, 'a') + "\xC3\xA9" + "tail";
  EXPECT_EQ(EventDatagramLine("/pe:" + utf, "127.0.0.2", 1),
            "UDP: Power Event: From 127.0.0.2:1 : " + std::string(4095, 'a'));
}

}  // namespace
}  // namespace brivak::manager
