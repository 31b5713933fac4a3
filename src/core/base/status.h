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

// Propagation without the hand-written check after every call.
//
// VR_TRY(call) returns the failure of a call giving a Status from the
// enclosing function, which returns a Status or any Expected.
//
// VR_TRY_ASSIGN(declaration, call) does the same for a call giving an
// Expected, and otherwise moves the value into the declared variable:
//   VR_TRY_ASSIGN(const BmpLayout layout, ReadBmpLayout(bytes, file));
// It declares a hidden variable as well, so it is a statement of its own,
// never the body of an unbraced if or loop.
//
// Both pass the failure on as it is; a caller that adds context to the
// message checks the result itself.
#define VR_TRY(call)                                                                       \
  do {                                                                                     \
    if (::vr::Status vr_try_status_ = (call); !vr_try_status_.ok()) return vr_try_status_; \
  } while (false)

#define VR_TRY_ASSIGN(declaration, ...) \
  VR_TRY_ASSIGN_INTO_(VR_TRY_JOIN_(vr_try_expected_, __LINE__), declaration, __VA_ARGS__)

#define VR_TRY_ASSIGN_INTO_(holder, declaration, ...) \
  auto holder = (__VA_ARGS__);                        \
  if (!holder.ok()) return holder.status();           \
  declaration = std::move(*holder)

#define VR_TRY_JOIN_(a, b) VR_TRY_JOIN_TOKENS_(a, b)
#define VR_TRY_JOIN_TOKENS_(a, b) a##b
