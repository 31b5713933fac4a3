#include "imaging/codecs/tiff_codec.h"

#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "imaging/codecs/tiff_samples.h"
#include "imaging/limits.h"
#include "imaging/ops/colour_transform.h"

namespace vr {
namespace {

constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;

// The file's bytes as libtiff sees them: read-only, seekable, mappable.
struct MemoryFile {
  std::span<const std::uint8_t> bytes;
  std::uint64_t position = 0;
  std::string error = {};  // libtiff's first error message for this file
};

MemoryFile& FileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

tmsize_t ReadMemory(thandle_t handle, void* data, tmsize_t size) {
  MemoryFile& file = FileOf(handle);
  if (size <= 0 || file.position >= file.bytes.size()) return 0;
  const std::uint64_t count =
      std::min<std::uint64_t>(static_cast<std::uint64_t>(size), file.bytes.size() - file.position);
  std::memcpy(data, file.bytes.data() + file.position, count);
  file.position += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t WriteMemory(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& file = FileOf(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR)
    base = file.position;
  else if (whence == SEEK_END)
    base = file.bytes.size();
  else if (whence != SEEK_SET)
    return static_cast<toff_t>(-1);
  // Offsets are unsigned here; one that wraps around means a position
  // before the start, which libtiff takes as a failed seek.
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  file.position = base + offset;  // beyond the end is allowed; reads there give nothing
  return file.position;
}

int CloseMemory(thandle_t) { return 0; }

toff_t SizeOfMemory(thandle_t handle) { return FileOf(handle).bytes.size(); }

// libtiff only reads a mapped file; where it must change bytes (bit order,
// byte swapping) it copies them first.
int MapMemory(thandle_t handle, void** base, toff_t* size) {
  MemoryFile& file = FileOf(handle);
  *base = const_cast<std::uint8_t*>(file.bytes.data());
  *size = file.bytes.size();
  return 1;
}

void UnmapMemory(thandle_t, void*, toff_t) {}

// libtiff prints some byte counts as unsigned although they can be negative
// (a strip that starts past the file's end reads "got
// 18446744073709550836 bytes"), so every unsigned conversion of its format
// is printed signed: the same bits, and no count it gives is near 2^63.
std::string SignedConversions(const char* format) {
  std::string signed_format = format;
  for (std::size_t at = signed_format.find('%'); at != std::string::npos;
       at = signed_format.find('%', at + 1)) {
    const std::size_t conversion = signed_format.find_first_not_of("-+ #0123456789.*hlLqjzt", at + 1);
    if (conversion == std::string::npos) break;
    if (signed_format[conversion] == 'u') signed_format[conversion] = 'd';
    at = conversion;  // "%%" is skipped whole
  }
  return signed_format;
}

int KeepFirstError(TIFF*, void* user_data, const char*, const char* format, va_list args) {
  auto* file = static_cast<MemoryFile*>(user_data);
  if (file->error.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, SignedConversions(format).c_str(), args);
    file->error = text[0] != '\0' ? text : "unknown libtiff error";
  }
  return 1;  // handled: the process-wide handler is not called
}

int DropWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// A few libtiff paths report through the process-wide handlers instead of
// the per-file ones; with none installed they print nothing. libtiff keeps
// these in globals, so they are set once for the whole process.
void SilenceGlobalHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandlerExt(nullptr);
    TIFFSetWarningHandlerExt(nullptr);
  });
}

// One open libtiff reader over a MemoryFile, always closed.
class TiffReader {
 public:
  explicit TiffReader(MemoryFile& file) {
    SilenceGlobalHandlers();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return;
    TIFFOpenOptionsSetErrorHandlerExtR(options, &KeepFirstError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &DropWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
    tif_ = TIFFClientOpenExt("memory", "r", &file, &ReadMemory, &WriteMemory, &SeekMemory, &CloseMemory,
                             &SizeOfMemory, &MapMemory, &UnmapMemory, options);
    TIFFOpenOptionsFree(options);
  }
  ~TiffReader() {
    if (tif_ != nullptr) TIFFClose(tif_);
  }
  TiffReader(const TiffReader&) = delete;
  TiffReader& operator=(const TiffReader&) = delete;

  TIFF* get() const { return tif_; }

 private:
  TIFF* tif_ = nullptr;
};

Status Invalid(const MemoryFile& memory, const char* fallback, const std::string& file) {
  return Status::Fail("Invalid TIFF: " + (memory.error.empty() ? std::string(fallback) : memory.error) +
                      " in " + file);
}

// Size and orientation of the open directory, checked against the limits.
Expected<ImageInfo> InfoOf(TIFF* tif, const MemoryFile& memory, const std::string& file) {
  std::uint32_t width = 0, height = 0;
  if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
      TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) != 1)
    return Invalid(memory, "no image size", file);
  VR_TRY(CheckImageSize(width, height, file));
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  ImageInfo info;
  info.kind = FileKind::Tiff;
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  info.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
  return info;
}

// The most bytes of samples one stored byte can decode to: none; PackBits,
// whose two-byte run repeats a byte 128 times; LZW, whose 12-bit codes
// stand for at most 4096 bytes; Deflate, which cannot expand more than 1032
// times. Every other kind is held to 65536: fax codes need a bit a row,
// and the widest bilevel row is 8192 bytes; JPEG needs far more; ZSTD's
// best, one 128 KiB run from 4 bytes, stays below it too.
std::uint64_t MostBytesPerStoredByte(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE:
      return 1;
    case COMPRESSION_PACKBITS:
      return 64;
    case COMPRESSION_LZW:
      return 2731;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return 1032;
    default:
      return 65536;
  }
}

// Whether the file could hold the strips or tiles of the open directory:
// uncompressed they must fit in it, compressed their decoded size may be
// at most the compression's best ratio times its length.
Status CheckPlausible(TIFF* tif, const ImageInfo& info, std::uint64_t file_length, const std::string& file) {
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  const std::uint64_t ratio = MostBytesPerStoredByte(compression);
  std::uint64_t decoded = 0;
  if (TIFFIsTiled(tif)) {
    decoded = static_cast<std::uint64_t>(TIFFNumberOfTiles(tif)) * TIFFTileSize64(tif);
  } else {
    std::uint16_t planar = PLANARCONFIG_CONTIG, samples = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    // Per plane when the samples are stored apart.
    const std::uint64_t planes = planar == PLANARCONFIG_SEPARATE ? samples : 1;
    decoded = planes * TIFFVStripSize64(tif, static_cast<std::uint32_t>(info.height));
  }
  if (decoded <= file_length * ratio) return Status::Ok();
  return ImplausibleSize("TIFF", "picture", info.width, info.height, file_length, file);
}

// libtiff's packed pixels to our byte order, with premultiplied alpha made
// straight again (colour under alpha 0 is lost; it reads as black).
// On a little-endian machine an opaque pixel's bytes are already R, G, B,
// A: only the others need work, and most pictures have none.
void UnpackRgba(std::uint8_t* p, std::size_t count) {
  constexpr bool kBytesInOrder = std::endian::native == std::endian::little;
  for (std::size_t i = 0; i < count; ++i, p += 4) {
    if (kBytesInOrder && p[3] == 255) continue;
    std::uint32_t packed;
    std::memcpy(&packed, p, 4);
    const std::uint32_t a = TIFFGetA(packed);
    std::uint32_t rgb[3] = {TIFFGetR(packed), TIFFGetG(packed), TIFFGetB(packed)};
    if (a != 255) {
      for (std::uint32_t& c : rgb) c = a == 0 ? 0 : std::min<std::uint32_t>(255, (c * 255 + a / 2) / a);
    }
    p[0] = static_cast<std::uint8_t>(rgb[0]);
    p[1] = static_cast<std::uint8_t>(rgb[1]);
    p[2] = static_cast<std::uint8_t>(rgb[2]);
    p[3] = static_cast<std::uint8_t>(a);
  }
}

// Hands each row of the first directory's samples (stored together,
// `pixel_bytes` a pixel, 16-bit samples in the machine's order) to
// `convert`, with the RGBA row of `out` it becomes, strip by strip or tile
// by tile. False when a strip or tile cannot be read whole.
template <class Convert>
bool ConvertRows(TIFF* tif, std::size_t pixel_bytes, Image& out, Convert convert) {
  const auto width = static_cast<std::uint32_t>(out.width);
  const auto height = static_cast<std::uint32_t>(out.height);
  std::vector<std::uint8_t> block;
  if (TIFFIsTiled(tif)) {
    std::uint32_t tile_width = 0, tile_height = 0;
    if (TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tile_width) != 1 ||
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tile_height) != 1 || tile_width == 0 || tile_height == 0)
      return false;
    const tmsize_t size = TIFFTileSize(tif);
    const std::uint64_t row_bytes = std::uint64_t{tile_width} * pixel_bytes;
    if (size <= 0 || static_cast<std::uint64_t>(size) < row_bytes * tile_height) return false;
    block.resize(static_cast<std::size_t>(size));
    for (std::uint32_t y = 0; y < height; y += tile_height)
      for (std::uint32_t x = 0; x < width; x += tile_width) {
        if (TIFFReadTile(tif, block.data(), x, y, 0, 0) < 0) return false;
        const std::uint32_t rows = std::min(tile_height, height - y);
        const std::uint32_t columns = std::min(tile_width, width - x);
        for (std::uint32_t r = 0; r < rows; ++r)
          if (!convert(block.data() + r * row_bytes, columns,
                       out.at(static_cast<int>(x), static_cast<int>(y + r))))
            return false;
      }
    return true;
  }
  std::uint32_t rows_per_strip = height;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
  rows_per_strip = std::clamp<std::uint32_t>(rows_per_strip, 1, height);
  const std::uint64_t row_bytes = std::uint64_t{width} * pixel_bytes;
  const tmsize_t size = TIFFStripSize(tif);
  if (size <= 0 || static_cast<std::uint64_t>(size) < row_bytes * rows_per_strip) return false;
  block.resize(static_cast<std::size_t>(size));
  std::uint32_t strip = 0;
  for (std::uint32_t y = 0; y < height; y += rows_per_strip, ++strip) {
    const std::uint32_t rows = std::min(rows_per_strip, height - y);
    const tmsize_t got = TIFFReadEncodedStrip(tif, strip, block.data(), -1);
    if (got < 0 || static_cast<std::uint64_t>(got) < row_bytes * rows) return false;
    for (std::uint32_t r = 0; r < rows; ++r)
      if (!convert(block.data() + r * row_bytes, width, out.row(static_cast<int>(y + r)))) return false;
  }
  return true;
}

struct Layout {
  std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  std::uint16_t samples = 1;
  std::uint16_t bits = 1;
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  std::uint16_t extra = 0;        // extra samples (alpha and the like)
  std::uint16_t first_extra = 0;  // what the first of them is
  std::uint16_t inks = INKSET_CMYK;
};

Layout LayoutOf(TIFF* tif) {
  Layout layout;
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &layout.inks);
  std::uint16_t* kinds = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &layout.extra, &kinds) == 1 && layout.extra > 0 &&
      kinds != nullptr)
    layout.first_extra = kinds[0];
  return layout;
}

// L*a*b* samples of one row to floats: CIELab stores a and b signed,
// ICCLab (ICC's version 2 encoding) offset by 128.
void LabRow(const std::uint8_t* samples, std::uint32_t count, const Layout& layout, float* lab) {
  const bool icc = layout.photometric == PHOTOMETRIC_ICCLAB;
  for (std::uint32_t i = 0; i < count; ++i, lab += 3) {
    if (layout.bits == 8) {
      const std::uint8_t* p = samples + std::size_t{i} * layout.samples;
      lab[0] = p[0] * (100.0f / 255.0f);
      lab[1] = icc ? p[1] - 128.0f : static_cast<float>(static_cast<std::int8_t>(p[1]));
      lab[2] = icc ? p[2] - 128.0f : static_cast<float>(static_cast<std::int8_t>(p[2]));
    } else {
      std::uint16_t v[3];
      std::memcpy(v, samples + std::size_t{i} * layout.samples * 2, sizeof v);
      lab[0] = icc ? v[0] * (100.0f / 65280.0f) : v[0] * (100.0f / 65535.0f);
      lab[1] = icc ? v[1] / 256.0f - 128.0f : static_cast<std::int16_t>(v[1]) / 256.0f;
      lab[2] = icc ? v[2] / 256.0f - 128.0f : static_cast<std::int16_t>(v[2]) / 256.0f;
    }
  }
}

// The samples of an L*a*b* picture through lcms; false for a layout this
// does not read (libtiff's own conversion takes it then).
bool DecodeLab(TIFF* tif, const ImageInfo& info, const Layout& layout, ColourTransforms& transforms,
               Image& out, bool& failed) {
  const bool lab = layout.photometric == PHOTOMETRIC_CIELAB || layout.photometric == PHOTOMETRIC_ICCLAB;
  if (!lab || (layout.bits != 8 && layout.bits != 16) || layout.planar != PLANARCONFIG_CONTIG ||
      layout.samples < 3 || layout.samples > 4 || layout.samples - 3 != layout.extra)
    return false;
  const bool alpha = layout.samples == 4 && layout.first_extra != EXTRASAMPLE_UNSPECIFIED;
  const std::size_t pixel_bytes = std::size_t{layout.samples} * (layout.bits / 8);
  out.Resize(info.width, info.height);
  std::vector<float> row(static_cast<std::size_t>(out.width) * 3);
  failed = !ConvertRows(
      tif, pixel_bytes, out, [&](const std::uint8_t* samples, std::uint32_t count, std::uint8_t* rgba) {
        LabRow(samples, count, layout, row.data());
        if (!transforms.LabToSrgb(row.data(), count, rgba)) return false;
        for (std::uint32_t i = 0; i < count; ++i) {
          const std::uint8_t* a = samples + std::size_t{i} * pixel_bytes + 3 * (layout.bits / 8);
          // 16-bit samples are in the machine's order; the high byte rounds down.
          std::uint16_t wide = 0;
          if (alpha && layout.bits == 16) std::memcpy(&wide, a, 2);
          rgba[i * 4 + 3] = !alpha             ? 255
                            : layout.bits == 8 ? a[0]
                                               : static_cast<std::uint8_t>((wide * 255u + 32767) / 65535);
        }
        return true;
      });
  return true;
}

// The samples of a CMYK picture through its profile; false when the
// picture or the profile does not suit (libtiff's naive conversion then).
bool DecodeCmyk(TIFF* tif, const ImageInfo& info, const Layout& layout, std::span<const std::uint8_t> icc,
                ColourTransforms& transforms, Image& out, bool& failed) {
  if (layout.photometric != PHOTOMETRIC_SEPARATED || layout.inks != INKSET_CMYK || layout.bits != 8 ||
      layout.samples != 4 || layout.planar != PLANARCONFIG_CONTIG || icc.empty())
    return false;
  // The profile is tried on one pixel first, so a profile that does not
  // suit falls back before anything is read.
  const std::uint8_t white[4] = {0, 0, 0, 0};
  std::uint8_t probe[4];
  if (!transforms.CmykToSrgb(icc, false, white, 1, probe)) return false;
  out.Resize(info.width, info.height);
  failed =
      !ConvertRows(tif, 4, out, [&](const std::uint8_t* samples, std::uint32_t count, std::uint8_t* rgba) {
        return transforms.CmykToSrgb(icc, false, samples, count, rgba);
      });
  return true;
}

// What the file says about its colours: its model and its profile.
SourceColour ColourOf(TIFF* tif, const Layout& layout) {
  SourceColour found;
  found.model = layout.photometric == PHOTOMETRIC_SEPARATED ? ColourModel::kCmyk
                : layout.photometric == PHOTOMETRIC_CIELAB || layout.photometric == PHOTOMETRIC_ICCLAB
                    ? ColourModel::kLab
                : layout.photometric == PHOTOMETRIC_MINISBLACK ? ColourModel::kGray
                                                               : ColourModel::kRgb;
  std::uint32_t icc_size = 0;
  const void* icc_data = nullptr;
  // A white-is-zero grey picture is shown inverted by libtiff, so a profile
  // of its stored values would not fit what it decodes to: it stays as it is.
  if (layout.photometric != PHOTOMETRIC_MINISWHITE &&
      TIFFGetField(tif, TIFFTAG_ICCPROFILE, &icc_size, &icc_data) == 1 && icc_data != nullptr &&
      icc_size <= kMaxIccProfileBytes) {
    const auto* first = static_cast<const std::uint8_t*>(icc_data);
    found.icc.assign(first, first + icc_size);
  }
  return found;
}

// Pictures DecodeTiff leaves to libtiff's RGBA reader whatever their
// profile: not L*a*b* or CMYK (some of those it converts itself), not
// samples the reader refuses.
bool RgbaReaderTakes(TIFF* tif, const Layout& layout) {
  if (layout.photometric == PHOTOMETRIC_CIELAB || layout.photometric == PHOTOMETRIC_ICCLAB ||
      layout.photometric == PHOTOMETRIC_SEPARATED || HasDeepSamples(tif))
    return false;
  char reason[1024] = "";
  return TIFFRGBAImageOK(tif, reason) == 1;
}

// Rows converted at once: a strip's or a row of tiles' height.
int RowBand(TIFF* tif, int height) {
  std::uint32_t rows = static_cast<std::uint32_t>(height);
  if (TIFFIsTiled(tif)) {
    std::uint32_t tile_height = 0;
    if (TIFFGetField(tif, TIFFTAG_TILELENGTH, &tile_height) == 1 && tile_height > 0) rows = tile_height;
  } else {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
  }
  return static_cast<int>(std::clamp<std::uint32_t>(rows, 1, static_cast<std::uint32_t>(height)));
}

}  // namespace

bool IsTiff(std::span<const std::uint8_t> bytes) { return SniffFileKind(bytes) == FileKind::Tiff; }

Expected<ImageInfo> ReadTiffInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  if (!IsTiff(bytes)) return Status::Fail("Invalid TIFF: no TIFF signature in " + file);
  MemoryFile memory{bytes};
  TiffReader reader(memory);
  if (reader.get() == nullptr) return Invalid(memory, "cannot open", file);
  return InfoOf(reader.get(), memory, file);
}

Status CheckTiffFileLength(std::span<const std::uint8_t> bytes, std::uint64_t file_length,
                           const std::string& file) {
  if (!IsTiff(bytes)) return Status::Ok();
  MemoryFile memory{bytes};
  TiffReader reader(memory);
  if (reader.get() == nullptr) return Status::Ok();  // the directory lies further in
  Expected<ImageInfo> info = InfoOf(reader.get(), memory, file);
  if (!info.ok()) return Status::Ok();
  return CheckPlausible(reader.get(), *info, file_length, file);
}

std::uint64_t TiffChunkBytes(std::span<const std::uint8_t> bytes) {
  if (!IsTiff(bytes)) return 0;
  MemoryFile memory{bytes};
  TiffReader reader(memory);
  TIFF* tif = reader.get();
  if (tif == nullptr) return 0;
  std::uint16_t planar = PLANARCONFIG_CONTIG, samples = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  const std::uint64_t planes = planar == PLANARCONFIG_SEPARATE ? samples : 1;
  return planes * (TIFFIsTiled(tif) ? TIFFTileSize64(tif) : TIFFStripSize64(tif));
}

Status DecodeTiff(std::span<const std::uint8_t> bytes, const std::string& file, Image& out,
                  SourceColour* colour, ColourTransforms* transforms) {
  if (!IsTiff(bytes)) return Status::Fail("Invalid TIFF: no TIFF signature in " + file);
  MemoryFile memory{bytes};
  TiffReader reader(memory);
  if (reader.get() == nullptr) return Invalid(memory, "cannot open", file);
  TIFF* tif = reader.get();
  VR_TRY_ASSIGN(const ImageInfo info, InfoOf(tif, memory, file));
  VR_TRY(CheckPlausible(tif, info, bytes.size(), file));

  const Layout layout = LayoutOf(tif);
  SourceColour found = ColourOf(tif, layout);
  {
    ColourTransforms own;
    ColourTransforms& lcms = transforms != nullptr ? *transforms : own;
    bool failed = false;
    if (DecodeLab(tif, info, layout, lcms, out, failed) ||
        DecodeCmyk(tif, info, layout, found.icc, lcms, out, failed)) {
      if (failed) {
        out.Resize(0, 0);
        return Invalid(memory, "unreadable pixel data", file);
      }
      found.converted = true;
      if (colour != nullptr) *colour = std::move(found);
      return Status::Ok();
    }
  }
  if (HasDeepSamples(tif)) {
    VR_TRY(ReadDeepSamples(tif, info.width, info.height, memory.error, file, out));
    // Deep CMYK comes out through the plain formula, already RGB: a CMYK
    // profile would not fit it. RGB and grey keep theirs.
    if (colour != nullptr && (found.model == ColourModel::kRgb || found.model == ColourModel::kGray))
      *colour = std::move(found);
    return Status::Ok();
  }
  char reason[1024] = "";
  if (TIFFRGBAImageOK(tif, reason) != 1)
    return Status::Fail(std::string("Unsupported TIFF: ") + (reason[0] != '\0' ? reason : "unknown kind") +
                        " in " + file);

  // Asking for the file's own orientation makes libtiff flip nothing, so
  // rows come out in stored order. The buffer's bytes take libtiff's 32-bit
  // pixels; operator new aligns them for that.
  out.Resize(info.width, info.height);
  const int stored_orientation = info.orientation;
  auto* raster = reinterpret_cast<std::uint32_t*>(out.pixels.data());
  if (TIFFReadRGBAImageOriented(tif, static_cast<std::uint32_t>(info.width),
                                static_cast<std::uint32_t>(info.height), raster, stored_orientation,
                                /*stop_on_error=*/1) != 1) {
    out.Resize(0, 0);
    return Invalid(memory, "unreadable pixel data", file);
  }
  UnpackRgba(out.pixels.data(), out.pixels.size() / 4);
  if (colour != nullptr) *colour = std::move(found);
  return Status::Ok();
}

bool TiffRowsStream(std::span<const std::uint8_t> bytes) {
  if (!IsTiff(bytes)) return false;
  MemoryFile memory{bytes};
  TiffReader reader(memory);
  return reader.get() != nullptr && RgbaReaderTakes(reader.get(), LayoutOf(reader.get()));
}

int TiffRowBand(std::span<const std::uint8_t> bytes) {
  if (!IsTiff(bytes)) return 0;
  MemoryFile memory{bytes};
  TiffReader reader(memory);
  if (reader.get() == nullptr) return 0;
  const Expected<ImageInfo> info = InfoOf(reader.get(), memory, "");
  return info.ok() ? RowBand(reader.get(), info->height) : 0;
}

Status DecodeTiffRows(std::span<const std::uint8_t> bytes, const std::string& file, const RowSink& sink,
                      SourceColour* colour) {
  if (!IsTiff(bytes)) return Status::Fail("Invalid TIFF: no TIFF signature in " + file);
  MemoryFile memory{bytes};
  TiffReader reader(memory);
  if (reader.get() == nullptr) return Invalid(memory, "cannot open", file);
  TIFF* tif = reader.get();
  VR_TRY_ASSIGN(const ImageInfo info, InfoOf(tif, memory, file));
  VR_TRY(CheckPlausible(tif, info, bytes.size(), file));
  const Layout layout = LayoutOf(tif);
  if (!RgbaReaderTakes(tif, layout))
    return Status::Fail("Cannot read the rows of this kind of TIFF in order in " + file);
  SourceColour found = ColourOf(tif, layout);

  char reason[1024] = "";
  TIFFRGBAImage rgba;
  if (TIFFRGBAImageBegin(&rgba, tif, /*stop_on_error=*/1, reason) != 1)
    return Status::Fail(std::string("Unsupported TIFF: ") + (reason[0] != '\0' ? reason : "unknown kind") +
                        " in " + file);
  // As in DecodeTiff: the file's own orientation, so nothing is flipped.
  rgba.req_orientation = static_cast<std::uint16_t>(info.orientation);
  const int band = RowBand(tif, info.height);
  Image rows;
  rows.Resize(info.width, band);
  auto* raster = reinterpret_cast<std::uint32_t*>(rows.pixels.data());
  bool read = true;
  bool wanted = true;
  for (int y = 0; y < info.height && read && wanted; y += band) {
    const int count = std::min(band, info.height - y);
    // Bands start on a strip's or a row of tiles' first row, so each is
    // decoded once.
    rgba.row_offset = y;
    rgba.col_offset = 0;
    read = TIFFRGBAImageGet(&rgba, raster, static_cast<std::uint32_t>(info.width),
                            static_cast<std::uint32_t>(count)) == 1;
    if (!read) break;
    UnpackRgba(rows.pixels.data(), static_cast<std::size_t>(info.width) * count);
    for (int r = 0; r < count && wanted; ++r) wanted = sink(rows.row(r));
  }
  TIFFRGBAImageEnd(&rgba);
  if (!read) return Invalid(memory, "unreadable pixel data", file);
  if (colour != nullptr) *colour = std::move(found);
  return Status::Ok();
}

}  // namespace vr
