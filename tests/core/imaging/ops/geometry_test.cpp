// Changing a picture's geometry. The Lanczos resampler against a plain
// floating-point Lanczos, its properties on flat colour and alpha, the
// weights it computes. Rotation:
// quarter turns exact and counter-clockwise, free angles keeping colour and
// coverage. The EXIF orientations as the turns and mirrors they name. Sizes
// no picture can have give an empty one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/imaging/pixel_test_util.h"
#include "imaging/ops/orientation.h"
#include "imaging/ops/resample.h"
#include "imaging/ops/resample_coefficients.h"
#include "imaging/ops/resample_kernels.h"
#include "imaging/ops/rotate.h"

namespace vr {
namespace {

using namespace test;
// A straightforward Lanczos3 in doubles along one axis: same sample centres,
// support widened by the scale when shrinking, weights normalised where the
// window meets an edge; clamped to bytes after each pass.
std::vector<double> ReferencePass(const std::vector<double>& in, int in_size, int out_size, int lines) {
  std::vector<double> out(static_cast<std::size_t>(out_size) * lines);
  const double scale = double(in_size) / out_size, widen = std::max(1.0, scale);
  auto sinc = [](double x) { return x == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x); };
  for (int i = 0; i < out_size; ++i) {
    std::vector<double> w(in_size);
    double total = 0;
    for (int k = 0; k < in_size; ++k) {
      const double d = (k + 0.5 - (i + 0.5) * scale) / widen;
      total += w[k] = std::abs(d) < 3 ? sinc(d) * sinc(d / 3) : 0;
    }
    for (int line = 0; line < lines; ++line) {
      double v = 0;
      for (int k = 0; k < in_size; ++k) v += in[static_cast<std::size_t>(line) * in_size + k] * w[k] / total;
      out[static_cast<std::size_t>(line) * out_size + i] = std::clamp(v, 0.0, 255.0);
    }
  }
  return out;
}

using SizeChange = std::tuple<int, int, int, int>;  // source w, h, target w, h

class ResampleSizes : public testing::TestWithParam<SizeChange> {};

TEST_P(ResampleSizes, AgreesWithAFloatingPointLanczosAndKeepsFlatColourExactly) {
  const auto [sw, sh, tw, th] = GetParam();
  const Image in = MakeRandomImage(sw, sh, 12);
  const Image out = ResampleImage(in, tw, th);
  ASSERT_EQ(std::pair(out.width, out.height), std::pair(tw, th));
  for (int c = 0; c < 3; ++c) {
    std::vector<double> rows(static_cast<std::size_t>(sw) * sh), columns(static_cast<std::size_t>(tw) * sh);
    for (int i = 0; i < sw * sh; ++i) rows[i] = in.pixels[i * 4 + c];
    const std::vector<double> across = ReferencePass(rows, sw, tw, sh);
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < tw; ++x) columns[static_cast<std::size_t>(x) * sh + y] = across[y * tw + x];
    const std::vector<double> want = ReferencePass(columns, sh, th, tw);
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x)
        ASSERT_NEAR(PixelAt(out, x, y)[c], want[static_cast<std::size_t>(x) * th + y], 1.0) << x << "," << y;
  }
  for (Rgba colour : {Rgba{200, 17, 99, 255}, Rgba{90, 140, 33, 128}, Rgba{255, 1, 60, 7}})
    EXPECT_EQ(ResampleImage(MakeImage(sw, sh, colour), tw, th).pixels, MakeImage(tw, th, colour).pixels);
}

INSTANTIATE_TEST_SUITE_P(UpAndDown, ResampleSizes,
                         testing::Values(SizeChange{45, 31, 17, 40}, SizeChange{64, 48, 7, 5},
                                         SizeChange{101, 37, 13, 11}, SizeChange{40, 30, 97, 73},
                                         SizeChange{300, 200, 299, 201}, SizeChange{50, 80, 50, 20},
                                         SizeChange{17, 9, 17, 9}, SizeChange{1, 1, 9, 4},
                                         SizeChange{999, 2, 150, 1}, SizeChange{40, 40, 1, 1}));

// Colour is weighed by alpha: fully transparent red lends nothing to opaque
// green beside it, half-transparent red counts half.
TEST(ResampleAlpha, ColourIsWeighedByItsAlpha) {
  for (std::uint8_t red_alpha : {0, 128}) {
    Image in = MakeImage(64, 30, {0, 255, 0, 255});
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 64; x += 2) SetPixel(in, x, y, {255, 0, 0, red_alpha});
    for (auto [w, h] : {std::pair{32, 30}, {7, 9}, {80, 60}}) {
      const Image out = ResampleImage(in, w, h);
      for (int x = w / 4; x < w - w / 4; ++x)
        EXPECT_NEAR(PixelAt(out, x, h / 2)[0], 255.0 * red_alpha / (red_alpha + 255),
                    w == 32 || !red_alpha ? 3 : 255);
    }
  }
}

TEST(ResampleCoefficients, WindowsStayInsideTheSourceMoveForwardAndSumToOne) {
  struct Axis {
    int in;
    double box_start, box_extent;  // extent 0: the whole input
    int out;
  };
  for (Axis a :
       {Axis{100, 0, 0, 7}, Axis{7, 0, 0, 100}, Axis{3, 0, 0, 1}, Axis{1, 0, 0, 5}, Axis{4000, 0, 0, 300},
        Axis{301, 0, 0, 300}, Axis{960, 0, 959.25, 300}, Axis{683, 0.5, 682.5, 170}, Axis{3, 0, 2.125, 1}}) {
    AxisCoefficients c;
    ComputeLanczos3Coefficients(a.in, a.box_start, a.box_extent > 0 ? a.box_extent : a.in, a.out, c);
    ASSERT_EQ(c.out_size, a.out);
    for (int i = 0; i < a.out; ++i) {
      // Inside the source, and only moving forward: the resampler's ring of rows relies on it.
      ASSERT_TRUE(c.start[i] >= 0 && c.count[i] >= 1 && c.count[i] <= c.taps &&
                  c.start[i] + c.count[i] <= a.in &&
                  (i == 0 || (c.start[i] >= c.start[i - 1] &&
                              c.start[i] + c.count[i] >= c.start[i - 1] + c.count[i - 1])));
      std::int64_t sum = 0, magnitude = 0;
      for (int k = 0; k < c.count[i]; ++k) {
        sum += c.WeightsAt(i)[k];
        magnitude += std::abs(c.WeightsAt(i)[k]);
        EXPECT_LE(std::abs(c.WeightsAt(i)[k]), 32767);  // narrowed to 16 bits in the inner loops
      }
      EXPECT_EQ(sum, 1 << kWeightBits) << a.in << "->" << a.out << " at " << i;
      EXPECT_LT(magnitude, 3 << kWeightBits);  // room in the 32-bit accumulators
    }
  }
}

// A box of the whole picture, an empty or bad one, or one past the far edge
// is the plain resample; a reused resampler, also resampling in place, gives
// what a fresh one gives.
TEST(ResampleConsistency, BoxesAndReusedResamplersAgreeWithThePlainResample) {
  const Image a = MakeRandomImage(53, 41, 1, true), b = MakeRandomImage(45, 70, 2, true);
  const Image plain = ResampleImage(a, 20, 17);
  for (const SourceBox& box :
       {WholeSourceBox(a), SourceBox{}, SourceBox{-3, 0, 0, -1}, SourceBox{0, 0, 90, 70}})
    EXPECT_EQ(ResampleImage(a, box, 20, 17).pixels, plain.pixels);
  Resampler reused;
  Image out, image = a;
  reused.Resample(b, 90, 31, out);
  reused.Resample(image, 20, 17, image);
  EXPECT_EQ(image.pixels, plain.pixels);
}

// ---- Rotation and orientation ------------------------------------------------------

// The dispatching kernels take AVX2 where the processor has it, so on such a
// machine the scalar ones run nowhere else: both are held to each other at
// every remainder of the fast step.
TEST(ResampleConsistency, FastAndScalarKernelsAgree) {
  const Image row = MakeRandomImage(263, 1, 7);
  for (int out_size : {1, 3, 50, 87, 131, 263, 700}) {
    AxisCoefficients c;
    ComputeLanczos3Coefficients(263, out_size, c);
    const std::vector<std::int16_t> w(c.weights.begin(), c.weights.end());
    std::vector<std::int16_t> fast(out_size * 4), slow(out_size * 4);
    resample_detail::FilterOpaqueRowScalar(row.row(0), c, w.data(), slow.data());
    resample_detail::FilterOpaqueRow(row.row(0), c, w.data(), fast.data());
    EXPECT_EQ(fast, slow) << out_size;
  }
  for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 67u}) {
    std::vector<std::int16_t> a(n), b(n);
    for (std::size_t i = 0; i < n; ++i) {
      a[i] = static_cast<std::int16_t>(i * 761 % 32641);
      b[i] = static_cast<std::int16_t>(32640 - i * 97);
    }
    std::vector<std::int32_t> fast(n, -3), slow(n, -3);
    resample_detail::AccumulateTwoRowsScalar(a.data(), -7000, b.data(), 23000, n, slow.data());
    resample_detail::AccumulateTwoRows(a.data(), -7000, b.data(), 23000, n, fast.data());
    EXPECT_EQ(fast, slow) << n;
  }
}

TEST(Rotate, NinetyTurnsCounterClockwiseAndWholeQuartersAreExact) {
  Image image = MakeImage(4, 3, {90, 90, 90, 255});
  SetPixel(image, 3, 0, {255, 0, 0, 255});
  const Image turned = RotateImage(image, 90.0f);  // the top-right corner becomes the top-left
  ASSERT_TRUE(turned.width == 3 && turned.height == 4 && PixelAt(turned, 0, 0) == (Rgba{255, 0, 0, 255}));
  const Image original = MakeRandomImage(7, 4, 21, /*random_alpha=*/true),
              once = RotateImage(original, 90.0f);
  EXPECT_EQ(RotateImage(RotateImage(once, 90.0f), 180.0f).pixels, original.pixels);
  EXPECT_EQ(RotateImage(original, 180.0f).pixels, RotateImage(once, 90.0f).pixels);
  for (float angle : {-270.0f, 450.0f, -630.0f, 3600090.0f})
    EXPECT_EQ(RotateImage(original, angle).pixels, once.pixels);
  // 1e10 is exact in float and leaves 280 after whole turns.
  EXPECT_EQ(RotateImage(original, 1e10f).pixels, RotateImage(original, 280.0f).pixels);
  for (float angle : {0.0f, -0.0f, 360.0f, -720.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()})
    EXPECT_EQ(RotateImage(original, angle).pixels, original.pixels) << angle;
}

// Left half opaque, right half fully transparent but holding red: at any
// angle the covered area is kept, visible pixels keep the colour and nothing
// of the red bleeds in.
TEST(Rotate, FreeAnglesKeepColourAndCoverageAndLendNothingFromTransparentPixels) {
  const Rgba colour{200, 17, 99, 255};
  Image image = MakeImage(40, 20, colour);
  for (int y = 0; y < 20; ++y)
    for (int x = 20; x < 40; ++x) SetPixel(image, x, y, {255, 0, 0, 0});
  for (float angle : {10.0f, 45.0f, 137.0f, 300.0f}) {
    const Image turned = RotateImage(image, angle);
    double coverage = 0;
    for (std::size_t i = 0; i < turned.pixels.size(); i += 4) {
      coverage += turned.pixels[i + 3] / 255.0;
      const Rgba p{turned.pixels[i], turned.pixels[i + 1], turned.pixels[i + 2], 255};
      ASSERT_TRUE(turned.pixels[i + 3] == 0 || p == colour) << angle << " at byte " << i;
    }
    EXPECT_NEAR(coverage, 400.0, 6.0) << angle;
  }
}

// 2 mirrors left-right, 3, 6 and 8 turn by a half, a quarter clockwise and a
// quarter counter-clockwise; 4, 5 and 7 mirror first and then turn. Larger
// than one copy tile, with odd sides, so tile edges are exercised.
TEST(Orientation, EachTagIsTheTurnAndMirrorItNames) {
  const Image original = MakeRandomImage(131, 70, 5, true);
  Image mirrored = original;
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 131; ++x) SetPixel(mirrored, x, y, PixelAt(original, 130 - x, y));
  const Image half = RotateImage(original, 180.0f), half_mirrored = RotateImage(mirrored, 180.0f);
  // clang-format off
  const Image expected[] = {original, mirrored, half, half_mirrored, RotateImage(mirrored, 90.0f),
                            RotateImage(original, -90.0f), RotateImage(mirrored, -90.0f), RotateImage(original, 90.0f)};
  // clang-format on
  // Tags outside 1..8 and empty pictures are left as they are.
  for (int tag : {1, 2, 3, 4, 5, 6, 7, 8, 0, -1, 9, 255}) {
    Image image = original;
    ApplyOrientation(image, tag);
    const Image& want = tag >= 1 && tag <= 8 ? expected[tag - 1] : original;
    EXPECT_TRUE(image.width == want.width && image.pixels == want.pixels) << tag;
  }
  Image empty;
  ApplyOrientation(empty, 6);
  EXPECT_TRUE(empty.empty());
}

TEST(GeometryVulnerability, SizesNoPictureCanHaveGiveAnEmptyOne) {
  const Image in = MakeImage(8, 8, {1, 2, 3, 255});
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {5, -1}, {70000, 2}, {60000, 60000}}) {
    Image out = MakeImage(2, 2, {9, 9, 9, 9});
    Resampler().Resample(in, w, h, out);
    EXPECT_TRUE(out.empty() && out.pixels.empty()) << w << "x" << h;
  }
  EXPECT_TRUE(RotateImage(Image{}, 30).empty() && RotateImage(Image{}, 90).empty() &&
              ResampleImage(Image{}, 10, 10).empty());
  // 65535 x 1 turned 45 degrees would need a 46341-pixel square, over 256
  // megapixels; the quarter turn needs no more room than the picture had.
  const Image line = MakeImage(65535, 1, {90, 90, 90, 255});
  EXPECT_TRUE(RotateImage(line, 45.0f).empty() && RotateImage(line, 90.0f).height == 65535);
}

}  // namespace
}  // namespace vr
