// Cropping while resampling: the window is where the detail is when asked,
// an off-centre subject stays inside it, and a crop keeps the JPEG's shrink
// in the DCT without losing the likeness to a full decode's crop, however
// the picture is turned on load.
#include <gtest/gtest.h>

#include <fstream>

#include "core/imaging/codecs/codec_files.h"
#include "imaging/engine.h"
#include "imaging/ops/attention_crop.h"
#include "imaging/ops/resample.h"
#include "quality/luma_ssim.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using namespace test;

struct Rect {
  int x, y, width, height;
};

// A calm sky-to-sand gradient with a little grain, and a subject: a
// skin-toned face with dark, saturated detail in it, at `subject`.
Image Scene(int width, int height, Rect subject) {
  Image image;
  image.Resize(width, height);
  std::uint32_t grain = 12345;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      grain = grain * 1664525u + 1013904223u;
      const int g = static_cast<int>(grain >> 29) - 4;
      std::uint8_t* p = image.at(x, y);
      const double t = static_cast<double>(y) / height;
      p[0] = static_cast<std::uint8_t>(150 + 40 * t + g);
      p[1] = static_cast<std::uint8_t>(170 + 20 * t + g);
      p[2] = static_cast<std::uint8_t>(200 - 40 * t + g);
      p[3] = 255;
      const int sx = x - subject.x, sy = y - subject.y;
      if (sx < 0 || sy < 0 || sx >= subject.width || sy >= subject.height) continue;
      const bool detail = (sx / 6 + sy / 6) % 3 == 0;
      p[0] = detail ? 40 : 224;
      p[1] = detail ? 20 : 172;
      p[2] = detail ? 140 : 140;
    }
  return image;
}

bool Inside(const SourceBox& window, Rect subject) {
  return window.x <= subject.x && window.y <= subject.y &&
         window.x + window.width >= subject.x + subject.width &&
         window.y + window.height >= subject.y + subject.height;
}

TEST(AttentionCrop, KeepsAnOffCentreSubjectInsideTheWindow) {
  for (const Rect subject : {Rect{470, 90, 90, 120}, Rect{20, 150, 90, 120}, Rect{300, 20, 60, 60}}) {
    const Image scene = Scene(600, 300, subject);
    const SourceBox window = FindAttentionWindow(scene, 300, 300);
    EXPECT_TRUE(Inside(window, subject)) << "subject at " << subject.x << ": window at " << window.x;
    EXPECT_EQ(window.width, 300);
    EXPECT_EQ(window.height, 300);
  }
  // Upright: the subject near the bottom of a tall picture.
  const Rect low{100, 700, 100, 80};
  const SourceBox tall = FindAttentionWindow(Scene(300, 800, low), 300, 300);
  EXPECT_TRUE(Inside(tall, low)) << tall.y;
}

// With nothing to tell the parts apart the window stays in the middle.
TEST(AttentionCrop, AnEvenPictureIsCroppedInTheMiddle) {
  const Image flat = MakeImage(640, 200, {90, 120, 150, 255});
  const SourceBox window = FindAttentionWindow(flat, 200, 200);
  EXPECT_EQ(window.x, 220);
  EXPECT_EQ(window.y, 0);
  const Image busy = MakeDetailedPhoto(400, 400);
  const SourceBox whole = FindAttentionWindow(busy, 400, 400);
  EXPECT_TRUE(whole.x == 0 && whole.y == 0 && whole.width == 400);
}

std::string WriteJpeg(const std::string& path, const Image& picture, int orientation) {
  Bytes jpeg =
      CompressJpeg(picture.pixels.data(), picture.width, picture.height, TJPF_RGBA, TJSAMP_420, 0, 92);
  if (orientation != 1) jpeg = WithExifOrientation(std::move(jpeg), static_cast<std::uint8_t>(orientation));
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  return path;
}

// The whole picture's target a crop is judged on for the DCT's shrink.
TEST(CropWindow, JudgesTheShrinkOnTheWholePicturesTarget) {
  EXPECT_EQ(WholeTargetOf(SourceBox{500, 0, 3000, 3000}, 4000, 3000, 256, 256), (Sides{342, 256}));
  EXPECT_EQ(WholeTargetOf(SourceBox{0, 0, 4000, 3000}, 4000, 3000, 400, 300), (Sides{400, 300}));
}

// A window taken from a shrunk decode looks like the same window resampled
// from every stored pixel, in all eight orientations.
TEST(CropWindow, KeepsTheLikenessOfAFullDecodesCrop) {
  TempFolder folder;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string path =
        WriteJpeg(folder.File("p.jpg"), MakeDetailedPhoto(1203, 803, static_cast<std::uint32_t>(orientation)),
                  orientation);
    Engine full;
    ASSERT_TRUE(full.LoadImage(1, path).ok() && full.Decode(1).ok());
    const Image& upright = full.picture(1);
    // The middle square, as fill to 96 x 96 crops it, and one off to a side.
    for (const SourceBox window :
         {SourceBox{std::floor((upright.width - upright.height) / 2.0) * (upright.width > upright.height),
                    std::floor((upright.height - upright.width) / 2.0) * (upright.height > upright.width),
                    static_cast<double>(std::min(upright.width, upright.height)),
                    static_cast<double>(std::min(upright.width, upright.height))},
          SourceBox{31, 17, 500, 380}}) {
      Engine engine;
      ASSERT_TRUE(engine.LoadImage(1, path).ok());
      ASSERT_TRUE(engine.ResampleWindow(window, CropPlace::kCentre, 96, 73).ok());
      const Image reference = ResampleImage(upright, window, 96, 73);
      EXPECT_GE(LumaSsim(engine.picture(1), reference), 0.998)
          << "orientation " << orientation << ", x " << window.x;
    }
  }
}

// Through a JPEG turned on load: the attention window holds the subject the
// middle one leaves out; a window beyond the picture fails by the file's name.
TEST(CropWindow, AttentionMovesTheWindowToTheSubject) {
  TempFolder folder;
  const Rect subject{470, 90, 90, 120};
  // Stored turned a quarter clockwise, so orientation 8 turns it back.
  const Image scene = Scene(600, 300, subject);
  Image stored;
  stored.Resize(300, 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 300; ++x) std::copy_n(scene.at(599 - y, x), 4, stored.at(x, y));
  const std::string path = WriteJpeg(folder.File("turned.jpg"), stored, 8);
  const auto subject_pixels = [&](CropPlace place) {
    Engine engine;
    EXPECT_TRUE(engine.LoadImage(1, path).ok());
    int width = 0, height = 0;
    EXPECT_TRUE(engine.GetImageSize(1, width, height).ok());
    EXPECT_EQ(std::pair(width, height), std::pair(600, 300));
    EXPECT_TRUE(engine.ResampleWindow({150, 0, 300, 300}, place, 60, 60).ok());
    int count = 0;
    const Image& thumb = engine.picture(1);
    for (int y = 0; y < thumb.height; ++y)
      for (int x = 0; x < thumb.width; ++x) count += thumb.at(x, y)[0] > 200 && thumb.at(x, y)[2] < 160;
    return count;
  };
  EXPECT_EQ(subject_pixels(CropPlace::kCentre), 0);
  EXPECT_GT(subject_pixels(CropPlace::kAttention), 60 * 60 * 90 * 120 * 2 / (300 * 300 * 3 * 2));

  Engine engine;
  ASSERT_TRUE(engine.LoadImage(1, path).ok());
  const Status beyond = engine.ResampleWindow({400, 0, 300, 300}, CropPlace::kCentre, 60, 60);
  EXPECT_NE(beyond.message().find("turned.jpg"), std::string::npos) << beyond.message();
}

}  // namespace
}  // namespace vr
