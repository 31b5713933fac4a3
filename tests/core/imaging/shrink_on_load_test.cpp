// A JPEG shrunk in the DCT and then resampled must look like one resampled
// from a full decode, whatever the remainder of its sides by the scale and
// however the picture is turned on load.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/imaging/photo_test_util.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/engine.h"
#include "imaging/image_info.h"
#include "imaging/ops/luma_ssim.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The thumbnail every case makes, upright.
constexpr int kThumbWidth = 64;
constexpr int kThumbHeight = 48;

// How far a shrunk thumbnail may fall behind the full decode's.
constexpr double kMaxSsimLoss = 0.001;

std::string WriteJpeg(const std::string& path, const Image& picture, int orientation) {
  JpegCodec codec;
  Bytes jpeg;
  EXPECT_TRUE(codec.Encode(picture, 92, jpeg, path).ok());
  jpeg = test::WithExifOrientation(std::move(jpeg), static_cast<std::uint8_t>(orientation));
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  return path;
}

// The engine's thumbnail of `path`; `full` decodes every stored pixel first.
Image Thumbnail(const std::string& path, bool full) {
  Engine engine;
  EXPECT_TRUE(engine.LoadImage(Engine::kPictureSlot, path).ok());
  if (full) {
    EXPECT_TRUE(engine.Decode(Engine::kPictureSlot).ok());
  }
  EXPECT_TRUE(engine.Resample(kThumbWidth, kThumbHeight).ok());
  return engine.picture(Engine::kPictureSlot);
}

// DCT scale, remainder of the stored width by it (the height's is another),
// EXIF orientation.
using ShrinkCase = std::tuple<int, int, int>;

class ShrinkOnLoad : public testing::TestWithParam<ShrinkCase> {
 protected:
  test::TempFolder folder_;
};

TEST_P(ShrinkOnLoad, LooksLikeTheFullDecode) {
  const auto [scale, remainder, orientation] = GetParam();
  // Stored sides that leave the resampler a reduction of about two at this
  // scale, and no more than that at the next, so the engine picks `scale`.
  const Sides stored_thumb = OrientedSides(kThumbWidth, kThumbHeight, orientation);
  const int width = 2 * stored_thumb.width * scale + remainder;
  const int height = 2 * stored_thumb.height * scale + (remainder + 3) % 8;
  ASSERT_EQ(JpegScaleDenominator(width, height, stored_thumb.width, stored_thumb.height), scale);

  const std::string path =
      WriteJpeg(folder_.File("p.jpg"), test::MakeDetailedPhoto(width, height, remainder + 1), orientation);
  const Image shrunk = Thumbnail(path, false);
  const Image full = Thumbnail(path, true);
  ASSERT_EQ(shrunk.width, kThumbWidth);
  ASSERT_EQ(shrunk.height, kThumbHeight);
  EXPECT_GE(LumaSsim(shrunk, full), 1.0 - kMaxSsimLoss) << width << "x" << height;
}

// Every remainder at every scale, each with another of the eight orientations.
std::vector<ShrinkCase> AllCases() {
  std::vector<ShrinkCase> cases;
  for (int scale : {2, 4, 8})
    for (int remainder = 0; remainder < 8; ++remainder) cases.emplace_back(scale, remainder, 1 + remainder);
  return cases;
}

std::string CaseName(const testing::TestParamInfo<ShrinkCase>& info) {
  const auto [scale, remainder, orientation] = info.param;
  return "OneIn" + std::to_string(scale) + "_Remainder" + std::to_string(remainder) + "_Orientation" +
         std::to_string(orientation);
}

INSTANTIATE_TEST_SUITE_P(ScalesAndRemainders, ShrinkOnLoad, testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace vr
