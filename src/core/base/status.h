// Success-or-failure values used across the core. A failure carries a
// message meant for the user: what failed and which file. Both types are
// [[nodiscard]]: a result is propagated or handled, and one ignored on
// purpose is cast to void where the reason is written down.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace vr {

class [[nodiscard]] Status {
 public:
  static Status Ok() { return Status(); }
  static Status Fail(std::string message) { return Status(std::move(message)); }

  bool ok() const { return !message_.has_value(); }
  explicit operator bool() const { return ok(); }
  // Empty for a success.
  const std::string& message() const {
    static const std::string kEmpty;
    return message_ ? *message_ : kEmpty;
  }

 private:
  Status() = default;
  explicit Status(std::string message) : message_(std::move(message)) {}
  std::optional<std::string> message_;
};

// A value or the failure that prevented it.
template <class T>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : value_(std::move(value)) {}             // NOLINT: implicit on purpose
  Expected(Status failure) : failure_(std::move(failure)) {}  // NOLINT

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  const Status& status() const { return failure_; }
  const std::string& message() const { return failure_.message(); }

 private:
  std::optional<T> value_;
  Status failure_ = Status::Ok();
};

}  // namespace vr
