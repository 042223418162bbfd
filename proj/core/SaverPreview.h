// The "/p" preview of the program's screen-saver entry: which window to paint, and what.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brivak::core {

// The window id of "/p <id>": the second parameter, in decimal as the entry reads it (each
// character's digit value times the power of ten of its position, non-digits unchecked) or, as X
// tools write window ids, in hexadecimal after "0x". 0 when there is none.
std::uint64_t PreviewWindowId(const std::vector<std::string>& args);

// What every 100 ms paints: a black band from y 43 to y 65 across the window's width plus 32,
// and "Brivak 3.0" in green (0, 255, 0) at x 45, y 43 (top of the text).
inline constexpr int kPreviewBandTop = 43;
inline constexpr int kPreviewBandBottom = 65;
inline constexpr int kPreviewBandExtra = 32;
inline constexpr int kPreviewTextLeft = 45;
inline constexpr int kPreviewIntervalMs = 100;
inline constexpr const char* kPreviewText = "Brivak 3.0";

}  // namespace brivak::core
