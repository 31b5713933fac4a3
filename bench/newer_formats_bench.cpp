// The newer output formats against their reference encoders, and their
// readers against the reference decoders, in one run on the same pictures.
//
// Encoding: a photo is decoded and resampled (Lanczos, at full resolution)
// to a WIDTH-wide reference; our engine encodes it as WebP, AVIF and JPEG XL
// at their default options (and JPEG q85 beside them); cwebp, avifenc and
// cjxl encode the same reference, given as a PNG, at the same settings, one
// thread each. Per format: bytes, luma SSIM of the decoded file against the
// reference, encode time (ours in-process, theirs as a whole process, the
// fastest of REPEATS).
//
// Decoding: the photo scaled up to 6000x4000 is encoded by cwebp, avifenc
// and cjxl (made at run time, not kept). Our 300-wide thumbnail of each
// (load, decode, resample) is timed against the reference decoder's own full
// decode, one thread each (dwebp to PPM, avifdec to Y4M, djxl to PPM, all
// into /dev/shm), and the ratio printed (target <= 1.5).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "bench_files.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/engine.h"
#include "imaging/ops/resample.h"
#include "quality/luma_ssim.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The fastest of `repeats` runs of `work`, in seconds.
double Fastest(int repeats, const std::function<bool()>& work) {
  double best = 1e9;
  for (int i = 0; i < repeats; ++i) {
    const Clock::time_point start = Clock::now();
    if (!work()) return -1;
    best = std::min(best, Seconds(start));
  }
  return best;
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool Have(const std::string& tool) { return Run("command -v " + tool); }

// The picture a file decodes to through our engine, upright; empty on failure.
vr::Image Decoded(const std::string& path) {
  vr::Engine engine;
  if (!engine.LoadImage(vr::Engine::kPictureSlot, path).ok() || !engine.Decode(vr::Engine::kPictureSlot).ok())
    return {};
  return engine.picture(vr::Engine::kPictureSlot);
}

bool WritePng(const vr::Image& image, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  return vr::EncodePng(image, bytes, path).ok() && vr::ReplaceFileAtomically(path, bytes).ok();
}

struct Format {
  const char* name;
  std::int32_t code;
  const char* extension;
  const char* peer;  // the reference encoder's command, {in} and {out} filled in
};

std::string Fill(std::string command, const std::string& in, const std::string& out) {
  for (const auto& [key, value] : {std::pair<std::string, std::string>{"{in}", in}, {"{out}", out}})
    for (std::size_t at; (at = command.find(key)) != std::string::npos;)
      command.replace(at, key.size(), value);
  return command;
}

// Our defaults: WebP q80 method 4; AVIF quality 60 = quantizer 25, speed 6,
// 4:2:0; JPEG XL quality 90 = distance 1, effort 7.
const Format kFormats[] = {
    {"JPEG q85", vr::kFormatJpeg, ".jpg", nullptr},
    {"WebP", vr::kFormatWebp, ".webp", "cwebp -quiet -q 80 -m 4 {in} -o {out}"},
    {"AVIF", vr::kFormatAvif, ".avif", "avifenc -j 1 -s 6 --min 25 --max 25 -y 420 {in} {out}"},
    {"JPEG XL", vr::kFormatJxl, ".jxl", "cjxl {in} {out} -q 90 -e 7 --num_threads=1"},
};

void Encoding(const vr::Image& reference, const std::string& work, int repeats) {
  const std::string png = work + "/reference.png";
  if (!WritePng(reference, png)) return;
  std::printf("\nEncoding a %dx%d reference (default options; time: fastest of %d)\n", reference.width,
              reference.height, repeats);
  std::printf("%-10s %10s %8s %9s | %-8s %10s %8s %9s %7s\n", "format", "bytes", "SSIM", "ms", "peer",
              "bytes", "SSIM", "ms", "size");
  vr::Engine engine;
  engine.SetJpegQuality(85);
  if (!engine.Hold(vr::Engine::kPictureSlot, reference).ok()) return;
  for (const Format& f : kFormats) {
    std::vector<std::uint8_t> ours;
    const double ours_s = Fastest(repeats, [&] { return engine.Encode(f.code, ours, "bench").ok(); });
    const std::string ours_path = work + "/ours" + f.extension;
    if (ours_s < 0 || !vr::ReplaceFileAtomically(ours_path, ours).ok()) {
      std::printf("%-10s failed\n", f.name);
      continue;
    }
    const double ours_ssim = vr::LumaSsim(Decoded(ours_path), reference);
    std::printf("%-10s %10zu %8.5f %9.1f |", f.name, ours.size(), ours_ssim, ours_s * 1e3);
    const std::string tool =
        f.peer != nullptr ? std::string(f.peer).substr(0, std::string(f.peer).find(' ')) : "";
    if (tool.empty() || !Have(tool)) {
      std::printf(" %s\n", tool.empty() ? "" : (tool + " not installed").c_str());
      continue;
    }
    const std::string peer_path = work + "/peer" + f.extension;
    const double peer_s = Fastest(repeats, [&] { return Run(Fill(f.peer, png, peer_path)); });
    const std::uintmax_t peer_bytes = peer_s < 0 ? 0 : fs::file_size(peer_path);
    const double peer_ssim = vr::LumaSsim(Decoded(peer_path), reference);
    std::printf(" %-8s %10ju %8.5f %9.1f %6.2fx\n", tool.c_str(), peer_bytes, peer_ssim, peer_s * 1e3,
                peer_bytes > 0 ? static_cast<double>(ours.size()) / static_cast<double>(peer_bytes) : 0.0);
  }
}

struct Reader {
  const char* name;
  const char* extension;
  const char* make;    // encoder command making the 24 MP input from {in}
  const char* decode;  // the reference decoder's full decode of {in}
};

const Reader kReaders[] = {
    {"WebP", ".webp", "cwebp -quiet -q 80 {in} -o {out}", "dwebp -ppm {in} -o /dev/shm/varenna-bench.ppm"},
    {"AVIF", ".avif", "avifenc -j all -s 9 --min 25 --max 25 -y 420 {in} {out}",
     "avifdec -j 1 {in} /dev/shm/varenna-bench.y4m"},
    {"JPEG XL", ".jxl", "cjxl {in} {out} -q 90 -e 3", "djxl {in} /dev/shm/varenna-bench.ppm --num_threads=1"},
};

void Decoding(const vr::Image& photo, const std::string& work, int repeats, int width) {
  vr::Image large;
  vr::Resampler().Resample(photo, 6000, 4000, large);
  const std::string png = work + "/large.png";
  if (large.empty() || !WritePng(large, png)) return;
  large = vr::Image();
  std::printf(
      "\nA %d-wide thumbnail of a 6000x4000 file against the reference decoder's full decode\n"
      "(one thread each; fastest of %d)\n",
      width, repeats);
  std::printf("%-8s %10s %12s %12s %7s\n", "format", "bytes", "ours ms", "peer ms", "ratio");
  for (const Reader& r : kReaders) {
    const std::string encoder = std::string(r.make).substr(0, std::string(r.make).find(' '));
    const std::string decoder = std::string(r.decode).substr(0, std::string(r.decode).find(' '));
    if (!Have(encoder) || !Have(decoder)) {
      std::printf("%-8s skipped: %s or %s not installed\n", r.name, encoder.c_str(), decoder.c_str());
      continue;
    }
    const std::string file = work + "/large" + r.extension;
    if (!Run(Fill(r.make, png, file))) {
      std::printf("%-8s %s failed\n", r.name, encoder.c_str());
      continue;
    }
    vr::Engine engine;
    const int height = width * 2 / 3;
    const double ours = Fastest(repeats, [&] {
      return engine.LoadImage(vr::Engine::kPictureSlot, file).ok() && engine.Resample(width, height).ok();
    });
    const double peer = Fastest(repeats, [&] { return Run(Fill(r.decode, file, "")); });
    std::printf("%-8s %10ju %12.1f %12.1f %6.2fx\n", r.name, fs::file_size(file), ours * 1e3, peer * 1e3,
                peer > 0 ? ours / peer : 0.0);
  }
  std::error_code ignored;
  for (const char* name : {"/dev/shm/varenna-bench.ppm", "/dev/shm/varenna-bench.y4m"})
    fs::remove(name, ignored);
}

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: newer_formats_bench [-n REPEATS (3)] [--width W (600)] [--no-decode] [PHOTO.jpg]\n"
               "  PHOTO defaults to the first distinct JPEG under /usr/share/wallpapers.\n");
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = 3;
  int width = 600;
  bool decode = true;
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    } else if (a == "-n" && i + 1 < argc) {
      repeats = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--width" && i + 1 < argc) {
      width = std::max(16, std::atoi(argv[++i]));
    } else if (a == "--no-decode") {
      decode = false;
    } else if (!a.empty() && a[0] == '-') {
      Usage(stderr);
      return 2;
    } else {
      inputs.push_back(a);
    }
  }
  if (inputs.empty()) inputs = bench::CollectJpegs({"/usr/share/wallpapers"});
  if (inputs.empty()) {
    std::fprintf(stderr, "no photo given and none under /usr/share/wallpapers\n");
    return 2;
  }
  const vr::Image photo = Decoded(inputs.front());
  if (photo.empty()) {
    std::fprintf(stderr, "cannot read %s\n", inputs.front().c_str());
    return 1;
  }
  std::printf("photo: %s (%dx%d)\n", inputs.front().c_str(), photo.width, photo.height);
  std::string work = (fs::temp_directory_path() / "varenna-bench-XXXXXX").string();
  if (::mkdtemp(work.data()) == nullptr) return 1;

  vr::Image reference;
  vr::Resampler().Resample(
      photo, width, static_cast<int>(static_cast<long long>(photo.height) * width / photo.width), reference);
  Encoding(reference, work, repeats);
  if (decode) Decoding(photo, work, repeats, 300);
  std::error_code ignored;
  fs::remove_all(work, ignored);
  return 0;
}
