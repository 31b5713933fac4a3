// Holds the engine's shrink-on-load thumbnail (the JPEG decoded shrunk in the
// DCT, then resampled) to a Lanczos3 resample of the full decode, by SSIM on
// luma, and measures Pillow's thumbnail of the same files beside it.
//
//   ssim_check [--width W] [--min SSIM] [--mean SSIM] [--no-crops] [--no-pillow] [FILE_OR_DIR...]
//
// Directories are searched for *.jpg / *.jpeg; files with the same bytes are
// checked once. Default input: /usr/share/wallpapers. Besides each file, a
// crop of it to odd sides (a different remainder by 8 for each file, written
// as JPEG at quality 95 into a temporary folder), so the sub-pixel extent of
// shrunk decodes is measured too. Where /usr/bin/python3 has Pillow, its
// draft + reduce thumbnail (draft to twice the target, then resize with
// LANCZOS and reducing_gap 2.0 over the box draft reports, as
// Image.thumbnail does) of the same files is measured in the same run, and
// each line says whether ours is at least as good. Exits 1 when our minimum
// or mean over the shrunk files falls below --min (default 0.997) or --mean
// (default 0.9988).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench_files.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/engine.h"
#include "imaging/ops/resample.h"
#include "quality/luma_ssim.h"

namespace fs = std::filesystem;

namespace {

using bench::CollectJpegs;

struct Picture {
  std::string path;
  int width = 0, height = 0;  // upright
  int thumb_w = 0, thumb_h = 0;
  int denominator = 1;
  vr::Image reference;  // Lanczos3 from every stored pixel
  vr::Image ours;
  double ours_ssim = -1;
  double pillow_ssim = -1;
};

int ProportionalHeight(int width, int w, int h) {
  return std::max(1, static_cast<int>(std::nearbyint(static_cast<double>(width) * h / w)));
}

// Our thumbnail and the reference for `p.path`.
vr::Status Measure(vr::Engine& engine, int width, Picture& p) {
  if (vr::Status s = engine.LoadImage(vr::Engine::kPictureSlot, p.path); !s.ok()) return s;
  if (vr::Status s = engine.GetImageSize(vr::Engine::kPictureSlot, p.width, p.height); !s.ok()) return s;
  p.thumb_w = width;
  p.thumb_h = ProportionalHeight(width, p.width, p.height);
  // The scale test looks at both axes alike, so the upright sides serve.
  p.denominator = vr::JpegScaleDenominator(p.width, p.height, p.thumb_w, p.thumb_h);
  if (vr::Status s = engine.Resample(p.thumb_w, p.thumb_h); !s.ok()) return s;
  p.ours = engine.picture(vr::Engine::kPictureSlot);
  if (vr::Status s = engine.LoadImage(vr::Engine::kPictureSlot, p.path); !s.ok()) return s;
  if (vr::Status s = engine.Decode(vr::Engine::kPictureSlot); !s.ok()) return s;
  p.reference = vr::ResampleImage(engine.picture(vr::Engine::kPictureSlot), p.thumb_w, p.thumb_h);
  p.ours_ssim = vr::LumaSsim(p.ours, p.reference);
  return vr::Status::Ok();
}

// The file cropped from its top left corner to odd sides, as a JPEG in `dir`.
std::string WriteOddCrop(vr::Engine& engine, const std::string& path, int index, const fs::path& dir) {
  if (!engine.LoadImage(vr::Engine::kPictureSlot, path).ok() || !engine.Decode(vr::Engine::kPictureSlot).ok())
    return {};
  const vr::Image& full = engine.picture(vr::Engine::kPictureSlot);
  const int cut = index % 8;
  const int w = (full.width - 1 - cut) | 1, h = (full.height - 1 - (cut + 3) % 8) | 1;
  if (w < 16 || h < 16 || w > full.width || h > full.height) return {};
  vr::Image crop;
  crop.Resize(w, h);
  for (int y = 0; y < h; ++y) std::copy_n(full.row(y), crop.stride(), crop.row(y));
  std::vector<std::uint8_t> jpeg;
  if (!vr::JpegCodec().Encode(crop, 95, jpeg, path).ok()) return {};
  const std::string out = (dir / ("crop" + std::to_string(index) + ".jpg")).string();
  std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
  return out;
}

// Pillow's thumbnails of every picture, as raw RGB files in `dir`; false
// when Pillow is not there or failed.
bool RunPillow(const std::vector<Picture>& pictures, const fs::path& dir) {
  if (std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") != 0) return false;
  const fs::path jobs = dir / "jobs.txt";
  {
    std::ofstream out(jobs);
    for (std::size_t i = 0; i < pictures.size(); ++i)
      out << pictures[i].thumb_w << ' ' << pictures[i].thumb_h << ' '
          << (dir / (std::to_string(i) + ".rgb")).string() << ' ' << pictures[i].path << '\n';
  }
  const std::string script =
      "import sys\n"
      "from PIL import Image\n"
      "for line in open(sys.argv[1]):\n"
      "    w, h, out, src = line.rstrip('\\n').split(' ', 3)\n"
      "    size = (int(w), int(h))\n"
      "    im = Image.open(src)\n"
      "    drafted = im.draft('RGB', (size[0] * 2, size[1] * 2))\n"
      "    box = drafted[1] if drafted else None\n"
      "    im = im.convert('RGB').resize(size, Image.LANCZOS, box=box, reducing_gap=2.0)\n"
      "    open(out, 'wb').write(im.tobytes())\n";
  const fs::path script_file = dir / "thumbnails.py";
  std::ofstream(script_file) << script;
  const std::string command = "/usr/bin/python3 " + script_file.string() + " " + jobs.string();
  return std::system(command.c_str()) == 0;
}

double PillowSsim(const Picture& p, const fs::path& raw) {
  std::ifstream in(raw, std::ios::binary);
  std::vector<char> rgb((std::istreambuf_iterator<char>(in)), {});
  if (rgb.size() != static_cast<std::size_t>(p.thumb_w) * p.thumb_h * 3) return -1;
  vr::Image image;
  image.Resize(p.thumb_w, p.thumb_h);
  for (std::size_t i = 0, j = 0; i < image.pixels.size(); i += 4, j += 3) {
    for (int c = 0; c < 3; ++c) image.pixels[i + c] = static_cast<std::uint8_t>(rgb[j + c]);
    image.pixels[i + 3] = 255;
  }
  return vr::LumaSsim(image, p.reference);
}

struct Summary {
  double min = 1, sum = 0;
  int count = 0;
  std::string worst;
  void Add(double s, const std::string& name) {
    sum += s;
    ++count;
    if (s < min) {
      min = s;
      worst = name;
    }
  }
  double mean() const { return count ? sum / count : 1.0; }
};

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: ssim_check [--width W (300)] [--min SSIM (0.997)] [--mean SSIM (0.9988)] [--no-crops]"
               " [--no-pillow] [FILE_OR_DIR...] (default /usr/share/wallpapers)\n");
}

}  // namespace

int main(int argc, char** argv) {
  int width = 300;
  double min_wanted = 0.997, mean_wanted = 0.9988;
  bool crops = true, pillow = true;
  std::vector<std::string> roots;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    } else if (a == "--width" && i + 1 < argc) {
      width = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--min" && i + 1 < argc) {
      min_wanted = std::atof(argv[++i]);
    } else if (a == "--mean" && i + 1 < argc) {
      mean_wanted = std::atof(argv[++i]);
    } else if (a == "--no-crops") {
      crops = false;
    } else if (a == "--no-pillow") {
      pillow = false;
    } else if (!a.empty() && a[0] == '-') {
      Usage(stderr);
      return 2;
    } else {
      roots.emplace_back(a);
    }
  }
  if (roots.empty()) roots.emplace_back("/usr/share/wallpapers");
  std::vector<std::string> files = CollectJpegs(roots);
  if (files.empty()) {
    std::fprintf(stderr, "no JPEG files found\n");
    return 2;
  }
  char tmpl[] = "/tmp/ssim_check.XXXXXX";
  if (mkdtemp(tmpl) == nullptr) {
    std::perror("mkdtemp");
    return 2;
  }
  const fs::path dir = tmpl;

  vr::Engine engine;
  if (crops) {
    const std::size_t originals = files.size();
    for (std::size_t i = 0; i < originals; ++i)
      if (std::string crop = WriteOddCrop(engine, files[i], static_cast<int>(i), dir); !crop.empty())
        files.push_back(crop);
  }
  std::vector<Picture> pictures;
  int failures = 0;
  for (const std::string& f : files) {
    Picture p;
    p.path = f;
    if (vr::Status s = Measure(engine, width, p); !s.ok()) {
      std::fprintf(stderr, "failed: %s\n", s.message().c_str());
      ++failures;
      continue;
    }
    if (p.ours_ssim >= 0) pictures.push_back(std::move(p));
  }
  const bool with_pillow = pillow && RunPillow(pictures, dir);
  if (with_pillow)
    for (std::size_t i = 0; i < pictures.size(); ++i)
      pictures[i].pillow_ssim = PillowSsim(pictures[i], dir / (std::to_string(i) + ".rgb"));

  Summary ours, theirs;
  int at_least_as_good = 0, compared = 0;
  std::printf("%-8s %-8s %-5s %-9s %-4s  %s\n", "ours", "Pillow", "scale", "size", "", "file");
  for (const Picture& p : pictures) {
    const bool shrunk = p.denominator > 1;
    std::string verdict;
    if (p.pillow_ssim >= 0) {
      ++compared;
      const bool good = p.ours_ssim >= p.pillow_ssim;
      at_least_as_good += good;
      verdict = good ? ">=" : "WORSE";
    }
    std::printf("%.5f  %.5f  1/%d   %dx%d  %-5s %s\n", p.ours_ssim, p.pillow_ssim, p.denominator, p.width,
                p.height, verdict.c_str(), p.path.c_str());
    // At scale 1 ours is the reference itself: those only prove that.
    if (!shrunk) continue;
    ours.Add(p.ours_ssim, p.path);
    if (p.pillow_ssim >= 0) theirs.Add(p.pillow_ssim, p.path);
  }
  std::printf(
      "\n%zu pictures (the files and their odd crops), %d decoded shrunk, against Lanczos3 from the full "
      "decode\n",
      pictures.size(), ours.count);
  std::printf("ours:   mean %.5f  min %.5f (%s)   targets mean >= %.4f, min >= %.4f\n", ours.mean(), ours.min,
              ours.worst.c_str(), mean_wanted, min_wanted);
  if (with_pillow)
    std::printf("Pillow: mean %.5f  min %.5f (%s); ours at least as good on %d of %d pictures\n",
                theirs.mean(), theirs.min, theirs.worst.c_str(), at_least_as_good, compared);
  else
    std::printf("Pillow: not measured\n");
  fs::remove_all(dir);
  if (failures > 0 || ours.min < min_wanted || ours.mean() < mean_wanted) {
    std::printf("FAIL\n");
    return 1;
  }
  std::printf("OK\n");
  return 0;
}
