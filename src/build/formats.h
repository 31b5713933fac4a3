// Format codes the image engine is told when it loads or saves a file:
// 0 not recognised (the engine looks at the bytes), 1 Windows Bitmap, 2 GIF,
// 3 JPEG, 4 PNG, 7 TIFF.
#pragma once

#include <cstdint>
#include <string>

namespace vr {

inline constexpr std::int32_t kFormatUnknown = 0;
inline constexpr std::int32_t kFormatBmp = 1;
inline constexpr std::int32_t kFormatGif = 2;
inline constexpr std::int32_t kFormatJpeg = 3;
inline constexpr std::int32_t kFormatPng = 4;
inline constexpr std::int32_t kFormatTiff = 7;

// The thumbnail's code and extension for the OUTformat setting (the position
// in the settings dialog's format list): 0 BMP ".bmp", 1 JPEG ".jpg", 2 PNG
// ".png". Any other value leaves both outputs as they were.
void GetOutputFormat(std::int32_t out_format, std::int32_t& lFormat, std::string& szExtension);

// The code for a source file from its extension: the text after the last dot
// of the file name, compared without regard to case. No dot, or an extension
// not in the table, gives 0. Only the part after the last "/" is looked at,
// so a dot in a folder name never counts as an extension.
std::int32_t GetInputFormat(const std::string& szFileName);

}  // namespace vr
