// Pictures in WebP, AVIF, JPEG XL and HEIF made and read back by their own
// libraries, not by our codecs, so the tests hold our code to the formats'
// reference implementations.
#pragma once

#include <avif/avif.h>
#include <gtest/gtest.h>
#include <jxl/decode.h>
#include <jxl/encode.h>
#include <libheif/heif.h>
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "imaging/image.h"

namespace vr::test {

using Bytes = std::vector<std::uint8_t>;

// Smooth shading, hard edges and fine texture, so a wrong scale, turn or
// colour shows in the likeness measure.
inline Image PhotoLike(int width, int height, bool transparent = false) {
  Image image;
  image.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = image.at(x, y);
      const double dx = x - width * 0.3;
      const double dy = y - height * 0.6;
      const bool disc = dx * dx + dy * dy < (height * 0.2) * (height * 0.2);
      const int stripes = ((x / 7) + (y / 11)) % 2 * 40;
      p[0] = static_cast<std::uint8_t>(disc ? 230 : 255 * x / width);
      p[1] = static_cast<std::uint8_t>(disc ? 40 : 180 * y / height + stripes);
      p[2] = static_cast<std::uint8_t>(x < width / 2 ? 60 : 200 - stripes);
      p[3] = transparent ? static_cast<std::uint8_t>(255 * y / height) : 255;
    }
  return image;
}

// The corner marks tell every turn and mirror apart: red top left, green
// top right, blue bottom left, on grey.
inline Image CornerMarks(int width, int height) {
  Image image;
  image.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = image.at(x, y);
      const bool left = x < width / 3, right = x >= width * 2 / 3;
      const bool top = y < height / 3, bottom = y >= height * 2 / 3;
      const std::uint8_t r = left && top ? 250 : 128, g = right && top ? 250 : 128,
                         b = left && bottom ? 250 : 128;
      p[0] = r;
      p[1] = g;
      p[2] = b;
      p[3] = 255;
    }
  return image;
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- WebP

inline Bytes LibWebp(const Image& image, float quality, bool lossless = false) {
  std::uint8_t* out = nullptr;
  const int stride = static_cast<int>(image.stride());
  const std::size_t size =
      lossless ? WebPEncodeLosslessRGBA(image.pixels.data(), image.width, image.height, stride, &out)
               : WebPEncodeRGBA(image.pixels.data(), image.width, image.height, stride, quality, &out);
  Bytes bytes(out, out + size);
  WebPFree(out);
  return bytes;
}

// `webp` with a chunk added ("ICCP", "EXIF", "XMP ").
inline Bytes WithWebpChunk(const Bytes& webp, const char fourcc[4], const Bytes& payload) {
  const WebPData data{webp.data(), webp.size()};
  WebPMux* mux = WebPMuxCreate(&data, 1);
  const WebPData chunk{payload.data(), payload.size()};
  EXPECT_EQ(WebPMuxSetChunk(mux, fourcc, &chunk, 1), WEBP_MUX_OK);
  WebPData assembled;
  WebPDataInit(&assembled);
  EXPECT_EQ(WebPMuxAssemble(mux, &assembled), WEBP_MUX_OK);
  Bytes bytes(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  WebPMuxDelete(mux);
  return bytes;
}

// Two frames: `first` for 100 ms, then `second`.
inline Bytes LibWebpAnimation(const Image& first, const Image& second) {
  WebPAnimEncoderOptions options;
  WebPAnimEncoderOptionsInit(&options);
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(first.width, first.height, &options);
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = 1;
  int timestamp = 0;
  for (const Image* frame : {&first, &second}) {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.use_argb = 1;
    picture.width = frame->width;
    picture.height = frame->height;
    WebPPictureImportRGBA(&picture, frame->pixels.data(), static_cast<int>(frame->stride()));
    EXPECT_TRUE(WebPAnimEncoderAdd(encoder, &picture, timestamp, &config));
    WebPPictureFree(&picture);
    timestamp += 100;
  }
  WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
  WebPData data;
  WebPDataInit(&data);
  EXPECT_TRUE(WebPAnimEncoderAssemble(encoder, &data));
  Bytes bytes(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  WebPAnimEncoderDelete(encoder);
  return bytes;
}

inline Image LibDecodeWebp(const Bytes& bytes) {
  Image image;
  int width = 0, height = 0;
  std::uint8_t* rgba = WebPDecodeRGBA(bytes.data(), bytes.size(), &width, &height);
  if (rgba == nullptr) return image;
  image.Resize(width, height);
  std::memcpy(image.pixels.data(), rgba, image.pixels.size());
  WebPFree(rgba);
  return image;
}

inline Bytes WebpChunk(const Bytes& webp, const char fourcc[4]) {
  const WebPData data{webp.data(), webp.size()};
  WebPDemuxer* demux = WebPDemux(&data);
  Bytes payload;
  WebPChunkIterator chunk;
  if (demux != nullptr && WebPDemuxGetChunk(demux, fourcc, 1, &chunk)) {
    payload.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
  }
  WebPDemuxDelete(demux);
  return payload;
}

// ---- AVIF

struct AvifExtras {
  std::optional<int> irot;  // quarter turns anticlockwise
  std::optional<int> imir;  // 0 top-bottom, 1 left-right
  Bytes icc;
};

inline Bytes LibAvif(const Image& picture, int quantizer, const AvifExtras& extras = {}) {
  avifImage* image = avifImageCreate(static_cast<std::uint32_t>(picture.width),
                                     static_cast<std::uint32_t>(picture.height), 8, AVIF_PIXEL_FORMAT_YUV444);
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image);
  rgb.format = AVIF_RGB_FORMAT_RGBA;
  rgb.pixels = const_cast<std::uint8_t*>(picture.pixels.data());
  rgb.rowBytes = static_cast<std::uint32_t>(picture.stride());
  EXPECT_EQ(avifImageRGBToYUV(image, &rgb), AVIF_RESULT_OK);
  if (extras.irot) {
    image->transformFlags |= AVIF_TRANSFORM_IROT;
    image->irot.angle = static_cast<std::uint8_t>(*extras.irot);
  }
  if (extras.imir) {
    image->transformFlags |= AVIF_TRANSFORM_IMIR;
    image->imir.mode = static_cast<std::uint8_t>(*extras.imir);
  }
  if (!extras.icc.empty()) avifImageSetProfileICC(image, extras.icc.data(), extras.icc.size());
  avifEncoder* encoder = avifEncoderCreate();
  encoder->speed = 8;
  encoder->minQuantizer = encoder->maxQuantizer = quantizer;
  avifRWData out = AVIF_DATA_EMPTY;
  EXPECT_EQ(avifEncoderWrite(encoder, image, &out), AVIF_RESULT_OK);
  Bytes bytes(out.data, out.data + out.size);
  avifRWDataFree(&out);
  avifEncoderDestroy(encoder);
  avifImageDestroy(image);
  return bytes;
}

// The primary picture as stored (no turn applied), with its profile.
inline Image LibDecodeAvif(const Bytes& bytes, Bytes* icc = nullptr, Bytes* exif = nullptr) {
  Image picture;
  avifDecoder* decoder = avifDecoderCreate();
  avifImage* image = avifImageCreateEmpty();
  if (avifDecoderReadMemory(decoder, image, bytes.data(), bytes.size()) == AVIF_RESULT_OK) {
    picture.Resize(static_cast<int>(image->width), static_cast<int>(image->height));
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.format = AVIF_RGB_FORMAT_RGBA;
    rgb.depth = 8;
    rgb.pixels = picture.pixels.data();
    rgb.rowBytes = static_cast<std::uint32_t>(picture.stride());
    EXPECT_EQ(avifImageYUVToRGB(image, &rgb), AVIF_RESULT_OK);
    if (icc != nullptr) icc->assign(image->icc.data, image->icc.data + image->icc.size);
    if (exif != nullptr) exif->assign(image->exif.data, image->exif.data + image->exif.size);
  }
  avifImageDestroy(image);
  avifDecoderDestroy(decoder);
  return picture;
}

// ---- JPEG XL

inline Bytes LibJxl(const Image& picture, float distance, int orientation = 1, const Bytes& icc = {}) {
  JxlEncoder* encoder = JxlEncoderCreate(nullptr);
  JxlBasicInfo basic;
  JxlEncoderInitBasicInfo(&basic);
  basic.xsize = static_cast<std::uint32_t>(picture.width);
  basic.ysize = static_cast<std::uint32_t>(picture.height);
  basic.bits_per_sample = 8;
  basic.num_color_channels = 3;
  basic.alpha_bits = 8;
  basic.num_extra_channels = 1;
  basic.orientation = static_cast<JxlOrientation>(orientation);
  basic.uses_original_profile = distance == 0 ? JXL_TRUE : JXL_FALSE;
  EXPECT_EQ(JxlEncoderSetBasicInfo(encoder, &basic), JXL_ENC_SUCCESS);
  JxlExtraChannelInfo alpha;
  JxlEncoderInitExtraChannelInfo(JXL_CHANNEL_ALPHA, &alpha);
  EXPECT_EQ(JxlEncoderSetExtraChannelInfo(encoder, 0, &alpha), JXL_ENC_SUCCESS);
  if (icc.empty()) {
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    EXPECT_EQ(JxlEncoderSetColorEncoding(encoder, &srgb), JXL_ENC_SUCCESS);
  } else {
    EXPECT_EQ(JxlEncoderSetICCProfile(encoder, icc.data(), icc.size()), JXL_ENC_SUCCESS);
  }
  JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder, nullptr);
  JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, 3);
  if (distance == 0)
    JxlEncoderSetFrameLossless(settings, JXL_TRUE);
  else
    JxlEncoderSetFrameDistance(settings, distance);
  const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  EXPECT_EQ(JxlEncoderAddImageFrame(settings, &format, picture.pixels.data(), picture.pixels.size()),
            JXL_ENC_SUCCESS);
  JxlEncoderCloseInput(encoder);
  Bytes out(1 << 16);
  std::uint8_t* next = out.data();
  std::size_t available = out.size();
  JxlEncoderStatus status;
  while ((status = JxlEncoderProcessOutput(encoder, &next, &available)) == JXL_ENC_NEED_MORE_OUTPUT) {
    const std::size_t written = static_cast<std::size_t>(next - out.data());
    out.resize(out.size() * 2);
    next = out.data() + written;
    available = out.size() - written;
  }
  EXPECT_EQ(status, JXL_ENC_SUCCESS);
  out.resize(static_cast<std::size_t>(next - out.data()));
  JxlEncoderDestroy(encoder);
  return out;
}

struct JxlDecoded {
  Image picture;  // as stored, not turned
  int orientation = 1;
  Bytes icc;         // of the original colours
  bool xyb = false;  // lossy: samples come out in the profile libjxl picks
};

inline JxlDecoded LibDecodeJxl(const Bytes& bytes) {
  JxlDecoded decoded;
  JxlDecoder* decoder = JxlDecoderCreate(nullptr);
  JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE);
  JxlDecoderSetKeepOrientation(decoder, JXL_TRUE);
  JxlDecoderSetInput(decoder, bytes.data(), bytes.size());
  JxlDecoderCloseInput(decoder);
  const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  for (bool done = false; !done;) {
    switch (JxlDecoderProcessInput(decoder)) {
      case JXL_DEC_BASIC_INFO: {
        JxlBasicInfo basic;
        JxlDecoderGetBasicInfo(decoder, &basic);
        decoded.picture.Resize(static_cast<int>(basic.xsize), static_cast<int>(basic.ysize));
        decoded.orientation = basic.orientation;
        decoded.xyb = !basic.uses_original_profile;
        break;
      }
      case JXL_DEC_COLOR_ENCODING: {
        std::size_t size = 0;
        if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &size) ==
            JXL_DEC_SUCCESS) {
          decoded.icc.resize(size);
          JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                         decoded.icc.data(), size);
        }
        break;
      }
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
        JxlDecoderSetImageOutBuffer(decoder, &format, decoded.picture.pixels.data(),
                                    decoded.picture.pixels.size());
        break;
      case JXL_DEC_FULL_IMAGE:
        done = true;
        break;
      default:
        decoded.picture = Image();
        done = true;
        break;
    }
  }
  JxlDecoderDestroy(decoder);
  return decoded;
}

// ---- HEIF (HEVC inside)

inline heif_image* HeifImageOf(const Image& picture) {
  heif_image* image = nullptr;
  EXPECT_EQ(heif_image_create(picture.width, picture.height, heif_colorspace_RGB,
                              heif_chroma_interleaved_RGBA, &image)
                .code,
            heif_error_Ok);
  EXPECT_EQ(heif_image_add_plane(image, heif_channel_interleaved, picture.width, picture.height, 8).code,
            heif_error_Ok);
  int stride = 0;
  std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(plane + static_cast<std::size_t>(y) * stride, picture.row(y), picture.stride());
  return image;
}

inline heif_error WriteToBytes(heif_context*, const void* data, std::size_t size, void* userdata) {
  auto* out = static_cast<Bytes*>(userdata);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
  return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// The primary `picture`; with `thumbnail_source`, a thumbnail made from it
// (scaled to fit `thumbnail_box`), so a test sees which one was decoded.
inline Bytes LibHeif(const Image& picture, int quality, const Image* thumbnail_source = nullptr,
                     int thumbnail_box = 0, const Bytes& icc = {}) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  EXPECT_EQ(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code,
            heif_error_Ok);
  heif_encoder_set_lossy_quality(encoder, quality);
  heif_image* image = HeifImageOf(picture);
  if (!icc.empty()) heif_image_set_raw_color_profile(image, "prof", icc.data(), icc.size());
  heif_image_handle* handle = nullptr;
  EXPECT_EQ(heif_context_encode_image(context, image, encoder, nullptr, &handle).code, heif_error_Ok);
  if (thumbnail_source != nullptr) {
    heif_image* small = HeifImageOf(*thumbnail_source);
    heif_image_handle* thumbnail = nullptr;
    EXPECT_EQ(
        heif_context_encode_thumbnail(context, small, handle, encoder, nullptr, thumbnail_box, &thumbnail)
            .code,
        heif_error_Ok);
    heif_image_handle_release(thumbnail);
    heif_image_release(small);
  }
  Bytes bytes;
  heif_writer writer{1, &WriteToBytes};
  EXPECT_EQ(heif_context_write(context, &writer, &bytes).code, heif_error_Ok);
  heif_image_handle_release(handle);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return bytes;
}

inline Image LibDecodeHeif(const Bytes& bytes) {
  Image picture;
  heif_context* context = heif_context_alloc();
  heif_image_handle* handle = nullptr;
  heif_image* image = nullptr;
  if (heif_context_read_from_memory_without_copy(context, bytes.data(), bytes.size(), nullptr).code ==
          heif_error_Ok &&
      heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok &&
      heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code ==
          heif_error_Ok) {
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    picture.Resize(heif_image_get_width(image, heif_channel_interleaved),
                   heif_image_get_height(image, heif_channel_interleaved));
    for (int y = 0; y < picture.height; ++y)
      std::memcpy(picture.row(y), plane + static_cast<std::size_t>(y) * stride, picture.stride());
  }
  heif_image_release(image);
  heif_image_handle_release(handle);
  heif_context_free(context);
  return picture;
}

}  // namespace vr::test
