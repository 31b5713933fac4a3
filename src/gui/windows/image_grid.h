// The main window's image list grid: a table view over the one vr::ImageList
// the program keeps, through ImageListModel. The model holds the rows; the
// view only shows them, so a build reads its paths from the model and never
// from the widget. Rows are picked in extended selection; Delete asks for
// the selected ones to go; files and folders dropped on it are handed on.
#pragma once

#include <QStringList>
#include <QTableView>
#include <cstdint>
#include <string>
#include <vector>

#include "list/image_list.h"
#include "settings/settings_record.h"
#include "windows/image_list_model.h"

namespace vr {

class ImageGrid : public QTableView {
  Q_OBJECT

 public:
  static constexpr int kWidth = 545;
  static constexpr int kHeight = 241;
  static constexpr int kRowHeight = 17;
  static constexpr int kColumnKeyRole = ImageListModel::kColumnKeyRole;

  explicit ImageGrid(QWidget* parent = nullptr);

  // Main window start, after the settings were loaded: "File" and "Size",
  // with GENextra also "Dimensions" and "Date"; grid lines by GENgrid.
  void CreateColumns(const SettingsRecord& settings);
  // After the settings dialog saved: GENextra == 1 adds "Dimensões" and
  // "Data" where they are missing, anything else removes them; grid lines
  // follow GENgrid.
  void ApplyDisplaySettings(const SettingsRecord& settings);

  // Appends rows and scrolls to them: files named one by one, or what a
  // scan of `root` found.
  void AddFiles(const std::vector<std::string>& paths);
  void AddFile(const std::string& path) { AddFiles({path}); }
  void AddScanned(std::span<const ScannedPicture> pictures, const std::string& root);

  std::int32_t RowCount() const { return model_->list().RowCount(); }
  // What the view shows in a cell, both counted from 1; empty outside.
  std::string CellText(std::int32_t row, std::int32_t column) const;
  int ColumnCount() const { return model_->columnCount(); }
  // Removes the selected rows; returns how many went.
  int RemoveSelectedRows();
  void Clear();

  const ImageList& list() const { return model_->list(); }
  // The column (1-based) whose header carries `key`, 0 when there is none.
  int ColumnWithKey(const QString& key) const;

 signals:
  // The right mouse button was used on the grid, at this screen position.
  void RightClicked(const QPoint& global_position);
  // The Delete key, with rows selected.
  void DeletePressed();
  // Local files and folders dropped on the grid, in the order given.
  void PathsDropped(const QStringList& paths);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ApplyColumnWidths();
  void ShowRowsFrom(int first);

  ImageListModel* model_;
};

// The local files and folders a drag carries, in order; empty when it
// carries none.
QStringList DroppedPaths(const QMimeData* data);

}  // namespace vr
