#include "windows/image_grid.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <algorithm>

#include "support/window_text.h"

namespace vr {

namespace {

QFont GridFont() { return Verdana(8.25); }

}  // namespace

QStringList DroppedPaths(const QMimeData* data) {
  QStringList paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths.append(url.toLocalFile());
  return paths;
}

ImageGrid::ImageGrid(QWidget* parent) : QTableView(parent), model_(new ImageListModel(this)) {
  setObjectName(QStringLiteral("Grid1"));
  setModel(model_);
  setFont(GridFont());
  resize(kWidth, kHeight);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(false);
  setWordWrap(false);
  // Long paths keep their start and their file name.
  setTextElideMode(Qt::ElideMiddle);
  // Fixed row heights: the view never measures rows, whatever their number.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setStretchLastSection(false);
  setIconSize(QSize(0, 0));
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  setDropIndicatorShown(false);
  connect(model_, &QAbstractItemModel::modelReset, this, &ImageGrid::ApplyColumnWidths);
}

void ImageGrid::ApplyColumnWidths() {
  const std::vector<ImageListColumn>& columns = model_->list().columns();
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) setColumnWidth(i, columns[i].width);
}

void ImageGrid::CreateColumns(const SettingsRecord& settings) {
  model_->CreateColumns(settings.GENextra != 0);
  setShowGrid(settings.GENgrid != 0);
}

void ImageGrid::ApplyDisplaySettings(const SettingsRecord& settings) {
  // The model reads "on" as exactly 1 for adding, anything else removes.
  model_->ApplyDisplaySettings(settings.GENextra == 1);
  setShowGrid(settings.GENgrid != 0);
}

void ImageGrid::AddFiles(const std::vector<std::string>& paths) { ShowRowsFrom(model_->AddFiles(paths)); }

void ImageGrid::AddScanned(std::span<const ScannedPicture> pictures, const std::string& root) {
  ShowRowsFrom(model_->AddScanned(pictures, root));
}

void ImageGrid::ShowRowsFrom(int first) {
  if (first >= RowCount()) return;
  // The scroll range follows new rows only at the next layout; scrolling
  // before it would stop short of them.
  updateGeometries();
  // The last new row into view, then the first: as many of the new rows as
  // fit, from the first on.
  scrollTo(model_->index(RowCount() - 1, 0), QAbstractItemView::EnsureVisible);
  scrollTo(model_->index(first, 0), QAbstractItemView::EnsureVisible);
}

std::string ImageGrid::CellText(std::int32_t row, std::int32_t column) const {
  return model_->data(model_->index(row - 1, column - 1), Qt::DisplayRole).toString().toStdString();
}

int ImageGrid::RemoveSelectedRows() {
  if (selectionModel() == nullptr) return 0;
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  // From the bottom up, a run of neighbours at a time, so the rows above keep their numbers.
  int removed = 0;
  for (qsizetype end = rows.size(); end > 0;) {
    qsizetype start = end - 1;
    while (start > 0 && rows[start - 1] == rows[start] - 1) --start;
    const int count = static_cast<int>(end - start);
    model_->RemoveRows(rows[start], count);
    removed += count;
    end = start;
  }
  return removed;
}

void ImageGrid::Clear() {
  clearSelection();
  model_->Clear();
}

int ImageGrid::ColumnWithKey(const QString& key) const {
  for (int i = 0; i < model_->columnCount(); ++i)
    if (model_->headerData(i, Qt::Horizontal, kColumnKeyRole).toString() == key) return i + 1;
  return 0;
}

void ImageGrid::mousePressEvent(QMouseEvent* event) {
  QTableView::mousePressEvent(event);
  if (event->button() == Qt::RightButton) emit RightClicked(event->globalPosition().toPoint());
}

void ImageGrid::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
    emit DeletePressed();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void ImageGrid::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedPaths(event->mimeData()).isEmpty()) return event->ignore();
  event->acceptProposedAction();
}

void ImageGrid::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedPaths(event->mimeData()).isEmpty()) return event->ignore();
  event->acceptProposedAction();
}

void ImageGrid::dropEvent(QDropEvent* event) {
  const QStringList paths = DroppedPaths(event->mimeData());
  if (paths.isEmpty()) return event->ignore();
  event->acceptProposedAction();
  emit PathsDropped(paths);
}

}  // namespace vr
