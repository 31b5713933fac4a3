// The Lanczos resampler against a plain floating-point Lanczos, its
// properties on flat colour, noise and alpha, the weights it computes, its
// fast kernels against the scalar ones, and sizes it must refuse.
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

using SizeChange = std::tuple<int, int, int, int>;  // source w, h, target w, h

class ResampleSizes : public testing::TestWithParam<SizeChange> {};

// A straightforward separable Lanczos3 in doubles: same sample centres,
// support widened by the scale when shrinking, weights normalised where the
// window meets an edge.
std::vector<std::pair<int, double>> ReferenceWeights(int in_size, int out_size, int i) {
  std::vector<std::pair<int, double>> out;
  const double scale = double(in_size) / out_size, widen = std::max(1.0, scale);
  const double centre = (i + 0.5) * scale;
  auto sinc = [](double x) { return x == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x); };
  double total = 0;
  for (int k = 0; k < in_size; ++k) {
    const double d = (k + 0.5 - centre) / widen;
    if (std::abs(d) >= 3) continue;
    out.push_back({k, sinc(d) * sinc(d / 3)});
    total += out.back().second;
  }
  for (auto& entry : out) entry.second /= total;
  return out;
}

TEST_P(ResampleSizes, AgreesWithAFloatingPointLanczos) {
  auto [sw, sh, tw, th] = GetParam();
  const Image in = test::MakeRandomImage(sw, sh, 12);
  std::vector<double> mid(static_cast<std::size_t>(tw) * sh * 3);
  for (int x = 0; x < tw; ++x) {
    const auto w = ReferenceWeights(sw, tw, x);
    for (int y = 0; y < sh; ++y)
      for (int c = 0; c < 3; ++c) {
        double v = 0;
        for (auto [k, wk] : w) v += in.at(k, y)[c] * wk;
        mid[(static_cast<std::size_t>(y) * tw + x) * 3 + c] = std::clamp(v, 0.0, 255.0);
      }
  }
  const Image out = ResampleImage(in, tw, th);
  ASSERT_EQ(out.width, tw);
  ASSERT_EQ(out.height, th);
  for (int y = 0; y < th; ++y) {
    const auto w = ReferenceWeights(sh, th, y);
    for (int x = 0; x < tw; ++x)
      for (int c = 0; c < 3; ++c) {
        double v = 0;
        for (auto [k, wk] : w) v += mid[(static_cast<std::size_t>(k) * tw + x) * 3 + c] * wk;
        ASSERT_NEAR(PixelAt(out, x, y)[c], std::clamp(v, 0.0, 255.0), 1.0) << x << "," << y << " c" << c;
      }
  }
}

TEST_P(ResampleSizes, OneColourStaysExactlyThatColour) {
  auto [sw, sh, tw, th] = GetParam();
  for (Rgba colour : {Rgba{200, 17, 99, 255}, Rgba{90, 140, 33, 128}, Rgba{255, 1, 60, 7}}) {
    const Image out = ResampleImage(MakeImage(sw, sh, colour), tw, th);
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x) ASSERT_EQ(PixelAt(out, x, y), colour) << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(UpAndDown, ResampleSizes,
                         testing::Values(SizeChange{45, 31, 17, 40}, SizeChange{64, 48, 7, 5},
                                         SizeChange{101, 37, 13, 11}, SizeChange{40, 30, 97, 73},
                                         SizeChange{300, 200, 299, 201}, SizeChange{50, 80, 50, 20},
                                         SizeChange{80, 50, 20, 50}, SizeChange{17, 9, 17, 9},
                                         SizeChange{1, 1, 9, 4}, SizeChange{999, 2, 150, 1},
                                         SizeChange{40, 40, 1, 1}));

// Colour is weighed by alpha: fully transparent red lends nothing to opaque
// green beside it, half-transparent red counts half.
TEST(ResampleAlpha, ColourIsWeighedByItsAlpha) {
  for (std::uint8_t red_alpha : {0, 128}) {
    Image in = MakeImage(64, 30, {0, 255, 0, 255});
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 64; x += 2) test::SetPixel(in, x, y, {255, 0, 0, red_alpha});
    for (auto [w, h] : {std::pair{32, 30}, {7, 9}, {80, 60}}) {
      const Image out = ResampleImage(in, w, h);
      for (int x = w / 4; x < w - w / 4; ++x) {
        const Rgba p = PixelAt(out, x, h / 2);
        const double red = 255.0 * red_alpha / (red_alpha + 255);
        if (w == 32) {
          EXPECT_NEAR(p[0], red, 3) << int(red_alpha) << " at " << x;
        }
        if (red_alpha == 0) {
          EXPECT_EQ(p[0], 0) << w << "x" << h << " at " << x;
        }
      }
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
    int previous_start = 0, previous_end = 0;
    for (int i = 0; i < a.out; ++i) {
      ASSERT_GE(c.start[i], 0);
      ASSERT_GE(c.count[i], 1);
      ASSERT_LE(c.count[i], c.taps);
      ASSERT_LE(c.start[i] + c.count[i], a.in);
      // The resampler's ring of rows relies on windows that only move forward.
      EXPECT_GE(c.start[i], previous_start);
      EXPECT_GE(c.start[i] + c.count[i], previous_end);
      previous_start = c.start[i];
      previous_end = c.start[i] + c.count[i];
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

TEST(ResampleBox, AWholeBoxIsThePlainResampleAndABadOneMeansTheWholePicture) {
  const Image in = test::MakeRandomImage(53, 41, 5);
  const Image plain = ResampleImage(in, 20, 17);
  EXPECT_EQ(ResampleImage(in, WholeSourceBox(in), 20, 17).pixels, plain.pixels);
  EXPECT_EQ(ResampleImage(in, SourceBox{}, 20, 17).pixels, plain.pixels);
  EXPECT_EQ(ResampleImage(in, SourceBox{-3, 0, 0, -1}, 20, 17).pixels, plain.pixels);
  EXPECT_EQ(ResampleImage(in, SourceBox{0, 0, 90, 70}, 20, 17).pixels, plain.pixels);  // cut at the far edge
}

// The dispatching kernels take AVX2 where the processor has it; each fast
// version is held to the scalar one at every remainder of its step.
TEST(ResampleKernels, FastVersionsMatchTheScalarOnes) {
  const Image row = test::MakeRandomImage(263, 1, 7);
  for (int out_size : {1, 3, 50, 87, 131, 262, 263, 700}) {
    AxisCoefficients c;
    ComputeLanczos3Coefficients(263, out_size, c);
    std::vector<std::int16_t> w(c.weights.begin(), c.weights.end());
    std::vector<std::int16_t> fast(out_size * 4), slow(out_size * 4);
    resample_detail::FilterOpaqueRowScalar(row.row(0), c, w.data(), slow.data());
    resample_detail::FilterOpaqueRow(row.row(0), c, w.data(), fast.data());
    EXPECT_EQ(fast, slow) << out_size;
#if defined(__x86_64__) || defined(__i386__)
    if (resample_detail::ProcessorHasAvx2()) {
      resample_detail::FilterOpaqueRowAvx2(row.row(0), c, w.data(), fast.data());
      EXPECT_EQ(fast, slow) << out_size;
    }
#endif
  }
  for (std::size_t n : {0u, 1u, 15u, 16u, 17u, 40u, 67u}) {
    std::vector<std::int16_t> a(n), b(n);
    for (std::size_t i = 0; i < n; ++i) {
      a[i] = static_cast<std::int16_t>(i * 761 % 32641);
      b[i] = static_cast<std::int16_t>(32640 - i * 97);
    }
    std::vector<std::int32_t> fast(n, -3), slow(n, -3);
    resample_detail::AccumulateTwoRowsScalar(a.data(), -7000, b.data(), 23000, n, slow.data());
    resample_detail::AccumulateTwoRows(a.data(), -7000, b.data(), 23000, n, fast.data());
    EXPECT_EQ(fast, slow) << n;
#if defined(__x86_64__) || defined(__i386__)
    if (resample_detail::ProcessorHasAvx2()) {
      std::fill(fast.begin(), fast.end(), -3);
      resample_detail::AccumulateTwoRowsAvx2(a.data(), -7000, b.data(), 23000, n, fast.data());
      EXPECT_EQ(fast, slow) << n;
    }
#endif
  }
}

// Scratch buffers and cached weights must not leak from one call to the next.
TEST(ResampleConsistency, AReusedResamplerAndAnInPlaceOneMatchAFreshOne) {
  Resampler reused;
  Image out;
  const Image a = test::MakeRandomImage(60, 40, 1, true);
  const Image b = test::MakeRandomImage(45, 70, 2, true);
  for (int round = 0; round < 2; ++round) {
    reused.Resample(a, 20, 13, out);
    EXPECT_EQ(out.pixels, ResampleImage(a, 20, 13).pixels);
    reused.Resample(b, 90, 31, out);
    EXPECT_EQ(out.pixels, ResampleImage(b, 90, 31).pixels);
  }
  Image image = a;
  reused.Resample(image, 10, 40, image);
  EXPECT_EQ(image.pixels, ResampleImage(a, 10, 40).pixels);
}

TEST(ResampleVulnerability, BadTargetsGiveAnEmptyPicture) {
  const Image in = MakeImage(8, 8, {1, 2, 3, 255});
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {5, -1}, {70000, 2}, {60000, 60000}}) {
    Image out = MakeImage(2, 2, {9, 9, 9, 9});
    Resampler().Resample(in, w, h, out);
    EXPECT_TRUE(out.empty()) << w << "x" << h;
    EXPECT_TRUE(out.pixels.empty());
  }
  EXPECT_TRUE(ResampleImage(Image{}, 10, 10).empty());
}

}  // namespace
}  // namespace vr
