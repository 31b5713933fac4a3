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
#include "imaging/ops/luma_ssim.h"

namespace fs = std::filesystem;

namespace {

using bench::CollectJpegs;

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
    const double s = vr::LumaSsim(a, b);
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
