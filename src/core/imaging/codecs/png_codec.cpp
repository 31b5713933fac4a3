#include "imaging/codecs/png_codec.h"

#include <png.h>

#include <cstring>
#include <new>
#include <string>

#include "imaging/codecs/png_session.h"
#include "imaging/limits.h"
#include "imaging/metadata/orientation_sources.h"

namespace vr {
namespace {

// Ancillary chunks may hold compressed text or colour profiles; none of them
// changes our pixels, but a hostile one could make libpng inflate a lot. So
// every chunk libpng would otherwise keep is skipped unread, each chunk's
// buffer is capped, and a file may not carry more chunks than any honest one.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;
constexpr png_uint_32 kMaxCachedChunks = 256;

// Thumbnails are small and written once per picture, so speed matters more
// than the last few percent of size: zlib level 3 is its fastest method's
// best setting and gives files within about 10% of level 9.
constexpr int kCompressionLevel = 3;

// Deflate cannot expand data more than 1032 times, so a file smaller than
// its pixel rows over that factor is cut short whatever it claims; it is
// refused before the picture's buffer is allocated.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

struct Reader {
  std::span<const std::uint8_t> bytes;
  std::size_t position = 0;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
  if (length > reader->bytes.size() - reader->position) png_error(png, "file ends early");
  std::memcpy(data, reader->bytes.data() + reader->position, length);
  reader->position += length;
}

// Reads the signature and every chunk up to the first IDAT.
void ReadHeaderStep(png_structp png, png_infop info, void* context) {
  png_set_read_fn(png, context, &ReadFromMemory);
  png_set_user_limits(png, static_cast<png_uint_32>(kMaxImageSide), static_cast<png_uint_32>(kMaxImageSide));
  png_set_chunk_cache_max(png, kMaxCachedChunks);
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  // All chunks but IHDR, PLTE, tRNS, IDAT and IEND are dropped unread.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
#ifdef PNG_IGNORE_ADLER32
  // Every IDAT chunk's CRC is still checked, so damaged data is still
  // refused; zlib's Adler-32 over the inflated bytes would check it twice,
  // at a sixteenth of the whole load.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  png_read_info(png, info);
}

// Asks for 8-bit RGBA whatever the stored form.
void SetTransformsStep(png_structp png, png_infop info, void*) {
  const png_byte color_type = png_get_color_type(png, info);
  png_set_expand(png);  // palette to RGB, gray below 8 bits to 8, tRNS to alpha
  if (png_get_bit_depth(png, info) == 16) png_set_scale_16(png);  // rounds, unlike stripping the low byte
  if ((color_type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  if ((color_type & PNG_COLOR_MASK_ALPHA) == 0 && !png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
}

struct PixelsContext {
  png_bytepp rows;
};

void ReadPixelsStep(png_structp png, png_infop, void* context) {
  // The rest of the file (trailing chunks, IEND) is not read: nothing after
  // the pixels changes them, and a missing IEND should not cost a picture.
  png_read_image(png, static_cast<PixelsContext*>(context)->rows);
}

struct RowsContext {
  png_bytep row;
  int height;
  const RowSink* sink;
};

// Row by row, each handed on before the next is read; stops when the sink
// wants no more. Like ReadPixelsStep, nothing after the pixels is read.
void ReadRowsStep(png_structp png, png_infop, void* context) {
  auto* rows = static_cast<RowsContext*>(context);
  for (int y = 0; y < rows->height; ++y) {
    png_read_row(png, rows->row, nullptr);
    if (!(*rows->sink)(rows->row)) return;
  }
}

Status Invalid(const PngSession& session, const std::string& file) {
  return Status::Fail(std::string("Invalid PNG: ") + session.error() + " in " + file);
}

Expected<ImageInfo> InfoFromHeader(const PngSession& session, const std::string& file) {
  const png_uint_32 width = png_get_image_width(session.png(), session.info());
  const png_uint_32 height = png_get_image_height(session.png(), session.info());
  VR_TRY(CheckImageSize(width, height, file));
  ImageInfo info;
  info.kind = FileKind::Png;
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  return info;
}

struct Writer {
  std::vector<std::uint8_t>* out;
};

void WriteToMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* writer = static_cast<Writer*>(png_get_io_ptr(png));
  bool grown = true;
  try {
    writer->out->insert(writer->out->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  // Raised only after the handler has finished, so the jump leaves no C++
  // frame with live objects behind.
  if (!grown) png_error(png, "out of memory");
}

void FlushMemory(png_structp) {}

struct EncodeContext {
  Writer writer;
  const Image* image;
  bool alpha;
  png_bytepp rows;
  std::span<const std::uint8_t> icc;
};

void WriteStep(png_structp png, png_infop info, void* context) {
  auto* encode = static_cast<EncodeContext*>(context);
  png_set_write_fn(png, &encode->writer, &WriteToMemory, &FlushMemory);
  png_set_IHDR(png, info, static_cast<png_uint_32>(encode->image->width),
               static_cast<png_uint_32>(encode->image->height), 8,
               encode->alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, kCompressionLevel);
  if (!encode->icc.empty()) {
    // A profile libpng refuses is then only warned about (and left out)
    // instead of failing the picture.
    png_set_benign_errors(png, 1);
    png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, encode->icc.data(),
                 static_cast<png_uint_32>(encode->icc.size()));
  }
  png_write_info(png, info);
  if (!encode->alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops our fourth byte
  png_write_image(png, encode->rows);
  png_write_end(png, nullptr);
}

// Reads the header and sets the transforms to 8-bit RGBA; the picture's
// sides come back in `info`.
Status StartDecode(PngSession& session, Reader& reader, const std::string& file, ImageInfo& info) {
  if (!IsPng(reader.bytes)) return Status::Fail("Invalid PNG: no PNG signature in " + file);
  if (!session.valid()) return Status::Fail("Out of memory reading " + file);
  if (!session.Run(&ReadHeaderStep, &reader)) return Invalid(session, file);
  VR_TRY_ASSIGN(info, InfoFromHeader(session, file));
  const std::uint64_t stored_row_bytes = png_get_rowbytes(session.png(), session.info());
  if (std::uint64_t{reader.bytes.size()} * kMaxDeflateRatio <
      stored_row_bytes * static_cast<std::uint64_t>(info.height))
    return Status::Fail("Invalid PNG: too little image data for " + std::to_string(info.width) + "x" +
                        std::to_string(info.height) + " in " + file);
  if (!session.Run(&SetTransformsStep, nullptr)) return Invalid(session, file);
  // The transforms above must have produced 8-bit RGBA; anything else would
  // overrun the rows.
  if (png_get_rowbytes(session.png(), session.info()) != static_cast<std::size_t>(info.width) * 4)
    return Status::Fail("Invalid PNG: unexpected row layout in " + file);
  return Status::Ok();
}

}  // namespace

bool IsPng(std::span<const std::uint8_t> bytes) { return SniffFileKind(bytes) == FileKind::Png; }

Expected<ImageInfo> ReadPngInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  if (!IsPng(bytes)) return Status::Fail("Invalid PNG: no PNG signature in " + file);
  PngSession session(PngSession::Mode::kRead);
  if (!session.valid()) return Status::Fail("Out of memory reading " + file);
  Reader reader{bytes};
  if (!session.Run(&ReadHeaderStep, &reader)) return Invalid(session, file);
  VR_TRY_ASSIGN(ImageInfo info, InfoFromHeader(session, file));
  info.orientation = ReadPngOrientation(bytes);
  return info;
}

bool PngRowsStream(std::span<const std::uint8_t> bytes) {
  // IHDR is always first: its interlace method is the 29th byte of the file.
  constexpr std::size_t kInterlaceAt = 8 + 8 + 12;
  return IsPng(bytes) && bytes.size() > kInterlaceAt && bytes[kInterlaceAt] == 0;
}

Status DecodePng(std::span<const std::uint8_t> bytes, const std::string& file, Image& out) {
  PngSession session(PngSession::Mode::kRead);
  Reader reader{bytes};
  ImageInfo info;
  VR_TRY(StartDecode(session, reader, file, info));
  out.Resize(info.width, info.height);
  std::vector<png_bytep> rows(static_cast<std::size_t>(info.height));
  for (int y = 0; y < info.height; ++y) rows[static_cast<std::size_t>(y)] = out.row(y);
  PixelsContext pixels{rows.data()};
  if (!session.Run(&ReadPixelsStep, &pixels)) {
    out.Resize(0, 0);
    return Invalid(session, file);
  }
  return Status::Ok();
}

Status DecodePngRows(std::span<const std::uint8_t> bytes, const std::string& file, const RowSink& sink) {
  if (!PngRowsStream(bytes)) {
    if (!IsPng(bytes)) return Status::Fail("Invalid PNG: no PNG signature in " + file);
    return Status::Fail("Cannot read the rows of an interlaced PNG in order in " + file);
  }
  PngSession session(PngSession::Mode::kRead);
  Reader reader{bytes};
  ImageInfo info;
  VR_TRY(StartDecode(session, reader, file, info));
  std::vector<std::uint8_t> row(static_cast<std::size_t>(info.width) * 4);
  RowsContext rows{row.data(), info.height, &sink};
  if (!session.Run(&ReadRowsStep, &rows)) return Invalid(session, file);
  return Status::Ok();
}

Status EncodePng(const Image& image, std::vector<std::uint8_t>& out, const std::string& file,
                 std::span<const std::uint8_t> icc) {
  out.clear();
  VR_TRY(CheckImageSize(image.width, image.height, file));
  if (image.pixels.size() != image.stride() * static_cast<std::size_t>(image.height))
    return Status::Fail("Cannot write PNG: picture buffer does not match its size for " + file);
  PngSession session(PngSession::Mode::kWrite);
  if (!session.valid()) return Status::Fail("Out of memory writing " + file);

  // libpng takes non-const rows but only reads them when writing.
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y)
    rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(image.row(y));
  EncodeContext encode{Writer{&out}, &image, image.HasTransparency(), rows.data(), icc};
  if (!session.Run(&WriteStep, &encode)) {
    out.clear();
    return Status::Fail(std::string("Cannot write PNG: ") + session.error() + " for " + file);
  }
  return Status::Ok();
}

}  // namespace vr
