#include "windows/image_grid.h"

#include <QHeaderView>
#include <QLocale>
#include <QMouseEvent>

#include "support/window_text.h"

namespace vr {

namespace {

QFont GridFont() { return Verdana(8.25); }

}  // namespace

char LocaleDateSeparator() {
  // The first character of the short format that is not part of a field.
  const QString format = QLocale().dateFormat(QLocale::ShortFormat);
  for (const QChar c : format) {
    if (c.isLetter() || c == QLatin1Char('\'')) continue;
    if (c.unicode() < 0x80 && !c.isSpace()) return static_cast<char>(c.unicode());
  }
  return '/';
}

ImageGrid::ImageGrid(QWidget* parent) : QTableWidget(parent) {
  setObjectName(QStringLiteral("Grid1"));
  setFont(GridFont());
  resize(kWidth, kHeight);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(false);
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setStretchLastSection(false);
  setIconSize(QSize(0, 0));
}

void ImageGrid::CreateColumns(const SettingsRecord& settings) {
  list_.CreateColumns(settings.GENextra != 0);
  ShowColumns();
  setShowGrid(settings.GENgrid != 0);
}

void ImageGrid::ApplyDisplaySettings(const SettingsRecord& settings) {
  // The model reads "on" as exactly 1 for adding, anything else removes.
  list_.ApplyDisplaySettings(settings.GENextra == 1);
  ShowColumns();
  setShowGrid(settings.GENgrid != 0);
}

void ImageGrid::AddFile(const std::string& path, const SettingsRecord& settings) {
  list_.AddFile(path, settings.GENextra != 0, LocaleDateSeparator());
  setRowCount(list_.RowCount());
  ShowRow(list_.RowCount());
}

std::int32_t ImageGrid::SelectedRow() const {
  const QList<QTableWidgetItem*> items = selectedItems();
  if (items.isEmpty()) {
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
  }
  return items.first()->row() + 1;
}

void ImageGrid::RemoveRow(std::int32_t row) {
  if (row < 1 || row > list_.RowCount()) return;
  list_.RemoveRow(row);
  removeRow(row - 1);
}

void ImageGrid::Clear() {
  list_.Clear();
  clearSelection();
  setRowCount(0);
}

int ImageGrid::ColumnWithKey(const QString& key) const {
  for (int i = 0; i < columnCount(); ++i) {
    const QTableWidgetItem* header = horizontalHeaderItem(i);
    if (header && header->data(kColumnKeyRole).toString() == key) return i + 1;
  }
  return 0;
}

void ImageGrid::mousePressEvent(QMouseEvent* event) {
  QTableWidget::mousePressEvent(event);
  if (event->button() == Qt::RightButton) emit RightClicked(event->globalPosition().toPoint());
}

void ImageGrid::ShowColumns() {
  const std::vector<ImageListColumn>& columns = list_.columns();
  setColumnCount(static_cast<int>(columns.size()));
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    auto* header = new QTableWidgetItem(QString::fromStdString(columns[i].header));
    header->setData(kColumnKeyRole, QString::fromStdString(columns[i].key));
    header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalHeaderItem(i, header);
    setColumnWidth(i, columns[i].width);
  }
  setRowCount(list_.RowCount());
  for (std::int32_t row = 1; row <= list_.RowCount(); ++row) ShowRow(row);
}

void ImageGrid::ShowRow(std::int32_t row) {
  for (int column = 1; column <= columnCount(); ++column) {
    auto* cell = new QTableWidgetItem(QString::fromStdString(list_.CellText(row, column)));
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setItem(row - 1, column - 1, cell);
  }
}

}  // namespace vr
