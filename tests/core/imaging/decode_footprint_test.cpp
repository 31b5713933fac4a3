// The decode memory told from a header: the coefficient buffers a progressive
// JPEG needs at any scale, the picture at the scale the engine will use, and
// clear failures for what is not a picture.
#include "imaging/decode_footprint.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

#include "core/imaging/pixel_test_util.h"
#include "imaging/codecs/png_codec.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Jpeg(int width, int height, int subsampling, int flags) {
  const Image picture = test::MakeRandomImage(width, height, 3);
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(handle, picture.pixels.data(), width, 0, height, TJPF_RGBA, &jpeg, &size,
                             subsampling, 80, flags);
  EXPECT_EQ(rc, 0) << tjGetErrorStr2(handle);
  Bytes out(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(handle);
  return out;
}

TEST(DecodeFootprint, ProgressiveCoefficientsCoverWholeMcus) {
  // 4:2:0, 100 x 60: luma 13 x 8 blocks rounded up to whole MCUs (14 x 8),
  // each chroma plane 7 x 4; 64 two-byte coefficients a block.
  Expected<DecodeFootprint> f = ReadDecodeFootprint(Jpeg(100, 60, TJSAMP_420, TJFLAG_PROGRESSIVE), "p.jpg");
  ASSERT_TRUE(f.ok()) << f.message();
  EXPECT_TRUE(f->progressive);
  EXPECT_EQ(f->info.width, 100);
  EXPECT_EQ(f->info.height, 60);
  EXPECT_EQ(f->coefficient_bytes, (14u * 8u + 2u * 7u * 4u) * 128u);

  // 4:4:4, 64 x 40: 8 x 5 blocks in each of three planes.
  f = ReadDecodeFootprint(Jpeg(64, 40, TJSAMP_444, TJFLAG_PROGRESSIVE), "q.jpg");
  ASSERT_TRUE(f.ok()) << f.message();
  EXPECT_EQ(f->coefficient_bytes, 3u * 8u * 5u * 128u);
  // The coefficients are held whatever the scale: a tiny target adds only
  // the shrunk picture.
  EXPECT_EQ(DecodeBytes(*f, 0, 0), 64u * 40u * 4u + f->coefficient_bytes);
}

TEST(DecodeFootprint, ABaselineJpegHoldsOnlyItsPictureAtTheEnginesScale) {
  Expected<DecodeFootprint> f = ReadDecodeFootprint(Jpeg(1600, 1200, TJSAMP_420, 0), "b.jpg");
  ASSERT_TRUE(f.ok()) << f.message();
  EXPECT_FALSE(f->progressive);
  EXPECT_EQ(f->coefficient_bytes, 0u);
  EXPECT_EQ(DecodeBytes(*f, 0, 0), 1600u * 1200u * 4u);
  // 300 x 225 leaves the half scale (800 x 600) at least twice the target.
  EXPECT_EQ(DecodeBytes(*f, 300, 225), 800u * 600u * 4u);
}

TEST(DecodeFootprint, OtherFormatsDecodeWhole) {
  Bytes png;
  ASSERT_TRUE(EncodePng(test::MakeRandomImage(30, 20, 1), png, "x.png").ok());
  Expected<DecodeFootprint> f = ReadDecodeFootprint(png, "x.png");
  ASSERT_TRUE(f.ok()) << f.message();
  EXPECT_EQ(f->info.kind, FileKind::Png);
  EXPECT_EQ(DecodeBytes(*f, 10, 5), 30u * 20u * 4u);
}

TEST(DecodeFootprint, WhatIsNoPictureFailsNamingTheFile) {
  const Bytes text = {'h', 'e', 'l', 'l', 'o'};
  Expected<DecodeFootprint> f = ReadDecodeFootprint(text, "notes.txt");
  ASSERT_FALSE(f.ok());
  EXPECT_NE(f.message().find("notes.txt"), std::string::npos) << f.message();

  // A JPEG cut before its frame header.
  const Bytes jpeg = Jpeg(16, 16, TJSAMP_444, 0);
  const Bytes cut(jpeg.begin(), jpeg.begin() + 20);
  f = ReadDecodeFootprint(cut, "cut.jpg");
  ASSERT_FALSE(f.ok());
  EXPECT_NE(f.message().find("cut.jpg"), std::string::npos) << f.message();

  EXPECT_FALSE(ReadDecodeFootprintFromFile("/no/such/file.jpg").ok());
}

// The start of a file is judged by the length of all of it: a frame header
// of 16384x16384 at 4:4:4 (12.6 million blocks) needs 196,608 bytes.
TEST(DecodeFootprint, AJpegsClaimIsJudgedByTheWholeFilesLength) {
  Bytes jpeg = Jpeg(16, 16, TJSAMP_444, TJFLAG_PROGRESSIVE);
  const std::uint8_t progressive_frame[] = {0xFF, 0xC2};
  const auto sof =
      std::search(jpeg.begin(), jpeg.end(), std::begin(progressive_frame), std::end(progressive_frame));
  ASSERT_NE(sof, jpeg.end());
  sof[5] = sof[7] = 0x40;  // height and width 0x4000
  sof[6] = sof[8] = 0;
  Expected<DecodeFootprint> f = ReadDecodeFootprint(jpeg, 196'608, "long.jpg");
  ASSERT_TRUE(f.ok()) << f.message();
  EXPECT_EQ(f->coefficient_bytes, 3u * 2048u * 2048u * 128u);
  f = ReadDecodeFootprint(jpeg, 196'607, "short.jpg");
  ASSERT_FALSE(f.ok());
  EXPECT_EQ(f.message(), "Implausible JPEG: a 16384x16384 picture from 196607 bytes in short.jpg");
}

// A 10x10 screen with a one-pixel frame in each of two far corners; the
// second lies behind a comment longer than the start the footprint reads.
Bytes GifWithFarSecondFrame(std::size_t comment_bytes) {
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 10, 0, 10, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
  auto frame = [&](std::uint8_t left, std::uint8_t top) {
    // Clear, index 0, end of information: one pixel in two bytes of LZW data.
    gif.insert(gif.end(), {0x2C, left, 0, top, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0});
  };
  frame(0, 0);
  gif.insert(gif.end(), {0x21, 0xFE});
  for (std::size_t left = comment_bytes; left > 0; left -= std::min<std::size_t>(left, 255)) {
    const auto length = static_cast<std::uint8_t>(std::min<std::size_t>(left, 255));
    gif.push_back(length);
    gif.insert(gif.end(), length, 'x');
  }
  gif.push_back(0);
  frame(9, 9);
  gif.push_back(';');
  return gif;
}

TEST(DecodeFootprint, AGifsCanvasSpansFramesBeyondTheStartRead) {
  const Bytes gif = GifWithFarSecondFrame(std::size_t{512} << 10);
  Expected<DecodeFootprint> from_bytes = ReadDecodeFootprint(gif, "far.gif");
  ASSERT_TRUE(from_bytes.ok()) << from_bytes.message();
  EXPECT_EQ(from_bytes->info.width, 10);
  EXPECT_EQ(from_bytes->info.height, 10);

  test::TempFolder folder;
  const std::string path = folder.File("far.gif");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(gif.data()), static_cast<std::streamsize>(gif.size()));
  Expected<DecodeFootprint> from_file = ReadDecodeFootprintFromFile(path);
  ASSERT_TRUE(from_file.ok()) << from_file.message();
  EXPECT_EQ(from_file->info.width, 10);
  EXPECT_EQ(from_file->info.height, 10);
}

}  // namespace
}  // namespace vr
