#include "list/image_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "imaging/image_probe.h"

namespace vr {

void ImageList::AddColumn(std::string header, std::string_view key, int width) {
  columns_.push_back({std::move(header), std::string(key), width});
}

void ImageList::RemoveColumn(std::string_view key) {
  std::int32_t column = ColumnWithKey(key);
  if (column != 0) columns_.erase(columns_.begin() + (column - 1));
}

std::int32_t ImageList::ColumnWithKey(std::string_view key) const {
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (!key.empty() && columns_[i].key == key) return static_cast<std::int32_t>(i + 1);
  return 0;
}

void ImageList::CreateColumns(bool extra) {
  columns_.clear();
  Clear();
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

std::optional<PictureSize> ReadPictureSize(const std::string& path) {
  Expected<ImageInfo> image = ReadImageInfoFromFile(path);
  if (!image) return std::nullopt;
  // Shown as the picture is seen: orientations 5..8 swap the stored sides.
  const Sides upright = UprightSides(*image);
  return PictureSize{upright.width, upright.height};
}

std::uint32_t ImageList::RootIndex(const std::string& root) {
  // Scans add their rows in runs of one root: the last one is the likely hit.
  for (std::size_t i = roots_.size(); i-- > 0;)
    if (roots_[i] == root) return static_cast<std::uint32_t>(i);
  roots_.push_back(root);
  return static_cast<std::uint32_t>(roots_.size() - 1);
}

void ImageList::AddFile(const std::string& path, const std::string& root) {
  ImageRow row;
  row.id = next_id_++;
  row.path = path;
  row.root = RootIndex(root);
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
    row.measured = true;
    row.bytes = static_cast<std::int64_t>(info.st_size);
    row.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec);
  }
  rows_.push_back(std::move(row));
}

void ImageList::AddScanned(std::span<const ScannedPicture> pictures, const std::string& root) {
  const std::uint32_t root_index = RootIndex(root);
  rows_.reserve(rows_.size() + pictures.size());
  for (const ScannedPicture& picture : pictures) {
    ImageRow row;
    row.id = next_id_++;
    row.path = picture.path;
    row.root = root_index;
    row.measured = true;
    row.bytes = picture.bytes;
    row.modified = picture.modified;
    rows_.push_back(std::move(row));
  }
}

std::string ImageList::CellText(std::int32_t row, std::int32_t column, char date_separator) const {
  if (row < 0 || row >= RowCount() || column < 1 || static_cast<std::size_t>(column) > columns_.size())
    return {};
  const ImageRow& shown = rows_[static_cast<std::size_t>(row)];
  const std::string& key = columns_[static_cast<std::size_t>(column - 1)].key;
  if (column == 1) return shown.path;
  if (key == kDimensionsColumnKey) {
    if (shown.dimensions_state != DimensionsState::kKnown) return {};
    return std::to_string(shown.dimensions.width) + "x" + std::to_string(shown.dimensions.height);
  }
  if (!shown.measured) return {};
  if (key == kDateColumnKey) return FormatListDate(shown.modified, date_separator);
  return std::to_string(shown.bytes);
}

std::vector<std::string> ImageList::paths() const {
  std::vector<std::string> paths;
  paths.reserve(rows_.size());
  for (const ImageRow& row : rows_) paths.push_back(row.path);
  return paths;
}

std::vector<std::string> ImageList::roots() const {
  std::vector<std::string> roots;
  roots.reserve(rows_.size());
  for (const ImageRow& row : rows_) roots.push_back(roots_[row.root]);
  return roots;
}

void ImageList::RemoveRows(std::int32_t first, std::int32_t count) {
  const std::int32_t begin = std::clamp(first, 0, RowCount());
  const std::int32_t end = std::clamp(first + std::max(count, 0), begin, RowCount());
  rows_.erase(rows_.begin() + begin, rows_.begin() + end);
}

void ImageList::Clear() {
  rows_.clear();
  roots_.resize(1);
}

std::vector<DimensionsRequest> ImageList::TakeDimensionsRequests(std::int32_t first) {
  std::vector<DimensionsRequest> requests;
  for (std::size_t i = static_cast<std::size_t>(std::max(first, 0)); i < rows_.size(); ++i) {
    ImageRow& row = rows_[i];
    if (row.dimensions_state != DimensionsState::kUnknown) continue;
    row.dimensions_state = DimensionsState::kAsked;
    requests.push_back({row.id, row.path});
  }
  return requests;
}

std::int32_t ImageList::SetDimensions(std::uint64_t id, std::optional<PictureSize> size) {
  // Ids grow in list order, and removing rows keeps that order.
  const auto found =
      std::lower_bound(rows_.begin(), rows_.end(), id,
                       [](const ImageRow& row, std::uint64_t wanted) { return row.id < wanted; });
  if (found == rows_.end() || found->id != id) return -1;
  found->dimensions_state = size ? DimensionsState::kKnown : DimensionsState::kNone;
  if (size) found->dimensions = *size;
  return static_cast<std::int32_t>(found - rows_.begin());
}

}  // namespace vr
