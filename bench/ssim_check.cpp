// Checks that the engine's shrink-on-load thumbnail (the JPEG decoded
// shrunk in the DCT, then resampled) looks like the one made from a full
// decode, by SSIM on luma.
//
//   ssim_check [--width W] [--min SSIM] [FILE_OR_DIR...]
//
// Directories are searched for *.jpg / *.jpeg; files with the same bytes are
// checked once. Default input: /usr/share/wallpapers. Exits 1 when any
// file's SSIM falls below the threshold (default 0.99: the wallpapers measure
// 0.996 at worst and 0.9987 on average over the shrunk ones, so 0.99 keeps a
// margin over today's filter yet fails a visibly different thumbnail).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "bench_files.h"
#include "imaging/engine.h"

namespace fs = std::filesystem;

namespace {

using bench::CollectJpegs;

// Rec. 601 luma of an RGBA picture, as doubles.
std::vector<double> Luma(const vr::Image& img) {
  std::vector<double> y(static_cast<std::size_t>(img.width) * img.height);
  for (int r = 0; r < img.height; ++r)
    for (int c = 0; c < img.width; ++c) {
      const std::uint8_t* p = img.at(c, r);
      y[static_cast<std::size_t>(r) * img.width + c] = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    }
  return y;
}

// 11-tap Gaussian (sigma 1.5), applied separably over the windows that fit
// wholly inside the picture: the result is (w-10) x (h-10).
constexpr int kTaps = 11;

std::vector<double> GaussianTaps() {
  std::vector<double> g(kTaps);
  double sum = 0;
  for (int i = 0; i < kTaps; ++i) sum += g[i] = std::exp(-((i - 5) * (i - 5)) / (2 * 1.5 * 1.5));
  for (double& v : g) v /= sum;
  return g;
}

std::vector<double> Blur(const std::vector<double>& in, int w, int h, const std::vector<double>& g) {
  const int ow = w - kTaps + 1, oh = h - kTaps + 1;
  std::vector<double> across(static_cast<std::size_t>(ow) * h);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < ow; ++c) {
      double s = 0;
      for (int k = 0; k < kTaps; ++k) s += g[k] * in[static_cast<std::size_t>(r) * w + c + k];
      across[static_cast<std::size_t>(r) * ow + c] = s;
    }
  std::vector<double> out(static_cast<std::size_t>(ow) * oh);
  for (int r = 0; r < oh; ++r)
    for (int c = 0; c < ow; ++c) {
      double s = 0;
      for (int k = 0; k < kTaps; ++k) s += g[k] * across[static_cast<std::size_t>(r + k) * ow + c];
      out[static_cast<std::size_t>(r) * ow + c] = s;
    }
  return out;
}

// Mean SSIM over Gaussian windows (the usual constants for 8-bit data);
// pictures smaller than a window give -1.
double Ssim(const vr::Image& a, const vr::Image& b) {
  const int w = a.width, h = a.height;
  if (w != b.width || h != b.height || w < kTaps || h < kTaps) return -1;
  const std::vector<double> g = GaussianTaps();
  const std::vector<double> x = Luma(a), y = Luma(b);
  std::vector<double> xx(x.size()), yy(x.size()), xy(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    xx[i] = x[i] * x[i];
    yy[i] = y[i] * y[i];
    xy[i] = x[i] * y[i];
  }
  const std::vector<double> mx = Blur(x, w, h, g), my = Blur(y, w, h, g);
  const std::vector<double> sxx = Blur(xx, w, h, g), syy = Blur(yy, w, h, g), sxy = Blur(xy, w, h, g);
  const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
  double sum = 0;
  for (std::size_t i = 0; i < mx.size(); ++i) {
    const double vx = sxx[i] - mx[i] * mx[i], vy = syy[i] - my[i] * my[i], cov = sxy[i] - mx[i] * my[i];
    sum +=
        ((2 * mx[i] * my[i] + c1) * (2 * cov + c2)) / ((mx[i] * mx[i] + my[i] * my[i] + c1) * (vx + vy + c2));
  }
  return sum / static_cast<double>(mx.size());
}

// Slot 1 made width x height; with `full` the whole picture is decoded
// first, so the resampler works from every stored pixel.
vr::Status Thumbnail(vr::Engine& engine, const std::string& path, int width, bool full, vr::Image& out,
                     int& denominator) {
  if (vr::Status s = engine.LoadImage(vr::Engine::kPictureSlot, path); !s.ok()) return s;
  int w = 0, h = 0;
  if (vr::Status s = engine.GetImageSize(vr::Engine::kPictureSlot, w, h); !s.ok()) return s;
  const int height = std::max(1, static_cast<int>(std::nearbyint(static_cast<double>(width) * h / w)));
  // The scale test looks at both axes alike, so the upright sides serve.
  denominator = vr::JpegScaleDenominator(w, h, width, height);
  if (full)
    if (vr::Status s = engine.Decode(vr::Engine::kPictureSlot); !s.ok()) return s;
  if (vr::Status s = engine.Resample(width, height); !s.ok()) return s;
  out = engine.picture(vr::Engine::kPictureSlot);
  return vr::Status::Ok();
}

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: ssim_check [--width W (300)] [--min SSIM (0.99)] [FILE_OR_DIR...]"
               " (default /usr/share/wallpapers)\n");
}

}  // namespace

int main(int argc, char** argv) {
  int width = 300;
  double threshold = 0.99;
  std::vector<std::string> roots;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    } else if (a == "--width" && i + 1 < argc) {
      width = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--min" && i + 1 < argc) {
      threshold = std::atof(argv[++i]);
    } else if (!a.empty() && a[0] == '-') {
      Usage(stderr);
      return 2;
    } else {
      roots.emplace_back(a);
    }
  }
  if (roots.empty()) roots.emplace_back("/usr/share/wallpapers");
  const std::vector<std::string> files = CollectJpegs(roots);
  if (files.empty()) {
    std::fprintf(stderr, "no JPEG files found\n");
    return 2;
  }

  vr::Engine shrinking, full;
  vr::Image a, b;
  double min_ssim = 1, sum = 0;
  int checked = 0, scaled = 0, failures = 0;
  std::string worst;
  for (const std::string& f : files) {
    int d = 1;
    vr::Status sa = Thumbnail(shrinking, f, width, false, a, d);
    vr::Status sb = sa.ok() ? Thumbnail(full, f, width, true, b, d) : sa;
    if (!sb.ok()) {
      std::fprintf(stderr, "failed: %s\n", sb.message().c_str());
      ++failures;
      continue;
    }
    const double s = Ssim(a, b);
    if (s < 0) continue;  // too small to judge
    std::printf("%.5f  1/%d  %dx%d  %s\n", s, d, a.width, a.height, f.c_str());
    ++checked;
    // At scale 1 both paths are the same decode: those only prove that.
    if (d == 1) continue;
    sum += s;
    ++scaled;
    if (s < min_ssim) {
      min_ssim = s;
      worst = f;
    }
  }
  if (checked == 0) {
    std::fprintf(stderr, "no file could be compared\n");
    return 2;
  }
  std::printf(
      "\n%d files, %d decoded shrunk: min SSIM %.5f (%s), mean over the shrunk %.5f, threshold %.3f\n",
      checked, scaled, min_ssim, worst.c_str(), scaled ? sum / scaled : 1.0, threshold);
  if (failures > 0 || min_ssim < threshold) {
    std::printf("FAIL\n");
    return 1;
  }
  std::printf("OK\n");
  return 0;
}
