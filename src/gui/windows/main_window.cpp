#include "windows/main_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "settings/load_settings.h"
#include "support/data_files.h"
#include "support/user_dialogs.h"
#include "support/window_text.h"
#include "windows/about_dialog.h"
#include "windows/image_grid.h"
#include "windows/window_place.h"

namespace vr {

namespace {

QFont WindowFont() { return Verdana(8.25); }

}  // namespace

MainWindow::MainWindow(SettingsRecord& settings, SettingsStore& store, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      settings_(settings),
      store_(store),
      help_folder_(DataFile(QStringLiteral("help"))) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(tr("Varenna Pro"));
  setWindowIcon(ProgramIcon());
  setFont(WindowFont());

  // The toolbar on top, the list taking every pixel the window grows by,
  // the status line at the bottom.
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  setCentralWidget(client_);

  grid1_ = new ImageGrid(client_);
  grid1_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  connect(grid1_, &ImageGrid::RightClicked, this, &MainWindow::ShowEditMenuAt);
  connect(grid1_, &ImageGrid::DeletePressed, this, &MainWindow::RemoveSelectedImage);
  connect(grid1_, &ImageGrid::PathsDropped, this, &MainWindow::AddPathsLater);
  setAcceptDrops(true);

  shape1_ = new QFrame(client_);
  shape1_->setObjectName(QStringLiteral("Shape1"));
  shape1_->setFrameShape(QFrame::Box);
  shape1_->setFrameShadow(QFrame::Sunken);
  shape1_->setFixedHeight(kStatusHeight);

  label1_ = new QLabel(shape1_);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setAttribute(Qt::WA_TranslucentBackground);
  auto* status_row = new QHBoxLayout(shape1_);
  status_row->setContentsMargins(6, 0, 6, 0);
  status_row->addWidget(label1_, 1);
  SetStatus(tr("Varenna Pro"));

  CreateActions();
  CreateMenus();
  CreateToolbar();

  auto* rows = new QVBoxLayout(client_);
  rows->setContentsMargins(0, 0, 1, 1);
  rows->setSpacing(1);
  rows->addWidget(toolbar1_);
  rows->addWidget(grid1_, 1);
  rows->addWidget(shape1_);
  client_->setMinimumSize(kMinimumClientWidth, kMinimumClientHeight);

  // Window start: the settings first, then the columns that read two of them.
  LoadSettings(store_, settings_);
  grid1_->CreateColumns(settings_);

  // The classic size on a first start, else the size and place of last time.
  RestoreWindowPlace(*this, QSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height()));
}

void MainWindow::SaveWindowPlace() const { vr::SaveWindowPlace(*this); }

MainWindow::~MainWindow() = default;

void MainWindow::SetStatus(const QString& text) {
  label1_->setText(text);
  label1_->repaint();
}

void MainWindow::ShowRowCount() {
  label1_->setToolTip(QString());
  SetStatus(tr("%1 image(s)").arg(grid1_->RowCount()));
}

void MainWindow::ShowRowCount(const LeftOutCounts& left_out, const std::vector<LeftOutFile>& named) {
  ShowRowCount();
  if (left_out.total() == 0) return;
  QStringList causes;
  auto add = [&causes](std::size_t count, const QString& one, const QString& many) {
    if (count > 0) causes << (count == 1 ? one : many.arg(count));
  };
  add(left_out.not_pictures, tr("1 not a picture"), tr("%1 not pictures"));
  add(left_out.broken_links, tr("1 broken link"), tr("%1 broken links"));
  add(left_out.unreadable, tr("1 unreadable"), tr("%1 unreadable"));
  SetStatus(tr("%1 image(s); left out: %2").arg(grid1_->RowCount()).arg(causes.join(QStringLiteral(", "))));
  // A few names are enough to find the rest.
  constexpr qsizetype kNamesShown = 20;
  QStringList names;
  for (const LeftOutFile& file : named) {
    if (names.size() == kNamesShown) {
      names << tr("and %n more", nullptr, static_cast<int>(named.size() - kNamesShown));
      break;
    }
    names << (file.cause == LeftOutCause::kBrokenLink ? tr("broken link: %1") : tr("unreadable: %1"))
                 .arg(QString::fromStdString(file.path));
  }
  label1_->setToolTip(names.join(QLatin1Char('\n')));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedPaths(event->mimeData()).isEmpty()) return event->ignore();
  event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedPaths(event->mimeData()).isEmpty()) return event->ignore();
  event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QStringList paths = DroppedPaths(event->mimeData());
  if (paths.isEmpty()) return event->ignore();
  event->acceptProposedAction();
  AddPathsLater(paths);
}

void MainWindow::AddPathsLater(const QStringList& paths) {
  QMetaObject::invokeMethod(
      this, [this, paths] { AddPaths(paths); }, Qt::QueuedConnection);
}

void MainWindow::BeginWork(const QString& stop_question) {
  working_ = true;
  stop_work_ = false;
  stop_question_ = stop_question;
}

void MainWindow::EndWork() {
  working_ = false;
  stop_work_ = false;
  if (close_when_done_) {
    close_when_done_ = false;
    close();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (working_) {
    // The work runs inside this call's caller: closing now would hide the
    // window and end the program under it.
    event->ignore();
    if (!stop_work_ && AskYesNo(this, tr("Varenna Pro"), stop_question_)) {
      stop_work_ = true;
      close_when_done_ = true;
    }
    return;
  }
  SaveWindowPlace();
  QMainWindow::closeEvent(event);
  // Closing the main window ends the program even with a help window open.
  emit ExitRequested();
}

QString MainWindow::WebSiteAddress() { return QStringLiteral("https://www.example.com/varenna"); }

}  // namespace vr
