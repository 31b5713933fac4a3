// The frame a JPEG's header claims against the length of its file.
#include "imaging/codecs/jpeg_header_check.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vr {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FlatJpeg(int width, int height, int subsampling, int flags) {
  const std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3, 128);
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(
      tjCompress2(handle, pixels.data(), width, 0, height, TJPF_RGB, &jpeg, &size, subsampling, 90, flags),
      0);
  Bytes out(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(handle);
  return out;
}

TEST(JpegFrameTest, BlocksCoverEveryComponentInWholeMcus) {
  // 4:2:0, 100 x 60: luma 13 x 8 blocks rounded up to whole MCUs (14 x 8),
  // each chroma plane 7 x 4.
  std::optional<JpegFrame> frame = ReadJpegFrame(FlatJpeg(100, 60, TJSAMP_420, TJFLAG_PROGRESSIVE));
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->width, 100);
  EXPECT_EQ(frame->height, 60);
  EXPECT_TRUE(frame->progressive);
  EXPECT_FALSE(frame->arithmetic);
  EXPECT_EQ(frame->blocks, 14u * 8u + 2u * 7u * 4u);
  frame = ReadJpegFrame(FlatJpeg(64, 40, TJSAMP_GRAY, 0));
  ASSERT_TRUE(frame);
  EXPECT_FALSE(frame->progressive);
  EXPECT_EQ(frame->blocks, 8u * 5u);
  EXPECT_FALSE(ReadJpegFrame(Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
}

// A picture of one flat colour is the least data an encoder writes for a
// frame; at any subsampling and in either mode it is far inside the bound.
TEST(JpegFrameTest, FlatPicturesFromTheEncoderPass) {
  for (const int flags : {0, TJFLAG_PROGRESSIVE})
    for (const int subsampling : {TJSAMP_444, TJSAMP_420, TJSAMP_GRAY}) {
      const Bytes jpeg = FlatJpeg(4096, 2048, subsampling, flags);
      const Status checked = CheckJpegFileLength(jpeg, jpeg.size(), "flat.jpg");
      EXPECT_TRUE(checked.ok()) << checked.message();
      // ... and would pass with a sixteenth of its bytes.
      EXPECT_TRUE(CheckJpegFileLength(jpeg, jpeg.size() / 16, "flat.jpg").ok())
          << flags << " " << subsampling;
    }
}

struct BoundCase {
  const char* label;
  bool arithmetic;
  std::uint64_t blocks;
  std::uint64_t file_length;
  bool plausible;
};

class JpegBoundTest : public ::testing::TestWithParam<BoundCase> {};

TEST_P(JpegBoundTest, BlocksAFileByteAreBounded) {
  const BoundCase& c = GetParam();
  JpegFrame frame;
  frame.width = 1000;
  frame.height = 800;
  frame.arithmetic = c.arithmetic;
  frame.blocks = c.blocks;
  const Status checked = CheckJpegFrame(frame, c.file_length, "claim.jpg");
  EXPECT_EQ(checked.ok(), c.plausible) << checked.message();
  if (!c.plausible) {
    EXPECT_EQ(checked.message(), "Implausible JPEG: a 1000x800 picture from " +
                                     std::to_string(c.file_length) + " bytes in claim.jpg");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, JpegBoundTest,
    ::testing::Values(BoundCase{"HuffmanAtTheBound", false, 64 * 1000, 1000, true},
                      BoundCase{"HuffmanOneBlockOver", false, 64 * 1000 + 1, 1000, false},
                      BoundCase{"ArithmeticAtTheBound", true, 4096 * 1000, 1000, true},
                      BoundCase{"ArithmeticOneBlockOver", true, 4096 * 1000 + 1, 1000, false},
                      BoundCase{"MalformedHeaderIsLeftToTheDecoder", false, 0, 10, true}),
    [](const ::testing::TestParamInfo<BoundCase>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vr
