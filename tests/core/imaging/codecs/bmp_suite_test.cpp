// The bmpsuite corpus: every good file, and every questionable one we claim
// to read, against the suite's reference rendering; every bad one fails with
// a message or decodes to a picture of the size its header gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
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
  Status decoded = DecodePng(ReadBytes(kSuite / "html" / png), png, image);
  EXPECT_TRUE(decoded.ok()) << decoded.message();
  return image;
}

// The rendering the suite's page shows beside a file: its own where there
// is one, else the picture its family stores. Where the page offers several
// we take skipped RLE pixels as transparent, the spare bits of 16- and
// 32-bit pixels as no alpha, and colour profiles as absent; pal8nonsquare's
// stored pixels (-e), not its stretched view.
std::string ReferenceFor(const std::string& stem) {
  static const std::map<std::string, std::string> kChosen = {
      {"pal8nonsquare", "pal8nonsquare-e"}, {"rgb16faketrns", "rgb16"}, {"rgb24rle24", "pal8"}};
  if (auto chosen = kChosen.find(stem); chosen != kChosen.end()) return chosen->second + ".png";
  if (fs::exists(kSuite / "html" / (stem + ".png"))) return stem + ".png";
  for (const char* family : {"pal1", "pal4", "pal8", "rgb16-565", "rgb16", "rgba32"})
    if (stem.rfind(family, 0) == 0) return std::string(family) + ".png";
  return "rgb24.png";
}

// Questionable variants we do not read, and rgb24prof2, whose profile would
// swap red and green back.
const std::set<std::string> kUnsupported = {"q/pal1huffmsb.bmp", "q/rgb24jpeg.bmp", "q/rgb24png.bmp",
                                            "q/rgba64.bmp"};

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kSuite / folder))
    if (entry.path().extension() == ".bmp") names.push_back(folder + "/" + entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ReadableFiles() {
  std::vector<std::string> names = FilesIn("g");
  for (const std::string& name : FilesIn("q"))
    if (!kUnsupported.count(name) && name != "q/rgb24prof2.bmp") names.push_back(name);
  return names;
}

class BmpSuiteFile : public testing::TestWithParam<std::string> {};

TEST_P(BmpSuiteFile, MatchesTheReferenceRendering) {
  const std::string& name = GetParam();
  const auto bytes = ReadBytes(kSuite / name);
  Expected<ImageInfo> info = ReadBmpInfo(bytes, name);
  ASSERT_TRUE(info.ok()) << info.message();
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, name, image);
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  EXPECT_FALSE(decoded->damaged);
  Image want = DecodeReference(ReferenceFor(fs::path(name).stem().string()));
  ASSERT_EQ(image.width, want.width);
  ASSERT_EQ(image.height, want.height);
  EXPECT_EQ(info->width, want.width);
  EXPECT_EQ(info->height, want.height);
  // 11-bit samples made from 8-bit ones: some round back one step off.
  const int tolerance = name == "q/rgb32-111110.bmp" ? 1 : 0;
  int mismatches = 0;
  for (int y = 0; y < want.height; ++y)
    for (int x = 0; x < want.width; ++x) {
      const std::uint8_t* g = image.at(x, y);
      const std::uint8_t* w = want.at(x, y);
      if (g[3] == 0 && w[3] == 0) continue;  // clear in both: any colour
      for (int c = 0; c < 4; ++c)
        if (std::abs(g[c] - w[c]) > tolerance && mismatches++ == 0)
          ADD_FAILURE() << "first mismatch at " << x << "," << y << " channel " << c << ": " << int(g[c])
                        << " for " << int(w[c]);
    }
  EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(GoodAndQuestionable, BmpSuiteFile, testing::ValuesIn(ReadableFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param.substr(0, info.param.size() - 4);
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

// A failure must be one of ours, naming the file; a success must give a
// full picture of the size the header announced.
TEST(BmpSuite, BadAndQuestionableFilesFailCleanlyOrDecodeSafely) {
  auto files = FilesIn("b");
  EXPECT_GE(files.size(), 20u);
  for (const std::string& name : FilesIn("q")) files.push_back(name);
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    const auto bytes = ReadBytes(kSuite / name);
    Image image;
    Expected<DecodeResult> decoded = DecodeBmp(bytes, name, image);
    if (kUnsupported.count(name)) {
      EXPECT_EQ(decoded.message().rfind("Unsupported BMP: ", 0), 0u) << decoded.message();
    }
    if (!decoded.ok()) {
      const std::string& message = decoded.message();
      EXPECT_TRUE(message.rfind("Invalid BMP: ", 0) == 0 || message.rfind("Unsupported BMP: ", 0) == 0 ||
                  message.rfind("Image too large", 0) == 0)
          << message;
      EXPECT_NE(message.find(name), std::string::npos) << message;
      continue;
    }
    Expected<ImageInfo> info = ReadBmpInfo(bytes, name);
    ASSERT_TRUE(info.ok()) << info.message();
    EXPECT_EQ(image.width, info->width);
    EXPECT_EQ(image.height, info->height);
    EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * image.height * 4);
  }
}

// What we do with particular bad files, so a change of mind is deliberate.
TEST(BmpSuite, DecidedOutcomesOfBadFiles) {
  struct Outcome {
    const char* bmp;
    const char* refusal;  // empty: decodes
    bool damaged = false;
  };
  for (const Outcome& c :
       {Outcome{"badbitcount", "30000 bits per pixel"}, Outcome{"badbitssize", ""},
        Outcome{"badfilesize", ""}, Outcome{"badheadersize", "header size 66"}, Outcome{"badpalettesize", ""},
        Outcome{"badplanes", "planes"}, Outcome{"badwidth", "width -127"}, Outcome{"pal8badindex", ""},
        Outcome{"reallybig", "too large"}, Outcome{"rletopdown", "top-down"},
        Outcome{"shortfile", "", true}}) {
    const std::string name = std::string("b/") + c.bmp + ".bmp";
    Image image;
    Expected<DecodeResult> decoded = DecodeBmp(ReadBytes(kSuite / name), name, image);
    const std::string refusal = c.refusal;
    ASSERT_EQ(decoded.ok(), refusal.empty()) << name << ": " << decoded.message();
    if (decoded.ok())
      EXPECT_EQ(decoded->damaged, c.damaged) << name;
    else
      EXPECT_NE(decoded.message().find(refusal), std::string::npos) << decoded.message();
  }
}

// rgb24prof2 stores red and green swapped and relies on its colour profile
// to swap them back; profiles are ignored, so the swap shows.
TEST(BmpSuite, ColourProfilesAreIgnored) {
  Image image;
  ASSERT_TRUE(DecodeBmp(ReadBytes(kSuite / "q/rgb24prof2.bmp"), "rgb24prof2.bmp", image).ok());
  Image want = DecodeReference("rgb24.png");
  for (std::size_t i = 0; i < want.pixels.size(); i += 4) std::swap(want.pixels[i], want.pixels[i + 1]);
  EXPECT_EQ(image.pixels, want.pixels);
}

}  // namespace
}  // namespace vr
