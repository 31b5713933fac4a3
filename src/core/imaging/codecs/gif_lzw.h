// GIF's LZW image data for minimum code sizes giflib refuses.
//
// A GIF frame's data starts with the LZW minimum code size; giflib takes
// only 2..8, the sizes an 8-bit index needs. The format allows codes up to
// 12 bits, and files with a minimum code size of 9 to 11 exist; other
// readers decode them, so this does too. Their indices may run past 255,
// and past any colour table: the caller decides what those show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"

namespace vr {

// The largest minimum code size that leaves room in a 12-bit table for the
// clear and end codes and at least one string.
inline constexpr int kMaxGifLzwCodeSize = 11;

// Decodes `count` indices, in the order stored, from the sub-blocks that
// start at `blocks` (a length byte, that many bytes, ..., a zero length).
// Fails naming `file` when the data ends before `count` indices or holds a
// code that no table could have made; indices past `count` are ignored.
// `min_code_size` must be 2..kMaxGifLzwCodeSize.
Status DecodeGifLzw(std::span<const std::uint8_t> blocks, int min_code_size, std::size_t count,
                    const std::string& file, std::vector<std::uint16_t>& indices);

}  // namespace vr
