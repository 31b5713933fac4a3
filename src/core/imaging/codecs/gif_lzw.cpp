#include "imaging/codecs/gif_lzw.h"

#include <algorithm>
#include <array>
#include <memory>

namespace vr {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

// Codes packed least significant bit first across the sub-blocks.
class CodeReader {
 public:
  explicit CodeReader(std::span<const std::uint8_t> blocks) : blocks_(blocks) {}

  // False when the sub-blocks end before `width` more bits.
  bool Read(int width, int& code) {
    while (bits_ < width) {
      std::uint8_t byte = 0;
      if (!NextByte(byte)) return false;
      buffer_ |= static_cast<std::uint32_t>(byte) << bits_;
      bits_ += 8;
    }
    code = static_cast<int>(buffer_ & ((1u << width) - 1));
    buffer_ >>= width;
    bits_ -= width;
    return true;
  }

 private:
  bool NextByte(std::uint8_t& byte) {
    while (left_in_block_ == 0) {
      if (at_ >= blocks_.size() || blocks_[at_] == 0) return false;
      left_in_block_ = blocks_[at_++];
    }
    if (at_ >= blocks_.size()) return false;
    byte = blocks_[at_++];
    --left_in_block_;
    return true;
  }

  std::span<const std::uint8_t> blocks_;
  std::size_t at_ = 0;
  std::size_t left_in_block_ = 0;
  std::uint32_t buffer_ = 0;
  int bits_ = 0;
};

// Every code's string as its last index, the code of the rest and its
// length; the first index is kept so a new entry needs no walk.
struct StringTable {
  std::array<std::uint16_t, kTableSize> prefix{};
  std::array<std::uint16_t, kTableSize> last{};
  std::array<std::uint16_t, kTableSize> first{};
  std::array<std::uint16_t, kTableSize> length{};
};

Status Corrupt(const std::string& file) { return Status::Fail("Invalid GIF: corrupt image data in " + file); }

}  // namespace

Status DecodeGifLzw(std::span<const std::uint8_t> blocks, int min_code_size, std::size_t count,
                    const std::string& file, std::vector<std::uint16_t>& indices) {
  indices.assign(count, 0);
  if (min_code_size < 2 || min_code_size > kMaxGifLzwCodeSize)
    return Status::Fail("Invalid GIF: LZW minimum code size " + std::to_string(min_code_size) + " in " +
                        file);
  const int clear = 1 << min_code_size;
  const int end = clear + 1;
  auto table = std::make_unique<StringTable>();
  for (int code = 0; code < clear; ++code) {
    table->last[code] = table->first[code] = static_cast<std::uint16_t>(code);
    table->length[code] = 1;
  }

  CodeReader reader(blocks);
  int width = min_code_size + 1;
  int next = end + 1;
  int previous = -1;  // none since the last clear
  std::size_t written = 0;
  // Writes a code's string from its end backwards; what lies past `count`
  // is dropped.
  const auto emit = [&](int code) {
    const std::size_t length = table->length[code];
    for (std::size_t i = length; i-- > 0; code = table->prefix[code])
      if (written + i < count) indices[written + i] = table->last[code];
    written = std::min(count, written + length);
  };
  while (written < count) {
    int code = 0;
    if (!reader.Read(width, code)) return Status::Fail("Invalid GIF: image data ends early in " + file);
    if (code == clear) {
      width = min_code_size + 1;
      next = end + 1;
      previous = -1;
      continue;
    }
    if (code == end) return Status::Fail("Invalid GIF: image data ends early in " + file);
    if (previous < 0) {
      if (code >= clear) return Corrupt(file);
      emit(code);
      previous = code;
      continue;
    }
    // A code one past the table's end is the previous string and its own
    // first index, which the encoder used before the decoder could know it.
    if (code > next) return Corrupt(file);
    if (next < kTableSize) {
      const int source = code == next ? previous : code;
      table->prefix[next] = static_cast<std::uint16_t>(previous);
      table->last[next] = table->first[source];
      table->first[next] = table->first[previous];
      table->length[next] = static_cast<std::uint16_t>(table->length[previous] + 1);
      ++next;
      if (next == 1 << width && width < kMaxCodeBits) ++width;
    }
    emit(code);
    previous = code;
  }
  return Status::Ok();
}

}  // namespace vr
