// Size limits every decoder checks before it allocates pixels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// The refusal of a picture whose header claims more than its file could
// hold: "Implausible GIF: a 65535x4096 frame from 2 bytes in x.gif". `what`
// names the claim ("picture", "frame"), `bytes` what it would come from.
inline Status ImplausibleSize(std::string_view format, std::string_view what, std::int64_t width,
                              std::int64_t height, std::uint64_t bytes, const std::string& file) {
  return Status::Fail("Implausible " + std::string(format) + ": a " + std::to_string(width) + "x" +
                      std::to_string(height) + " " + std::string(what) + " from " + std::to_string(bytes) +
                      " bytes in " + file);
}

// No file yields more pixels than its bytes hold at its format's best
// compression, so a header claiming more is refused before anything is
// allocated: `most_pixels` is that best case for the `bytes` the picture
// comes from.
inline Status CheckPlausibleSize(std::string_view format, std::string_view what, std::int64_t width,
                                 std::int64_t height, std::uint64_t most_pixels, std::uint64_t bytes,
                                 const std::string& file) {
  if (width > 0 && height > 0 &&
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= most_pixels)
    return Status::Ok();
  return ImplausibleSize(format, what, width, height, bytes, file);
}

}  // namespace vr
