#include "imaging/metadata/png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <array>

namespace vr {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kChunkOverhead = 12;  // length, type, CRC

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Calls `visit(type, start, data)` for each whole chunk until it returns
// false, IEND, or a chunk that does not fit.
template <class Visit>
void WalkChunks(std::span<const std::uint8_t> png, Visit visit) {
  if (png.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), png.begin()))
    return;
  std::size_t pos = kSignature.size();
  while (png.size() - pos >= kChunkOverhead) {
    const std::uint64_t length = BigEndian32(&png[pos]);
    if (length > png.size() - pos - kChunkOverhead) return;
    const std::string_view type(reinterpret_cast<const char*>(&png[pos + 4]), 4);
    if (!visit(type, pos, png.subspan(pos + 8, static_cast<std::size_t>(length)))) return;
    if (type == "IEND") return;
    pos += kChunkOverhead + static_cast<std::size_t>(length);
  }
}

bool IsTextChunk(std::string_view type) { return type == "tEXt" || type == "zTXt" || type == "iTXt"; }

// The keyword's end (its NUL) in a text chunk's data, for a keyword of 1 to
// 79 bytes as PNG allows.
std::optional<std::size_t> KeywordEnd(std::span<const std::uint8_t> data) {
  const auto nul = std::find(data.begin(), data.end(), std::uint8_t{0});
  const auto length = static_cast<std::size_t>(nul - data.begin());
  if (nul == data.end() || length == 0 || length > 79) return std::nullopt;
  return length;
}

// zlib data inflated, refusing anything past kMaxPngTextBytes.
std::optional<std::string> Inflate(std::span<const std::uint8_t> compressed) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  std::string text;
  std::array<char, 16384> buffer;
  stream.next_in = const_cast<Bytef*>(compressed.data());  // zlib does not write through it
  stream.avail_in = static_cast<uInt>(std::min<std::size_t>(compressed.size(), UINT32_MAX));
  int rc = Z_OK;
  while (rc == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
    stream.avail_out = static_cast<uInt>(buffer.size());
    rc = inflate(&stream, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) break;
    const std::size_t produced = buffer.size() - stream.avail_out;
    if (text.size() + produced > kMaxPngTextBytes) {
      rc = Z_MEM_ERROR;
      break;
    }
    text.append(buffer.data(), produced);
    if (rc == Z_OK && produced == 0 && stream.avail_in == 0) break;  // data ended early
  }
  inflateEnd(&stream);
  if (rc != Z_STREAM_END) return std::nullopt;
  return text;
}

std::string AsText(std::span<const std::uint8_t> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

}  // namespace

std::vector<PngChunk> PngMetadataChunks(std::span<const std::uint8_t> png) {
  std::vector<PngChunk> chunks;
  WalkChunks(png, [&](std::string_view type, std::size_t, std::span<const std::uint8_t> data) {
    if (type == "eXIf" || IsTextChunk(type)) chunks.push_back({type, data});
    return chunks.size() < kMaxPngMetadataChunks;
  });
  return chunks;
}

std::string_view PngTextKeyword(const PngChunk& chunk) {
  if (!IsTextChunk(chunk.type)) return {};
  const std::optional<std::size_t> end = KeywordEnd(chunk.data);
  if (!end) return {};
  return std::string_view(reinterpret_cast<const char*>(chunk.data.data()), *end);
}

std::optional<std::string> PngTextValue(const PngChunk& chunk) {
  const std::optional<std::size_t> keyword_end = KeywordEnd(chunk.data);
  if (!IsTextChunk(chunk.type) || !keyword_end) return std::nullopt;
  std::span<const std::uint8_t> rest = chunk.data.subspan(*keyword_end + 1);
  if (chunk.type == "tEXt") {
    if (rest.size() > kMaxPngTextBytes) return std::nullopt;
    return AsText(rest);
  }
  if (chunk.type == "zTXt") {
    if (rest.empty() || rest[0] != 0) return std::nullopt;  // 0: deflate, the only method
    return Inflate(rest.subspan(1));
  }
  // iTXt: compression flag, method, language tag NUL, translated keyword NUL, text.
  if (rest.size() < 2) return std::nullopt;
  const bool compressed = rest[0] != 0;
  if (compressed && rest[1] != 0) return std::nullopt;
  rest = rest.subspan(2);
  for (int skip = 0; skip < 2; ++skip) {
    const auto nul = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    if (nul == rest.end()) return std::nullopt;
    rest = rest.subspan(static_cast<std::size_t>(nul - rest.begin()) + 1);
  }
  if (compressed) return Inflate(rest);
  if (rest.size() > kMaxPngTextBytes) return std::nullopt;
  return AsText(rest);
}

std::optional<std::vector<std::uint8_t>> DecodeRawProfile(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  // The profile's type name, then its byte count.
  while (pos < text.size() && text[pos] != '\n') ++pos;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  std::uint64_t count = 0;
  std::size_t digits = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
    count = count * 10 + static_cast<std::uint64_t>(text[pos] - '0');
    if (count > text.size()) return std::nullopt;  // two hex digits a byte could never fit
  }
  if (digits == 0 || count == 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(count));
  int high = -1;
  for (; pos < text.size() && bytes.size() < count; ++pos) {
    if (IsBlank(text[pos])) continue;
    const int value = HexValue(text[pos]);
    if (value < 0) return std::nullopt;
    if (high < 0) {
      high = value;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | value));
      high = -1;
    }
  }
  if (bytes.size() != count) return std::nullopt;
  return bytes;
}

void AppendPngChunk(std::vector<std::uint8_t>& out, std::string_view type,
                    std::span<const std::uint8_t> data) {
  const auto length = static_cast<std::uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(length >> shift));
  const std::size_t type_at = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  // The CRC covers the type and the data.
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32_z(crc, out.data() + type_at, out.size() - type_at);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(crc >> shift));
}

std::size_t PngFirstIdatPosition(std::span<const std::uint8_t> png) {
  std::size_t found = 0;
  WalkChunks(png, [&](std::string_view type, std::size_t start, std::span<const std::uint8_t>) {
    if (type != "IDAT") return true;
    found = start;
    return false;
  });
  return found;
}

}  // namespace vr
