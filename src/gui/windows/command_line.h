// The program's command line: varenna [--version] [--help] [FILE|FOLDER...].
// The files and folders go into the list at start, so a desktop entry's
// "Exec=varenna %F" opens the program with what was dropped on it.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace vr {

class CommandLine {
  Q_DECLARE_TR_FUNCTIONS(CommandLine)

 public:
  CommandLine();

  // Reads the arguments, the program's name first. False for an option it
  // does not know or one missing its value; ErrorText() says which.
  bool Parse(const QStringList& arguments);

  bool VersionAsked() const { return parser_.isSet(version_); }
  bool HelpAsked() const { return parser_.isSet(help_); }
  // The files and folders, made absolute against the current folder; empty
  // arguments are dropped.
  QStringList Paths() const;
  QString ErrorText() const { return parser_.errorText(); }
  // The usage, options and arguments, for --help.
  QString HelpText() const { return parser_.helpText(); }

  // "varenna VERSION", the --version line.
  static QString VersionLine();
  // Names --help after a failed parse.
  static QString HelpHint();

 private:
  QCommandLineParser parser_;
  QCommandLineOption version_;
  QCommandLineOption help_;
};

}  // namespace vr
