// A picture file's bytes as the engine holds them while the picture waits
// to be decoded: a small file read into memory, a large one mapped, so a
// decode that streams its rows can let the pages it has read go again
// instead of holding the whole file beside the rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"

namespace vr {

class FileView {
 public:
  // Files from this size on are mapped rather than read.
  static constexpr std::size_t kMapFrom = std::size_t{8} << 20;

  FileView() = default;
  ~FileView() { Close(); }
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;

  // The whole of `path`, with ReadWholeFileInto's checks and messages
  // (base/file_bytes.h). Whatever was open before is closed first.
  Status Open(const std::string& path);

  std::span<const std::uint8_t> bytes() const;
  bool mapped() const { return map_ != nullptr; }

  // Copies up to out.size() bytes from `offset` without touching the
  // mapping (a read file is copied from memory); returns how many.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;

  // Lets the pages of a mapped file read so far leave the process's
  // memory; a later read finds them in the page cache again. Nothing for a
  // file read into memory.
  void DropResident() const;

  // Closes the file, keeping a read file's buffer for the next one.
  void Close();
  // Closes the file and gives its buffer back.
  void Release();

 private:
  std::vector<std::uint8_t> buffer_;
  void* map_ = nullptr;
  std::size_t map_size_ = 0;
  int fd_ = -1;  // kept open while mapped, for ReadAt
};

}  // namespace vr
