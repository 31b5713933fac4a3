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

// The logical screen, unless a side of it is zero (some writers leave it
// so); the frame's extent stands in then.
Status CanvasSize(const GifFileType* gif, const std::string& file, int& width, int& height) {
  width = gif->SWidth;
  height = gif->SHeight;
  if (width <= 0 || height <= 0) {
    width = gif->Image.Left + gif->Image.Width;
    height = gif->Image.Top + gif->Image.Height;
  }
  return CheckImageSize(width, height, file);
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
  GifFileType* gif = reader.get();
  if (gif->SWidth <= 0 || gif->SHeight <= 0) {
    int transparent = 0;
    if (Status seek = SeekFirstFrame(reader, file, transparent); !seek.ok()) return seek;
  }
  ImageInfo info;
  info.kind = FileKind::Gif;
  if (Status size = CanvasSize(gif, file, info.width, info.height); !size.ok()) return size;
  return info;
}

Status DecodeGif(std::span<const std::uint8_t> bytes, const std::string& file, Image& out) {
  if (!IsGif(bytes)) return Invalid("no GIF signature", file);
  GifReader reader(bytes);
  if (reader.get() == nullptr) return Invalid(reader.error(), file);
  GifFileType* gif = reader.get();
  int transparent = NO_TRANSPARENT_COLOR;
  if (Status seek = SeekFirstFrame(reader, file, transparent); !seek.ok()) return seek;

  const GifImageDesc& frame = gif->Image;
  if (Status size = CheckImageSize(frame.Width, frame.Height, file); !size.ok()) return size;
  int width = 0, height = 0;
  if (Status size = CanvasSize(gif, file, width, height); !size.ok()) return size;
  const ColorMapObject* colors = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  if (colors == nullptr || colors->Colors == nullptr) return Invalid("no colour table", file);

  out.Resize(width, height);
  std::fill(out.pixels.begin(), out.pixels.end(), std::uint8_t{0});
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  // The part of each frame row that lies on the canvas.
  const int visible = std::clamp(width - frame.Left, 0, frame.Width);
  for (const Pass& pass :
       frame.Interlace ? std::span<const Pass>(kInterlaced) : std::span<const Pass>(kSequential)) {
    for (int y = pass.first; y < frame.Height; y += pass.step) {
      if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
        out.Resize(0, 0);
        return Invalid(reader.error(), file);
      }
      const int canvas_y = frame.Top + y;
      if (canvas_y >= height) continue;
      std::uint8_t* pixel = out.at(frame.Left < width ? frame.Left : 0, canvas_y);
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
