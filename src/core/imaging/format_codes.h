// Format codes the engine is told when it loads or saves a file. The same
// numbers name input and output formats; the engine writes BMP, JPEG and PNG.
#pragma once

#include <cstdint>

namespace vr {

inline constexpr std::int32_t kFormatUnknown = 0;  // the engine looks at the bytes
inline constexpr std::int32_t kFormatBmp = 1;
inline constexpr std::int32_t kFormatGif = 2;
inline constexpr std::int32_t kFormatJpeg = 3;
inline constexpr std::int32_t kFormatPng = 4;
inline constexpr std::int32_t kFormatTiff = 7;

}  // namespace vr
