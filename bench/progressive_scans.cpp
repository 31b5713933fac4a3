// Measures where a shrunk decode of a progressive JPEG may stop reading: the
// files re-encoded as progressive without loss (TurboJPEG's progressive
// transform, libjpeg's standard scan script), then for every scan count the
// thumbnail made from the scans read so far against the one from all scans,
// by SSIM on luma (and the largest channel difference beside it).
//
//   progressive_scans [--width W] [FILE_OR_DIR...]
//
// Each file is measured at 1/2, 1/4 and 1/8 with the widest thumbnail the
// engine makes at that scale (half the scaled width, the hardest case), and
// at the scale a W-wide thumbnail (default 300) takes. The last column shows
// the scan count the decoder's own rule stops at.
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "bench_files.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/jpeg_scans.h"
#include "imaging/ops/resample.h"
#include "quality/luma_ssim.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Progressive(tjhandle transformer, const Bytes& jpeg) {
  tjtransform transform{};
  transform.op = TJXOP_NONE;
  transform.options = TJXOPT_PROGRESSIVE;
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (tjTransform(transformer, jpeg.data(), jpeg.size(), 1, &out, &size, &transform, 0) != 0) return {};
  Bytes result(out, out + size);
  tjFree(out);
  return result;
}

int MaxChannelDifference(const vr::Image& a, const vr::Image& b) {
  int worst = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i)
    worst = std::max(worst, std::abs(a.pixels[i] - b.pixels[i]));
  return worst;
}

struct Stats {
  double min = 1, sum = 0;
  int count = 0, worst_difference = 0;
};

// The thumbnail from the first `scans` scans (0: the decoder's own rule,
// -1: every scan); false when the decode fails.
bool Thumbnail(const Bytes& jpeg, int width, int height, int d, int scans, int thumb_w, int thumb_h,
               vr::Image& out, int* scans_read = nullptr) {
  vr::Image decoded;
  decoded.Resize((width + d - 1) / d, (height + d - 1) / d);
  const vr::ScanDecode result = vr::DecodeProgressiveShrunk(
      jpeg, d, false, decoded.pixels.data(), decoded.width, decoded.height, scans < 0 ? 100000 : scans);
  if (!result.ok) return false;
  if (scans_read != nullptr) *scans_read = result.scans_read;
  vr::Resampler().Resample(decoded, vr::ShrunkDecodeBox(width, height, d, 1), thumb_w, thumb_h, out);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int target_width = 300;
  std::vector<std::string> roots;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--width" && i + 1 < argc) {
      target_width = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--help" || a == "-h" || (!a.empty() && a[0] == '-')) {
      std::printf(
          "usage: progressive_scans [--width W (300)] [FILE_OR_DIR...] (default /usr/share/wallpapers)\n");
      return a[1] == 'h' || a == "--help" ? 0 : 2;
    } else {
      roots.emplace_back(a);
    }
  }
  if (roots.empty()) roots.emplace_back("/usr/share/wallpapers");
  tjhandle tj = tjInitTransform();
  tjhandle header = tjInitDecompress();
  // (label, scans read) -> stats
  std::map<std::pair<std::string, int>, Stats> table;
  std::map<std::string, int> rule_stops_max;
  for (const std::string& file : bench::CollectJpegs(roots)) {
    const Bytes progressive = Progressive(tj, bench::ReadAll(file));
    int w = 0, h = 0, subsampling = 0, colorspace = 0;
    if (progressive.empty() || tjDecompressHeader3(header, progressive.data(), progressive.size(), &w, &h,
                                                   &subsampling, &colorspace))
      continue;
    struct Target {
      std::string label;
      int d, thumb_w;
    };
    std::vector<Target> targets;
    for (int d : {2, 4, 8}) targets.push_back({"1/" + std::to_string(d) + " widest", d, (w + d - 1) / d / 2});
    const int default_h = std::max(1, static_cast<int>(std::lround(double(target_width) * h / w)));
    const int dd = vr::JpegScaleDenominator(w, h, target_width, default_h);
    if (dd > 1) targets.push_back({"1/" + std::to_string(dd) + " at W", dd, target_width});
    for (const Target& t : targets) {
      const int thumb_h = std::max(1, static_cast<int>(std::lround(double(t.thumb_w) * h / w)));
      if (vr::JpegScaleDenominator(w, h, t.thumb_w, thumb_h) != t.d) continue;
      vr::Image all, partial;
      if (!Thumbnail(progressive, w, h, t.d, -1, t.thumb_w, thumb_h, all)) continue;
      int total = 0;
      vr::Image by_rule;
      Thumbnail(progressive, w, h, t.d, 0, t.thumb_w, thumb_h, by_rule, &total);
      rule_stops_max[t.label] = std::max(rule_stops_max[t.label], total);
      table[{t.label, 0}].min = std::min(table[{t.label, 0}].min, vr::LumaSsim(by_rule, all));
      for (int scans = 1; scans <= 12; ++scans) {
        int read = 0;
        if (!Thumbnail(progressive, w, h, t.d, scans, t.thumb_w, thumb_h, partial, &read) || read < scans)
          break;
        Stats& s = table[{t.label, scans}];
        const double ssim = vr::LumaSsim(partial, all);
        s.min = std::min(s.min, ssim);
        s.sum += ssim;
        ++s.count;
        s.worst_difference = std::max(s.worst_difference, MaxChannelDifference(partial, all));
      }
    }
  }
  std::printf("%-14s %6s %9s %9s %6s %s\n", "scale", "scans", "min SSIM", "mean", "files",
              "max channel diff");
  for (const auto& [key, s] : table) {
    if (key.second == 0) continue;
    std::printf("%-14s %6d %9.6f %9.6f %6d %d\n", key.first.c_str(), key.second, s.min, s.sum / s.count,
                s.count, s.worst_difference);
  }
  for (const auto& [label, stop] : rule_stops_max)
    std::printf("%-14s the rule stops after at most %d scans, min SSIM there %.6f\n", label.c_str(), stop,
                table[{label, 0}].min);
  tjDestroy(tj);
  tjDestroy(header);
  return 0;
}
