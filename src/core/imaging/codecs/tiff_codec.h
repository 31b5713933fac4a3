// TIFF reading through libtiff, entirely in memory.
//
// Only the first directory (page) is read. libtiff's RGBA reader converts
// every photometric kind it knows (bilevel, gray, palette, RGB, CMYK, YCbCr,
// and the rest) to 8-bit RGBA; its result has premultiplied alpha, which is
// turned back to straight alpha here. Samples it refuses (12- and 32-bit
// integers, floats, 16-bit CMYK) are read by tiff_samples. Classic TIFF and
// BigTIFF alike. libtiff never prints: its messages are
// captured per open file and the first error becomes the failure's reason,
// its counts printed signed.
// A single allocation inside libtiff is capped at 1 GiB, so a one-strip
// 16-bit RGBA file near the 256-megapixel limit is refused.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/status.h"
#include "imaging/colour/icc_profile.h"
#include "imaging/image.h"
#include "imaging/image_info.h"
#include "imaging/row_sink.h"

namespace vr {

class ColourTransforms;

// True for the classic TIFF magic in either byte order ("II*\0", "MM\0*")
// and for BigTIFF's ("II+\0", "MM\0+").
bool IsTiff(std::span<const std::uint8_t> bytes);

// Size of the first directory and its orientation tag (1 when missing or out
// of the range 1..8).
Expected<ImageInfo> ReadTiffInfo(std::span<const std::uint8_t> bytes, const std::string& file);

// Whether a file of `file_length` bytes could hold the strips or tiles the
// first directory describes, judged as DecodeTiff does, from the file's
// start in `bytes`. A directory that is not among them passes.
Status CheckTiffFileLength(std::span<const std::uint8_t> bytes, std::uint64_t file_length,
                           const std::string& file);

// Bytes of decoded samples a decode holds besides the picture: one strip or
// tile, of every plane when the samples are stored apart (libtiff's reader
// holds them all at once). 0 when the first directory is not among the bytes.
std::uint64_t TiffChunkBytes(std::span<const std::uint8_t> bytes);

// The first directory as stored: row 0 of `out` is the first row in the
// file whatever the orientation tag says (the engine applies it). A strip or
// tile that cannot be read fails the whole decode, and so, before anything
// is allocated, does a file too short for its strips or tiles: uncompressed
// they must fit in it; PackBits, LZW and Deflate data can decode to at most
// 64, 2731 and 1032 times its length, any other kind to 65536 times.
//
// `colour`, when given, receives the ICC profile tag and the colour model.
// CIE L*a*b* pictures (8 or 16 bits, samples together, with or without an
// alpha sample) are converted to sRGB by lcms, taken as relative to D50 as
// Photoshop writes them; CMYK ones (8 bits, four samples together) with a
// CMYK profile go through it. Both come out with `colour->converted` set;
// `transforms` builds their transforms (a temporary set when null). Other
// layouts of these go through libtiff's own conversion as before.
Status DecodeTiff(std::span<const std::uint8_t> bytes, const std::string& file, Image& out,
                  SourceColour* colour = nullptr, ColourTransforms* transforms = nullptr);

// Whether DecodeTiffRows can hand the first directory's rows over in order:
// a picture libtiff's RGBA reader converts, except L*a*b* and CMYK ones
// (DecodeTiff converts some of those itself) and samples it refuses.
bool TiffRowsStream(std::span<const std::uint8_t> bytes);

// Rows DecodeTiffRows converts at once: a strip's or a row of tiles'
// height, at most the picture's; 0 when the directory is not among the bytes.
int TiffRowBand(std::span<const std::uint8_t> bytes);

// DecodeTiff's picture for a file TiffRowsStream takes, top to bottom into
// `sink`: one band of rows (see TiffRowBand) is converted at a time, each
// strip or tile read once. `colour` receives what DecodeTiff's would. A
// file it does not take fails; so does one DecodeTiff refuses, with its
// message.
Status DecodeTiffRows(std::span<const std::uint8_t> bytes, const std::string& file, const RowSink& sink,
                      SourceColour* colour = nullptr);

}  // namespace vr
