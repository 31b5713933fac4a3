#include "imaging/png_outline.h"

#include <zlib.h>

#include <array>
#include <cstring>

#include "imaging/image_info.h"

namespace vr {
namespace {

constexpr std::size_t kSignatureBytes = 8;
constexpr std::size_t kChunkHeaderBytes = 8;  // length, type
constexpr std::size_t kCrcBytes = 4;

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// An IDAT chunk with no data, its CRC right.
void AppendEmptyIdat(std::vector<std::uint8_t>& out) {
  static constexpr std::uint8_t kType[] = {'I', 'D', 'A', 'T'};
  PutBigEndian32(out, 0);
  out.insert(out.end(), std::begin(kType), std::end(kType));
  PutBigEndian32(out, static_cast<std::uint32_t>(crc32(0, kType, sizeof kType)));
}

}  // namespace

std::vector<std::uint8_t> ReadPngOutline(const FileView& file) {
  std::vector<std::uint8_t> out(kSignatureBytes);
  if (file.ReadAt(0, out) != kSignatureBytes || SniffFileKind(out) != FileKind::Png) return {};
  const std::uint64_t length = file.bytes().size();
  std::uint64_t at = kSignatureBytes;
  bool idat_written = false;
  std::array<std::uint8_t, kChunkHeaderBytes> header{};
  while (at + kChunkHeaderBytes + kCrcBytes <= length) {
    if (file.ReadAt(at, header) != header.size()) break;
    const std::uint64_t data = BigEndian32(header.data());
    const std::uint64_t whole = kChunkHeaderBytes + data + kCrcBytes;
    if (whole > length - at) break;
    const bool idat = std::memcmp(header.data() + 4, "IDAT", 4) == 0;
    if (idat) {
      if (!idat_written) AppendEmptyIdat(out);
      idat_written = true;
    } else if (out.size() + whole <= kMaxOutlineBytes) {
      const std::size_t start = out.size();
      out.resize(start + static_cast<std::size_t>(whole));
      if (file.ReadAt(at, std::span(out).subspan(start)) != whole) {
        out.resize(start);
        break;
      }
    }
    at += whole;
    if (std::memcmp(header.data() + 4, "IEND", 4) == 0) break;
  }
  return out;
}

}  // namespace vr
