// What a decoder reported about a picture it still delivered: whether
// pixels were lost and, in the decoder's own words, why.
#pragma once

#include <string>

namespace vr {

enum class DecodeFlaw {
  kNone,
  kCosmetic,     // nothing lost: stray bytes before a marker, an unknown JFIF version
  kMissingData,  // the data ended early; the rest of the picture is filled in
  kCorruptData,  // data the decoder could not make sense of; what it made is shown
};

struct DecodeWarning {
  DecodeFlaw flaw = DecodeFlaw::kNone;
  std::string detail;  // "Premature end of JPEG file", "its file ends early", ...

  // Pixels were lost: the picture is not what its file meant to hold.
  bool damaged() const { return flaw == DecodeFlaw::kMissingData || flaw == DecodeFlaw::kCorruptData; }
  bool any() const { return flaw != DecodeFlaw::kNone; }

  // The more serious of two warnings (the earlier one when equal).
  static DecodeWarning Worse(DecodeWarning a, DecodeWarning b) {
    return static_cast<int>(b.flaw) > static_cast<int>(a.flaw) ? b : a;
  }
};

}  // namespace vr
