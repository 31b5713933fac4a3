#include "support/data_files.h"

#include <QCoreApplication>
#include <QDir>

#ifndef VARENNA_DATA_FROM_BIN
#error "VARENNA_DATA_FROM_BIN (the data folder relative to the programs' folder) comes from the build"
#endif

namespace vr {

QString DataFolder() {
  const QDir programs(QCoreApplication::applicationDirPath());
  return QDir::cleanPath(programs.filePath(QStringLiteral(VARENNA_DATA_FROM_BIN)));
}

QString DataFile(const QString& relative) { return QDir(DataFolder()).filePath(relative); }

}  // namespace vr
