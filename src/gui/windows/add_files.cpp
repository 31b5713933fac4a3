#include "windows/add_files.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include "support/user_dialogs.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"

namespace vr {

QString AddImagesFilter() {
  return QCoreApplication::translate(
      "vr::AddFiles",
      "All pictures (*.bmp *.gif *.jpg *.jpeg *.png *.tif *.tiff *.webp *.avif "
      "*.jxl *.heic *.heif);;"
      "JPEG - JFIF Compatible (*.jpg);;Windows Bitmap (*.bmp);;"
      "Portable Network Graphics (*.png);;WebP (*.webp);;AVIF (*.avif);;"
      "JPEG XL (*.jxl);;HEIF (*.heic *.heif)");
}

int AddImageFiles(MainWindow& window) {
  FileDialogRequest request;
  request.title = QCoreApplication::translate("vr::AddFiles", "Add Image(s)...");
  request.filter = AddImagesFilter();
  request.default_suffix = QStringLiteral("jpg");
  // The dialog hands back full paths as a list, so there is no result
  // buffer to overflow however many files are picked.
  return AddFileRows(window, Dialogs().OpenFiles(&window, request));
}

int AddFileRows(MainWindow& window, const QStringList& files) {
  if (files.isEmpty()) return 0;
  window.SetStatus(QStringLiteral("Loading files..."));
  std::vector<std::string> paths;
  paths.reserve(static_cast<std::size_t>(files.size()));
  for (const QString& file : files) paths.push_back(QFile::encodeName(file).toStdString());
  window.grid()->AddFiles(paths);
  window.ShowRowCount();
  window.EnableListCommands();
  return static_cast<int>(files.size());
}

}  // namespace vr
