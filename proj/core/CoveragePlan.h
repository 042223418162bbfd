// Which window covers which monitor while locked: the lock screen on the primary monitor and a black
// cover on every other one. Pure: the caller measures the monitors and creates the windows.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace brivak::core {

struct ScreenRect {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

struct MonitorInfo {
  ScreenRect rect;  // in virtual-desktop coordinates; may be negative left of or above the origin
  bool primary = false;
  friend bool operator==(const MonitorInfo&, const MonitorInfo&) = default;
};

struct CoverageCover {
  std::size_t monitor = 0;  // index into the monitor table
  ScreenRect rect;
  friend bool operator==(const CoverageCover&, const CoverageCover&) = default;
};

struct CoveragePlan {
  // The rectangle of every monitor together: the first cover of the lock screen, before it is
  // placed on its monitor. Empty (0,0,0,0) for an empty table.
  ScreenRect virtualDesktop;
  // The monitor that carries the lock screen: the last one that reports itself primary, 0 when
  // none does. Nullopt only for an empty table (the lock screen then keeps the virtual desktop).
  std::optional<std::size_t> primary;
  ScreenRect lockScreen;
  std::vector<CoverageCover> covers;  // one per other monitor, in table order
  friend bool operator==(const CoveragePlan&, const CoveragePlan&) = default;
};

CoveragePlan PlanCoverage(const std::vector<MonitorInfo>& monitors);

// How to get from the covers on screen now to the covers of a new plan without leaving any behind.
// Each wanted cover reuses an existing window when one is left (one already at that rectangle
// first), else a new window is created; the windows left over are released.
struct CoverSlot {
  std::optional<std::size_t> reuse;  // index into `current`; nullopt: create a window
  ScreenRect rect;
  friend bool operator==(const CoverSlot&, const CoverSlot&) = default;
};
struct CoverDiff {
  std::vector<CoverSlot> places;     // one per wanted cover, in the order of `wanted`
  std::vector<std::size_t> release;  // indexes into `current`, ascending
  friend bool operator==(const CoverDiff&, const CoverDiff&) = default;
};

CoverDiff DiffCovers(const std::vector<ScreenRect>& current, const std::vector<CoverageCover>& wanted);

}  // namespace brivak::core
