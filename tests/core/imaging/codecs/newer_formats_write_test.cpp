// Thumbnails written as WebP, AVIF and JPEG XL: read back by the formats'
// own libraries (and, where installed, their command-line decoders) they
// have the thumbnail's size, stand upright, carry the kept profile, EXIF
// and XMP with an upright orientation, and keep their alpha; the options
// change what they claim to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "core/imaging/codecs/newer_format_files.h"
#include "core/imaging/colour/profile_bytes.h"
#include "core/imaging/metadata/metadata_files.h"
#include "core/imaging/pixel_test_util.h"
#include "imaging/codecs/avif_codec.h"
#include "imaging/codecs/exif_orientation.h"
#include "imaging/codecs/jxl_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/codecs/webp_codec.h"
#include "imaging/engine.h"
#include "imaging/metadata/metadata_reader.h"
#include "imaging/metadata/thumbnail_metadata.h"
#include "imaging/metadata/xmp_packet.h"
#include "quality/luma_ssim.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using namespace test;

struct Output {
  const char* name;
  std::int32_t code;
  const char* tool;       // the format's reference decoder
  const char* tool_args;  // before the input and output names
  // Whether the library's decode gives a lossy picture's samples in its
  // profile: libjxl 0.7 gives linear sRGB for a profile it cannot name.
  bool samples_in_profile;
  // The library's decode: the picture as stored, and the profile it carries.
  std::function<Image(const Bytes&, Bytes& icc)> decode;
};

void PrintTo(const Output& o, std::ostream* out) { *out << o.name; }

const Output kOutputs[] = {
    {"WebP", kFormatWebp, "dwebp", "-quiet", true,
     [](const Bytes& b, Bytes& icc) {
       icc = WebpChunk(b, "ICCP");
       return LibDecodeWebp(b);
     }},
    {"Avif", kFormatAvif, "avifdec", "", true,
     [](const Bytes& b, Bytes& icc) { return LibDecodeAvif(b, &icc); }},
    {"Jxl", kFormatJxl, "djxl", "", false,
     [](const Bytes& b, Bytes& icc) {
       JxlDecoded decoded = LibDecodeJxl(b);
       icc = decoded.icc;
       return decoded.picture;
     }},
};

// A camera's picture: stored on its side with EXIF orientation 6, a wide
// gamut profile, and XMP saying the same turn.
Bytes CameraPng(const Image& stored, const Bytes& icc) {
  Bytes png;
  EXPECT_TRUE(EncodePng(stored, png, "camera.png", icc).ok());
  PictureMetadata metadata;
  metadata.exif = CameraExif(false, 6);
  metadata.xmp = XmpAttribute(6);
  Bytes with_metadata = png;
  EmbedMetadata(FileKind::Png, metadata, with_metadata);
  return with_metadata;
}

class NewerFormatOutput : public testing::TestWithParam<Output> {
 protected:
  // The camera picture made into a width x height thumbnail in the format.
  Bytes Thumbnail(int width, int height, ColourOutput colour, MetadataMode metadata,
                  const EncodeOptions& options = {}) {
    const std::string source = folder_.File("camera.png");
    WriteBytes(source, CameraPng(stored_, icc_));
    Engine engine;
    engine.SetColourOutput(colour);
    engine.SetMetadataMode(metadata);
    engine.SetEncodeOptions(options);
    EXPECT_TRUE(engine.LoadImage(Engine::kPictureSlot, source).ok());
    EXPECT_TRUE(engine.Resample(width, height).ok());
    upright_ = engine.picture(Engine::kPictureSlot);
    Bytes out;
    const Status encoded = engine.Encode(GetParam().code, out, "thumb");
    EXPECT_TRUE(encoded.ok()) << encoded.message();
    return out;
  }
  TempFolder folder_;
  const Image stored_ = CornerMarks(120, 80);  // on its side: 80 x 120 upright
  const Bytes icc_ = RgbProfileBytes(kAdobeRgbPrimaries);
  Image upright_;  // what was encoded
};

TEST_P(NewerFormatOutput, ReadsBackUprightAtItsSizeWithTheKeptProfile) {
  const Bytes file = Thumbnail(40, 60, ColourOutput::kKeep, MetadataMode::kStrip);
  Bytes icc;
  const Image decoded = GetParam().decode(file, icc);
  ASSERT_EQ(std::pair(decoded.width, decoded.height), std::pair(40, 60));
  EXPECT_EQ(icc, icc_);
  if (GetParam().samples_in_profile) {
    EXPECT_GE(LumaSsim(decoded, upright_), 0.97);
  }
  // Turned on load: the stored top left (red) is now the top right.
  EXPECT_GT(PixelAt(decoded, 36, 3)[0], 200);
  EXPECT_LT(PixelAt(decoded, 3, 3)[0], 180);
}

TEST_P(NewerFormatOutput, ConvertedToSrgbItCarriesNoProfile) {
  Bytes icc;
  const Image decoded = GetParam().decode(Thumbnail(40, 60, ColourOutput::kSrgb, MetadataMode::kStrip), icc);
  EXPECT_EQ(decoded.width, 40);
  // JPEG XL always names its colours; an sRGB picture's profile is made up
  // from that name, never the source's.
  EXPECT_NE(icc, icc_);
}

TEST_P(NewerFormatOutput, KeptMetadataIsUprightAndLocationCanGo) {
  const Bytes file = Thumbnail(40, 60, ColourOutput::kSrgb, MetadataMode::kKeepButLocation);
  const PictureMetadata read = ReadPictureMetadata(file);
  ASSERT_FALSE(read.exif.empty());
  EXPECT_EQ(FindTiffOrientation(read.exif), 1);
  EXPECT_TRUE(Contains(read.exif, kCopyright));
  EXPECT_FALSE(Contains(read.exif, kGpsDatum));
  EXPECT_EQ(FindXmpOrientation(read.xmp), 1);
  // Stripped, none of it is written.
  EXPECT_TRUE(ReadPictureMetadata(Thumbnail(40, 60, ColourOutput::kSrgb, MetadataMode::kStrip)).empty());
}

TEST_P(NewerFormatOutput, AlphaSurvives) {
  Engine engine;
  ASSERT_TRUE(engine.Hold(Engine::kPictureSlot, PhotoLike(64, 48, true)).ok());
  Bytes out;
  ASSERT_TRUE(engine.Encode(GetParam().code, out, "alpha").ok());
  Bytes icc;
  const Image decoded = GetParam().decode(out, icc);
  ASSERT_EQ(decoded.width, 64);
  for (const int y : {2, 24, 45}) EXPECT_NEAR(PixelAt(decoded, 30, y)[3], 255 * y / 48, 6) << y;
}

// The reference decoders on the command line take our files too.
TEST_P(NewerFormatOutput, TheReferenceDecoderReadsItAtItsSize) {
  const std::string tool = GetParam().tool;
  if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << tool << " is not installed";
  const std::string in = folder_.File(std::string("thumb.") + GetParam().name);
  const std::string out = folder_.File("decoded.png");
  WriteBytes(in, Thumbnail(40, 60, ColourOutput::kKeep, MetadataMode::kKeep));
  const std::string command =
      tool + " " + GetParam().tool_args + " '" + in + "' -o '" + out + "' >/dev/null 2>&1";
  const std::string plain = tool + " '" + in + "' '" + out + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system((tool == "dwebp" ? command : plain).c_str()), 0) << command;
  Engine engine;
  ASSERT_TRUE(engine.LoadImage(Engine::kPictureSlot, out).ok());
  ASSERT_TRUE(engine.Decode(Engine::kPictureSlot).ok());
  const Image& decoded = engine.picture(Engine::kPictureSlot);
  EXPECT_EQ(std::pair(decoded.width, decoded.height), std::pair(40, 60));
  EXPECT_GT(PixelAt(decoded, 36, 3)[0], 200);
}

INSTANTIATE_TEST_SUITE_P(Libraries, NewerFormatOutput, testing::ValuesIn(kOutputs),
                         [](const testing::TestParamInfo<Output>& info) { return info.param.name; });

// ---- The options do what they say -----------------------------------------

TEST(NewerFormatOptions, LosslessSettingsKeepEveryPixel) {
  const Image picture = MakeRandomImage(33, 21, 4, true);
  EncodeOptions lossless;
  lossless.webp.lossless = true;
  lossless.jxl.quality = 100;
  Bytes webp, jxl;
  ASSERT_TRUE(EncodeWebp(picture, lossless.webp, {}, webp, "t.webp").ok());
  ASSERT_TRUE(EncodeJxl(picture, lossless.jxl, {}, jxl, "t.jxl").ok());
  // WebP may change the colour under fully transparent pixels.
  const Image from_webp = LibDecodeWebp(webp);
  ASSERT_EQ(from_webp.pixels.size(), picture.pixels.size());
  for (std::size_t i = 0; i < picture.pixels.size(); i += 4) {
    if (picture.pixels[i + 3] == 0) continue;
    ASSERT_TRUE(
        std::equal(picture.pixels.begin() + i, picture.pixels.begin() + i + 4, from_webp.pixels.begin() + i));
  }
  EXPECT_EQ(LibDecodeJxl(jxl).picture.pixels, picture.pixels);
}

TEST(NewerFormatOptions, HigherQualityGivesLargerAndCloserFiles) {
  const Image picture = PhotoLike(160, 120);
  const auto encode = [&](auto encoder, const auto& options) {
    Bytes out;
    EXPECT_TRUE(encoder(picture, options, EncodeExtras{}, out, "q").ok());
    return out;
  };
  for (const auto& [low, high] : {std::pair{20, 95}}) {
    const Bytes webp_low = encode(EncodeWebp, WebpOptions{low, false});
    const Bytes webp_high = encode(EncodeWebp, WebpOptions{high, false});
    EXPECT_LT(webp_low.size(), webp_high.size());
    EXPECT_LT(LumaSsim(LibDecodeWebp(webp_low), picture), LumaSsim(LibDecodeWebp(webp_high), picture));
    const Bytes avif_low = encode(EncodeAvif, AvifOptions{low, 8});
    const Bytes avif_high = encode(EncodeAvif, AvifOptions{high, 8});
    EXPECT_LT(avif_low.size(), avif_high.size());
    EXPECT_LT(LumaSsim(LibDecodeAvif(avif_low), picture), LumaSsim(LibDecodeAvif(avif_high), picture));
    const Bytes jxl_low = encode(EncodeJxl, JxlOptions{low, 3});
    const Bytes jxl_high = encode(EncodeJxl, JxlOptions{high, 3});
    EXPECT_LT(jxl_low.size(), jxl_high.size());
    EXPECT_LT(LumaSsim(LibDecodeJxl(jxl_low).picture, picture),
              LumaSsim(LibDecodeJxl(jxl_high).picture, picture));
  }
  // cjxl's mapping: quality 90 is distance 1, 100 lossless.
  EXPECT_FLOAT_EQ(JxlDistanceForQuality(90), 1.0f);
  EXPECT_FLOAT_EQ(JxlDistanceForQuality(100), 0.0f);
  EXPECT_GT(JxlDistanceForQuality(10), JxlDistanceForQuality(30));
  // The lowest quality is still a distance libjxl takes.
  Bytes worst;
  EXPECT_TRUE(EncodeJxl(picture, JxlOptions{0, 1}, {}, worst, "q0").ok());
}

TEST(NewerFormatOptions, AnOpaquePictureGetsNoAlphaPlane) {
  const Image picture = PhotoLike(64, 48);
  Bytes webp;
  ASSERT_TRUE(EncodeWebp(picture, {}, {}, webp, "o.webp").ok());
  WebPBitstreamFeatures features;
  ASSERT_EQ(WebPGetFeatures(webp.data(), webp.size(), &features), VP8_STATUS_OK);
  EXPECT_FALSE(features.has_alpha);
  Bytes avif;
  ASSERT_TRUE(EncodeAvif(picture, {}, {}, avif, "o.avif").ok());
  avifDecoder* decoder = avifDecoderCreate();
  ASSERT_EQ(avifDecoderSetIOMemory(decoder, avif.data(), avif.size()), AVIF_RESULT_OK);
  ASSERT_EQ(avifDecoderParse(decoder), AVIF_RESULT_OK);
  EXPECT_FALSE(decoder->alphaPresent);
  avifDecoderDestroy(decoder);
}

}  // namespace
}  // namespace vr
