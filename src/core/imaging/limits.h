// Size limits every decoder checks before it allocates pixels.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

namespace vr {

inline constexpr std::int64_t kMaxImageSide = 65535;
// 256 megapixels: 1 GiB of RGBA, more than any camera gives.
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{256} * 1024 * 1024;

inline Status CheckImageSize(std::int64_t width, std::int64_t height, const std::string& file) {
  if (width <= 0 || height <= 0) return Status::Fail("Invalid image: zero size in " + file);
  if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
    return Status::Fail("Image too large (" + std::to_string(width) + "x" + std::to_string(height) + ") in " +
                        file);
  return Status::Ok();
}

}  // namespace vr
