#include "support/qt_image.h"

#include <cstring>

namespace vr {

QImage ToQImage(const Image& image) {
  if (image.empty() || image.pixels.size() < image.stride() * static_cast<std::size_t>(image.height))
    return {};
  QImage result(image.width, image.height, QImage::Format_RGBA8888);
  if (result.isNull()) return {};
  // QImage pads its rows to 32 bits; ours already are, but copy per row so a
  // different padding could never shear the picture.
  for (int y = 0; y < image.height; ++y) std::memcpy(result.scanLine(y), image.row(y), image.stride());
  return result;
}

Image FromQImage(const QImage& image) {
  Image result;
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return result;
  const QImage straight =
      image.format() == QImage::Format_RGBA8888 ? image : image.convertToFormat(QImage::Format_RGBA8888);
  result.Resize(straight.width(), straight.height());
  for (int y = 0; y < result.height; ++y)
    std::memcpy(result.row(y), straight.constScanLine(y), result.stride());
  return result;
}

Image LoadPictureFile(const QString& path) { return FromQImage(QImage(path)); }

}  // namespace vr
