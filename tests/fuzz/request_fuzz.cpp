// libFuzzer target for the request path of the command server: bytes as they arrive on a
// connection are parsed with the server's parser and limits, a parsed request goes through the
// real command handler (on a scratch data folder with fake effects), and the reply is serialised.
// Besides the sanitizers it checks that the reply bytes always form one status line, a header
// ending in an empty line and a body as long as Content-Length says.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/Hash.h"
#include "common/UserList.h"
#include "platform/fake/FakeClock.h"
#include "platform/linux/LinuxFileSystem.h"
#include "proj/core/RemoteCommandHandler.h"
#include "proj/net/HttpWire.h"

namespace {

using namespace brivak;

class NullLog : public LogSink {
 public:
  void WriteLog(std::string_view) override {}
  void Mem(std::string_view) override {}
  void LastMem(std::string_view) override {}
  void Debug(std::string_view) override {}
};

class InertEffects : public core::RemoteEffects {
 public:
  void LaunchLock() override {}
  void SetLayoutFile(const std::string&) override {}
  bool PostCommand(core::LockCommand) override { return true; }
  bool LockScreenExists() override { return true; }
  bool CurrentlyLocked() override { return true; }
  bool ShuttingDown() override { return false; }
  bool StartUpdateScript(const std::string&, bool) override { return false; }
  core::PowerReply Standby() override { return {}; }
  core::PowerReply Hibernate() override { return {}; }
  void ShowBalloon(const std::string&, const std::string&, int) override {}
  core::StatusFacts CurrentStatusFacts() override { return {}; }
};

// A scratch data folder with a user list and a day log; removed at exit.
std::string MakeAppData() {
  std::string pattern = (std::filesystem::temp_directory_path() / "brivak-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  static const std::string folder = pattern;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  });
  std::filesystem::create_directories(folder + "/Logs");
  std::filesystem::create_directories(folder + "/layouts/slf");
  return folder + "/";
}

struct Harness {
  Harness()
      : appData(MakeAppData()),
        userList(files, appData + "userlist.dat"),
        handler(
            core::RemoteHandlerConfig{appData, appData + "update.sh", "001122334455", "WORKGROUP", "user",
                                      "3.1.0.0"},
            [this] {
              core::RemoteSettingsSnapshot s;
              s.multiUser = false;
              s.passwordHash = Hash("secret");
              s.theLocalIP = "127.0.0.1";
              return s;
            },
            userList, effects, log, clock) {
    userList.AddUser("admin", "secret", 2);
    userList.AddUser("unlocker", "pw", 1);
  }

  std::string appData;
  platform::LinuxFileSystem files;
  UserList userList;
  InertEffects effects;
  NullLog log;
  platform::FakeClock clock;
  core::RemoteCommandHandler handler;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

// The reply's framing: one ASCII status line, header lines, the empty line, then exactly the
// announced body (none for HEAD).
void CheckReply(const std::string& bytes, bool headOnly) {
  Check(bytes.starts_with("HTTP/1.1 "));
  const std::size_t lineEnd = bytes.find("\r\n");
  Check(lineEnd != std::string::npos);
  for (std::size_t i = 0; i < lineEnd; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    Check(c >= 0x20 && c < 0x7f);
  }
  const std::size_t headerEnd = bytes.find("\r\n\r\n");
  Check(headerEnd != std::string::npos);
  const std::string header = bytes.substr(0, headerEnd + 2);
  const std::size_t lengthAt = header.find("\r\nContent-Length: ");
  Check(lengthAt != std::string::npos);
  const std::size_t length = std::stoul(header.substr(lengthAt + 18));
  const std::size_t bodySize = bytes.size() - headerEnd - 4;
  Check(bodySize == (headOnly ? 0 : length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Harness harness;
  static const net::HttpLimits limits;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  net::ParsedRequest parsed = net::ParseRequestBytes(bytes, limits);
  core::HttpReply reply;
  bool headOnly = false;
  if (parsed.refusal != 0) {
    Check(parsed.refusal >= 400 && parsed.refusal < 600);
    reply = net::ErrorReply(parsed.refusal);
  } else {
    parsed.request.remoteAddress = "127.0.0.1";
    headOnly = parsed.request.method == "HEAD";
    reply = harness.handler.Handle(parsed.request);
  }
  CheckReply(net::SerializeReply(reply, headOnly, limits), headOnly);
  return 0;
}
