// Request parameters of the remote command protocol: the query's fields and, for a POST of a
// form, the body's fields. Pure functions and a small value type; safe on any thread.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "proj/core/RemoteRequest.h"

namespace brivak::core {

// "+" becomes a blank and "%" with two hexadecimal digits becomes that byte; an escape that is
// not well formed ("%", "%4", "%zz") is kept as it stands.
std::string PercentDecode(std::string_view text);

// The target's path: everything before the first "?" (the whole target when there is none).
std::string_view RequestPath(std::string_view target);
// The target's query: everything after the first "?" (empty when there is none).
std::string_view RequestQuery(std::string_view target);

// True when the media type of a Content-Type value is application/x-www-form-urlencoded
// (any case, parameters such as "; charset=..." ignored).
bool IsFormContentType(std::string_view contentType);

// The target with the value of every "s_password" field of its query replaced by "*******",
// for log lines. Field names are compared after decoding and without regard to case.
std::string MaskPasswordInTarget(std::string_view target);

// Fields in arrival order. Lookup ignores ASCII case and the first occurrence counts; a missing
// field reads as the empty text.
class RequestParams {
 public:
  // The query's fields, then (POST with a form content type only) the body's fields.
  static RequestParams FromRequest(const HttpRequest& request);

  // Appends the fields of an encoded "a=1&b=2" text: split on "&", empty pieces skipped, name and
  // value split at the first "=" (a piece without "=" is a name with an empty value), both decoded.
  void AddFields(std::string_view encoded);

  std::string Get(std::string_view name) const;
  bool Has(std::string_view name) const;
  const std::vector<std::pair<std::string, std::string>>& Fields() const { return fields_; }

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
};

}  // namespace brivak::core
