#include "cli/look_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "imaging/ops/sharpen.h"
#include "thumbnail/text_watermark.h"
#include "thumbnail/watermark.h"
#include "thumbnail/watermark_scale.h"

namespace vr {
namespace {

constexpr std::array<std::string_view, 13> kLookOptions = {"--sharpen",
                                                           "--watermark",
                                                           "--watermark-size",
                                                           "--watermark-margin",
                                                           "--watermark-region",
                                                           "--watermark-opacity",
                                                           "--watermark-blend",
                                                           "--text",
                                                           "--font",
                                                           "--text-size",
                                                           "--text-colour",
                                                           "--text-opacity",
                                                           "--text-region"};

// A margin wider than any thumbnail is surely a typing error.
constexpr std::int32_t kMaxMargin = 10000;

struct BlendName {
  std::string_view name;
  std::int32_t code;
};

// The blends the dialog offers, by the names a script would use.
constexpr std::array<BlendName, 8> kBlendNames = {{{"normal", kNormalWMMode},
                                                   {"additive", 0},
                                                   {"subtractive", 7},
                                                   {"mask", 4},
                                                   {"copy", 6},
                                                   {"or", 3},
                                                   {"and", 1},
                                                   {"xor", 2}}};

// A whole number from `low` to `high`, or a message that names the option.
Expected<std::int32_t> NumberIn(std::string_view option, const std::string& text, std::int32_t low,
                                std::int32_t high) {
  errno = 0;
  char* end = nullptr;
  const long value = text.empty() ? 0 : std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
    return Status::Fail(std::string(option) + " needs a whole number from " + std::to_string(low) + " to " +
                        std::to_string(high) + ", not \"" + text + "\"");
  return static_cast<std::int32_t>(value);
}

Expected<std::pair<std::string, std::string>> Setting(std::string_view option, const std::string& value) {
  using Result = std::pair<std::string, std::string>;
  auto number = [&](const char* name, std::int32_t low, std::int32_t high) -> Expected<Result> {
    VR_TRY_ASSIGN(const std::int32_t n, NumberIn(option, value, low, high));
    return Result{name, std::to_string(n)};
  };
  if (option == "--sharpen") {
    std::optional<SharpenLevel> level = SharpenLevelFromName(value);
    if (!level && value.size() == 1 && value[0] >= '0' && value[0] <= '3')
      level = SharpenLevelFromCode(value[0] - '0');
    if (!level) return Status::Fail("--sharpen needs none, light, medium or strong, not \"" + value + "\"");
    return Result{"OUTsharpen", std::to_string(static_cast<std::int32_t>(*level))};
  }
  if (option == "--watermark") {
    if (value.empty()) return Status::Fail("--watermark needs a picture file");
    return Result{"WMFile", value};
  }
  if (option == "--watermark-size") return number("WMSize", 0, kMaxWatermarkPercent);
  if (option == "--watermark-margin") return number("WMMargin", 0, kMaxMargin);
  if (option == "--watermark-region") return number("WMArea", kFirstWMArea, kLastWMArea);
  if (option == "--watermark-opacity") return number("WMOpacity", 0, 100);
  if (option == "--watermark-blend") {
    const std::optional<std::int32_t> code = BlendCodeForName(value);
    if (!code)
      return Status::Fail(
          "--watermark-blend needs normal, additive, subtractive, mask, copy, or, and or xor, not \"" +
          value + "\"");
    return Result{"WMMode", std::to_string(*code)};
  }
  if (option == "--text") return Result{"WMText", value};
  if (option == "--font") return Result{"WMTextFont", value};
  if (option == "--text-size") return number("WMTextSize", 1, kMaxTextPercent);
  if (option == "--text-colour") {
    VR_TRY_ASSIGN(const std::int32_t colour, StoredColour(option, value));
    return Result{"WMTextColour", std::to_string(colour)};
  }
  if (option == "--text-opacity") return number("WMTextOpacity", 0, 100);
  if (option == "--text-region") return number("WMTextArea", kFirstWMArea, kLastWMArea);
  return Status::Fail("Unknown option " + std::string(option));
}

}  // namespace

std::span<const std::string_view> LookOptionNames() { return kLookOptions; }

bool IsLookOption(std::string_view option) {
  return std::ranges::find(kLookOptions, option) != kLookOptions.end();
}

Status AddLookOption(std::string_view option, const std::string& value, SettingOverrides& overrides) {
  VR_TRY_ASSIGN(auto setting, Setting(option, value));
  overrides.push_back(std::move(setting));
  return Status::Ok();
}

std::optional<std::int32_t> BlendCodeForName(std::string_view name) {
  for (const BlendName& blend : kBlendNames)
    if (name == blend.name || name == std::to_string(blend.code)) return blend.code;
  return std::nullopt;
}

Expected<std::int32_t> StoredColour(std::string_view option, const std::string& text) {
  const std::string digits = text.starts_with('#') ? text.substr(1) : text;
  const bool hex =
      std::ranges::all_of(digits, [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
  if (digits.size() != 6 || !hex)
    return Status::Fail(std::string(option) + " needs a colour as RRGGBB, six hexadecimal digits, not \"" +
                        text + "\"");
  const auto rgb = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
  return static_cast<std::int32_t>((rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16);
}

}  // namespace vr
