// GIF pictures written with giflib: the first frame's pixels through either
// colour table, transparency, interlacing, and the canvas cut to its frames.
#include "imaging/codecs/gif_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/imaging/codecs/codec_files.h"
#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::Bytes;
using test::GifFrame;
using test::PatternFrame;
using test::PixelAt;
using test::Rgba;
using test::WriteGif;

// Decodes at the size the header reader tells, and expects it.
Image Decode(const Bytes& file, int width, int height) {
  Image image;
  Status status = DecodeGif(file, "test.gif", image);
  EXPECT_TRUE(status.ok()) << status.message();
  Expected<ImageInfo> info = ReadGifInfo(file, "test.gif");
  EXPECT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(std::pair(image.width, image.height), std::pair(width, height));
  if (info.ok()) {
    EXPECT_EQ(std::pair(info->width, info->height), std::pair(width, height));
  }
  return image;
}

// The frame's pixels (clear for its transparent index) with its corner at (left, top).
void ExpectFrameAt(const Image& image, const GifFrame& frame, int left, int top, int colours = 8) {
  const auto& table = frame.local_colors.empty() ? test::kGifPalette : frame.local_colors;
  for (int y = 0; y < frame.height && top + y < image.height; ++y)
    for (int x = 0; x < frame.width && left + x < image.width; ++x) {
      const int index = frame.indices[static_cast<std::size_t>(y * frame.width + x)];
      const Rgba expected = index == frame.transparent ? Rgba{0, 0, 0, 0}
                            : index >= colours
                                ? Rgba{0, 0, 0, 255}
                                : Rgba{table[index].Red, table[index].Green, table[index].Blue, 255};
      ASSERT_EQ(PixelAt(image, left + x, top + y), expected) << x << "," << y;
    }
}

TEST(GifDecode, OnlyTheFirstFrameIsShownThroughItsTableWithItsTransparentIndexClear) {
  GifFrame first = PatternFrame(5, 3, 0);
  ExpectFrameAt(Decode(WriteGif(5, 3, {first, PatternFrame(5, 3, 5)}), 5, 3), first, 0, 0);
  first.local_colors = {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}, {6, 6, 6},
                        {5, 5, 5}, {4, 4, 4}, {3, 3, 3}, {2, 2, 2}};
  first.transparent = 5;
  ExpectFrameAt(Decode(WriteGif(5, 3, {first}), 5, 3), first, 0, 0);
}

TEST(GifDecode, AnInterlacedFrameEqualsASequentialOne) {
  for (int height : {1, 2, 3, 5, 8, 9, 17}) {
    GifFrame frame = PatternFrame(6, height, 4);
    frame.interlace = true;
    ExpectFrameAt(Decode(WriteGif(6, height, {frame}), 6, height), frame, 0, 0);
  }
}

// Beyond its frames a screen holds only transparent pixels, so it is cut
// to their bounding box (a zero screen too); the shown frame keeps its
// place within the box, and a frame reaching past the screen is cut there.
TEST(GifDecode, TheScreenIsCutToItsFrames) {
  GifFrame frame = PatternFrame(3, 2, 1);
  frame.left = 4;
  frame.top = 1;
  ExpectFrameAt(Decode(WriteGif(9, 5, {frame}), 3, 2), frame, 0, 0);
  GifFrame later = PatternFrame(2, 2, 6);
  later.left = 1;
  later.top = 3;
  const Image both = Decode(WriteGif(9, 5, {frame, later}), 6, 4);  // x 1..6, y 1..4
  ExpectFrameAt(both, frame, 3, 0);
  EXPECT_EQ(PixelAt(both, 0, 3), (Rgba{0, 0, 0, 0}));  // only the first frame is drawn
  Bytes zero = WriteGif(9, 5, {frame});
  zero[6] = zero[7] = zero[8] = zero[9] = 0;
  ExpectFrameAt(Decode(zero, 3, 2), frame, 0, 0);
  GifFrame beyond = PatternFrame(4, 4, 2);
  beyond.left = 2;
  beyond.top = 1;
  ExpectFrameAt(Decode(WriteGif(3, 3, {beyond}), 1, 2), beyond, 0, 0);
}

// The encoder masks indices to its table's size, so the written table is
// shrunk instead: the size field says four colours, the last four go.
TEST(GifHostile, IndicesPastTheTableAreOpaqueBlack) {
  const GifFrame frame = PatternFrame(8, 1, 0);
  Bytes file = WriteGif(8, 1, {frame});
  file[10] = static_cast<std::uint8_t>((file[10] & ~0x07) | 0x01);
  file.erase(file.begin() + 13 + 12, file.begin() + 13 + 24);
  ExpectFrameAt(Decode(file, 8, 1), frame, 0, 0, 4);
}

TEST(GifHostile, NoColourTableOrBrokenCodesFailByName) {
  Bytes bare = WriteGif(2, 2, {PatternFrame(2, 2, 0)});
  bare[10] = static_cast<std::uint8_t>(bare[10] & 0x7F);
  bare.erase(bare.begin() + 13, bare.begin() + 13 + 24);
  Image image;
  EXPECT_EQ(DecodeGif(bare, "bare.gif", image).message(), "Invalid GIF: no colour table in bare.gif");
  // The first LZW code after the minimum code size made one that cannot occur yet.
  Bytes lzw = WriteGif(16, 16, {PatternFrame(16, 16, 1)});
  ASSERT_EQ(lzw[13 + 24 + 10], 3);
  for (std::size_t i = 13 + 24 + 12; i < lzw.size() - 3; ++i) lzw[i] = 0xFF;
  EXPECT_NE(DecodeGif(lzw, "lzw.gif", image).message().find("lzw.gif"), std::string::npos);
  EXPECT_TRUE(image.pixels.empty());
}

}  // namespace
}  // namespace vr
