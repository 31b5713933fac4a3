// What our controls throw when a property write breaks a rule: the number the
// platform gives such failures (380 for an invalid property value, 6 for an
// overflow) and a sentence for the user. A failed write changes nothing.
#pragma once

#include <stdexcept>
#include <string>

namespace vr {

class PropertyError : public std::runtime_error {
 public:
  static constexpr int kInvalidPropertyValue = 380;
  static constexpr int kOverflow = 6;

  PropertyError(int number, const std::string& message) : std::runtime_error(message), number_(number) {}

  static PropertyError InvalidValue(const std::string& property) {
    return PropertyError(kInvalidPropertyValue, "Invalid property value for " + property);
  }
  static PropertyError Overflow(const std::string& property) {
    return PropertyError(kOverflow, "Overflow in " + property);
  }

  int number() const { return number_; }

 private:
  int number_;
};

}  // namespace vr
