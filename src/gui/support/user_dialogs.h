// Every question the program puts to a person, and every file or folder it
// asks for, goes through this one interface: the windows call Dialogs(), the
// real one shows Qt's dialogs, and tests install a scripted one that answers
// without a screen.
#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace vr {

struct FileDialogRequest {
  QString title;
  QString filter;           // Qt filter text: "Images (*.bmp *.jpg);;All Files (*.*)"
  QString selected_filter;  // the filter shown first; empty for the first one
  QString default_suffix;   // added when the user types a name without one
  QString start_folder;
};

// A folder of pictures and whether its sub-folders are to be searched too.
struct PictureFolderChoice {
  QString folder;  // empty when cancelled
  bool include_subfolders = false;
};

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // A message box; returns the button pressed (the default button or
  // QMessageBox::Cancel/NoButton when closed otherwise).
  virtual QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                              const QString& text, QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton default_button) = 0;

  // A message with a Details button that shows `details` (every line of
  // it, selectable and copyable); empty details show a plain message.
  virtual void Report(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                      const QString& details) = 0;

  // Files picked for opening, in the order the dialog gives them; empty when cancelled.
  virtual QStringList OpenFiles(QWidget* parent, const FileDialogRequest& request) = 0;

  // One file for opening; empty when cancelled.
  virtual QString OpenFile(QWidget* parent, const FileDialogRequest& request) = 0;

  // A folder; empty when cancelled.
  virtual QString PickFolder(QWidget* parent, const QString& title, const QString& start_folder) = 0;

  // A folder of pictures, with an "Include sub-folders" check box that
  // starts as `include_subfolders`.
  virtual PictureFolderChoice PickPictureFolder(QWidget* parent, const QString& title,
                                                bool include_subfolders) = 0;

  // A colour, starting from `initial`; an invalid QColor when cancelled.
  virtual QColor PickColour(QWidget* parent, const QString& title, const QColor& initial) = 0;

  // A font's family name, starting from the family `initial`; empty when
  // cancelled.
  virtual QString PickFont(QWidget* parent, const QString& title, const QString& initial) = 0;
};

// The box Report shows: OK, and the details behind Qt's Details button.
std::unique_ptr<QMessageBox> MakeReportBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                           const QString& text, const QString& details);

// The dialogs in use: Qt's own until a test installs others.
UserDialogs& Dialogs();

// Installs `dialogs` (not owned) in place of the real ones; nullptr restores
// the real ones.
void SetDialogs(UserDialogs* dialogs);

// Shorthands over Dialogs().
void Inform(QWidget* parent, const QString& title, const QString& text);
bool AskYesNo(QWidget* parent, const QString& title, const QString& text);

}  // namespace vr
