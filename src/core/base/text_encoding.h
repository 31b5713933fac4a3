// The encodings a text file written on Windows may come in, told apart by
// their byte order mark, and lossless conversion to UTF-8 and back, so a
// file can be edited as UTF-8 and written in the encoding it was found in.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"

namespace vr {

enum class TextEncoding {
  kUtf8,         // no byte order mark: the bytes as they are
  kUtf8WithBom,  // EF BB BF first
  kUtf16Le,      // FF FE first
  kUtf16Be,      // FE FF first
};

struct DecodedText {
  std::string utf8;  // without the byte order mark
  TextEncoding encoding = TextEncoding::kUtf8;
};

// Takes the encoding from the byte order mark. UTF-8 bytes pass unchanged,
// whether valid or not; UTF-16 fails on an odd length or a surrogate out of
// its pair, which could not be written back as it was.
Expected<DecodedText> DecodeText(std::string_view bytes);

// The text in `encoding`, byte order mark included. For UTF-16 the text must
// be valid UTF-8.
Expected<std::string> EncodeText(std::string_view utf8, TextEncoding encoding);

}  // namespace vr
