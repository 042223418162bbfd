// The "/p" preview painter on X11: paints into a window another program owns until that window
// is gone.
#pragma once

#include <cstdint>
#include <string>

namespace brivak::platform {

// Every 100 ms paints the preview band and "Brivak 3.0" into `window` until the window is gone
// (a window id that is no window ends it at the first tick); then true. False only when `window`
// is 0 or no display answers.
bool PaintSaverPreview(std::uint64_t window, const std::string& displayName = {});

}  // namespace brivak::platform
