// WebP, AVIF, JPEG XL and HEIF files made by their own libraries become the
// thumbnails the same pictures decoded by those libraries and resized by our
// resampler would be; their decoders' short cuts (WebP's scaled output,
// HEIF's embedded thumbnails) do not show; turns, profiles, animations and
// alpha come through; and damaged files fail by name.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "core/imaging/codecs/newer_format_files.h"
#include "core/imaging/colour/profile_bytes.h"
#include "core/imaging/pixel_test_util.h"
#include "imaging/codec_dispatch.h"
#include "imaging/codecs/avif_codec.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/colour/icc_profile.h"
#include "imaging/decode_footprint.h"
#include "imaging/engine.h"
#include "imaging/ops/orientation.h"
#include "imaging/ops/resample.h"
#include "quality/luma_ssim.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using namespace test;

struct Source {
  const char* name;
  const char* extension;
  // The library's file of a picture, and the library's own decode of it.
  std::function<Bytes(const Image&)> make;
  std::function<Image(const Bytes&)> decode;
};

void PrintTo(const Source& s, std::ostream* out) { *out << s.name; }

const Source kSources[] = {
    {"WebP", ".webp", [](const Image& p) { return LibWebp(p, 90); }, LibDecodeWebp},
    {"WebPLossless", ".webp", [](const Image& p) { return LibWebp(p, 90, true); }, LibDecodeWebp},
    {"Avif", ".avif", [](const Image& p) { return LibAvif(p, 10); },
     [](const Bytes& b) { return LibDecodeAvif(b); }},
    {"Jxl", ".jxl", [](const Image& p) { return LibJxl(p, 1.0f); },
     [](const Bytes& b) { return LibDecodeJxl(b).picture; }},
    {"Heif", ".heic", [](const Image& p) { return LibHeif(p, 90); }, LibDecodeHeif},
};

class NewerFormatSource : public testing::TestWithParam<Source> {
 protected:
  std::string Write(const Bytes& bytes, const std::string& stem = "in") {
    const std::string path = folder_.File(stem + GetParam().extension);
    WriteBytes(path, bytes);
    return path;
  }
  TempFolder folder_;
};

// The likeness the issue asks of every reader, at a shrink where WebP's
// scaled output is used (a quarter of the sides and less) and one where it
// is not.
TEST_P(NewerFormatSource, BecomesTheThumbnailOfTheLibrarysOwnDecode) {
  const Bytes file = GetParam().make(PhotoLike(640, 480));
  const std::string path = Write(file);
  const Image reference = GetParam().decode(file);
  ASSERT_EQ(reference.width, 640);
  for (const auto& [w, h] : {std::pair{160, 120}, {400, 300}, {97, 61}}) {
    Engine engine;
    ASSERT_TRUE(engine.LoadImage(Engine::kPictureSlot, path).ok());
    ASSERT_TRUE(engine.Resample(w, h).ok());
    Image expected;
    Resampler().Resample(reference, w, h, expected);
    const Image& thumbnail = engine.picture(Engine::kPictureSlot);
    ASSERT_EQ(std::pair(thumbnail.width, thumbnail.height), std::pair(w, h));
    EXPECT_GE(LumaSsim(thumbnail, expected), 0.99) << w << "x" << h;
  }
}

TEST_P(NewerFormatSource, HeaderAndPriceAgreeWithTheDecode) {
  const Bytes file = GetParam().make(PhotoLike(200, 120));
  Expected<ImageInfo> info = ReadImageInfo(file, "in.file");
  Expected<DecodeFootprint> footprint = ReadDecodeFootprint(file, "in.file");
  ASSERT_TRUE(info.ok() && footprint.ok()) << info.message() << footprint.message();
  EXPECT_EQ(std::pair(info->width, info->height), std::pair(200, 120));
  EXPECT_EQ(info->kind, SniffFileKind(file));
  // The decoder's own planes are paid for beside the picture.
  EXPECT_GT(DecodeBytes(*footprint, 0, 0), std::uint64_t{200} * 120 * 4);
}

// Planning reads the price from the file; one larger than the part of it
// read first is still priced, the decoder's planes included.
TEST_P(NewerFormatSource, AFileLargerThanItsFirstReadIsPriced) {
  const std::string path = Write(GetParam().make(MakeRandomImage(1000, 800, 11)), "noise");
  ASSERT_GT(std::filesystem::file_size(path), 128u * 1024) << "the test needs a larger file";
  Expected<DecodeFootprint> footprint = ReadDecodeFootprintFromFile(path);
  ASSERT_TRUE(footprint.ok()) << footprint.message();
  EXPECT_EQ(std::pair(footprint->info.width, footprint->info.height), std::pair(1000, 800));
  EXPECT_GE(DecodeBytes(*footprint, 0, 0), std::uint64_t{1000} * 800 * 8);
}

// Every cut of the file either fails naming it, leaving no picture, or
// gives the whole picture; garbage after the signature fails by name.
TEST_P(NewerFormatSource, CutAndGarbledFilesFailByName) {
  const Bytes whole = GetParam().make(PhotoLike(48, 32));
  JpegCodec jpeg;
  Image full;
  ASSERT_TRUE(DecodeImage(SniffFileKind(whole), whole, "in.file", jpeg, 0, 0, full).ok());
  const std::size_t step = std::max<std::size_t>(1, whole.size() / 200);
  for (std::size_t length = 0; length < whole.size(); length += step) {
    Image image;
    Expected<DecodeResult> result =
        DecodeImage(SniffFileKind(whole), std::span(whole.data(), length), "in.file", jpeg, 0, 0, image);
    if (result.ok()) {
      EXPECT_EQ(std::pair(image.width, image.height), std::pair(full.width, full.height)) << length;
      continue;
    }
    EXPECT_NE(result.message().find("in.file"), std::string::npos) << result.message();
    EXPECT_TRUE(image.pixels.empty()) << length;
  }
  Bytes garbled = whole;
  const std::size_t keep = SniffFileKind(whole) == FileKind::Webp ? 12 : 32;
  for (std::size_t i = keep; i < garbled.size(); ++i) garbled[i] = static_cast<std::uint8_t>(i * 151 + 7);
  Image image;
  Expected<DecodeResult> result = DecodeImage(SniffFileKind(garbled), garbled, "in.file", jpeg, 0, 0, image);
  if (!result.ok()) {
    EXPECT_NE(result.message().find("in.file"), std::string::npos) << result.message();
  }
  // A garbled file the engine loads fails with its name, at load or decode.
  const std::string path = Write(std::vector(whole.begin(), whole.begin() + whole.size() / 2), "cut");
  Engine engine;
  Status loaded = engine.LoadImage(Engine::kPictureSlot, path);
  if (loaded.ok()) loaded = engine.Decode(Engine::kPictureSlot);
  EXPECT_FALSE(loaded.ok());
  EXPECT_NE(loaded.message().find(path), std::string::npos) << loaded.message();
}

INSTANTIATE_TEST_SUITE_P(Libraries, NewerFormatSource, testing::ValuesIn(kSources),
                         [](const testing::TestParamInfo<Source>& info) { return info.param.name; });

// ---- Each format's own ways -------------------------------------------------

Image Thumbnail(const std::string& path, int width, int height, ColourOutput colour = ColourOutput::kSrgb) {
  Engine engine;
  engine.SetColourOutput(colour);
  EXPECT_TRUE(engine.LoadImage(Engine::kPictureSlot, path).ok());
  EXPECT_TRUE(engine.Resample(width, height).ok());
  return engine.picture(Engine::kPictureSlot);
}

bool Near(const Rgba& a, const Rgba& b, int tolerance) {
  for (int c = 0; c < 4; ++c)
    if (std::abs(a[c] - b[c]) > tolerance) return false;
  return true;
}

TEST(WebpRead, AnAnimationGivesItsFirstFrame) {
  TempFolder folder;
  const std::string path = folder.File("moving.webp");
  WriteBytes(path,
             LibWebpAnimation(MakeImage(40, 30, {200, 30, 30, 255}), MakeImage(40, 30, {30, 30, 200, 255})));
  const Image thumbnail = Thumbnail(path, 20, 15);
  EXPECT_TRUE(Near(PixelAt(thumbnail, 10, 7), {200, 30, 30, 255}, 2));
}

TEST(WebpRead, ItsExifOrientationBehindThePixelsTurnsThePicture) {
  TempFolder folder;
  const std::string path = folder.File("turned.webp");
  const Bytes exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3,
                      0,   1,   0,  0, 0, 6, 0, 0, 0, 0, 0,    0,    0};
  WriteBytes(path, WithWebpChunk(LibWebp(CornerMarks(90, 60), 95, true), "EXIF", exif));
  Engine engine;
  // As a run loads it: with the header read from the file's start.
  Expected<ImageInfo> header = ReadImageInfo(ReadBytes(path), path);
  ASSERT_TRUE(header.ok());
  ASSERT_TRUE(engine.LoadImage(Engine::kPictureSlot, path, &*header).ok());
  int w = 0, h = 0;
  ASSERT_TRUE(engine.GetImageSize(Engine::kPictureSlot, w, h).ok());
  EXPECT_EQ(std::pair(w, h), std::pair(60, 90));
  ASSERT_TRUE(engine.Decode(Engine::kPictureSlot).ok());
  // Turned a quarter clockwise: the top left (red) is now top right.
  EXPECT_TRUE(Near(PixelAt(engine.picture(Engine::kPictureSlot), 55, 5), {250, 128, 128, 255}, 2));
}

TEST(WebpRead, AlphaSurvives) {
  TempFolder folder;
  const std::string path = folder.File("alpha.webp");
  const Image picture = PhotoLike(64, 64, true);
  WriteBytes(path, LibWebp(picture, 90, true));
  const Image thumbnail = Thumbnail(path, 64, 64);
  EXPECT_EQ(PixelAt(thumbnail, 5, 60)[3], PixelAt(picture, 5, 60)[3]);
  EXPECT_EQ(PixelAt(thumbnail, 5, 3)[3], PixelAt(picture, 5, 3)[3]);
}

// The container's rotation then mirror, as EXIF orientations: checked on
// pixels against turns done here by hand.
TEST(AvifRead, RotationAndMirrorTurnThePicture) {
  const Image stored = CornerMarks(60, 40);
  TempFolder folder;
  struct Case {
    std::optional<int> irot, imir;
    int orientation;
  };
  for (const Case& c : {Case{1, std::nullopt, 8}, Case{3, std::nullopt, 6}, Case{2, std::nullopt, 3},
                        Case{std::nullopt, 1, 2}, Case{std::nullopt, 0, 4}, Case{1, 1, 7}, Case{1, 0, 5}}) {
    const std::string path = folder.File("t.avif");
    WriteBytes(path, LibAvif(stored, 0, {.irot = c.irot, .imir = c.imir, .icc = {}}));
    Expected<ImageInfo> info = ReadImageInfo(ReadBytes(path), path);
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->orientation, c.orientation);
    Image expected = stored;
    ApplyOrientation(expected, c.orientation);
    Engine engine;
    ASSERT_TRUE(engine.LoadImage(Engine::kPictureSlot, path).ok());
    ASSERT_TRUE(engine.Decode(Engine::kPictureSlot).ok());
    const Image& upright = engine.picture(Engine::kPictureSlot);
    ASSERT_EQ(std::pair(upright.width, upright.height), std::pair(expected.width, expected.height));
    for (const auto& [x, y] : {std::pair{2, 2}, {expected.width - 3, 2}, {2, expected.height - 3}})
      EXPECT_TRUE(Near(PixelAt(upright, x, y), PixelAt(expected, x, y), 12)) << c.orientation;
  }
  // The table behind it, for the turns a camera never writes.
  EXPECT_EQ(OrientationOfTransforms(2, 1), 4);
  EXPECT_EQ(OrientationOfTransforms(3, 0), 7);
  EXPECT_EQ(OrientationOfTransforms(3, 1), 5);
}

TEST(AvifRead, ASideBeyondTheLimitsIsRefusedByName) {
  Bytes file = LibAvif(PhotoLike(32, 16), 30);
  // The 'ispe' property holds the sides, 32-bit big-endian after its version.
  const std::string ispe = "ispe";
  auto at = std::search(file.begin(), file.end(), ispe.begin(), ispe.end());
  ASSERT_NE(at, file.end());
  at += 8;
  for (std::uint8_t byte : {0x00, 0x01, 0x11, 0x70}) *at++ = byte;  // 70000
  Expected<ImageInfo> info = ReadImageInfo(file, "wide.avif");
  EXPECT_FALSE(info.ok());
  EXPECT_NE(info.message().find("wide.avif"), std::string::npos) << info.message();
}

TEST(JxlRead, TheCodestreamsOrientationTurnsThePicture) {
  TempFolder folder;
  const std::string path = folder.File("turned.jxl");
  const Image stored = CornerMarks(60, 40);
  WriteBytes(path, LibJxl(stored, 0, 8));
  Image expected = stored;
  ApplyOrientation(expected, 8);
  const Image upright = Thumbnail(path, 40, 60);
  for (const auto& [x, y] : {std::pair{2, 2}, {37, 2}, {2, 57}})
    EXPECT_TRUE(Near(PixelAt(upright, x, y), PixelAt(expected, x, y), 3)) << x << "," << y;
}

// A profile in the file is the picture's: kept, it comes out as it was;
// converted, the colours move (these are wide-gamut primaries).
TEST(NewerFormatProfiles, EveryReaderHandsOverItsProfile) {
  const Bytes icc = RgbProfileBytes(kDisplayP3Primaries);
  const Image picture = PhotoLike(64, 48);
  const std::pair<std::string, Bytes> files[] = {
      {"p.webp", WithWebpChunk(LibWebp(picture, 95), "ICCP", icc)},
      {"p.avif", LibAvif(picture, 5, {.irot = std::nullopt, .imir = std::nullopt, .icc = icc})},
      {"p.jxl", LibJxl(picture, 0, 1, icc)},
      {"p.heic", LibHeif(picture, 95, nullptr, 0, icc)},
  };
  TempFolder folder;
  for (const auto& [name, bytes] : files) {
    const std::string path = folder.File(name);
    WriteBytes(path, bytes);
    Engine engine;
    engine.SetColourOutput(ColourOutput::kKeep);
    ASSERT_TRUE(engine.LoadImage(Engine::kPictureSlot, path).ok()) << name;
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(engine.Encode(kFormatPng, png, "out.png").ok());
    EXPECT_EQ(ReadPngColour(png).icc, icc) << name;
    const Image kept = engine.picture(Engine::kPictureSlot);
    const Image converted = Thumbnail(path, 64, 48);
    EXPECT_GT(std::abs(PixelAt(converted, 10, 30)[1] - PixelAt(kept, 10, 30)[1]) +
                  std::abs(PixelAt(converted, 60, 2)[0] - PixelAt(kept, 60, 2)[0]),
              4)
        << name;
  }
}

// A thumbnail at least the target's size stands in for the primary picture;
// a smaller one does not. The two are told apart by their colour.
TEST(HeifRead, AnEmbeddedThumbnailIsUsedOnlyWhenLargeEnough) {
  TempFolder folder;
  const std::string path = folder.File("camera.heic");
  const Image primary = MakeImage(640, 480, {40, 40, 200, 255});
  const Image stand_in = MakeImage(640, 480, {40, 200, 40, 255});
  WriteBytes(path, LibHeif(primary, 80, &stand_in, 160));
  Expected<ImageInfo> info = ReadImageInfo(ReadBytes(path), path);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(std::pair(info->width, info->height), std::pair(640, 480));
  EXPECT_TRUE(Near(PixelAt(Thumbnail(path, 120, 90), 60, 45), {40, 200, 40, 255}, 8));
  EXPECT_TRUE(Near(PixelAt(Thumbnail(path, 160, 120), 60, 45), {40, 200, 40, 255}, 8));
  EXPECT_TRUE(Near(PixelAt(Thumbnail(path, 200, 150), 60, 45), {40, 40, 200, 255}, 8));
}

TEST(Sniffing, TheNewerFormatsAreToldByTheirBytes) {
  using namespace std::string_literals;
  const auto ftyp = [](const std::string& brands) {
    const std::size_t size = 8 + brands.size();
    return "\0\0\0"s + static_cast<char>(size) + "ftyp" + brands;
  };
  const std::pair<std::string, FileKind> cases[] = {
      {"RIFF\x10\0\0\0WEBPVP8 "s, FileKind::Webp},
      {"RIFF\x10\0\0\0WAVEfmt "s, FileKind::Unknown},
      {"\xFF\x0A\xFA"s, FileKind::Jxl},
      {"\0\0\0\x0CJXL \r\n\x87\n"s, FileKind::Jxl},
      {"\0\0\0\x0CJXL \r\n\x87\x0B"s, FileKind::Unknown},
      {ftyp("avif\0\0\0\0mif1miaf"s), FileKind::Avif},
      {ftyp("mif1\0\0\0\0avifmiaf"s), FileKind::Avif},
      {ftyp("heic\0\0\0\0mif1heic"s), FileKind::Heif},
      {ftyp("mif1\0\0\0\0heic"s), FileKind::Heif},
      {ftyp("isom\0\0\0\0mp41"s), FileKind::Unknown},
      {"\0\0\0\x08ftypavif"s, FileKind::Unknown},
  };
  for (const auto& [magic, kind] : cases)
    EXPECT_EQ(SniffFileKind(Bytes(magic.begin(), magic.end())), kind) << magic;
}

}  // namespace
}  // namespace vr
