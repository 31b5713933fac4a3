// What each command does, or which file does it.
#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "settings_dialog/settings_dialog.h"
#include "support/user_dialogs.h"
#include "windows/about_dialog.h"
#include "windows/add_files.h"
#include "windows/add_folder.h"
#include "windows/build_command.h"
#include "windows/help_window.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "windows/upload_dialog.h"

namespace vr {

namespace {

// Like a program started without a folder: the search path, then the
// current folder.
QString FindUpdateTool() {
  const QString name = QStringLiteral("VRPUpdate.exe");
  QString found = QStandardPaths::findExecutable(name);
  if (found.isEmpty()) found = QStandardPaths::findExecutable(name, {QDir::currentPath()});
  return found;
}

}  // namespace

void MainWindow::AddPaths(const QStringList& paths) {
  QStringList files;  // files in a row go in as one run
  for (const QString& path : paths) {
    if (!QFileInfo(path).isDir()) {
      files.append(path);
      continue;
    }
    AddFileRows(*this, files);
    files.clear();
    if (AddFolderRows(*this, path, settings_.GENsubfolders == 1).stopped) return;
  }
  AddFileRows(*this, files);
}

void MainWindow::AddImageFiles() { vr::AddImageFiles(*this); }

void MainWindow::AddFromFolder() { vr::AddFromFolder(*this); }

void MainWindow::BuildThumbnails() { vr::BuildThumbnails(*this); }

void MainWindow::RemoveSelectedImage() {
  if (grid1_->RemoveSelectedRows() == 0) return;
  ShowRowCount();
  if (grid1_->RowCount() == 0) DisableListCommands();
}

void MainWindow::CleanupList() {
  grid1_->Clear();
  ShowRowCount();
  DisableListCommands();
}

void MainWindow::OpenSettings() {
  SettingsDialog dialog(settings_, store_, this);
  connect(&dialog, &SettingsDialog::SettingsSaved, this, [this] { grid1_->ApplyDisplaySettings(settings_); });
  dialog.exec();
}

void MainWindow::OpenUpload() {
  UploadDialog upload(this);
  upload.exec();
}

void MainWindow::ShowHelpContents() { ShowHelpTopic(this, help_folder_); }

void MainWindow::StartUpdateTool() {
  const QString tool = FindUpdateTool();
  if (tool.isEmpty()) {
    Dialogs().Message(this, QMessageBox::Critical, tr("Varenna Pro"),
                      tr("Varenna Pro Update tool was not found!"), QMessageBox::Ok, QMessageBox::Ok);
    return;
  }
  // Not waited for; any other failure to start is ignored.
  QProcess::startDetached(tool, {});
}

void MainWindow::ShowAbout() {
  AboutDialog about(this);
  about.exec();
}

void MainWindow::OpenWebSite() { QDesktopServices::openUrl(QUrl(WebSiteAddress())); }

void MainWindow::Exit() {
  SaveWindowPlace();
  emit ExitRequested();
}

}  // namespace vr
