#include "windows/help_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

namespace vr {

QWidget* ShowHelpTopic(QWidget* owner, const QString& help_folder) {
  const QFileInfo page(QDir(help_folder).filePath(QString::fromLatin1(kHelpTopic)));
  if (!page.isFile() || !page.isReadable()) return nullptr;

  // One help window at a time: a second F1 brings the first one forward.
  if (owner) {
    if (auto* open = owner->findChild<QTextBrowser*>(QStringLiteral("HelpWindow"))) {
      open->setSource(QUrl::fromLocalFile(page.absoluteFilePath()));
      open->show();
      open->raise();
      return open;
    }
  }
  auto* browser = new QTextBrowser(owner);
  browser->setWindowFlags(Qt::Window);
  browser->setObjectName(QStringLiteral("HelpWindow"));
  browser->setAttribute(Qt::WA_DeleteOnClose);
  browser->setWindowTitle(QCoreApplication::translate("vr::HelpWindow", "Varenna Pro Help"));
  browser->setOpenExternalLinks(true);
  browser->resize(640, 480);
  browser->setSource(QUrl::fromLocalFile(page.absoluteFilePath()));
  browser->show();
  return browser;
}

}  // namespace vr
