// Format codes of the files the engine writes: BMP, JPEG, PNG, WebP, AVIF
// and JPEG XL. (It reads
// more kinds, told apart by their bytes.)
#pragma once

#include <cstdint>

namespace vr {

inline constexpr std::int32_t kFormatUnknown = 0;  // no format the engine writes
inline constexpr std::int32_t kFormatBmp = 1;
inline constexpr std::int32_t kFormatJpeg = 3;
inline constexpr std::int32_t kFormatPng = 4;
inline constexpr std::int32_t kFormatWebp = 5;
inline constexpr std::int32_t kFormatAvif = 6;
inline constexpr std::int32_t kFormatJxl = 7;

}  // namespace vr
