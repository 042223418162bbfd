#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include "support/TempDir.h"
#include "platform/linux/LinuxInstanceChannel.h"

namespace brivak::platform {
namespace {

using namespace std::chrono_literals;
using brivak::test::TempDir;
using Steady = std::chrono::steady_clock;

constexpr InstanceMessage kGotoFront{1147, 0, 0};
constexpr InstanceMessage kTerminate{12346, 53, 6999};

// Collects handled messages; tests wait on it with a deadline.
class Recorder {
 public:
  void operator()(const InstanceMessage& m) {
    std::lock_guard lock(mutex_);
    messages_.push_back(m);
    changed_.notify_all();
  }
  std::vector<InstanceMessage> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
  }
  InstanceChannel::Handler Handler() {
    return [this](const InstanceMessage& m) { (*this)(m); };
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<InstanceMessage> messages_;
};

// A gate the handler waits at until the test opens it.
class Gate {
 public:
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void Arrive() {
    std::unique_lock lock(mutex_);
    arrived_ = true;
    changed_.notify_all();
    changed_.wait_for(lock, 10s, [&] { return open_; });
  }
  bool WaitArrived() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 5s, [&] { return arrived_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  bool arrived_ = false;
};

// A raw client, for what Send never does: partial writes, silence, exact bytes.
class RawClient {
 public:
  explicit RawClient(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  }
  ~RawClient() { Close(); }
  bool Connected() const { return connected_; }
  bool Write(const void* data, std::size_t size) {
    return ::send(fd_, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
  }
  // One byte, or -1 on end of stream or error (blocks; the listener's deadline bounds it).
  int ReadByte() {
    unsigned char b = 0;
    return ::recv(fd_, &b, 1, 0) == 1 ? b : -1;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  bool connected_ = false;
};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

TEST(LinuxInstanceChannel, SendWithoutListenerIsNoInstance) {
  TempDir temp;
  LinuxInstanceChannel channel(temp / "brivak3.sock");
  EXPECT_EQ(channel.Send(kGotoFront, 1s), SendResult::NoInstance);
}

TEST(LinuxInstanceChannel, StaleSocketIsNoInstanceAndIsReplacedByListen) {
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  {
    // A socket file left behind by a crashed instance: bound, then closed without unlink.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
  }
  LinuxInstanceChannel channel(path);
  EXPECT_EQ(channel.Send(kGotoFront, 1s), SendResult::NoInstance);
  Recorder recorder;
  ASSERT_TRUE(channel.Listen(recorder.Handler()));
  EXPECT_EQ(channel.Send(kGotoFront, 5s), SendResult::Delivered);
}

TEST(LinuxInstanceChannel, RoundTripRunsTheHandlerBeforeTheAcknowledgement) {
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  LinuxInstanceChannel instance(path);
  Recorder recorder;
  ASSERT_TRUE(instance.Listen(recorder.Handler()));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  LinuxInstanceChannel sender(path);  // another process would use its own object
  EXPECT_EQ(sender.Send(kGotoFront, 5s), SendResult::Delivered);
  EXPECT_EQ(recorder.Messages(), std::vector<InstanceMessage>{kGotoFront});  // no waiting needed
  EXPECT_EQ(sender.Send(kTerminate, 5s), SendResult::Delivered);
  EXPECT_EQ(recorder.Messages(), (std::vector<InstanceMessage>{kGotoFront, kTerminate}));
}

TEST(LinuxInstanceChannel, WireFormatIsTwelveLittleEndianBytesAndOneAck) {
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  LinuxInstanceChannel instance(path);
  Recorder recorder;
  ASSERT_TRUE(instance.Listen(recorder.Handler()));
  RawClient client(path);
  ASSERT_TRUE(client.Connected());
  const unsigned char bytes[12] = {0x3a, 0x30, 0, 0, 0x35, 0, 0, 0, 0x04, 0x03, 0x02, 0x81};
  ASSERT_TRUE(client.Write(bytes, sizeof(bytes)));
  EXPECT_GE(client.ReadByte(), 0);
  EXPECT_EQ(client.ReadByte(), -1);  // one message per connection
  EXPECT_EQ(recorder.Messages(), (std::vector<InstanceMessage>{{12346, 53, 0x81020304}}));
}

TEST(LinuxInstanceChannel, HandlerSlowerThanTheTimeoutGivesTimedOut) {
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  LinuxInstanceChannel instance(path);
  Gate gate;
  Recorder recorder;
  ASSERT_TRUE(instance.Listen([&](const InstanceMessage& m) {
    gate.Arrive();
    recorder(m);
  }));
  LinuxInstanceChannel sender(path);
  const auto start = Steady::now();
  EXPECT_EQ(sender.Send(kGotoFront, 200ms), SendResult::TimedOut);
  EXPECT_LT(Steady::now() - start, 3s);
  EXPECT_TRUE(gate.WaitArrived());
  gate.Open();
  ASSERT_TRUE(recorder.WaitForCount(1));
  // The listener goes on serving.
  EXPECT_EQ(sender.Send(kTerminate, 5s), SendResult::Delivered);
  EXPECT_EQ(recorder.Messages(), (std::vector<InstanceMessage>{kGotoFront, kTerminate}));
}

TEST(LinuxInstanceChannel, GarbageAndSilentClientsAreDroppedHarmlessly) {
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  LinuxInstanceChannel instance(path, 300ms);
  Recorder recorder;
  ASSERT_TRUE(instance.Listen(recorder.Handler()));
  LinuxInstanceChannel sender(path);
  {
    RawClient shortWrite(path);  // five bytes, then hangs up
    ASSERT_TRUE(shortWrite.Connected());
    ASSERT_TRUE(shortWrite.Write("\x01\x02\x03\x04\x05", 5));
  }
  RawClient silent(path);  // connects and says nothing, and stays
  ASSERT_TRUE(silent.Connected());
  RawClient slow(path);  // part of a message, then silence
  ASSERT_TRUE(slow.Connected());
  ASSERT_TRUE(slow.Write("\x01\x02\x03", 3));

  EXPECT_EQ(sender.Send(kGotoFront, 5s), SendResult::Delivered);
  EXPECT_EQ(recorder.Messages(), std::vector<InstanceMessage>{kGotoFront});
  EXPECT_EQ(silent.ReadByte(), -1);  // dropped without an acknowledgement
  EXPECT_EQ(slow.ReadByte(), -1);
}

TEST(LinuxInstanceChannel, FailingHandlerDoesNotStopTheChannel) {
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  LinuxInstanceChannel instance(path);
  Recorder recorder;
  ASSERT_TRUE(instance.Listen([&](const InstanceMessage& m) {
    recorder(m);
    if (m == kGotoFront) throw std::runtime_error("handler failed");
  }));
  LinuxInstanceChannel sender(path);
  EXPECT_EQ(sender.Send(kGotoFront, 5s), SendResult::Delivered);
  EXPECT_EQ(sender.Send(kTerminate, 5s), SendResult::Delivered);
  EXPECT_EQ(recorder.Messages(), (std::vector<InstanceMessage>{kGotoFront, kTerminate}));
}

TEST(LinuxInstanceChannel, StopListeningIsPromptEvenWithASilentClientAndRemovesTheSocket) {
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  LinuxInstanceChannel instance(path, 30s);  // the deadline must not be what ends the wait
  Recorder recorder;
  ASSERT_TRUE(instance.Listen(recorder.Handler()));
  RawClient silent(path);
  ASSERT_TRUE(silent.Connected());
  ASSERT_TRUE(silent.Write("\x01", 1));

  const auto start = Steady::now();
  instance.StopListening();
  EXPECT_LT(Steady::now() - start, 2s);
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(LinuxInstanceChannel(path).Send(kGotoFront, 1s), SendResult::NoInstance);
  EXPECT_TRUE(recorder.Messages().empty());
  instance.StopListening();  // twice is harmless

  ASSERT_TRUE(instance.Listen(recorder.Handler()));  // and it can listen again
  EXPECT_EQ(LinuxInstanceChannel(path).Send(kTerminate, 5s), SendResult::Delivered);
}

TEST(LinuxInstanceChannel, ListenRefusesASecondListenAndForeignFiles) {
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  LinuxInstanceChannel instance(path);
  Recorder recorder;
  ASSERT_TRUE(instance.Listen(recorder.Handler()));
  EXPECT_FALSE(instance.Listen(recorder.Handler()));
  instance.StopListening();

  const std::string plain = temp / "plain";
  std::ofstream(plain) << "not a socket";
  LinuxInstanceChannel onFile(plain);
  EXPECT_FALSE(onFile.Listen(recorder.Handler()));
  EXPECT_TRUE(std::filesystem::is_regular_file(plain));
}

TEST(LinuxInstanceChannel, PathLongerThanASocketAddressIsRefused) {
  TempDir temp;
  const std::string longPath = temp.Path() + "/" + std::string(LinuxInstanceChannel::kMaxPathLength, 'x');
  LinuxInstanceChannel channel(longPath);
  Recorder recorder;
  EXPECT_FALSE(channel.Listen(recorder.Handler()));
  EXPECT_EQ(channel.Send(kGotoFront, 1s), SendResult::NoInstance);
}

TEST(LinuxInstanceChannel, StopListeningFromInsideTheHandlerDoesNotHang) {
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  auto instance = std::make_unique<LinuxInstanceChannel>(path);
  Recorder recorder;
  ASSERT_TRUE(instance->Listen([&](const InstanceMessage& m) {
    recorder(m);
    instance->StopListening();
  }));
  EXPECT_EQ(LinuxInstanceChannel(path).Send(kTerminate, 5s), SendResult::Delivered);
  instance.reset();
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(recorder.Messages(), std::vector<InstanceMessage>{kTerminate});
}

TEST(LinuxInstanceChannel, PeerOfAnotherUserIsNotHeard) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a client as another user";
  TempDir temp;
  const std::string path = temp / "brivak3.sock";
  LinuxInstanceChannel instance(path);
  Recorder recorder;
  ASSERT_TRUE(instance.Listen(recorder.Handler()));
  // Open the way so that only the credential check can stop the stranger.
  ASSERT_EQ(::chmod(temp.Path().c_str(), 0711), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(9);
    LinuxInstanceChannel stranger(path);
    ::_exit(static_cast<int>(stranger.Send(kTerminate, 5s)));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(SendResult::TimedOut));
  EXPECT_TRUE(recorder.Messages().empty());
  EXPECT_EQ(LinuxInstanceChannel(path).Send(kGotoFront, 5s), SendResult::Delivered);  // still serving us
}

}  // namespace
}  // namespace brivak::platform
