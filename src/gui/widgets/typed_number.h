// A whole number typed into a box that takes only a range: the number held
// to the range, and the words that tell the user so. The boxes correct what
// was typed in plain sight instead of quietly keeping an older value.
#pragma once

#include <QString>
#include <cstdint>

namespace vr {

struct TypedNumber {
  std::int32_t value = 0;  // what the box holds now
  bool corrected = false;  // the text typed was not exactly this number
};

// The number in `text` (blanks around it allowed) held to min..max;
// `fallback` when the text holds no whole number.
TypedNumber HoldToRange(const QString& text, std::int32_t min, std::int32_t max, std::int32_t fallback);

// "From MIN to MAX", the range a box shows in its tooltip.
QString RangeText(std::int32_t min, std::int32_t max);

// Why a typed text was replaced: "5000 is not from 10 to 1024: set to 1024."
QString CorrectionNote(const QString& typed, std::int32_t min, std::int32_t max, std::int32_t value);

}  // namespace vr
