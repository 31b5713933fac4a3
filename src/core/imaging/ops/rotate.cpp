#include "imaging/ops/rotate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "imaging/limits.h"

namespace vr {
namespace {

// Degrees reduced to [0, 360).
double ReducedAngle(float degrees) {
  if (!std::isfinite(degrees)) return 0.0;
  double a = std::fmod(static_cast<double>(degrees), 360.0);
  if (a < 0) a += 360.0;
  if (a >= 360.0) a -= 360.0;  // a tiny negative angle can round up to 360
  return a;
}

// Quarter turns counter-clockwise: 1, 2 or 3. Each destination pixel names
// the source pixel it takes.
Image QuarterTurns(const Image& src, int turns) {
  const int w = src.width;
  const int h = src.height;
  Image out;
  if (turns == 2)
    out.Resize(w, h);
  else
    out.Resize(h, w);
  for (int y = 0; y < out.height; ++y) {
    std::uint8_t* dst = out.row(y);
    for (int x = 0; x < out.width; ++x, dst += 4) {
      const std::uint8_t* s = nullptr;
      switch (turns) {
        case 1:
          s = src.at(w - 1 - y, x);
          break;  // right edge becomes the top
        case 2:
          s = src.at(w - 1 - x, h - 1 - y);
          break;  // upside down
        default:
          s = src.at(y, h - 1 - x);
          break;  // left edge becomes the top
      }
      std::memcpy(dst, s, 4);
    }
  }
  return out;
}

// Premultiplied colour of a source pixel, transparent black outside.
struct Premultiplied {
  double r = 0, g = 0, b = 0, a = 0;
};

inline void AddSample(const Image& src, int x, int y, double weight, Premultiplied& sum) {
  if (x < 0 || y < 0 || x >= src.width || y >= src.height || weight == 0) return;
  const std::uint8_t* p = src.at(x, y);
  const double wa = weight * p[3];
  sum.r += wa * p[0];
  sum.g += wa * p[1];
  sum.b += wa * p[2];
  sum.a += wa;
}

inline std::uint8_t ToByte(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

Image FreeTurn(const Image& src, double degrees) {
  const double radians = degrees * std::numbers::pi / 180.0;
  const double cs = std::cos(radians);
  const double sn = std::sin(radians);
  // Bounding box of the turned rectangle; the small slack keeps rounding
  // noise from adding a column of nothing.
  const double exact_w = src.width * std::fabs(cs) + src.height * std::fabs(sn);
  const double exact_h = src.width * std::fabs(sn) + src.height * std::fabs(cs);
  const double out_w = std::max(1.0, std::ceil(exact_w - 1e-6));
  const double out_h = std::max(1.0, std::ceil(exact_h - 1e-6));
  if (out_w > static_cast<double>(kMaxImageSide) || out_h > static_cast<double>(kMaxImageSide) ||
      !CheckImageSize(static_cast<std::int64_t>(out_w), static_cast<std::int64_t>(out_h), "").ok())
    return Image{};
  Image out;
  out.Resize(static_cast<int>(out_w), static_cast<int>(out_h));

  // Each destination pixel centre, taken relative to the canvas centre, is
  // turned back by the angle into the source (rows run downwards, hence the
  // signs) and sampled bilinearly there.
  const double src_cx = src.width / 2.0;
  const double src_cy = src.height / 2.0;
  const double dst_cx = out.width / 2.0;
  const double dst_cy = out.height / 2.0;
  for (int y = 0; y < out.height; ++y) {
    std::uint8_t* dst = out.row(y);
    const double dy = y + 0.5 - dst_cy;
    for (int x = 0; x < out.width; ++x, dst += 4) {
      const double dx = x + 0.5 - dst_cx;
      const double sx = src_cx + dx * cs - dy * sn - 0.5;
      const double sy = src_cy + dx * sn + dy * cs - 0.5;
      const double fx = std::floor(sx);
      const double fy = std::floor(sy);
      if (fx < -1 || fy < -1 || fx >= src.width || fy >= src.height) {
        std::memset(dst, 0, 4);
        continue;
      }
      const int x0 = static_cast<int>(fx);
      const int y0 = static_cast<int>(fy);
      const double tx = sx - fx;
      const double ty = sy - fy;
      Premultiplied sum;
      AddSample(src, x0, y0, (1 - tx) * (1 - ty), sum);
      AddSample(src, x0 + 1, y0, tx * (1 - ty), sum);
      AddSample(src, x0, y0 + 1, (1 - tx) * ty, sum);
      AddSample(src, x0 + 1, y0 + 1, tx * ty, sum);
      const std::uint8_t alpha = ToByte(sum.a);
      if (alpha == 0) {
        std::memset(dst, 0, 4);
        continue;
      }
      dst[0] = ToByte(sum.r / sum.a);
      dst[1] = ToByte(sum.g / sum.a);
      dst[2] = ToByte(sum.b / sum.a);
      dst[3] = alpha;
    }
  }
  return out;
}

}  // namespace

Image RotateImage(const Image& src, float degrees) {
  if (src.empty()) return Image{};
  const double angle = ReducedAngle(degrees);
  if (angle == 0.0) return src;
  if (angle == 90.0) return QuarterTurns(src, 1);
  if (angle == 180.0) return QuarterTurns(src, 2);
  if (angle == 270.0) return QuarterTurns(src, 3);
  return FreeTurn(src, angle);
}

}  // namespace vr
