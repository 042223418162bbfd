#include "proj/core/CoveragePlan.h"

#include <algorithm>

namespace brivak::core {

CoveragePlan PlanCoverage(const std::vector<MonitorInfo>& monitors) {
  CoveragePlan plan;
  if (monitors.empty()) return plan;

  long long left = monitors.front().rect.left, top = monitors.front().rect.top;
  long long right = left + monitors.front().rect.width, bottom = top + monitors.front().rect.height;
  std::size_t primary = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const ScreenRect& r = monitors[i].rect;
    left = std::min<long long>(left, r.left);
    top = std::min<long long>(top, r.top);
    right = std::max<long long>(right, static_cast<long long>(r.left) + r.width);
    bottom = std::max<long long>(bottom, static_cast<long long>(r.top) + r.height);
    if (monitors[i].primary) primary = i;  // the last one that says so
  }
  plan.virtualDesktop = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                         static_cast<int>(bottom - top)};
  plan.primary = primary;
  plan.lockScreen = monitors[primary].rect;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    if (i != primary) plan.covers.push_back({i, monitors[i].rect});
  }
  return plan;
}

CoverDiff DiffCovers(const std::vector<ScreenRect>& current, const std::vector<CoverageCover>& wanted) {
  CoverDiff diff;
  std::vector<bool> taken(current.size(), false);
  diff.places.resize(wanted.size());
  // Windows already in place stay untouched.
  for (std::size_t w = 0; w < wanted.size(); ++w) {
    diff.places[w].rect = wanted[w].rect;
    for (std::size_t c = 0; c < current.size(); ++c) {
      if (!taken[c] && current[c] == wanted[w].rect) {
        taken[c] = true;
        diff.places[w].reuse = c;
        break;
      }
    }
  }
  // The others are moved, first come first served, or created.
  std::size_t next = 0;
  for (CoverSlot& slot : diff.places) {
    if (slot.reuse) continue;
    while (next < current.size() && taken[next]) ++next;
    if (next < current.size()) {
      taken[next] = true;
      slot.reuse = next;
    }
  }
  for (std::size_t c = 0; c < current.size(); ++c) {
    if (!taken[c]) diff.release.push_back(c);
  }
  return diff;
}

}  // namespace brivak::core
