// What each command does, or which file does it.
#include <QAction>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include "windows/about_window.h"
#include "windows/add_files.h"
#include "windows/add_folder.h"
#include "windows/build_command.h"
#include "windows/help_window.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "support/user_dialogs.h"

#include "settings_dialog/settings_dialog.h"

namespace vr {

namespace {

// The upload window: its captions only. The command that opens it is
// hidden and no transfer exists.
class Form6 : public QDialog {
 public:
  explicit Form6(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Varenna Pro"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Enviando imagens ao servidor remoto..."), this));
    auto* buttons = new QHBoxLayout();
    auto* send = new QPushButton(QStringLiteral("&Enviar"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancelar"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(send);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
  }
};

// Like a program started without a folder: the search path, then the
// current folder.
QString FindUpdateTool() {
  const QString name = QStringLiteral("VRPUpdate.exe");
  QString found = QStandardPaths::findExecutable(name);
  if (found.isEmpty()) found = QStandardPaths::findExecutable(name, {QDir::currentPath()});
  return found;
}

}  // namespace

void Form2::AddImageFiles() { vr::AddImageFiles(*this); }

void Form2::AddFromFolder() { vr::AddFromFolder(*this); }

void Form2::BuildThumbnails() { vr::BuildThumbnails(*this); }

void Form2::RemoveSelectedImage() {
  const std::int32_t row = grid1_->SelectedRow();
  if (row == 0) return;
  grid1_->RemoveRow(row);
  if (grid1_->RowCount() == 0) DisableListCommands();
}

void Form2::CleanupList() {
  grid1_->Clear();
  DisableListCommands();
}

void Form2::OpenSettings() {
  Form5 dialog(settings_, store_, this);
  connect(&dialog, &Form5::SettingsSaved, this, [this] { grid1_->ApplyDisplaySettings(settings_); });
  dialog.exec();
}

void Form2::OpenUpload() {
  Form6 upload(this);
  upload.exec();
}

void Form2::ShowHelpContents() { ShowHelpTopic(this, help_folder_); }

void Form2::StartUpdateTool() {
  const QString tool = FindUpdateTool();
  if (tool.isEmpty()) {
    Dialogs().Message(this, QMessageBox::Critical, QStringLiteral("Varenna Pro"),
                      QStringLiteral("Varenna Pro Update tool was not found!"), QMessageBox::Ok,
                      QMessageBox::Ok);
    return;
  }
  // Not waited for; any other failure to start is ignored.
  QProcess::startDetached(tool, {});
}

void Form2::ShowAbout() {
  Form7 about(this);
  about.exec();
}

void Form2::OpenWebSite() { QDesktopServices::openUrl(QUrl(WebSiteAddress())); }

void Form2::Exit() { emit ExitRequested(); }

}  // namespace vr
