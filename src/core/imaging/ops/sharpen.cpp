#include "imaging/ops/sharpen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace vr {
namespace {

constexpr int kRadius = 3;
constexpr int kTaps = 2 * kRadius + 1;

// Thumbnails have detail one or two pixels wide: a narrow blur keeps the
// halos short, and the threshold keeps JPEG noise and grain from being
// raised with the edges.
struct MaskShape {
  float sigma;
  float amount;
  float threshold;  // luma levels
};

MaskShape ShapeFor(SharpenLevel level) {
  switch (level) {
    case SharpenLevel::kLight:
      return {0.8f, 0.6f, 1.0f};
    case SharpenLevel::kMedium:
      return {1.0f, 1.0f, 1.0f};
    case SharpenLevel::kStrong:
      return {1.2f, 1.5f, 1.0f};
    case SharpenLevel::kNone:
      break;
  }
  return {0.0f, 0.0f, 0.0f};
}

std::array<float, kTaps> GaussianWeights(float sigma) {
  std::array<float, kTaps> weights{};
  float sum = 0.0f;
  for (int i = -kRadius; i <= kRadius; ++i) {
    const float w = std::exp(-0.5f * static_cast<float>(i * i) / (sigma * sigma));
    weights[static_cast<std::size_t>(i + kRadius)] = w;
    sum += w;
  }
  for (float& w : weights) w /= sum;
  return weights;
}

// Separable blur, edges repeated outward.
std::vector<float> Blur(const std::vector<float>& plane, int width, int height,
                        const std::array<float, kTaps>& weights) {
  std::vector<float> across(plane.size());
  for (int y = 0; y < height; ++y) {
    const float* row = plane.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    float* out = across.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      float sum = 0.0f;
      for (int k = -kRadius; k <= kRadius; ++k)
        sum += weights[static_cast<std::size_t>(k + kRadius)] * row[std::clamp(x + k, 0, width - 1)];
      out[x] = sum;
    }
  }
  std::vector<float> blurred(plane.size());
  const auto w = static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      float sum = 0.0f;
      for (int k = -kRadius; k <= kRadius; ++k)
        sum += weights[static_cast<std::size_t>(k + kRadius)] *
               across[static_cast<std::size_t>(std::clamp(y + k, 0, height - 1)) * w +
                      static_cast<std::size_t>(x)];
      blurred[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] = sum;
    }
  }
  return blurred;
}

float Luma(const std::uint8_t* p) { return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]; }

}  // namespace

SharpenLevel SharpenLevelFromCode(std::int32_t code) {
  if (code < 0 || code > static_cast<std::int32_t>(SharpenLevel::kStrong)) return SharpenLevel::kNone;
  return static_cast<SharpenLevel>(code);
}

std::optional<SharpenLevel> SharpenLevelFromName(std::string_view name) {
  static constexpr std::array<std::string_view, 4> kNames = {"none", "light", "medium", "strong"};
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (name == kNames[i]) return static_cast<SharpenLevel>(i);
  return std::nullopt;
}

void Sharpen(Image& image, SharpenLevel level) {
  const MaskShape shape = ShapeFor(level);
  if (shape.amount <= 0.0f || image.empty()) return;
  const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  std::vector<float> luma(count);
  for (std::size_t i = 0; i < count; ++i) luma[i] = Luma(image.pixels.data() + i * 4);
  const std::vector<float> blurred = Blur(luma, image.width, image.height, GaussianWeights(shape.sigma));

  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* p = image.pixels.data() + i * 4;
    if (p[3] == 0) continue;  // its colour is never seen
    const float detail = luma[i] - blurred[i];
    const float beyond = std::abs(detail) - shape.threshold;
    if (beyond <= 0.0f) continue;
    int delta = static_cast<int>(std::lround(std::copysign(beyond, detail) * shape.amount));
    const int low = std::min({p[0], p[1], p[2]});
    const int high = std::max({p[0], p[1], p[2]});
    delta = std::clamp(delta, -low, 255 - high);
    for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(p[c] + delta);
  }
}

}  // namespace vr
