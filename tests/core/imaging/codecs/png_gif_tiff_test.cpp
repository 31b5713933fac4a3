// PNG, GIF and TIFF. The PngSuite corpus replayed, and what no replay of it
// shows: Adam7 against the sequential twins, pixels against values known
// from the suite, 16-bit samples. GIF files written with giflib: the first
// frame through either colour table, transparency, interlacing, the canvas
// cut to its frames. TIFF files written with libtiff: samples through every
// compression, the orientation reported but never applied, alpha made
// straight.
#include <gtest/gtest.h>
#include <png.h>

#include "core/imaging/codecs/codec_files.h"
#include "imaging/codecs/gif_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/codecs/tiff_codec.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using namespace test;

const fs::path kSuite = fs::path(VARENNA_CORPUS_DIR) / "pngsuite";

Image DecodeSuiteFile(const std::string& name, Bytes* bytes = nullptr, Status* status = nullptr) {
  Bytes read;
  Image image;
  EXPECT_TRUE(ReadWholeFileInto((kSuite / name).string(), bytes ? *bytes : read).ok()) << name;
  const Status decoded = DecodePng(bytes ? *bytes : read, name, image);
  if (status) *status = decoded;
  EXPECT_TRUE(status || decoded.ok()) << decoded.message();
  return image;
}

std::vector<std::string> SuiteFiles() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kSuite))
    if (entry.path().extension() == ".png") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_GT(names.size(), 150u) << "no corpus at " << kSuite;
  return names;
}

class PngSuiteFile : public testing::TestWithParam<std::string> {};

// The suite's broken files start with x; the size comes from the IHDR bytes.
// An interlaced file (basi*, s01i*) holds the same picture as its sequential
// twin; the small odd sizes of the s*i* files leave Adam7 passes empty.
TEST_P(PngSuiteFile, BrokenFilesFailAndOthersDecodeAtTheirSizeAsTheirSequentialTwin) {
  const std::string name = GetParam();
  Bytes bytes;
  Status status = Status::Ok();
  const Image image = DecodeSuiteFile(name, &bytes, &status);
  if (name[0] == 'x') {
    EXPECT_TRUE(status.message().rfind("Invalid PNG: ", 0) == 0 &&
                status.message().find(name) != std::string::npos)
        << status.message();
    return;
  }
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(std::pair(image.width, image.height),
            std::pair(bytes[18] << 8 | bytes[19], bytes[22] << 8 | bytes[23]));
  std::string twin = name;
  twin[3] = 'n';
  if (name[3] == 'i' && (name[0] == 'b' || name[0] == 's') && fs::exists(kSuite / twin)) {
    EXPECT_EQ(image.pixels, DecodeSuiteFile(twin).pixels) << twin;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, PngSuiteFile, testing::ValuesIn(SuiteFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param.substr(0, info.param.find('.'));
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// Values known from the suite; a palette with transparency gives alpha.
TEST(PngDecode, KnownPixelsOfSuiteFiles) {
  EXPECT_EQ(PixelAt(DecodeSuiteFile("basn2c08.png"), 31, 0), (Rgba{255, 255, 224, 255}));
  EXPECT_EQ(PixelAt(DecodeSuiteFile("tbbn3p08.png"), 0, 0), (Rgba{255, 255, 255, 0}));
  EXPECT_EQ(PixelAt(DecodeSuiteFile("tbbn3p08.png"), 16, 8), (Rgba{168, 66, 66, 255}));
}

// 16-bit samples go to the nearest 8-bit level, v * 255 / 65535 rounded: the
// high byte alone would be a level off for most values.
TEST(PngDecode, SixteenBitSamplesGoToTheNearestLevel) {
  std::vector<std::uint16_t> samples(3 * 256);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::uint16_t>(i * 85 + i * i * 7);
  png_image layout{};
  layout.version = PNG_IMAGE_VERSION;
  layout.width = 256;
  layout.height = 1;
  layout.format = PNG_FORMAT_LINEAR_RGB;
  png_alloc_size_t size = 0;
  ASSERT_NE(png_image_write_get_memory_size(layout, size, 0, samples.data(), 0, nullptr), 0)
      << layout.message;
  std::vector<std::uint8_t> file(size);
  ASSERT_NE(png_image_write_to_memory(&layout, file.data(), &size, 0, samples.data(), 0, nullptr), 0);
  Image image;
  ASSERT_TRUE(DecodePng(file, "deep.png", image).ok());
  for (std::size_t i = 0; i < samples.size(); ++i)
    ASSERT_LE(std::abs(image.pixels[i / 3 * 4 + i % 3] * 65535.0 / 255 - samples[i]), 65535.0 / 255 / 2 + 1)
        << i;
}

// The Adler-32 of the inflated data goes unchecked, so a changed byte of
// compressed data must still be caught by its chunk's CRC.
TEST(PngDecode, ADamagedImageChunkFailsByName) {
  Bytes png;
  ASSERT_TRUE(EncodePng(MakeRandomImage(64, 48, 9), png, "p.png").ok());
  const std::string text(png.begin(), png.end());
  const std::size_t idat = text.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  const std::size_t length = std::size_t{png[idat - 4]} << 24 | std::size_t{png[idat - 3]} << 16 |
                             std::size_t{png[idat - 2]} << 8 | png[idat - 1];
  ASSERT_GT(length, 16u);
  Bytes flipped = png;
  flipped[idat + 4 + length / 2] ^= 0x5A;
  Image image;
  const Status by_crc = DecodePng(flipped, "flipped.png", image);
  EXPECT_TRUE(!by_crc.ok() && by_crc.message().find("flipped.png") != std::string::npos) << by_crc.message();
  EXPECT_TRUE(image.pixels.empty());
}

// ---- GIF ----------------------------------------------------------------------------

// Decodes at the size the header reader tells, and expects it.
Image DecodeGifAt(const Bytes& file, int width, int height) {
  Image image;
  Expected<ImageInfo> info = ReadGifInfo(file, "test.gif");
  EXPECT_TRUE(DecodeGif(file, "test.gif", image).ok() && image.width == width && image.height == height);
  EXPECT_TRUE(info.ok() && info->width == width && info->height == height);
  return image;
}

// The frame's pixels (clear for its transparent index) with its corner at (left, top).
void ExpectFrameAt(const Image& image, const GifFrame& frame, int left, int top) {
  const auto& table = frame.local_colors.empty() ? kGifPalette : frame.local_colors;
  for (int y = 0; y < frame.height && top + y < image.height; ++y)
    for (int x = 0; x < frame.width && left + x < image.width; ++x) {
      const int index = frame.indices[static_cast<std::size_t>(y * frame.width + x)];
      const Rgba expected = index == frame.transparent
                                ? Rgba{0, 0, 0, 0}
                                : Rgba{table[index].Red, table[index].Green, table[index].Blue, 255};
      ASSERT_EQ(PixelAt(image, left + x, top + y), expected) << x << "," << y;
    }
}

// Only the first frame is shown, through its own table or the global one,
// clear at its transparent index, interlaced or not.
TEST(GifDecode, TheFirstFrameShowsThroughItsTableClearAtItsTransparentIndex) {
  for (int height : {1, 2, 3, 5, 8, 9, 17})
    for (bool interlace : {false, true}) {
      GifFrame frame = PatternFrame(6, height, 4);
      frame.interlace = interlace, frame.transparent = interlace ? 5 : 2;
      if (!interlace) frame.local_colors.assign(kGifPalette.rbegin(), kGifPalette.rend());
      ExpectFrameAt(DecodeGifAt(WriteGif(6, height, {frame, PatternFrame(6, height, 5)}), 6, height), frame,
                    0, 0);
    }
}

// Every pixel of the canvas off the frame is clear.
void ExpectClearOff(const Image& image, int left, int top, int width, int height) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      if (x < left || x >= left + width || y < top || y >= top + height) {
        ASSERT_EQ(PixelAt(image, x, y), (Rgba{0, 0, 0, 0})) << x << "," << y;
      }
    }
}

// The logical screen is the picture, the first frame at its place on it and
// clear around it; a frame reaching past the screen is cut there. Only a
// screen with a zero side, or one no LZW data of the file could fill, is
// cut to the frames' bounding box.
TEST(GifDecode, TheFirstFrameSitsOnTheLogicalScreen) {
  struct Case {
    int screen_w, screen_h;
    int left, top, width, height;
    int expected_w, expected_h;  // the canvas
    int at_x, at_y;              // the frame's corner on it
  };
  const Case cases[] = {
      {75, 50, 25, 0, 50, 50, 75, 50, 25, 0},  // a wide screen keeps its sides
      {9, 5, 4, 1, 3, 2, 9, 5, 4, 1},          // room on every side
      {3, 3, 2, 1, 4, 4, 3, 3, 2, 1},          // the frame reaches past the screen
      {0, 0, 4, 1, 3, 2, 3, 2, 0, 0},          // no screen: the frame alone
      {60000, 4000, 4, 1, 3, 2, 3, 2, 0, 0},   // a screen its data cannot fill
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.screen_w) + "x" + std::to_string(c.screen_h));
    GifFrame frame = PatternFrame(c.width, c.height, 1);
    frame.left = c.left, frame.top = c.top;
    const Image image = DecodeGifAt(WriteGif(c.screen_w, c.screen_h, {frame}), c.expected_w, c.expected_h);
    ExpectFrameAt(image, frame, c.at_x, c.at_y);
    ExpectClearOff(image, c.at_x, c.at_y, c.width, c.height);
  }
  // Later frames widen a cut canvas but are never drawn.
  GifFrame first = PatternFrame(3, 2, 1);
  first.left = 4, first.top = 1;
  GifFrame later = PatternFrame(2, 2, 6);
  later.left = 1, later.top = 3;
  const Image both = DecodeGifAt(WriteGif(0, 0, {first, later}), 6, 4);  // x 1..6, y 1..4
  ExpectFrameAt(both, first, 3, 0);
  ExpectClearOff(both, 3, 0, 3, 2);
}

// Indices as the frame's table, or with no table at all as grey levels,
// opaque black past the table and clear at the transparent index.
Rgba ExpectedGifPixel(const RawGif& gif, int index) {
  if (index == gif.transparent) return {0, 0, 0, 0};
  if (gif.global.empty())
    return index < 256 ? Rgba{std::uint8_t(index), std::uint8_t(index), std::uint8_t(index), 255}
                       : Rgba{0, 0, 0, 255};
  if (index >= static_cast<int>(gif.global.size())) return {0, 0, 0, 255};
  const GifColorType& c = gif.global[static_cast<std::size_t>(index)];
  return {c.Red, c.Green, c.Blue, 255};
}

// Minimum code sizes up to 8 go through giflib, 9 to 11 through our own
// decoder; both read the same pictures, from data long enough to fill the
// string table and clear it several times, interlaced or not, with or
// without a colour table. Indices above 255 only the wide codes can carry.
TEST(GifDecode, EveryMinimumCodeSizeUpTo11AndNoColourTableAreRead) {
  for (int code_size : {2, 8, 9, 11})
    for (bool table : {true, false})
      for (bool interlace : {false, true}) {
        SCOPED_TRACE("code size " + std::to_string(code_size) + (table ? " table" : " no table") +
                     (interlace ? " interlaced" : ""));
        RawGif gif{.screen_width = 97,
                   .screen_height = 61,
                   .width = 97,
                   .height = 61,
                   .interlace = interlace,
                   .code_size = code_size,
                   .transparent = 3};
        if (table) gif.global = kGifPalette;
        const int values = std::min(1 << code_size, 600);
        for (int i = 0; i < gif.width * gif.height; ++i) gif.indices.push_back((i / 3 + i * i / 7) % values);
        const Image image = DecodeGifAt(BuildGif(gif), gif.width, gif.height);
        // Stored rows arrive pass by pass when interlaced.
        std::vector<int> rows;
        for (auto [first, step] : interlace ? std::vector<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}}
                                            : std::vector<std::pair<int, int>>{{0, 1}})
          for (int y = first; y < gif.height; y += step) rows.push_back(y);
        for (int stored = 0; stored < gif.height; ++stored)
          for (int x = 0; x < gif.width; ++x)
            ASSERT_EQ(PixelAt(image, x, rows[stored]),
                      ExpectedGifPixel(gif, gif.indices[static_cast<std::size_t>(stored * gif.width + x)]))
                << x << "," << rows[stored];
      }
}

// Codes no table could hold, data ending early and a code size of 12 fail
// by name and leave no picture.
TEST(GifDecode, BrokenWideCodesFail) {
  RawGif gif{.screen_width = 40, .screen_height = 30, .width = 40, .height = 30, .code_size = 10};
  for (int i = 0; i < 1200; ++i) gif.indices.push_back(i % 900);
  const Bytes whole = BuildGif(gif);
  Image image;
  ASSERT_TRUE(DecodeGif(whole, "wide.gif", image).ok());
  struct Broken {
    Bytes file;
    const char* reason;
  };
  Bytes beyond = whole;
  beyond[13 + 10 + 1 + 2] = 0xFF;  // the second code: far past the table's end
  Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
  Bytes twelve = whole;
  twelve[13 + 10] = 12;
  for (const auto& [file, reason] :
       {Broken{beyond, "corrupt image data"}, Broken{cut, "image data ends early"},
        Broken{twelve, "LZW minimum code size 12"}}) {
    image.Resize(2, 2);
    const Status status = DecodeGif(file, "wide.gif", image);
    EXPECT_EQ(status.message(), std::string("Invalid GIF: ") + reason + " in wide.gif");
    EXPECT_TRUE(image.pixels.empty());
  }
}

// ---- TIFF ---------------------------------------------------------------------------

Image DecodeTiffFile(const Bytes& file) {
  Image image;
  Status status = DecodeTiff(file, "test.tif", image);
  EXPECT_TRUE(status.ok()) << status.message();
  return image;
}

// Stored samples come back as they are, grey spread to all three channels.
// Every orientation is reported and none is applied: row 0 stays the first
// row of the file, so the engine turns the picture exactly once.
TEST(TiffDecode, EveryCompressionAndOrientationGivesTheStoredSamples) {
  for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS})
    for (int orientation = 1; orientation <= 8; ++orientation)
      for (int samples : {1, 3}) {
        TiffLayout layout = RgbTiff(31, 17, compression);
        layout.samples_data.resize(31u * 17u * samples);
        layout.samples = samples, layout.orientation = orientation, layout.rows_per_strip = 3;
        layout.photometric = samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
        const Bytes file = WriteTiff(layout);
        Expected<ImageInfo> info = ReadTiffInfo(file, "turned.tif");
        ASSERT_TRUE(info.ok() && info->orientation == orientation) << info.message();
        const Image image = DecodeTiffFile(file);
        ASSERT_EQ(image.width, 31);
        for (int i = 0; i < 31 * 17; ++i) {
          const std::uint8_t* s = &layout.samples_data[static_cast<std::size_t>(i * samples)];
          ASSERT_EQ(PixelAt(image, i % 31, i / 31), (Rgba{s[0], s[samples / 2], s[samples - 1], 255})) << i;
        }
      }
}

// libtiff hands back premultiplied colour; ours is straight again, exact
// where alpha is full and within rounding elsewhere, whichever alpha the
// file stores.
TEST(TiffDecode, AlphaComesBackStraight) {
  TiffLayout layout{.width = 4, .height = 1, .samples = 4, .extra = EXTRASAMPLE_UNASSALPHA};
  layout.samples_data = {200, 100, 50, 255, 200, 100, 50, 128, 240, 30, 90, 40, 77, 66, 55, 0};
  const Image straight = DecodeTiffFile(WriteTiff(layout));
  for (std::size_t i = 0; i < 15; ++i)
    EXPECT_NEAR(straight.pixels[i], layout.samples_data[i],
                i < 4 || i % 4 == 3 ? 0 : 255.0 / straight.pixels[i | 3])
        << i;
  EXPECT_EQ(straight.pixels[15], 0);
  layout.extra = EXTRASAMPLE_ASSOCALPHA;
  layout.samples_data = {100, 50, 0, 128, 60, 60, 60, 255, 0, 0, 0, 0, 0, 0, 0, 0};  // premultiplied
  const Image associated = DecodeTiffFile(WriteTiff(layout));
  EXPECT_EQ(PixelAt(associated, 0, 0), (Rgba{199, 100, 0, 128}));
  EXPECT_EQ(PixelAt(associated, 1, 0), (Rgba{60, 60, 60, 255}));
}

}  // namespace
}  // namespace vr
