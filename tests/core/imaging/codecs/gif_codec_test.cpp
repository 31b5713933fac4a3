#include "imaging/codecs/gif_codec.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::PixelAt;
using test::Rgba;

// The pictures here are written with giflib's encoder into memory.
struct Frame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlace = false;
  std::vector<GifColorType> local_colors;  // empty: use the global table
  int transparent = NO_TRANSPARENT_COLOR;  // written in a control block when >= 0
  std::vector<std::uint8_t> indices;       // width * height, rows top-down
};

const std::vector<GifColorType> kPalette = {{0, 0, 0},    {255, 0, 0},    {0, 255, 0}, {0, 0, 255},
                                            {10, 20, 30}, {200, 100, 50}, {1, 2, 3},   {255, 255, 255}};

int AppendBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

std::vector<std::uint8_t> WriteGif(int screen_w, int screen_h, const std::vector<GifColorType>& global,
                                   const std::vector<Frame>& frames) {
  std::vector<std::uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, &AppendBytes, &error);
  EXPECT_NE(gif, nullptr);
  if (gif == nullptr) return out;
  EGifSetGifVersion(gif, true);
  ColorMapObject* global_map =
      global.empty() ? nullptr : GifMakeMapObject(static_cast<int>(global.size()), global.data());
  EXPECT_EQ(EGifPutScreenDesc(gif, screen_w, screen_h, 8, 0, global_map), GIF_OK);
  for (const Frame& frame : frames) {
    if (frame.transparent >= 0) {
      GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, frame.transparent};
      GifByteType extension[4];
      const size_t length = EGifGCBToExtension(&control, extension);
      EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension), GIF_OK);
    }
    ColorMapObject* local =
        frame.local_colors.empty()
            ? nullptr
            : GifMakeMapObject(static_cast<int>(frame.local_colors.size()), frame.local_colors.data());
    EXPECT_EQ(EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlace, local),
              GIF_OK);
    // The encoder writes rows in the order given; interlaced files store
    // them pass by pass.
    std::vector<int> order;
    if (frame.interlace) {
      for (auto [first, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = first; y < frame.height; y += step) order.push_back(y);
    } else {
      for (int y = 0; y < frame.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> row(frame.indices.begin() + y * frame.width,
                                    frame.indices.begin() + (y + 1) * frame.width);
      EXPECT_EQ(EGifPutLine(gif, row.data(), frame.width), GIF_OK);
    }
    if (local != nullptr) GifFreeMapObject(local);
  }
  EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
  if (global_map != nullptr) GifFreeMapObject(global_map);
  return out;
}

Frame FullFrame(int width, int height, std::uint32_t seed) {
  Frame frame;
  frame.width = width;
  frame.height = height;
  for (int i = 0; i < width * height; ++i)
    frame.indices.push_back(static_cast<std::uint8_t>((i * 7 + seed) % 8));
  return frame;
}

Rgba Opaque(const GifColorType& c) { return {c.Red, c.Green, c.Blue, 255}; }

Image Decode(const std::vector<std::uint8_t>& file) {
  Image image;
  Status status = DecodeGif(file, "test.gif", image);
  EXPECT_TRUE(status.ok()) << status.message();
  return image;
}

// The frame's pixels with its corner at (left, top) of the image.
void ExpectFramePixelsAt(const Image& image, const Frame& frame, const std::vector<GifColorType>& colors,
                         int left, int top) {
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      const int index = frame.indices[static_cast<std::size_t>(y * frame.width + x)];
      const Rgba expected = index == frame.transparent ? Rgba{0, 0, 0, 0} : Opaque(colors[index]);
      ASSERT_EQ(PixelAt(image, left + x, top + y), expected) << x << "," << y;
    }
}

void ExpectFramePixels(const Image& image, const Frame& frame, const std::vector<GifColorType>& colors) {
  ExpectFramePixelsAt(image, frame, colors, frame.left, frame.top);
}

void ExpectSize(const std::vector<std::uint8_t>& file, const Image& image, int width, int height) {
  ASSERT_EQ(image.width, width);
  ASSERT_EQ(image.height, height);
  Expected<ImageInfo> info = ReadGifInfo(file, "test.gif");
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->width, width);
  EXPECT_EQ(info->height, height);
}

TEST(GifDecode, FullFramePixelsComeFromTheGlobalTable) {
  Frame frame = FullFrame(5, 3, 0);
  const auto file = WriteGif(5, 3, kPalette, {frame});
  Image image = Decode(file);
  ASSERT_EQ(image.width, 5);
  ASSERT_EQ(image.height, 3);
  ExpectFramePixels(image, frame, kPalette);
  Expected<ImageInfo> info = ReadGifInfo(file, "test.gif");
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->kind, FileKind::Gif);
  EXPECT_EQ(info->width, 5);
  EXPECT_EQ(info->height, 3);
  EXPECT_EQ(info->orientation, 1);
}

TEST(GifDecode, TransparentIndexBecomesFullyTransparent) {
  Frame frame = FullFrame(8, 4, 3);
  frame.transparent = 5;
  Image image = Decode(WriteGif(8, 4, kPalette, {frame}));
  ExpectFramePixels(image, frame, kPalette);
  int clear = 0;
  for (std::size_t i = 3; i < image.pixels.size(); i += 4) clear += image.pixels[i] == 0;
  EXPECT_EQ(clear, 4);  // index 5 appears once in every 8 pixels
}

// Beyond its frames a screen holds only transparent pixels, so it is cut
// to their bounding box; the shown frame keeps its place within the box.
TEST(GifDecode, AScreenLargerThanItsFramesIsCroppedToThem) {
  Frame frame = FullFrame(3, 2, 1);
  frame.left = 4;
  frame.top = 1;
  auto file = WriteGif(9, 5, kPalette, {frame});
  Image image = Decode(file);
  ExpectSize(file, image, 3, 2);
  ExpectFramePixelsAt(image, frame, kPalette, 0, 0);

  Frame later = FullFrame(2, 2, 6);
  later.left = 1;
  later.top = 3;
  file = WriteGif(9, 5, kPalette, {frame, later});
  image = Decode(file);
  ExpectSize(file, image, 6, 4);  // x 1..6, y 1..4
  ExpectFramePixelsAt(image, frame, kPalette, 3, 0);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(PixelAt(image, 0, 3), (Rgba{0, 0, 0, 0}));  // only the first frame is drawn
}

TEST(GifDecode, FramePartBeyondTheScreenIsCut) {
  Frame frame = FullFrame(4, 4, 2);
  frame.left = 2;
  frame.top = 1;
  const auto file = WriteGif(3, 3, kPalette, {frame});
  Image image = Decode(file);
  ExpectSize(file, image, 1, 2);
  EXPECT_EQ(PixelAt(image, 0, 0), Opaque(kPalette[frame.indices[0]]));
  EXPECT_EQ(PixelAt(image, 0, 1), Opaque(kPalette[frame.indices[4]]));
}

TEST(GifDecode, InterlacedFrameEqualsSequentialOne) {
  for (int height : {1, 2, 3, 5, 8, 9, 17}) {
    Frame sequential = FullFrame(6, height, 4);
    Frame interlaced = sequential;
    interlaced.interlace = true;
    Image a = Decode(WriteGif(6, height, kPalette, {sequential}));
    Image b = Decode(WriteGif(6, height, kPalette, {interlaced}));
    ExpectFramePixels(b, sequential, kPalette);
    EXPECT_TRUE(a.pixels == b.pixels) << "height " << height;
  }
}

TEST(GifDecode, LocalTableWinsOverGlobal) {
  Frame frame = FullFrame(4, 2, 0);
  frame.local_colors = {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}, {6, 6, 6},
                        {5, 5, 5}, {4, 4, 4}, {3, 3, 3}, {2, 2, 2}};
  Image image = Decode(WriteGif(4, 2, kPalette, {frame}));
  ExpectFramePixels(image, frame, frame.local_colors);
}

TEST(GifDecode, OnlyTheFirstFrameIsShown) {
  Frame first = FullFrame(4, 4, 0);
  Frame second = FullFrame(4, 4, 5);
  Image image = Decode(WriteGif(4, 4, kPalette, {first, second}));
  ExpectFramePixels(image, first, kPalette);
}

// The encoder masks indices to its table's size, so the table is shrunk in
// the written file instead: the screen descriptor's size field says four
// colours and the last four entries (12 bytes) are taken out.
std::vector<std::uint8_t> WithGlobalTableShrunkToFour(std::vector<std::uint8_t> file) {
  EXPECT_EQ(file[10] & 0x87, 0x82);  // global table of 8
  file[10] = static_cast<std::uint8_t>((file[10] & ~0x07) | 0x01);
  file.erase(file.begin() + 13 + 12, file.begin() + 13 + 24);
  return file;
}

TEST(GifDecode, IndexPastTheTableIsOpaqueBlack) {
  Frame frame = FullFrame(8, 1, 0);
  Image image = Decode(WithGlobalTableShrunkToFour(WriteGif(8, 1, kPalette, {frame})));
  for (int x = 0; x < 8; ++x) {
    const int index = frame.indices[static_cast<std::size_t>(x)];
    const Rgba expected = index < 4 ? Opaque(kPalette[index]) : Rgba{0, 0, 0, 255};
    EXPECT_EQ(PixelAt(image, x, 0), expected) << x;
  }
}

TEST(GifDecode, AZeroScreenTakesTheFramesBox) {
  Frame frame = FullFrame(3, 2, 0);
  frame.left = 1;
  frame.top = 2;
  auto file = WriteGif(3, 2, kPalette, {frame});
  file[6] = file[7] = file[8] = file[9] = 0;  // screen width and height
  Image image = Decode(file);
  ExpectSize(file, image, 3, 2);
  ExpectFramePixelsAt(image, frame, kPalette, 0, 0);
}

// ---- Bad input ------------------------------------------------------------------

TEST(GifBadInput, EveryCutBeforeTheFrameEndsFails) {
  Frame frame = FullFrame(13, 11, 2);
  const auto whole = WriteGif(13, 11, kPalette, {frame});
  ASSERT_EQ(whole.back(), ';');
  // Everything up to the frame's last data block is needed; only the
  // trailer byte is not.
  for (std::size_t length = 0; length + 1 < whole.size(); ++length) {
    Image image;
    Status status = DecodeGif(std::span(whole.data(), length), "cut.gif", image);
    EXPECT_FALSE(status.ok()) << "cut at " << length;
    EXPECT_NE(status.message().find("cut.gif"), std::string::npos) << status.message();
  }
  Image image;
  EXPECT_TRUE(DecodeGif(std::span(whole.data(), whole.size() - 1), "cut.gif", image).ok());
}

TEST(GifBadInput, GarbageAfterTheHeaderFailsCleanly) {
  std::vector<std::uint8_t> file = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 4, 0, 0xF0, 0, 0};
  std::uint32_t state = 12345;
  for (int i = 0; i < 400; ++i) {
    state = state * 1103515245u + 12345u;
    file.push_back(static_cast<std::uint8_t>(state >> 24));
  }
  Image image;
  EXPECT_FALSE(DecodeGif(file, "noise.gif", image).ok());
}

TEST(GifBadInput, CorruptPixelDataFails) {
  Frame frame = FullFrame(16, 16, 1);
  auto file = WriteGif(16, 16, kPalette, {frame});
  // The LZW data starts after header, screen, table (24 bytes) and image
  // descriptor; make the first code a code that cannot occur yet.
  const std::size_t lzw = 13 + 24 + 10;
  ASSERT_EQ(file[lzw], 3);  // minimum code size for 8 colours
  for (std::size_t i = lzw + 2; i < file.size() - 3; ++i) file[i] = 0xFF;
  Image image;
  Status status = DecodeGif(file, "lzw.gif", image);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("lzw.gif"), std::string::npos);
}

TEST(GifBadInput, NoColourTableFails) {
  // giflib will not write a frame without a table, so the global one is
  // cut out of a written file.
  auto file = WriteGif(2, 2, kPalette, {FullFrame(2, 2, 0)});
  file[10] = static_cast<std::uint8_t>(file[10] & 0x7F);
  file.erase(file.begin() + 13, file.begin() + 13 + 24);
  Image image;
  Status status = DecodeGif(file, "bare.gif", image);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message(), "Invalid GIF: no colour table in bare.gif");
}

TEST(GifBadInput, OversizedScreenIsRefusedBeforeAllocating) {
  Frame frame = FullFrame(2, 2, 0);
  auto file = WriteGif(2, 2, kPalette, {frame});
  file[6] = file[7] = file[8] = file[9] = 0xFF;  // 65535 x 65535
  EXPECT_FALSE(ReadGifInfo(file, "huge.gif").ok());
  Image image;
  Status status = DecodeGif(file, "huge.gif", image);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("huge.gif"), std::string::npos);
}

// One colour throughout is what LZW compresses best; an encoder's honest
// file of it stays well inside the bound on pixels per byte of data.
TEST(GifBadInput, AFlatFrameIsNotMistakenForAnImplausibleOne) {
  Frame frame;
  frame.width = 2000;
  frame.height = 1500;
  frame.indices.assign(2000u * 1500u, 3);
  const auto file = WriteGif(2000, 1500, kPalette, {frame});
  ASSERT_LT(file.size(), 2000u * 1500u / 300u);  // it is highly compressed
  Image image = Decode(file);
  EXPECT_EQ(image.width, 2000);
  EXPECT_EQ(PixelAt(image, 1999, 1499), Opaque(kPalette[3]));
}

TEST(GifBadInput, NotAGif) {
  const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_FALSE(IsGif(png));
  Image image;
  EXPECT_FALSE(DecodeGif(png, "fake.gif", image).ok());
  EXPECT_FALSE(ReadGifInfo(png, "fake.gif").ok());
}

}  // namespace
}  // namespace vr
