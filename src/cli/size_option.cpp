#include "cli/size_option.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "imaging/limits.h"

namespace vr {
namespace {

Status NotAGeometry(const std::string& geometry) {
  return Status::Fail("--size: \"" + geometry + "\" is not WxH, W, Wx or xH with an optional !, ^, > or <");
}

// A side's digits, or none when absent; fails outside 1..kMaxImageSide.
Expected<std::optional<int>> Side(const std::string& digits, const std::string& geometry) {
  if (digits.empty()) return std::optional<int>();
  if (digits.size() > 5 ||
      !std::ranges::all_of(digits, [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
    return NotAGeometry(geometry);
  const int side = std::stoi(digits);
  if (side < 1 || side > kMaxImageSide)
    return Status::Fail("--size: the side " + digits + " in \"" + geometry + "\" is not from 1 to " +
                        std::to_string(kMaxImageSide));
  return std::optional<int>(side);
}

}  // namespace

Expected<SettingOverrides> SizeOverrides(const std::string& geometry) {
  std::string text = geometry;
  const auto usage = [&geometry]() { return NotAGeometry(geometry); };
  int enlarge = 0;
  if (!text.empty() && (text.back() == '>' || text.back() == '<')) {
    enlarge = text.back() == '>' ? 1 : 2;
    text.pop_back();
  }
  char shape = ' ';
  if (!text.empty() && (text.back() == '!' || text.back() == '^')) {
    shape = text.back();
    text.pop_back();
  }
  const std::size_t x = text.find('x');
  if (text.empty() || x != text.rfind('x')) return usage();
  VR_TRY_ASSIGN(const std::optional<int> width, Side(text.substr(0, x), geometry));
  VR_TRY_ASSIGN(const std::optional<int> height,
                Side(x == std::string::npos ? std::string() : text.substr(x + 1), geometry));
  if (!width && !height) return usage();
  if (shape != ' ' && !(width && height)) return usage();  // exact and fill need both sides

  // The four options of old are buttons: -1 on, 0 off.
  int fit = 0, noprop = 0, propw = 0, proph = 0;
  if (width && height) {
    if (shape == '!')
      noprop = -1;
    else
      fit = shape == '^' ? 2 : 1;
  } else if (width) {
    propw = -1;
  } else {
    proph = -1;
  }
  SettingOverrides overrides = {{"OUToriginal", "0"},
                                {"OUTfit", std::to_string(fit)},
                                {"OUTnoprop", std::to_string(noprop)},
                                {"OUTpropw", std::to_string(propw)},
                                {"OUTproph", std::to_string(proph)},
                                {"OUTenlarge", std::to_string(enlarge)}};
  if (width) overrides.emplace_back("OUTwidth", std::to_string(*width));
  if (height) overrides.emplace_back("OUTheight", std::to_string(*height));
  return overrides;
}

Expected<SettingOverrides> CropOverrides(const std::string& place) {
  if (place == "centre" || place == "center") return SettingOverrides{{"OUTcrop", "0"}};
  if (place == "attention") return SettingOverrides{{"OUTcrop", "1"}};
  return Status::Fail("--crop needs centre or attention, not \"" + place + "\"");
}

}  // namespace vr
