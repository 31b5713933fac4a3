#include "imaging/codecs/avif_codec.h"

#include <avif/avif.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "imaging/codecs/embedded_facts.h"
#include "imaging/limits.h"

namespace vr {
namespace {

struct DecoderDeleter {
  void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<avifDecoder, DecoderDeleter>;

std::string Reason(avifResult result) { return avifResultToString(result); }

// A decoder that has parsed the container: sizes and properties are known,
// no pixels decoded yet.
Expected<Decoder> Parse(std::span<const std::uint8_t> bytes, const std::string& file, bool metadata) {
  Decoder decoder(avifDecoderCreate());
  if (!decoder) return Status::Fail("Cannot set up libavif for " + file + ": not enough memory");
  decoder->maxThreads = 1;
  decoder->imageSizeLimit = static_cast<std::uint32_t>(kMaxImagePixels);
  decoder->imageDimensionLimit = static_cast<std::uint32_t>(kMaxImageSide);
  decoder->ignoreExif = metadata ? AVIF_FALSE : AVIF_TRUE;
  decoder->ignoreXMP = metadata ? AVIF_FALSE : AVIF_TRUE;
  avifResult result = avifDecoderSetIOMemory(decoder.get(), bytes.data(), bytes.size());
  if (result == AVIF_RESULT_OK) result = avifDecoderParse(decoder.get());
  if (result != AVIF_RESULT_OK) return Status::Fail("Invalid AVIF: " + Reason(result) + " in " + file);
  VR_TRY(CheckImageSize(decoder->image->width, decoder->image->height, file));
  return decoder;
}

int Orientation(const avifImage& image) {
  const int turns = (image.transformFlags & AVIF_TRANSFORM_IROT) ? image.irot.angle % 4 : 0;
  std::optional<int> mirror;
  if (image.transformFlags & AVIF_TRANSFORM_IMIR) mirror = image.imir.mode & 1;
  return OrientationOfTransforms(turns, mirror);
}

}  // namespace

int OrientationOfTransforms(int quarter_turns, std::optional<int> mirror) {
  constexpr int kTopBottom = 0;
  // Rows: quarter turns anticlockwise; columns: no mirror, top-bottom, left-right.
  constexpr int kTable[4][3] = {{1, 4, 2}, {8, 5, 7}, {3, 2, 4}, {6, 7, 5}};
  const int column = !mirror ? 0 : (*mirror == kTopBottom ? 1 : 2);
  return kTable[((quarter_turns % 4) + 4) % 4][column];
}

Expected<ImageInfo> ReadAvifInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  VR_TRY_ASSIGN(const Decoder decoder, Parse(bytes, file, false));
  ImageInfo info;
  info.kind = FileKind::Avif;
  info.width = static_cast<int>(decoder->image->width);
  info.height = static_cast<int>(decoder->image->height);
  info.orientation = Orientation(*decoder->image);
  return info;
}

Status DecodeAvif(std::span<const std::uint8_t> bytes, const std::string& file, Image& out,
                  SourceColour& colour) {
  VR_TRY_ASSIGN(const Decoder decoder, Parse(bytes, file, false));
  if (const avifResult result = avifDecoderNextImage(decoder.get()); result != AVIF_RESULT_OK)
    return Status::Fail("Cannot decode AVIF " + file + ": " + Reason(result));
  const avifImage& image = *decoder->image;
  VR_TRY(CheckImageSize(image.width, image.height, file));
  if (image.icc.size > 0 && image.icc.size <= kMaxIccProfileBytes)
    colour.icc.assign(image.icc.data, image.icc.data + image.icc.size);
  else
    colour = ColourFromCodePoints(image.colorPrimaries, image.transferCharacteristics);

  out.Resize(static_cast<int>(image.width), static_cast<int>(image.height));
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, &image);
  rgb.format = AVIF_RGB_FORMAT_RGBA;
  rgb.depth = 8;
  rgb.pixels = out.pixels.data();
  rgb.rowBytes = static_cast<std::uint32_t>(out.stride());
  if (const avifResult result = avifImageYUVToRGB(&image, &rgb); result != AVIF_RESULT_OK)
    return Status::Fail("Cannot decode AVIF " + file + ": " + Reason(result));
  return Status::Ok();
}

PictureMetadata ReadAvifMetadata(std::span<const std::uint8_t> bytes) {
  PictureMetadata metadata;
  Expected<Decoder> decoder = Parse(bytes, std::string(), true);
  if (!decoder) return metadata;
  const avifImage& image = *(*decoder)->image;
  metadata.exif = TiffStructuredExif({image.exif.data, image.exif.size});
  metadata.xmp.assign(reinterpret_cast<const char*>(image.xmp.data), image.xmp.size);
  return metadata;
}

Status EncodeAvif(const Image& picture, const AvifOptions& options, const EncodeExtras& extras,
                  std::vector<std::uint8_t>& out, const std::string& file) {
  out.clear();
  std::unique_ptr<avifImage, decltype(&avifImageDestroy)> image(
      avifImageCreate(static_cast<std::uint32_t>(picture.width), static_cast<std::uint32_t>(picture.height),
                      8, AVIF_PIXEL_FORMAT_YUV420),
      &avifImageDestroy);
  if (!image) return Status::Fail("Cannot encode AVIF " + file + ": not enough memory");
  image->yuvRange = AVIF_RANGE_FULL;
  image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_BT601;
  if (!extras.icc.empty()) {
    avifImageSetProfileICC(image.get(), extras.icc.data(), extras.icc.size());
  } else {
    image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
    image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
  }
  if (extras.metadata != nullptr) {
    const PictureMetadata& kept = *extras.metadata;
    if (!kept.exif.empty()) avifImageSetMetadataExif(image.get(), kept.exif.data(), kept.exif.size());
    if (!kept.xmp.empty())
      avifImageSetMetadataXMP(image.get(), reinterpret_cast<const std::uint8_t*>(kept.xmp.data()),
                              kept.xmp.size());
  }
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image.get());
  rgb.format = AVIF_RGB_FORMAT_RGBA;
  rgb.depth = 8;
  rgb.ignoreAlpha = picture.HasTransparency() ? AVIF_FALSE : AVIF_TRUE;
  rgb.pixels = const_cast<std::uint8_t*>(picture.pixels.data());  // only read
  rgb.rowBytes = static_cast<std::uint32_t>(picture.stride());
  if (const avifResult result = avifImageRGBToYUV(image.get(), &rgb); result != AVIF_RESULT_OK)
    return Status::Fail("Cannot encode AVIF " + file + ": " + Reason(result));

  std::unique_ptr<avifEncoder, decltype(&avifEncoderDestroy)> encoder(avifEncoderCreate(),
                                                                      &avifEncoderDestroy);
  if (!encoder) return Status::Fail("Cannot encode AVIF " + file + ": not enough memory");
  const int quantizer = static_cast<int>(
      std::lround((100 - std::clamp(options.quality, 0, 100)) * AVIF_QUANTIZER_WORST_QUALITY / 100.0));
  encoder->maxThreads = 1;
  encoder->speed = std::clamp(options.speed, AVIF_SPEED_SLOWEST, AVIF_SPEED_FASTEST);
  encoder->minQuantizer = encoder->maxQuantizer = quantizer;
  encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = quantizer;
  avifRWData encoded = AVIF_DATA_EMPTY;
  const avifResult result = avifEncoderWrite(encoder.get(), image.get(), &encoded);
  if (result == AVIF_RESULT_OK) out.assign(encoded.data, encoded.data + encoded.size);
  avifRWDataFree(&encoded);
  if (result != AVIF_RESULT_OK) return Status::Fail("Cannot encode AVIF " + file + ": " + Reason(result));
  return Status::Ok();
}

}  // namespace vr
