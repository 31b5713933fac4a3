// The table model over the program's one vr::ImageList: the grid shows it,
// a build reads its paths() from it. Rows go in by runs (one insertion for
// a whole run, so a folder of 100,000 files costs the view a few updates),
// and the Dimensions cells are filled in by a reader thread while the column
// is shown.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <span>
#include <string>

#include "list/image_list.h"
#include "windows/dimensions_reader.h"

namespace vr {

class ImageListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The role under which a column's header keeps its key ("dim", "data").
  static constexpr int kColumnKeyRole = Qt::UserRole + 1;

  explicit ImageListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The columns as the list makes them (see ImageList); the rows are cleared.
  void CreateColumns(bool extra);
  // Adds or removes the extra columns; the rows stay.
  void ApplyDisplaySettings(bool extra);

  // Each appends at the end and returns the first new row.
  int AddFiles(const std::vector<std::string>& paths, const std::string& root = {});
  int AddScanned(std::span<const ScannedPicture> pictures, const std::string& root);

  // Rows [first, first + count).
  void RemoveRows(int first, int count);
  void Clear();

  const ImageList& list() const { return list_; }

 private:
  void EndAdding(int first);
  void AskForDimensions(int first);
  void TakeDimensions(std::vector<DimensionsAnswer> answers);

  ImageList list_;
  char date_separator_;
  DimensionsReader reader_;
};

// The date separator of the user's short date format, "/" when it has none.
char LocaleDateSeparator();

}  // namespace vr
