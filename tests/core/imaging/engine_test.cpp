// The engine's two slots: loading reads only the header, the first operation
// decodes (turned upright, damage remembered), saving writes whole files or
// none, and failures name the file and leave the slot empty.
#include "imaging/engine.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/imaging/codecs/codec_files.h"
#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/decode_footprint.h"
#include "imaging/ops/flatten.h"
#include "quality/luma_ssim.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using namespace test;

Bytes Encoded(int format, const Image& image) {
  Bytes out;
  JpegCodec jpeg;
  const Status status = format == kFormatJpeg  ? jpeg.Encode(image, 95, out, "t")
                        : format == kFormatBmp ? EncodeBmp(image, out, "t")
                                               : EncodePng(image, out, "t");
  EXPECT_TRUE(status.ok()) << status.message();
  return out;
}

std::pair<int, int> SizeOf(const Engine& engine, int slot) {
  int w = -1, h = -1;
  EXPECT_TRUE(engine.GetImageSize(slot, w, h).ok());
  return {w, h};
}

class EngineTest : public testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = folder_.File(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::size_t FilesInFolder() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder_.path()), {}));
  }

  test::TempFolder folder_;
  Engine engine_;
};

TEST_F(EngineTest, LoadReadsOnlyTheHeaderAndTheDecodeIsTurnedUpright) {
  // Stored 40 wide and 20 high, to be shown turned a quarter clockwise.
  const std::string path =
      Write("t.jpg", WithExifOrientation(Encoded(kFormatJpeg, MakeDetailedPhoto(40, 20)), 6));
  ASSERT_TRUE(engine_.LoadImage(1, path).ok());
  EXPECT_EQ(SizeOf(engine_, 1), std::pair(20, 40));
  EXPECT_TRUE(engine_.picture(1).empty() && engine_.Decode(1).ok()) << "measuring must not decode";
  EXPECT_EQ(std::pair(engine_.picture(1).width, engine_.picture(1).height), std::pair(20, 40));

  // A header read elsewhere from the file's start loads as the engine's own read.
  Expected<DecodeFootprint> footprint = ReadDecodeFootprintFromFile(path);
  ASSERT_TRUE(footprint.ok()) << footprint.message();
  Engine given;
  ASSERT_TRUE(given.LoadImage(1, path, &footprint->info).ok() && given.Resample(10, 20).ok());
  ASSERT_TRUE(engine_.LoadImage(1, path).ok() && engine_.Resample(10, 20).ok());
  EXPECT_EQ(given.picture(1).pixels, engine_.picture(1).pixels);
}

class EngineFormat : public EngineTest, public testing::WithParamInterface<int> {};

TEST_P(EngineFormat, ResampleGivesTheExactSizeEvenWhenOneSideIsKept) {
  const std::string path = Write("picture", Encoded(GetParam(), MakeDetailedPhoto(301, 199)));
  for (auto [w, h] : {std::pair{37, 23}, {1, 1}, {150, 1}, {400, 250}, {301, 50}, {20, 199}}) {
    ASSERT_TRUE(engine_.LoadImage(1, path).ok() && engine_.Resample(w, h).ok());
    EXPECT_EQ(std::pair(engine_.picture(1).width, engine_.picture(1).height), std::pair(w, h));
  }
}

// Lossless formats give back every byte, alpha included; JPEG comes close.
// The file has no extension: its bytes tell the reader what it is.
TEST_P(EngineFormat, SaveRoundTripsAndLeavesOnlyTheFile) {
  const int format = GetParam();
  for (auto [w, h] : {std::pair{1, 1}, {5, 7}, {33, 17}}) {
    const Image original =
        format == kFormatJpeg ? MakeDetailedPhoto(16 * w, 16 * h) : MakeRandomImage(w, h, 9, true);
    engine_.SetJpegQuality(95);
    ASSERT_TRUE(engine_.Hold(1, original, "made").ok() && engine_.Save(folder_.File("thumb"), format).ok());
    Engine reader;
    ASSERT_TRUE(reader.LoadImage(1, folder_.File("thumb")).ok() && reader.Decode(1).ok());
    const Image& back = reader.picture(1);
    ASSERT_EQ(std::pair(back.width, back.height), std::pair(original.width, original.height));
    // A BMP keeps the alpha; where nothing is, it shows the background
    // (white) to readers that ignore alpha.
    Image kept = original;
    if (format == kFormatBmp) FillTransparent(kept, Background{});
    EXPECT_TRUE(format == kFormatJpeg ? LumaSsim(back, original) > 0.95 : back.pixels == kept.pixels);
  }
  EXPECT_EQ(FilesInFolder(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BmpJpegPng, EngineFormat, testing::Values(kFormatBmp, kFormatJpeg, kFormatPng));

// A missing or foreign file fails at the load; pixels cut after a sound
// header fail at the first operation. Either way the slot is left empty.
TEST_F(EngineTest, AnUnreadableFileFailsByNameAndLeavesTheSlotEmpty) {
  Bytes cut = Encoded(kFormatPng, MakeRandomImage(20, 20, 5));
  cut.resize(60);  // the signature, IHDR and the start of the first IDAT
  const std::string good = Write("good.png", Encoded(kFormatPng, MakeImage(5, 5, {1, 2, 3, 255})));
  for (const std::string& bad :
       {Write("garbage.png", Bytes{'n', 'o', 't'}), folder_.File("missing.jpg"), Write("cut.png", cut)}) {
    ASSERT_TRUE(engine_.LoadImage(1, good).ok() && engine_.Resample(2, 2).ok());
    Status loaded = engine_.LoadImage(1, bad);
    if (loaded.ok()) loaded = engine_.Resample(2, 2);
    EXPECT_NE(loaded.message().find(bad), std::string::npos) << loaded.message();
    EXPECT_TRUE(engine_.empty(1) && engine_.picture(1).empty() && !engine_.Resample(2, 2).ok());
  }
}

TEST_F(EngineTest, DamageIsRememberedUntilTheNextLoad) {
  Bytes bmp = Encoded(kFormatBmp, MakeRandomImage(16, 16, 2));
  const std::string whole = Write("whole.bmp", bmp);
  bmp.resize(bmp.size() - 100);
  const std::string cut = Write("cut.bmp", bmp);
  for (const auto& [path, damaged] : {std::pair{cut, true}, {whole, false}, {cut, true}}) {
    ASSERT_TRUE(engine_.LoadImage(1, path).ok() && engine_.Resample(8, 8).ok());
    EXPECT_EQ(engine_.warning(1).damaged(), damaged) << path;
  }
}

// A held picture mixes in at the opacity set and at its place. Each slot is
// cleared on its own, and every operation needs its slot filled.
TEST_F(EngineTest, MixingAndOperationsNeedTheirSlotsAndClearingTouchesOnlyOne) {
  const Image overlay = MakeRandomImage(3, 2, 11, true), base = MakeRandomImage(5, 4, 12, true);
  Image mixed = base;
  MixImages(mixed, overlay, MixMode::SrcBlend, -1, -2, 60);
  engine_.SetOverlayOpacity(60);
  ASSERT_TRUE(engine_.Hold(1, base).ok() && engine_.Hold(2, overlay).ok());
  ASSERT_TRUE(engine_.MixIn(overlay, MixMode::SrcBlend, -1, -2).ok());
  EXPECT_EQ(engine_.picture(1).pixels, mixed.pixels);
  EXPECT_NE(mixed.pixels, base.pixels);
  engine_.ClearOverlay();
  EXPECT_TRUE(engine_.empty(2) && !engine_.empty(1) && !engine_.RotateOverlay(90).ok());
  ASSERT_TRUE(engine_.Hold(2, overlay).ok() && engine_.RotateOverlay(90.0f).ok());
  engine_.ClearPicture();
  EXPECT_TRUE(engine_.empty(1) && !engine_.empty(2) && SizeOf(engine_, 2) == std::pair(2, 3));
  EXPECT_FALSE(engine_.AddNoise(0).ok() || engine_.AdjustLight(10, 10).ok() ||
               engine_.MixIn(overlay, MixMode::Add, 0, 0).ok());
}

}  // namespace
}  // namespace vr
