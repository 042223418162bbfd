// Text helpers of the manager's web interface: HTML escaping, the query encoding of computer names
// in links, and the placeholder filling of page templates. All are pure and thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brivak::manager {

// Reverses PercentEncode (manager/core/CommandUrls.h) exactly: every "%" followed by two hexadecimal digits becomes that byte; anything else, "+" included, is
// kept as it is (browsers send a space in a link as "%20").
std::string DecodeQueryValue(std::string_view text);

// `templateText` with every placeholder of `values` (name, value) replaced by its value, in one
// pass from left to right: a value is never searched again, so a value that happens to hold a
// placeholder text (a locker may name itself "%STATUS%") is shown as it is. Names are matched
// case-sensitively; where two names start at the same place the earlier one in `values` wins.
// Values are inserted as given: escape them before.
std::string FillTemplate(std::string_view templateText,
                         const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace brivak::manager
