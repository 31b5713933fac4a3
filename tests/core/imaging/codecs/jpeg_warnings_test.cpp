// libjpeg's warnings sorted by what they cost: JPEGs with stray bytes before
// a marker, cut short, with corrupt entropy data, and with both a harmless
// and a harmful flaw, through the whole and the shrunk progressive decode.
#include "imaging/codecs/jpeg_warnings.h"

#include <gtest/gtest.h>

#include "core/imaging/codecs/codec_files.h"
#include "imaging/codecs/jpeg_codec.h"

namespace vr {
namespace {

using namespace test;

Bytes Photo(int flags) {
  const Image photo = MakeDetailedPhoto(96, 64, 3);
  return CompressJpeg(photo.pixels.data(), 96, 64, TJPF_RGBA, TJSAMP_420, flags);
}

// Three stray bytes before the first scan's marker: the decoder skips them.
Bytes WithStrayBytes(Bytes jpeg) {
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(FindMarker(jpeg, 0xDA)), {1, 2, 3});
  return jpeg;
}

// Cut two thirds in, or 40 bytes into the first scan.
Bytes CutShort(Bytes jpeg, bool in_first_scan = false) {
  jpeg.resize(in_first_scan ? FindMarker(jpeg, 0xDA) + 40 : jpeg.size() * 2 / 3);
  return jpeg;
}

// A run of one bits (0xFF stuffed as FF 00) inside the first scan: no
// Huffman code is all ones.
Bytes WithBadCodes(Bytes jpeg) {
  const std::size_t scan = FindMarker(jpeg, 0xDA) + 30;
  for (std::size_t i = 0; i < 16; i += 2) jpeg[scan + i] = 0xFF, jpeg[scan + i + 1] = 0;
  return jpeg;
}

struct WarningCase {
  const char* name;
  Bytes file;
  int target;  // 0: the whole picture; 4 shrinks a progressive file to 1/8 in its scans
  DecodeFlaw flaw;
  const char* detail;
};

TEST(JpegWarnings, EachWarningIsSortedByWhatItCostAndToldInTheDecodersWords) {
  const Bytes baseline = Photo(0), progressive = Photo(TJFLAG_PROGRESSIVE);
  const char* stray = "Corrupt JPEG data: 3 extraneous bytes before marker 0xda";
  const WarningCase cases[] = {
      {"whole", baseline, 0, DecodeFlaw::kNone, ""},
      {"stray bytes", WithStrayBytes(baseline), 0, DecodeFlaw::kCosmetic, stray},
      {"cut", CutShort(baseline), 0, DecodeFlaw::kMissingData, "Premature end of JPEG file"},
      // TurboJPEG tells only the first warning; the cut behind it still counts.
      {"stray bytes then cut", CutShort(WithStrayBytes(baseline)), 0, DecodeFlaw::kMissingData,
       "Premature end of JPEG file"},
      {"bad codes", WithBadCodes(baseline), 0, DecodeFlaw::kCorruptData,
       "Corrupt JPEG data: bad Huffman code"},
      {"progressive stray bytes shrunk", WithStrayBytes(progressive), 4, DecodeFlaw::kCosmetic, stray},
      {"progressive cut shrunk", CutShort(progressive, true), 4, DecodeFlaw::kMissingData,
       "Premature end of JPEG file"},
  };
  JpegCodec codec;
  for (const WarningCase& c : cases) {
    SCOPED_TRACE(c.name);
    Image image;
    Expected<DecodeResult> result = codec.Decode(c.file, "w.jpg", c.target, c.target, image);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(result->warning.flaw, c.flaw);
    EXPECT_EQ(result->warning.detail, c.detail);
    EXPECT_EQ(result->warning.damaged(),
              c.flaw == DecodeFlaw::kMissingData || c.flaw == DecodeFlaw::kCorruptData);
    EXPECT_EQ(result->shrink, c.target > 0 ? 8 : 1);
  }
}

// A message known only by its text is the warning whose format it fills;
// anything else, a fatal error among them, counts as corrupt.
TEST(JpegWarnings, TextIsMatchedAgainstEveryWarningsFormat) {
  const std::pair<const char*, DecodeFlaw> cases[] = {
      {"Corrupt JPEG data: 17 extraneous bytes before marker 0xc4", DecodeFlaw::kCosmetic},
      {"Warning: unknown JFIF revision number 3.02", DecodeFlaw::kCosmetic},
      {"Premature end of JPEG file", DecodeFlaw::kMissingData},
      {"Corrupt JPEG data: premature end of data segment", DecodeFlaw::kMissingData},
      {"Corrupt JPEG data: found marker 0xd9 instead of RST3", DecodeFlaw::kCorruptData},
      {"Corrupt JPEG data: 17 extraneous bytes before marker 0xc4 and more", DecodeFlaw::kCorruptData},
      {"Corrupt JPEG data:  extraneous bytes before marker 0x", DecodeFlaw::kCorruptData},
      {"Bogus marker length", DecodeFlaw::kCorruptData},
  };
  for (const auto& [text, flaw] : cases) EXPECT_EQ(JpegWarningTextFlaw(text), flaw) << text;
}

}  // namespace
}  // namespace vr
