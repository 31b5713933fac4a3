#include "base/text_encoding.h"

#include <cstdint>

namespace vr {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
  auto byte = [&](std::uint32_t value) { out += static_cast<char>(value); };
  if (code < 0x80) {
    byte(code);
  } else if (code < 0x800) {
    byte(0xC0 | (code >> 6));
    byte(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    byte(0xE0 | (code >> 12));
    byte(0x80 | ((code >> 6) & 0x3F));
    byte(0x80 | (code & 0x3F));
  } else {
    byte(0xF0 | (code >> 18));
    byte(0x80 | ((code >> 12) & 0x3F));
    byte(0x80 | ((code >> 6) & 0x3F));
    byte(0x80 | (code & 0x3F));
  }
}

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

Expected<std::string> Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  if (bytes.size() % 2 != 0) return Status::Fail("UTF-16 text of an odd number of bytes");
  auto unit_at = [&](std::size_t i) {
    const auto first = static_cast<std::uint8_t>(bytes[i]);
    const auto second = static_cast<std::uint8_t>(bytes[i + 1]);
    return big_endian ? std::uint32_t{first} << 8 | second : std::uint32_t{second} << 8 | first;
  };
  std::string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    std::uint32_t code = unit_at(i);
    if (IsHighSurrogate(code) && i + 3 < bytes.size() && IsLowSurrogate(unit_at(i + 2))) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unit_at(i + 2) - 0xDC00);
      i += 2;
    } else if (IsHighSurrogate(code) || IsLowSurrogate(code)) {
      return Status::Fail("UTF-16 text with an unpaired surrogate at byte " + std::to_string(i));
    }
    AppendUtf8(code, out);
  }
  return out;
}

// The next code point of valid UTF-8 starting at `pos`, advancing `pos`;
// nothing for a malformed, overlong or surrogate sequence.
bool NextCodePoint(std::string_view text, std::size_t& pos, std::uint32_t& code) {
  const auto lead = static_cast<std::uint8_t>(text[pos]);
  int length = lead < 0x80           ? 1
               : (lead >> 5) == 0x6  ? 2
               : (lead >> 4) == 0xE  ? 3
               : (lead >> 3) == 0x1E ? 4
                                     : 0;
  if (length == 0 || pos + static_cast<std::size_t>(length) > text.size()) return false;
  constexpr std::uint32_t kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  code = lead & kLeadMask[length];
  for (int k = 1; k < length; ++k) {
    const auto next = static_cast<std::uint8_t>(text[pos + static_cast<std::size_t>(k)]);
    if ((next >> 6) != 0x2) return false;
    code = code << 6 | (next & 0x3F);
  }
  if (code < kSmallest[length] || code > 0x10FFFF || IsHighSurrogate(code) || IsLowSurrogate(code))
    return false;
  pos += static_cast<std::size_t>(length);
  return true;
}

Expected<std::string> Utf8ToUtf16(std::string_view text, bool big_endian) {
  std::string out;
  out.reserve(text.size() * 2 + 2);
  auto unit = [&](std::uint32_t value) {
    const char high = static_cast<char>(value >> 8);
    const char low = static_cast<char>(value & 0xFF);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
  };
  unit(0xFEFF);
  for (std::size_t pos = 0; pos < text.size();) {
    std::uint32_t code = 0;
    if (!NextCodePoint(text, pos, code))
      return Status::Fail("text that is not valid UTF-8 at byte " + std::to_string(pos));
    if (code < 0x10000) {
      unit(code);
    } else {
      unit(0xD800 + ((code - 0x10000) >> 10));
      unit(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
  }
  return out;
}

}  // namespace

Expected<DecodedText> DecodeText(std::string_view bytes) {
  DecodedText decoded;
  if (StartsWith(bytes, kUtf16LeBom) || StartsWith(bytes, kUtf16BeBom)) {
    const bool big_endian = StartsWith(bytes, kUtf16BeBom);
    VR_TRY_ASSIGN(decoded.utf8, Utf16ToUtf8(bytes.substr(2), big_endian));
    decoded.encoding = big_endian ? TextEncoding::kUtf16Be : TextEncoding::kUtf16Le;
  } else if (StartsWith(bytes, kUtf8Bom)) {
    decoded.utf8 = std::string(bytes.substr(kUtf8Bom.size()));
    decoded.encoding = TextEncoding::kUtf8WithBom;
  } else {
    decoded.utf8 = std::string(bytes);
  }
  return decoded;
}

Expected<std::string> EncodeText(std::string_view utf8, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8:
      return std::string(utf8);
    case TextEncoding::kUtf8WithBom:
      return std::string(kUtf8Bom) + std::string(utf8);
    case TextEncoding::kUtf16Le:
      return Utf8ToUtf16(utf8, false);
    case TextEncoding::kUtf16Be:
      return Utf8ToUtf16(utf8, true);
  }
  return Status::Fail("unknown text encoding");
}

}  // namespace vr
