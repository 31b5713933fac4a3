// Times a 300-pixel-wide proportional thumbnail made with vr::Engine against
// the floor any JPEG thumbnailer has to pay: TurboJPEG decoding the file with
// the same DCT scale the engine picks, and nothing else.
//
//   engine_bench [-n REPEATS] [--width W] [--keep DIR] [--floor] [FILE_OR_DIR...]
//
// --floor times the floor alone and prints "floor_seconds S" (for compare.sh);
// --cold-floor is the floor as a one-shot program: the files as given (no
// search for duplicates), shared out among the threads, each read, measured
// and decoded from its path alone with fresh buffers, at the scale the other
// thumbnailers decode at (see PeerScaleDenominator); it prints
// "cold_floor_seconds S" and is meant to be timed as a whole process.
// Directories are searched for *.jpg / *.jpeg; files with the same bytes are
// timed once. Default input: /usr/share/wallpapers. First single-threaded:
// every stage is summed over all files per round and the median round is
// printed. Then on every core (--threads N to choose): the files shared out
// among N threads, one engine (or one TurboJPEG handle) each, wall time of
// the median round, in megapixels of source per second.
#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "base/heap_reuse.h"
#include "bench_files.h"
#include "imaging/codec_dispatch.h"
#include "imaging/codecs/exif_orientation.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/engine.h"
#include "imaging/ops/resample.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

using bench::CollectJpegs;
using bench::ReadAll;

// The thumbnail's height for a proportional width, halves to even, never 0.
int ProportionalHeight(int target_width, int width, int height) {
  const double h = std::nearbyint(static_cast<double>(target_width) * height / width);
  return std::max(1, static_cast<int>(h));
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Job {
  std::string path;
  std::string out;
  int stored_w = 0, stored_h = 0;              // as the header says
  int thumb_w = 0, thumb_h = 0;                // upright
  int stored_thumb_w = 0, stored_thumb_h = 0;  // the same on the stored axes
  int denominator = 1;                         // the DCT scale the engine uses
};

// Stage names in printing order; each round adds its seconds per stage.
using Round = std::map<std::string, double>;

bool RunEngine(vr::Engine& engine, const Job& job, Round& r) {
  const auto t0 = Clock::now();
  vr::Status s = engine.LoadImage(vr::Engine::kPictureSlot, job.path);
  int w = 0, h = 0;
  if (s.ok()) s = engine.GetImageSize(vr::Engine::kPictureSlot, w, h);
  const auto t1 = Clock::now();
  if (s.ok()) s = engine.Resample(job.thumb_w, job.thumb_h);
  const auto t2 = Clock::now();
  if (s.ok()) {
    engine.SetJpegQuality(85);
    s = engine.Save(job.out, vr::kFormatJpeg);
  }
  const auto t3 = Clock::now();
  if (!s.ok()) {
    std::fprintf(stderr, "engine failed: %s\n", s.message().c_str());
    return false;
  }
  r["engine load"] += Seconds(t0, t1);
  r["engine decode+resample"] += Seconds(t1, t2);
  r["engine save"] += Seconds(t2, t3);
  return true;
}

// The engine's own parts called one by one, to split decode from resample.
bool RunParts(vr::JpegCodec& codec, vr::Resampler& resampler, vr::Image& decoded, vr::Image& thumb,
              const Job& job, Round& r) {
  const auto t0 = Clock::now();
  const std::vector<std::uint8_t> bytes = ReadAll(job.path);
  const int tw = job.stored_thumb_w, th = job.stored_thumb_h;
  vr::Expected<vr::DecodeResult> res = codec.Decode(bytes, job.path, tw, th, decoded);
  const auto t1 = Clock::now();
  if (!res) {
    std::fprintf(stderr, "codec failed: %s\n", res.message().c_str());
    return false;
  }
  const vr::SourceBox box = vr::ShrunkDecodeBox(job.stored_w, job.stored_h, res->shrink, 1);
  resampler.Resample(decoded, box, tw, th, thumb);
  const auto t2 = Clock::now();
  r["parts: read+scaled decode"] += Seconds(t0, t1);
  r["parts: resample"] += Seconds(t1, t2);
  return true;
}

// The floor's work on bytes in memory: header, then the decode at 1/d.
// `w` and `h` receive the stored size; `scale` picks d from them.
template <typename Scale>
bool DecodeFloor(tjhandle tj, const std::vector<std::uint8_t>& bytes, const std::string& path,
                 std::vector<std::uint8_t>& pixels, Scale scale) {
  int w = 0, h = 0, subsamp = 0, colorspace = 0;
  if (tjDecompressHeader3(tj, bytes.data(), bytes.size(), &w, &h, &subsamp, &colorspace) != 0) {
    std::fprintf(stderr, "floor header failed on %s: %s\n", path.c_str(), tjGetErrorStr2(tj));
    return false;
  }
  const int d = scale(w, h);
  const int sw = (w + d - 1) / d, sh = (h + d - 1) / d;
  pixels.resize(static_cast<std::size_t>(sw) * sh * 4);
  if (tjDecompress2(tj, bytes.data(), bytes.size(), pixels.data(), sw, sw * 4, sh, TJPF_RGBA, 0) != 0 &&
      tjGetErrorCode(tj) == TJERR_FATAL) {
    std::fprintf(stderr, "floor decode failed on %s: %s\n", path.c_str(), tjGetErrorStr2(tj));
    return false;
  }
  return true;
}

bool RunFloor(tjhandle tj, std::vector<std::uint8_t>& pixels, const Job& job, Round& r) {
  const auto t0 = Clock::now();
  const std::vector<std::uint8_t> bytes = ReadAll(job.path);
  const auto t1 = Clock::now();
  if (!DecodeFloor(tj, bytes, job.path, pixels, [&](int, int) { return job.denominator; })) return false;
  const auto t2 = Clock::now();
  r["floor read"] += Seconds(t0, t1);
  r["floor header+scaled decode"] += Seconds(t1, t2);
  return true;
}

// The DCT scale the other thumbnailers decode at: the largest d of 8, 4, 2
// that leaves both sides at least twice the target (Pillow's draft to twice
// the size, ImageMagick's jpeg:size at twice the width). The engine may pick
// a finer scale for quality; the floor stays what the peers pay.
int PeerScaleDenominator(int width, int height, int target_width, int target_height) {
  for (const int d : {8, 4, 2})
    if ((width + d - 1) / d >= 2 * target_width && (height + d - 1) / d >= 2 * target_height) return d;
  return 1;
}

// The floor from a path alone: read, header, orientation, the peers' DCT
// scale for a `target_width`-wide proportional thumbnail, scaled decode.
bool FloorFromPath(tjhandle tj, std::vector<std::uint8_t>& pixels, const std::string& path,
                   int target_width) {
  const std::vector<std::uint8_t> bytes = ReadAll(path);
  const int orientation = vr::ReadExifOrientation(bytes);
  return DecodeFloor(tj, bytes, path, pixels, [&](int w, int h) {
    const vr::Sides upright = vr::OrientedSides(w, h, orientation);
    const int thumb_h = ProportionalHeight(target_width, upright.width, upright.height);
    const vr::Sides stored = vr::OrientedSides(target_width, thumb_h, orientation);
    return PeerScaleDenominator(w, h, stored.width, stored.height);
  });
}

// What each thread of a threaded round starts with, fresh every round.
struct ThreadState {
  vr::Engine engine;
  tjhandle tj = tjInitDecompress();
  std::vector<std::uint8_t> pixels;
  ~ThreadState() { tjDestroy(tj); }
};

// Wall seconds for `count` items shared out among `threads` threads, each
// taking the next item; `failed` is set when `run(item, state)` returns false.
template <typename Run>
double SharedOutSeconds(std::size_t count, int threads, bool& failed, Run run) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> any_failed{false};
  const auto t0 = Clock::now();
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&] {
      ThreadState state;
      for (std::size_t i; (i = next.fetch_add(1)) < count;)
        if (!run(i, state)) any_failed = true;
    });
  }
  for (std::thread& thread : pool) thread.join();
  failed = any_failed;
  return Seconds(t0, Clock::now());
}

// One round of FloorFromPath over `files` on `threads` threads; wall
// seconds, or a negative value on failure.
double OneShotFloorSeconds(const std::vector<std::string>& files, int threads, int target_width) {
  bool failed = false;
  const double seconds =
      SharedOutSeconds(files.size(), threads, failed, [&](std::size_t i, ThreadState& state) {
        return FloorFromPath(state.tj, state.pixels, files[i], target_width);
      });
  return failed ? -1.0 : seconds;
}

// Wall seconds for all jobs shared out among `threads` threads; `engine`
// picks the engine path (load + decode + resample), else the floor.
double WallSeconds(const std::vector<Job>& jobs, int threads, bool engine) {
  bool failed = false;
  const double seconds =
      SharedOutSeconds(jobs.size(), threads, failed, [&](std::size_t i, ThreadState& state) {
        const Job& job = jobs[i];
        if (!engine) {
          Round ignored;
          return RunFloor(state.tj, state.pixels, job, ignored);
        }
        return state.engine.LoadImage(vr::Engine::kPictureSlot, job.path).ok() &&
               state.engine.Resample(job.thumb_w, job.thumb_h).ok();
      });
  if (failed) std::fprintf(stderr, "a file failed in the threaded run\n");
  return seconds;
}

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: engine_bench [-n REPEATS (5)] [--width W (300)] [--keep DIR] [--floor] [--cold-floor] "
               "[--threads N]"
               " [FILE_OR_DIR...] (default /usr/share/wallpapers)\n");
}

}  // namespace

int main(int argc, char** argv) {
  vr::KeepFreedBuffersForReuse();  // as the programs do
  int repeats = 5;
  int target_width = 300;
  std::string keep;
  bool floor_only = false;
  bool cold_floor = false;
  int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::vector<std::string> roots;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    } else if (a == "--floor") {
      floor_only = true;
    } else if (a == "--cold-floor") {
      cold_floor = true;
    } else if ((a == "-n" || a == "--width" || a == "--keep" || a == "--threads") && i + 1 < argc) {
      if (a == "-n")
        repeats = std::max(1, std::atoi(argv[++i]));
      else if (a == "--threads")
        threads = std::max(1, std::atoi(argv[++i]));
      else if (a == "--width")
        target_width = std::max(1, std::atoi(argv[++i]));
      else
        keep = argv[++i];
    } else if (!a.empty() && a[0] == '-') {
      Usage(stderr);
      return 2;
    } else {
      roots.emplace_back(a);
    }
  }
  if (roots.empty()) roots.emplace_back("/usr/share/wallpapers");

  if (cold_floor) {
    const std::vector<std::string> given = bench::ListJpegs(roots);
    if (given.empty()) {
      std::fprintf(stderr, "no JPEG files found\n");
      return 1;
    }
    const double seconds = OneShotFloorSeconds(given, threads, target_width);
    if (seconds < 0) return 1;
    std::printf("cold_floor_seconds %.4f\n", seconds);
    return 0;
  }

  const std::vector<std::string> files = CollectJpegs(roots);
  if (files.empty()) {
    std::fprintf(stderr, "no JPEG files found\n");
    return 1;
  }

  std::string out_dir = keep;
  if (out_dir.empty()) {
    char tmpl[] = "/tmp/engine_bench.XXXXXX";
    if (!mkdtemp(tmpl)) {
      std::perror("mkdtemp");
      return 1;
    }
    out_dir = tmpl;
  } else {
    fs::create_directories(out_dir);
  }

  // Sizes and scales once, outside the timed rounds.
  std::vector<Job> jobs;
  tjhandle tj = tjInitDecompress();
  std::uint64_t stored_pixels = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    Job job;
    job.path = files[i];
    job.out = out_dir + "/" + std::to_string(i) + ".jpg";
    const std::vector<std::uint8_t> bytes = ReadAll(job.path);
    int subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(tj, bytes.data(), bytes.size(), &job.stored_w, &job.stored_h, &subsamp,
                            &colorspace)) {
      std::fprintf(stderr, "skipping %s: %s\n", job.path.c_str(), tjGetErrorStr2(tj));
      continue;
    }
    vr::Engine probe;
    int w = 0, h = 0;
    if (!probe.LoadImage(1, job.path).ok() || !probe.GetImageSize(1, w, h).ok()) continue;
    job.thumb_w = target_width;
    job.thumb_h = ProportionalHeight(target_width, w, h);
    const bool swap = w != job.stored_w;  // a quarter turn on load
    job.stored_thumb_w = swap ? job.thumb_h : job.thumb_w;
    job.stored_thumb_h = swap ? job.thumb_w : job.thumb_h;
    job.denominator =
        vr::JpegScaleDenominator(job.stored_w, job.stored_h, job.stored_thumb_w, job.stored_thumb_h);
    stored_pixels += static_cast<std::uint64_t>(job.stored_w) * job.stored_h;
    jobs.push_back(job);
  }

  std::map<int, int> by_scale;
  for (const Job& j : jobs) ++by_scale[j.denominator];
  std::printf(
      "%zu distinct JPEG files, %.1f Mpixel stored, %d rounds (plus one warm-up), thumbnails %d px wide\n",
      jobs.size(), stored_pixels / 1e6, repeats, target_width);
  std::printf("DCT scale:");
  for (auto [d, n] : by_scale) std::printf("  1/%d x %d", d, n);
  std::printf("\n\n");

  vr::Engine engine;
  vr::JpegCodec codec;
  vr::Resampler resampler;
  vr::Image decoded, thumb;
  std::vector<std::uint8_t> pixels;
  std::map<std::string, std::vector<double>> samples;
  for (int round = 0; round <= repeats; ++round) {
    Round r;
    for (const Job& job : jobs) {
      if (!RunFloor(tj, pixels, job, r)) return 1;
      if (floor_only) continue;
      if (!RunEngine(engine, job, r) || !RunParts(codec, resampler, decoded, thumb, job, r)) return 1;
    }
    if (round == 0) continue;  // warm-up: page cache, allocations, weights
    for (auto& [k, v] : r) samples[k].push_back(v);
  }
  tjDestroy(tj);

  if (floor_only) {
    std::printf("floor_seconds %.4f\n",
                Median(samples["floor read"]) + Median(samples["floor header+scaled decode"]));
    if (keep.empty()) fs::remove_all(out_dir);
    return 0;
  }
  std::map<std::string, double> m;
  std::printf("%-28s %10s %12s\n", "stage (sum over files)", "median ms", "ms per file");
  for (auto& [k, v] : samples) {
    m[k] = Median(v);
    std::printf("%-28s %10.2f %12.3f\n", k.c_str(), m[k] * 1e3, m[k] * 1e3 / jobs.size());
  }
  const double floor_decode = m["floor header+scaled decode"];
  const double floor_total = floor_decode + m["floor read"];
  const double engine_dr = m["engine load"] + m["engine decode+resample"];
  const double engine_all = engine_dr + m["engine save"];
  std::printf("\nfloor (read + header + scaled decode): %.2f ms\n", floor_total * 1e3);
  std::printf("engine load + decode + resample:       %.2f ms\n", engine_dr * 1e3);
  std::printf("engine load + decode + resample + save: %.2f ms\n", engine_all * 1e3);
  std::printf("ratio engine/floor, without save: %.3f (target <= 1.15)  [vs decode alone: %.3f]\n",
              engine_dr / floor_total, engine_dr / floor_decode);
  std::printf("ratio engine/floor, with save:    %.3f\n", engine_all / floor_total);

  // Every core: the rounds alternate floor and engine so both see the same
  // machine.
  std::vector<double> floor_walls, engine_walls;
  for (int round = 0; round <= repeats; ++round) {
    const double f = WallSeconds(jobs, threads, false);
    const double e = WallSeconds(jobs, threads, true);
    if (round == 0) continue;
    floor_walls.push_back(f);
    engine_walls.push_back(e);
  }
  const double floor_wall = Median(floor_walls), engine_wall = Median(engine_walls);
  const double mpix = stored_pixels / 1e6;
  std::printf("\n%d threads, wall time of the median round:\n", threads);
  std::printf("floor   %8.2f ms  %8.1f MP/s\n", floor_wall * 1e3, mpix / floor_wall);
  std::printf("engine  %8.2f ms  %8.1f MP/s\n", engine_wall * 1e3, mpix / engine_wall);
  std::printf("ratio engine/floor on %d threads: %.3f (target <= 1.15)\n", threads, engine_wall / floor_wall);

  if (keep.empty()) fs::remove_all(out_dir);
  return 0;
}
