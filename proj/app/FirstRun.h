// The first start on an account: the data folder gets its own copy of the shipped layouts, which
// users may edit there without touching the installation.
#pragma once

#include <string>

namespace brivak::app {

struct LayoutCopyResult {
  bool copied = false;  // the data folder had no layouts and now has the shipped ones
  std::string error;    // non-empty when a copy was needed and failed (the folder is left out)
};

// Copies `appPath`/layouts into `appData`/layouts when the latter does not exist. Both paths end
// in "/". Nothing happens when the data folder already has a layouts folder (a user's edits are
// never overwritten) or when the installation ships none. A failed copy leaves no partial folder.
LayoutCopyResult CopyShippedLayouts(const std::string& appPath, const std::string& appData);

// The layout a first start points at: the shipped SLF layout, until HTML layouts can be shown.
inline constexpr const char* kFirstRunLayout = "layouts/slf/simple.ini";

}  // namespace brivak::app
