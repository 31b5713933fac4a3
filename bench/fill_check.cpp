// Holds the engine's "fill and crop" thumbnail (the size rule's crop window,
// resampled from a JPEG shrunk in the DCT) to the middle of a Lanczos3
// resample of the full decode, by SSIM on luma.
//
//   fill_check [--size WxH (256x256)] [--min SSIM (0.99)] [--mean SSIM (0.997)] [FILE_OR_DIR...]
//
// Directories are searched for *.jpg / *.jpeg; files with the same bytes are
// checked once. Default input: /usr/share/wallpapers. The reference resamples
// the whole decoded picture to cover the box (each side rounded to the
// nearest pixel, a half to the even one) and takes its middle W x H (the left and top overflow
// rounded down), as a photographer's tool would crop it. Exits 1 when the
// minimum or the mean falls below --min or --mean.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bench_files.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/engine.h"
#include "imaging/ops/resample.h"
#include "quality/luma_ssim.h"
#include "thumbnail/size_rule.h"

namespace {

// The middle width x height of `picture`.
vr::Image Middle(const vr::Image& picture, int width, int height) {
  vr::Image out;
  out.Resize(width, height);
  const int x0 = (picture.width - width) / 2, y0 = (picture.height - height) / 2;
  for (int y = 0; y < height; ++y)
    std::copy_n(picture.at(x0, y0 + y), static_cast<std::size_t>(width) * 4, out.row(y));
  return out;
}

struct Result {
  double ssim = -1;
  int width = 0, height = 0, denominator = 1;
};

vr::Status Measure(vr::Engine& engine, const std::string& path, int box_w, int box_h, Result& r) {
  if (vr::Status s = engine.LoadImage(vr::Engine::kPictureSlot, path); !s.ok()) return s;
  if (vr::Status s = engine.GetImageSize(vr::Engine::kPictureSlot, r.width, r.height); !s.ok()) return s;
  vr::SizeRequest request;
  request.rule = vr::SizeRule::kFill;
  request.width = box_w;
  request.height = box_h;
  vr::Expected<std::optional<vr::ThumbSize>> target = vr::TargetSize(request, r.width, r.height, path);
  if (!target) return target.status();
  if (!*target) return vr::Status::Fail("nothing to make of " + path);
  const vr::ThumbSize& t = **target;
  const vr::Sides whole = t.crop ? vr::WholeTargetOf(*t.crop, r.width, r.height, t.width, t.height)
                                 : vr::Sides{t.width, t.height};
  r.denominator = vr::JpegScaleDenominator(r.width, r.height, whole.width, whole.height);
  vr::Status made = t.crop ? engine.ResampleWindow(*t.crop, vr::CropPlace::kCentre, t.width, t.height)
                           : engine.Resample(t.width, t.height);
  if (!made.ok()) return made;
  const vr::Image ours = engine.picture(vr::Engine::kPictureSlot);

  if (vr::Status s = engine.LoadImage(vr::Engine::kPictureSlot, path); !s.ok()) return s;
  if (vr::Status s = engine.Decode(vr::Engine::kPictureSlot); !s.ok()) return s;
  const double scale = std::max(static_cast<double>(box_w) / r.width, static_cast<double>(box_h) / r.height);
  const int cover_w = std::max(box_w, static_cast<int>(std::nearbyint(r.width * scale)));
  const int cover_h = std::max(box_h, static_cast<int>(std::nearbyint(r.height * scale)));
  const vr::Image cover = vr::ResampleImage(engine.picture(vr::Engine::kPictureSlot), cover_w, cover_h);
  r.ssim = vr::LumaSsim(ours, Middle(cover, box_w, box_h));
  return vr::Status::Ok();
}

}  // namespace

int main(int argc, char** argv) {
  int box_w = 256, box_h = 256;
  double min_wanted = 0.99, mean_wanted = 0.997;
  std::vector<std::string> roots;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help") {
      std::puts(
          "usage: fill_check [--size WxH (256x256)] [--min SSIM (0.99)] [--mean SSIM (0.997)] "
          "[FILE_OR_DIR...]");
      return 0;
    } else if (a == "--size" && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &box_w, &box_h) != 2 || box_w < 1 || box_h < 1) {
        std::fprintf(stderr, "--size needs WxH\n");
        return 2;
      }
    } else if (a == "--min" && i + 1 < argc) {
      min_wanted = std::atof(argv[++i]);
    } else if (a == "--mean" && i + 1 < argc) {
      mean_wanted = std::atof(argv[++i]);
    } else {
      roots.emplace_back(a);
    }
  }
  if (roots.empty()) roots.emplace_back("/usr/share/wallpapers");
  const std::vector<std::string> files = bench::CollectJpegs(roots);
  if (files.empty()) {
    std::fprintf(stderr, "no JPEG files found\n");
    return 2;
  }
  vr::Engine engine;
  double sum = 0, lowest = 2;
  int count = 0, failures = 0;
  std::string lowest_file;
  std::printf("%-8s %-5s %-11s %s\n", "ssim", "scale", "size", "file");
  for (const std::string& f : files) {
    Result r;
    if (vr::Status s = Measure(engine, f, box_w, box_h, r); !s.ok()) {
      std::fprintf(stderr, "failed: %s\n", s.message().c_str());
      ++failures;
      continue;
    }
    std::printf("%.5f  1/%d   %5dx%-5d %s\n", r.ssim, r.denominator, r.width, r.height, f.c_str());
    sum += r.ssim;
    ++count;
    if (r.ssim < lowest) {
      lowest = r.ssim;
      lowest_file = f;
    }
  }
  if (count == 0) return 2;
  const double mean = sum / count;
  std::printf("\n%d pictures filled to %dx%d against the middle of a Lanczos3 resample of the full decode\n",
              count, box_w, box_h);
  std::printf("mean %.5f (wanted >= %.4f), min %.5f (wanted >= %.4f) %s\n", mean, mean_wanted, lowest,
              min_wanted, lowest_file.c_str());
  return failures > 0 || lowest < min_wanted || mean < mean_wanted ? 1 : 0;
}
