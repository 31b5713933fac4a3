// Varenna Pro: the splash, then the main window until Exit.
#include <QApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <memory>

#include "base/heap_reuse.h"
#include "settings/settings_store.h"
#include "windows/about_dialog.h"
#include "windows/command_line.h"
#include "windows/main_window.h"
#include "windows/splash_window.h"

namespace {

constexpr int kUsageError = 2;

void Print(std::FILE* stream, const QString& text) { std::fputs(text.toLocal8Bit().constData(), stream); }

}  // namespace

int main(int argc, char** argv) {
  // --version and --help are answered before the window system is reached,
  // so they work without a display. Qt's own options (-platform, -style)
  // are only taken out by the application object, so an option not known
  // here is no failure yet.
  {
    QStringList raw;
    for (int i = 0; i < argc; ++i) raw.append(QString::fromLocal8Bit(argv[i]));
    vr::CommandLine early;
    early.Parse(raw);
    if (early.VersionAsked()) {
      Print(stdout, vr::CommandLine::VersionLine() + QLatin1Char('\n'));
      return 0;
    }
    if (early.HelpAsked()) {
      QCoreApplication names_the_program(argc, argv);  // the usage line shows the program as started
      Print(stdout, early.HelpText());
      return 0;
    }
  }

  vr::KeepFreedBuffersForReuse();
  // Past a file-size limit a write fails its row instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Varenna Pro"));
  app.setWindowIcon(vr::ProgramIcon());

  vr::CommandLine command_line;
  if (!command_line.Parse(QApplication::arguments())) {
    Print(stderr, QStringLiteral("varenna: ") + command_line.ErrorText() + QLatin1Char('\n') +
                      vr::CommandLine::HelpHint() + QLatin1Char('\n'));
    return kUsageError;
  }
  const QStringList paths = command_line.Paths();

  vr::RegFileStore store(vr::RegFileStore::DefaultPath());
  vr::SettingsRecord settings;
  std::unique_ptr<vr::MainWindow> window;
  auto* splash = new vr::SplashWindow([&]() -> QWidget* {
    window = std::make_unique<vr::MainWindow>(settings, store);
    QObject::connect(window.get(), &vr::MainWindow::ExitRequested, &app, [] { QCoreApplication::exit(0); });
    return window.get();
  });
  // The paths go in once the main window is on screen and the splash gone,
  // so a folder's progress window shows over the main window.
  QObject::connect(splash, &vr::SplashWindow::HandedOver, &app, [&window, paths] {
    if (!window || paths.isEmpty()) return;
    QMetaObject::invokeMethod(
        window.get(), [&window, paths] { window->AddPaths(paths); }, Qt::QueuedConnection);
  });
  splash->show();
  const int code = app.exec();
  window.reset();
  return code;
}
