// The list of pictures a build turns into thumbnails: rows of text cells in
// list order, the window's grid being a view over it. Rows are numbered
// from 1, as every caller counts them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vr {

inline constexpr std::string_view kDimensionsColumnKey = "dim";
inline constexpr std::string_view kDateColumnKey = "data";

struct ImageListColumn {
  std::string header;
  std::string key;  // empty for "File" and "Size"
  int width = 0;    // pixels, for the grid
};

class ImageList {
 public:
  // "File" and "Size"; with `extra`, also "Dimensions" and "Date".
  void CreateColumns(bool extra);
  // After the settings were saved: `extra` adds the dimension and date
  // columns (headed "Dimensões" and "Data", empty for rows already listed)
  // where they are missing; otherwise removes them with their cells.
  void ApplyDisplaySettings(bool extra);

  // Appends a row for `path`: its length in bytes and, when `extra`, its
  // upright size from the header alone and its modification date as
  // mm/dd/yyyy with `date_separator`. A value that cannot be had leaves its
  // cell empty; the row is always added.
  void AddFile(const std::string& path, bool extra, char date_separator = '/');

  std::int32_t RowCount() const { return static_cast<std::int32_t>(rows_.size()); }
  // Empty for a row or column outside the list.
  std::string CellText(std::int32_t row, std::int32_t column) const;
  // Does nothing for a row outside the list; the rows behind move up.
  void RemoveRow(std::int32_t row);
  void Clear() { rows_.clear(); }

  const std::vector<ImageListColumn>& columns() const { return columns_; }
  // The column number (1-based) with that key, 0 when there is none.
  std::int32_t ColumnWithKey(std::string_view key) const;

 private:
  void AddColumn(std::string header, std::string_view key, int width);
  void RemoveColumn(std::string_view key);

  std::vector<ImageListColumn> columns_;
  std::vector<std::vector<std::string>> rows_;  // one cell per column, in column order
};

// "mm/dd/yyyy" in local time for a file's modification time (seconds since
// the epoch), with the given separator.
std::string FormatListDate(std::int64_t unix_seconds, char separator);

}  // namespace vr
