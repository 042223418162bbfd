#include "proj/ui/LogSearch.h"

namespace brivak::ui {

namespace {

bool MatchesAt(const QString& text, const QString& query, int at) {
  for (int i = 0; i < query.size(); ++i) {
    if (text[at + i].toCaseFolded() != query[i].toCaseFolded()) return false;
  }
  return true;
}

}  // namespace

int FindForward(const QString& text, const QString& query, int from) {
  if (query.isEmpty() || from < 0) return -1;
  for (int at = from; at + query.size() <= text.size(); ++at) {
    if (MatchesAt(text, query, at)) return at;
  }
  return -1;
}

int FindBackward(const QString& text, const QString& query, int selectionStart) {
  if (query.isEmpty() || selectionStart < query.size() || text.size() < query.size()) return -1;
  const int lastEnd = std::min<int>(selectionStart, static_cast<int>(text.size()));
  for (int end = lastEnd; end >= query.size(); --end) {
    if (MatchesAt(text, query, end - static_cast<int>(query.size()))) return end - static_cast<int>(query.size());
  }
  return -1;
}

}  // namespace brivak::ui
