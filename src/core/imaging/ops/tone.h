// Tone: GrayScale sets R, G and B to the pixel's Rec. 601 luma; Negative
// replaces each colour channel v by 255 - v; ApplyToneTable maps each colour
// channel through a 256-entry table (light and repair build theirs). All keep
// alpha.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/image.h"

namespace vr {

// Rec. 601 luma (0.299, 0.587, 0.114) in 256ths, rounded: the weights 77,
// 150 and 29 sum to exactly 256, so a grey pixel keeps its level.
inline int Luma601(int r, int g, int b) { return (77 * r + 150 * g + 29 * b + 128) >> 8; }

void GrayScale(Image& image);
void Negative(Image& image);

using ToneTable = std::array<std::uint8_t, 256>;
void ApplyToneTable(Image& image, const ToneTable& table);

}  // namespace vr
