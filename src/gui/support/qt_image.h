// Pictures between the engine and the windows. The engine's Image is 8-bit
// RGBA with straight alpha, rows top to bottom; QImage::Format_RGBA8888 has
// the same byte order and straight alpha, so the conversion is a row copy.
// Premultiplied or other QImage formats are converted to straight RGBA first.
#pragma once

#include <QImage>
#include <QString>

#include "imaging/image.h"

namespace vr {

// A QImage (Format_RGBA8888, straight alpha) holding a copy of the pixels;
// a null QImage for an empty Image.
QImage ToQImage(const Image& image);

// The engine's picture from any QImage; an empty Image for a null QImage.
// Palette pictures give their colours, premultiplied ones are un-premultiplied.
Image FromQImage(const QImage& image);

// A picture of the program's own (a sample in the data folder), read afresh
// on every call; an empty Image when the file is missing or unreadable.
Image LoadPictureFile(const QString& path);

}  // namespace vr
