// The list of pictures a build turns into thumbnails: typed rows in list
// order, the window's table being a view over it. Rows are numbered from 0,
// as the view's model counts them. A row's size on disk and date come with
// it; its dimensions are read later, off the window's thread, and filled in
// by the row's id, which stays the same while rows before it are removed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "list/folder_scan.h"

namespace vr {

inline constexpr std::string_view kDimensionsColumnKey = "dim";
inline constexpr std::string_view kDateColumnKey = "data";

struct ImageListColumn {
  std::string header;
  std::string key;  // empty for "File" and "Size"
  int width = 0;    // pixels, for the grid
};

struct PictureSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

enum class DimensionsState : std::uint8_t {
  kUnknown,  // not asked for yet
  kAsked,    // handed out to be read
  kKnown,
  kNone,  // the header could not be read
};

struct ImageRow {
  std::uint64_t id = 0;  // grows in list order
  std::string path;
  std::uint32_t root = 0;  // the folder it was added from, see ImageList::roots()
  bool measured = false;   // bytes and modified hold the file's values
  std::int64_t bytes = 0;
  std::int64_t modified = 0;  // seconds since the epoch
  DimensionsState dimensions_state = DimensionsState::kUnknown;
  PictureSize dimensions;
};

// What a reader of dimensions needs for one row.
struct DimensionsRequest {
  std::uint64_t id = 0;
  std::string path;
};

class ImageList {
 public:
  // "File" and "Size"; with `extra`, also "Dimensions" and "Date".
  void CreateColumns(bool extra);
  // After the settings were saved: `extra` adds the dimension and date
  // columns (headed "Dimensões" and "Data") where they are missing;
  // otherwise removes them.
  void ApplyDisplaySettings(bool extra);

  // Appends a row for `path`, measured now; a file that cannot be measured
  // gets a row with empty cells all the same. `root` is the folder it was
  // found in by a scan, empty for a file named on its own.
  void AddFile(const std::string& path, const std::string& root = {});
  // Appends rows for pictures a scan of `root` found, already measured.
  void AddScanned(std::span<const ScannedPicture> pictures, const std::string& root);

  std::int32_t RowCount() const { return static_cast<std::int32_t>(rows_.size()); }
  const ImageRow& row(std::size_t index) const { return rows_[index]; }
  // The text the list shows, the date as mm/dd/yyyy with `date_separator`.
  // Empty for a value not (yet) known and for a cell outside the list.
  std::string CellText(std::int32_t row, std::int32_t column, char date_separator = '/') const;

  // The rows' paths in list order, what a build makes thumbnails of.
  std::vector<std::string> paths() const;
  // Beside paths(): the folder each row was added from, empty for a file
  // added on its own.
  std::vector<std::string> roots() const;

  // Rows [first, first + count); the rows behind move up. Rows outside the
  // list are ignored.
  void RemoveRows(std::int32_t first, std::int32_t count);
  void Clear();

  // The rows from `first` on whose dimensions nobody has asked for yet,
  // now marked as asked.
  std::vector<DimensionsRequest> TakeDimensionsRequests(std::int32_t first = 0);
  // Fills in what was read for row `id` (nothing: unreadable). Returns the
  // row's place, or -1 when it was removed meanwhile.
  std::int32_t SetDimensions(std::uint64_t id, std::optional<PictureSize> size);

  const std::vector<ImageListColumn>& columns() const { return columns_; }
  // The column number (1-based) with that key, 0 when there is none.
  std::int32_t ColumnWithKey(std::string_view key) const;

 private:
  void AddColumn(std::string header, std::string_view key, int width);
  void RemoveColumn(std::string_view key);
  std::uint32_t RootIndex(const std::string& root);

  std::vector<ImageListColumn> columns_;
  std::vector<ImageRow> rows_;
  std::vector<std::string> roots_ = {std::string()};  // 0: added on its own
  std::uint64_t next_id_ = 1;
};

// "mm/dd/yyyy" in local time for a file's modification time (seconds since
// the epoch), with the given separator.
std::string FormatListDate(std::int64_t unix_seconds, char separator);

// A picture's upright size from its header alone; nothing when it cannot be
// read. Safe on any thread.
std::optional<PictureSize> ReadPictureSize(const std::string& path);

}  // namespace vr
