#include "imaging/colour/icc_profile.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace vr {
namespace {

constexpr std::uint8_t kMarkerSoi = 0xD8;
constexpr std::uint8_t kMarkerEoi = 0xD9;
constexpr std::uint8_t kMarkerSos = 0xDA;
constexpr std::uint8_t kMarkerApp2 = 0xE2;
constexpr std::uint8_t kIccPrefix[] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
constexpr std::size_t kIccChunkHeader = sizeof kIccPrefix + 2;  // prefix, sequence number, count

bool IsStandaloneMarker(std::uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Every APP2 payload that starts with the ICC prefix, between SOI and SOS.
// False when the segment walk meets malformed data before SOS.
bool CollectIccChunks(std::span<const std::uint8_t> jpeg,
                      std::vector<std::span<const std::uint8_t>>& chunks) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != kMarkerSoi) return false;
  std::size_t pos = 2;
  while (pos < jpeg.size()) {
    if (jpeg[pos] != 0xFF) return false;
    while (pos < jpeg.size() && jpeg[pos] == 0xFF) ++pos;
    if (pos >= jpeg.size()) return false;
    const std::uint8_t code = jpeg[pos++];
    if (code == kMarkerSos || code == kMarkerEoi) return true;
    if (IsStandaloneMarker(code)) continue;
    if (code == 0x00 || code == kMarkerSoi) return false;
    if (jpeg.size() - pos < 2) return false;
    const std::size_t length = std::size_t{jpeg[pos]} << 8 | jpeg[pos + 1];
    if (length < 2 || length > jpeg.size() - pos) return false;
    const std::span<const std::uint8_t> payload = jpeg.subspan(pos + 2, length - 2);
    if (code == kMarkerApp2 && payload.size() >= kIccChunkHeader &&
        std::equal(std::begin(kIccPrefix), std::end(kIccPrefix), payload.begin()))
      chunks.push_back(payload);
    pos += length;
  }
  return false;  // the data ended before any picture
}

// Inflates a zlib stream into `out`, refusing more than `limit` bytes.
bool Inflate(std::span<const std::uint8_t> in, std::size_t limit, std::vector<std::uint8_t>& out) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  stream.next_in = const_cast<Bytef*>(in.data());
  stream.avail_in = static_cast<uInt>(in.size());
  out.clear();
  int rc = Z_OK;
  std::uint8_t buffer[16384];
  while (rc == Z_OK) {
    stream.next_out = buffer;
    stream.avail_out = sizeof buffer;
    rc = inflate(&stream, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) break;
    const std::size_t produced = sizeof buffer - stream.avail_out;
    if (out.size() + produced > limit) {
      rc = Z_MEM_ERROR;
      break;
    }
    out.insert(out.end(), buffer, buffer + produced);
    if (rc == Z_OK && produced == 0 && stream.avail_in == 0) rc = Z_BUF_ERROR;  // the stream ends early
  }
  inflateEnd(&stream);
  if (rc != Z_STREAM_END) out.clear();
  return rc == Z_STREAM_END;
}

}  // namespace

std::vector<std::uint8_t> ReadJpegIccProfile(std::span<const std::uint8_t> jpeg) {
  std::vector<std::span<const std::uint8_t>> chunks;
  std::vector<std::uint8_t> profile;
  // A walk that fails after some chunks still has them; only a whole chain counts.
  (void)CollectIccChunks(jpeg, chunks);
  if (chunks.empty()) return profile;
  const std::size_t count = chunks.front()[sizeof kIccPrefix + 1];
  if (count == 0 || chunks.size() != count) return profile;
  std::vector<std::span<const std::uint8_t>> ordered(count);
  std::size_t total = 0;
  for (const std::span<const std::uint8_t> chunk : chunks) {
    const std::size_t sequence = chunk[sizeof kIccPrefix];
    if (chunk[sizeof kIccPrefix + 1] != count || sequence == 0 || sequence > count ||
        !ordered[sequence - 1].empty())
      return profile;
    ordered[sequence - 1] = chunk.subspan(kIccChunkHeader);
    // An empty chunk would read as missing above; it carries nothing anyway.
    if (ordered[sequence - 1].empty()) return profile;
    total += ordered[sequence - 1].size();
  }
  if (total > kMaxIccProfileBytes) return profile;
  profile.reserve(total);
  for (const std::span<const std::uint8_t> part : ordered)
    profile.insert(profile.end(), part.begin(), part.end());
  return profile;
}

SourceColour ReadPngColour(std::span<const std::uint8_t> png) {
  static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  SourceColour colour;
  if (png.size() < sizeof kSignature ||
      !std::equal(std::begin(kSignature), std::end(kSignature), png.begin()))
    return colour;
  std::size_t pos = sizeof kSignature;
  bool seen_icc = false;
  while (png.size() - pos >= 12) {
    const std::uint32_t length = BigEndian32(png.data() + pos);
    if (length > png.size() - pos - 12) break;  // cut short: what was read stands
    const std::uint8_t* type = png.data() + pos + 4;
    const std::span<const std::uint8_t> data = png.subspan(pos + 8, length);
    const auto is = [&](const char* name) { return std::memcmp(type, name, 4) == 0; };
    if (is("IDAT") || is("IEND")) break;
    pos += std::size_t{length} + 12;
    if (is("IHDR")) {
      // Colour types 0 and 4 are grey, with and without alpha.
      if (length >= 10) colour.model = (data[9] & 2) == 0 ? ColourModel::kGray : ColourModel::kRgb;
      continue;
    }
    const bool wanted = is("iCCP") || is("sRGB") || is("gAMA") || is("cHRM");
    if (!wanted) continue;
    const uLong crc = crc32(crc32(0L, type, 4), data.data(), static_cast<uInt>(data.size()));
    if (crc != BigEndian32(data.data() + data.size())) continue;
    if (is("iCCP") && !seen_icc) {
      seen_icc = true;  // only the first one counts, as for libpng
      // Name (1 to 79 bytes), its NUL, the method (0: zlib), the stream.
      const auto nul = std::find(data.begin(), data.begin() + std::min<std::size_t>(data.size(), 80), 0);
      const std::size_t name_length = static_cast<std::size_t>(nul - data.begin());
      if (name_length == 0 || name_length >= data.size() || name_length > 79) continue;
      if (data.size() < name_length + 2 || data[name_length + 1] != 0) continue;
      if (!Inflate(data.subspan(name_length + 2), kMaxIccProfileBytes, colour.icc)) colour.icc.clear();
    } else if (is("sRGB") && length == 1) {
      colour.srgb = true;
    } else if (is("gAMA") && length == 4) {
      if (const std::uint32_t gamma = BigEndian32(data.data()); gamma > 0) colour.gamma = gamma;
    } else if (is("cHRM") && length == 32) {
      std::array<std::uint32_t, 8> values{};
      for (std::size_t i = 0; i < values.size(); ++i) values[i] = BigEndian32(data.data() + 4 * i);
      colour.chromaticities = values;
    }
  }
  return colour;
}

}  // namespace vr
