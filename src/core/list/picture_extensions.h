// The file extensions a folder scan takes, in the order it lists them: the
// three Add from Folder always took first, then every other one the engine
// reads. A codec that learns a format adds its extensions to the one table
// in picture_extensions.cpp; nothing else lists them.
#pragma once

#include <span>
#include <string_view>

namespace vr {

// Lower case, each with its dot.
std::span<const std::string_view> PictureExtensions();

// The place of `extension` (with its dot, any case) in PictureExtensions(),
// or -1 when a scan does not take it.
int PictureExtensionRank(std::string_view extension);

}  // namespace vr
