// The widget tests' main: a QApplication on the offscreen platform, then
// every test. The windows' own per-user state (QSettings) goes to a folder
// of the run's, never into the home folder of whoever runs the tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QTemporaryDir user_state;
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, user_state.path());
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
