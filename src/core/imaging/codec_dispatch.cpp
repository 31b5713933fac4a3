#include "imaging/codec_dispatch.h"

#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/gif_codec.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/jpeg_header_check.h"
#include "imaging/codecs/newer_codecs.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/codecs/tiff_codec.h"
#include "imaging/codecs/webp_codec.h"
#include "imaging/limits.h"

namespace vr {
namespace {

Status Unsupported(const std::string& file) { return Status::Fail("Unsupported image format in " + file); }

// Every reader checks its own sizes, but the limits are checked once more
// here so no caller can see a header that would break them.
Expected<ImageInfo> Checked(Expected<ImageInfo> info, const std::string& file) {
  if (!info) return info;
  VR_TRY(CheckImageSize(info->width, info->height, file));
  return info;
}

// AVIF, JPEG XL and HEIF go through their module (newer_codecs.h).
Expected<ImageInfo> ReadNewerInfo(FileKind kind, std::span<const std::uint8_t> bytes,
                                  const std::string& file) {
  VR_TRY_ASSIGN(const NewerCodecTable* codecs, NewerCodecs(file));
  if (kind == FileKind::Avif) return codecs->read_avif_info(bytes, file);
  if (kind == FileKind::Jxl) return codecs->read_jxl_info(bytes, file);
  return codecs->read_heif_info(bytes, file);
}

Status DecodeNewer(FileKind kind, std::span<const std::uint8_t> bytes, const std::string& file,
                   int target_width, int target_height, Image& out, SourceColour& colour) {
  VR_TRY_ASSIGN(const NewerCodecTable* codecs, NewerCodecs(file));
  if (kind == FileKind::Avif) return codecs->decode_avif(bytes, file, out, colour);
  if (kind == FileKind::Jxl) return codecs->decode_jxl(bytes, file, out, colour);
  return codecs->decode_heif(bytes, file, target_width, target_height, out, colour);
}

}  // namespace

Expected<ImageInfo> ReadImageInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  const FileKind kind = SniffFileKind(bytes);
  switch (kind) {
    case FileKind::Jpeg: {
      // Only a header is read; a codec per thread keeps its handle between
      // calls (the list measures many files in a row) and is never shared.
      thread_local JpegCodec codec;
      return Checked(codec.ReadInfo(bytes, file), file);
    }
    case FileKind::Png:
      return Checked(ReadPngInfo(bytes, file), file);
    case FileKind::Gif:
      return Checked(ReadGifInfo(bytes, file), file);
    case FileKind::Tiff:
      return Checked(ReadTiffInfo(bytes, file), file);
    case FileKind::Bmp:
      return Checked(ReadBmpInfo(bytes, file), file);
    case FileKind::Webp:
      return Checked(ReadWebpInfo(bytes, file), file);
    case FileKind::Avif:
    case FileKind::Jxl:
    case FileKind::Heif:
      return Checked(ReadNewerInfo(kind, bytes, file), file);
    case FileKind::Unknown:
      break;
  }
  return Unsupported(file);
}

Status CheckPlausibleHeader(std::span<const std::uint8_t> bytes, std::uint64_t file_length,
                            const std::string& file) {
  switch (SniffFileKind(bytes)) {
    case FileKind::Jpeg:
      return CheckJpegFileLength(bytes, file_length, file);
    case FileKind::Bmp:
      return CheckBmpFileLength(bytes, file_length, file);
    case FileKind::Tiff:
      return CheckTiffFileLength(bytes, file_length, file);
    case FileKind::Gif:  // its frames may lie anywhere in the file
    case FileKind::Png:  // its decoder judges by the whole file
    // A flat picture compresses to a few bytes in each of these, so their
    // length bounds nothing; the size limits and the row's memory do.
    case FileKind::Webp:
    case FileKind::Avif:
    case FileKind::Jxl:
    case FileKind::Heif:
    case FileKind::Unknown:
      break;
  }
  return Status::Ok();
}

Expected<DecodeResult> DecodeImage(FileKind kind, std::span<const std::uint8_t> bytes,
                                   const std::string& file, JpegCodec& jpeg, int target_width,
                                   int target_height, Image& out, ColourTransforms* colour) {
  // The bytes settle the kind, whatever the caller sniffed earlier: a decoder
  // handed another format's bytes would only fail with a confusing message.
  kind = SniffFileKind(bytes);

  Expected<DecodeResult> result = DecodeResult{};
  // The JPEG decoder allocates the picture (and a progressive file's
  // coefficients) before it could tell; the others check for themselves.
  if (kind == FileKind::Jpeg) {
    if (Status plausible = CheckJpegFileLength(bytes, bytes.size(), file); !plausible.ok()) {
      out.Resize(0, 0);
      return plausible;
    }
  }
  switch (kind) {
    case FileKind::Jpeg:
      result = jpeg.Decode(bytes, file, target_width, target_height, out, colour);
      break;
    case FileKind::Png:
      if (Status s = DecodePng(bytes, file, out); !s.ok())
        result = s;
      else
        result->colour = ReadPngColour(bytes);
      break;
    case FileKind::Gif:
      if (Status s = DecodeGif(bytes, file, out); !s.ok()) result = s;
      break;
    case FileKind::Tiff:
      if (Status s = DecodeTiff(bytes, file, out, &result->colour, colour); !s.ok()) result = s;
      break;
    case FileKind::Bmp:
      result = DecodeBmp(bytes, file, out);
      break;
    case FileKind::Webp:
      if (Status s = DecodeWebp(bytes, file, target_width, target_height, out, result->colour); !s.ok())
        result = s;
      break;
    case FileKind::Avif:
    case FileKind::Jxl:
    case FileKind::Heif:
      if (Status s = DecodeNewer(kind, bytes, file, target_width, target_height, out, result->colour);
          !s.ok())
        result = s;
      break;
    case FileKind::Unknown:
      result = Unsupported(file);
      break;
  }
  if (!result) out.Resize(0, 0);  // a failure never leaves half a picture behind
  return result;
}

bool DecodesTowardTarget(FileKind kind) {
  return kind == FileKind::Jpeg || kind == FileKind::Webp || kind == FileKind::Heif;
}

bool IsNewerFormat(std::int32_t format_code) {
  return format_code == kFormatWebp || format_code == kFormatAvif || format_code == kFormatJxl;
}

Status EncodeNewerFormat(std::int32_t format_code, const Image& picture, const EncodeOptions& options,
                         const EncodeExtras& extras, std::vector<std::uint8_t>& out,
                         const std::string& file) {
  switch (format_code) {
    case kFormatWebp:
      return EncodeWebp(picture, options.webp, extras, out, file);
    case kFormatAvif: {
      VR_TRY_ASSIGN(const NewerCodecTable* codecs, NewerCodecs(file));
      return codecs->encode_avif(picture, options.avif, extras, out, file);
    }
    case kFormatJxl: {
      VR_TRY_ASSIGN(const NewerCodecTable* codecs, NewerCodecs(file));
      return codecs->encode_jxl(picture, options.jxl, extras, out, file);
    }
    default:
      return Status::Fail("Unsupported output format (code " + std::to_string(format_code) + ") for " + file);
  }
}

bool RowsStream(std::span<const std::uint8_t> bytes) {
  switch (SniffFileKind(bytes)) {
    case FileKind::Png:
      return PngRowsStream(bytes);
    case FileKind::Tiff:
      return TiffRowsStream(bytes);
    case FileKind::Bmp:
      return BmpRowsStream(bytes);
    case FileKind::Gif:
      return GifRowsStream(bytes);
    case FileKind::Jpeg:  // shrinks in the DCT instead
    case FileKind::Webp:  // these come whole from their libraries
    case FileKind::Avif:
    case FileKind::Jxl:
    case FileKind::Heif:
    case FileKind::Unknown:
      break;
  }
  return false;
}

bool ShrinksWhileDecoding(double region_width, double region_height, int target_width, int target_height) {
  return target_width >= 1 && target_height >= 1 && target_width <= region_width &&
         target_height <= region_height &&
         static_cast<double>(target_width) * target_height < region_width * region_height;
}

Expected<DecodeResult> DecodeRows(std::span<const std::uint8_t> bytes, const std::string& file,
                                  const RowSink& sink, std::span<const std::uint8_t> png_outline) {
  Expected<DecodeResult> result = DecodeResult{};
  switch (SniffFileKind(bytes)) {
    case FileKind::Png:
      if (Status s = DecodePngRows(bytes, file, sink); !s.ok())
        result = s;
      else
        result->colour = ReadPngColour(png_outline.empty() ? bytes : png_outline);
      break;
    case FileKind::Tiff:
      if (Status s = DecodeTiffRows(bytes, file, sink, &result->colour); !s.ok()) result = s;
      break;
    case FileKind::Bmp:
      result = DecodeBmpRows(bytes, file, sink);
      break;
    case FileKind::Gif:
      if (Status s = DecodeGifRows(bytes, file, sink); !s.ok()) result = s;
      break;
    case FileKind::Jpeg:
    case FileKind::Webp:
    case FileKind::Avif:
    case FileKind::Jxl:
    case FileKind::Heif:
      result = Status::Fail("Cannot read the rows of " + file + " in order");
      break;
    case FileKind::Unknown:
      result = Unsupported(file);
      break;
  }
  return result;
}

}  // namespace vr
