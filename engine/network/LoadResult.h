#pragma once
// The outcome of loading something from files: the loaded value, or a text
// that says what was wrong with which file.
#include <optional>
#include <string>
#include <utility>

namespace velmora::engine {

struct LoadError {
  std::string text;
};

template <typename T>
class LoadResult {
 public:
  LoadResult(T value) : value_(std::move(value)) {}             // NOLINT: implicit on purpose
  LoadResult(LoadError error) : error_(std::move(error.text)) {}  // NOLINT: implicit on purpose

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }

  const T& value() const& { return *value_; }
  T& value() & { return *value_; }
  T&& value() && { return std::move(*value_); }

  // Empty when ok().
  const std::string& error() const { return error_; }

 private:
  std::optional<T> value_;
  std::string error_;
};

}  // namespace velmora::engine
