// What a row of the computer list shows at a glance: the locker's state, and the summary line
// over the whole list. Pure functions; safe on any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "manager/core/Computer.h"

namespace brivak::manager {

enum class ComputerState { Locked, Unlocked, NotAnswering, Refused };

// `StateIndex` of a record that refused the manager's last command (credentials or address); a
// status reply of that locker clears it, as every reply replaces the whole record.
inline constexpr std::int32_t kStateIndexRefused = 3;

// Refused when its StateIndex says so; else from `StatusStr`: "Locked", "Unlocked" (also
// "Unlocking", which ends unlocked), anything else (empty, unknown) not answering.
ComputerState StateOf(const TComputer& computer);
std::string_view StateName(ComputerState state);  // "locked", "unlocked", "not answering", "refused"

struct StateCounts {
  std::size_t computers = 0;
  std::size_t locked = 0;
  std::size_t unlocked = 0;
  std::size_t notAnswering = 0;
  std::size_t refused = 0;
  void Add(ComputerState state);
};

StateCounts CountStates(const TComputerList& list);
// "12 computers, 3 locked, 8 unlocked, 1 not answering" (+ ", 2 refused" when any refused).
std::string SummaryLine(const StateCounts& counts);

// The filter box: true when `filter` is empty or occurs, without regard to ASCII case, in the
// name, the address or the current user.
bool MatchesFilter(const TComputer& computer, std::string_view filter);

}  // namespace brivak::manager
