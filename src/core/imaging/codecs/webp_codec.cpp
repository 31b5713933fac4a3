#include "imaging/codecs/webp_codec.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "imaging/codecs/embedded_facts.h"
#include "imaging/codecs/exif_orientation.h"
#include "imaging/limits.h"
#include "imaging/metadata/orientation_sources.h"
#include "imaging/metadata/xmp_packet.h"

namespace vr {
namespace {

struct DemuxDeleter {
  void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
using Demux = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

// A demuxer over whatever part of the file is there: chunks that lie wholly
// inside the bytes are found.
Demux OpenDemux(std::span<const std::uint8_t> bytes) {
  const WebPData data{bytes.data(), bytes.size()};
  return Demux(WebPDemuxPartial(&data, nullptr));
}

std::span<const std::uint8_t> Chunk(WebPDemuxer* demux, const char fourcc[4]) {
  if (demux == nullptr) return {};
  WebPChunkIterator chunk;
  std::span<const std::uint8_t> found;
  if (WebPDemuxGetChunk(demux, fourcc, 1, &chunk)) found = {chunk.chunk.bytes, chunk.chunk.size};
  WebPDemuxReleaseChunkIterator(&chunk);
  return found;
}

std::string VP8Reason(VP8StatusCode code) {
  switch (code) {
    case VP8_STATUS_OUT_OF_MEMORY:
      return "not enough memory";
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return "its data ends early";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return "a feature libwebp does not support";
    default:
      return "its data is damaged";
  }
}

// The decoded size that still leaves the resampler a reduction of at least
// two on both axes; none when scaling would save little.
std::optional<Sides> ScaledSize(int width, int height, int target_width, int target_height) {
  if (target_width <= 0 || target_height <= 0) return std::nullopt;
  const double scale = std::max(2.0 * target_width / width, 2.0 * target_height / height);
  if (scale > 0.5) return std::nullopt;
  const Sides scaled{std::max(1, static_cast<int>(std::ceil(width * scale))),
                     std::max(1, static_cast<int>(std::ceil(height * scale)))};
  return scaled;
}

Status DecodeFirstFrame(std::span<const std::uint8_t> bytes, const std::string& file, Image& out) {
  const WebPData data{bytes.data(), bytes.size()};
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return Status::Fail("Cannot set up libwebp for " + file);
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  std::unique_ptr<WebPAnimDecoder, decltype(&WebPAnimDecoderDelete)> decoder(
      WebPAnimDecoderNew(&data, &options), &WebPAnimDecoderDelete);
  if (!decoder) return Status::Fail("Invalid WebP animation in " + file);
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(decoder.get(), &info)) return Status::Fail("Invalid WebP animation in " + file);
  const auto width = static_cast<std::int64_t>(info.canvas_width);
  const auto height = static_cast<std::int64_t>(info.canvas_height);
  VR_TRY(CheckImageSize(width, height, file));
  std::uint8_t* canvas = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || canvas == nullptr)
    return Status::Fail("Invalid WebP: the first frame of " + file + " does not decode");
  out.Resize(static_cast<int>(width), static_cast<int>(height));
  std::memcpy(out.pixels.data(), canvas, out.pixels.size());
  return Status::Ok();
}

}  // namespace

Expected<ImageInfo> ReadWebpInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  WebPBitstreamFeatures features;
  const VP8StatusCode code = WebPGetFeatures(bytes.data(), bytes.size(), &features);
  if (code != VP8_STATUS_OK) return Status::Fail("Invalid WebP: " + VP8Reason(code) + " in " + file);
  ImageInfo info;
  info.kind = FileKind::Webp;
  info.width = features.width;
  info.height = features.height;
  info.orientation = ReadWebpOrientation(bytes);
  return info;
}

int ReadWebpOrientation(std::span<const std::uint8_t> bytes) {
  const Demux demux = OpenDemux(bytes);
  const std::vector<std::uint8_t> exif = TiffStructuredExif(Chunk(demux.get(), "EXIF"));
  const std::span<const std::uint8_t> xmp = Chunk(demux.get(), "XMP ");
  return DecideOrientation(FindTiffOrientation(exif),
                           FindXmpOrientation({reinterpret_cast<const char*>(xmp.data()), xmp.size()}));
}

Status DecodeWebp(std::span<const std::uint8_t> bytes, const std::string& file, int target_width,
                  int target_height, Image& out, SourceColour& colour) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return Status::Fail("Cannot set up libwebp for " + file);
  VP8StatusCode code = WebPGetFeatures(bytes.data(), bytes.size(), &config.input);
  if (code != VP8_STATUS_OK) return Status::Fail("Invalid WebP: " + VP8Reason(code) + " in " + file);
  VR_TRY(CheckImageSize(config.input.width, config.input.height, file));
  {
    const Demux demux = OpenDemux(bytes);
    const std::span<const std::uint8_t> icc = Chunk(demux.get(), "ICCP");
    if (icc.size() <= kMaxIccProfileBytes) colour.icc.assign(icc.begin(), icc.end());
  }
  if (config.input.has_animation) return DecodeFirstFrame(bytes, file, out);

  Sides size{config.input.width, config.input.height};
  if (const std::optional<Sides> scaled = ScaledSize(size.width, size.height, target_width, target_height)) {
    config.options.use_scaling = 1;
    config.options.scaled_width = scaled->width;
    config.options.scaled_height = scaled->height;
    size = *scaled;
  }
  out.Resize(size.width, size.height);
  config.output.colorspace = MODE_RGBA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = out.pixels.data();
  config.output.u.RGBA.stride = static_cast<int>(out.stride());
  config.output.u.RGBA.size = out.pixels.size();
  code = WebPDecode(bytes.data(), bytes.size(), &config);
  WebPFreeDecBuffer(&config.output);
  if (code != VP8_STATUS_OK) return Status::Fail("Cannot decode WebP " + file + ": " + VP8Reason(code));
  return Status::Ok();
}

PictureMetadata ReadWebpMetadata(std::span<const std::uint8_t> bytes) {
  PictureMetadata metadata;
  const Demux demux = OpenDemux(bytes);
  metadata.exif = TiffStructuredExif(Chunk(demux.get(), "EXIF"));
  const std::span<const std::uint8_t> xmp = Chunk(demux.get(), "XMP ");
  metadata.xmp.assign(reinterpret_cast<const char*>(xmp.data()), xmp.size());
  return metadata;
}

namespace {

Status EncodePixels(const Image& image, const WebpOptions& options, std::vector<std::uint8_t>& out,
                    const std::string& file) {
  WebPConfig config;
  WebPPicture picture;
  if (!WebPConfigInit(&config) || !WebPPictureInit(&picture))
    return Status::Fail("Cannot set up libwebp for " + file);
  config.quality = static_cast<float>(std::clamp(options.quality, 0, 100));
  config.lossless = options.lossless ? 1 : 0;
  picture.use_argb = options.lossless ? 1 : 0;
  picture.width = image.width;
  picture.height = image.height;
  const int stride = static_cast<int>(image.stride());
  // Without transparency no alpha plane is written at all.
  const int imported = image.HasTransparency() ? WebPPictureImportRGBA(&picture, image.pixels.data(), stride)
                                               : WebPPictureImportRGBX(&picture, image.pixels.data(), stride);
  if (!imported) {
    WebPPictureFree(&picture);
    return Status::Fail("Cannot encode WebP " + file + ": not enough memory");
  }
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer;
  const int encoded = WebPEncode(&config, &picture);
  const WebPEncodingError error = picture.error_code;
  WebPPictureFree(&picture);
  if (!encoded) {
    WebPMemoryWriterClear(&writer);
    return Status::Fail("Cannot encode WebP " + file + " (libwebp error " + std::to_string(error) + ")");
  }
  out.assign(writer.mem, writer.mem + writer.size);
  WebPMemoryWriterClear(&writer);
  return Status::Ok();
}

}  // namespace

Status EncodeWebp(const Image& image, const WebpOptions& options, const EncodeExtras& extras,
                  std::vector<std::uint8_t>& out, const std::string& file) {
  out.clear();
  VR_TRY(EncodePixels(image, options, out, file));
  const PictureMetadata none;
  const PictureMetadata& metadata = extras.metadata != nullptr ? *extras.metadata : none;
  if (extras.icc.empty() && metadata.exif.empty() && metadata.xmp.empty()) return Status::Ok();

  const WebPData picture{out.data(), out.size()};
  std::unique_ptr<WebPMux, decltype(&WebPMuxDelete)> mux(WebPMuxCreate(&picture, 1), &WebPMuxDelete);
  if (!mux) return Status::Fail("Cannot add the profile and metadata to WebP " + file);
  const auto set = [&](const char fourcc[4], const std::uint8_t* data, std::size_t size) {
    if (size == 0) return true;
    const WebPData chunk{data, size};
    return WebPMuxSetChunk(mux.get(), fourcc, &chunk, 1) == WEBP_MUX_OK;
  };
  const bool chunks_set =
      set("ICCP", extras.icc.data(), extras.icc.size()) &&
      set("EXIF", metadata.exif.data(), metadata.exif.size()) &&
      set("XMP ", reinterpret_cast<const std::uint8_t*>(metadata.xmp.data()), metadata.xmp.size());
  WebPData assembled;
  WebPDataInit(&assembled);
  if (!chunks_set || WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK) {
    WebPDataClear(&assembled);
    out.clear();
    return Status::Fail("Cannot add the profile and metadata to WebP " + file);
  }
  out.assign(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  return Status::Ok();
}

}  // namespace vr
