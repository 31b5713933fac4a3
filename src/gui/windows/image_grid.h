// The main window's image list grid: a table view over the one vr::ImageList
// the program keeps. The model holds the rows; the table only shows them, so
// a build reads its paths from the model and never from the widget.
#pragma once

#include <QTableWidget>
#include <cstdint>
#include <string>

#include "list/image_list.h"
#include "settings/settings_record.h"

namespace vr {

class ImageGrid : public QTableWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 545;
  static constexpr int kHeight = 241;
  static constexpr int kRowHeight = 17;
  // The role under which a column's header keeps its key ("dim", "data").
  static constexpr int kColumnKeyRole = Qt::UserRole + 1;

  explicit ImageGrid(QWidget* parent = nullptr);

  // Main window start, after the settings were loaded: "File" and "Size",
  // with GENextra also "Dimensions" and "Date"; grid lines by GENgrid.
  void CreateColumns(const SettingsRecord& settings);
  // After the settings dialog saved: GENextra == 1 adds "Dimensões" and
  // "Data" where they are missing, anything else removes them; grid lines
  // follow GENgrid.
  void ApplyDisplaySettings(const SettingsRecord& settings);

  // Appends one row for `path`; dimensions and date only with GENextra.
  void AddFile(const std::string& path, const SettingsRecord& settings);

  std::int32_t RowCount() const { return list_.RowCount(); }
  std::string CellText(std::int32_t row, std::int32_t column) const { return list_.CellText(row, column); }
  // 1-based; 0 when no row is selected.
  std::int32_t SelectedRow() const;
  void RemoveRow(std::int32_t row);
  void Clear();

  const ImageList& list() const { return list_; }
  // The column (1-based) whose header carries `key`, 0 when there is none.
  int ColumnWithKey(const QString& key) const;

 signals:
  // The right mouse button was used on the grid, at this screen position.
  void RightClicked(const QPoint& global_position);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // Rebuilds headers and cells from the model after the columns changed.
  void ShowColumns();
  void ShowRow(std::int32_t row);

  ImageList list_;
};

// The date separator of the user's short date format, "/" when it has none.
char LocaleDateSeparator();

}  // namespace vr
