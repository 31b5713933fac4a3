// The thumbnail's size from the size settings and the picture's own size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/status.h"
#include "settings/settings_record.h"

namespace vr {

struct ThumbSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const ThumbSize&, const ThumbSize&) = default;
};

enum class SizeRule { kOriginal, kNoProp, kPropWidth, kPropHeight };

// OUToriginal non-zero keeps the picture's size; otherwise the first of
// OUTnoprop, OUTpropw, OUTproph that is exactly -1 decides. With none of
// them set the picture keeps its size too.
SizeRule ChooseSizeRule(const SettingsRecord& settings);

// What the size settings ask of every row: the rule and its sides.
struct SizeRequest {
  SizeRule rule = SizeRule::kOriginal;
  std::int32_t width = 0;   // OUTwidth
  std::int32_t height = 0;  // OUTheight
};

SizeRequest SizeRequestFrom(const SettingsRecord& settings);

// The size to resample an upright width x height picture to, or nullopt
// when it keeps its own. The proportional rules round half to even:
//   OUTpropw: OUTwidth x OUTwidth / (w / h);  OUTproph: OUTheight / (h / w) x OUTheight.
// A very long picture's short side never rounds away to 0: it keeps 1 pixel.
// Fails, naming `file`, for a picture of size 0 under a proportional rule and
// for a target below 1 pixel or beyond the engine's limits. Pictures smaller
// than the target are enlarged.
Expected<std::optional<ThumbSize>> TargetSize(const SizeRequest& request, std::int32_t width,
                                              std::int32_t height, const std::string& file);

}  // namespace vr
