#include "imaging/codecs/gif_codec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/codecs/gif_lzw.h"
#include "imaging/limits.h"

namespace vr {
namespace {

struct Reader {
  std::span<const std::uint8_t> bytes;
  std::size_t position = 0;
};

// giflib treats a short count as a read failure, which is what an early end
// of the data is.
int ReadFromMemory(GifFileType* gif, GifByteType* data, int length) {
  auto* reader = static_cast<Reader*>(gif->UserData);
  if (length <= 0) return 0;
  const std::size_t count =
      std::min(static_cast<std::size_t>(length), reader->bytes.size() - reader->position);
  std::memcpy(data, reader->bytes.data() + reader->position, count);
  reader->position += count;
  return static_cast<int>(count);
}

std::string Reason(int code) {
  const char* text = GifErrorString(code);
  return text != nullptr ? text : "unknown giflib error";
}

// One giflib decoder, always closed, whatever path leaves the function.
class GifReader {
 public:
  GifReader(std::span<const std::uint8_t> bytes) : reader_{bytes} {
    gif_ = DGifOpen(&reader_, &ReadFromMemory, &open_error_);
  }
  ~GifReader() {
    int ignored = 0;
    if (gif_ != nullptr) DGifCloseFile(gif_, &ignored);
  }
  GifReader(const GifReader&) = delete;
  GifReader& operator=(const GifReader&) = delete;

  GifFileType* get() const { return gif_; }
  // Reason for the last failure: the open's, or the decoder's own.
  std::string error() const { return Reason(gif_ != nullptr ? gif_->Error : open_error_); }

 private:
  Reader reader_;
  GifFileType* gif_ = nullptr;
  int open_error_ = D_GIF_SUCCEEDED;
};

Status Invalid(const std::string& reason, const std::string& file) {
  return Status::Fail("Invalid GIF: " + reason + " in " + file);
}

// Walks the records up to the first image descriptor, which giflib then
// holds in gif->Image. The last Graphics Control Extension before it gives
// the frame's transparent index (-1 for none).
Status SeekFirstFrame(const GifReader& reader, const std::string& file, int& transparent) {
  GifFileType* gif = reader.get();
  transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return Invalid(reader.error(), file);
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif) == GIF_ERROR) return Invalid(reader.error(), file);
      return Status::Ok();
    }
    if (type == TERMINATE_RECORD_TYPE) return Invalid("no image", file);
    if (type != EXTENSION_RECORD_TYPE) return Invalid("unknown record", file);

    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return Invalid(reader.error(), file);
    // block[0] is the sub-block's length, the data follows it.
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
      GraphicsControlBlock control{};
      if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
    }
    while (block != nullptr)
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return Invalid(reader.error(), file);
  }
}

// LZW codes are at most 12 bits wide and none stands for more than the
// 4096 pixels of the longest string its table can hold, so no byte of image
// data yields more than 4096 * 8 / 12 pixels.
constexpr std::uint64_t kMaxLzwPixelsPerByte = 2731;

struct Box {
  std::int64_t left = 0, top = 0, right = 0, bottom = 0;
  std::int64_t width() const { return right - left; }
  std::int64_t height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};

// The frames' places and the size of their data, from one pass over the
// file's blocks that decodes no pixels.
struct GifLayout {
  std::int64_t screen_width = 0;
  std::int64_t screen_height = 0;
  int frames = 0;
  Box first;                     // the frame that is shown
  std::uint64_t first_data = 0;  // bytes of its LZW data
  Box all;                       // bounding box of every frame
  std::uint64_t all_data = 0;    // bytes of LZW data of every frame
  // What the shown frame's pixels need when giflib cannot decode them: its
  // minimum code size, where its sub-blocks start, its colour table (local
  // or global; 0 entries for none) and its transparent index.
  int first_code_size = 0;
  std::size_t first_blocks_at = 0;
  std::size_t first_table_at = 0;
  std::size_t first_table_entries = 0;
  int first_transparent = NO_TRANSPARENT_COLOR;
  bool first_interlaced = false;
};

std::int64_t Le16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | b[at + 1] << 8; }

// Stops where the data ends or stops making sense; the decoder then reports
// what is wrong, and the frames seen so far still count.
GifLayout ReadLayout(std::span<const std::uint8_t> b) {
  GifLayout layout;
  if (b.size() < 13) return layout;
  layout.screen_width = Le16(b, 6);
  layout.screen_height = Le16(b, 8);
  auto table_entries = [](std::uint8_t packed) {
    return (packed & 0x80) != 0 ? std::size_t{1} << ((packed & 7) + 1) : 0;
  };
  const std::size_t global_entries = table_entries(b[10]);
  std::size_t at = 13 + 3 * global_entries;
  int transparent = NO_TRANSPARENT_COLOR;  // from the last control block
  // A chain of sub-blocks, each a length byte and that many bytes, ended by
  // a zero length. False when the file ends first.
  auto skip_blocks = [&](std::uint64_t& data) {
    while (at < b.size()) {
      const std::size_t length = b[at++];
      if (length == 0) return true;
      data += std::min(length, b.size() - at);
      at += length;
    }
    return false;
  };
  while (at < b.size()) {
    const std::uint8_t type = b[at++];
    if (type == 0x21 && at < b.size()) {  // extension: its label, then sub-blocks
      // A control block: 4 bytes, the flags' lowest bit marks its last one
      // as the transparent index.
      if (b[at] == GRAPHICS_EXT_FUNC_CODE && b.size() - at >= 6 && b[at + 1] == 4)
        transparent = (b[at + 2] & 1) != 0 ? b[at + 5] : NO_TRANSPARENT_COLOR;
      ++at;
      std::uint64_t ignored = 0;
      if (!skip_blocks(ignored)) break;
    } else if (type == 0x2C && b.size() - at >= 9) {  // image descriptor
      Box frame;
      frame.left = Le16(b, at);
      frame.top = Le16(b, at + 2);
      frame.right = frame.left + Le16(b, at + 4);
      frame.bottom = frame.top + Le16(b, at + 6);
      const std::size_t local_entries = table_entries(b[at + 8]);
      const std::size_t table_at = at + 9;
      at = table_at + 3 * local_entries;
      const int code_size = at < b.size() ? b[at] : 0;
      ++at;  // the LZW minimum code size
      const std::size_t blocks_at = at;
      std::uint64_t data = 0;
      const bool complete = skip_blocks(data);
      if (layout.frames++ == 0) {
        layout.first = frame;
        layout.first_data = data;
        layout.all = frame;
        layout.first_code_size = code_size;
        layout.first_blocks_at = blocks_at;
        layout.first_table_at = local_entries > 0 ? table_at : 13;
        layout.first_table_entries = local_entries > 0 ? local_entries : global_entries;
        layout.first_transparent = transparent;
        layout.first_interlaced = (b[table_at - 1] & 0x40) != 0;
      } else if (!frame.empty()) {
        layout.all = {std::min(layout.all.left, frame.left), std::min(layout.all.top, frame.top),
                      std::max(layout.all.right, frame.right), std::max(layout.all.bottom, frame.bottom)};
      }
      layout.all_data += data;
      if (!complete) break;
    } else {
      break;  // the trailer, or a block the decoder will refuse
    }
  }
  return layout;
}

// The canvas is the logical screen, as every browser shows the file: the
// shown frame at its place, transparent around it. Two kinds of screen are
// not: one with a zero side, as some writers leave it, is taken as
// unbounded, and one larger than all the file's LZW data could fill is a
// hostile claim; for both the canvas is the frames' bounding box cut to the
// screen, so no transparent expanse is allocated. The shown frame and the
// canvas must each come from enough LZW data to fill them.
Expected<Box> CanvasOf(const GifLayout& layout, const std::string& file) {
  if (layout.frames == 0) return Invalid("no image", file);
  const bool screen_given = layout.screen_width > 0 && layout.screen_height > 0;
  if (screen_given) VR_TRY(CheckImageSize(layout.screen_width, layout.screen_height, file));
  const Box& first = layout.first;
  VR_TRY(CheckImageSize(first.width(), first.height(), file));
  VR_TRY(CheckPlausibleSize("GIF", "frame", first.width(), first.height(),
                            layout.first_data * kMaxLzwPixelsPerByte, layout.first_data, file));

  const std::uint64_t most_pixels = layout.all_data * kMaxLzwPixelsPerByte;
  if (screen_given && CheckPlausibleSize("GIF", "screen", layout.screen_width, layout.screen_height,
                                         most_pixels, layout.all_data, file)
                          .ok())
    return Box{0, 0, layout.screen_width, layout.screen_height};

  const std::int64_t screen_right = screen_given ? layout.screen_width : kMaxImageSide;
  const std::int64_t screen_bottom = screen_given ? layout.screen_height : kMaxImageSide;
  const Box canvas{layout.all.left, layout.all.top, std::min(layout.all.right, screen_right),
                   std::min(layout.all.bottom, screen_bottom)};
  if (canvas.empty()) return Invalid("no frame on the logical screen", file);
  VR_TRY(CheckImageSize(canvas.width(), canvas.height(), file));
  VR_TRY(CheckPlausibleSize("GIF", "canvas", canvas.width(), canvas.height(), most_pixels, layout.all_data,
                            file));
  return canvas;
}

// A frame's colours by index. A file with no colour table at all shows its
// indices as grey levels, the table of its own the format lets a reader
// choose; indices past the table are opaque black.
struct Palette {
  std::vector<GifColorType> colors;

  static Palette Grey() {
    Palette grey;
    for (int level = 0; level < 256; ++level) {
      const auto v = static_cast<GifByteType>(level);
      grey.colors.push_back({v, v, v});
    }
    return grey;
  }
};

Palette PaletteOf(const ColorMapObject* map) {
  if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0) return Palette::Grey();
  return Palette{{map->Colors, map->Colors + map->ColorCount}};
}

// The shown frame's table as the pass over the blocks found it, when it
// lies whole in the file.
Expected<Palette> PaletteAt(std::span<const std::uint8_t> bytes, const GifLayout& layout,
                            const std::string& file) {
  if (layout.first_table_entries == 0) return Palette::Grey();
  if (layout.first_table_at + 3 * layout.first_table_entries > bytes.size())
    return Invalid("colour table ends early", file);
  Palette palette;
  for (std::size_t i = 0, at = layout.first_table_at; i < layout.first_table_entries; ++i, at += 3)
    palette.colors.push_back({bytes[at], bytes[at + 1], bytes[at + 2]});
  return palette;
}

// Rows of an interlaced frame arrive in four passes.
struct Pass {
  int first;
  int step;
};
constexpr Pass kSequential[] = {{0, 1}};
constexpr Pass kInterlaced[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

std::span<const Pass> PassesOf(bool interlaced) {
  return interlaced ? std::span<const Pass>(kInterlaced) : std::span<const Pass>(kSequential);
}

// Draws the shown frame's rows onto canvas rows cleared to transparent, in
// whatever order they arrive; what lies off the canvas is dropped.
class FramePainter {
 public:
  FramePainter(const Box& canvas, const Box& frame, Palette palette, int transparent)
      : palette_(std::move(palette)), transparent_(transparent) {
    // The canvas corner is the screen's or the frames' bounding box's, so
    // never right of or below the frame's.
    left_ = static_cast<int>(frame.left - canvas.left);
    top_ = static_cast<int>(frame.top - canvas.top);
    visible_ = static_cast<int>(std::clamp<std::int64_t>(canvas.width() - left_, 0, frame.width()));
  }

  // The canvas row the frame's row y lands on.
  int CanvasRow(int y) const { return top_ + y; }

  template <typename Index>
  void Paint(const Index* line, std::uint8_t* canvas_row) const {
    std::uint8_t* pixel = canvas_row + static_cast<std::size_t>(left_) * 4;
    for (int x = 0; x < visible_; ++x, pixel += 4) {
      const int index = line[x];
      if (index == transparent_) continue;
      if (static_cast<std::size_t>(index) < palette_.colors.size()) {
        const GifColorType& c = palette_.colors[static_cast<std::size_t>(index)];
        pixel[0] = c.Red;
        pixel[1] = c.Green;
        pixel[2] = c.Blue;
      }
      pixel[3] = 255;
    }
  }

  // Into a whole canvas.
  template <typename Index>
  void Row(int y, const Index* line, Image& out) const {
    if (CanvasRow(y) < out.height) Paint(line, out.row(CanvasRow(y)));
  }

 private:
  Palette palette_;
  int transparent_;
  int left_ = 0, top_ = 0, visible_ = 0;
};

// giflib at the first frame, which must be the one the pass over the
// blocks found, or the canvas would not be where it is drawn.
struct FirstFrame {
  Box canvas;
  FramePainter painter;
};

Expected<FirstFrame> OpenFirstFrame(const GifReader& reader, const GifLayout& layout,
                                    const std::string& file) {
  int transparent = NO_TRANSPARENT_COLOR;
  VR_TRY(SeekFirstFrame(reader, file, transparent));
  const GifFileType* gif = reader.get();
  const GifImageDesc& frame = gif->Image;
  VR_TRY_ASSIGN(const Box canvas, CanvasOf(layout, file));
  if (frame.Left != layout.first.left || frame.Top != layout.first.top ||
      frame.Width != layout.first.width() || frame.Height != layout.first.height())
    return Invalid("unreadable image descriptor", file);
  return FirstFrame{
      canvas,
      FramePainter(canvas, layout.first,
                   PaletteOf(frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap), transparent)};
}

void ClearCanvas(Image& out, const Box& canvas) {
  out.Resize(static_cast<int>(canvas.width()), static_cast<int>(canvas.height()));
  std::fill(out.pixels.begin(), out.pixels.end(), std::uint8_t{0});
}

// A frame whose codes are wider than giflib takes, decoded whole and then
// drawn as giflib's rows would be.
Status DecodeWideFrame(std::span<const std::uint8_t> bytes, const GifLayout& layout, const Box& canvas,
                       const std::string& file, Image& out) {
  if (layout.first_code_size > kMaxGifLzwCodeSize)
    return Invalid("LZW minimum code size " + std::to_string(layout.first_code_size), file);
  VR_TRY_ASSIGN(Palette palette, PaletteAt(bytes, layout, file));
  const Box& frame = layout.first;
  const auto width = static_cast<std::size_t>(frame.width());
  std::vector<std::uint16_t> indices;
  VR_TRY(DecodeGifLzw(bytes.subspan(std::min(layout.first_blocks_at, bytes.size())), layout.first_code_size,
                      width * static_cast<std::size_t>(frame.height()), file, indices));
  const FramePainter painter(canvas, frame, std::move(palette), layout.first_transparent);
  ClearCanvas(out, canvas);
  const std::uint16_t* row = indices.data();
  for (const Pass& pass : PassesOf(layout.first_interlaced))
    for (int y = pass.first; y < frame.height(); y += pass.step, row += width) painter.Row(y, row, out);
  return Status::Ok();
}

}  // namespace

bool IsGif(std::span<const std::uint8_t> bytes) { return SniffFileKind(bytes) == FileKind::Gif; }

Expected<ImageInfo> ReadGifInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  if (!IsGif(bytes)) return Invalid("no GIF signature", file);
  GifReader reader(bytes);
  if (reader.get() == nullptr) return Invalid(reader.error(), file);
  VR_TRY_ASSIGN(const Box canvas, CanvasOf(ReadLayout(bytes), file));
  ImageInfo info;
  info.kind = FileKind::Gif;
  info.width = static_cast<int>(canvas.width());
  info.height = static_cast<int>(canvas.height());
  return info;
}

Status DecodeGif(std::span<const std::uint8_t> bytes, const std::string& file, Image& out) {
  if (!IsGif(bytes)) return Invalid("no GIF signature", file);
  GifReader reader(bytes);
  if (reader.get() == nullptr) return Invalid(reader.error(), file);
  const GifLayout layout = ReadLayout(bytes);
  if (layout.frames > 0 && layout.first_code_size > 8) {
    VR_TRY_ASSIGN(const Box canvas, CanvasOf(layout, file));
    if (Status decoded = DecodeWideFrame(bytes, layout, canvas, file, out); !decoded.ok()) {
      out.Resize(0, 0);
      return decoded;
    }
    return Status::Ok();
  }

  VR_TRY_ASSIGN(const FirstFrame first, OpenFirstFrame(reader, layout, file));
  const FramePainter& painter = first.painter;
  GifFileType* gif = reader.get();
  const GifImageDesc& frame = gif->Image;
  ClearCanvas(out, first.canvas);
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  for (const Pass& pass : PassesOf(frame.Interlace)) {
    for (int y = pass.first; y < frame.Height; y += pass.step) {
      if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
        out.Resize(0, 0);
        return Invalid(reader.error(), file);
      }
      painter.Row(y, line.data(), out);
    }
  }
  return Status::Ok();
}

bool GifRowsStream(std::span<const std::uint8_t> bytes) {
  if (!IsGif(bytes)) return false;
  const GifLayout layout = ReadLayout(bytes);
  return layout.frames > 0 && layout.first_code_size <= 8 && !layout.first_interlaced;
}

Status DecodeGifRows(std::span<const std::uint8_t> bytes, const std::string& file, const RowSink& sink) {
  if (!IsGif(bytes)) return Invalid("no GIF signature", file);
  if (!GifRowsStream(bytes)) return Status::Fail("Cannot read the rows of this GIF in order in " + file);
  GifReader reader(bytes);
  if (reader.get() == nullptr) return Invalid(reader.error(), file);
  const GifLayout layout = ReadLayout(bytes);
  VR_TRY_ASSIGN(const FirstFrame first, OpenFirstFrame(reader, layout, file));
  const FramePainter& painter = first.painter;
  GifFileType* gif = reader.get();
  const GifImageDesc& frame = gif->Image;
  if (frame.Interlace) return Invalid("unreadable image descriptor", file);
  const int height = static_cast<int>(first.canvas.height());
  std::vector<std::uint8_t> row(static_cast<std::size_t>(first.canvas.width()) * 4);
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  // Canvas rows above the frame, its own, then those below it. Frame rows
  // below the canvas are still read, so damage there fails as it does in
  // DecodeGif.
  int next = 0;
  bool wanted = true;
  const auto hand_over_blank_rows_to = [&](int end) {
    std::fill(row.begin(), row.end(), std::uint8_t{0});
    for (; next < end && wanted; ++next) wanted = sink(row.data());
  };
  hand_over_blank_rows_to(std::min(painter.CanvasRow(0), height));
  for (int y = 0; y < frame.Height && wanted; ++y) {
    if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return Invalid(reader.error(), file);
    if (painter.CanvasRow(y) >= height) continue;
    std::fill(row.begin(), row.end(), std::uint8_t{0});
    painter.Paint(line.data(), row.data());
    wanted = sink(row.data());
    ++next;
  }
  hand_over_blank_rows_to(height);
  return Status::Ok();
}

}  // namespace vr
