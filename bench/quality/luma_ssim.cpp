#include "quality/luma_ssim.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace vr {
namespace {

constexpr int kTaps = 11;

using Plane = std::vector<double>;

Plane Luma(const Image& img) {
  Plane y(static_cast<std::size_t>(img.width) * img.height);
  for (int r = 0; r < img.height; ++r) {
    const std::uint8_t* p = img.row(r);
    for (int c = 0; c < img.width; ++c, p += 4)
      y[static_cast<std::size_t>(r) * img.width + c] = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
  }
  return y;
}

std::array<double, kTaps> GaussianTaps() {
  std::array<double, kTaps> g{};
  double sum = 0;
  for (int i = 0; i < kTaps; ++i) sum += g[i] = std::exp(-((i - 5) * (i - 5)) / (2 * 1.5 * 1.5));
  for (double& v : g) v /= sum;
  return g;
}

// The Gaussian applied separably over the windows that fit wholly inside the
// plane: the result is (w-10) x (h-10).
Plane Blur(const Plane& in, int w, int h, const std::array<double, kTaps>& g) {
  const int ow = w - kTaps + 1, oh = h - kTaps + 1;
  Plane across(static_cast<std::size_t>(ow) * h);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < ow; ++c) {
      double s = 0;
      for (int k = 0; k < kTaps; ++k) s += g[k] * in[static_cast<std::size_t>(r) * w + c + k];
      across[static_cast<std::size_t>(r) * ow + c] = s;
    }
  Plane out(static_cast<std::size_t>(ow) * oh);
  for (int r = 0; r < oh; ++r)
    for (int c = 0; c < ow; ++c) {
      double s = 0;
      for (int k = 0; k < kTaps; ++k) s += g[k] * across[static_cast<std::size_t>(r + k) * ow + c];
      out[static_cast<std::size_t>(r) * ow + c] = s;
    }
  return out;
}

}  // namespace

double LumaSsim(const Image& a, const Image& b) {
  const int w = a.width, h = a.height;
  if (w != b.width || h != b.height || w < kTaps || h < kTaps) return -1;
  const std::array<double, kTaps> g = GaussianTaps();
  const Plane x = Luma(a), y = Luma(b);
  Plane xx(x.size()), yy(x.size()), xy(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    xx[i] = x[i] * x[i];
    yy[i] = y[i] * y[i];
    xy[i] = x[i] * y[i];
  }
  const Plane mx = Blur(x, w, h, g), my = Blur(y, w, h, g);
  const Plane sxx = Blur(xx, w, h, g), syy = Blur(yy, w, h, g), sxy = Blur(xy, w, h, g);
  const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
  double sum = 0;
  for (std::size_t i = 0; i < mx.size(); ++i) {
    const double vx = sxx[i] - mx[i] * mx[i], vy = syy[i] - my[i] * my[i], cov = sxy[i] - mx[i] * my[i];
    sum +=
        ((2 * mx[i] * my[i] + c1) * (2 * cov + c2)) / ((mx[i] * mx[i] + my[i] * my[i] + c1) * (vx + vy + c2));
  }
  return sum / static_cast<double>(mx.size());
}

}  // namespace vr
