// BMP: the bmpsuite corpus, every good file and every questionable one we
// claim to read against the suite's reference rendering, every bad or
// questionable one failing with a message naming it or decoding to a picture
// of the size its header gives; and what the reader decides on its own: the
// bounds on what a file may claim and run-length codes.
#include <gtest/gtest.h>

#include <map>

#include "core/imaging/codecs/codec_files.h"
#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/png_codec.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr Rgba kClear = {0, 0, 0, 0};
constexpr Rgba kGreen = {0, 255, 0, 255};

const fs::path kSuite = fs::path(VARENNA_CORPUS_DIR) / "bmpsuite";

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(ReadWholeFileInto(path.string(), bytes).ok()) << path;
  return bytes;
}

// The rendering the suite's page shows beside a file: its own where there
// is one, else the picture its family stores. Where the page offers several
// we take skipped RLE pixels as transparent, the spare bits of 16- and
// 32-bit pixels as no alpha, and colour profiles as absent; pal8nonsquare's
// stored pixels (-e), not its stretched view. rgb24prof2 stores red and
// green swapped for its profile to swap back: ignored, the swap shows.
Image Reference(const std::string& stem) {
  static const std::map<std::string, std::string> kChosen = {{"pal8nonsquare", "pal8nonsquare-e"},
                                                             {"rgb16faketrns", "rgb16"},
                                                             {"rgb24rle24", "pal8"},
                                                             {"rgb24prof2", "rgb24"}};
  std::string png = "rgb24";
  for (const char* family : {"pal1", "pal4", "pal8", "rgb16-565", "rgb16", "rgba32"})
    if (stem.rfind(family, 0) == 0) {
      png = family;
      break;
    }
  if (fs::exists(kSuite / "html" / (stem + ".png"))) png = stem;
  if (auto chosen = kChosen.find(stem); chosen != kChosen.end()) png = chosen->second;
  Image image;
  EXPECT_TRUE(DecodePng(ReadBytes(kSuite / "html" / (png + ".png")), png, image).ok()) << png;
  if (stem == "rgb24prof2")
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) std::swap(image.pixels[i], image.pixels[i + 1]);
  return image;
}

// What we do with particular files, so a change of mind is deliberate: the
// refusal's words, "" for a decode, "damaged" for a damaged one.
// clang-format off
const std::map<std::string, std::string> kDecided = {
    {"b/badbitcount.bmp", "30000 bits per pixel"}, {"b/badbitssize.bmp", ""},        {"b/badfilesize.bmp", ""},
    {"b/badheadersize.bmp", "header size 66"},     {"b/badpalettesize.bmp", ""},     {"b/badplanes.bmp", "planes"},
    {"b/badwidth.bmp", "width -127"},              {"b/pal8badindex.bmp", ""},       {"b/reallybig.bmp", "too large"},
    {"b/rletopdown.bmp", "top-down"},              {"b/shortfile.bmp", "damaged"},
    {"q/pal1huffmsb.bmp", "Unsupported BMP: "},    {"q/rgb24jpeg.bmp", "Unsupported BMP: "},
    {"q/rgb24png.bmp", "Unsupported BMP: "},       {"q/rgba64.bmp", "Unsupported BMP: "}};
// clang-format on

std::vector<std::string> FilesIn(const std::vector<std::string>& folders, bool readable_only) {
  std::vector<std::string> names;
  for (const std::string& folder : folders)
    for (const auto& entry : fs::directory_iterator(kSuite / folder)) {
      const std::string name = folder + "/" + entry.path().filename().string();
      const auto decided = kDecided.find(name);
      if (entry.path().extension() == ".bmp" &&
          !(readable_only && decided != kDecided.end() && !decided->second.empty()))
        names.push_back(name);
    }
  std::sort(names.begin(), names.end());
  return names;
}

std::string CaseName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param.substr(0, info.param.size() - 4);
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

// A suite file, decoded.
class BmpSuiteFile : public testing::TestWithParam<std::string> {
 protected:
  const std::string name = GetParam();
  const Bytes bytes = ReadBytes(kSuite / name);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, name, image);
};

TEST_P(BmpSuiteFile, MatchesTheReferenceRendering) {
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  EXPECT_FALSE(decoded->warning.damaged());
  const Image want = Reference(fs::path(name).stem().string());
  ASSERT_EQ(std::pair(image.width, image.height), std::pair(want.width, want.height));
  // 11-bit samples made from 8-bit ones: some round back one step off.
  const int tolerance = name == "q/rgb32-111110.bmp" ? 1 : 0;
  int mismatches = 0;
  for (int y = 0; y < want.height; ++y)
    for (int x = 0; x < want.width; ++x) {
      const std::uint8_t *g = image.at(x, y), *w = want.at(x, y);
      if (g[3] == 0 && w[3] == 0) continue;  // clear in both: any colour
      for (int c = 0; c < 4; ++c)
        if (std::abs(g[c] - w[c]) > tolerance && mismatches++ == 0)
          ADD_FAILURE() << "first mismatch at " << x << "," << y << " channel " << c << ": " << int(g[c])
                        << " for " << int(w[c]);
    }
  EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(GoodAndQuestionable, BmpSuiteFile, testing::ValuesIn(FilesIn({"g", "q"}, true)),
                         CaseName);

// A failure must be one of ours, naming the file; a success must give a
// full picture of the size the header announced.
class BmpSuiteBadFile : public BmpSuiteFile {};

TEST_P(BmpSuiteBadFile, FailsCleanlyOrDecodesSafely) {
  if (const auto decided = kDecided.find(name); decided != kDecided.end()) {
    ASSERT_EQ(decoded.ok(), decided->second.empty() || decided->second == "damaged") << decoded.message();
    EXPECT_TRUE(decoded.ok() ? decoded->warning.damaged() == !decided->second.empty()
                             : decoded.message().find(decided->second) != std::string::npos)
        << decoded.message();
  }
  const std::string& message = decoded.message();
  if (!decoded.ok()) {
    EXPECT_TRUE((message.rfind("Invalid BMP: ", 0) == 0 || message.rfind("Unsupported BMP: ", 0) == 0 ||
                 message.rfind("Image too large", 0) == 0) &&
                message.find(name) != std::string::npos)
        << message;
    return;
  }
  Expected<ImageInfo> info = ReadBmpInfo(bytes, name);
  ASSERT_TRUE(info.ok() && image.width == info->width && image.height == info->height) << info.message();
  EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * image.height * 4);
}

INSTANTIATE_TEST_SUITE_P(BadAndQuestionable, BmpSuiteBadFile, testing::ValuesIn(FilesIn({"b", "q"}, false)),
                         CaseName);

// ---- Beyond the corpus -------------------------------------------------------------

Image Decode(const BmpLayout& layout, bool expect_damaged = false) {
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(BuildBmp(layout), "t.bmp", image);
  EXPECT_TRUE(decoded.ok() && decoded->warning.damaged() == expect_damaged) << decoded.message();
  return image;
}

BmpLayout Rle8(int width, int height, Bytes stream) {
  return {width, height, 8, 1, 0, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}}, std::move(stream)};
}

BmpLayout Rows(int height, int rows_present) {
  return {2, height, 24, 0, 0, {}, Bytes(rows_present * 8u, 0x40)};
}

// How much a file must hold for its picture to be allocated: each bound is
// met exactly by the first of a pair and missed by one by the second. A cut
// file keeps its picture while one row in eight is there; one run-length
// code draws at most 255 pixels; an end-of-bitmap code alone leaves the rest
// transparent, but not more of it than a code could have drawn. The header
// at the file's start is judged by the whole file's length.
TEST(BmpPlausibility, TooLittleDataForThePictureIsRefusedUnallocated) {
  // clang-format off
  for (const auto& [layout, decodes] : {std::pair{Rows(8, 1), true}, {Rows(9, 1), false}, {Rows(16, 2), true},
                                        {Rle8(255, 1, {255, 0}), true}, {Rle8(256, 1, {255, 0}), false},
                                        {Rle8(255, 2, {255, 0, 255, 0}), true}, {Rle8(17, 15, {0, 1}), true},
                                        {Rle8(16, 16, {0, 1}), false}}) {
    // clang-format on
    const Bytes bytes = BuildBmp(layout);
    Image image;
    Expected<DecodeResult> decoded = DecodeBmp(bytes, "claim.bmp", image);
    EXPECT_EQ(CheckBmpFileLength(std::span(bytes).first(60), bytes.size(), "claim.bmp").ok(), decodes);
    ASSERT_EQ(decoded.ok(), decodes) << layout.width << "x" << layout.height << ": " << decoded.message();
    EXPECT_TRUE(decodes || (decoded.message().rfind("Implausible BMP: a ", 0) == 0 && image.pixels.empty()))
        << decoded.message();
  }
}

// A delta moves right and up from where it stands (rows count from the
// bottom) and skipped pixels stay transparent; runs past the right edge are cut there, never wrapping;
// a move past the top ends the picture; a stream cut short is damaged.
TEST(BmpHostile, RunLengthCodesStayInsideThePicture) {
  const Image delta =
      Decode(Rle8(4, 2, {1, 1, 0, 2, 1, 1, 1, 1, 0, 1}));  // a pixel, one right and up, a pixel
  EXPECT_TRUE(PixelAt(delta, 0, 1) == kGreen && PixelAt(delta, 2, 0) == kGreen &&
              PixelAt(delta, 1, 0) == kClear);
  const Image clipped = Decode(Rle8(2, 2, {200, 1, 0, 1}));
  EXPECT_TRUE(PixelAt(clipped, 1, 1) == kGreen && PixelAt(clipped, 0, 0) == kClear);
  const Image moved = Decode(Rle8(2, 2, {0, 2, 0, 200, 1, 1, 0, 1}));
  EXPECT_EQ(moved.pixels, Decode(Rle8(2, 2, {0, 1})).pixels);
  const Image cut = Decode(Rle8(4, 2, {2, 1, 0}), true);
  EXPECT_TRUE(PixelAt(cut, 1, 1) == kGreen && PixelAt(cut, 2, 1) == kClear);
  Decode(Rle8(4, 2, {0, 2, 1}), true);  // a delta without its offsets
}

}  // namespace
}  // namespace vr
