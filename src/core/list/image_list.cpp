#include "list/image_list.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "imaging/image_probe.h"

namespace vr {

void ImageList::AddColumn(std::string header, std::string_view key, int width) {
  columns_.push_back({std::move(header), std::string(key), width});
  for (auto& row : rows_) row.emplace_back();
}

void ImageList::RemoveColumn(std::string_view key) {
  std::int32_t column = ColumnWithKey(key);
  if (column == 0) return;
  columns_.erase(columns_.begin() + (column - 1));
  for (auto& row : rows_) row.erase(row.begin() + (column - 1));
}

std::int32_t ImageList::ColumnWithKey(std::string_view key) const {
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (!key.empty() && columns_[i].key == key) return static_cast<std::int32_t>(i + 1);
  return 0;
}

void ImageList::CreateColumns(bool extra) {
  columns_.clear();
  rows_.clear();
  AddColumn("File", "", 280);
  AddColumn("Size", "", 80);
  if (extra) {
    AddColumn("Dimensions", kDimensionsColumnKey, 90);
    AddColumn("Date", kDateColumnKey, 90);
  }
}

void ImageList::ApplyDisplaySettings(bool extra) {
  if (extra) {
    if (ColumnWithKey(kDimensionsColumnKey) == 0) AddColumn("Dimensões", kDimensionsColumnKey, 90);
    if (ColumnWithKey(kDateColumnKey) == 0) AddColumn("Data", kDateColumnKey, 90);
  } else {
    RemoveColumn(kDimensionsColumnKey);
    RemoveColumn(kDateColumnKey);
  }
}

std::string FormatListDate(std::int64_t unix_seconds, char separator) {
  std::time_t time = static_cast<std::time_t>(unix_seconds);
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%02d%c%02d%c%04d", local.tm_mon + 1, separator, local.tm_mday, separator,
                local.tm_year + 1900);
  return text;
}

void ImageList::AddFile(const std::string& path, bool extra, char date_separator) {
  std::vector<std::string> row(columns_.size());
  auto set = [&](std::int32_t column, std::string text) {
    if (column >= 1 && static_cast<std::size_t>(column) <= row.size()) row[column - 1] = std::move(text);
  };
  set(1, path);
  struct stat info {};
  bool have_info = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  if (have_info) set(2, std::to_string(static_cast<std::int64_t>(info.st_size)));
  if (extra) {
    // Measured from the header alone: a folder of large photos adds quickly.
    // A file that cannot be read shows no size rather than the size of
    // whatever was measured before it.
    if (Expected<ImageInfo> image = ReadImageInfoFromFile(path)) {
      const Sides upright = UprightSides(*image);
      set(ColumnWithKey(kDimensionsColumnKey),
          std::to_string(upright.width) + "x" + std::to_string(upright.height));
    }
    if (have_info) set(ColumnWithKey(kDateColumnKey), FormatListDate(info.st_mtime, date_separator));
  }
  rows_.push_back(std::move(row));
}

std::string ImageList::CellText(std::int32_t row, std::int32_t column) const {
  if (row < 1 || row > RowCount() || column < 1 || static_cast<std::size_t>(column) > columns_.size())
    return {};
  return rows_[row - 1][column - 1];
}

void ImageList::RemoveRow(std::int32_t row) {
  if (row < 1 || row > RowCount()) return;
  rows_.erase(rows_.begin() + (row - 1));
}

}  // namespace vr
