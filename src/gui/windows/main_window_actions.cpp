// The commands as actions, the menu bar, the toolbar, and the enabling rules
// that tie the list commands to the list.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolTip>

#include "windows/about_dialog.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"

namespace vr {

namespace {

QIcon ToolbarIcon(const QString& name) {
  QIcon icon;
  const QString resource = QStringLiteral(":/icons/%1.svg").arg(name);
  icon.addPixmap(RenderSvg(resource, QSize(32, 32)));
  icon.addPixmap(RenderSvg(resource, QSize(24, 24)));
  return icon;
}

// The toolbar's own pointer: an arrow with a small picture frame.
QCursor ToolbarPointer() {
  const QPixmap picture = RenderSvg(QStringLiteral(":/icons/pointer.svg"), QSize(32, 32));
  return QCursor(picture, 1, 1);
}

}  // namespace

QAction* MainWindow::MakeAction(const char* name, const QString& text, const QString& tooltip,
                                const QString& icon) {
  auto* action = new QAction(text, this);
  action->setObjectName(QString::fromLatin1(name));
  action->setToolTip(tooltip);
  if (!icon.isEmpty()) action->setIcon(ToolbarIcon(icon));
  action->setShortcutContext(Qt::WindowShortcut);
  return action;
}

void MainWindow::CreateActions() {
  struct Entry {
    const char* name;
    QString text;
    QString tooltip;
    QString icon;
    QKeySequence shortcut;
    void (MainWindow::*run)();
  };
  const Entry entries[] = {
      {"mnuFiles", tr("Add Ima&ge(s)"), tr("Add Image(s)"), QStringLiteral("file"),
       QKeySequence(Qt::CTRL | Qt::Key_F), &MainWindow::AddImageFiles},
      {"mnuFolder", tr("Add from F&older"), tr("Add from Folder"), QStringLiteral("folder"),
       QKeySequence(Qt::CTRL | Qt::Key_P), &MainWindow::AddFromFolder},
      {"mnuBuild", tr("&Build Thumbnails"), tr("Build Thumbnails"), QStringLiteral("build"),
       QKeySequence(Qt::CTRL | Qt::Key_B), &MainWindow::BuildThumbnails},
      {"mnuExit", tr("E&xit"), QString(), QString(), QKeySequence(Qt::CTRL | Qt::Key_X), &MainWindow::Exit},
      {"mnuRemove", tr("&Remove Selected Image"), tr("Remove Selected Image"), QStringLiteral("remove"),
       QKeySequence(), &MainWindow::RemoveSelectedImage},
      {"mnuClearList", tr("&Cleanup List"), tr("Cleanup List"), QStringLiteral("clean"), QKeySequence(),
       &MainWindow::CleanupList},
      {"mnuConfig", tr("&Settings"), tr("Settings"), QStringLiteral("config"),
       QKeySequence(Qt::CTRL | Qt::Key_S), &MainWindow::OpenSettings},
      {"mnuSend", tr("Enviar via Web"), tr("Enviar via Web"), QStringLiteral("upload"), QKeySequence(),
       &MainWindow::OpenUpload},
      {"mnuContents", tr("&Contents"), tr("Help"), QStringLiteral("help"), QKeySequence(Qt::Key_F1),
       &MainWindow::ShowHelpContents},
      {"mnuUpdate", tr("Check for &Updates"), tr("Check for Updates"), QStringLiteral("update"),
       QKeySequence(), &MainWindow::StartUpdateTool},
      {"mnuAbout", tr("A&bout..."), tr("About..."), QStringLiteral("about"), QKeySequence(),
       &MainWindow::ShowAbout},
      {"mnuCorvelle", tr("&Corvelle Web Site"), tr("Corvelle Software Web Site"), QStringLiteral("globe"),
       QKeySequence(), &MainWindow::OpenWebSite},
  };
  for (const Entry& entry : entries) {
    QAction* action = MakeAction(entry.name, entry.text, entry.tooltip, entry.icon);
    if (!entry.shortcut.isEmpty()) action->setShortcut(entry.shortcut);
    connect(action, &QAction::triggered, this, entry.run);
  }
  // Design states: the list commands wait for rows; upload and update stay hidden.
  for (const char* name : {"mnuBuild", "mnuRemove", "mnuClearList", "mnuSend"})
    Command(name)->setEnabled(false);
  Command(QStringLiteral("mnuSend"))->setVisible(false);
  Command(QStringLiteral("mnuUpdate"))->setVisible(false);

  // The toolbar's upload button has its own state (the list commands grey it
  // while mnuSend keeps its own), but runs the same command.
  upload_button_ = MakeAction("tbUpload", QString(), tr("Enviar via Web"), QStringLiteral("upload"));
  upload_button_->setEnabled(false);
  upload_button_->setVisible(false);
  connect(upload_button_, &QAction::triggered, this, &MainWindow::OpenUpload);
}

QAction* MainWindow::Command(const QString& name) const { return findChild<QAction*>(name); }

void MainWindow::CreateMenus() {
  auto add_menu = [this](const char* name, const QString& title) {
    QMenu* menu = menuBar()->addMenu(title);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
  };
  auto separator = [](QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
  };

  QMenu* file = add_menu("mnuFile", tr("&File"));
  file->addAction(Command(QStringLiteral("mnuFiles")));
  file->addAction(Command(QStringLiteral("mnuFolder")));
  separator(file, "Sep1");
  file->addAction(Command(QStringLiteral("mnuBuild")));
  separator(file, "Sep2");
  file->addAction(Command(QStringLiteral("mnuExit")));

  mnu_edit_ = add_menu("mnuEdit", tr("&Edit"));
  mnu_edit_->addAction(Command(QStringLiteral("mnuRemove")));
  mnu_edit_->addAction(Command(QStringLiteral("mnuClearList")));

  QMenu* tools = add_menu("mnuTools", tr("&Tools"));
  tools->addAction(Command(QStringLiteral("mnuConfig")));
  tools->addAction(Command(QStringLiteral("mnuSend")));

  QMenu* help = add_menu("mnuHelp", tr("&Help"));
  help->addAction(Command(QStringLiteral("mnuContents")));
  separator(help, "Sep4");
  help->addAction(Command(QStringLiteral("mnuUpdate")));
  separator(help, "Sep5");
  help->addAction(Command(QStringLiteral("mnuAbout")));
  help->addAction(Command(QStringLiteral("mnuCorvelle")));
}

void MainWindow::CreateToolbar() {
  toolbar1_ = new QToolBar(client_);
  toolbar1_->setObjectName(QStringLiteral("Toolbar1"));
  toolbar1_->setFixedHeight(49);
  toolbar1_->setMovable(false);
  toolbar1_->setFloatable(false);
  toolbar1_->setIconSize(QSize(32, 32));
  toolbar1_->setStyleSheet(QStringLiteral("QToolBar { border: none; }"));
  // Tooltips are windows of their own; their font is set for the program.
  QToolTip::setFont(font());
  toolbar1_->setCursor(ToolbarPointer());

  auto button = [this](const QString& command, const char* key) {
    QAction* action = command == QLatin1String("upload") ? upload_button_ : Command(command);
    toolbar1_->addAction(action);
    if (QWidget* widget = toolbar1_->widgetForAction(action)) widget->setObjectName(QString::fromLatin1(key));
  };
  button(QStringLiteral("mnuFiles"), "file");
  button(QStringLiteral("mnuFolder"), "folder");
  button(QStringLiteral("mnuBuild"), "build");
  toolbar1_->addSeparator();
  button(QStringLiteral("mnuRemove"), "remove");
  button(QStringLiteral("mnuClearList"), "clean");
  toolbar1_->addSeparator();
  button(QStringLiteral("mnuConfig"), "config");
  button(QStringLiteral("upload"), "upload");
  toolbar1_->addSeparator();
  button(QStringLiteral("mnuContents"), "help");
  button(QStringLiteral("mnuAbout"), "about");
  button(QStringLiteral("mnuCorvelle"), "globe");
  // The blank entry: no key, no picture, no tooltip, no command.
  auto* blank = new QAction(this);
  blank->setObjectName(QStringLiteral("tbBlank"));
  toolbar1_->addAction(blank);
  toolbar1_->addSeparator();
  button(QStringLiteral("mnuUpdate"), "update");
}

void MainWindow::ClickToolbarEntry(int position) {
  const QList<QAction*> entries = toolbar1_->actions();
  if (position < 1 || position > entries.size()) return;
  QAction* entry = entries[position - 1];
  if (entry->isSeparator() || !entry->isEnabled() || !entry->isVisible()) return;
  entry->trigger();
}

void MainWindow::EnableListCommands() {
  for (const char* name : {"mnuBuild", "mnuRemove", "mnuClearList"})
    Command(QString::fromLatin1(name))->setEnabled(true);
}

void MainWindow::DisableListCommands() {
  for (const char* name : {"mnuBuild", "mnuRemove", "mnuClearList"})
    Command(QString::fromLatin1(name))->setEnabled(false);
  upload_button_->setEnabled(false);
}

void MainWindow::EnableUpload() {
  Command(QStringLiteral("mnuSend"))->setEnabled(true);
  upload_button_->setEnabled(true);
}

void MainWindow::ShowEditMenuAt(const QPoint& global_position) { mnu_edit_->popup(global_position); }

}  // namespace vr
