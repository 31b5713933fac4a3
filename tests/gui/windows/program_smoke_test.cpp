// The real program on a real (virtual) X display: after the splash, the main
// window titled "Varenna Pro" is on screen. Skipped where Xvfb or xwininfo
// is not installed. And its command line, which needs no display for
// --version and --help.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/temp_folder.h"

namespace {

bool Installed(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  ::pclose(pipe);
  return text;
}

TEST(ProgramSmokeTest, TheMainWindowAppearsAfterTheSplash) {
  if (!Installed("xvfb-run") || !Installed("xwininfo")) GTEST_SKIP() << "needs xvfb-run and xwininfo";
  vr::test::TempFolder config;  // the program's settings go here, never the user's
  const std::string program = std::string(VARENNA_BIN_DIR) + "/varenna";
  // The splash hands over after about three seconds and closes two later.
  const std::string script = "XDG_CONFIG_HOME='" + config.path() + "' QT_QPA_PLATFORM=xcb '" + program +
                             "' & pid=\\$!; sleep 7; xwininfo -root -tree; "
                             "kill -0 \\$pid && echo PROGRAM-RUNNING; kill \\$pid";
  const std::string windows =
      Output("xvfb-run -a -s '-screen 0 1024x768x24' sh -c \"" + script + "\" 2>/dev/null");
  EXPECT_NE(windows.find("\"Varenna Pro\""), std::string::npos) << windows;
  EXPECT_EQ(windows.find("\"Loading\""), std::string::npos) << "the splash is still open";
  EXPECT_NE(windows.find("PROGRAM-RUNNING"), std::string::npos);
}

// --version and --help need no display: they are answered before the
// window system is reached. An unknown option is refused with exit status 2.
TEST(ProgramCommandLineTest, VersionAndHelpWithoutADisplayAndUnknownOptionsRefused) {
  const std::string program = std::string(VARENNA_BIN_DIR) + "/varenna";
  const std::string no_display = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + program + "' ";
  EXPECT_EQ(Output(no_display + "--version 2>&1; echo \"exit $?\""), "varenna " VARENNA_VERSION "\nexit 0\n");
  const std::string help = Output(no_display + "--help 2>&1; echo \"exit $?\"");
  EXPECT_NE(help.find("Usage: "), std::string::npos) << help;
  EXPECT_NE(help.find("--version"), std::string::npos) << help;
  EXPECT_NE(help.find("\nexit 0\n"), std::string::npos) << help;
  const std::string refused =
      Output("QT_QPA_PLATFORM=offscreen '" + program + "' --bogus 2>&1 >/dev/null; echo \"exit $?\"");
  EXPECT_NE(refused.find("varenna: Unknown option 'bogus'."), std::string::npos) << refused;
  EXPECT_NE(refused.find("varenna --help"), std::string::npos) << refused;
  EXPECT_NE(refused.find("\nexit 2\n"), std::string::npos) << refused;
}

}  // namespace
