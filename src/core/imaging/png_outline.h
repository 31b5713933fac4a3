// A large PNG's chunks without its pixels, so its header, orientation and
// metadata are read without bringing the whole mapped file into memory:
// walking the chunks of the file itself would touch every page of its
// image data, whose chunks are often only 8 KiB apart.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/file_view.h"

namespace vr {

// The file's signature and chunks in their order, the run of IDAT chunks
// replaced by one empty IDAT, so the header, colour and metadata readers
// find everything they read in the file. Chunk headers are read with
// FileView::ReadAt; chunks past kMaxOutlineBytes of kept ones, and
// anything after a chunk that runs past the end, are left out. Empty when
// the file is no PNG.
std::vector<std::uint8_t> ReadPngOutline(const FileView& file);

inline constexpr std::size_t kMaxOutlineBytes = std::size_t{16} << 20;

}  // namespace vr
