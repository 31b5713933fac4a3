// The image engine: two pictures (slot 1 the picture being made into a
// thumbnail, slot 2 the overlay) and every operation on them.
//
// Make one Engine per worker thread. An Engine shares nothing mutable with
// any other, and keeps its decoder handles and pixel buffers from picture to
// picture, so a worker reusing its engine does not touch fresh memory for
// every file. An Engine itself is not safe to use from two threads at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "imaging/codec_dispatch.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/decode_warning.h"
#include "imaging/encode_options.h"
#include "imaging/engine_slot.h"
#include "imaging/format_codes.h"
#include "imaging/image.h"
#include "imaging/metadata/picture_metadata.h"
#include "imaging/ops/attention_crop.h"
#include "imaging/ops/colour_transform.h"
#include "imaging/ops/flatten.h"
#include "imaging/ops/mix.h"
#include "imaging/ops/resample.h"
#include "imaging/ops/row_shrinker.h"
#include "imaging/ops/sharpen.h"

namespace vr {

class Engine {
 public:
  static constexpr int kPictureSlot = 1;
  static constexpr int kOverlaySlot = 2;
  static constexpr int kDefaultJpegQuality = 75;
  static constexpr int kDefaultOpacity = 100;
  static constexpr std::uint32_t kDefaultNoiseSeed = 0x5EED1234u;

  // Reads the file and its header only: size and orientation are known at
  // once, the pixels are decoded by the first operation that needs them. The
  // file's bytes decide its kind. `header` is what a caller already read
  // from the file's start, so it is not parsed twice; the decoder still
  // checks the bytes. A failure leaves the slot empty, never holding the
  // previous picture.
  Status LoadImage(int slot, const std::string& path, const ImageInfo* header = nullptr);

  // The upright size (orientations 5..8 swap the sides), without decoding.
  // An empty slot gives 0 x 0 and a failure.
  Status GetImageSize(int slot, int& width, int& height) const;

  // Slot 1 made exactly width x height. A JPEG not yet decoded is decoded
  // shrunk in the DCT first, as far as still leaves the resampler a reduction
  // of at least two, so the result matches a full decode; a WebP likewise
  // through libwebp's scaled output, a HEIF from an embedded thumbnail at
  // least the target's size. Another picture not yet decoded whose rows
  // come in order (RowsStream) and that shrinks is decoded row by row into
  // the shrink, never held whole; the orientation is then applied to the
  // thumbnail.
  //
  // `stored_region`, when given, is the part of the picture to resample, in
  // the file's stored pixels (before the orientation); a part reaching
  // outside is cut to the picture. None is the whole picture. A region
  // belongs to the picture as loaded: give it to the first Resample.
  Status Resample(int width, int height, const std::optional<SourceBox>& stored_region = std::nullopt);

  // Slot 1's `window` (a part of the upright picture, in the pixels
  // GetImageSize measures) made exactly width x height: a crop and a resize
  // in one resampling pass. kAttention moves the window, keeping its sides,
  // to where FindAttentionWindow finds the detail on the decoded picture. A
  // JPEG not yet decoded shrinks in the DCT as far as the window still
  // leaves the resampler its room.
  Status ResampleWindow(const SourceBox& window, CropPlace place, int width, int height);

  // Slot 2 turned counter-clockwise by `degrees` (see rotate.h).
  Status RotateOverlay(float degrees);

  // Effects on slot 1; each leaves the picture exactly as it is at level 0.
  // Noise draws from the seed set by SetNoiseSeed, the same for every call,
  // so a picture's noise depends only on the picture, the level and the seed,
  // never on which worker made it or in what order (a batch is reproducible).
  Status AddNoise(int level);
  Status AdjustLight(int brightness, int contrast);
  Status Colorize(int saturation);
  Status Repair(float correction);
  Status GrayScale();
  Status Negative();
  // The thumbnail's unsharp mask (see sharpen.h); kNone does nothing.
  Status Sharpen(SharpenLevel level);
  void SetNoiseSeed(std::uint32_t seed) { noise_seed_ = seed; }

  // Opacity of the overlay in later mixes, 0..100 (values beyond are clamped).
  void SetOverlayOpacity(int opacity_percent);

  // `overlay` (decoded, upright) combined into slot 1 at (x, y), rows counted
  // from the bottom (see mix.h). The caller holds the overlay, so one
  // watermark is mixed into many pictures without being copied. An empty
  // overlay mixes as nothing; an empty slot 1 fails.
  Status MixIn(const Image& overlay, MixMode mode, int x, int y);

  // How later decodes treat pictures that name their colours (an ICC
  // profile, PNG's colour chunks): kSrgb (the default) converts them to sRGB;
  // kKeep leaves an RGB picture's samples and has JPEG and PNG saves embed
  // its profile (BMP carries none). Grey, CMYK and L*a*b* pictures are
  // converted either way. Untagged pictures are never touched.
  //
  // The conversion is made once, before the first step that uses the
  // colours, on as few pixels as it can: a Resample that shrinks converts
  // its result (the thumbnail, not the decoded picture: a lcms transform
  // costs about 20 ms a megapixel, as much again as decoding a shrunk
  // photo), any other step the decoded picture. Resampling the stored
  // samples and converting after moves the colours of flat areas not at
  // all and those of edges by less than a level (colour_test).
  void SetColourOutput(ColourOutput output) { colour_output_ = output; }
  ColourOutput colour_output() const { return colour_output_; }

  // Quality of later JPEG saves, 0..100 (values beyond act as 100).
  void SetJpegQuality(std::uint8_t quality);

  // Quality, speed and the like of later WebP, AVIF and JPEG XL saves.
  void SetEncodeOptions(const EncodeOptions& options) { encode_options_ = options; }

  // The colour transparent pictures are composited over where the output
  // holds no alpha (see Encode); white until set.
  void SetBackground(Background background) { background_ = background; }

  // What later saves keep of slot 1's metadata. Set before LoadImage: the
  // metadata is read from the file's bytes while it loads, and only when it
  // is to be kept, so kStrip (the default) costs nothing.
  void SetMetadataMode(MetadataMode mode) { metadata_mode_ = mode; }

  // Writes slot 1 as BMP (1), JPEG (3), PNG (4), WebP (5), AVIF (6) or
  // JPEG XL (7). The file is written beside
  // the target and renamed into place, so a failed save leaves neither a
  // half-written file nor a damaged older one.
  Status Save(const std::string& path, int format_code);

  // The bytes Save would write, into `out`, for a caller that writes them
  // itself; `path` only names the file in messages. A JPEG of a picture with
  // transparency is made from the picture flattened onto the background; a
  // BMP keeps the alpha, and its fully transparent pixels take the
  // background's colour for readers that ignore alpha. PNG, WebP, AVIF and
  // JPEG XL keep everything (of the metadata, their EXIF and XMP).
  // The slot's picture itself is left as it was.
  Status Encode(int format_code, std::vector<std::uint8_t>& out, const std::string& path);

  // Empty a slot and give its memory back.
  void ClearPicture() { Clear(kPictureSlot); }
  void ClearOverlay() { Clear(kOverlaySlot); }
  void Clear(int slot);

  // Holds an already decoded, upright picture (the settings dialog's preview
  // sample, a test's picture); an empty image empties the slot.
  Status Hold(int slot, Image image, const std::string& name = std::string());

  // Decodes the slot if it is only loaded; nothing for a decoded or empty slot.
  Status Decode(int slot);

  // The slot's decoded picture: empty while the slot is empty or only loaded
  // (call Decode first).
  const Image& picture(int slot) const;
  bool empty(int slot) const;
  // What the decoder warned of while decoding the slot's picture (damaged()
  // when pixels were lost).
  const DecodeWarning& warning(int slot) const;

 private:
  static bool ValidSlot(int slot) { return slot == kPictureSlot || slot == kOverlaySlot; }
  EngineSlot& At(int slot);
  const EngineSlot& At(int slot) const;

  // Decodes a Pending slot, shrinking a JPEG toward the stored-axis target
  // when one is given (0 x 0: full size), and turns it upright. `shrink`,
  // when given, receives the decode's DCT scale (1 when nothing was decoded).
  Status EnsureDecoded(int slot, int target_width = 0, int target_height = 0, int* shrink = nullptr);
  // Resample and ResampleWindow: the window (upright) or the stored region
  // is none for the whole picture.
  Status ResampleSlot(const std::optional<SourceBox>& window, CropPlace place, int width, int height,
                      const std::optional<SourceBox>& stored_region);
  // Decodes slot 1's rows straight into a shrink to the stored-axis target
  // (see Resample), leaving it Decoded with the upright thumbnail.
  Status StreamIntoShrink(const SourceBox& stored_region, Sides stored_target);
  // Takes over what a decode of slot `slot` left beside its pixels: its
  // colours, its warning; drops the file's bytes.
  void FinishDecode(int slot, DecodeResult& result);
  // The colour step of a decoded slot, when it is still due.
  void EnsureColour(int slot);
  // EnsureDecoded and EnsureColour for an operation on a slot that must
  // hold a picture.
  Status Prepare(int slot, const char* operation);

  EngineSlot slots_[2];
  JpegCodec jpeg_;
  ColourTransforms colour_;
  ColourOutput colour_output_ = ColourOutput::kSrgb;
  Resampler resampler_;
  RowShrinker streamed_;               // a decode's rows on their way to the thumbnail
  Image scratch_;                      // the resampler's output, swapped into the slot
  Image flattened_;                    // a transparent picture made ready for a format without alpha
  std::vector<std::uint8_t> encoded_;  // the file being saved
  int opacity_ = kDefaultOpacity;
  int jpeg_quality_ = kDefaultJpegQuality;
  EncodeOptions encode_options_;
  MetadataMode metadata_mode_ = MetadataMode::kStrip;
  std::uint32_t noise_seed_ = kDefaultNoiseSeed;
  Background background_;
};

}  // namespace vr
