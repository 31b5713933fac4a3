#include "cli/option_values.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <limits>

#include "thumbnail/formats.h"

namespace vr {

namespace {

Expected<long> WholeNumber(const std::string& text) {
  if (text.empty()) return Status::Fail("an empty value");
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || std::isspace(static_cast<unsigned char>(text[0])) != 0)
    return Status::Fail("\"" + text + "\" is not a whole number");
  return value;
}

// Exactly `digits` decimal digits at `text[at]`.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t digits) {
  if (at + digits > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

Expected<std::int32_t> ShardIndexFromScheduler(const VariableReader& variable) {
  if (const std::optional<std::string> id = variable("SLURM_ARRAY_TASK_ID")) {
    return NumberInRange("SLURM_ARRAY_TASK_ID", *id, 0, 1 << 30);
  }
  for (const char* name : {"JOB_COMPLETION_INDEX", "AWS_BATCH_JOB_ARRAY_INDEX"})
    if (const std::optional<std::string> index = variable(name))
      return NumberInRange(name, *index, 0, 1 << 30);
  return Status::Fail(
      "--shard env needs SLURM_ARRAY_TASK_ID, JOB_COMPLETION_INDEX or AWS_BATCH_JOB_ARRAY_INDEX set");
}

}  // namespace

Expected<std::int32_t> NumberInRange(const std::string& option, const std::string& text, std::int32_t min,
                                     std::int32_t max) {
  const Expected<long> number = WholeNumber(text);
  if (!number || *number < min || *number > max)
    return Status::Fail(option + " needs a whole number from " + std::to_string(min) + " to " +
                        std::to_string(max) + ", not \"" + text + "\"");
  return static_cast<std::int32_t>(*number);
}

std::optional<std::int32_t> MetadataCode(std::string_view value) {
  static constexpr std::array<std::string_view, 3> kNames = {"strip", "keep", "no-location"};
  for (std::size_t code = 0; code < kNames.size(); ++code)
    if (value == kNames[code] || value == std::to_string(code)) return static_cast<std::int32_t>(code);
  return std::nullopt;
}

std::optional<std::int32_t> StoredFormatCode(std::string_view name) {
  const OutputFormat* format = OutputFormatNamed(name);
  if (format == nullptr) return std::nullopt;
  return format->out_format;
}

Expected<LocalDateTime> PinnedDate(const std::string& text) {
  const Status refused =
      Status::Fail("--date needs YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS, a real day, not \"" + text + "\"");
  const std::optional<int> year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  if (!year || !month || !day || text[4] != '-' || text[7] != '-') return refused;
  LocalDateTime when{*year, *month, *day, 0, 0, 0};
  if (text.size() != 10) {
    const std::optional<int> hour = Digits(text, 11, 2), minute = Digits(text, 14, 2),
                             second = Digits(text, 17, 2);
    if (text.size() != 19 || text[10] != 'T' || text[13] != ':' || text[16] != ':' || !hour || !minute ||
        !second || *hour > 23 || *minute > 59 || *second > 59)
      return refused;
    when.hour = *hour;
    when.minute = *minute;
    when.second = *second;
  }
  const std::chrono::year_month_day date{std::chrono::year(when.year),
                                         std::chrono::month(static_cast<unsigned>(when.month)),
                                         std::chrono::day(static_cast<unsigned>(when.day))};
  if (!date.ok()) return refused;
  return when;
}

Expected<RowShard> ShardFrom(const std::string& text, const VariableReader& variable) {
  const Status refused = Status::Fail("--shard needs I/N (0 <= I < N), env or env/N, not \"" + text + "\"");
  const std::size_t slash = text.find('/');
  const std::string index_text = text.substr(0, slash);
  RowShard shard;
  if (index_text == "env") {
    VR_TRY_ASSIGN(shard.index, ShardIndexFromScheduler(variable));
    if (slash == std::string::npos) {
      const std::optional<std::string> count = variable("SLURM_ARRAY_TASK_COUNT");
      if (!count)
        return Status::Fail("--shard env needs SLURM_ARRAY_TASK_COUNT set, or the count given as env/N");
      VR_TRY_ASSIGN(shard.count, NumberInRange("SLURM_ARRAY_TASK_COUNT", *count, 1, 1 << 30));
    }
  } else {
    if (slash == std::string::npos) return refused;
    const Expected<long> index = WholeNumber(index_text);
    if (!index || *index < 0 || *index >= (1 << 30)) return refused;
    shard.index = static_cast<std::int32_t>(*index);
  }
  if (slash != std::string::npos) {
    const Expected<long> count = WholeNumber(text.substr(slash + 1));
    if (!count || *count < 1 || *count > (1 << 30)) return refused;
    shard.count = static_cast<std::int32_t>(*count);
  }
  if (shard.index >= shard.count)
    return Status::Fail("--shard " + text + ": the index " + std::to_string(shard.index) +
                        " must be below the count " + std::to_string(shard.count) + " (indices start at 0)");
  return shard;
}

Status ApplySettingOverride(SettingsRecord& record, const std::string& name, const std::string& value) {
  const SettingsField* field = FindSettingsField(name);
  if (field == nullptr) return Status::Fail("Unknown setting " + name);
  if (field->text != nullptr) {
    record.*(field->text) = value;
    return Status::Ok();
  }
  Expected<long> number = WholeNumber(value);
  if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
      *number > std::numeric_limits<std::int32_t>::max())
    return Status::Fail("Setting " + std::string(field->name) + " needs a 32-bit whole number, not \"" +
                        value + "\"");
  record.*(field->number) = static_cast<std::int32_t>(*number);
  return Status::Ok();
}

std::string FormatSettings(const SettingsRecord& record) {
  std::string text;
  for (const SettingsField& field : SettingsFields()) {
    text += field.name;
    text += '=';
    text += field.text != nullptr ? record.*(field.text) : std::to_string(record.*(field.number));
    text += '\n';
  }
  return text;
}

}  // namespace vr
