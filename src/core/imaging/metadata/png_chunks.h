// Reading and writing PNG chunks at the byte level, for the metadata libpng
// would only hand over alongside the pixels: eXIf and the text chunks
// (tEXt, zTXt, iTXt), wherever in the file they sit. The bytes come from
// arbitrary files: lengths are checked, compressed text is inflated only up
// to a cap, and a file may not offer more chunks than any honest one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vr {

struct PngChunk {
  std::string_view type;  // four letters, pointing into the file's bytes
  std::span<const std::uint8_t> data;
};

// The eXIf, tEXt, zTXt and iTXt chunks in file order, before and after the
// pixels. The walk ends at IEND, at a chunk that runs past the bytes, or
// after kMaxPngMetadataChunks of them; CRCs are not checked.
inline constexpr std::size_t kMaxPngMetadataChunks = 256;
std::vector<PngChunk> PngMetadataChunks(std::span<const std::uint8_t> png);

// The keyword of a text chunk, read without inflating anything; empty for
// other chunks or a malformed one.
std::string_view PngTextKeyword(const PngChunk& chunk);

// The text of a tEXt, zTXt or iTXt chunk, inflated when compressed: Latin-1
// for tEXt and zTXt, UTF-8 for iTXt. None when malformed or longer than
// kMaxPngTextBytes once inflated.
inline constexpr std::size_t kMaxPngTextBytes = std::size_t{8} << 20;
std::optional<std::string> PngTextValue(const PngChunk& chunk);

// The bytes of an ImageMagick-style raw profile ("\nexif\n    1234\n" and
// the bytes in hex, wrapped at any width); none when malformed or short.
std::optional<std::vector<std::uint8_t>> DecodeRawProfile(std::string_view text);

// One chunk with its length and CRC, appended to `out`.
void AppendPngChunk(std::vector<std::uint8_t>& out, std::string_view type,
                    std::span<const std::uint8_t> data);

// Where chunks that must precede the pixels go: the start of the first
// IDAT chunk; 0 when the bytes hold none.
std::size_t PngFirstIdatPosition(std::span<const std::uint8_t> png);

}  // namespace vr
