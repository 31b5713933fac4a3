#include "imaging/ops/resample.h"

namespace vr {

void Resampler::Resample(const Image& src, int width, int height, Image& dst) {
  Resample(src, WholeSourceBox(src), width, height, dst);
}

void Resampler::Resample(const Image& src, const SourceBox& box, int width, int height, Image& dst) {
  if (&src == &dst) {
    Image result;
    Resample(src, box, width, height, result);
    dst = std::move(result);
    return;
  }
  if (src.empty() || !rows_.Start(src.width, src.height, box, width, height, dst)) {
    dst.Resize(0, 0);
    return;
  }
  for (int y = 0; y < src.height && !rows_.done(); ++y) rows_.Add(src.row(y));
}

Image ResampleImage(const Image& src, int width, int height) {
  return ResampleImage(src, WholeSourceBox(src), width, height);
}

Image ResampleImage(const Image& src, const SourceBox& box, int width, int height) {
  Resampler resampler;
  Image out;
  resampler.Resample(src, box, width, height, out);
  return out;
}

}  // namespace vr
