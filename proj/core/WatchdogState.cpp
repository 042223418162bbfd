#include "proj/core/WatchdogState.h"

namespace brivak::core {

namespace {

using Kind = WatchdogAction::Kind;

WatchdogAction Act(Kind kind) { return WatchdogAction{kind, -1, {}}; }
WatchdogAction Say(const std::string& text) { return WatchdogAction{Kind::Log, -1, text}; }
WatchdogAction Reply(int client, const char* text) { return WatchdogAction{Kind::Reply, client, text}; }

}  // namespace

WatchdogState::WatchdogState(std::int64_t handOverWaitMs, std::int64_t restartRetryMs)
    : handOverWaitMs_(handOverWaitMs), restartRetryMs_(restartRetryMs) {}

void WatchdogState::OnConnected(int client) { clients_.insert(client); }

void WatchdogState::Hold(std::vector<WatchdogAction>& out, std::int64_t startAtMs, const std::string& why) {
  out.push_back(Act(Kind::RaiseCovers));
  out.push_back(Act(Kind::TakeGrabs));
  out.push_back(Say(why));
  phase_ = Phase::Holding;
  owner_ = -1;
  startAt_ = startAtMs;
}

std::vector<WatchdogAction> WatchdogState::OnLine(int client, std::string_view line, std::int64_t nowMs) {
  std::vector<WatchdogAction> out;
  if (line == "lock") {
    if (phase_ == Phase::Idle) {
      out.push_back(Act(Kind::MapCovers));
      out.push_back(Say(watchdog_text::kCovering));
      phase_ = Phase::Covering;
    }
    // Holding: the covers are up already; the new lock screen maps above them.
    owner_ = client;
    out.push_back(Reply(client, "covered"));
  } else if (line == "held") {
    const bool holding = phase_ == Phase::Holding;
    if (holding) {
      out.push_back(Act(Kind::ReleaseGrabs));
      out.push_back(Say(watchdog_text::kReleased));
      phase_ = Phase::Covering;
      startAt_.reset();
    }
    if (phase_ == Phase::Covering) owner_ = client;
    out.push_back(Reply(client, holding ? "released" : "ok"));
  } else if (line == "unlock") {
    // Only the locker that holds the lock ends it.
    if (client == owner_ && phase_ == Phase::Covering) {
      out.push_back(Act(Kind::UnmapCovers));
      out.push_back(Say(watchdog_text::kUnlocked));
      phase_ = Phase::Idle;
      owner_ = -1;
    }
  } else if (line == "handover") {
    if (client == owner_ && phase_ == Phase::Covering) {
      Hold(out, nowMs + handOverWaitMs_, watchdog_text::kHandOver);
    }
  } else {
    out.push_back(Say("brivak3-watchdog: unknown request ignored: " + std::string(line.substr(0, 40))));
  }
  return out;
}

std::vector<WatchdogAction> WatchdogState::OnGone(int client, std::int64_t nowMs) {
  std::vector<WatchdogAction> out;
  clients_.erase(client);
  if (client == owner_ && phase_ == Phase::Covering) {
    // Started at once, and again after a while if that one does not lock.
    Hold(out, nowMs + restartRetryMs_, watchdog_text::kCrashed);
    out.push_back(Say(watchdog_text::kStarting));
    out.push_back(Act(Kind::StartLocker));
    return out;
  }
  if (client == owner_) owner_ = -1;
  if (phase_ == Phase::Idle && clients_.empty()) {
    out.push_back(Say(watchdog_text::kEnding));
    out.push_back(Act(Kind::Exit));
  }
  return out;
}

std::vector<WatchdogAction> WatchdogState::OnTick(std::int64_t nowMs) {
  std::vector<WatchdogAction> out;
  if (phase_ != Phase::Holding || !startAt_ || nowMs < *startAt_) return out;
  out.push_back(Say(watchdog_text::kStarting));
  out.push_back(Act(Kind::StartLocker));
  startAt_ = nowMs + restartRetryMs_;
  return out;
}

}  // namespace brivak::core
