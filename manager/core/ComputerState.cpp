#include "manager/core/ComputerState.h"

#include <algorithm>

namespace brivak::manager {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsNoCase(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [](char a, char b) { return Lower(a) == Lower(b); }) != text.end();
}

}  // namespace

ComputerState StateOf(const TComputer& computer) {
  if (computer.StateIndex == kStateIndexRefused) return ComputerState::Refused;
  if (computer.StatusStr == "Locked") return ComputerState::Locked;
  if (computer.StatusStr == "Unlocked" || computer.StatusStr == "Unlocking") return ComputerState::Unlocked;
  return ComputerState::NotAnswering;
}

std::string_view StateName(ComputerState state) {
  switch (state) {
    case ComputerState::Locked: return "locked";
    case ComputerState::Unlocked: return "unlocked";
    case ComputerState::NotAnswering: return "not answering";
    case ComputerState::Refused: return "refused";
  }
  return "not answering";
}

void StateCounts::Add(ComputerState state) {
  ++computers;
  switch (state) {
    case ComputerState::Locked: ++locked; break;
    case ComputerState::Unlocked: ++unlocked; break;
    case ComputerState::NotAnswering: ++notAnswering; break;
    case ComputerState::Refused: ++refused; break;
  }
}

StateCounts CountStates(const TComputerList& list) {
  StateCounts counts;
  for (const TComputer& c : list.Items()) counts.Add(StateOf(c));
  return counts;
}

std::string SummaryLine(const StateCounts& c) {
  std::string line = std::to_string(c.computers) + (c.computers == 1 ? " computer, " : " computers, ") +
                     std::to_string(c.locked) + " locked, " + std::to_string(c.unlocked) + " unlocked, " +
                     std::to_string(c.notAnswering) + " not answering";
  if (c.refused > 0) line += ", " + std::to_string(c.refused) + " refused";
  return line;
}

bool MatchesFilter(const TComputer& computer, std::string_view filter) {
  return ContainsNoCase(computer.ComputerName, filter) || ContainsNoCase(computer.RemoteIP, filter) ||
         ContainsNoCase(computer.CurrentUser, filter);
}

}  // namespace brivak::manager
