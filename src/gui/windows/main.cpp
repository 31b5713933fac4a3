// Varenna Pro: the splash, then the main window until Exit.
#include <QApplication>
#include <csignal>
#include <memory>

#include "base/heap_reuse.h"
#include "settings/settings_store.h"
#include "windows/about_dialog.h"
#include "windows/main_window.h"
#include "windows/splash_window.h"

int main(int argc, char** argv) {
  vr::KeepFreedBuffersForReuse();
  // Past a file-size limit a write fails its row instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Varenna Pro"));
  app.setWindowIcon(vr::ProgramIcon());

  vr::RegFileStore store(vr::RegFileStore::DefaultPath());
  vr::SettingsRecord settings;
  std::unique_ptr<vr::MainWindow> window;
  auto* splash = new vr::SplashWindow([&]() -> QWidget* {
    window = std::make_unique<vr::MainWindow>(settings, store);
    QObject::connect(window.get(), &vr::MainWindow::ExitRequested, &app, [] { QCoreApplication::exit(0); });
    return window.get();
  });
  splash->show();
  const int code = app.exec();
  window.reset();
  return code;
}
