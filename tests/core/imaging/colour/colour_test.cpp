// Colour management end to end: profiles read from JPEG, PNG and TIFF files
// made here, pictures converted to sRGB and held to Little CMS's own
// conversion of the full-size picture, profiles kept and embedded, broken
// profiles ignored, untagged pictures left byte for byte as before, and
// CIE L*a*b* TIFFs held to the textbook formulas.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <tiffio.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "core/imaging/codecs/codec_files.h"
#include "core/imaging/colour/untagged_thumbnails.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/codecs/tiff_codec.h"
#include "imaging/colour/icc_embed.h"
#include "imaging/colour/icc_profile.h"
#include "imaging/engine.h"
#include "imaging/ops/colour_transform.h"
#include "settings/settings_record.h"
#include "support/temp_folder.h"
#include "thumbnail/render_settings.h"

namespace vr {
namespace {

using test::Bytes;
using test::TempFolder;

// ---- Profiles, made with lcms ---------------------------------------------------

struct ProfileCloser {
  void operator()(void* p) const {
    if (p != nullptr) cmsCloseProfile(p);
  }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

Profile RgbProfile(const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve) {
  const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
  cmsToneCurve* curves[3] = {curve, curve, curve};
  Profile profile(cmsCreateRGBProfile(&d65, &primaries, curves));
  cmsFreeToneCurve(curve);
  return profile;
}

// A plain power curve (ICC's parametric type 0).
cmsToneCurve* Gamma(double exponent) {
  const cmsFloat64Number p[1] = {exponent};
  return cmsBuildParametricToneCurve(nullptr, 1, p);
}

cmsToneCurve* SrgbCurve() {
  const cmsFloat64Number p[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
  return cmsBuildParametricToneCurve(nullptr, 4, p);
}

Profile AdobeRgb() {
  return RgbProfile({{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}}, Gamma(2.2));
}

Profile DisplayP3() {
  return RgbProfile({{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}}, SrgbCurve());
}

Profile LinearGrey() {
  cmsToneCurve* linear = Gamma(1.0);
  Profile profile(cmsCreateGrayProfile(cmsD50_xyY(), linear));
  cmsFreeToneCurve(linear);
  return profile;
}

// A CMYK printer's behaviour, rough but smooth: the paper is not quite
// white (L* 90, a touch yellow; lcms still maps it to white, as it does a
// device's white) and the inks darken and tint it.
int PrinterSampler(const cmsUInt16Number in[], cmsUInt16Number out[], void*) {
  const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0, k = in[3] / 65535.0;
  cmsCIELab lab;
  lab.L = 88 * (1 - 0.55 * c - 0.45 * m - 0.1 * y) * (1 - 0.85 * k) + 2;
  lab.a = -40 * c + 60 * m - 5 * y + 1;
  lab.b = -45 * c - 10 * m + 75 * y + 3;
  cmsFloat2LabEncoded(out, &lab);
  return 1;
}

Profile PrinterCmyk() {
  Profile profile(cmsCreateProfilePlaceholder(nullptr));
  cmsSetProfileVersion(profile.get(), 4.3);
  cmsSetDeviceClass(profile.get(), cmsSigInputClass);
  cmsSetColorSpace(profile.get(), cmsSigCmykData);
  cmsSetPCS(profile.get(), cmsSigLabData);
  cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
  cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
  EXPECT_TRUE(cmsStageSampleCLut16bit(clut, PrinterSampler, nullptr, 0));
  // Version 4's lutAtoBType has curves on both sides of its table.
  cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
  cmsPipelineInsertStage(pipeline, cmsAT_END, clut);
  cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
  EXPECT_TRUE(cmsWriteTag(profile.get(), cmsSigAToB0Tag, pipeline));
  EXPECT_TRUE(cmsWriteTag(profile.get(), cmsSigMediaWhitePointTag, cmsD50_XYZ()));
  cmsPipelineFree(pipeline);
  return profile;
}

Bytes Save(const Profile& profile) {
  cmsUInt32Number size = 0;
  EXPECT_TRUE(cmsSaveProfileToMem(profile.get(), nullptr, &size));
  Bytes bytes(size);
  EXPECT_TRUE(cmsSaveProfileToMem(profile.get(), bytes.data(), &size));
  return bytes;
}

// The conversion the engine is held to, done here with lcms directly.
Image ToSrgbWithLcms(const Image& in, const Bytes& icc, cmsUInt32Number in_format = TYPE_RGBA_8) {
  Profile source(cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size())));
  Profile srgb(cmsCreate_sRGBProfile());
  const bool alpha = T_EXTRA(in_format) > 0;
  cmsHTRANSFORM t = cmsCreateTransform(source.get(), in_format, srgb.get(), TYPE_RGBA_8, INTENT_PERCEPTUAL,
                                       cmsFLAGS_BLACKPOINTCOMPENSATION | (alpha ? cmsFLAGS_COPY_ALPHA : 0));
  EXPECT_NE(t, nullptr);
  Image out;
  out.Resize(in.width, in.height);
  if (!alpha)
    for (std::size_t i = 3; i < out.pixels.size(); i += 4) out.pixels[i] = 255;
  cmsDoTransform(t, in.pixels.data(), out.pixels.data(), static_cast<cmsUInt32Number>(in.pixels.size() / 4));
  cmsDeleteTransform(t);
  return out;
}

// ---- Pictures ---------------------------------------------------------------------

// 4 x 4 solid patches, colours where the spaces differ and where they agree.
constexpr test::Rgba kPatches[16] = {
    {219, 0, 0, 255},     {254, 0, 0, 255},     {0, 200, 0, 255},    {30, 60, 200, 255},
    {200, 150, 100, 255}, {128, 128, 128, 255}, {20, 20, 20, 255},   {250, 250, 250, 255},
    {90, 160, 210, 255},  {180, 40, 150, 255},  {240, 220, 60, 255}, {60, 90, 40, 255},
    {255, 255, 255, 255}, {0, 0, 0, 255},       {120, 60, 30, 255},  {10, 120, 120, 255}};

Image PatchPicture(int width, int height) {
  Image image;
  image.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const test::Rgba& c = kPatches[(y * 4 / height) * 4 + x * 4 / width];
      std::memcpy(image.at(x, y), c.data(), 4);
    }
  return image;
}

// The mean of each channel over the middle half of patch `i` (rows and
// columns of the 4 x 4 grid), so resampling at the edges plays no part.
std::array<double, 4> PatchMean(const Image& image, int i) {
  const int x0 = (i % 4) * image.width / 4, x1 = (i % 4 + 1) * image.width / 4;
  const int y0 = (i / 4) * image.height / 4, y1 = (i / 4 + 1) * image.height / 4;
  std::array<double, 4> sum{};
  int count = 0;
  for (int y = y0 + (y1 - y0) / 4; y < y1 - (y1 - y0) / 4; ++y)
    for (int x = x0 + (x1 - x0) / 4; x < x1 - (x1 - x0) / 4; ++x, ++count)
      for (int c = 0; c < 4; ++c) sum[static_cast<std::size_t>(c)] += image.at(x, y)[c];
  for (double& s : sum) s /= count;
  return sum;
}

std::array<double, 4> WholeMean(const Image& image) {
  std::array<double, 4> sum{};
  for (std::size_t i = 0; i < image.pixels.size(); ++i) sum[i % 4] += image.pixels[i];
  for (double& s : sum) s /= static_cast<double>(image.pixels.size() / 4);
  return sum;
}

void ExpectNear(const std::array<double, 4>& got, const std::array<double, 4>& want, double tolerance,
                const std::string& what) {
  for (std::size_t c = 0; c < 4; ++c) EXPECT_NEAR(got[c], want[c], tolerance) << what << " channel " << c;
}

// ---- Files --------------------------------------------------------------------------

Bytes Jpeg(const Image& image, int quality = 100) {
  return test::CompressJpeg(image.pixels.data(), image.width, image.height, TJPF_RGBA, TJSAMP_444,
                            TJFLAG_ACCURATEDCT, quality);
}

Bytes Png(const Image& image, const Bytes& icc = {}) {
  Bytes png;
  EXPECT_TRUE(EncodePng(image, png, "test.png", icc).ok());
  return png;
}

Bytes WithProfile(Bytes jpeg, const Bytes& icc) {
  EXPECT_TRUE(EmbedJpegIccProfile(jpeg, icc));
  return jpeg;
}

// One APP2 ICC segment as a writer would make it, however wrong.
Bytes App2(int sequence, int count, const Bytes& part) {
  const std::size_t length = 2 + 14 + part.size();
  Bytes segment = {0xFF, 0xE2, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
  for (char c : std::string("ICC_PROFILE")) segment.push_back(static_cast<std::uint8_t>(c));
  segment.insert(segment.end(), {0, static_cast<std::uint8_t>(sequence), static_cast<std::uint8_t>(count)});
  segment.insert(segment.end(), part.begin(), part.end());
  return segment;
}

Bytes WithSegments(Bytes jpeg, const std::vector<Bytes>& segments) {
  std::size_t at = 2;
  for (const Bytes& s : segments) {
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), s.begin(), s.end());
    at += s.size();
  }
  return jpeg;
}

void PutBe32(Bytes& out, std::uint32_t v) {
  for (int shift : {24, 16, 8, 0}) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A chunk put right after IHDR, with its CRC (or a wrong one).
Bytes WithPngChunk(Bytes png, const char* type, const Bytes& data, bool good_crc = true) {
  Bytes chunk;
  PutBe32(chunk, static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
  PutBe32(chunk, static_cast<std::uint32_t>(crc) ^ (good_crc ? 0u : 1u));
  png.insert(png.begin() + 33, chunk.begin(), chunk.end());  // signature 8, IHDR 25
  return png;
}

Bytes IccpChunk(const Bytes& profile) {
  Bytes data = {'i', 'c', 'c', 0, 0};
  uLongf size = compressBound(static_cast<uLong>(profile.size()));
  Bytes packed(size);
  EXPECT_EQ(compress(packed.data(), &size, profile.data(), static_cast<uLong>(profile.size())), Z_OK);
  data.insert(data.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(size));
  return data;
}

// A TIFF of `samples` (rows top-down) written by libtiff, with an ICC tag
// when `icc` is not empty.
Bytes WriteTiff(const TempFolder& folder, int width, int height, int photometric, int samples, int bits,
                const Bytes& data, const Bytes& icc = {}, bool tiled = false) {
  const std::string path = folder.File("picture.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  EXPECT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  if (photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
  if (!icc.empty()) TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(icc.size()), icc.data());
  const std::size_t row = static_cast<std::size_t>(width) * samples * bits / 8;
  if (tiled) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    const std::size_t pixel = static_cast<std::size_t>(samples) * bits / 8;
    Bytes tile(16 * 16 * pixel);
    for (int ty = 0; ty < height; ty += 16)
      for (int tx = 0; tx < width; tx += 16) {
        std::fill(tile.begin(), tile.end(), 0);
        for (int y = ty; y < std::min(height, ty + 16); ++y)
          for (int x = tx; x < std::min(width, tx + 16); ++x)
            std::memcpy(tile.data() + ((y - ty) * 16 + (x - tx)) * pixel, data.data() + y * row + x * pixel,
                        pixel);
        EXPECT_GE(TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0), 0);
      }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 7);
    for (int y = 0; y < height; ++y)
      EXPECT_EQ(TIFFWriteScanline(tif, const_cast<std::uint8_t*>(data.data() + y * row), y, 0), 1);
  }
  TIFFClose(tif);
  Bytes bytes;
  EXPECT_TRUE(ReadWholeFileInto(path, bytes).ok());
  return bytes;
}

// ---- The engine --------------------------------------------------------------------

// The file decoded at full size with no colour step.
Image Decoded(const Bytes& file) {
  JpegCodec jpeg;
  Image out;
  EXPECT_TRUE(DecodeImage(SniffFileKind(file), file, "file", jpeg, 0, 0, out).ok());
  return out;
}

class ColourTest : public testing::Test {
 protected:
  // The thumbnail of `file` at w x h, decoded back from PNG (lossless).
  Image Thumbnail(const Bytes& file, int w, int h, ColourOutput output = ColourOutput::kSrgb,
                  Bytes* encoded = nullptr, int format = kFormatPng) {
    const std::string path = folder_.File("source");
    EXPECT_TRUE(ReplaceFileAtomically(path, file).ok());
    engine_.SetColourOutput(output);
    EXPECT_TRUE(engine_.LoadImage(Engine::kPictureSlot, path).ok());
    EXPECT_TRUE(engine_.Resample(w, h).ok());
    Image picture = engine_.picture(Engine::kPictureSlot);
    Bytes out;
    engine_.SetJpegQuality(90);
    EXPECT_TRUE(engine_.Encode(format, out, path).ok());
    if (encoded != nullptr) *encoded = out;
    return picture;
  }

  TempFolder folder_;
  Engine engine_;
};

// ---- Reading and writing profiles ----------------------------------------------------

TEST(JpegIccChain, IsJoinedInSequenceOrderWhateverTheSegmentOrder) {
  const Bytes jpeg = Jpeg(test::MakeImage(16, 16, {10, 20, 30, 255}));
  const Bytes a(100, 'a'), b(50, 'b'), c(7, 'c');
  Bytes whole = a;
  whole.insert(whole.end(), b.begin(), b.end());
  whole.insert(whole.end(), c.begin(), c.end());
  EXPECT_EQ(ReadJpegIccProfile(WithSegments(jpeg, {App2(1, 3, a), App2(2, 3, b), App2(3, 3, c)})), whole);
  EXPECT_EQ(ReadJpegIccProfile(WithSegments(jpeg, {App2(3, 3, c), App2(1, 3, a), App2(2, 3, b)})), whole);
  EXPECT_TRUE(ReadJpegIccProfile(jpeg).empty());
}

TEST(JpegIccChain, ThatIsNotWholeAndConsistentIsNoProfile) {
  const Bytes jpeg = Jpeg(test::MakeImage(16, 16, {10, 20, 30, 255}));
  const Bytes part(40, 'p');
  const std::vector<std::vector<Bytes>> broken = {
      {App2(1, 3, part), App2(3, 3, part)},                    // one missing
      {App2(1, 2, part), App2(1, 2, part)},                    // one given twice
      {App2(1, 2, part), App2(2, 3, part)},                    // counts disagree
      {App2(0, 1, part)},                                      // sequence 0
      {App2(2, 1, part)},                                      // beyond the count
      {App2(1, 0, part)},                                      // a count of 0
      {App2(1, 2, part), App2(2, 2, {})},                      // an empty chunk
      {App2(1, 2, part), App2(2, 2, part), App2(3, 2, part)},  // one too many
  };
  for (std::size_t i = 0; i < broken.size(); ++i)
    EXPECT_TRUE(ReadJpegIccProfile(WithSegments(jpeg, broken[i])).empty()) << "case " << i;
  // Cut inside a segment: the walk fails, and a part of a chain is no chain.
  Bytes cut = WithSegments(jpeg, {App2(1, 1, part)});
  cut.resize(20);
  EXPECT_TRUE(ReadJpegIccProfile(cut).empty());
}

TEST(JpegIccEmbedding, SplitsAt65519BytesAfterApp0AndReadsBackExactly) {
  const Bytes jpeg = Jpeg(test::MakeImage(16, 16, {10, 20, 30, 255}));
  ASSERT_EQ(jpeg[2], 0xFF);
  ASSERT_EQ(jpeg[3], 0xE0) << "TurboJPEG writes JFIF's APP0 first";
  Bytes profile(2 * kJpegIccChunkBytes + 1);
  for (std::size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  Bytes tagged = jpeg;
  ASSERT_TRUE(EmbedJpegIccProfile(tagged, profile));
  EXPECT_EQ(ReadJpegIccProfile(tagged), profile);
  const std::size_t app0_end = 4 + (std::size_t{jpeg[4]} << 8 | jpeg[5]);
  for (int n = 0; n < 3; ++n) EXPECT_LT(test::FindMarker(tagged, 0xE2, n), tagged.size());
  EXPECT_EQ(test::FindMarker(tagged, 0xE2, 3), tagged.size());
  ASSERT_EQ(test::FindMarker(tagged, 0xE2), app0_end);
  EXPECT_EQ(tagged[app0_end + 2], 0xFF) << "a full chunk makes a segment of 65535 bytes";
  EXPECT_EQ(tagged[app0_end + 3], 0xFF);
  EXPECT_EQ(tagged[app0_end + 4 + 12], 1);
  EXPECT_EQ(tagged[app0_end + 4 + 13], 3);
  // The file still decodes to the same picture.
  EXPECT_EQ(Decoded(tagged).pixels, Decoded(jpeg).pixels);
  // Nothing to embed, or more than 255 segments: the file is left alone.
  Bytes same = jpeg;
  EXPECT_FALSE(EmbedJpegIccProfile(same, {}));
  EXPECT_FALSE(EmbedJpegIccProfile(same, Bytes(256 * kJpegIccChunkBytes)));
  EXPECT_EQ(same, jpeg);
}

TEST(PngColourChunks, AreReadFromTheFileAndADamagedOneIsDropped) {
  const Bytes icc = Save(AdobeRgb());
  const Image image = test::MakeImage(8, 8, {1, 2, 3, 255});
  EXPECT_EQ(ReadPngColour(Png(image, icc)).icc, icc) << "libpng's iCCP inflates to the very bytes";
  EXPECT_FALSE(ReadPngColour(Png(image)).Tagged());
  const Bytes plain = Png(image);
  EXPECT_EQ(ReadPngColour(WithPngChunk(plain, "iCCP", IccpChunk(icc))).icc, icc);
  EXPECT_TRUE(ReadPngColour(WithPngChunk(plain, "iCCP", IccpChunk(icc), false)).icc.empty());
  Bytes cut = IccpChunk(icc);
  cut.resize(cut.size() / 2);
  EXPECT_TRUE(ReadPngColour(WithPngChunk(plain, "iCCP", cut)).icc.empty()) << "a stream that ends early";
  EXPECT_TRUE(ReadPngColour(WithPngChunk(plain, "sRGB", {0})).srgb);
  const SourceColour gamma = ReadPngColour(WithPngChunk(plain, "gAMA", {0, 1, 0x86, 0xA0}));
  ASSERT_TRUE(gamma.gamma.has_value());
  EXPECT_EQ(*gamma.gamma, 100000u);
  // Grey colour types.
  Bytes grey = plain;
  grey[8 + 8 + 9] = 0;
  EXPECT_EQ(ReadPngColour(grey).model, ColourModel::kGray);
  EXPECT_EQ(ReadPngColour(plain).model, ColourModel::kRgb);
}

// ---- Converting -------------------------------------------------------------------------

struct Conversion {
  const char* name;
  std::function<Profile()> profile;
  bool jpeg;
  int width, height;  // the thumbnail of a 640x480 picture: 80x60 shrinks 1/2 in the DCT, 40x30 1/8
};

class ConversionTest : public ColourTest, public testing::WithParamInterface<Conversion> {};

TEST_P(ConversionTest, ThumbnailMatchesLcmsOnTheFullPicture) {
  const Conversion& c = GetParam();
  const Bytes icc = Save(c.profile());
  const Image source = PatchPicture(640, 480);
  const Bytes file = c.jpeg ? WithProfile(Jpeg(source), icc) : Png(source, icc);
  // lcms's conversion of the full-size picture, made thumbnail size by the
  // same resampler.
  Engine resampler;
  ASSERT_TRUE(resampler.Hold(Engine::kPictureSlot, ToSrgbWithLcms(Decoded(file), icc)).ok());
  ASSERT_TRUE(resampler.Resample(c.width, c.height).ok());
  const Image reference = resampler.picture(Engine::kPictureSlot);
  ASSERT_TRUE(resampler.Hold(Engine::kPictureSlot, Decoded(file)).ok());
  ASSERT_TRUE(resampler.Resample(c.width, c.height).ok());
  const Image untouched = resampler.picture(Engine::kPictureSlot);
  const Image thumbnail = Thumbnail(file, c.width, c.height);
  ASSERT_EQ(thumbnail.width, c.width);
  int changed = 0;
  for (int i = 0; i < 16; ++i) {
    // The engine converts the thumbnail, after resampling the stored samples
    // (engine.h says why); inside a patch that is the same as converting
    // first, but at 1/16 the middle of a patch 10 pixels wide still feels its
    // neighbours, and where sRGB clips a channel (Adobe RGB's sky blue has
    // no red in sRGB) that moves it by up to 2.5 levels here. The picture's
    // mean, the target, stays within 2 below.
    ExpectNear(PatchMean(thumbnail, i), PatchMean(reference, i), 3.0,
               std::string(c.name) + " patch " + std::to_string(i));
    const auto before = PatchMean(untouched, i), after = PatchMean(thumbnail, i);
    for (int ch = 0; ch < 3; ++ch) changed += std::abs(before[ch] - after[ch]) > 8 ? 1 : 0;
  }
  ExpectNear(WholeMean(thumbnail), WholeMean(reference), 2.0, c.name);
  EXPECT_GT(changed, 6) << "the colours moved from the stored values";
}

INSTANTIATE_TEST_SUITE_P(Profiles, ConversionTest,
                         testing::Values(Conversion{"adobe-jpeg-half", AdobeRgb, true, 80, 60},
                                         Conversion{"adobe-jpeg-eighth", AdobeRgb, true, 40, 30},
                                         Conversion{"adobe-png", AdobeRgb, false, 80, 60},
                                         Conversion{"p3-jpeg-half", DisplayP3, true, 80, 60},
                                         Conversion{"p3-jpeg-eighth", DisplayP3, true, 40, 30},
                                         Conversion{"p3-png", DisplayP3, false, 80, 60}),
                         [](const testing::TestParamInfo<Conversion>& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// Adobe RGB's red reaches beyond sRGB's: its 219 is already about sRGB's
// 255, and its 254 clips there, while the stored values stayed as they were
// before colour management.
TEST_F(ColourTest, AdobeRedBecomesSrgbRed) {
  const Bytes file = Png(PatchPicture(64, 64), Save(AdobeRgb()));
  const Image thumbnail = Thumbnail(file, 64, 64);
  for (int patch : {0, 1}) {
    const auto mean = PatchMean(thumbnail, patch);
    EXPECT_GE(mean[0], 250) << patch;
    EXPECT_LE(mean[1], 5) << patch;
    EXPECT_LE(mean[2], 5) << patch;
  }
  EXPECT_NEAR(PatchMean(Decoded(file), 0)[0], 219, 0.5);
}

TEST_F(ColourTest, AlphaIsCarriedThroughUntouched) {
  Image source = PatchPicture(64, 64);
  for (std::size_t i = 3; i < source.pixels.size(); i += 4)
    source.pixels[i] = static_cast<std::uint8_t>(i / 4);
  const Bytes icc = Save(DisplayP3());
  const Image thumbnail = Thumbnail(Png(source, icc), 64, 64);
  const Image reference = ToSrgbWithLcms(source, icc);
  for (std::size_t i = 0; i < thumbnail.pixels.size(); ++i) {
    if (i % 4 == 3)
      ASSERT_EQ(thumbnail.pixels[i], source.pixels[i]) << i;
    else
      ASSERT_LE(std::abs(thumbnail.pixels[i] - reference.pixels[i]), 1) << i;
  }
}

TEST_F(ColourTest, GreyPicturesGoThroughTheirGreyProfile) {
  const Bytes icc = Save(LinearGrey());
  Bytes grey(128 * 96);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>((i % 128) * 2);
  const Bytes file =
      WithProfile(test::CompressJpeg(grey.data(), 128, 96, TJPF_GRAY, TJSAMP_GRAY, 0, 100), icc);
  const Image decoded = Decoded(file);
  Bytes stored;
  for (std::size_t i = 0; i < decoded.pixels.size(); i += 4) stored.push_back(decoded.pixels[i]);
  Image single;  // one grey sample a pixel, for lcms
  single.width = 128;
  single.height = 96;
  single.pixels = stored;
  Image reference;
  {
    Profile source(cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size())));
    Profile srgb(cmsCreate_sRGBProfile());
    cmsHTRANSFORM t = cmsCreateTransform(source.get(), TYPE_GRAY_8, srgb.get(), TYPE_RGBA_8,
                                         INTENT_PERCEPTUAL, cmsFLAGS_BLACKPOINTCOMPENSATION);
    reference.Resize(128, 96);
    cmsDoTransform(t, stored.data(), reference.pixels.data(), 128 * 96);
    cmsDeleteTransform(t);
    for (std::size_t i = 3; i < reference.pixels.size(); i += 4) reference.pixels[i] = 255;
  }
  for (const ColourOutput output : {ColourOutput::kSrgb, ColourOutput::kKeep}) {
    Bytes encoded;
    const Image thumbnail = Thumbnail(file, 128, 96, output, &encoded);
    for (std::size_t i = 0; i < thumbnail.pixels.size(); ++i)
      ASSERT_LE(std::abs(thumbnail.pixels[i] - reference.pixels[i]), 1) << i;
    EXPECT_FALSE(ReadPngColour(encoded).Tagged()) << "a grey profile does not fit an RGB thumbnail";
  }
  // A linear grey's mid level is far lighter in sRGB.
  EXPECT_GT(PatchMean(reference, 6)[0], PatchMean(decoded, 6)[0] + 30);
}

TEST_F(ColourTest, CmykJpegsWithAProfileGoThroughIt) {
  const Bytes icc = Save(PrinterCmyk());
  Bytes ink(96 * 64 * 4);
  for (std::size_t i = 0; i < ink.size(); ++i)
    ink[i] = static_cast<std::uint8_t>(((i / 4) % 96 / 24) * 60 * (i % 4 == 0) +
                                       ((i / 4) / 96 / 16) * 60 * (i % 4 == 1) + (i % 4 == 2 ? 40 : 0) +
                                       (i % 4 == 3 ? ((i / 4) % 7) * 5 : 0));
  std::fill(ink.begin(), ink.begin() + 4, 0);  // the first pixel: bare paper  // Adobe's convention, which
                                               // TurboJPEG writes with its APP14 marker: 255 is no ink.
  Bytes stored = ink;
  for (std::uint8_t& b : stored) b = static_cast<std::uint8_t>(255 - b);
  const Bytes plain =
      test::CompressJpeg(stored.data(), 96, 64, TJPF_CMYK, TJSAMP_444, TJFLAG_ACCURATEDCT, 100);
  const Bytes file = WithProfile(plain, icc);
  // What TurboJPEG hands back from the file, through lcms here.
  tjhandle handle = tjInitDecompress();
  Bytes samples(ink.size());
  ASSERT_EQ(tjDecompress2(handle, file.data(), file.size(), samples.data(), 96, 0, 64, TJPF_CMYK, 0), 0);
  tjDestroy(handle);
  Image raw;
  raw.width = 96;
  raw.height = 64;
  raw.pixels = samples;
  const Image reference = ToSrgbWithLcms(raw, icc, TYPE_CMYK_8_REV);
  Image decoded;
  JpegCodec codec;
  ASSERT_TRUE(codec.Decode(file, "cmyk.jpg", 0, 0, decoded).ok());
  for (std::size_t i = 0; i < decoded.pixels.size(); ++i)
    ASSERT_LE(std::abs(decoded.pixels[i] - reference.pixels[i]), 1) << i;
  // The profile's inks are not the naive formula's: the colours differ
  // (bare paper is white in both: lcms maps a device's white to white).
  Image naive;
  ASSERT_TRUE(codec.Decode(plain, "cmyk.jpg", 0, 0, naive).ok());
  double difference = 0;
  for (std::size_t i = 0; i < naive.pixels.size(); ++i)
    difference += std::abs(naive.pixels[i] - decoded.pixels[i]);
  EXPECT_GT(difference / static_cast<double>(naive.pixels.size()), 8.0);
  // Through the engine too, in both modes, and nothing is embedded.
  for (const ColourOutput output : {ColourOutput::kSrgb, ColourOutput::kKeep}) {
    Bytes encoded;
    const Image thumbnail = Thumbnail(file, 96, 64, output, &encoded);
    EXPECT_EQ(thumbnail.pixels, decoded.pixels);
    EXPECT_FALSE(ReadPngColour(encoded).Tagged());
  }
  // An RGB profile does not fit a CMYK picture: the naive conversion stays.
  Image mismatched;
  ASSERT_TRUE(codec.Decode(WithProfile(plain, Save(AdobeRgb())), "cmyk.jpg", 0, 0, mismatched).ok());
  EXPECT_EQ(mismatched.pixels, naive.pixels);
}

TEST_F(ColourTest, PngGammaAndChromaticitiesMakeAProfileAndSrgbLikeOnesChangeNothing) {
  const Image source = PatchPicture(64, 64);
  const Bytes plain = Png(source);
  // gAMA 1.0: linear samples, sRGB's primaries.
  const Bytes linear = WithPngChunk(plain, "gAMA", {0, 1, 0x86, 0xA0});
  const Image reference = ToSrgbWithLcms(
      source, Save(RgbProfile({{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}}, Gamma(1.0))));
  const Image thumbnail = Thumbnail(linear, 64, 64);
  for (std::size_t i = 0; i < thumbnail.pixels.size(); ++i)
    ASSERT_LE(std::abs(thumbnail.pixels[i] - reference.pixels[i]), 1) << i;
  // gAMA 1/2.2 (alone or with sRGB's cHRM) and the sRGB chunk are sRGB: the
  // thumbnail is the untagged one, byte for byte.
  Bytes untagged;
  Thumbnail(plain, 32, 32, ColourOutput::kSrgb, &untagged);
  Bytes chrm;
  for (std::uint32_t v : {31270u, 32900u, 64000u, 33000u, 30000u, 60000u, 15000u, 6000u}) PutBe32(chrm, v);
  for (const Bytes& srgb : {WithPngChunk(plain, "gAMA", {0, 0, 0xB1, 0x8F}), WithPngChunk(plain, "sRGB", {0}),
                            WithPngChunk(WithPngChunk(plain, "gAMA", {0, 0, 0xB1, 0x8F}), "cHRM", chrm)}) {
    Bytes encoded;
    Thumbnail(srgb, 32, 32, ColourOutput::kSrgb, &encoded);
    EXPECT_EQ(encoded, untagged);
  }
  // Kept, the made profile travels with the thumbnail and the samples stay.
  Bytes kept;
  const Image same = Thumbnail(linear, 64, 64, ColourOutput::kKeep, &kept);
  EXPECT_EQ(same.pixels, source.pixels);
  EXPECT_FALSE(ReadPngColour(kept).icc.empty());
}

// ---- Keeping ------------------------------------------------------------------------------

TEST_F(ColourTest, KeepEmbedsTheExactProfileAndLeavesTheSamples) {
  const Bytes icc = Save(AdobeRgb());
  const Image source = PatchPicture(640, 480);
  for (const bool jpeg_source : {true, false}) {
    const Bytes plain = jpeg_source ? Jpeg(source) : Png(source);
    const Bytes tagged = jpeg_source ? WithProfile(plain, icc) : Png(source, icc);
    for (const int format : {kFormatJpeg, kFormatPng, kFormatBmp}) {
      Bytes kept, untagged;
      const Image picture = Thumbnail(tagged, 80, 60, ColourOutput::kKeep, &kept, format);
      Thumbnail(plain, 80, 60, ColourOutput::kSrgb, &untagged, format);
      if (format == kFormatJpeg) {
        EXPECT_EQ(ReadJpegIccProfile(kept), icc);
        // Take the APP2 segments out again: what is left is the untagged thumbnail.
        Bytes stripped = kept;
        const std::size_t at = test::FindMarker(stripped, 0xE2);
        const std::size_t length = std::size_t{stripped[at + 2]} << 8 | stripped[at + 3];
        stripped.erase(stripped.begin() + static_cast<std::ptrdiff_t>(at),
                       stripped.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
        EXPECT_EQ(stripped, untagged) << jpeg_source;
      } else if (format == kFormatPng) {
        EXPECT_EQ(ReadPngColour(kept).icc, icc);
        Image decoded;
        ASSERT_TRUE(DecodePng(kept, "kept.png", decoded).ok());
        EXPECT_EQ(decoded.pixels, picture.pixels);
      } else {
        EXPECT_EQ(kept, untagged) << "BMP carries no profile";
      }
    }
  }
}

TEST_F(ColourTest, AnSrgbProfileIsSkippedAndKeptAsItIs) {
  const Bytes icc = Save(Profile(cmsCreate_sRGBProfile()));
  const Image source = PatchPicture(64, 64);
  Bytes converted, untagged, kept;
  Thumbnail(Png(source, icc), 32, 32, ColourOutput::kSrgb, &converted);
  Thumbnail(Png(source), 32, 32, ColourOutput::kSrgb, &untagged);
  EXPECT_EQ(converted, untagged);
  Thumbnail(Png(source, icc), 32, 32, ColourOutput::kKeep, &kept);
  EXPECT_EQ(ReadPngColour(kept).icc, icc);
}

// ---- What is left alone --------------------------------------------------------------------

// Fingerprints of the thumbnails untagged_thumbnails.h makes, taken from the
// same code built before colour management (commit d1d1b96): the engine
// must still write these very bytes in both modes. They depend on the
// system's TurboJPEG, libpng and zlib; a new version of one of those may
// change them, and they are then taken again from that commit.
constexpr std::uint64_t kUntaggedBefore[] = {
    0xc7f920f4a2dd2a9cull, 0x6e751c2c4a9f7ffeull, 0xd6a8b03d2f0dcc86ull, 0x08d92624b0193b1eull,
    0xfa124f4d4e7a3e6dull, 0xd5964a13dc7a1bb0ull, 0x16e43987a5ece9e2ull, 0xe4d19875c6b19187ull,
    0xe46b1a73ddef725cull, 0xe40bfea3060009bfull, 0x317a5acdc4b5e811ull, 0xc1ff2383d70e0480ull};

TEST_F(ColourTest, UntaggedPicturesGiveTheSameBytesAsBefore) {
  for (const ColourOutput output : {ColourOutput::kSrgb, ColourOutput::kKeep}) {
    engine_.SetColourOutput(output);
    const std::vector<std::uint64_t> prints = test::UntaggedThumbnailFingerprints(engine_, folder_.path());
    ASSERT_EQ(prints.size(), std::size(kUntaggedBefore));
    for (std::size_t i = 0; i < prints.size(); ++i)
      EXPECT_EQ(prints[i], kUntaggedBefore[i]) << "thumbnail " << i << " mode " << static_cast<int>(output);
  }
}

TEST_F(ColourTest, ABrokenProfileIsIgnoredAndTheThumbnailIsTheUntaggedOne) {
  const Image source = PatchPicture(320, 240);
  const Bytes adobe = Save(AdobeRgb());
  Bytes truncated(adobe.begin(), adobe.begin() + static_cast<std::ptrdiff_t>(adobe.size() / 2));
  Bytes garbage(3000);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 131 + 7);
  Bytes lying_size = adobe;  // the header claims more bytes than there are
  lying_size[2] = 0x7F;
  Bytes mangled_tags = adobe;  // the tag table points past the end
  for (std::size_t i = 132; i < std::min<std::size_t>(mangled_tags.size(), 200); ++i) mangled_tags[i] = 0xEE;
  const Bytes cmyk = Save(PrinterCmyk());  // fits no RGB picture
  const Bytes plain_jpeg = Jpeg(source), plain_png = Png(source);
  for (const ColourOutput output : {ColourOutput::kSrgb, ColourOutput::kKeep})
    for (const int format : {kFormatJpeg, kFormatPng}) {
      Bytes from_jpeg, from_png;
      Thumbnail(plain_jpeg, 80, 60, output, &from_jpeg, format);
      Thumbnail(plain_png, 80, 60, output, &from_png, format);
      std::size_t i = 0;
      for (const Bytes& bad : {truncated, garbage, lying_size, mangled_tags, cmyk}) {
        Bytes encoded;
        Thumbnail(WithProfile(plain_jpeg, bad), 80, 60, output, &encoded, format);
        EXPECT_EQ(encoded, from_jpeg) << "jpeg profile " << i;
        Thumbnail(WithPngChunk(plain_png, "iCCP", IccpChunk(bad)), 80, 60, output, &encoded, format);
        EXPECT_EQ(encoded, from_png) << "png profile " << i;
        ++i;
      }
      Bytes encoded;
      Thumbnail(WithSegments(plain_jpeg, {App2(2, 2, adobe)}), 80, 60, output, &encoded, format);
      EXPECT_EQ(encoded, from_jpeg) << "half a chain";
    }
}

TEST(ColourTransformsCache, BuildsOneTransformPerProfile) {
  ColourTransforms transforms;
  const Image source = PatchPicture(32, 32);
  SourceColour adobe, p3;
  adobe.icc = Save(AdobeRgb());
  p3.icc = Save(DisplayP3());
  std::vector<std::uint8_t> embed;
  for (int round = 0; round < 3; ++round)
    for (const SourceColour* colour : {&adobe, &p3}) {
      Image picture = source;
      transforms.Apply(*colour, ColourOutput::kSrgb, picture, embed);
      EXPECT_NE(picture.pixels, source.pixels);
    }
  EXPECT_EQ(transforms.cached(), 2u);
  Image untouched = source;
  transforms.Apply(SourceColour{}, ColourOutput::kSrgb, untouched, embed);
  EXPECT_EQ(untouched.pixels, source.pixels);
  EXPECT_TRUE(embed.empty());
}

// ---- TIFF ------------------------------------------------------------------------------------

// CIE L*a*b* (D50) to sRGB by the textbook: XYZ, Bradford-adapted sRGB
// matrix for D50, sRGB's curve.
std::array<double, 3> LabToSrgbByFormula(double L, double a, double b) {
  const double fy = (L + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
  const auto f_inverse = [](double t) {
    return t * t * t > 216.0 / 24389 ? t * t * t : (116 * t - 16) / (24389.0 / 27);
  };
  const double X = 0.9642 * f_inverse(fx), Y = f_inverse(fy), Z = 0.8249 * f_inverse(fz);
  const double m[3][3] = {{3.1338561, -1.6168667, -0.4906146},
                          {-0.9787684, 1.9161415, 0.0334540},
                          {0.0719453, -0.2289914, 1.4052427}};
  std::array<double, 3> rgb{};
  for (int i = 0; i < 3; ++i) {
    double v = m[i][0] * X + m[i][1] * Y + m[i][2] * Z;
    v = std::clamp(v, 0.0, 1.0);
    v = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    rgb[static_cast<std::size_t>(i)] = v * 255;
  }
  return rgb;
}

struct LabPatch {
  std::uint8_t L, a, b;  // as CIELab stores them: L 0..255 for 0..100, a and b signed
};

TEST_F(ColourTest, LabTiffsAreConvertedFromLab) {
  const std::vector<LabPatch> patches = {{255, 0, 0},
                                         {153, 20, static_cast<std::uint8_t>(-30)},
                                         {128, static_cast<std::uint8_t>(-40), 30},
                                         {60, 10, 10},
                                         {0, 0, 0},
                                         {230, 5, static_cast<std::uint8_t>(-5)}};
  Bytes samples;
  const int width = 40, height = static_cast<int>(patches.size()) * 5;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const LabPatch& p = patches[static_cast<std::size_t>(y / 5)];
      samples.insert(samples.end(), {p.L, p.a, p.b});
    }
  for (const bool tiled : {false, true}) {
    const Bytes file = WriteTiff(folder_, width, height, PHOTOMETRIC_CIELAB, 3, 8, samples, {}, tiled);
    Image decoded;
    SourceColour colour;
    ASSERT_TRUE(DecodeTiff(file, "lab.tif", decoded, &colour).ok());
    EXPECT_TRUE(colour.converted);
    EXPECT_EQ(colour.model, ColourModel::kLab);
    EXPECT_EQ(test::PixelAt(decoded, 3, 2), (test::Rgba{255, 255, 255, 255})) << "L 100 is white, not yellow";
    for (std::size_t i = 0; i < patches.size(); ++i) {
      const LabPatch& p = patches[i];
      const auto want =
          LabToSrgbByFormula(p.L * 100.0 / 255, static_cast<std::int8_t>(p.a), static_cast<std::int8_t>(p.b));
      for (int x : {0, width - 1}) {
        const std::uint8_t* got = decoded.at(x, static_cast<int>(i) * 5 + 2);
        for (int c = 0; c < 3; ++c)
          EXPECT_NEAR(got[c], want[static_cast<std::size_t>(c)], 2.0)
              << "patch " << i << " channel " << c << " tiled " << tiled;
        EXPECT_EQ(got[3], 255);
      }
    }
    // Through the engine, in both modes.
    for (const ColourOutput output : {ColourOutput::kSrgb, ColourOutput::kKeep})
      EXPECT_EQ(Thumbnail(file, width, height, output).pixels, decoded.pixels);
  }
}

TEST_F(ColourTest, SixteenBitLabTiffsToo) {
  Bytes samples;
  for (int i = 0; i < 16 * 4; ++i) {
    const std::uint16_t v[3] = {i < 32 ? std::uint16_t{65535} : std::uint16_t{39321},
                                static_cast<std::uint16_t>(i < 32 ? 0 : 20 * 256),
                                static_cast<std::uint16_t>(i < 32 ? 0 : -30 * 256)};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(v);
    samples.insert(samples.end(), bytes, bytes + 6);
  }
  const Bytes file = WriteTiff(folder_, 16, 4, PHOTOMETRIC_CIELAB, 3, 16, samples);
  Image decoded;
  ASSERT_TRUE(DecodeTiff(file, "lab16.tif", decoded).ok());
  EXPECT_EQ(test::PixelAt(decoded, 0, 0), (test::Rgba{255, 255, 255, 255}));
  const auto want = LabToSrgbByFormula(60, 20, -30);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(decoded.at(5, 3)[c], want[static_cast<std::size_t>(c)], 2.0) << c;
}

TEST_F(ColourTest, TiffProfilesAreReadFromTheirTag) {
  const Image source = PatchPicture(64, 64);
  Bytes rgb;
  for (std::size_t i = 0; i < source.pixels.size(); ++i)
    if (i % 4 != 3) rgb.push_back(source.pixels[i]);
  const Bytes icc = Save(AdobeRgb());
  const Bytes file = WriteTiff(folder_, 64, 64, PHOTOMETRIC_RGB, 3, 8, rgb, icc);
  Image decoded;
  SourceColour colour;
  ASSERT_TRUE(DecodeTiff(file, "rgb.tif", decoded, &colour).ok());
  EXPECT_EQ(colour.icc, icc);
  EXPECT_FALSE(colour.converted);
  const Image reference = ToSrgbWithLcms(source, icc);
  const Image thumbnail = Thumbnail(file, 64, 64);
  for (std::size_t i = 0; i < thumbnail.pixels.size(); ++i)
    ASSERT_LE(std::abs(thumbnail.pixels[i] - reference.pixels[i]), 1) << i;
  Bytes kept;
  EXPECT_EQ(Thumbnail(file, 64, 64, ColourOutput::kKeep, &kept).pixels, source.pixels);
  EXPECT_EQ(ReadPngColour(kept).icc, icc);

  // CMYK with its profile, against lcms; without one, libtiff's plain
  // conversion as before.
  Bytes ink(64 * 64 * 4);
  for (std::size_t i = 0; i < ink.size(); ++i) ink[i] = static_cast<std::uint8_t>((i * 29 + i / 256) % 256);
  const Bytes cmyk_icc = Save(PrinterCmyk());
  for (const bool tiled : {false, true}) {
    const Bytes cmyk = WriteTiff(folder_, 64, 64, PHOTOMETRIC_SEPARATED, 4, 8, ink, cmyk_icc, tiled);
    ASSERT_TRUE(DecodeTiff(cmyk, "cmyk.tif", decoded, &colour).ok());
    EXPECT_TRUE(colour.converted);
    Image raw;
    raw.width = raw.height = 64;
    raw.pixels = ink;
    const Image cmyk_reference = ToSrgbWithLcms(raw, cmyk_icc, TYPE_CMYK_8);
    EXPECT_EQ(decoded.pixels, cmyk_reference.pixels) << tiled;
  }
  const Bytes naive = WriteTiff(folder_, 64, 64, PHOTOMETRIC_SEPARATED, 4, 8, ink);
  ASSERT_TRUE(DecodeTiff(naive, "cmyk.tif", decoded, &colour).ok());
  EXPECT_FALSE(colour.converted);
  const std::uint8_t* p = ink.data();
  EXPECT_NEAR(decoded.pixels[0], (255 - p[0]) * (255 - p[3]) / 255.0, 1.0);
}

// ---- The setting reaches the rendering ----------------------------------------------------------

TEST(ColourSetting, ReachesTheRenderSettings) {
  SettingsRecord record;
  EXPECT_EQ(RenderSettingsFrom(record).colour, ColourOutput::kSrgb);
  record.OUTcolour = 1;
  EXPECT_EQ(RenderSettingsFrom(record).colour, ColourOutput::kKeep);
  record.OUTcolour = 5;
  EXPECT_EQ(RenderSettingsFrom(record).colour, ColourOutput::kSrgb);
}

}  // namespace
}  // namespace vr
