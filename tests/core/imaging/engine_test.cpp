// The engine's two slots: lazy loading, shrink-on-load, saving, failures and
// mixing, through the Engine object.
#include "imaging/engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/imaging/photo_test_util.h"
#include "core/imaging/pixel_test_util.h"
#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/decode_footprint.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::MakeImage;
using test::WithExifOrientation;

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Smooth gradients with some fine detail: what a photograph looks like to a
// JPEG encoder and a resampler.
Image MakePhotoLike(int width, int height) {
  Image image;
  image.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = image.at(x, y);
      p[0] = static_cast<std::uint8_t>(255 * x / std::max(1, width - 1));
      p[1] = static_cast<std::uint8_t>(255 * y / std::max(1, height - 1));
      p[2] = static_cast<std::uint8_t>(128 + 100 * std::sin(x * 0.05) * std::cos(y * 0.07));
      p[3] = 255;
    }
  return image;
}

Bytes EncodeJpeg(const Image& image, int quality = 90) {
  JpegCodec codec;
  Bytes out;
  EXPECT_TRUE(codec.Encode(image, quality, out, "test.jpg").ok());
  return out;
}

Bytes EncodePngOrDie(const Image& image) {
  Bytes out;
  EXPECT_TRUE(EncodePng(image, out, "test.png").ok());
  return out;
}

Bytes EncodeBmpOrDie(const Image& image) {
  Bytes out;
  EXPECT_TRUE(EncodeBmp(image, out, "test.bmp").ok());
  return out;
}

double MeanAbsDiff(const Image& a, const Image& b) {
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 1e9;
  double sum = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
  return sum / static_cast<double>(a.pixels.size());
}

class EngineTest : public testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = folder_.File(name);
    WriteBytes(path, bytes);
    return path;
  }

  test::TempFolder folder_;
  Engine engine_;
};

TEST_F(EngineTest, LoadReadsOnlyTheHeaderAndReportsTheUprightSize) {
  // Stored 40 wide and 20 high, to be shown turned a quarter clockwise.
  const std::string path = Write("turned.jpg", WithExifOrientation(EncodeJpeg(MakePhotoLike(40, 20)), 6));
  ASSERT_TRUE(engine_.LoadImage(1, path).ok());

  int w = 0, h = 0;
  ASSERT_TRUE(engine_.GetImageSize(1, w, h).ok());
  EXPECT_EQ(w, 20);
  EXPECT_EQ(h, 40);
  EXPECT_TRUE(engine_.picture(1).empty()) << "measuring must not decode";

  ASSERT_TRUE(engine_.Decode(1).ok());
  EXPECT_EQ(engine_.picture(1).width, 20);
  EXPECT_EQ(engine_.picture(1).height, 40);
}

TEST_F(EngineTest, TheBytesWinOverTheName) {
  const Image original = test::MakeRandomImage(9, 7, 3, true);
  const std::string path = Write("really_a_png.jpg", EncodePngOrDie(original));
  ASSERT_TRUE(engine_.LoadImage(1, path).ok());
  ASSERT_TRUE(engine_.Decode(1).ok());
  EXPECT_EQ(engine_.picture(1).pixels, original.pixels);
}

TEST_F(EngineTest, AHeaderReadFromTheFilesStartLoadsAsTheEnginesOwnRead) {
  const std::string path = Write("turned.jpg", WithExifOrientation(EncodeJpeg(MakePhotoLike(40, 20)), 6));
  Expected<DecodeFootprint> footprint = ReadDecodeFootprintFromFile(path);
  ASSERT_TRUE(footprint.ok()) << footprint.message();
  Engine own;
  ASSERT_TRUE(own.LoadImage(1, path).ok());
  ASSERT_TRUE(engine_.LoadImage(1, path, &footprint->info).ok());
  int w = 0, h = 0, own_w = 0, own_h = 0;
  ASSERT_TRUE(engine_.GetImageSize(1, w, h).ok());
  ASSERT_TRUE(own.GetImageSize(1, own_w, own_h).ok());
  EXPECT_EQ(std::pair(w, h), std::pair(own_w, own_h));
  ASSERT_TRUE(engine_.Resample(10, 20).ok());
  ASSERT_TRUE(own.Resample(10, 20).ok());
  EXPECT_EQ(engine_.picture(1).pixels, own.picture(1).pixels);
}

struct FormatCase {
  const char* name;
  int code;
};

class EngineFormatTest : public EngineTest, public testing::WithParamInterface<FormatCase> {
 protected:
  Bytes Encode(const Image& image) {
    switch (GetParam().code) {
      case kFormatBmp:
        return EncodeBmpOrDie(image);
      case kFormatJpeg:
        return EncodeJpeg(image, 95);
      default:
        return EncodePngOrDie(image);
    }
  }
  std::string FileName() const { return std::string("picture.") + GetParam().name; }
};

TEST_P(EngineFormatTest, ResampleAfterLoadGivesTheExactSize) {
  const std::string path = Write(FileName(), Encode(MakePhotoLike(301, 199)));
  ASSERT_TRUE(engine_.LoadImage(1, path).ok());
  for (auto [w, h] : {std::pair{37, 23}, std::pair{1, 1}, std::pair{150, 1}, std::pair{400, 250}}) {
    ASSERT_TRUE(engine_.Resample(w, h).ok());
    EXPECT_EQ(engine_.picture(1).width, w);
    EXPECT_EQ(engine_.picture(1).height, h);
    ASSERT_TRUE(engine_.LoadImage(1, path).ok());
  }
}

TEST_P(EngineFormatTest, SaveRoundTrips) {
  // Transparency where the format keeps it: BMP and PNG carry alpha.
  for (auto [w, h] : {std::pair{1, 1}, {5, 7}, {33, 17}, {128, 3}}) {
    Image original =
        GetParam().code == kFormatJpeg ? MakePhotoLike(8 * w, 8 * h) : test::MakeRandomImage(w, h, 9, true);
    ASSERT_TRUE(engine_.Hold(1, original, "made").ok());
    engine_.SetJpegQuality(95);
    const std::string path = folder_.File(FileName());
    Status saved = engine_.Save(path, GetParam().code);
    ASSERT_TRUE(saved.ok()) << saved.message();

    Engine reader;
    ASSERT_TRUE(reader.LoadImage(1, path).ok());
    ASSERT_TRUE(reader.Decode(1).ok());
    const Image& back = reader.picture(1);
    ASSERT_EQ(back.width, original.width);
    ASSERT_EQ(back.height, original.height);
    if (GetParam().code == kFormatJpeg)
      EXPECT_LT(MeanAbsDiff(back, original), 2.0);
    else
      EXPECT_EQ(back.pixels, original.pixels);
  }
  // Nothing but the thumbnail is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, EngineFormatTest,
                         testing::Values(FormatCase{"bmp", kFormatBmp}, FormatCase{"jpg", kFormatJpeg},
                                         FormatCase{"png", kFormatPng}),
                         [](const testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

TEST_F(EngineTest, AFailedSaveLeavesNoFileAndTheOlderFileIntact) {
  ASSERT_TRUE(engine_.Hold(1, MakeImage(8, 8, {10, 20, 30, 255})).ok());

  const std::string missing = folder_.File("no_such_folder/thumb.png");
  Status saved = engine_.Save(missing, kFormatPng);
  EXPECT_FALSE(saved.ok());
  EXPECT_NE(saved.message().find("thumb.png"), std::string::npos) << saved.message();
  EXPECT_FALSE(std::filesystem::exists(folder_.File("no_such_folder")));

  const Bytes older = {'o', 'l', 'd'};
  const std::string existing = Write("thumb.bmp", older);
  Status unsupported = engine_.Save(existing, 0);
  EXPECT_FALSE(unsupported.ok());
  EXPECT_NE(unsupported.message().find("Unsupported output format"), std::string::npos)
      << unsupported.message();
  EXPECT_FALSE(engine_.Save(existing, 2).ok());  // GIF is read, never written

  engine_.ClearPicture();
  Status empty = engine_.Save(existing, kFormatBmp);
  EXPECT_FALSE(empty.ok());
  EXPECT_NE(empty.message().find("thumb.bmp"), std::string::npos) << empty.message();

  EXPECT_EQ(ReadBytes(existing), older);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1);
}

TEST_F(EngineTest, AnUnreadableFileFailsByNameAndLeavesTheSlotEmpty) {
  const std::string good = Write("good.png", EncodePngOrDie(MakeImage(5, 5, {1, 2, 3, 255})));
  const std::string garbage = Write("garbage.png", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  const std::string missing = folder_.File("missing.jpg");

  for (const std::string& bad : {garbage, missing}) {
    ASSERT_TRUE(engine_.LoadImage(1, good).ok());
    Status loaded = engine_.LoadImage(1, bad);
    EXPECT_FALSE(loaded.ok());
    EXPECT_NE(loaded.message().find(bad), std::string::npos) << loaded.message();
    EXPECT_TRUE(engine_.empty(1));
    int w = -1, h = -1;
    EXPECT_FALSE(engine_.GetImageSize(1, w, h).ok());
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_FALSE(engine_.Resample(2, 2).ok());
  }
}

TEST_F(EngineTest, APixelDecodeFailureSurfacesAtTheFirstOperationAndEmptiesTheSlot) {
  // A sound PNG header, then the pixel data cut short: the load succeeds
  // (only the header is read), the first operation fails.
  Bytes png = EncodePngOrDie(test::MakeRandomImage(20, 20, 5));
  png.resize(60);  // the signature, IHDR and the start of the first IDAT
  const std::string path = Write("cut.png", png);
  ASSERT_TRUE(engine_.Hold(1, MakeImage(3, 3, {9, 9, 9, 255})).ok());
  ASSERT_TRUE(engine_.LoadImage(1, path).ok());

  Status resampled = engine_.Resample(10, 10);
  EXPECT_FALSE(resampled.ok());
  EXPECT_NE(resampled.message().find("cut.png"), std::string::npos) << resampled.message();
  EXPECT_TRUE(engine_.empty(1));
  EXPECT_TRUE(engine_.picture(1).empty());
}

TEST_F(EngineTest, AHeldPictureMixesInAsSlotTwoWouldAndIsNotChanged) {
  const Image overlay = test::MakeRandomImage(3, 2, 11, true);
  const Image base = test::MakeRandomImage(5, 4, 12, true);
  engine_.SetOverlayOpacity(60);
  ASSERT_TRUE(engine_.Hold(1, base).ok());
  ASSERT_TRUE(engine_.Hold(2, overlay).ok());
  ASSERT_TRUE(engine_.Mix(MixMode::SrcBlend, -1, -2).ok());
  const Image through_slot = engine_.picture(1);

  ASSERT_TRUE(engine_.Hold(1, base).ok());
  engine_.ClearOverlay();
  ASSERT_TRUE(engine_.MixIn(overlay, MixMode::SrcBlend, -1, -2).ok());
  EXPECT_EQ(engine_.picture(1).pixels, through_slot.pixels);
  EXPECT_EQ(overlay.pixels, test::MakeRandomImage(3, 2, 11, true).pixels);
  EXPECT_FALSE(Engine().MixIn(overlay, MixMode::Add, 0, 0).ok()) << "no picture to mix into";
  Engine no_picture;
  ASSERT_TRUE(no_picture.Hold(2, overlay).ok());
  EXPECT_FALSE(no_picture.Mix(MixMode::Add, 0, 0).ok());
}

TEST_F(EngineTest, ClearEmptiesTheSlot) {
  ASSERT_TRUE(engine_.Hold(1, MakeImage(6, 4, {1, 1, 1, 255})).ok());
  ASSERT_TRUE(engine_.Hold(2, MakeImage(2, 2, {1, 1, 1, 255})).ok());
  engine_.ClearPicture();
  EXPECT_TRUE(engine_.empty(1));
  EXPECT_TRUE(engine_.picture(1).empty());
  EXPECT_FALSE(engine_.empty(2)) << "slot 2 is not touched";
  int w = 0, h = 0;
  EXPECT_FALSE(engine_.GetImageSize(1, w, h).ok());
  EXPECT_FALSE(engine_.AddNoise(0).ok());
  engine_.ClearOverlay();
  EXPECT_TRUE(engine_.empty(2));
}

TEST_F(EngineTest, RotateTurnsTheOverlayAndEffectsNeedAPicture) {
  ASSERT_TRUE(engine_.Hold(2, MakeImage(3, 2, {5, 5, 5, 255})).ok());
  ASSERT_TRUE(engine_.RotateOverlay(90.0f).ok());
  EXPECT_EQ(engine_.picture(2).width, 2);
  EXPECT_EQ(engine_.picture(2).height, 3);
  EXPECT_FALSE(engine_.AdjustLight(10, 10).ok());
  engine_.ClearOverlay();
  EXPECT_FALSE(engine_.RotateOverlay(90.0f).ok());
}

}  // namespace
}  // namespace vr
