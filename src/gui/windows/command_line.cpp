#include "windows/command_line.h"

#include <QFileInfo>

namespace vr {

CommandLine::CommandLine()
    : version_(QStringList{QStringLiteral("version")}, tr("Print the program's version and exit.")),
      help_(QStringList{QStringLiteral("h"), QStringLiteral("help")}, tr("Print this help and exit.")) {
  parser_.setApplicationDescription(
      tr("Varenna Pro makes one thumbnail per picture of its list.\n"
         "Files and folders given here are added to the list at start; a folder\n"
         "adds its pictures as Add from Folder does, with its sub-folders when\n"
         "Include sub-folders was ticked there last."));
  parser_.addOption(version_);
  parser_.addOption(help_);
  parser_.addPositionalArgument(QStringLiteral("paths"), tr("Pictures and folders of pictures to list."),
                                QStringLiteral("[FILE|FOLDER...]"));
}

bool CommandLine::Parse(const QStringList& arguments) { return parser_.parse(arguments); }

QStringList CommandLine::Paths() const {
  QStringList paths;
  for (const QString& argument : parser_.positionalArguments())
    if (!argument.isEmpty()) paths.append(QFileInfo(argument).absoluteFilePath());
  return paths;
}

QString CommandLine::VersionLine() { return QStringLiteral("varenna " VARENNA_VERSION); }

QString CommandLine::HelpHint() { return tr("Try 'varenna --help'."); }

}  // namespace vr
