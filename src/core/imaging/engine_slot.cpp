#include "imaging/engine_slot.h"

#include <utility>

namespace vr {

int EngineSlot::width() const {
  switch (state) {
    case State::Pending:
      return UprightSides(info).width;
    case State::Decoded:
      return picture.width;
    case State::Empty:
      break;
  }
  return 0;
}

int EngineSlot::height() const {
  switch (state) {
    case State::Pending:
      return UprightSides(info).height;
    case State::Decoded:
      return picture.height;
    case State::Empty:
      break;
  }
  return 0;
}

void EngineSlot::Clear() {
  state = State::Empty;
  file.clear();
  info = ImageInfo{};
  source.Close();
  outline.clear();
  picture.Resize(0, 0);
  warning = DecodeWarning{};
  metadata.clear();
  colour = SourceColour{};
  colour_due = false;
  profile.clear();
}

void EngineSlot::Release() {
  Clear();
  source.Release();
  std::vector<std::uint8_t>().swap(outline);
  std::vector<std::uint8_t>().swap(picture.pixels);
  std::string().swap(file);
  metadata = PictureMetadata{};
}

void EngineSlot::Hold(Image image, const std::string& name) {
  Clear();
  if (image.empty() || image.pixels.size() != image.stride() * static_cast<std::size_t>(image.height)) return;
  picture = std::move(image);
  file = name;
  state = State::Decoded;
}

}  // namespace vr
