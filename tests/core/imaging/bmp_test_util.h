// Building small BMP files byte by byte for the reader's tests.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vr::test {

struct BmpSpec {
  std::uint32_t header_size = 40;  // 12 writes an OS/2 1.x header
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative for top-down rows
  std::uint16_t planes = 1;
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t colors_used = 0;
  // After a 40-byte header, or inside a larger one from its byte 40 on.
  std::vector<std::uint32_t> masks;
  std::vector<std::array<std::uint8_t, 3>> palette;  // red, green, blue
  std::vector<std::uint8_t> pixels;                  // exactly as stored
};

inline void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline std::vector<std::uint8_t> BuildBmp(const BmpSpec& layout) {
  std::vector<std::uint8_t> info;
  if (layout.header_size == 12) {
    PutLe(info, 12, 4);
    PutLe(info, static_cast<std::uint32_t>(layout.width), 2);
    PutLe(info, static_cast<std::uint32_t>(layout.height), 2);
    PutLe(info, layout.planes, 2);
    PutLe(info, layout.bits, 2);
  } else {
    PutLe(info, layout.header_size, 4);
    PutLe(info, static_cast<std::uint32_t>(layout.width), 4);
    PutLe(info, static_cast<std::uint32_t>(layout.height), 4);
    PutLe(info, layout.planes, 2);
    PutLe(info, layout.bits, 2);
    PutLe(info, layout.compression, 4);
    PutLe(info, static_cast<std::uint32_t>(layout.pixels.size()), 4);
    PutLe(info, 2835, 4);
    PutLe(info, 2835, 4);
    PutLe(info, layout.colors_used, 4);
    PutLe(info, 0, 4);
    if (layout.header_size == 40)
      for (std::uint32_t mask : layout.masks) PutLe(info, mask, 4);
    else
      for (std::size_t i = 0; i < layout.masks.size() && info.size() + 4 <= layout.header_size; ++i)
        PutLe(info, layout.masks[i], 4);
    while (info.size() < layout.header_size) info.push_back(0);
  }
  for (const auto& color : layout.palette) {
    info.push_back(color[2]);
    info.push_back(color[1]);
    info.push_back(color[0]);
    if (layout.header_size != 12) info.push_back(0);
  }
  std::vector<std::uint8_t> file = {'B', 'M'};
  const auto offset = static_cast<std::uint32_t>(14 + info.size());
  PutLe(file, static_cast<std::uint32_t>(offset + layout.pixels.size()), 4);
  PutLe(file, 0, 4);
  PutLe(file, offset, 4);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), layout.pixels.begin(), layout.pixels.end());
  return file;
}

}  // namespace vr::test
