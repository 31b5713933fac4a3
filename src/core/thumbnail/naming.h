// Thumbnail file names: the naming convention (OUTname) is free text with
// tokens for the source's own name, the run's sequence number, today's date
// and the time of day. Plain logic: the caller owns the counter and tells
// the clock, so a run (or a test) decides both.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace vr {

// A local wall-clock reading. month and day count from 1, hour is 0 to 23.
struct LocalDateTime {
  int year = 0;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The computer's local date and time now.
LocalDateTime LocalNow();

// The run's sequence number for the counter tokens. A run starts it at 0;
// every name made advances it by one, whether the convention uses it or not.
struct NameCounter {
  std::int32_t value = 0;

  void Reset() { value = 0; }
  // After the largest 32-bit value it starts again at 0, so it is never
  // negative and never overflows.
  void Advance() { value = value == std::numeric_limits<std::int32_t>::max() ? 0 : value + 1; }
};

// Used when neither the convention nor the source gives any name at all.
inline constexpr std::string_view kFallbackName = "thumbnail";

// The file's name without its folders and without its last extension:
// "/pics/my.holiday.photo.jpg" gives "my.holiday.photo". A name whose only
// dot is its first character (".png") is kept whole, as a hidden file's name
// is not an extension.
std::string GetBaseName(std::string_view path);

// The convention with every token replaced, nothing else changed and the
// counter left alone (for showing an example name). Tokens, lower case only,
// are replaced in this order, each one everywhere before the next:
//   %o  %####  %###  %##  %ddmmyyyy  %ddmmyy  %dd_mm_yy  %mmddyyyy  %mmddyy
//   %mm_dd_yy  %hhmmss  %hhmm
// %o comes first, so tokens inside the source's own name are expanded too.
// The counter is zero-padded to the number of "#" and written in full when
// wider. Both underscore date tokens write the year with four digits.
std::string ExpandNamingConvention(std::string_view convention, std::string_view base_name,
                                   std::int32_t counter, const LocalDateTime& when);

// Makes `name` a single, non-empty file name inside the output folder:
// "/" and NUL become "_", a name that is just "." or ".." has its dots made
// "_", and an empty name becomes `fallback` (made safe the same way) or,
// when that is empty too, kFallbackName.
std::string MakeSafeFileName(std::string_view name, std::string_view fallback);

// The thumbnail's name without extension for one row, then advances the
// counter. An empty result (an empty convention, or "%o" of a nameless
// source) falls back to the base name, so the default empty convention keeps
// the source's own names.
std::string GetOutputName(std::string_view convention, std::string_view base_name, NameCounter& counter,
                          const LocalDateTime& when);

}  // namespace vr
