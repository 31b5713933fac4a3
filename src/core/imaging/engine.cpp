#include "imaging/engine.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

#include "base/atomic_file.h"
#include "imaging/codec_dispatch.h"
#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/codecs/webp_codec.h"
#include "imaging/colour/icc_embed.h"
#include "imaging/limits.h"
#include "imaging/metadata/metadata_reader.h"
#include "imaging/metadata/orientation_sources.h"
#include "imaging/metadata/thumbnail_metadata.h"
#include "imaging/ops/colorize.h"
#include "imaging/ops/light.h"
#include "imaging/ops/noise.h"
#include "imaging/ops/orientation.h"
#include "imaging/ops/repair.h"
#include "imaging/ops/rotate.h"
#include "imaging/ops/tone.h"
#include "imaging/png_outline.h"

namespace vr {
namespace {

std::string SlotName(int slot) { return "slot " + std::to_string(slot); }

Status NoSuchSlot(int slot) { return Status::Fail("No image " + SlotName(slot)); }

// How often a streamed decode lets the pages of a mapped file it has read
// go: often enough that a few megabytes of file at most stay in memory,
// seldom enough that the calls cost nothing beside the decode.
constexpr int kRowsBetweenDrops = 64;

}  // namespace

EngineSlot& Engine::At(int slot) {
  assert(ValidSlot(slot));
  return slots_[slot == kOverlaySlot ? 1 : 0];
}

const EngineSlot& Engine::At(int slot) const {
  assert(ValidSlot(slot));
  return slots_[slot == kOverlaySlot ? 1 : 0];
}

Status Engine::LoadImage(int slot, const std::string& path, const ImageInfo* header) {
  if (!ValidSlot(slot)) return NoSuchSlot(slot);
  EngineSlot& s = At(slot);
  s.Clear();  // whatever happens next, the previous picture is gone

  if (Status read = s.source.Open(path); !read.ok()) {
    s.Clear();
    return read;
  }
  // A mapped PNG's facts come from its chunks without the pixels (see
  // png_outline.h); every other file's from the file itself.
  if (s.source.mapped() && SniffFileKind(s.source.bytes()) == FileKind::Png)
    s.outline = ReadPngOutline(s.source);
  const std::span<const std::uint8_t> facts = s.outline.empty() ? s.source.bytes() : s.outline;
  const auto read_header = [&]() -> Expected<ImageInfo> {
    if (header != nullptr && header->kind != FileKind::Unknown) return *header;
    // Our own JPEG codec reads JPEG headers, so its handle is reused.
    const FileKind kind = SniffFileKind(facts);
    Expected<ImageInfo> read =
        kind == FileKind::Jpeg ? jpeg_.ReadInfo(facts, path) : ReadImageInfo(facts, path);
    if (read) read->kind = kind;
    return read;
  };
  Expected<ImageInfo> info = read_header();
  if (info) {
    if (Status size = CheckImageSize(info->width, info->height, path); !size.ok()) info = size;
  }
  if (!info) {
    s.Clear();
    return info.status();
  }
  s.info = *info;
  // A PNG or WebP may keep its orientation behind the pixels, beyond the part of the
  // file a caller read its header from; the whole file has the last word.
  if (header != nullptr && s.info.kind == FileKind::Png) s.info.orientation = ReadPngOrientation(facts);
  if (header != nullptr && s.info.kind == FileKind::Webp) s.info.orientation = ReadWebpOrientation(facts);
  s.file = path;
  s.state = EngineSlot::State::Pending;
  if (slot == kPictureSlot && metadata_mode_ != MetadataMode::kStrip) s.metadata = ReadPictureMetadata(facts);
  // Looking for the orientation and metadata may have walked the whole
  // file; a mapped one need not stay in memory for that until it decodes.
  s.source.DropResident();
  return Status::Ok();
}

Status Engine::GetImageSize(int slot, int& width, int& height) const {
  width = 0;
  height = 0;
  if (!ValidSlot(slot)) return NoSuchSlot(slot);
  const EngineSlot& s = At(slot);
  if (s.empty()) return Status::Fail("No picture in " + SlotName(slot) + " to measure");
  width = s.width();
  height = s.height();
  return Status::Ok();
}

Status Engine::EnsureDecoded(int slot, int target_width, int target_height, int* shrink) {
  EngineSlot& s = At(slot);
  if (shrink != nullptr) *shrink = 1;
  if (!s.pending()) return Status::Ok();

  Expected<DecodeResult> result = DecodeImage(s.info.kind, s.source.bytes(), s.file, jpeg_, target_width,
                                              target_height, s.picture, &colour_);
  if (!result) {
    // A picture that cannot be decoded is no picture: later operations must
    // not work on a stale or half-made one.
    s.Clear();
    return result.status();
  }
  ApplyOrientation(s.picture, s.info.orientation);
  if (shrink != nullptr) *shrink = result->shrink;
  FinishDecode(slot, *result);
  return Status::Ok();
}

void Engine::FinishDecode(int slot, DecodeResult& result) {
  EngineSlot& s = At(slot);
  // The colour step waits for the first step that uses the colours (see
  // SetColourOutput); an untagged picture, or one its decoder converted,
  // has none.
  if (result.colour.Tagged() && !result.colour.converted) {
    s.colour = std::move(result.colour);
    s.colour_due = true;
  }
  s.warning = std::move(result.warning);
  s.source.Close();  // keeps a read file's buffer for the next one
  s.state = EngineSlot::State::Decoded;
}

Status Engine::StreamIntoShrink(const SourceBox& stored_region, Sides stored_target) {
  EngineSlot& s = At(kPictureSlot);
  if (!streamed_.Start(s.info.width, s.info.height, stored_region, stored_target.width, stored_target.height,
                       scratch_))
    return Status::Fail("Cannot resample " + s.file + " to " + std::to_string(stored_target.width) + "x" +
                        std::to_string(stored_target.height));
  // Every so many rows the pages of a mapped file read for them go again,
  // so the file is not held whole either.
  const RowSink sink = [this, &s](const std::uint8_t* row) {
    streamed_.Add(row);
    if (streamed_.next_row() % kRowsBetweenDrops == 0) s.source.DropResident();
    return !streamed_.done();
  };
  Expected<DecodeResult> result = DecodeRows(s.source.bytes(), s.file, sink, s.outline);
  // A decoder that stops early without saying so would leave rows unmade.
  if (result && !streamed_.done()) result = Status::Fail("Invalid picture: its rows end early in " + s.file);
  if (!result) {
    scratch_.Resize(0, 0);
    s.Clear();
    return result.status();
  }
  ApplyOrientation(scratch_, s.info.orientation);
  // The old buffer becomes the next call's output buffer.
  std::swap(s.picture, scratch_);
  FinishDecode(kPictureSlot, *result);
  EnsureColour(kPictureSlot);
  return Status::Ok();
}

void Engine::EnsureColour(int slot) {
  EngineSlot& s = At(slot);
  if (!s.colour_due) return;
  s.colour_due = false;
  colour_.Apply(s.colour, colour_output_, s.picture, s.profile);
}

Status Engine::Prepare(int slot, const char* operation) {
  if (!ValidSlot(slot)) return NoSuchSlot(slot);
  if (At(slot).empty())
    return Status::Fail(std::string("No picture in ") + SlotName(slot) + " to " + operation);
  VR_TRY(EnsureDecoded(slot));
  EnsureColour(slot);
  return Status::Ok();
}

Status Engine::Decode(int slot) {
  if (!ValidSlot(slot)) return NoSuchSlot(slot);
  VR_TRY(EnsureDecoded(slot));
  EnsureColour(slot);
  return Status::Ok();
}

Status Engine::Resample(int width, int height, const std::optional<SourceBox>& stored_region) {
  return ResampleSlot(std::nullopt, CropPlace::kCentre, width, height, stored_region);
}

Status Engine::ResampleWindow(const SourceBox& window, CropPlace place, int width, int height) {
  return ResampleSlot(window, place, width, height, std::nullopt);
}

Status Engine::ResampleSlot(const std::optional<SourceBox>& window, CropPlace place, int width, int height,
                            const std::optional<SourceBox>& stored_region) {
  EngineSlot& s = At(kPictureSlot);
  if (s.empty()) return Status::Fail("No picture in slot 1 to resample");
  if (Status size = CheckImageSize(width, height, s.file); !size.ok())
    return Status::Fail("Cannot resample to " + std::to_string(width) + "x" + std::to_string(height) + ": " +
                        size.message());
  const Sides upright{s.width(), s.height()};
  // A hair of rounding beyond the edge is not outside.
  constexpr double kEdge = 1e-6;
  if (window && (window->width <= 0 || window->height <= 0 || window->x < -kEdge || window->y < -kEdge ||
                 window->x + window->width > upright.width + kEdge ||
                 window->y + window->height > upright.height + kEdge))
    return Status::Fail("Cannot crop " + s.file + ": the window lies outside the picture");

  // The decoders and the DCT work on the stored axes: a picture turned a
  // quarter on load needs the target's sides swapped.
  const Sides stored = OrientedSides(width, height, s.info.orientation);
  const SourceBox whole{0, 0, static_cast<double>(s.info.width), static_cast<double>(s.info.height)};
  // A window kept in the middle is known before decoding: the rows can
  // stream into its shrink. Where the detail is must be looked for on the
  // decoded picture.
  std::optional<SourceBox> streamed_region = stored_region;
  if (window && place != CropPlace::kAttention)
    streamed_region =
        UprightBox(*window, upright.width, upright.height, InverseOrientation(s.info.orientation));
  const SourceBox region = streamed_region.value_or(whole);
  const bool can_stream = !window || place != CropPlace::kAttention;
  if (can_stream && s.pending() && s.info.kind != FileKind::Jpeg &&
      ShrinksWhileDecoding(std::min(region.width, whole.width), std::min(region.height, whole.height),
                           stored.width, stored.height) &&
      RowsStream(s.source.bytes()))
    return StreamIntoShrink(region, stored);

  int shrink = 1;
  if (s.pending() && DecodesTowardTarget(s.info.kind)) {
    // The decoder's room is judged on what the whole picture is resampled
    // to: for a window, the whole picture at the window's scale; for a
    // stored region likewise, on the stored axes.
    Sides target = stored;
    if (window) {
      const Sides upright_whole = WholeTargetOf(*window, upright.width, upright.height, width, height);
      target = OrientedSides(upright_whole.width, upright_whole.height, s.info.orientation);
    } else if (stored_region) {
      const auto widen = [](int side, double whole_side, double region_side) {
        return static_cast<int>(
            std::min(whole_side, std::ceil(side * whole_side / std::max(region_side, 1.0))));
      };
      target = {widen(stored.width, whole.width, region.width),
                widen(stored.height, whole.height, region.height)};
    }
    VR_TRY(EnsureDecoded(kPictureSlot, target.width, target.height, &shrink));
  } else {
    VR_TRY(EnsureDecoded(kPictureSlot));
  }

  // A shrunk decode's last row and column may hold only part of a pixel of
  // picture; the resample covers exactly the picture. A stored region is
  // found on the upright picture as the orientation moved it.
  const SourceBox picture = shrink > 1
                                ? ShrunkDecodeBox(s.info.width, s.info.height, shrink, s.info.orientation)
                                : WholeSourceBox(s.picture);
  SourceBox box = picture;
  if (window) {
    // The window in the decoded picture's pixels.
    const double sx = picture.width / upright.width, sy = picture.height / upright.height;
    box = {picture.x + window->x * sx, picture.y + window->y * sy, window->width * sx, window->height * sy};
    if (place == CropPlace::kAttention) {
      const SourceBox found = FindAttentionWindow(s.picture, box.width, box.height);
      box.x = std::clamp(found.x, picture.x, picture.x + picture.width - box.width);
      box.y = std::clamp(found.y, picture.y, picture.y + picture.height - box.height);
    }
  } else if (stored_region && s.info.width > 0 && s.info.height > 0) {
    const SourceBox scaled{region.x / shrink, region.y / shrink, region.width / shrink,
                           region.height / shrink};
    box = UprightBox(scaled, (s.info.width + shrink - 1) / shrink, (s.info.height + shrink - 1) / shrink,
                     s.info.orientation);
  } else if (stored_region) {
    box = *stored_region;  // a held picture is upright and has no stored form
  }
  // Converted after the resample when that leaves fewer pixels to convert.
  const bool shrinks = std::int64_t{width} * height < std::int64_t{s.picture.width} * s.picture.height;
  if (!shrinks) EnsureColour(kPictureSlot);
  if (!window && !stored_region && shrink == 1 && s.picture.width == width && s.picture.height == height)
    return Status::Ok();
  resampler_.Resample(s.picture, box, width, height, scratch_);
  if (scratch_.width != width || scratch_.height != height)
    return Status::Fail("Cannot resample " + s.file + " to " + std::to_string(width) + "x" +
                        std::to_string(height));
  // The old buffer becomes the next call's output buffer.
  std::swap(s.picture, scratch_);
  EnsureColour(kPictureSlot);
  return Status::Ok();
}

Status Engine::RotateOverlay(float degrees) {
  VR_TRY(Prepare(kOverlaySlot, "rotate"));
  EngineSlot& s = At(kOverlaySlot);
  Image turned = RotateImage(s.picture, degrees);
  if (turned.empty())
    return Status::Fail("Cannot rotate " + s.file + ": the turned picture would be too large");
  s.picture = std::move(turned);
  return Status::Ok();
}

Status Engine::AddNoise(int level) {
  VR_TRY(Prepare(kPictureSlot, "add noise to"));
  vr::AddNoise(At(kPictureSlot).picture, level, noise_seed_);
  return Status::Ok();
}

Status Engine::AdjustLight(int brightness, int contrast) {
  VR_TRY(Prepare(kPictureSlot, "light"));
  vr::AdjustLight(At(kPictureSlot).picture, brightness, contrast);
  return Status::Ok();
}

Status Engine::Colorize(int saturation) {
  VR_TRY(Prepare(kPictureSlot, "colorize"));
  vr::Colorize(At(kPictureSlot).picture, saturation);
  return Status::Ok();
}

Status Engine::Repair(float correction) {
  VR_TRY(Prepare(kPictureSlot, "repair"));
  RepairGamma(At(kPictureSlot).picture, correction);
  return Status::Ok();
}

Status Engine::GrayScale() {
  VR_TRY(Prepare(kPictureSlot, "turn grey"));
  vr::GrayScale(At(kPictureSlot).picture);
  return Status::Ok();
}

Status Engine::Negative() {
  VR_TRY(Prepare(kPictureSlot, "invert"));
  vr::Negative(At(kPictureSlot).picture);
  return Status::Ok();
}

Status Engine::Sharpen(SharpenLevel level) {
  if (level == SharpenLevel::kNone) return Status::Ok();
  VR_TRY(Prepare(kPictureSlot, "sharpen"));
  vr::Sharpen(At(kPictureSlot).picture, level);
  return Status::Ok();
}

void Engine::SetOverlayOpacity(int opacity_percent) { opacity_ = std::clamp(opacity_percent, 0, 100); }

Status Engine::MixIn(const Image& overlay, MixMode mode, int x, int y) {
  VR_TRY(Prepare(kPictureSlot, "mix into"));
  if (overlay.empty()) return Status::Ok();
  MixImages(At(kPictureSlot).picture, overlay, mode, x, y, opacity_);
  return Status::Ok();
}

void Engine::SetJpegQuality(std::uint8_t quality) { jpeg_quality_ = std::min<int>(quality, 100); }

Status Engine::Encode(int format_code, std::vector<std::uint8_t>& out, const std::string& path) {
  if (format_code != kFormatBmp && format_code != kFormatJpeg && format_code != kFormatPng &&
      !IsNewerFormat(format_code))
    return Status::Fail("Unsupported output format (code " + std::to_string(format_code) + ") for " + path);
  if (At(kPictureSlot).empty()) return Status::Fail("No picture in slot 1 to save as " + path);
  VR_TRY(EnsureDecoded(kPictureSlot));
  EnsureColour(kPictureSlot);

  const Image& picture = At(kPictureSlot).picture;
  // Only a picture decoded with kKeep has a profile to carry.
  const std::vector<std::uint8_t>& profile = At(kPictureSlot).profile;
  if (IsNewerFormat(format_code)) {
    // Their libraries keep alpha, and take the profile and metadata along.
    PictureMetadata kept;
    if (metadata_mode_ != MetadataMode::kStrip)
      kept = MetadataForThumbnail(At(kPictureSlot).metadata, picture.width, picture.height, metadata_mode_);
    return EncodeNewerFormat(format_code, picture, encode_options_, EncodeExtras{profile, &kept}, out, path);
  }
  if (format_code == kFormatPng) {
    VR_TRY(EncodePng(picture, out, path, profile));
  } else if (!picture.HasTransparency()) {
    if (format_code == kFormatBmp) return EncodeBmp(picture, out, path);
    VR_TRY(jpeg_.Encode(picture, jpeg_quality_, out, path));
  } else {
    // Transparent pictures are rare; the copy keeps the slot's picture as
    // it was, and its buffer is kept for the next one.
    flattened_.Resize(picture.width, picture.height);
    flattened_.pixels.assign(picture.pixels.begin(), picture.pixels.end());
    if (format_code == kFormatBmp) {
      FillTransparent(flattened_, background_);
      return EncodeBmp(flattened_, out, path);
    }
    FlattenOnto(flattened_, background_);
    VR_TRY(jpeg_.Encode(flattened_, jpeg_quality_, out, path));
  }
  // The profile goes in first: the metadata's segments are then put before
  // it, EXIF first as readers expect. One too large for a JPEG's 255
  // segments is left out.
  if (format_code == kFormatJpeg && !profile.empty()) (void)EmbedJpegIccProfile(out, profile);
  if (metadata_mode_ != MetadataMode::kStrip) {
    const PictureMetadata kept =
        MetadataForThumbnail(At(kPictureSlot).metadata, picture.width, picture.height, metadata_mode_);
    EmbedMetadata(format_code == kFormatJpeg ? FileKind::Jpeg : FileKind::Png, kept, out);
  }
  return Status::Ok();
}

Status Engine::Save(const std::string& path, int format_code) {
  VR_TRY(Encode(format_code, encoded_, path));
  return ReplaceFileAtomically(path, encoded_);
}

void Engine::Clear(int slot) {
  if (ValidSlot(slot)) At(slot).Release();
}

Status Engine::Hold(int slot, Image image, const std::string& name) {
  if (!ValidSlot(slot)) return NoSuchSlot(slot);
  if (!image.empty()) {
    Status size = CheckImageSize(image.width, image.height, name);
    if (size.ok() && image.pixels.size() != image.stride() * static_cast<std::size_t>(image.height))
      size = Status::Fail("Wrong pixel count for a " + std::to_string(image.width) + "x" +
                          std::to_string(image.height) + " picture in " + name);
    if (!size.ok()) {
      At(slot).Clear();
      return size;
    }
  }
  At(slot).Hold(std::move(image), name);
  return Status::Ok();
}

const Image& Engine::picture(int slot) const {
  static const Image kNone;
  if (!ValidSlot(slot) || At(slot).state != EngineSlot::State::Decoded) return kNone;
  return At(slot).picture;
}

bool Engine::empty(int slot) const { return !ValidSlot(slot) || At(slot).empty(); }

const DecodeWarning& Engine::warning(int slot) const {
  static const DecodeWarning kNone;
  return ValidSlot(slot) ? At(slot).warning : kNone;
}

}  // namespace vr
