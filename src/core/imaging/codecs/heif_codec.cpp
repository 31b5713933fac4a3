#include "imaging/codecs/heif_codec.h"

#include <libheif/heif.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/embedded_facts.h"
#include "imaging/limits.h"

namespace vr {
namespace {

struct ContextDeleter {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;
using HeifImage = std::unique_ptr<heif_image, ImageDeleter>;

std::string Text(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

// The bytes are not copied: they outlive the context.
struct Opened {
  Context context;
  Handle primary;
};

Expected<Opened> Open(std::span<const std::uint8_t> bytes, const std::string& file) {
  Opened opened;
  opened.context.reset(heif_context_alloc());
  if (!opened.context) return Status::Fail("Cannot set up libheif for " + file + ": not enough memory");
  heif_context_set_maximum_image_size_limit(opened.context.get(), static_cast<int>(kMaxImageSide));
  // A run already keeps every core busy with its own rows.
  heif_context_set_max_decoding_threads(opened.context.get(), 0);
  heif_error error =
      heif_context_read_from_memory_without_copy(opened.context.get(), bytes.data(), bytes.size(), nullptr);
  heif_image_handle* primary = nullptr;
  if (error.code == heif_error_Ok)
    error = heif_context_get_primary_image_handle(opened.context.get(), &primary);
  if (error.code != heif_error_Ok)
    return Status::Fail("Invalid HEIF: " + Text(error.message) + " in " + file);
  opened.primary.reset(primary);
  VR_TRY(CheckImageSize(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary), file));
  return opened;
}

// The smallest thumbnail at least as large as the target on both sides and
// of the primary's shape (within a pixel either way); none without one.
Handle ThumbnailFor(heif_image_handle* primary, int target_width, int target_height) {
  if (target_width <= 0 || target_height <= 0) return nullptr;
  const int count = heif_image_handle_get_number_of_thumbnails(primary);
  if (count <= 0) return nullptr;
  std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
  heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
  const std::int64_t width = heif_image_handle_get_width(primary);
  const std::int64_t height = heif_image_handle_get_height(primary);
  Handle best;
  for (const heif_item_id id : ids) {
    heif_image_handle* thumbnail = nullptr;
    if (heif_image_handle_get_thumbnail(primary, id, &thumbnail).code != heif_error_Ok) continue;
    Handle candidate(thumbnail);
    const std::int64_t w = heif_image_handle_get_width(thumbnail);
    const std::int64_t h = heif_image_handle_get_height(thumbnail);
    const bool large_enough = w >= target_width && h >= target_height;
    const bool same_shape = std::llabs(w * height - h * width) <= std::max(width, height);
    const bool smaller = !best || w < heif_image_handle_get_width(best.get());
    if (large_enough && same_shape && smaller) best = std::move(candidate);
  }
  return best;
}

SourceColour ColourOf(heif_image_handle* handle) {
  SourceColour colour;
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
    const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
    if (size > 0 && size <= kMaxIccProfileBytes) {
      colour.icc.resize(size);
      if (heif_image_handle_get_raw_color_profile(handle, colour.icc.data()).code != heif_error_Ok)
        colour.icc.clear();
    }
    return colour;
  }
  heif_color_profile_nclx* nclx = nullptr;
  if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok && nclx != nullptr)
    colour = ColourFromCodePoints(nclx->color_primaries, nclx->transfer_characteristics);
  heif_nclx_color_profile_free(nclx);
  return colour;
}

}  // namespace

Expected<ImageInfo> ReadHeifInfo(std::span<const std::uint8_t> bytes, const std::string& file) {
  VR_TRY_ASSIGN(const Opened opened, Open(bytes, file));
  ImageInfo info;
  info.kind = FileKind::Heif;
  info.width = heif_image_handle_get_width(opened.primary.get());
  info.height = heif_image_handle_get_height(opened.primary.get());
  return info;
}

Status DecodeHeif(std::span<const std::uint8_t> bytes, const std::string& file, int target_width,
                  int target_height, Image& out, SourceColour& colour) {
  VR_TRY_ASSIGN(const Opened opened, Open(bytes, file));
  // The primary's colour describes its thumbnails too.
  colour = ColourOf(opened.primary.get());
  const Handle thumbnail = ThumbnailFor(opened.primary.get(), target_width, target_height);
  heif_image_handle* handle = thumbnail ? thumbnail.get() : opened.primary.get();

  std::unique_ptr<heif_decoding_options, decltype(&heif_decoding_options_free)> options(
      heif_decoding_options_alloc(), &heif_decoding_options_free);
  if (!options) return Status::Fail("Cannot decode HEIF " + file + ": not enough memory");
  heif_image* decoded = nullptr;
  const heif_error error =
      heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, options.get());
  const HeifImage image(decoded);
  if (error.code != heif_error_Ok)
    return Status::Fail("Cannot decode HEIF " + file + ": " + Text(error.message));
  const int width = heif_image_get_width(decoded, heif_channel_interleaved);
  const int height = heif_image_get_height(decoded, heif_channel_interleaved);
  VR_TRY(CheckImageSize(width, height, file));
  int stride = 0;
  const std::uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
  if (plane == nullptr || stride < width * 4)
    return Status::Fail("Cannot decode HEIF " + file + ": no picture came out");
  out.Resize(width, height);
  for (int y = 0; y < height; ++y)
    std::memcpy(out.row(y), plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                out.stride());
  return Status::Ok();
}

PictureMetadata ReadHeifMetadata(std::span<const std::uint8_t> bytes) {
  PictureMetadata metadata;
  Expected<Opened> opened = Open(bytes, std::string());
  if (!opened) return metadata;
  heif_image_handle* handle = opened->primary.get();
  const int count = heif_image_handle_get_number_of_metadata_blocks(handle, nullptr);
  if (count <= 0) return metadata;
  std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
  heif_image_handle_get_list_of_metadata_block_IDs(handle, nullptr, ids.data(), count);
  constexpr std::size_t kMaxBlockBytes = std::size_t{4} << 20;
  for (const heif_item_id id : ids) {
    const std::string type = Text(heif_image_handle_get_metadata_type(handle, id));
    const std::string content = Text(heif_image_handle_get_metadata_content_type(handle, id));
    const bool exif = type == "Exif";
    const bool xmp = type == "mime" && content == "application/rdf+xml";
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if ((!exif && !xmp) || size == 0 || size > kMaxBlockBytes) continue;
    std::vector<std::uint8_t> block(size);
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok) continue;
    if (exif && metadata.exif.empty()) metadata.exif = TiffStructuredExif(block);
    if (xmp && metadata.xmp.empty()) metadata.xmp.assign(block.begin(), block.end());
  }
  return metadata;
}

}  // namespace vr
