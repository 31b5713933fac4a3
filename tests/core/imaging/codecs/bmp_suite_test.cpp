// The bmpsuite corpus: good files against their reference renderings, the
// questionable ones we claim to read likewise, and the bad ones must fail
// with a message or decode to a picture of the size the header gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "base/file_bytes.h"
#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/png_codec.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

const fs::path kSuite = fs::path(VARENNA_CORPUS_DIR) / "bmpsuite";

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  std::vector<std::uint8_t> bytes;
  Status read = ReadWholeFileInto(path.string(), bytes);
  EXPECT_TRUE(read.ok()) << read.message();
  return bytes;
}

Image DecodeReference(const std::string& png) {
  Image image;
  const auto bytes = ReadBytes(kSuite / "html" / png);
  Status decoded = DecodePng(bytes, png, image);
  EXPECT_TRUE(decoded.ok()) << decoded.message();
  return image;
}

// Pixels that are fully transparent in both match whatever their colour.
// Returns how many pixels differ by more than `tolerance` in some channel.
int CountMismatches(const Image& got, const Image& want, int tolerance, std::string& first) {
  int mismatches = 0;
  for (int y = 0; y < want.height; ++y) {
    for (int x = 0; x < want.width; ++x) {
      const std::uint8_t* g = got.at(x, y);
      const std::uint8_t* w = want.at(x, y);
      if (g[3] == 0 && w[3] == 0) continue;
      bool same = true;
      for (int c = 0; c < 4; ++c) same = same && std::abs(g[c] - w[c]) <= tolerance;
      if (!same && mismatches++ == 0)
        first = "(" + std::to_string(x) + "," + std::to_string(y) + ") got " + std::to_string(g[0]) + " " +
                std::to_string(g[1]) + " " + std::to_string(g[2]) + " " + std::to_string(g[3]) + " want " +
                std::to_string(w[0]) + " " + std::to_string(w[1]) + " " + std::to_string(w[2]) + " " +
                std::to_string(w[3]);
    }
  }
  return mismatches;
}

struct SuiteCase {
  const char* bmp;        // under the suite's root
  const char* reference;  // PNG in html/
  int tolerance;          // per channel
};

class BmpSuiteMatchTest : public ::testing::TestWithParam<SuiteCase> {};

TEST_P(BmpSuiteMatchTest, MatchesReferenceRendering) {
  const SuiteCase& c = GetParam();
  const auto bytes = ReadBytes(kSuite / c.bmp);
  Expected<ImageInfo> info = ReadBmpInfo(bytes, c.bmp);
  ASSERT_TRUE(info.ok()) << info.message();
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, c.bmp, image);
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  EXPECT_FALSE(decoded->damaged);
  EXPECT_EQ(image.width, info->width);
  EXPECT_EQ(image.height, info->height);

  const Image want = DecodeReference(c.reference);
  ASSERT_EQ(image.width, want.width);
  ASSERT_EQ(image.height, want.height);
  std::string first;
  EXPECT_EQ(CountMismatches(image, want, c.tolerance, first), 0) << "first at " << first;
}

std::string CaseName(const ::testing::TestParamInfo<SuiteCase>& info) {
  std::string name = fs::path(info.param.bmp).stem().string();
  std::replace_if(
      name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
  return name;
}

// Every file of g/, with the reference the suite's page shows beside it.
// pal8nonsquare has two: the stored pixels (-e) and a stretched view; a
// decoder gives the stored ones.
const SuiteCase kGood[] = {
    {"g/pal1.bmp", "pal1.png", 0},           {"g/pal1bg.bmp", "pal1bg.png", 0},
    {"g/pal1wb.bmp", "pal1.png", 0},         {"g/pal4.bmp", "pal4.png", 0},
    {"g/pal4gs.bmp", "pal4gs.png", 0},       {"g/pal4rle.bmp", "pal4.png", 0},
    {"g/pal8-0.bmp", "pal8.png", 0},         {"g/pal8.bmp", "pal8.png", 0},
    {"g/pal8gs.bmp", "pal8gs.png", 0},       {"g/pal8nonsquare.bmp", "pal8nonsquare-e.png", 0},
    {"g/pal8os2.bmp", "pal8.png", 0},        {"g/pal8rle.bmp", "pal8.png", 0},
    {"g/pal8topdown.bmp", "pal8.png", 0},    {"g/pal8v4.bmp", "pal8.png", 0},
    {"g/pal8v5.bmp", "pal8.png", 0},         {"g/pal8w124.bmp", "pal8w124.png", 0},
    {"g/pal8w125.bmp", "pal8w125.png", 0},   {"g/pal8w126.bmp", "pal8w126.png", 0},
    {"g/rgb16-565.bmp", "rgb16-565.png", 0}, {"g/rgb16-565pal.bmp", "rgb16-565.png", 0},
    {"g/rgb16.bmp", "rgb16.png", 0},         {"g/rgb16bfdef.bmp", "rgb16.png", 0},
    {"g/rgb24.bmp", "rgb24.png", 0},         {"g/rgb24pal.bmp", "rgb24.png", 0},
    {"g/rgb32.bmp", "rgb24.png", 0},         {"g/rgb32bf.bmp", "rgb24.png", 0},
    {"g/rgb32bfdef.bmp", "rgb24.png", 0},
};
INSTANTIATE_TEST_SUITE_P(Good, BmpSuiteMatchTest, ::testing::ValuesIn(kGood), CaseName);

// Questionable files we read, against the rendering we chose where the page
// offers several: skipped RLE pixels transparent (the page's first choice),
// the spare bits of 16- and 32-bit pixels ignored (rgb16.png, rgb24.png
// rather than the "fake alpha" ones), colour profiles ignored.
const SuiteCase kQuestionable[] = {
    {"q/pal1p1.bmp", "pal1p1.png", 0},
    {"q/pal2.bmp", "pal2.png", 0},
    {"q/pal2color.bmp", "pal2color.png", 0},
    {"q/pal4rletrns.bmp", "pal4rletrns.png", 0},
    {"q/pal4rlecut.bmp", "pal4rlecut.png", 0},
    {"q/pal8rletrns.bmp", "pal8rletrns.png", 0},
    {"q/pal8rlecut.bmp", "pal8rlecut.png", 0},
    {"q/pal8offs.bmp", "pal8.png", 0},
    {"q/pal8oversizepal.bmp", "pal8.png", 0},
    {"q/pal8os2-hs.bmp", "pal8.png", 0},
    {"q/pal8os2-sz.bmp", "pal8.png", 0},
    {"q/pal8os2sp.bmp", "pal8.png", 0},
    {"q/pal8os2v2.bmp", "pal8.png", 0},
    {"q/pal8os2v2-16.bmp", "pal8.png", 0},
    {"q/pal8os2v2-sz.bmp", "pal8.png", 0},
    {"q/pal8os2v2-40sz.bmp", "pal8.png", 0},
    {"q/rgb24rle24.bmp", "pal8.png", 0},
    {"q/rgb16faketrns.bmp", "rgb16.png", 0},
    {"q/rgb16-231.bmp", "rgb16-231.png", 0},
    {"q/rgb16-3103.bmp", "rgb16-3103.png", 0},
    {"q/rgba16-4444.bmp", "rgba16-4444.png", 0},
    {"q/rgba16-5551.bmp", "rgba16-5551.png", 0},
    {"q/rgba16-1924.bmp", "rgba16-1924.png", 0},
    {"q/rgb24largepal.bmp", "rgb24.png", 0},
    {"q/rgb24prof.bmp", "rgb24.png", 0},
    {"q/rgb24lprof.bmp", "rgb24.png", 0},
    {"q/rgb32h52.bmp", "rgb24.png", 0},
    {"q/rgb32-xbgr.bmp", "rgb24.png", 0},
    {"q/rgb32fakealpha.bmp", "rgb24.png", 0},
    // 11-bit samples made from 8-bit ones: some round back one step off.
    {"q/rgb32-111110.bmp", "rgb24.png", 1},
    {"q/rgb32-7187.bmp", "rgb32-7187.png", 0},
    {"q/rgba32-1.bmp", "rgba32.png", 0},
    {"q/rgba32-2.bmp", "rgba32.png", 0},
    {"q/rgba32abf.bmp", "rgba32.png", 0},
    {"q/rgba32h56.bmp", "rgba32.png", 0},
    {"q/rgba32-1010102.bmp", "rgba32-1010102.png", 0},
    {"q/rgba32-81284.bmp", "rgba32-81284.png", 0},
    {"q/rgba32-61754.bmp", "rgba32-61754.png", 0},
};
INSTANTIATE_TEST_SUITE_P(Questionable, BmpSuiteMatchTest, ::testing::ValuesIn(kQuestionable), CaseName);

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kSuite / folder))
    if (entry.path().extension() == ".bmp") names.push_back(folder + "/" + entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(BmpSuiteTest, EveryGoodFileHasAReference) {
  std::set<std::string> listed;
  for (const SuiteCase& c : kGood) listed.insert(c.bmp);
  const auto files = FilesIn("g");
  EXPECT_EQ(files.size(), std::size(kGood));
  for (const std::string& name : files) EXPECT_TRUE(listed.count(name)) << name << " has no reference listed";
}

// A failure must be one of ours, naming the file; a success must give a
// full picture of the size the header announced.
void ExpectSafe(const std::string& name) {
  SCOPED_TRACE(name);
  const auto bytes = ReadBytes(kSuite / name);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, name, image);
  if (!decoded.ok()) {
    const std::string& message = decoded.message();
    EXPECT_TRUE(message.rfind("Invalid BMP: ", 0) == 0 || message.rfind("Unsupported BMP: ", 0) == 0 ||
                message.rfind("Image too large", 0) == 0)
        << message;
    EXPECT_NE(message.find(name), std::string::npos) << message;
    return;
  }
  Expected<ImageInfo> info = ReadBmpInfo(bytes, name);
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(image.width, info->width);
  EXPECT_EQ(image.height, info->height);
  EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * image.height * 4);
}

TEST(BmpSuiteTest, BadFilesFailCleanlyOrDecodeSafely) {
  const auto files = FilesIn("b");
  EXPECT_GE(files.size(), 20u);
  for (const std::string& name : files) ExpectSafe(name);
}

TEST(BmpSuiteTest, QuestionableFilesDecodeSafely) {
  for (const std::string& name : FilesIn("q")) ExpectSafe(name);
}

// What we do with particular bad files, so a change of mind is deliberate.
struct BadCase {
  const char* bmp;
  bool decodes;
  bool damaged;
  const char* message_part;  // of the failure
};

class BmpSuiteBadTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BmpSuiteBadTest, DecidedOutcome) {
  const BadCase& c = GetParam();
  const auto bytes = ReadBytes(kSuite / c.bmp);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, c.bmp, image);
  ASSERT_EQ(decoded.ok(), c.decodes) << decoded.message();
  if (c.decodes)
    EXPECT_EQ(decoded->damaged, c.damaged);
  else
    EXPECT_NE(decoded.message().find(c.message_part), std::string::npos) << decoded.message();
}

INSTANTIATE_TEST_SUITE_P(
    Bad, BmpSuiteBadTest,
    ::testing::Values(BadCase{"b/badbitcount.bmp", false, false, "30000 bits per pixel"},
                      BadCase{"b/badbitssize.bmp", true, false, ""},  // the image size field is not needed
                      BadCase{"b/badfilesize.bmp", true, false, ""},  // nor the file size
                      BadCase{"b/badheadersize.bmp", false, false, "header size 66"},
                      BadCase{"b/badpalettesize.bmp", true, false, ""},  // clamped to 256 colours
                      BadCase{"b/badplanes.bmp", false, false, "planes"},
                      BadCase{"b/badwidth.bmp", false, false, "width -127"},
                      BadCase{"b/pal8badindex.bmp", true, false, ""},
                      BadCase{"b/reallybig.bmp", false, false, "too large"},
                      BadCase{"b/rletopdown.bmp", false, false, "top-down"},
                      BadCase{"b/shortfile.bmp", true, true, ""}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return fs::path(info.param.bmp).stem().string(); });

// Questionable files we do not read must say so.
TEST(BmpSuiteTest, UnsupportedVariantsAreNamed) {
  for (const char* name : {"q/pal1huffmsb.bmp", "q/rgb24jpeg.bmp", "q/rgb24png.bmp", "q/rgba64.bmp"}) {
    SCOPED_TRACE(name);
    const auto bytes = ReadBytes(kSuite / name);
    Image image;
    Expected<DecodeResult> decoded = DecodeBmp(bytes, name, image);
    ASSERT_FALSE(decoded.ok());
    EXPECT_EQ(decoded.message().rfind("Unsupported BMP: ", 0), 0u) << decoded.message();
  }
}

// rgb24prof2 stores red and green swapped and relies on its colour profile
// to swap them back; profiles are ignored, so the swap shows.
TEST(BmpSuiteTest, ColourProfilesAreIgnored) {
  const auto bytes = ReadBytes(kSuite / "q/rgb24prof2.bmp");
  Image image;
  ASSERT_TRUE(DecodeBmp(bytes, "rgb24prof2.bmp", image).ok());
  Image want = DecodeReference("rgb24.png");
  for (std::size_t i = 0; i < want.pixels.size(); i += 4) std::swap(want.pixels[i], want.pixels[i + 1]);
  std::string first;
  EXPECT_EQ(CountMismatches(image, want, 0, first), 0) << "first at " << first;
}

}  // namespace
}  // namespace vr
