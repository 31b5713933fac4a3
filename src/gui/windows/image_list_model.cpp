#include "windows/image_list_model.h"

#include <QLocale>
#include <algorithm>

namespace vr {

char LocaleDateSeparator() {
  // The first character of the short format that is not part of a field.
  const QString format = QLocale().dateFormat(QLocale::ShortFormat);
  for (const QChar c : format) {
    if (c.isLetter() || c == QLatin1Char('\'')) continue;
    if (c.unicode() < 0x80 && !c.isSpace()) return static_cast<char>(c.unicode());
  }
  return '/';
}

ImageListModel::ImageListModel(QObject* parent)
    : QAbstractTableModel(parent),
      date_separator_(LocaleDateSeparator()),
      reader_([this](std::vector<DimensionsAnswer> answers) { TakeDimensions(std::move(answers)); }) {}

int ImageListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.RowCount();
}

int ImageListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.columns().size());
}

QVariant ImageListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.RowCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(list_.CellText(index.row(), index.column() + 1, date_separator_));
    case Qt::ToolTipRole:
      // The path cell is elided in the middle; its tooltip has it whole.
      if (index.column() == 0)
        return QString::fromStdString(list_.row(static_cast<std::size_t>(index.row())).path);
      return {};
    default:
      return {};
  }
}

QVariant ImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const ImageListColumn& column = list_.columns()[static_cast<std::size_t>(section)];
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(column.header);
    case kColumnKeyRole:
      return QString::fromStdString(column.key);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

void ImageListModel::CreateColumns(bool extra) {
  beginResetModel();
  reader_.Forget();
  list_.CreateColumns(extra);
  endResetModel();
}

void ImageListModel::ApplyDisplaySettings(bool extra) {
  // Only the columns change, but a reset is one update for any count of rows.
  beginResetModel();
  list_.ApplyDisplaySettings(extra);
  endResetModel();
  AskForDimensions(0);
}

int ImageListModel::AddFiles(const std::vector<std::string>& paths, const std::string& root) {
  const int first = list_.RowCount();
  if (paths.empty()) return first;
  beginInsertRows({}, first, first + static_cast<int>(paths.size()) - 1);
  for (const std::string& path : paths) list_.AddFile(path, root);
  EndAdding(first);
  return first;
}

int ImageListModel::AddScanned(std::span<const ScannedPicture> pictures, const std::string& root) {
  const int first = list_.RowCount();
  if (pictures.empty()) return first;
  beginInsertRows({}, first, first + static_cast<int>(pictures.size()) - 1);
  list_.AddScanned(pictures, root);
  EndAdding(first);
  return first;
}

void ImageListModel::EndAdding(int first) {
  endInsertRows();
  AskForDimensions(first);
}

void ImageListModel::AskForDimensions(int first) {
  if (list_.ColumnWithKey(kDimensionsColumnKey) == 0) return;
  reader_.Read(list_.TakeDimensionsRequests(first));
}

void ImageListModel::TakeDimensions(std::vector<DimensionsAnswer> answers) {
  int lowest = list_.RowCount(), highest = -1;
  for (const DimensionsAnswer& answer : answers) {
    const int row = list_.SetDimensions(answer.id, answer.size);
    if (row < 0) continue;
    lowest = std::min(lowest, row);
    highest = std::max(highest, row);
  }
  const int column = list_.ColumnWithKey(kDimensionsColumnKey) - 1;
  if (highest < 0 || column < 0) return;
  emit dataChanged(index(lowest, column), index(highest, column), {Qt::DisplayRole});
}

void ImageListModel::RemoveRows(int first, int count) {
  first = std::clamp(first, 0, list_.RowCount());
  count = std::clamp(count, 0, list_.RowCount() - first);
  if (count == 0) return;
  beginRemoveRows({}, first, first + count - 1);
  list_.RemoveRows(first, count);
  endRemoveRows();
}

void ImageListModel::Clear() {
  beginResetModel();
  reader_.Forget();
  list_.Clear();
  endResetModel();
}

}  // namespace vr
