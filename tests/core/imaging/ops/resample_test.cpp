#include "imaging/ops/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "core/imaging/pixel_test_util.h"
#include "imaging/ops/resample_coefficients.h"
#include "imaging/ops/resample_kernels.h"

namespace vr {
namespace {

using test::MakeImage;
using test::PixelAt;
using test::Rgba;

double ChannelMean(const Image& image, int channel) {
  double sum = 0;
  for (std::size_t i = channel; i < image.pixels.size(); i += 4) sum += image.pixels[i];
  return sum / (static_cast<double>(image.width) * image.height);
}

// ---- Accuracy --------------------------------------------------------------

using SizeChange = std::tuple<int, int, int, int>;  // source w, h, target w, h

class ResampleSizes : public testing::TestWithParam<SizeChange> {};

TEST_P(ResampleSizes, OneColourStaysExactlyThatColour) {
  auto [sw, sh, tw, th] = GetParam();
  for (Rgba colour :
       {Rgba{200, 17, 99, 255}, Rgba{0, 255, 128, 255}, Rgba{90, 140, 33, 128}, Rgba{255, 1, 60, 7}}) {
    Image out = ResampleImage(MakeImage(sw, sh, colour), tw, th);
    ASSERT_EQ(out.width, tw);
    ASSERT_EQ(out.height, th);
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x) ASSERT_EQ(PixelAt(out, x, y), colour) << x << "," << y;
  }
}

TEST_P(ResampleSizes, MeanOfNoiseIsKept) {
  auto [sw, sh, tw, th] = GetParam();
  const Image in = test::MakeRandomImage(sw, sh, 11);
  const Image out = ResampleImage(in, tw, th);
  // Averaging noise pulls filtered values towards the mean, so the mean of
  // the result stays within a level of the source's.
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(ChannelMean(out, c), ChannelMean(in, c), 1.0) << "channel " << c;
  EXPECT_EQ(ChannelMean(out, 3), 255.0);
}

INSTANTIATE_TEST_SUITE_P(UpAndDown, ResampleSizes,
                         testing::Values(SizeChange{64, 48, 32, 24}, SizeChange{64, 48, 7, 5},
                                         SizeChange{101, 37, 13, 11}, SizeChange{40, 30, 97, 73},
                                         SizeChange{5, 5, 64, 64}, SizeChange{300, 200, 299, 201},
                                         SizeChange{50, 80, 50, 20}, SizeChange{80, 50, 20, 50},
                                         SizeChange{1, 1, 9, 4}, SizeChange{999, 2, 150, 1}));

TEST(ResampleAccuracy, HalvingASmoothRampKeepsTheRamp) {
  // A horizontal ramp 0, 2, 4, ... halved: output pixel x covers source 2x and
  // 2x+1, so away from the edges it should be close to 4x + 1.
  Image in;
  in.Resize(128, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 128; ++x) test::SetPixel(in, x, y, {static_cast<std::uint8_t>(2 * x), 0, 0, 255});
  const Image out = ResampleImage(in, 64, 4);
  for (int x = 4; x < 60; ++x) EXPECT_NEAR(PixelAt(out, x, 2)[0], 4 * x + 1, 1) << x;
}

TEST(ResampleAccuracy, EnlargingKeepsSourceValuesNearTheirPlaces) {
  // Doubling a 2-level step: far from the step the levels are untouched, and
  // every value stays inside 0..255 even though Lanczos rings at the step.
  Image in = MakeImage(16, 16, {20, 20, 20, 255});
  for (int y = 0; y < 16; ++y)
    for (int x = 8; x < 16; ++x) test::SetPixel(in, x, y, {230, 230, 230, 255});
  const Image out = ResampleImage(in, 32, 32);
  ASSERT_EQ(out.width, 32);
  EXPECT_EQ(PixelAt(out, 2, 10)[0], 20);
  EXPECT_EQ(PixelAt(out, 29, 10)[0], 230);
  // The step stays between source columns 7 and 8, i.e. output columns 15 and 16.
  EXPECT_LT(PixelAt(out, 14, 10)[0], 125);
  EXPECT_GT(PixelAt(out, 17, 10)[0], 125);
}

// ---- Alpha -----------------------------------------------------------------

TEST(ResampleAlpha, FullyTransparentPixelsLendNoColour) {
  // A checker of opaque green and fully transparent red: every visible result
  // must be pure green, whatever the weights.
  Image in;
  in.Resize(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      test::SetPixel(in, x, y, ((x + y) % 2) ? Rgba{0, 255, 0, 255} : Rgba{255, 0, 0, 0});
  for (auto [w, h] :
       {std::pair{20, 15}, std::pair{7, 9}, std::pair{80, 60}, std::pair{40, 11}, std::pair{13, 30}}) {
    const Image out = ResampleImage(in, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const Rgba p = PixelAt(out, x, y);
        if (p[3] == 0) continue;
        EXPECT_EQ(p[0], 0) << w << "x" << h << " at " << x << "," << y;
        EXPECT_EQ(p[1], 255) << w << "x" << h << " at " << x << "," << y;
      }
  }
}

TEST(ResampleAlpha, HalfTransparentColourWeighsByItsAlpha) {
  // Columns alternate opaque green and half-transparent red. Halving the width
  // averages one of each: premultiplied, red counts with half the weight of
  // green, so red is about 255 * 128 / 383 and green 255 * 255 / 383.
  Image in;
  in.Resize(64, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 64; ++x)
      test::SetPixel(in, x, y, (x % 2) ? Rgba{0, 255, 0, 255} : Rgba{255, 0, 0, 128});
  const Image out = ResampleImage(in, 32, 8);
  for (int x = 4; x < 28; ++x) {
    const Rgba p = PixelAt(out, x, 4);
    EXPECT_NEAR(p[0], 255.0 * 128 / 383, 3) << x;
    EXPECT_NEAR(p[1], 255.0 * 255 / 383, 3) << x;
    EXPECT_NEAR(p[3], (128 + 255) / 2.0, 2) << x;
  }
}

TEST(ResampleAlpha, TransparentEverywhereStaysTransparent) {
  const Image out = ResampleImage(MakeImage(30, 20, {255, 255, 255, 0}), 11, 7);
  for (std::size_t i = 3; i < out.pixels.size(); i += 4) EXPECT_EQ(out.pixels[i], 0);
}

// ---- Sizes -----------------------------------------------------------------

TEST(ResampleSizesExact, OddSizesAndSinglePixelSides) {
  const Image in = test::MakeRandomImage(37, 23, 3, true);
  const std::pair<int, int> targets[] = {{1, 1},  {1, 23},  {37, 1},  {1, 50},
                                         {50, 1}, {3, 101}, {19, 11}, {38, 24}};
  for (auto [w, h] : targets) {
    const Image out = ResampleImage(in, w, h);
    EXPECT_EQ(out.width, w);
    EXPECT_EQ(out.height, h);
    EXPECT_EQ(out.pixels.size(), static_cast<std::size_t>(w) * h * 4);
  }
  // And from single-pixel sides.
  for (auto [sw, sh] : {std::pair{1, 9}, std::pair{9, 1}, std::pair{1, 1}}) {
    const Image src = MakeImage(sw, sh, {10, 20, 30, 255});
    const Image out = ResampleImage(src, 5, 6);
    ASSERT_EQ(out.width, 5);
    ASSERT_EQ(out.height, 6);
    EXPECT_EQ(PixelAt(out, 4, 5), (Rgba{10, 20, 30, 255}));
  }
}

TEST(ResampleSizesExact, ShrinkToOnePixelGivesTheMean) {
  const Image in = test::MakeRandomImage(40, 40, 9);
  const Image out = ResampleImage(in, 1, 1);
  ASSERT_EQ(out.width, 1);
  // Lanczos over the whole picture with a window this wide is close to a plain mean.
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(PixelAt(out, 0, 0)[c], ChannelMean(in, c), 6.0);
}

TEST(ResampleSizesExact, SameSizeIsAnExactCopy) {
  const Image in = test::MakeRandomImage(17, 9, 4, true);
  EXPECT_EQ(ResampleImage(in, 17, 9).pixels, in.pixels);
}

// ---- Consistency -----------------------------------------------------------

TEST(ResampleConsistency, UnchangedWidthIsCopiedAcrossEachRow) {
  // Every row the same random row; only the height changes, so each output
  // row must equal that row exactly (opaque and semi-transparent pixels).
  const Image row = test::MakeRandomImage(29, 1, 21, false);
  Image in;
  in.Resize(29, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 29; ++x) {
      Rgba p = PixelAt(row, x, 0);
      if (x % 3 == 0) p[3] = static_cast<std::uint8_t>(128 + x);  // some semi-transparent columns
      test::SetPixel(in, x, y, p);
    }
  for (int h : {5, 30}) {
    const Image out = ResampleImage(in, 29, h);
    ASSERT_EQ(out.height, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < 29; ++x)
        ASSERT_EQ(PixelAt(out, x, y), PixelAt(in, x, 0)) << "h " << h << " at " << x << "," << y;
  }
}

TEST(ResampleConsistency, UnchangedHeightIsCopiedDownEachColumn) {
  const Image column = test::MakeRandomImage(1, 31, 22, false);
  Image in;
  in.Resize(14, 31);
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 14; ++x) test::SetPixel(in, x, y, PixelAt(column, 0, y));
  for (int w : {3, 40}) {
    const Image out = ResampleImage(in, w, 31);
    for (int y = 0; y < 31; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(PixelAt(out, x, y), PixelAt(in, 0, y)) << x << "," << y;
  }
}

TEST(ResampleConsistency, ReusedResamplerMatchesAFreshOne) {
  // Scratch buffers and cached weights must not leak from one call to the next.
  Resampler reused;
  Image out;
  const Image a = test::MakeRandomImage(60, 40, 1, true);
  const Image b = test::MakeRandomImage(45, 70, 2, true);
  for (int round = 0; round < 2; ++round) {
    reused.Resample(a, 20, 13, out);
    EXPECT_EQ(out.pixels, ResampleImage(a, 20, 13).pixels);
    reused.Resample(b, 90, 31, out);
    EXPECT_EQ(out.pixels, ResampleImage(b, 90, 31).pixels);
    reused.Resample(a, 60, 7, out);
    EXPECT_EQ(out.pixels, ResampleImage(a, 60, 7).pixels);
  }
}

TEST(ResampleConsistency, ResamplingInPlaceMatches) {
  const Image original = test::MakeRandomImage(33, 21, 8);
  Image image = original;
  Resampler resampler;
  resampler.Resample(image, 10, 40, image);
  EXPECT_EQ(image.pixels, ResampleImage(original, 10, 40).pixels);
}

TEST(ResampleConsistency, MirroredSourceGivesMirroredResult) {
  const Image in = test::MakeRandomImage(50, 10, 6);
  Image mirrored = in;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 50; ++x) test::SetPixel(mirrored, x, y, PixelAt(in, 49 - x, y));
  const Image a = ResampleImage(in, 17, 10);
  const Image b = ResampleImage(mirrored, 17, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 17; ++x)
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(PixelAt(a, x, y)[c], PixelAt(b, 16 - x, y)[c], 1);
}

// ---- Coefficients ----------------------------------------------------------

TEST(ResampleCoefficients, WindowsAreInsideTheSourceAndSumToOne) {
  struct Axis {
    int in;
    double box_start, box_extent;  // extent 0: the whole input
    int out;
  };
  for (Axis a : {Axis{100, 0, 0, 7}, Axis{7, 0, 0, 100}, Axis{3, 0, 0, 1}, Axis{1, 0, 0, 5},
                 Axis{4000, 0, 0, 300}, Axis{301, 0, 0, 300}, Axis{2, 0, 0, 3}, Axis{960, 0, 959.25, 300},
                 Axis{683, 0.5, 682.5, 170}, Axis{374, 0, 373.5, 187}, Axis{3, 0, 2.125, 1}}) {
    const int in = a.in, out = a.out;
    AxisCoefficients c;
    ComputeLanczos3Coefficients(in, a.box_start, a.box_extent > 0 ? a.box_extent : in, out, c);
    ASSERT_EQ(c.out_size, out);
    int previous_start = 0, previous_end = 0;
    for (int i = 0; i < out; ++i) {
      ASSERT_GE(c.start[i], 0);
      ASSERT_GE(c.count[i], 1);
      ASSERT_LE(c.count[i], c.taps);
      ASSERT_LE(c.start[i] + c.count[i], in);
      // The resampler's ring of rows relies on windows that only move forward.
      EXPECT_GE(c.start[i], previous_start);
      EXPECT_GE(c.start[i] + c.count[i], previous_end);
      previous_start = c.start[i];
      previous_end = c.start[i] + c.count[i];
      std::int64_t sum = 0, magnitude = 0;
      for (int k = 0; k < c.count[i]; ++k) {
        const std::int32_t w = c.WeightsAt(i)[k];
        sum += w;
        magnitude += std::abs(w);
        // The inner loops narrow weights to 16 bits.
        EXPECT_LE(std::abs(w), 32767);
      }
      EXPECT_EQ(sum, 1 << kWeightBits) << in << "->" << out << " at " << i;
      // The 32-bit accumulators have room for sums of |w| up to 4.
      EXPECT_LT(magnitude, 3 << kWeightBits) << in << "->" << out << " at " << i;
    }
  }
}

TEST(ResampleBox, ShrinkingAPartlyFilledPictureFollowsThePictureNotItsPixels) {
  // A ramp whose last column holds only a quarter pixel of picture, as a
  // JPEG side of 4n+1 shrunk to a quarter: value = 2 * (picture position).
  // Resampled over the true 60.25 columns, output x lies at (x + 0.5) * 60.25
  // / 20 of the picture; over all 61 columns it would drift by up to 1.5.
  Image in;
  in.Resize(61, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 61; ++x) test::SetPixel(in, x, y, {static_cast<std::uint8_t>(2 * x + 1), 0, 0, 255});
  const Image out = ResampleImage(in, SourceBox{0, 0, 60.25, 3}, 20, 3);
  ASSERT_EQ(out.width, 20);
  for (int x = 2; x < 18; ++x) EXPECT_NEAR(PixelAt(out, x, 1)[0], 2 * (x + 0.5) * 60.25 / 20, 0.6) << x;
}

TEST(ResampleBox, AWholeBoxIsThePlainResampleAndABadOneMeansTheWholePicture) {
  const Image in = test::MakeRandomImage(53, 41, 5);
  const Image plain = ResampleImage(in, 20, 17);
  EXPECT_EQ(ResampleImage(in, WholeSourceBox(in), 20, 17).pixels, plain.pixels);
  EXPECT_EQ(ResampleImage(in, SourceBox{}, 20, 17).pixels, plain.pixels);
  EXPECT_EQ(ResampleImage(in, SourceBox{-3, 0, 0, -1}, 20, 17).pixels, plain.pixels);
  // A box beyond the far edge is cut there.
  EXPECT_EQ(ResampleImage(in, SourceBox{0, 0, 90, 70}, 20, 17).pixels, plain.pixels);
}

TEST(ResampleBox, ABoxOfTheSameSizeIsStillFiltered) {
  // Same pixel count, but the picture is a fraction smaller: not a copy.
  const Image in = test::MakeRandomImage(40, 30, 9);
  const Image out = ResampleImage(in, SourceBox{0, 0, 39.5, 29.5}, 40, 30);
  ASSERT_EQ(out.width, 40);
  EXPECT_NE(out.pixels, in.pixels);
}

TEST(ResampleBox, ShrunkDecodeBoxFollowsTheTurnOnLoad) {
  // 2561 x 1366 stored, at 1/4: 641 x 342 pixels holding 640.25 x 341.5 of picture.
  struct Case {
    int orientation;
    SourceBox box;
  };
  for (const Case& c : {Case{1, {0, 0, 640.25, 341.5}}, Case{2, {0.75, 0, 640.25, 341.5}},
                        Case{3, {0.75, 0.5, 640.25, 341.5}}, Case{4, {0, 0.5, 640.25, 341.5}},
                        Case{5, {0, 0, 341.5, 640.25}}, Case{6, {0.5, 0, 341.5, 640.25}},
                        Case{7, {0.5, 0.75, 341.5, 640.25}}, Case{8, {0, 0.75, 341.5, 640.25}}}) {
    const SourceBox box = ShrunkDecodeBox(2561, 1366, 4, c.orientation);
    EXPECT_EQ(box.x, c.box.x) << c.orientation;
    EXPECT_EQ(box.y, c.box.y) << c.orientation;
    EXPECT_EQ(box.width, c.box.width) << c.orientation;
    EXPECT_EQ(box.height, c.box.height) << c.orientation;
  }
}

// ---- Kernels ---------------------------------------------------------------

TEST(ResampleKernels, FastHorizontalFilterMatchesTheScalarOne) {
  const Image row = test::MakeRandomImage(257, 1, 31);
  for (int out_size : {1, 2, 19, 100, 256, 600}) {
    AxisCoefficients c;
    ComputeLanczos3Coefficients(257, out_size, c);
    std::vector<std::int16_t> w(c.weights.begin(), c.weights.end());
    std::vector<std::int16_t> fast(out_size * 4), slow(out_size * 4);
    resample_detail::FilterOpaqueRow(row.row(0), c, w.data(), fast.data());
    resample_detail::FilterOpaqueRowScalar(row.row(0), c, w.data(), slow.data());
    EXPECT_EQ(fast, slow) << out_size;
  }
}

TEST(ResampleKernels, FastRowAccumulationMatchesTheScalarOne) {
  std::vector<std::int16_t> a(43), b(43);
  for (int i = 0; i < 43; ++i) {
    a[i] = static_cast<std::int16_t>(i * 761 % 32641);
    b[i] = static_cast<std::int16_t>(32640 - i * 97);
  }
  std::vector<std::int32_t> fast(43, 5), slow(43, 5);
  resample_detail::AccumulateTwoRows(a.data(), 9000, b.data(), -1234, 43, fast.data());
  resample_detail::AccumulateTwoRowsScalar(a.data(), 9000, b.data(), -1234, 43, slow.data());
  EXPECT_EQ(fast, slow);
}

#if defined(__x86_64__) || defined(__i386__)
// The dispatching versions above take AVX2 where the processor has it; these
// hold the wider versions to the scalar ones directly, at every remainder of
// the four-pixel and sixteen-value steps.
TEST(ResampleKernels, WideVersionsMatchTheScalarOnes) {
  if (!resample_detail::ProcessorHasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  const Image row = test::MakeRandomImage(263, 1, 7);
  for (int out_size : {1, 3, 50, 87, 131, 262, 263, 700}) {
    AxisCoefficients c;
    ComputeLanczos3Coefficients(263, out_size, c);
    std::vector<std::int16_t> w(c.weights.begin(), c.weights.end());
    std::vector<std::int16_t> wide(out_size * 4), slow(out_size * 4);
    resample_detail::FilterOpaqueRowAvx2(row.row(0), c, w.data(), wide.data());
    resample_detail::FilterOpaqueRowScalar(row.row(0), c, w.data(), slow.data());
    EXPECT_EQ(wide, slow) << out_size;
  }
  for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 40u, 67u}) {
    std::vector<std::int16_t> a(n), b(n);
    for (std::size_t i = 0; i < n; ++i) {
      a[i] = static_cast<std::int16_t>(i * 761 % 32641);
      b[i] = static_cast<std::int16_t>(32640 - i * 97);
    }
    std::vector<std::int32_t> wide(n, -3), slow(n, -3);
    resample_detail::AccumulateTwoRowsAvx2(a.data(), -7000, b.data(), 23000, n, wide.data());
    resample_detail::AccumulateTwoRowsScalar(a.data(), -7000, b.data(), 23000, n, slow.data());
    EXPECT_EQ(wide, slow) << n;
  }
}
#endif

TEST(ResampleAccuracy, AgreesWithAFloatingPointLanczos) {
  // An independent straightforward Lanczos3 in doubles (separable, same
  // sample centres, widened support when shrinking) on an opaque picture.
  const Image in = test::MakeRandomImage(45, 31, 12);
  const int tw = 17, th = 40;
  auto weights = [](int in_size, int out_size, int i, std::vector<std::pair<int, double>>& out) {
    out.clear();
    const double scale = double(in_size) / out_size, fs = std::max(1.0, scale), support = 3 * fs;
    const double centre = (i + 0.5) * scale;
    auto sinc = [](double x) { return x == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x); };
    double total = 0;
    for (int k = 0; k < in_size; ++k) {
      const double d = (k + 0.5 - centre) / fs;
      if (std::abs(d) >= 3 || std::abs(k + 0.5 - centre) > support + 0.5) continue;
      const double w = sinc(d) * sinc(d / 3);
      out.push_back({k, w});
      total += w;
    }
    for (auto& entry : out) entry.second /= total;
  };
  std::vector<double> mid(static_cast<std::size_t>(tw) * in.height * 3);
  std::vector<std::pair<int, double>> w;
  for (int x = 0; x < tw; ++x) {
    weights(in.width, tw, x, w);
    for (int y = 0; y < in.height; ++y)
      for (int c = 0; c < 3; ++c) {
        double v = 0;
        for (auto [k, wk] : w) v += in.at(k, y)[c] * wk;
        mid[(static_cast<std::size_t>(y) * tw + x) * 3 + c] = std::clamp(v, 0.0, 255.0);
      }
  }
  const Image out = ResampleImage(in, tw, th);
  for (int y = 0; y < th; ++y) {
    weights(in.height, th, y, w);
    for (int x = 0; x < tw; ++x)
      for (int c = 0; c < 3; ++c) {
        double v = 0;
        for (auto [k, wk] : w) v += mid[(static_cast<std::size_t>(k) * tw + x) * 3 + c] * wk;
        EXPECT_NEAR(PixelAt(out, x, y)[c], std::clamp(v, 0.0, 255.0), 1.0) << x << "," << y << " c" << c;
      }
  }
}

// ---- Vulnerability ---------------------------------------------------------

TEST(ResampleVulnerability, BadTargetsGiveAnEmptyPicture) {
  const Image in = MakeImage(8, 8, {1, 2, 3, 255});
  for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 5}, std::pair{5, -1},
                      std::pair{70000, 2}, std::pair{60000, 60000}}) {
    Image out = MakeImage(2, 2, {9, 9, 9, 9});
    Resampler().Resample(in, w, h, out);
    EXPECT_TRUE(out.empty()) << w << "x" << h;
    EXPECT_TRUE(out.pixels.empty());
  }
  EXPECT_TRUE(ResampleImage(Image{}, 10, 10).empty());
}

}  // namespace
}  // namespace vr
