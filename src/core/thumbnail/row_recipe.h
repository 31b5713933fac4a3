// Everything needed to make one list row's thumbnail, worked out once while
// planning: rendering, pricing and reporting read it beside the run's
// RenderSettings and never see the settings record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/status.h"
#include "imaging/decode_footprint.h"
#include "thumbnail/size_rule.h"

namespace vr {

struct RowRecipe {
  enum class Action { kRender, kSkip, kFail };
  Action action = Action::kFail;
  std::int32_t row = 0;  // 1-based
  std::string source;
  std::string output_path;        // empty when skipped
  std::string resolved_output;    // output_path with links and ".." resolved: one spelling per file
  Status failure = Status::Ok();  // why, for kFail
  std::string watermark_text;     // the text watermark with the row's tokens filled in; empty for none
  std::string skip_reason;        // why, for kSkip
  bool kept_existing = false;     // skipped as the overwrite policy says: the file there stands
  // Another row of the run plans the same file: "row <n>, <its source>".
  std::string collision;
  std::int32_t collides_with = 0;  // that row
  bool note_made = false;          // once written, noted in the folder's MadeIndex

  // The source's header, read once; none when the start of the file did not
  // hold it (the engine then reads it from the whole file, and the target
  // size is worked out there).
  std::optional<DecodeFootprint> header;
  std::optional<ThumbSize> target;  // with a header: the thumbnail's size; none keeps the picture's
  std::uint64_t decode_bytes = 0;   // held while the picture decodes, 0 when unknown
};

// "not enough memory for <w>x<h> in <file>", with the upright size when
// planning read the header; planning and rendering both say it.
inline std::string NotEnoughMemoryFor(const RowRecipe& recipe) {
  std::string size = "the picture";
  if (recipe.header) {
    const Sides upright = UprightSides(recipe.header->info);
    size = std::to_string(upright.width) + "x" + std::to_string(upright.height);
  }
  return "not enough memory for " + size + " in " + recipe.source;
}

}  // namespace vr
