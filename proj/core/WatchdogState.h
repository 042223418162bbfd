// The decisions of the lock's watchdog (brivak3-watchdog): a small process beside brivak3 that keeps
// a lock closed when brivak3 dies while locked. The watchdog's loop turns what it sees (a line from
// a locker, a locker's connection ending, time passing) into calls of this class and carries out
// the actions it returns, in order. Plain logic: no sockets, no X, time from the caller.
//
// Protocol: lines of text over a stream socket, one request per line, from the locker:
//   "lock"      a lock begins: the watchdog maps its black covers over every monitor and answers
//               "covered" once they are mapped; the lock screen's windows, mapped afterwards, lie
//               above them, so the covers are directly beneath the lock for as long as it lasts.
//   "held"      the lock screen covers every monitor: a watchdog holding the grabs (after a crash or
//               a hand-over) gives them up and answers "released"; one holding none answers "ok".
//   "unlock"    the lock ended normally: covers unmapped.
//   "handover"  the locker stops while locked and a later start takes over (the update script's
//               stop request): covers raised above everything, grabs taken, and if no locker has
//               said "held" after kHandOverWaitMs the watchdog starts brivak3 itself.
// A locker whose connection ends while its lock lasts has died (crash, abort, kill -9): covers
// raised, grabs taken, brivak3 started again at once; it finds its persisted "locked" state and
// locks, and its "held" hands the grabs back. A restarted locker that does not lock is followed by
// another start every kRestartRetryMs. With no lock to keep and no locker connected the watchdog
// ends; a watchdog that holds a lock never ends by itself.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brivak::core {

struct WatchdogAction {
  enum class Kind {
    MapCovers,     // map the covers where new windows go (above what is mapped now)
    RaiseCovers,   // raise the covers above every window
    UnmapCovers,
    TakeGrabs,     // keyboard and pointer, kept (retried) until ReleaseGrabs
    ReleaseGrabs,
    Reply,         // send `text` + "\n" to `client`
    StartLocker,   // start brivak3 again
    Log,           // one line on the watchdog's standard output
    Exit,
  };
  Kind kind;
  int client = -1;
  std::string text;
  friend bool operator==(const WatchdogAction&, const WatchdogAction&) = default;
};

class WatchdogState {
 public:
  static constexpr std::int64_t kHandOverWaitMs = 60000;
  static constexpr std::int64_t kRestartRetryMs = 20000;

  enum class Phase {
    Idle,      // no lock: covers unmapped
    Covering,  // a live locker's lock: covers mapped beneath it, no grabs
    Holding,   // the locker is gone while locked: covers on top, grabs taken
  };

  explicit WatchdogState(std::int64_t handOverWaitMs = kHandOverWaitMs,
                         std::int64_t restartRetryMs = kRestartRetryMs);

  // A locker connected (its id is the caller's; unique while connected).
  void OnConnected(int client);
  // One line from `client`, without its line end. Unknown lines are logged and ignored.
  std::vector<WatchdogAction> OnLine(int client, std::string_view line, std::int64_t nowMs);
  // The connection of `client` ended (end of file or error).
  std::vector<WatchdogAction> OnGone(int client, std::int64_t nowMs);
  // Time passed; the caller calls it at NextDeadline() at the latest.
  std::vector<WatchdogAction> OnTick(std::int64_t nowMs);
  // When OnTick next has something to do; nullopt when nothing is timed.
  std::optional<std::int64_t> NextDeadline() const { return startAt_; }

  Phase CurrentPhase() const { return phase_; }
  // The locker whose lock is being kept (-1: none).
  int Owner() const { return owner_; }

 private:
  void Hold(std::vector<WatchdogAction>& out, std::int64_t startAtMs, const std::string& why);

  std::int64_t handOverWaitMs_;
  std::int64_t restartRetryMs_;
  Phase phase_ = Phase::Idle;
  int owner_ = -1;
  std::set<int> clients_;
  std::optional<std::int64_t> startAt_;  // Holding: when brivak3 is started (again)
};

// Texts of the watchdog's standard output.
namespace watchdog_text {
inline constexpr const char* kCovering = "brivak3-watchdog: lock begins, screens covered";
inline constexpr const char* kCrashed = "brivak3-watchdog: brivak3 ended while locked; screens covered, input held";
inline constexpr const char* kHandOver = "brivak3-watchdog: hand-over while locked; screens covered, input held";
inline constexpr const char* kStarting = "brivak3-watchdog: starting brivak3";
inline constexpr const char* kReleased = "brivak3-watchdog: the new lock screen covers the screens; input handed over";
inline constexpr const char* kUnlocked = "brivak3-watchdog: lock ended";
inline constexpr const char* kEnding = "brivak3-watchdog: no lock to keep, ending";
}  // namespace watchdog_text

}  // namespace brivak::core
