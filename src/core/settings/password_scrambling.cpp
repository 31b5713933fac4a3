#include "settings/password_scrambling.h"

#include <array>
#include <cassert>
#include <cstdint>

namespace vr {
namespace {

// Entries 1..L hold the key's character codes; the rest stay zero.
std::array<std::uint16_t, 256> KeyTable(std::string_view key) {
  assert(key.size() <= 255 && "a scrambling key has at most 255 characters");
  std::array<std::uint16_t, 256> table{};
  for (std::size_t i = 0; i < key.size() && i < 255; ++i) table[i + 1] = static_cast<unsigned char>(key[i]);
  return table;
}

// Position i (from 1) divided by 77, rounded to nearest, modulo 255. The
// quotient is never exactly halfway, so plain rounding up from .5 is exact.
std::uint32_t PositionSalt(std::size_t i) { return static_cast<std::uint32_t>(((i * 2 + 77) / 154) % 255); }

}  // namespace

void StreamXor(std::string& a, std::string& b, std::string_view key) {
  const std::array<std::uint16_t, 256> table = KeyTable(key);
  const std::size_t key_length = key.empty() ? 1 : std::min<std::size_t>(key.size(), 255);
  const bool forward = !a.empty();
  const std::string& source = forward ? a : b;

  std::string output(source.size(), '\0');
  std::uint32_t previous = 68;
  std::size_t key_position = 1;
  for (std::size_t i = 1; i <= source.size(); ++i) {
    std::uint32_t c = static_cast<unsigned char>(source[i - 1]);
    std::uint32_t o = (PositionSalt(i) ^ table[key_position] ^ previous ^ c) & 0xFF;
    output[i - 1] = static_cast<char>(o);
    previous = forward ? c : o;  // always the plain character
    if (++key_position > key_length) key_position = 1;
  }
  (forward ? b : a) = std::move(output);
}

std::string HexEncode(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    unsigned code = static_cast<unsigned char>(c);
    out += kDigits[code >> 4];
    out += kDigits[code & 0xF];
  }
  return out;
}

std::string ScramblePassword(std::string_view password) {
  std::string a(password);
  std::string b;
  StreamXor(a, b, kScrambleKey);
  return HexEncode(b);
}

}  // namespace vr
