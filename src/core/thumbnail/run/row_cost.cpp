#include "thumbnail/run/row_cost.h"

#include <optional>
#include <utility>

#include "imaging/codec_dispatch.h"
#include "imaging/decode_footprint.h"
#include "thumbnail/size_rule.h"

namespace vr {

std::uint64_t RowDecodeBytes(const SettingsRecord& settings, const RowPlan& plan) {
  Expected<DecodeFootprint> footprint = ReadDecodeFootprintFromFile(plan.source);
  if (!footprint) return 0;
  int width = footprint->info.width, height = footprint->info.height;
  if (OrientationSwapsSides(footprint->info.orientation)) std::swap(width, height);
  Expected<std::optional<ThumbSize>> target = TargetSize(settings, width, height, plan.source);
  if (!target) return 0;
  return *target ? DecodeBytes(*footprint, (*target)->width, (*target)->height)
                 : DecodeBytes(*footprint, 0, 0);
}

}  // namespace vr
