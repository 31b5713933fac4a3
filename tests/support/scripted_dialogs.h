// Answers the program's dialogs from a script, records what was asked, and
// installs itself for its lifetime. A question nobody scripted fails the test.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <deque>
#include <vector>

#include "support/user_dialogs.h"

namespace vr::test {

struct AskedMessage {
  QMessageBox::Icon icon;
  QString title;
  QString text;
  QMessageBox::StandardButtons buttons;
  QString details;  // a report's details
};

class ScriptedDialogs final : public UserDialogs {
 public:
  ScriptedDialogs() { SetDialogs(this); }
  ~ScriptedDialogs() override { SetDialogs(nullptr); }

  // What to answer next, in order. Message boxes with only OK need no script.
  std::deque<QMessageBox::StandardButton> buttons;
  std::deque<QStringList> files;
  std::deque<QString> folders;
  std::deque<QColor> colours;  // an invalid colour answers as Cancel
  std::deque<QString> fonts;   // an empty name answers as Cancel
  // Add from Folder's check box as left on OK, in turn; when none is
  // scripted it is left as offered.
  std::deque<bool> subfolder_answers;

  // What was asked.
  std::vector<AskedMessage> messages;
  std::vector<bool> parent_shown;  // was the message's window on screen when it was asked
  std::vector<FileDialogRequest> file_requests;
  std::vector<QString> folder_titles;
  std::vector<QColor> colours_offered;   // the colour each colour dialog started from
  std::vector<QString> fonts_offered;    // the family each font dialog started from
  std::vector<bool> subfolders_offered;  // the check box as each folder dialog opened

  QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                      const QString& text, QMessageBox::StandardButtons choices,
                                      QMessageBox::StandardButton default_button) override {
    messages.push_back({icon, title, text, choices, {}});
    parent_shown.push_back(parent != nullptr && parent->isVisible());
    if (choices == QMessageBox::Ok || choices == QMessageBox::NoButton) return QMessageBox::Ok;
    if (buttons.empty()) {
      ADD_FAILURE() << "unscripted question: " << text.toStdString();
      return default_button;
    }
    QMessageBox::StandardButton answer = buttons.front();
    buttons.pop_front();
    return answer;
  }

  void Report(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
              const QString& details) override {
    messages.push_back({icon, title, text, QMessageBox::Ok, details});
    parent_shown.push_back(parent != nullptr && parent->isVisible());
  }

  QStringList OpenFiles(QWidget*, const FileDialogRequest& request) override {
    file_requests.push_back(request);
    if (files.empty()) return {};
    QStringList answer = files.front();
    files.pop_front();
    return answer;
  }

  QString OpenFile(QWidget* parent, const FileDialogRequest& request) override {
    QStringList picked = OpenFiles(parent, request);
    return picked.isEmpty() ? QString() : picked.first();
  }

  QString PickFolder(QWidget*, const QString& title, const QString&) override {
    folder_titles.push_back(title);
    if (folders.empty()) return {};
    QString answer = folders.front();
    folders.pop_front();
    return answer;
  }

  PictureFolderChoice PickPictureFolder(QWidget* parent, const QString& title,
                                        bool include_subfolders) override {
    subfolders_offered.push_back(include_subfolders);
    PictureFolderChoice choice{PickFolder(parent, title, QString()), include_subfolders};
    if (!subfolder_answers.empty()) {
      choice.include_subfolders = subfolder_answers.front();
      subfolder_answers.pop_front();
    }
    return choice;
  }

  QColor PickColour(QWidget*, const QString&, const QColor& initial) override {
    colours_offered.push_back(initial);
    if (colours.empty()) return {};
    QColor answer = colours.front();
    colours.pop_front();
    return answer;
  }

  QString PickFont(QWidget*, const QString&, const QString& initial) override {
    fonts_offered.push_back(initial);
    if (fonts.empty()) return {};
    QString answer = fonts.front();
    fonts.pop_front();
    return answer;
  }
};

}  // namespace vr::test
