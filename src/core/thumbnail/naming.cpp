#include "thumbnail/naming.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

namespace vr {
namespace {

// `value` as decimal digits, zero-padded to at least `width`; a negative
// value keeps its minus sign in front of the padded digits.
std::string Padded(std::int64_t value, std::size_t width) {
  const bool negative = value < 0;
  std::string digits = std::to_string(negative ? -value : value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

std::string TwoDigits(int value) { return Padded(value, 2); }

// Every occurrence, left to right; the inserted text is not searched again.
std::string ReplaceAll(std::string_view text, std::string_view token, std::string_view replacement) {
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t at = text.find(token); at != std::string_view::npos; at = text.find(token, from)) {
    out.append(text.substr(from, at - from));
    out.append(replacement);
    from = at + token.size();
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace

LocalDateTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);  // the reentrant form: no shared static buffer
  return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string GetBaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

std::string ExpandNamingConvention(std::string_view convention, std::string_view base_name,
                                   std::int32_t counter, const LocalDateTime& when) {
  const std::string dd = TwoDigits(when.day);
  const std::string mm = TwoDigits(when.month);
  const std::string yyyy = Padded(when.year, 4);
  const std::string yy = TwoDigits(std::abs(when.year % 100));
  const std::string hh = TwoDigits(when.hour);
  const std::string mi = TwoDigits(when.minute);
  const std::string ss = TwoDigits(when.second);

  // The longer counter, date and time tokens go before the shorter ones they
  // begin with, so "%####" is never read as "%##" and "##".
  const std::pair<std::string_view, std::string> steps[] = {
      {"%o", std::string(base_name)},
      {"%####", Padded(counter, 4)},
      {"%###", Padded(counter, 3)},
      {"%##", Padded(counter, 2)},
      {"%ddmmyyyy", dd + mm + yyyy},
      {"%ddmmyy", dd + mm + yy},
      {"%dd_mm_yy", dd + "_" + mm + "_" + yyyy},
      {"%mmddyyyy", mm + dd + yyyy},
      {"%mmddyy", mm + dd + yy},
      {"%mm_dd_yy", mm + "_" + dd + "_" + yyyy},
      {"%hhmmss", hh + mi + ss},
      {"%hhmm", hh + mi},
  };
  std::string text(convention);
  for (const auto& [token, replacement] : steps) text = ReplaceAll(text, token, replacement);
  return text;
}

std::string MakeSafeFileName(std::string_view name, std::string_view fallback) {
  std::string safe(name);
  for (char& c : safe) {
    if (c == '/' || c == '\0') c = '_';
  }
  // "." and ".." name folders, not files: without an extension they would
  // write to the output folder itself or to its parent.
  if (safe == "." || safe == "..") safe.assign(safe.size(), '_');
  if (!safe.empty()) return safe;
  if (!fallback.empty()) return MakeSafeFileName(fallback, kFallbackName);
  return std::string(kFallbackName);
}

std::string GetOutputName(std::string_view convention, std::string_view base_name, NameCounter& counter,
                          const LocalDateTime& when) {
  std::string name =
      MakeSafeFileName(ExpandNamingConvention(convention, base_name, counter.value, when), base_name);
  counter.Advance();
  return name;
}

}  // namespace vr
