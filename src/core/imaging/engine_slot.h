// One of the engine's two pictures. A load keeps the file's bytes and header
// facts; the pixels are decoded only when an operation needs them, so a
// picture that is only measured, or resized on the fly by the JPEG decoder,
// never costs a full decode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/colour/icc_profile.h"
#include "imaging/decode_warning.h"
#include "imaging/file_view.h"
#include "imaging/image.h"
#include "imaging/image_info.h"
#include "imaging/metadata/picture_metadata.h"

namespace vr {

struct EngineSlot {
  enum class State { Empty, Pending, Decoded };

  State state = State::Empty;
  std::string file;  // the loaded path, for messages
  ImageInfo info;    // header facts while Pending
  FileView source;   // the file while Pending
  // A mapped PNG's chunks without its pixels (png_outline.h), while Pending.
  std::vector<std::uint8_t> outline;
  Image picture;             // upright pixels once Decoded
  DecodeWarning warning;     // what the decoder warned of
  PictureMetadata metadata;  // read on load only when a thumbnail keeps it
  // The file's colours while the colour step is still to come (see
  // Engine::EnsureColour): set by a decode of a tagged picture.
  SourceColour colour;
  bool colour_due = false;
  // The profile a thumbnail of it carries when colours are kept (see
  // ColourOutput::kKeep); empty when it is sRGB or untagged.
  std::vector<std::uint8_t> profile;

  bool empty() const { return state == State::Empty; }
  bool pending() const { return state == State::Pending; }

  // The upright size, without decoding.
  int width() const;
  int height() const;

  // Empties the slot but keeps its buffers for the next picture.
  void Clear();
  // Empties the slot and gives its memory back.
  void Release();
  // Holds `image` as a decoded picture (empty image: the slot becomes empty).
  void Hold(Image image, const std::string& name);
};

}  // namespace vr
