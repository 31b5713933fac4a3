// Where a decoder that hands its picture over row by row puts the rows,
// so a shrink can take them as they come instead of a whole decoded picture.
#pragma once

#include <cstdint>
#include <functional>

namespace vr {

// Takes the picture's next stored row: 8-bit RGBA, straight alpha, as wide
// as the picture. Returns false once no later row is wanted; the decoder
// then stops reading. It must not throw: decoders call it between the
// library calls that may jump out on an error.
using RowSink = std::function<bool(const std::uint8_t* row)>;

}  // namespace vr
