// Takes pictures of the real windows for the README: the main window with a
// filled list at its classic size and resized, the progress window with its
// count and Cancel, a final message with failed rows and their details, the
// About box and two settings pages (one size for both), saved as PNG into
// the folder given (scripts/screenshots.sh runs it).
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "settings_dialog/settings_dialog.h"
#include "support/user_dialogs.h"
#include "thumbnail/run/build_run.h"
#include "widgets/percent_bar.h"
#include "windows/about_dialog.h"
#include "windows/build_command.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "windows/progress_window.h"

namespace {

bool SaveGrab(QWidget& widget, const QString& file) {
  widget.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const bool saved = widget.grab().save(file, "PNG");
  std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
  return saved;
}

// A build that only watches: no questions come up in a folder that exists.
class SilentHost final : public vr::BuildHost {
 public:
  bool AskCreateFolder(const std::string&) override { return true; }
  void Progress(int) override {}
  void Notice(const std::string&) override {}
};

// The final message of a real build where two of five rows fail, its
// details open.
bool ShootFinalMessage(const QTemporaryDir& scratch, const QStringList& names, const QString& file) {
  std::vector<std::string> sources;
  for (const QString& name : names)
    sources.push_back(QFile::encodeName(scratch.filePath(name)).toStdString());
  for (const char* broken : {"cracked.jpg", "half_sent.png"}) {
    const QString path = scratch.filePath(QString::fromLatin1(broken));
    QFile cut(path);
    if (!cut.open(QIODevice::WriteOnly)) return false;
    cut.write("not a picture");
    sources.insert(sources.begin() + 2, QFile::encodeName(path).toStdString());
  }
  sources.resize(5);
  vr::SettingsRecord settings;
  settings.OUTfolder = QFile::encodeName(scratch.filePath(QStringLiteral("thumbs"))).toStdString();
  settings.OUTformat = 2;
  settings.OUTwidth = 64;
  settings.OUTpropw = -1;
  SilentHost host;
  vr::NameCounter counter;
  vr::OutputList outputs;
  const vr::BuildReport report = vr::BuildReportFor(vr::RunBuild(settings, sources, host, counter, outputs));
  const std::unique_ptr<QMessageBox> box =
      vr::MakeReportBox(nullptr, report.icon, QStringLiteral("Varenna Pro"), report.text, report.details);
  for (QAbstractButton* button : box->buttons())
    if (box->buttonRole(button) == QMessageBox::ActionRole) button->click();
  return SaveGrab(*box, file);
}

int TakeScreenshots(const QString& folder) {
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "Cannot create folder %s\n", qPrintable(folder));
    return 1;
  }
  // A settings file of its own, so the user's settings are never read or written.
  QTemporaryDir scratch;
  if (!scratch.isValid()) return 1;
  // Nor the window places the program keeps: every window opens as on a first start.
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, scratch.path());
  vr::RegFileStore store(QFile::encodeName(scratch.filePath(QStringLiteral("settings.reg"))).toStdString());
  // Without them the main window would be shot without the grid's extra columns and lines.
  for (const char* name : {"GENextra", "GENgrid"}) {
    if (vr::Status written = store.WriteNumber(name, 1); !written) {
      std::fprintf(stderr, "%s\n", written.message().c_str());
      return 1;
    }
  }
  vr::SettingsRecord settings;
  vr::MainWindow window(settings, store);

  const QStringList names = {QStringLiteral("harbour.png"), QStringLiteral("lighthouse.png"),
                             QStringLiteral("olive_grove.png"), QStringLiteral("terrace.png"),
                             QStringLiteral("villa_garden.png")};
  int shade = 0;
  for (const QString& name : names) {
    QImage picture(320 + shade * 40, 240 + shade * 20, QImage::Format_RGB32);
    picture.fill(QColor::fromHsv((shade * 60) % 360, 160, 200));
    const QString path = scratch.filePath(name);
    picture.save(path, "PNG");
    window.grid()->AddFile(QFile::encodeName(path).toStdString());
    ++shade;
  }
  window.ShowRowCount();
  window.EnableListCommands();

  bool ok = SaveGrab(window, QDir(folder).filePath(QStringLiteral("main_window.png")));
  // Resized, the list takes the room.
  window.resize(760, 420);
  ok = SaveGrab(window, QDir(folder).filePath(QStringLiteral("main_window_resized.png"))) && ok;
  window.resize(QSize(vr::MainWindow::kClientWidth, vr::MainWindow::kClientHeight));

  vr::ProgressWindow progress;
  progress.headline()->setText(QStringLiteral("Building Thumbnails..."));
  progress.setProgress(24, 40, 12.0);
  ok = SaveGrab(progress, QDir(folder).filePath(QStringLiteral("progress_window.png"))) && ok;

  ok = ShootFinalMessage(scratch, names,
                         QDir(folder).filePath(QStringLiteral("final_message_failures.png"))) &&
       ok;

  vr::AboutDialog about(&window);
  ok = SaveGrab(about, QDir(folder).filePath(QStringLiteral("about_box.png"))) && ok;

  // The settings dialog's Effects (tab 2) and Water Mark (tab 3) pages.
  vr::SettingsDialog dialog(settings, store, &window);
  auto* tabs = dialog.findChild<QTabBar*>(QStringLiteral("Tab1"));
  if (tabs != nullptr) tabs->setCurrentIndex(1);
  ok = SaveGrab(dialog, QDir(folder).filePath(QStringLiteral("settings_effects.png"))) && ok;
  if (tabs != nullptr) tabs->setCurrentIndex(2);
  ok = SaveGrab(dialog, QDir(folder).filePath(QStringLiteral("settings_watermark.png"))) && ok;
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Varenna Pro"));
  const QStringList arguments = app.arguments();
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: varenna-screenshots <folder>\n");
    return 2;
  }
  return TakeScreenshots(arguments[1]);
}
