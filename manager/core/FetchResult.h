// A value fetched from a locker, or why there is none. A failed fetch is never an empty value
// that looks real.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace brivak::manager {

template <typename T>
class FetchResult {
 public:
  static FetchResult Ok(T value) { return FetchResult(std::move(value), {}); }
  static FetchResult Fail(std::string error) { return FetchResult(std::nullopt, std::move(error)); }

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  // Only when ok().
  const T& value() const { return *value_; }
  T& value() { return *value_; }
  // Only when !ok(): the text for the log or a message box.
  const std::string& error() const { return error_; }

 private:
  FetchResult(std::optional<T> value, std::string error) : value_(std::move(value)), error_(std::move(error)) {}
  std::optional<T> value_;
  std::string error_;
};

}  // namespace brivak::manager
