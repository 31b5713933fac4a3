#include "imaging/codecs/gif_codec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

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
};

std::int64_t Le16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | b[at + 1] << 8; }

// Stops where the data ends or stops making sense; the decoder then reports
// what is wrong, and the frames seen so far still count.
GifLayout ReadLayout(std::span<const std::uint8_t> b) {
  GifLayout layout;
  if (b.size() < 13) return layout;
  layout.screen_width = Le16(b, 6);
  layout.screen_height = Le16(b, 8);
  auto table_bytes = [](std::uint8_t packed) {
    return (packed & 0x80) != 0 ? std::size_t{3} << ((packed & 7) + 1) : 0;
  };
  std::size_t at = 13 + table_bytes(b[10]);
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
      ++at;
      std::uint64_t ignored = 0;
      if (!skip_blocks(ignored)) break;
    } else if (type == 0x2C && b.size() - at >= 9) {  // image descriptor
      Box frame;
      frame.left = Le16(b, at);
      frame.top = Le16(b, at + 2);
      frame.right = frame.left + Le16(b, at + 4);
      frame.bottom = frame.top + Le16(b, at + 6);
      at += 9 + table_bytes(b[at + 8]) + 1;  // and the LZW minimum code size
      std::uint64_t data = 0;
      const bool complete = skip_blocks(data);
      if (layout.frames++ == 0) {
        layout.first = frame;
        layout.first_data = data;
        layout.all = frame;
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

// The canvas is the frames' bounding box cut to the logical screen (taken
// as unbounded when a side of it is zero, as some writers leave it). A
// screen larger than its frames would hold nothing but transparent pixels
// beyond them, so it is cropped rather than allocated. The shown frame and
// the canvas must each come from enough LZW data to fill them.
Expected<Box> CanvasOf(const GifLayout& layout, const std::string& file) {
  if (layout.frames == 0) return Invalid("no image", file);
  const bool screen_given = layout.screen_width > 0 && layout.screen_height > 0;
  if (screen_given) VR_TRY(CheckImageSize(layout.screen_width, layout.screen_height, file));
  const Box& first = layout.first;
  VR_TRY(CheckImageSize(first.width(), first.height(), file));
  VR_TRY(CheckPlausibleSize("GIF", "frame", first.width(), first.height(),
                            layout.first_data * kMaxLzwPixelsPerByte, layout.first_data, file));

  const std::int64_t screen_right = screen_given ? layout.screen_width : kMaxImageSide;
  const std::int64_t screen_bottom = screen_given ? layout.screen_height : kMaxImageSide;
  const Box canvas{layout.all.left, layout.all.top, std::min(layout.all.right, screen_right),
                   std::min(layout.all.bottom, screen_bottom)};
  if (canvas.empty()) return Invalid("no frame on the logical screen", file);
  VR_TRY(CheckImageSize(canvas.width(), canvas.height(), file));
  VR_TRY(CheckPlausibleSize("GIF", "canvas", canvas.width(), canvas.height(),
                            layout.all_data * kMaxLzwPixelsPerByte, layout.all_data, file));
  return canvas;
}

// Rows of an interlaced frame arrive in four passes.
struct Pass {
  int first;
  int step;
};
constexpr Pass kSequential[] = {{0, 1}};
constexpr Pass kInterlaced[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

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
  GifFileType* gif = reader.get();
  int transparent = NO_TRANSPARENT_COLOR;
  VR_TRY(SeekFirstFrame(reader, file, transparent));

  const GifImageDesc& frame = gif->Image;
  const GifLayout layout = ReadLayout(bytes);
  VR_TRY_ASSIGN(const Box canvas, CanvasOf(layout, file));
  // The pass over the blocks and giflib must agree on the frame, or the
  // canvas would not be where it is drawn.
  if (frame.Left != layout.first.left || frame.Top != layout.first.top ||
      frame.Width != layout.first.width() || frame.Height != layout.first.height())
    return Invalid("unreadable image descriptor", file);
  const ColorMapObject* colors = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  if (colors == nullptr || colors->Colors == nullptr) return Invalid("no colour table", file);

  const int width = static_cast<int>(canvas.width());
  const int height = static_cast<int>(canvas.height());
  // The frame's place on the canvas, whose corner is never right of or
  // below the frame's: it is the corner of the frames' bounding box.
  const int left = frame.Left - static_cast<int>(canvas.left);
  const int top = frame.Top - static_cast<int>(canvas.top);
  out.Resize(width, height);
  std::fill(out.pixels.begin(), out.pixels.end(), std::uint8_t{0});
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  // The part of each frame row that lies on the canvas.
  const int visible = std::clamp(width - left, 0, frame.Width);
  for (const Pass& pass :
       frame.Interlace ? std::span<const Pass>(kInterlaced) : std::span<const Pass>(kSequential)) {
    for (int y = pass.first; y < frame.Height; y += pass.step) {
      if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
        out.Resize(0, 0);
        return Invalid(reader.error(), file);
      }
      const int canvas_y = top + y;
      if (canvas_y >= height || visible == 0) continue;
      std::uint8_t* pixel = out.at(left, canvas_y);
      for (int x = 0; x < visible; ++x, pixel += 4) {
        const int index = line[static_cast<std::size_t>(x)];
        if (index == transparent) continue;
        if (index < colors->ColorCount) {
          const GifColorType& c = colors->Colors[index];
          pixel[0] = c.Red;
          pixel[1] = c.Green;
          pixel[2] = c.Blue;
        }
        pixel[3] = 255;
      }
    }
  }
  return Status::Ok();
}

}  // namespace vr
