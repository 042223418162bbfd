#include "proj/core/CommandQueue.h"

#include <algorithm>
#include <utility>

namespace brivak::core {

namespace {
bool MustNotBeLost(const std::string& word) {
  return word == "shutdown" || word == "terminate";
}
}  // namespace

bool CommandQueue::Post(LockCommand command) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!pending_.empty() && command.word != "remotemessage" && pending_.back() == command) return false;
  if (command.word == "badpass" && (Pending("shutdown") || Pending("terminate"))) return false;
  if (pending_.size() >= kMaxPending && (!MustNotBeLost(command.word) || Pending(command.word))) {
    return false;
  }
  pending_.push_back(std::move(command));
  return true;
}

std::optional<LockCommand> CommandQueue::TryTake() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (pending_.empty()) return std::nullopt;
  LockCommand command = std::move(pending_.front());
  pending_.pop_front();
  return command;
}

std::vector<LockCommand> CommandQueue::Clear() {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<LockCommand> taken(std::make_move_iterator(pending_.begin()),
                                 std::make_move_iterator(pending_.end()));
  pending_.clear();
  return taken;
}

std::size_t CommandQueue::Size() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return pending_.size();
}

bool CommandQueue::Pending(const std::string& word) const {
  return std::any_of(pending_.begin(), pending_.end(),
                     [&word](const LockCommand& c) { return c.word == word; });
}

}  // namespace brivak::core
