#include "list/picture_extensions.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vr {

namespace {

// Add from Folder's first three keep their places, so a folder of them is
// listed as it always was; the rest follow, grouped by format. A new
// format's extensions go at the end.
constexpr auto kExtensions = std::to_array<std::string_view>({
    ".bmp", ".jpg",
    ".png",  // the order lists were always made in
    ".jpeg", ".jpe",
    ".jfif",  // JPEG under its other names
    ".gif", ".tif", ".tiff", ".webp", ".avif", ".jxl", ".heic",
    ".heif",  // read through their own libraries
});

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::span<const std::string_view> PictureExtensions() { return kExtensions; }

int PictureExtensionRank(std::string_view extension) {
  for (std::size_t i = 0; i < kExtensions.size(); ++i)
    if (SameIgnoringCase(kExtensions[i], extension)) return static_cast<int>(i);
  return -1;
}

}  // namespace vr
