// Messages to the running instance over a Unix stream socket beside the instance lock
// ("brivak3.sock"). One connection carries one message: 12 bytes (message, wParam, lParam as
// little-endian 32-bit numbers) from the sender, then one acknowledgement byte from the instance,
// written after its handler has run.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Instance.h"
#include "platform/linux/UniqueFd.h"

namespace brivak::platform {

class LinuxInstanceChannel : public InstanceChannel {
 public:
  // A socket path must fit sockaddr_un (at most 107 bytes); a longer one makes Listen return false
  // and Send return NoInstance.
  static constexpr std::size_t kMaxPathLength = 107;

  // `clientDeadline` bounds how long the listener waits for one client to send its message and to
  // take the acknowledgement, so a client that connects and says nothing cannot hold it up.
  explicit LinuxInstanceChannel(std::string socketPath,
                                std::chrono::milliseconds clientDeadline = std::chrono::seconds(2));
  // Stops listening. Must not run on the listener thread (that is, inside the handler).
  ~LinuxInstanceChannel() override;

  // Replaces a stale socket file (the caller holds the instance lock, so no live instance owns it),
  // binds with mode 0600 and starts the listener thread. Connections are served one at a time;
  // peers running as another user are dropped unheard. False when the socket cannot be opened or
  // the channel already listens.
  bool Listen(Handler handler) override;
  // Wakes and joins the listener thread, then removes the socket file. Prompt, unless a handler is
  // running: that one is waited for. Called from inside the handler, it only asks the thread to end.
  void StopListening() override;
  // Connects, sends, and waits for the acknowledgement until `timeout` has passed since the call.
  // NoInstance when nobody listens at the path; TimedOut when connected but no acknowledgement came
  // in time (or the instance closed the connection without one). Never throws.
  SendResult Send(const InstanceMessage& message, std::chrono::milliseconds timeout) override;

  const std::string& Path() const { return path_; }

 private:
  void Run();
  void Serve(int connection);

  const std::string path_;
  const std::chrono::milliseconds clientDeadline_;

  std::mutex mutex_;  // serialises Listen and StopListening
  std::thread thread_;
  std::atomic<std::thread::id> listenerId_{};
  // Set before the thread starts and released after it is joined; the thread reads them freely.
  UniqueFd listenFd_;
  UniqueFd wakeFd_;  // eventfd, made readable once to stop the thread
  Handler handler_;
  dev_t boundDevice_ = 0;
  ino_t boundInode_ = 0;
};

}  // namespace brivak::platform
