#include "imaging/metadata/exif_block.h"

#include <algorithm>
#include <array>
#include <set>

#include "imaging/codecs/tiff_byte_order.h"

namespace vr {
namespace {

constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kEntryBytes = 12;
constexpr std::uint16_t kTagExifPointer = 0x8769;
constexpr std::uint16_t kTagGpsPointer = 0x8825;
constexpr std::uint16_t kTagInteropPointer = 0xA005;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
// Far more than any camera writes; keeps a directory's count within 16 bits
// once we add our own entries.
constexpr std::uint64_t kMaxEntries = 4096;

// Tags whose values are offsets into the block they came from.
constexpr std::array<std::uint16_t, 9> kOffsetTags = {
    0x0111, 0x0117,  // strip offsets and byte counts
    0x0144, 0x0145,  // tile offsets and byte counts
    0x014A,          // sub-IFDs
    0x0201, 0x0202,  // the embedded JPEG thumbnail
    0x927C,          // the maker note, whose makers store offsets inside it
    0x02BC,          // XMP inside EXIF: carried as XMP on its own, or not at all
};

// Bytes per value of each TIFF type (1..13); 0 for unknown types.
std::size_t TypeSize(std::uint16_t type) {
  static constexpr std::array<std::uint8_t, 14> kSizes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
  return type < kSizes.size() ? kSizes[type] : 0;
}

void Put16(std::uint8_t* at, std::uint16_t value, bool big_endian) {
  at[big_endian ? 0 : 1] = static_cast<std::uint8_t>(value >> 8);
  at[big_endian ? 1 : 0] = static_cast<std::uint8_t>(value & 0xFF);
}

void Put32(std::uint8_t* at, std::uint32_t value, bool big_endian) {
  Put16(at + (big_endian ? 0 : 2), static_cast<std::uint16_t>(value >> 16), big_endian);
  Put16(at + (big_endian ? 2 : 0), static_cast<std::uint16_t>(value & 0xFFFF), big_endian);
}

// One directory's walk. Copies are counted against a budget so that many
// entries sharing one large value cannot multiply it.
class DirectoryReader {
 public:
  DirectoryReader(std::span<const std::uint8_t> tiff, bool big_endian)
      : tiff_(tiff), read_(tiff, big_endian), budget_(2 * tiff.size()) {}

  // The directory at `offset`, with the offsets of the sub-directory
  // pointers it holds; none when it does not fit or was read before.
  std::optional<ExifDirectory> Read(std::uint64_t offset,
                                    std::vector<std::pair<std::uint16_t, std::uint32_t>>& pointers) {
    const std::uint64_t size = tiff_.size();
    if (offset < kHeaderBytes || offset + 2 > size || !visited_.insert(offset).second) return std::nullopt;
    const std::uint64_t count = read_.U16(static_cast<std::size_t>(offset));
    if (count > kMaxEntries || offset + 2 + count * kEntryBytes > size) return std::nullopt;
    ExifDirectory directory;
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto at = static_cast<std::size_t>(offset + 2 + i * kEntryBytes);
      ExifEntry entry;
      entry.tag = read_.U16(at);
      entry.type = read_.U16(at + 2);
      entry.count = read_.U32(at + 4);
      if (entry.tag == kTagExifPointer || entry.tag == kTagGpsPointer || entry.tag == kTagInteropPointer) {
        if (entry.count == 1 && (entry.type == kTypeLong || entry.type == 13))
          pointers.emplace_back(entry.tag, read_.U32(at + 8));
        continue;
      }
      if (std::ranges::find(kOffsetTags, entry.tag) != kOffsetTags.end()) continue;
      const std::uint64_t bytes = std::uint64_t{entry.count} * TypeSize(entry.type);
      if (bytes == 0 || bytes > budget_) continue;  // unknown type, empty, or past what any block holds
      const std::uint64_t value_at = bytes <= 4 ? at + 8 : read_.U32(at + 8);
      if (value_at + bytes > size) continue;
      budget_ -= bytes;
      const auto first = tiff_.begin() + static_cast<std::ptrdiff_t>(value_at);
      entry.value.assign(first, first + static_cast<std::ptrdiff_t>(bytes));
      // Two entries with one tag: the first counts, as readers take it.
      if (std::ranges::none_of(directory, [&](const ExifEntry& e) { return e.tag == entry.tag; }))
        directory.push_back(std::move(entry));
    }
    return directory;
  }

 private:
  std::span<const std::uint8_t> tiff_;
  TiffByteOrder read_;
  std::uint64_t budget_;
  std::set<std::uint64_t> visited_;
};

std::optional<std::uint32_t> PointerTo(const std::vector<std::pair<std::uint16_t, std::uint32_t>>& pointers,
                                       std::uint16_t tag) {
  for (const auto& [t, offset] : pointers)
    if (t == tag) return offset;
  return std::nullopt;
}

std::size_t Padded(std::size_t bytes) { return bytes + (bytes & 1); }

// Bytes a directory takes with its out-of-line values.
std::size_t DirectoryBytes(const ExifDirectory& directory, std::size_t pointer_count) {
  std::size_t bytes = 2 + (directory.size() + pointer_count) * kEntryBytes + 4;
  for (const ExifEntry& entry : directory)
    if (entry.value.size() > 4) bytes += Padded(entry.value.size());
  return bytes;
}

void WriteDirectory(std::vector<std::uint8_t>& out, std::size_t offset, const ExifDirectory& directory,
                    const std::vector<std::pair<std::uint16_t, std::uint32_t>>& pointers, bool big_endian) {
  std::vector<ExifEntry> entries = directory;
  for (const auto& [tag, target] : pointers) {
    ExifEntry pointer{tag, kTypeLong, 1, std::vector<std::uint8_t>(4)};
    Put32(pointer.value.data(), target, big_endian);
    entries.push_back(std::move(pointer));
  }
  std::ranges::sort(entries, {}, &ExifEntry::tag);
  const std::size_t count = entries.size();
  Put16(&out[offset], static_cast<std::uint16_t>(count), big_endian);
  std::size_t data_at = offset + 2 + count * kEntryBytes + 4;  // the next-directory offset stays 0
  for (std::size_t i = 0; i < count; ++i) {
    const ExifEntry& entry = entries[i];
    std::uint8_t* field = &out[offset + 2 + i * kEntryBytes];
    Put16(field, entry.tag, big_endian);
    Put16(field + 2, entry.type, big_endian);
    Put32(field + 4, entry.count, big_endian);
    if (entry.value.size() <= 4) {
      std::ranges::copy(entry.value, field + 8);
    } else {
      Put32(field + 8, static_cast<std::uint32_t>(data_at), big_endian);
      std::ranges::copy(entry.value, out.begin() + static_cast<std::ptrdiff_t>(data_at));
      data_at += Padded(entry.value.size());
    }
  }
}

void SetEntry(ExifDirectory& directory, ExifEntry entry) {
  for (ExifEntry& e : directory)
    if (e.tag == entry.tag) {
      e = std::move(entry);
      return;
    }
  directory.push_back(std::move(entry));
}

}  // namespace

std::optional<ExifBlock> ParseExifBlock(std::span<const std::uint8_t> tiff) {
  if (tiff.size() < kHeaderBytes || tiff.size() > kMaxExifBlockBytes) return std::nullopt;
  ExifBlock block;
  if (tiff[0] == 'I' && tiff[1] == 'I')
    block.big_endian = false;
  else if (tiff[0] == 'M' && tiff[1] == 'M')
    block.big_endian = true;
  else
    return std::nullopt;
  const TiffByteOrder read(tiff, block.big_endian);
  if (read.U16(2) != 42) return std::nullopt;

  DirectoryReader directories(tiff, block.big_endian);
  std::vector<std::pair<std::uint16_t, std::uint32_t>> pointers;
  std::optional<ExifDirectory> ifd0 = directories.Read(read.U32(4), pointers);
  if (!ifd0) return std::nullopt;
  block.ifd0 = std::move(*ifd0);
  std::vector<std::pair<std::uint16_t, std::uint32_t>> exif_pointers, unused;
  if (std::optional<std::uint32_t> at = PointerTo(pointers, kTagExifPointer))
    block.exif = directories.Read(*at, exif_pointers);
  if (std::optional<std::uint32_t> at = PointerTo(pointers, kTagGpsPointer))
    block.gps = directories.Read(*at, unused);
  if (std::optional<std::uint32_t> at = PointerTo(exif_pointers, kTagInteropPointer); at && block.exif)
    block.interop = directories.Read(*at, unused);
  return block;
}

std::vector<std::uint8_t> WriteExifBlock(const ExifBlock& block) {
  const bool be = block.big_endian;
  const std::size_t ifd0_pointers = (block.exif ? 1 : 0) + (block.gps ? 1 : 0);
  const std::size_t exif_pointers = block.interop && block.exif ? 1 : 0;
  const std::size_t ifd0_at = kHeaderBytes;
  const std::size_t exif_at = ifd0_at + DirectoryBytes(block.ifd0, ifd0_pointers);
  const std::size_t interop_at = exif_at + (block.exif ? DirectoryBytes(*block.exif, exif_pointers) : 0);
  const std::size_t gps_at = interop_at + (exif_pointers ? DirectoryBytes(*block.interop, 0) : 0);
  const std::size_t end = gps_at + (block.gps ? DirectoryBytes(*block.gps, 0) : 0);

  std::vector<std::uint8_t> out(end, 0);
  out[0] = out[1] = be ? 'M' : 'I';
  Put16(&out[2], 42, be);
  Put32(&out[4], static_cast<std::uint32_t>(ifd0_at), be);
  std::vector<std::pair<std::uint16_t, std::uint32_t>> pointers;
  if (block.exif) pointers.emplace_back(kTagExifPointer, static_cast<std::uint32_t>(exif_at));
  if (block.gps) pointers.emplace_back(kTagGpsPointer, static_cast<std::uint32_t>(gps_at));
  WriteDirectory(out, ifd0_at, block.ifd0, pointers, be);
  if (block.exif) {
    pointers.clear();
    if (exif_pointers) pointers.emplace_back(kTagInteropPointer, static_cast<std::uint32_t>(interop_at));
    WriteDirectory(out, exif_at, *block.exif, pointers, be);
  }
  if (exif_pointers) WriteDirectory(out, interop_at, *block.interop, {}, be);
  if (block.gps) WriteDirectory(out, gps_at, *block.gps, {}, be);
  return out;
}

void SetExifShort(ExifDirectory& directory, std::uint16_t tag, std::uint16_t value, bool big_endian) {
  ExifEntry entry{tag, kTypeShort, 1, std::vector<std::uint8_t>(2)};
  Put16(entry.value.data(), value, big_endian);
  SetEntry(directory, std::move(entry));
}

void SetExifLong(ExifDirectory& directory, std::uint16_t tag, std::uint32_t value, bool big_endian) {
  ExifEntry entry{tag, kTypeLong, 1, std::vector<std::uint8_t>(4)};
  Put32(entry.value.data(), value, big_endian);
  SetEntry(directory, std::move(entry));
}

const ExifEntry* FindExifEntry(const ExifDirectory& directory, std::uint16_t tag) {
  for (const ExifEntry& entry : directory)
    if (entry.tag == tag) return &entry;
  return nullptr;
}

}  // namespace vr
