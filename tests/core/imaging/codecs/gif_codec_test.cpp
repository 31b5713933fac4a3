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
using test::kGifPalette;
using test::PatternFrame;
using test::PixelAt;
using test::Rgba;
using test::WriteGif;

Rgba Opaque(const GifColorType& c) { return {c.Red, c.Green, c.Blue, 255}; }

Image Decode(const Bytes& file, int width, int height) {
  Image image;
  Status status = DecodeGif(file, "test.gif", image);
  EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(image.width, width);
  EXPECT_EQ(image.height, height);
  // The header reader tells the size the decode gives.
  Expected<ImageInfo> info = ReadGifInfo(file, "test.gif");
  EXPECT_TRUE(info.ok()) << info.message();
  if (info.ok()) {
    EXPECT_EQ(info->width, width);
    EXPECT_EQ(info->height, height);
  }
  return image;
}

// The frame's pixels with its corner at (left, top) of the image.
void ExpectFrameAt(const Image& image, const GifFrame& frame, int left, int top,
                   const std::vector<GifColorType>& colors = kGifPalette) {
  ASSERT_GE(image.width, left + frame.width);
  ASSERT_GE(image.height, top + frame.height);
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      const int index = frame.indices[static_cast<std::size_t>(y * frame.width + x)];
      const Rgba expected = index == frame.transparent ? Rgba{0, 0, 0, 0} : Opaque(colors[index]);
      ASSERT_EQ(PixelAt(image, left + x, top + y), expected) << x << "," << y;
    }
}

TEST(GifDecode, OnlyTheFirstFrameIsShownThroughItsTable) {
  GifFrame first = PatternFrame(5, 3, 0);
  ExpectFrameAt(Decode(WriteGif(5, 3, {first, PatternFrame(5, 3, 5)}), 5, 3), first, 0, 0);
  first.local_colors = {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}, {6, 6, 6},
                        {5, 5, 5}, {4, 4, 4}, {3, 3, 3}, {2, 2, 2}};
  ExpectFrameAt(Decode(WriteGif(5, 3, {first}), 5, 3), first, 0, 0, first.local_colors);
}

TEST(GifDecode, TheTransparentIndexBecomesFullyTransparent) {
  GifFrame frame = PatternFrame(8, 4, 3);
  frame.transparent = 5;
  const Image image = Decode(WriteGif(8, 4, {frame}), 8, 4);
  ExpectFrameAt(image, frame, 0, 0);
  EXPECT_TRUE(image.HasTransparency());
}

TEST(GifDecode, AnInterlacedFrameEqualsASequentialOne) {
  for (int height : {1, 2, 3, 5, 8, 9, 17}) {
    GifFrame frame = PatternFrame(6, height, 4);
    frame.interlace = true;
    ExpectFrameAt(Decode(WriteGif(6, height, {frame}), 6, height), frame, 0, 0);
  }
}

// Beyond its frames a screen holds only transparent pixels, so it is cut
// to their bounding box; the shown frame keeps its place within the box.
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

  // A zero screen takes the frames' box too.
  Bytes zero = WriteGif(9, 5, {frame});
  zero[6] = zero[7] = zero[8] = zero[9] = 0;
  ExpectFrameAt(Decode(zero, 3, 2), frame, 0, 0);
}

TEST(GifHostile, APartOfTheFrameBeyondTheScreenIsCut) {
  GifFrame frame = PatternFrame(4, 4, 2);
  frame.left = 2;
  frame.top = 1;
  const Image image = Decode(WriteGif(3, 3, {frame}), 1, 2);
  EXPECT_EQ(PixelAt(image, 0, 0), Opaque(kGifPalette[frame.indices[0]]));
  EXPECT_EQ(PixelAt(image, 0, 1), Opaque(kGifPalette[frame.indices[4]]));
}

// The encoder masks indices to its table's size, so the written table is
// shrunk instead: the size field says four colours, the last four go.
TEST(GifHostile, IndicesPastTheTableAreOpaqueBlack) {
  const GifFrame frame = PatternFrame(8, 1, 0);
  Bytes file = WriteGif(8, 1, {frame});
  file[10] = static_cast<std::uint8_t>((file[10] & ~0x07) | 0x01);
  file.erase(file.begin() + 13 + 12, file.begin() + 13 + 24);
  const Image image = Decode(file, 8, 1);
  for (int x = 0; x < 8; ++x) {
    const int index = frame.indices[static_cast<std::size_t>(x)];
    const Rgba expected = index < 4 ? Opaque(kGifPalette[index]) : Rgba{0, 0, 0, 255};
    EXPECT_EQ(PixelAt(image, x, 0), expected) << x;
  }
}

TEST(GifHostile, NoColourTableOrBrokenCodesFailByName) {
  Bytes bare = WriteGif(2, 2, {PatternFrame(2, 2, 0)});
  bare[10] = static_cast<std::uint8_t>(bare[10] & 0x7F);
  bare.erase(bare.begin() + 13, bare.begin() + 13 + 24);
  Image image;
  EXPECT_EQ(DecodeGif(bare, "bare.gif", image).message(), "Invalid GIF: no colour table in bare.gif");

  // The first LZW code after the minimum code size made one that cannot occur yet.
  Bytes lzw = WriteGif(16, 16, {PatternFrame(16, 16, 1)});
  const std::size_t data = 13 + 24 + 10;
  ASSERT_EQ(lzw[data], 3);
  for (std::size_t i = data + 2; i < lzw.size() - 3; ++i) lzw[i] = 0xFF;
  Status status = DecodeGif(lzw, "lzw.gif", image);
  EXPECT_NE(status.message().find("lzw.gif"), std::string::npos) << status.message();
  EXPECT_TRUE(image.pixels.empty());
}

}  // namespace
}  // namespace vr
