// The --size and --crop values of varenna-batch, as the settings they stand
// for, so the command line and the settings dialog describe one thing.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/status.h"

namespace vr {

using SettingOverrides = std::vector<std::pair<std::string, std::string>>;

// A geometry as photographers' tools write it, to settings overrides that
// set every size setting (so none left in the store mixes in):
//   WxH   fit inside W by H, proportions kept (OUTfit 1)
//   W, Wx the width W (OUTpropw);  xH  the height H (OUTproph)
//   WxH!  exactly W by H (OUTnoprop)
//   WxH^  fill W by H and crop the overflow (OUTfit 2)
// and a trailing ">" never enlarges, "<" only enlarges (OUTenlarge 1, 2).
// Sides are whole numbers from 1 to 65535. Anything else fails, quoting the
// value.
Expected<SettingOverrides> SizeOverrides(const std::string& geometry);

// --crop centre|attention (also "center") as OUTcrop.
Expected<SettingOverrides> CropOverrides(const std::string& place);

}  // namespace vr
