#include "imaging/codecs/jpeg_codec.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstddef>

#include "imaging/codecs/exif_orientation.h"
#include "imaging/codecs/jpeg_scans.h"
#include "imaging/codecs/jpeg_warnings.h"
#include "imaging/colour/icc_profile.h"
#include "imaging/limits.h"
#include "imaging/metadata/orientation_sources.h"
#include "imaging/ops/colour_transform.h"

namespace vr {
namespace {

// Quality from which chroma keeps full resolution.
constexpr int kFullChromaQuality = 90;

// TurboJPEG's reason without the name of its own function in front
// ("tjDecompress2(): ...").
std::string Reason(tjhandle handle) {
  const char* text = tjGetErrorStr2(handle);
  std::string reason = text != nullptr ? text : "unknown error";
  if (const std::size_t end = reason.find("(): ");
      end != std::string::npos && reason.compare(0, 2, "tj") == 0)
    reason.erase(0, end + 4);
  return reason.empty() ? "unknown error" : reason;
}

Status InvalidJpeg(const std::string& reason, const std::string& file) {
  return Status::Fail("Invalid JPEG: " + reason + " in " + file);
}

bool HasScalingFactor(int denominator) {
  int count = 0;
  const tjscalingfactor* factors = tjGetScalingFactors(&count);
  if (factors == nullptr) return false;
  for (int i = 0; i < count; ++i)
    if (factors[i].num == 1 && factors[i].denom == denominator) return true;
  return false;
}

// x / 255, rounded, for x in 0..255*255.
inline std::uint8_t Div255(unsigned x) { return static_cast<std::uint8_t>((x + 127) / 255); }

// Four-channel ink values to opaque RGB. Inverted files (Adobe's) store
// 255 - ink, so each colour is simply (255 - ink) * (255 - black) / 255.
// The conversion is the naive one, without a colour profile.
void CmykToRgba(const std::uint8_t* cmyk, std::size_t pixel_count, bool inverted, std::uint8_t* rgba) {
  const unsigned flip = inverted ? 0 : 255;
  for (std::size_t i = 0; i < pixel_count; ++i, cmyk += 4, rgba += 4) {
    const unsigned white_k = flip ^ cmyk[3];
    rgba[0] = Div255((flip ^ cmyk[0]) * white_k);
    rgba[1] = Div255((flip ^ cmyk[1]) * white_k);
    rgba[2] = Div255((flip ^ cmyk[2]) * white_k);
    rgba[3] = 255;
  }
}

// SOF2 or SOF10: the frame is sent in progressive scans.
bool IsProgressive(std::span<const std::uint8_t> bytes) {
  return FindJpegSegment(bytes, 0xC2, {}).has_value() || FindJpegSegment(bytes, 0xCA, {}).has_value();
}

// Rows counted from the top that the decoder wrote, by their first alpha.
int DeliveredRows(const Image& image) {
  int rows = 0;
  while (rows < image.height && image.row(rows)[3] == 255) ++rows;
  return rows;
}

void FillRows(Image& image, int first_row) {
  for (int y = first_row; y < image.height; ++y) {
    std::uint8_t* p = image.row(y);
    for (int x = 0; x < image.width; ++x, p += 4) {
      p[0] = p[1] = p[2] = 128;
      p[3] = 255;
    }
  }
}

// TurboJPEG's warning, sorted: rows it never reached are missing data
// whatever it said. It tells only the first warning, so a cosmetic one may
// hide damage further on, and then the file is read again for all of them
// (rare: stray bytes before a marker, an unknown JFIF version).
DecodeWarning WarningOf(const std::string& reason, bool rows_missing, std::span<const std::uint8_t> bytes) {
  if (rows_missing) return {DecodeFlaw::kMissingData, reason};
  const DecodeFlaw flaw = JpegWarningTextFlaw(reason);
  if (flaw != DecodeFlaw::kCosmetic) return {flaw, reason};
  return DecodeWarning::Worse({flaw, reason}, ScanJpegWarnings(bytes));
}

// The scan limit stops progressive files built to take endless passes.
int DecodeWhole(tjhandle handle, std::span<const std::uint8_t> bytes, bool four_channel, std::uint8_t* target,
                int width, int height) {
  return tjDecompress2(handle, bytes.data(), bytes.size(), target, width, width * 4, height,
                       four_channel ? TJPF_CMYK : TJPF_RGBA, TJFLAG_LIMITSCANS);
}

}  // namespace

bool IsJpeg(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// How much larger than the target a shrunk decode must stay, in halves.
// At 1/8 only each block's DC term is kept: an exact 8x8 mean, a clean box
// prefilter, so twice the target is room enough. At 1/4 and 1/2 the pixels
// are rebuilt from a truncated 2x2 or 4x4 set of coefficients, which rings
// at block edges when the resampler shrinks it little: 2560x1600 photos at
// 1/4 for a 300-wide thumbnail (2.13x left) came out at luma SSIM
// 0.9962-0.9977 against a full decode, at 1/2 (4.27x) 0.9994-0.9999.
// From 2.5x on the wallpapers' worst is 0.9974 (bench/ssim_check).
constexpr std::int64_t RoomInHalves(std::int64_t denominator) { return denominator == 8 ? 4 : 5; }

int JpegScaleDenominator(int width, int height, int target_width, int target_height) {
  if (width <= 0 || height <= 0 || target_width <= 0 || target_height <= 0) return 1;
  for (const std::int64_t d : {8, 4, 2}) {
    const std::int64_t scaled_w = (width + d - 1) / d;
    const std::int64_t scaled_h = (height + d - 1) / d;
    const std::int64_t room = RoomInHalves(d);
    if (2 * scaled_w >= room * target_width && 2 * scaled_h >= room * target_height)
      return static_cast<int>(d);
  }
  return 1;
}

int JpegEncodeQuality(int requested) { return std::clamp(requested, 1, 100); }

void JpegCodec::HandleCloser::operator()(void* handle) const { tjDestroy(handle); }

JpegCodec::JpegCodec() = default;
JpegCodec::~JpegCodec() = default;
JpegCodec::JpegCodec(JpegCodec&&) noexcept = default;
JpegCodec& JpegCodec::operator=(JpegCodec&&) noexcept = default;

Status JpegCodec::EnsureDecompressor(const std::string& file) {
  if (decompressor_) return Status::Ok();
  tjhandle handle = tjInitDecompress();
  if (handle == nullptr)
    return Status::Fail("Cannot start the JPEG decoder for " + file + ": " + Reason(nullptr));
  decompressor_.reset(handle);
  return Status::Ok();
}

Status JpegCodec::EnsureCompressor(const std::string& file) {
  if (compressor_) return Status::Ok();
  tjhandle handle = tjInitCompress();
  if (handle == nullptr)
    return Status::Fail("Cannot start the JPEG encoder for " + file + ": " + Reason(nullptr));
  compressor_.reset(handle);
  return Status::Ok();
}

Expected<JpegCodec::Header> JpegCodec::ReadHeader(std::span<const std::uint8_t> bytes,
                                                  const std::string& file) {
  if (!IsJpeg(bytes)) return InvalidJpeg("not a JPEG file", file);
  VR_TRY(EnsureDecompressor(file));
  tjhandle handle = decompressor_.get();
  Header header;
  int subsampling = 0;
  const int rc = tjDecompressHeader3(handle, bytes.data(), bytes.size(), &header.width, &header.height,
                                     &subsampling, &header.colorspace);
  if (rc != 0) {
    const bool fatal = tjGetErrorCode(handle) != TJERR_WARNING;
    std::string reason = Reason(handle);
    // TurboJPEG 2.x leaves a handle inside the header after a failed read
    // (the next file is then parsed from that state and fails too), and it
    // reports a fatal error that follows a warning as a warning, so after
    // any complaint the handle is thrown away and the next read gets a
    // fresh one.
    decompressor_.reset();
    // Warnings alone (stray bytes between segments, common in camera
    // files) still leave a usable header.
    if (fatal) return InvalidJpeg(reason, file);
  }
  // A tables-only stream "succeeds" without any frame size.
  if (header.width <= 0 || header.height <= 0) return InvalidJpeg("no picture in the data", file);
  VR_TRY(CheckImageSize(header.width, header.height, file));
  return header;
}

Expected<ImageInfo> JpegCodec::ReadInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  VR_TRY_ASSIGN(const Header header, ReadHeader(bytes, file));
  ImageInfo info;
  info.kind = FileKind::Jpeg;
  info.width = header.width;
  info.height = header.height;
  info.orientation = ReadJpegOrientation(bytes);
  return info;
}

Expected<DecodeResult> JpegCodec::Decode(std::span<const std::uint8_t> bytes, const std::string& file,
                                         int target_width, int target_height, Image& out,
                                         ColourTransforms* colour) {
  Expected<Header> header = ReadHeader(bytes, file);
  if (!header) {
    out.Resize(0, 0);
    return header.status();
  }
  if (Status started = EnsureDecompressor(file); !started.ok()) {
    out.Resize(0, 0);
    return started;
  }
  tjhandle handle = decompressor_.get();

  int d = JpegScaleDenominator(header->width, header->height, target_width, target_height);
  if (d > 1 && !HasScalingFactor(d)) d = 1;
  // Asking for exactly ceil(size / d) makes TurboJPEG pick the 1/d scale
  // (or a larger one of the same result size), so the size is known here.
  const tjscalingfactor factor{1, d};
  const int width = TJSCALED(header->width, factor);
  const int height = TJSCALED(header->height, factor);
  // The old contents stay where they are (no clearing pass over the whole
  // buffer); every row the decoder delivers overwrites its part.
  out.Resize(width, height);

  const bool four_channel = header->colorspace == TJCS_CMYK || header->colorspace == TJCS_YCCK;
  std::uint8_t* target = out.pixels.data();
  if (four_channel) {
    // Rare enough to clear: rows a damaged file never delivers then hold no
    // ink rather than an earlier picture.
    cmyk_.assign(out.pixels.size(), 0);
    target = cmyk_.data();
  } else {
    // TurboJPEG gives every pixel it writes alpha 255; a row whose first
    // alpha is still 0 afterwards was never reached.
    for (int y = 0; y < height; ++y) out.row(y)[3] = 0;
  }
  DecodeResult result;
  result.shrink = d;
  if (d > 1 && IsProgressive(bytes)) {
    // Shrunk, a progressive file's last scans do not show (jpeg_scans.h).
    const ScanDecode scans = DecodeProgressiveShrunk(bytes, d, four_channel, target, width, height);
    if (!scans.ok) {
      out.Resize(0, 0);
      return InvalidJpeg(scans.reason, file);
    }
    result.warning = scans.warning;
  } else if (const int rc = DecodeWhole(handle, bytes, four_channel, target, width, height); rc != 0) {
    const bool fatal = tjGetErrorCode(handle) != TJERR_WARNING;
    std::string reason = Reason(handle);
    decompressor_.reset();  // see ReadHeader
    const int delivered = four_channel ? height : DeliveredRows(out);
    if (fatal || delivered == 0) {
      out.Resize(0, 0);
      return InvalidJpeg(reason, file);
    }
    // A warning. A fatal error after an earlier warning also arrives as
    // one, and then the decoder stopped part way: the rows it never reached
    // are filled with mid grey, as libjpeg itself shows data that ended early.
    FillRows(out, delivered);
    result.warning = WarningOf(reason, delivered < height, bytes);
  }
  result.colour.model = four_channel                      ? ColourModel::kCmyk
                        : header->colorspace == TJCS_GRAY ? ColourModel::kGray
                                                          : ColourModel::kRgb;
  result.colour.icc = ReadJpegIccProfile(bytes);
  if (four_channel) {
    const bool inverted = ReadAdobeMarker(bytes).has_value();
    const std::size_t count = static_cast<std::size_t>(width) * height;
    if (!result.colour.icc.empty()) {
      ColourTransforms own;
      ColourTransforms& transforms = colour != nullptr ? *colour : own;
      result.colour.converted =
          transforms.CmykToSrgb(result.colour.icc, inverted, cmyk_.data(), count, out.pixels.data());
    }
    if (!result.colour.converted) CmykToRgba(cmyk_.data(), count, inverted, out.pixels.data());
  }
  return result;
}

Status JpegCodec::Encode(const Image& image, int quality, std::vector<std::uint8_t>& out,
                         const std::string& file) {
  out.clear();
  if (image.empty()) return Status::Fail("Cannot write an empty picture as JPEG to " + file);
  VR_TRY(CheckImageSize(image.width, image.height, file));
  if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
    return Status::Fail("Cannot write a picture with a wrong pixel count as JPEG to " + file);
  VR_TRY(EnsureCompressor(file));

  const int level = JpegEncodeQuality(quality);
  const int subsampling = level >= kFullChromaQuality ? TJSAMP_444 : TJSAMP_420;
  const unsigned long capacity = tjBufSize(image.width, image.height, subsampling);
  if (capacity == static_cast<unsigned long>(-1))
    return Status::Fail("Cannot size the JPEG buffer for " + file + ": " + Reason(nullptr));
  // TurboJPEG writes straight into the caller's buffer, whose capacity a
  // worker keeps from thumbnail to thumbnail.
  out.resize(capacity);
  unsigned char* destination = out.data();
  unsigned long length = capacity;
  const int rc = tjCompress2(compressor_.get(), image.pixels.data(), image.width,
                             static_cast<int>(image.stride()), image.height, TJPF_RGBA, &destination, &length,
                             subsampling, level, TJFLAG_NOREALLOC | TJFLAG_ACCURATEDCT);
  if (rc != 0 || destination != out.data() || length > capacity) {
    Status failure = Status::Fail("Cannot encode JPEG: " + Reason(compressor_.get()) + " in " + file);
    out.clear();
    return failure;
  }
  out.resize(length);
  return Status::Ok();
}

}  // namespace vr
