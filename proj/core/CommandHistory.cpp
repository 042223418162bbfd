#include "proj/core/CommandHistory.h"

#include "proj/core/LogFormat.h"

namespace brivak::core {

std::string CommandPath(const std::string& target) {
  std::string path = target.substr(0, target.find('?'));
  return SanitizeLogText(path.size() > 200 ? path.substr(0, 200) : path);
}

void CommandHistory::Record(const HttpRequest& request, const HttpReply& reply) {
  const auto now = clock_.Local();
  std::string outcome = reply.status == 200 ? reply.reason : std::to_string(reply.status);
  if (outcome.empty()) outcome = "(empty reply)";
  std::string line = FormatShortDate(now) + " " + FormatLongTime(now) + "  " + SanitizeLogText(request.remoteAddress) +
                     "  " + request.method + " " + CommandPath(request.target) + "  " + SanitizeLogText(outcome);
  std::lock_guard lock(mutex_);
  lines_.push_back(std::move(line));
  while (lines_.size() > kCapacity) lines_.pop_front();
}

std::vector<std::string> CommandHistory::Lines() const {
  std::lock_guard lock(mutex_);
  return {lines_.begin(), lines_.end()};
}

HttpReply RecordingHandler::Handle(const HttpRequest& request) {
  HttpReply reply = inner_.Handle(request);
  try {
    history_.Record(request, reply);
  } catch (...) {
    // The history is a convenience: the reply goes out whatever happens to it.
  }
  return reply;
}

}  // namespace brivak::core
