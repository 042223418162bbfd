// The remote commands this run served, for the options dialog's "Server Status": the last 100, each
// as one line "time  address  command  outcome". Only the path of a request is kept, never its
// query or body, so no password is ever recorded. `RecordingHandler` wraps the command handler and
// records every exchange. Thread-safe: network threads record, the UI thread reads.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "proj/core/RemoteRequest.h"

namespace brivak::core {

class CommandHistory {
 public:
  static constexpr std::size_t kCapacity = 100;
  explicit CommandHistory(const platform::Clock& clock) : clock_(clock) {}

  void Record(const HttpRequest& request, const HttpReply& reply);
  // Oldest first.
  std::vector<std::string> Lines() const;

 private:
  const platform::Clock& clock_;
  mutable std::mutex mutex_;
  std::deque<std::string> lines_;  // guarded by mutex_
};

// The path of a request target, without its query: "/unlock?s_password=x" gives "/unlock".
std::string CommandPath(const std::string& target);

class RecordingHandler final : public RequestHandler {
 public:
  // Both must outlive this object.
  RecordingHandler(RequestHandler& inner, CommandHistory& history) : inner_(inner), history_(history) {}
  HttpReply Handle(const HttpRequest& request) override;

 private:
  RequestHandler& inner_;
  CommandHistory& history_;
};

}  // namespace brivak::core
