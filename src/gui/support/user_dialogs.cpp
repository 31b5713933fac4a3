#include "support/user_dialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>

namespace vr {
namespace {

class QtDialogs final : public UserDialogs {
 public:
  QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                      const QString& text, QMessageBox::StandardButtons buttons,
                                      QMessageBox::StandardButton default_button) override {
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(default_button);
    return static_cast<QMessageBox::StandardButton>(box.exec());
  }

  void Report(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
              const QString& details) override {
    MakeReportBox(parent, icon, title, text, details)->exec();
  }

  QStringList OpenFiles(QWidget* parent, const FileDialogRequest& request) override {
    QFileDialog dialog(parent, request.title, request.start_folder, request.filter);
    Configure(dialog, request);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
  }

  QString OpenFile(QWidget* parent, const FileDialogRequest& request) override {
    QFileDialog dialog(parent, request.title, request.start_folder, request.filter);
    Configure(dialog, request);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
               ? dialog.selectedFiles().first()
               : QString();
  }

  QString PickFolder(QWidget* parent, const QString& title, const QString& start_folder) override {
    return QFileDialog::getExistingDirectory(parent, title, start_folder);
  }

  PictureFolderChoice PickPictureFolder(QWidget* parent, const QString& title,
                                        bool include_subfolders) override {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // The check box goes into Qt's own dialog; a desktop's native one has no room for it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* subfolders =
        new QCheckBox(QCoreApplication::translate("UserDialogs", "Include sub-folders"), &dialog);
    subfolders->setObjectName(QStringLiteral("CheckSubfolders"));
    subfolders->setChecked(include_subfolders);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
      grid->addWidget(subfolders, grid->rowCount(), 0, 1, grid->columnCount());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return {dialog.selectedFiles().first(), subfolders->isChecked()};
  }

  QColor PickColour(QWidget* parent, const QString& title, const QColor& initial) override {
    return QColorDialog::getColor(initial, parent, title);
  }

  QString PickFont(QWidget* parent, const QString& title, const QString& initial) override {
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, QFont(initial), parent, title);
    return chosen ? font.family() : QString();
  }

 private:
  static void Configure(QFileDialog& dialog, const FileDialogRequest& request) {
    if (!request.selected_filter.isEmpty()) dialog.selectNameFilter(request.selected_filter);
    if (!request.default_suffix.isEmpty()) dialog.setDefaultSuffix(request.default_suffix);
  }
};

UserDialogs* installed = nullptr;

}  // namespace

std::unique_ptr<QMessageBox> MakeReportBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                           const QString& text, const QString& details) {
  auto box = std::make_unique<QMessageBox>(icon, title, text, QMessageBox::Ok, parent);
  // Qt shows these in a read-only text box behind its Details button.
  if (!details.isEmpty()) box->setDetailedText(details);
  box->setDefaultButton(QMessageBox::Ok);
  return box;
}

UserDialogs& Dialogs() {
  static QtDialogs real;
  return installed ? *installed : real;
}

void SetDialogs(UserDialogs* dialogs) { installed = dialogs; }

void Inform(QWidget* parent, const QString& title, const QString& text) {
  Dialogs().Message(parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool AskYesNo(QWidget* parent, const QString& title, const QString& text) {
  return Dialogs().Message(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::Yes) == QMessageBox::Yes;
}

}  // namespace vr
