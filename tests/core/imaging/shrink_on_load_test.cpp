// Shrinking a JPEG in the DCT on load: the price told from the header is
// what the decode at the engine's scale holds, and the thumbnail looks like
// one resampled from a full decode, whatever the remainder of the sides by
// the scale and however the picture is turned on load.
#include <gtest/gtest.h>

#include <fstream>

#include "core/imaging/codecs/codec_files.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/decode_footprint.h"
#include "imaging/engine.h"
#include "imaging/image_info.h"
#include "quality/luma_ssim.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using namespace test;

Bytes Jpeg(const Image& picture, int subsampling, int flags, int orientation = 1) {
  Bytes jpeg =
      CompressJpeg(picture.pixels.data(), picture.width, picture.height, TJPF_RGBA, subsampling, flags, 92);
  return orientation == 1 ? jpeg
                          : WithExifOrientation(std::move(jpeg), static_cast<std::uint8_t>(orientation));
}

std::string Write(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// ---- The price -------------------------------------------------------------------

// Progressive files hold 64 two-byte coefficients for every block of whole
// MCUs whatever the scale, and every file the picture at the scale the
// engine's DCT shrink gives for an upright target: a quarter-turned file is
// priced as its unturned twin asked for the target turned.
TEST(DecodeFootprint, IsThePictureTheDecodeGivesPlusTheCoefficients) {
  struct Case {
    int width, height, subsampling, flags;
    std::uint64_t blocks;  // of whole MCUs; 0 for a baseline file
  };
  for (const Case& c :
       {Case{100, 60, TJSAMP_420, TJFLAG_PROGRESSIVE, 14 * 8 + 2 * 7 * 4},
        Case{64, 40, TJSAMP_444, TJFLAG_PROGRESSIVE, 3 * 8 * 5}, Case{1600, 400, TJSAMP_420, 0, 0}}) {
    const Bytes plain = Jpeg(MakeRandomImage(c.width, c.height, 3), c.subsampling, c.flags);
    const Bytes turned = WithExifOrientation(plain, 6);
    Expected<DecodeFootprint> f = ReadDecodeFootprint(plain, "p.jpg"),
                              t = ReadDecodeFootprint(turned, "t.jpg");
    ASSERT_TRUE(f.ok() && t.ok()) << f.message() << t.message();
    EXPECT_TRUE(f->progressive == (c.flags != 0) && f->coefficient_bytes == c.blocks * 128) << c.width;
    for (auto [tw, th] :
         {std::pair{0, 0}, {c.width / 5, c.height / 5}, {c.width / 8, c.height / 17}, {30, 2}}) {
      JpegCodec codec;
      Image decoded;
      ASSERT_TRUE(codec.Decode(plain, "p.jpg", tw, th, decoded).ok());
      EXPECT_EQ(DecodeBytes(*f, tw, th), decoded.pixels.size() + f->coefficient_bytes) << tw << "x" << th;
      EXPECT_EQ(DecodeBytes(*t, th, tw), DecodeBytes(*f, tw, th)) << tw << "x" << th;
    }
  }
}

// ---- The thumbnail ---------------------------------------------------------------

// How far a shrunk thumbnail may fall behind the full decode's.
constexpr double kMaxSsimLoss = 0.001;

// The engine's thumbnail of `path`; `full` decodes every stored pixel first.
Image Thumbnail(const std::string& path, int width, int height, bool full) {
  Engine engine;
  EXPECT_TRUE(engine.LoadImage(1, path).ok() && (!full || engine.Decode(1).ok()) &&
              engine.Resample(width, height).ok());
  EXPECT_EQ(std::pair(engine.picture(1).width, engine.picture(1).height), std::pair(width, height));
  return engine.picture(Engine::kPictureSlot);
}

// DCT scale, remainder of the stored width by it (the height's is another),
// EXIF orientation; a 64 x 48 upright thumbnail.
using ShrinkCase = std::tuple<int, int, int>;

class ShrinkOnLoad : public testing::TestWithParam<ShrinkCase> {
 protected:
  test::TempFolder folder_;
};

TEST_P(ShrinkOnLoad, LooksLikeTheFullDecode) {
  const auto [scale, remainder, orientation] = GetParam();
  // Stored sides that leave the resampler just the room this scale needs
  // (twice at 1/8, two and a half times above), so the engine picks `scale`.
  const Sides stored_thumb = OrientedSides(64, 48, orientation);
  const int room_in_halves = scale == 8 ? 4 : 5;
  const int width = room_in_halves * stored_thumb.width * scale / 2 + remainder;
  const int height = room_in_halves * stored_thumb.height * scale / 2 + (remainder + 3) % 8;
  ASSERT_EQ(JpegScaleDenominator(width, height, stored_thumb.width, stored_thumb.height), scale);
  const std::string path = Write(folder_.File("p.jpg"), Jpeg(MakeDetailedPhoto(width, height, remainder + 1),
                                                             TJSAMP_420, 0, orientation));
  EXPECT_GE(LumaSsim(Thumbnail(path, 64, 48, false), Thumbnail(path, 64, 48, true)), 1.0 - kMaxSsimLoss)
      << width << "x" << height;
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

// A thumbnail squashed across a quarter-turned picture of fine stripes
// across its stored rows: its upright sides would allow a deeper shrink than
// its stored ones, which leave too few pixels across to keep the stripes.
TEST(ShrinkOnLoadTurned, ShrinksOnTheStoredAxes) {
  test::TempFolder folder;
  Image stripes = MakeDetailedPhoto(1600, 400);
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 1600; ++x)
      stripes.at(x, y)[0] = stripes.at(x, y)[1] = std::uint8_t(128 + 100 * std::sin(y * 1.3));
  const std::string path = Write(folder.File("t.jpg"), Jpeg(stripes, TJSAMP_420, 0, 6));
  EXPECT_GE(LumaSsim(Thumbnail(path, 300, 16, false), Thumbnail(path, 300, 16, true)), 1.0 - kMaxSsimLoss);
}

}  // namespace
}  // namespace vr
