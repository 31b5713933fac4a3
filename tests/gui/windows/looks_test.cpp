// How the windows look on any desktop: the About box lays out without
// overlap at 1x and 2x scale; every window takes its colours from the
// desktop's palette, light or dark, and the toolbar's pictures stand out on
// both; every text a window shows went through tr(), so it can be
// translated.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTabBar>
#include <QTest>
#include <QToolBar>
#include <QTranslator>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/load_settings.h"
#include "settings/settings_store.h"
#include "settings_dialog/jpeg_options_dialog.h"
#include "settings_dialog/settings_dialog.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "windows/about_dialog.h"
#include "windows/main_window.h"

namespace vr {
namespace {

// Two visible children of one parent sharing pixels, a label narrower than
// its text, or a child reaching outside the box: "" when there is none.
std::string LayoutFault(const QWidget& box) {
  const QList<QWidget*> children = box.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (const QWidget* a : children) {
    if (!a->isVisible()) continue;
    if (!box.rect().contains(a->geometry())) return a->objectName().toStdString() + " reaches outside";
    if (const auto* label = qobject_cast<const QLabel*>(a);
        label != nullptr && !label->wordWrap() && label->width() < label->sizeHint().width())
      return a->objectName().toStdString() + " is cut";
    for (const QWidget* b : children)
      if (b != a && b->isVisible() && a->geometry().intersects(b->geometry()))
        return a->objectName().toStdString() + " overlaps " + b->objectName().toStdString();
  }
  return {};
}

TEST(AboutBoxTest, NothingOverlapsAtThisScale) {
  AboutDialog about;
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") {
    EXPECT_EQ(about.devicePixelRatio(), 2.0);
  }
  EXPECT_EQ(LayoutFault(about), "");
}

// The same test in a process of its own at twice the scale, which Qt takes
// only at start.
TEST(AboutBoxTest, NothingOverlapsAtTwiceTheScale) {
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_SCALE_FACTOR", "2");
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  child.setProcessEnvironment(environment);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=AboutBoxTest.NothingOverlapsAtThisScale"});
  ASSERT_TRUE(child.waitForFinished(60000));
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
}

QPalette Dark() {
  QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2a, 0x2a, 0x2a));
  dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
  dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
  dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
  dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
  return dark;
}

QPalette Light() { return QPalette(QColor(0xef, 0xef, 0xef), QColor(0xef, 0xef, 0xef)); }

// The program's windows, made while `palette` (or a translator) is in force.
class WindowsTest : public testing::Test {
 protected:
  std::vector<QWidget*> OpenAll() {
    LoadSettings(store_, record_, "/opt/varenna");
    main_ = std::make_unique<MainWindow>(record_, store_);
    settings_ = std::make_unique<SettingsDialog>(record_, store_);
    jpeg_ = std::make_unique<JpegOptionsDialog>(record_);
    about_ = std::make_unique<AboutDialog>();
    std::vector<QWidget*> windows = {main_.get(), settings_.get(), jpeg_.get(), about_.get()};
    for (QWidget* window : windows) window->show();
    return windows;
  }
  void TearDown() override { QApplication::setPalette(QPalette()); }

  test::TempFolder temp_;
  RegFileStore store_{temp_.File("Varenna Pro.reg")};
  SettingsRecord record_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> main_;
  std::unique_ptr<SettingsDialog> settings_;
  std::unique_ptr<JpegOptionsDialog> jpeg_;
  std::unique_ptr<AboutDialog> about_;
};

double Luminance(const QColor& c) { return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF(); }

// No window keeps colours of its own: every widget paints its background
// and its text in the desktop palette's colours for their roles.
TEST_F(WindowsTest, EveryWindowFollowsALightAndADarkPalette) {
  for (const QPalette& desktop : {Light(), Dark()}) {
    QApplication::setPalette(desktop);
    for (QWidget* window : OpenAll()) {
      QList<QWidget*> widgets = window->findChildren<QWidget*>();
      widgets.prepend(window);
      for (const QWidget* widget : widgets) {
        const std::string name =
            window->objectName().toStdString() + "/" + widget->objectName().toStdString();
        const QPalette::ColorGroup group = widget->isEnabled() ? QPalette::Active : QPalette::Disabled;
        for (QPalette::ColorRole role : {widget->backgroundRole(), widget->foregroundRole()})
          EXPECT_EQ(widget->palette().color(group, role).name(), desktop.color(group, role).name())
              << name << " role " << role << " on the "
              << (Luminance(desktop.window().color()) < 0.5 ? "dark" : "light") << " palette";
      }
    }
  }
}

// Each toolbar picture has enough pixels that differ clearly in brightness
// from the toolbar on a light and on a dark desktop.
TEST_F(WindowsTest, ToolbarPicturesStandOutOnLightAndDark) {
  OpenAll();
  for (const QPalette& desktop : {Light(), Dark()}) {
    const double ground = Luminance(desktop.color(QPalette::Window));
    for (const QAction* action : main_->toolbar()->actions()) {
      if (action->icon().isNull()) continue;
      const QImage picture = action->icon().pixmap(32, 32).toImage();
      int opaque = 0, standing_out = 0;
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
          const QColor pixel = picture.pixelColor(x, y);
          if (pixel.alpha() < 128) continue;
          ++opaque;
          standing_out += std::abs(Luminance(pixel) - ground) > 0.25;
        }
      ASSERT_GT(opaque, 0) << action->objectName().toStdString();
      EXPECT_GT(standing_out * 4, opaque) << action->objectName().toStdString() << " on " << ground;
    }
  }
}

// Marks every text it is asked for, so a text shown unmarked never went
// through tr().
class MarkingTranslator : public QTranslator {
 public:
  static constexpr char16_t kMark = u'\u2039';
  bool isEmpty() const override { return false; }
  QString translate(const char*, const char* source, const char*, int) const override {
    return QString(QChar(kMark)) + QString::fromUtf8(source);
  }
};

bool NeedsNoTranslation(const QString& text) {
  bool number = false;
  text.toInt(&number);
  return text.trimmed().isEmpty() || number;
}

TEST_F(WindowsTest, EveryTextShownWentThroughTr) {
  MarkingTranslator marking;
  QCoreApplication::installTranslator(&marking);
  std::vector<std::string> unmarked;
  auto check = [&](const QObject& where, const QString& text) {
    if (!NeedsNoTranslation(text) && !text.startsWith(QChar(MarkingTranslator::kMark)))
      unmarked.push_back(where.objectName().toStdString() + ": " + text.toStdString());
  };
  for (QWidget* window : OpenAll()) {
    check(*window, window->windowTitle());
    // Only the main window has the list.
    const QWidget* grid = window->findChild<QWidget*>("Grid1");
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
      // The list shows the user's files; the about text is a file of its own.
      if (widget == grid || (grid != nullptr && grid->isAncestorOf(widget)) ||
          qobject_cast<const QLineEdit*>(widget) != nullptr ||
          qobject_cast<const QPlainTextEdit*>(widget) != nullptr)
        continue;
      check(*widget, widget->toolTip());
      if (const auto* label = qobject_cast<const QLabel*>(widget)) check(*widget, label->text());
      if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) check(*widget, button->text());
      if (const auto* group = qobject_cast<const QGroupBox*>(widget)) check(*widget, group->title());
      if (const auto* menu = qobject_cast<const QMenu*>(widget)) check(*widget, menu->title());
      if (const auto* tabs = qobject_cast<const QTabBar*>(widget))
        for (int i = 0; i < tabs->count(); ++i) check(*widget, tabs->tabText(i));
      if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        for (int i = 0; i < combo->count(); ++i) check(*widget, combo->itemText(i));
    }
    for (const QAction* action : window->findChildren<QAction*>()) {
      check(*action, action->text());
      if (action->toolTip() != action->text()) check(*action, action->toolTip());
    }
  }
  QCoreApplication::removeTranslator(&marking);
  for (const std::string& text : unmarked) ADD_FAILURE() << "shown without tr(): " << text;
}

}  // namespace
}  // namespace vr
