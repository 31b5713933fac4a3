#include "imaging/codecs/jxl_codec.h"

#include <jxl/decode.h>
#include <jxl/encode.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/codecs/embedded_facts.h"
#include "imaging/limits.h"

namespace vr {
namespace {

struct DecoderDeleter {
  void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
using Decoder = std::unique_ptr<JxlDecoder, DecoderDeleter>;

struct EncoderDeleter {
  void operator()(JxlEncoder* encoder) const { JxlEncoderDestroy(encoder); }
};
using Encoder = std::unique_ptr<JxlEncoder, EncoderDeleter>;

// The metadata boxes are small; a larger one is dropped.
constexpr std::size_t kMaxBoxBytes = std::size_t{4} << 20;

Expected<Decoder> Open(std::span<const std::uint8_t> bytes, int events, const std::string& file) {
  Decoder decoder(JxlDecoderCreate(nullptr));
  if (!decoder) return Status::Fail("Cannot set up libjxl for " + file + ": not enough memory");
  if (JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS ||
      JxlDecoderSetKeepOrientation(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(decoder.get(), bytes.data(), bytes.size()) != JXL_DEC_SUCCESS)
    return Status::Fail("Cannot set up libjxl for " + file);
  JxlDecoderCloseInput(decoder.get());
  return decoder;
}

Status Broken(JxlDecoderStatus status, const std::string& file) {
  if (status == JXL_DEC_NEED_MORE_INPUT)
    return Status::Fail("Invalid JPEG XL: its data ends early in " + file);
  return Status::Fail("Invalid JPEG XL: its data is damaged in " + file);
}

bool IsSrgb(const JxlColorEncoding& c) {
  return c.color_space == JXL_COLOR_SPACE_RGB && c.white_point == JXL_WHITE_POINT_D65 &&
         c.primaries == JXL_PRIMARIES_SRGB && c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// The decoded samples' colour: none for sRGB, else their profile (libjxl
// makes one for colours it holds as an encoding). A grey picture comes out
// as RGB, for which a grey profile would be wrong; it stays untagged.
SourceColour DecodedColour(JxlDecoder* decoder, bool grey) {
  SourceColour colour;
  JxlColorEncoding encoding;
  if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) ==
          JXL_DEC_SUCCESS &&
      (IsSrgb(encoding) || encoding.color_space == JXL_COLOR_SPACE_GRAY))
    return colour;
  if (grey) return colour;
  std::size_t size = 0;
  if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
          JXL_DEC_SUCCESS ||
      size == 0 || size > kMaxIccProfileBytes)
    return colour;
  colour.icc.resize(size);
  if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, colour.icc.data(),
                                     size) != JXL_DEC_SUCCESS)
    colour.icc.clear();
  return colour;
}

}  // namespace

Expected<ImageInfo> ReadJxlInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  VR_TRY_ASSIGN(const Decoder decoder, Open(bytes, JXL_DEC_BASIC_INFO, file));
  const JxlDecoderStatus status = JxlDecoderProcessInput(decoder.get());
  if (status != JXL_DEC_BASIC_INFO) return Broken(status, file);
  JxlBasicInfo basic;
  if (JxlDecoderGetBasicInfo(decoder.get(), &basic) != JXL_DEC_SUCCESS) return Broken(JXL_DEC_ERROR, file);
  VR_TRY(CheckImageSize(basic.xsize, basic.ysize, file));
  ImageInfo info;
  info.kind = FileKind::Jxl;
  info.width = static_cast<int>(basic.xsize);
  info.height = static_cast<int>(basic.ysize);
  info.orientation = std::clamp(static_cast<int>(basic.orientation), 1, 8);
  return info;
}

Status DecodeJxl(std::span<const std::uint8_t> bytes, const std::string& file, Image& out,
                 SourceColour& colour) {
  VR_TRY_ASSIGN(const Decoder decoder,
                Open(bytes, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE, file));
  const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  bool grey = false;
  bool have_size = false;
  for (;;) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(decoder.get());
    switch (status) {
      case JXL_DEC_BASIC_INFO: {
        JxlBasicInfo basic;
        if (JxlDecoderGetBasicInfo(decoder.get(), &basic) != JXL_DEC_SUCCESS)
          return Broken(JXL_DEC_ERROR, file);
        // Checked before the decoder or we allocate the picture.
        VR_TRY(CheckImageSize(basic.xsize, basic.ysize, file));
        grey = basic.num_color_channels == 1;
        out.Resize(static_cast<int>(basic.xsize), static_cast<int>(basic.ysize));
        have_size = true;
        break;
      }
      case JXL_DEC_COLOR_ENCODING:
        colour = DecodedColour(decoder.get(), grey);
        break;
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
        std::size_t size = 0;
        if (!have_size || JxlDecoderImageOutBufferSize(decoder.get(), &format, &size) != JXL_DEC_SUCCESS ||
            size != out.pixels.size() ||
            JxlDecoderSetImageOutBuffer(decoder.get(), &format, out.pixels.data(), size) != JXL_DEC_SUCCESS)
          return Status::Fail("Cannot decode JPEG XL " + file + ": unexpected picture layout");
        break;
      }
      case JXL_DEC_FULL_IMAGE:  // the first frame is the picture
      case JXL_DEC_SUCCESS:
        if (!have_size) return Broken(JXL_DEC_ERROR, file);
        return Status::Ok();
      default:
        return Broken(status, file);
    }
  }
}

PictureMetadata ReadJxlMetadata(std::span<const std::uint8_t> bytes) {
  PictureMetadata metadata;
  Expected<Decoder> opened = Open(bytes, JXL_DEC_BOX, std::string());
  if (!opened) return metadata;
  JxlDecoder* decoder = opened->get();
  if (JxlDecoderSetDecompressBoxes(decoder, JXL_TRUE) != JXL_DEC_SUCCESS) return metadata;
  std::vector<std::uint8_t> box;
  std::string type;  // of the box being read; empty while none is
  // The buffer is handed over from `written` on; what is left unused when
  // it comes back tells how far the decoder wrote.
  std::size_t written = 0;
  const auto take_back = [&] { written = box.size() - JxlDecoderReleaseBoxBuffer(decoder); };
  const auto finish_box = [&] {
    if (type.empty()) return;
    take_back();
    box.resize(written);
    if (type == "Exif" && metadata.exif.empty()) metadata.exif = TiffStructuredExif(box);
    if (type == "xml " && metadata.xmp.empty()) metadata.xmp.assign(box.begin(), box.end());
    type.clear();
  };
  for (;;) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
    if (status == JXL_DEC_BOX) {
      finish_box();
      JxlBoxType name;
      if (JxlDecoderGetBoxType(decoder, name, JXL_TRUE) != JXL_DEC_SUCCESS) break;
      const std::string found(name, 4);
      if (found != "Exif" && found != "xml ") continue;
      type = found;
      box.assign(64 * 1024, 0);
      written = 0;
      if (JxlDecoderSetBoxBuffer(decoder, box.data(), box.size()) != JXL_DEC_SUCCESS) break;
    } else if (status == JXL_DEC_BOX_NEED_MORE_OUTPUT && !type.empty()) {
      take_back();
      if (box.size() * 2 > kMaxBoxBytes) break;
      box.resize(box.size() * 2);
      if (JxlDecoderSetBoxBuffer(decoder, box.data() + written, box.size() - written) != JXL_DEC_SUCCESS)
        break;
    } else {
      if (status == JXL_DEC_SUCCESS) finish_box();
      break;
    }
  }
  return metadata;
}

float JxlDistanceForQuality(int quality) {
  quality = std::clamp(quality, 0, 100);
  if (quality >= 100) return 0.0f;
  if (quality >= 30) return 0.1f + static_cast<float>(100 - quality) * 0.09f;
  // Below 30 cjxl's curve bends towards its largest distances; libjxl takes
  // none beyond 25.
  return std::min(25.0f, 6.4f + static_cast<float>(std::pow(2.5, (30 - quality) / 5.0) / 6.25));
}

namespace {

std::vector<std::uint8_t> ExifBox(std::span<const std::uint8_t> exif) {
  // The box starts with the offset of the TIFF header, here 0.
  std::vector<std::uint8_t> box(4, 0);
  box.insert(box.end(), exif.begin(), exif.end());
  return box;
}

Status Fail(const std::string& file, const char* what) {
  return Status::Fail("Cannot encode JPEG XL " + file + ": " + what);
}

}  // namespace

Status EncodeJxl(const Image& image, const JxlOptions& options, const EncodeExtras& extras,
                 std::vector<std::uint8_t>& out, const std::string& file) {
  out.clear();
  Encoder encoder(JxlEncoderCreate(nullptr));
  if (!encoder) return Fail(file, "not enough memory");
  const bool alpha = image.HasTransparency();
  const float distance = JxlDistanceForQuality(options.quality);
  const bool lossless = distance == 0.0f;
  const PictureMetadata none;
  const PictureMetadata& metadata = extras.metadata != nullptr ? *extras.metadata : none;
  const bool boxes = !metadata.exif.empty() || !metadata.xmp.empty();

  JxlBasicInfo basic;
  JxlEncoderInitBasicInfo(&basic);
  basic.xsize = static_cast<std::uint32_t>(image.width);
  basic.ysize = static_cast<std::uint32_t>(image.height);
  basic.bits_per_sample = 8;
  basic.num_color_channels = 3;
  basic.alpha_bits = alpha ? 8 : 0;
  basic.num_extra_channels = alpha ? 1 : 0;
  basic.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
  basic.orientation = JXL_ORIENT_IDENTITY;
  if (boxes && (JxlEncoderUseContainer(encoder.get(), JXL_TRUE) != JXL_ENC_SUCCESS ||
                JxlEncoderUseBoxes(encoder.get()) != JXL_ENC_SUCCESS))
    return Fail(file, "cannot add boxes");
  if (JxlEncoderSetBasicInfo(encoder.get(), &basic) != JXL_ENC_SUCCESS) return Fail(file, "picture refused");
  if (alpha) {
    JxlExtraChannelInfo channel;
    JxlEncoderInitExtraChannelInfo(JXL_CHANNEL_ALPHA, &channel);
    if (JxlEncoderSetExtraChannelInfo(encoder.get(), 0, &channel) != JXL_ENC_SUCCESS)
      return Fail(file, "alpha refused");
  }
  if (!extras.icc.empty()) {
    if (JxlEncoderSetICCProfile(encoder.get(), extras.icc.data(), extras.icc.size()) != JXL_ENC_SUCCESS)
      return Fail(file, "its colour profile is refused");
  } else {
    JxlColorEncoding srgb;
    JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
    if (JxlEncoderSetColorEncoding(encoder.get(), &srgb) != JXL_ENC_SUCCESS)
      return Fail(file, "colour refused");
  }
  JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
  if (settings == nullptr ||
      JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT,
                                       std::clamp(options.effort, 1, 9)) != JXL_ENC_SUCCESS ||
      JxlEncoderSetFrameDistance(settings, distance) != JXL_ENC_SUCCESS ||
      JxlEncoderSetFrameLossless(settings, lossless ? JXL_TRUE : JXL_FALSE) != JXL_ENC_SUCCESS)
    return Fail(file, "settings refused");

  if (!metadata.exif.empty()) {
    const std::vector<std::uint8_t> exif = ExifBox(metadata.exif);
    if (JxlEncoderAddBox(encoder.get(), "Exif", exif.data(), exif.size(), JXL_FALSE) != JXL_ENC_SUCCESS)
      return Fail(file, "EXIF refused");
  }
  if (!metadata.xmp.empty() &&
      JxlEncoderAddBox(encoder.get(), "xml ", reinterpret_cast<const std::uint8_t*>(metadata.xmp.data()),
                       metadata.xmp.size(), JXL_FALSE) != JXL_ENC_SUCCESS)
    return Fail(file, "XMP refused");
  if (boxes) JxlEncoderCloseBoxes(encoder.get());

  const std::uint32_t channels = alpha ? 4 : 3;
  const JxlPixelFormat format{channels, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  std::vector<std::uint8_t> rgb;
  const std::uint8_t* samples = image.pixels.data();
  if (!alpha) {
    rgb.resize(image.pixels.size() / 4 * 3);
    for (std::size_t from = 0, to = 0; from < image.pixels.size(); from += 4, to += 3)
      std::memcpy(rgb.data() + to, image.pixels.data() + from, 3);
    samples = rgb.data();
  }
  const std::size_t size = alpha ? image.pixels.size() : rgb.size();
  if (JxlEncoderAddImageFrame(settings, &format, samples, size) != JXL_ENC_SUCCESS)
    return Fail(file, "the picture is refused");
  JxlEncoderCloseInput(encoder.get());

  out.resize(64 * 1024);
  std::uint8_t* next = out.data();
  std::size_t available = out.size();
  for (;;) {
    const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder.get(), &next, &available);
    if (status == JXL_ENC_SUCCESS) break;
    if (status != JXL_ENC_NEED_MORE_OUTPUT) {
      out.clear();
      return Fail(file, "libjxl failed");
    }
    const std::size_t written = static_cast<std::size_t>(next - out.data());
    out.resize(out.size() * 2);
    next = out.data() + written;
    available = out.size() - written;
  }
  out.resize(static_cast<std::size_t>(next - out.data()));
  return Status::Ok();
}

}  // namespace vr
