// The thumbnail's size from the size settings and the picture's own size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/status.h"
#include "imaging/ops/attention_crop.h"
#include "imaging/ops/resample_box.h"
#include "settings/settings_record.h"

namespace vr {

struct ThumbSize {
  ThumbSize() = default;
  ThumbSize(std::int32_t w, std::int32_t h, std::optional<SourceBox> part = std::nullopt)
      : width(w), height(h), crop(part) {}
  std::int32_t width = 0;
  std::int32_t height = 0;
  // The part of the upright picture the thumbnail shows, in its pixels;
  // none for all of it.
  std::optional<SourceBox> crop;
  friend bool operator==(const ThumbSize&, const ThumbSize&) = default;
};

// kFit: inside OUTwidth x OUTheight, proportions kept. kFill: covering
// OUTwidth x OUTheight, proportions kept, the overflow cropped.
enum class SizeRule { kOriginal, kNoProp, kPropWidth, kPropHeight, kFit, kFill };

// Which way a picture may be scaled (OUTenlarge).
enum class ScaleLimit {
  kAny,          // 0: up or down, whatever the rule asks
  kShrinkOnly,   // 1: never enlarge; a picture the rule would enlarge keeps its size
  kEnlargeOnly,  // 2: only enlarge; a picture the rule would shrink keeps its size
};

// OUToriginal non-zero keeps the picture's size; then OUTfit 1 fits inside
// and 2 fills and crops; otherwise the first of OUTnoprop, OUTpropw,
// OUTproph that is exactly -1 decides. With none of them set the picture
// keeps its size too.
SizeRule ChooseSizeRule(const SettingsRecord& settings);

// What the size settings ask of every row.
struct SizeRequest {
  SizeRule rule = SizeRule::kOriginal;
  std::int32_t width = 0;   // OUTwidth
  std::int32_t height = 0;  // OUTheight
  ScaleLimit limit = ScaleLimit::kAny;
  CropPlace crop = CropPlace::kCentre;  // OUTcrop: 1 where the detail is, else the middle
};

SizeRequest SizeRequestFrom(const SettingsRecord& settings);

// The size to resample an upright width x height picture to, or nullopt
// when it keeps its own. The proportional rules round half to even:
//   OUTpropw: OUTwidth x OUTwidth / (w / h);  OUTproph: OUTheight / (h / w) x OUTheight;
//   fit: the side whose box ratio is smaller is the box's, the other as
//   above.
// Fill scales by the larger of OUTwidth / w and OUTheight / h (sides
// rounded) and crops the middle OUTwidth x OUTheight of that (the overflow
// before it rounded down), given as the window on the picture it shows; the
// window's place may still move (CropPlace) where pixels are known.
// The limit is checked on the scale the rule asks for: the picture keeps its
// size where the limit forbids it, except that fill still crops whatever
// overflows the box. "Not proportional" counts as enlarging when neither
// side shrinks and as shrinking when neither grows.
// A very long picture's short side never rounds away to 0: it keeps 1 pixel.
// Fails, naming `file`, for a picture of size 0 under a rule that needs its
// ratio and for a target below 1 pixel or beyond the engine's limits.
Expected<std::optional<ThumbSize>> TargetSize(const SizeRequest& request, std::int32_t width,
                                              std::int32_t height, const std::string& file);

}  // namespace vr
