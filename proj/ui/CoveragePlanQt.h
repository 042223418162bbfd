// proj/core/CoveragePlan.h for code that also includes Qt: Qt's keyword macro "slots" would eat
// the field CoverDiff::slots, so the header is read with the macro set aside, and the field is
// reached through CoverSlotsOf.
#pragma once

#pragma push_macro("slots")
#undef slots
#include "proj/core/CoveragePlan.h"

namespace brivak::ui {
inline const std::vector<core::CoverSlot>& CoverSlotsOf(const core::CoverDiff& diff) { return diff.slots; }
}  // namespace brivak::ui
#pragma pop_macro("slots")
