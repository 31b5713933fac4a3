// The settings dialog as it holds still and takes the keyboard: one size on
// every page and a smallest size at which every page is still legible;
// numbers typed out of range held to it in plain sight with the range
// named; every slider taking the focus, stepping by keys and showing its
// value; Ctrl+Tab and Ctrl+Page Up/Down going through the pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "settings/load_settings.h"
#include "settings_dialog/jpeg_options_dialog.h"
#include "settings_dialog/settings_dialog.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "widgets/cpv_slider.h"

namespace vr {
namespace {

class DialogTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadSettings(store_, record_, "/opt/varenna");
    dialog_.emplace(record_, store_);
    dialog_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&*dialog_));
  }
  QWidget* Page(int tab) const {
    return dialog_->findChild<QTabBar*>("Tab1")->parentWidget()->findChild<QWidget*>(kPages[tab]);
  }
  void ShowTab(int tab) {
    dialog_->findChild<QTabBar*>("Tab1")->setCurrentIndex(tab);
    QApplication::processEvents();
  }
  std::string InFile(const char* name) const {
    RegFileStore file(folder_.File("settings.reg"));
    const std::optional<std::int32_t> number = file.ReadNumber(name);
    return number ? std::to_string(*number) : "<none>";
  }

  static constexpr const char* kPages[] = {"FrameGeneral", "FrameEffects", "FrameWatermark", "FrameOutput",
                                           "FrameAdvanced"};
  test::TempFolder folder_;
  RegFileStore store_{folder_.File("settings.reg")};
  SettingsRecord record_;
  test::ScriptedDialogs dialogs_;
  std::optional<SettingsDialog> dialog_;
};

// The up-down arrows sit inside their box's right edge by design (the text
// stops short of them), and Qt's own parts of a control (a spin box's line
// edit) are placed by the control, which is checked itself; everything else
// is placed by the page's layouts.
bool LaidOut(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget())
    if (w->objectName() == "upDown" || w->objectName().startsWith("qt_")) return false;
  return true;
}

// Two visible widgets of one parent that share pixels, or a widget smaller
// than the least it needs to be read: "" when there is none.
std::string LegibilityFault(const QWidget& page) {
  const QList<QWidget*> widgets = page.findChildren<QWidget*>();
  for (const QWidget* a : widgets) {
    if (!a->isVisible() || a->isWindow() || !LaidOut(a)) continue;
    const QSize least = a->minimumSizeHint();
    if (least.isValid() && (a->width() < least.width() || a->height() < least.height()))
      return a->objectName().toStdString() + " is squeezed below its least size";
    for (const QWidget* b : widgets) {
      if (b == a || !b->isVisible() || b->isWindow() || !LaidOut(b) || b->parentWidget() != a->parentWidget())
        continue;
      if (a->geometry().intersects(b->geometry()))
        return a->objectName().toStdString() + " overlaps " + b->objectName().toStdString();
    }
  }
  return {};
}

TEST_F(DialogTest, EveryPageHasTheSameSizeAndFitsItsLargestHint) {
  const QSize first = dialog_->size();
  for (int tab = 0; tab < 5; ++tab) {
    ShowTab(tab);
    EXPECT_EQ(dialog_->size(), first) << kPages[tab];
    const QWidget* page = Page(tab);
    ASSERT_NE(page, nullptr) << kPages[tab];
    EXPECT_TRUE(page->isVisible()) << kPages[tab];
    EXPECT_GE(page->width(), page->sizeHint().width()) << kPages[tab];
    EXPECT_GE(page->height(), page->sizeHint().height()) << kPages[tab];
  }
}

// Shrunk as far as it goes, on whichever page it was shrunk, the dialog
// keeps that size on every page and every page still shows every control
// whole and apart.
TEST_F(DialogTest, AtItsSmallestSizeNoPageOverlapsOrSqueezesItsControls) {
  for (int shrunk_on : {0, 3}) {
    ShowTab(shrunk_on);
    dialog_->resize(1, 1);
    QApplication::processEvents();
    const QSize smallest = dialog_->size();
    for (int tab = 0; tab < 5; ++tab) {
      ShowTab(tab);
      EXPECT_EQ(dialog_->size(), smallest) << kPages[tab] << " after shrinking on " << kPages[shrunk_on];
      EXPECT_EQ(LegibilityFault(*Page(tab)), "")
          << kPages[tab] << " after shrinking on " << kPages[shrunk_on];
    }
  }
}

// A width typed outside 10..1024 is held to it where it was typed, the note
// names the range, and the next OK stores what the box shows.
TEST_F(DialogTest, ASizeTypedOutOfRangeIsHeldInSightAndStoredAsShown) {
  ShowTab(3);
  auto* width = dialog_->findChild<QLineEdit*>("Text10");
  auto* ok = dialog_->findChild<QPushButton*>("Command2");
  EXPECT_TRUE(width->toolTip().contains("10") && width->toolTip().contains("1024"))
      << width->toolTip().toStdString();
  ShowTab(0);
  width->setText("5000");
  ok->click();
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_EQ(InFile("OUTwidth"), "<none>") << "nothing saved while the box was corrected";
  EXPECT_TRUE(Page(3)->isVisible()) << "the page with the corrected box is shown";
  EXPECT_EQ(width->text(), "1024");
  const QLabel* note_label = dialog_->findChild<QLabel*>("LabelNote");
  ASSERT_NE(note_label, nullptr);
  const QString note = note_label->text();
  EXPECT_TRUE(note.contains("5000") && note.contains("10") && note.contains("1024")) << note.toStdString();
  ok->click();
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_EQ(InFile("OUTwidth"), "1024");
}

// The same correction comes as soon as the user leaves the box.
TEST_F(DialogTest, LeavingABoxHoldsItsNumberToTheRangeAtOnce) {
  ShowTab(2);
  auto* angle = dialog_->findChild<QLineEdit*>("Text14");
  angle->setText("720");
  emit angle->editingFinished();
  EXPECT_EQ(angle->text(), "359");
  const QLabel* note = dialog_->findChild<QLabel*>("LabelNote");
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->text().contains("359")) << note->text().toStdString();
}

// Arrows by 1, Page Up and Down by a tenth of the range, Home and End to
// the ends; the value is written beside the slider.
void ExpectKeysStep(cpvSlider& slider, const std::function<QString()>& shown) {
  const std::string name = slider.objectName().toStdString();
  EXPECT_TRUE(slider.focusPolicy() & Qt::TabFocus) << name;
  EXPECT_TRUE(slider.focusPolicy() & Qt::ClickFocus) << name;
  const int page = (slider.Max() - slider.Min()) / 10;
  slider.SetValue(slider.Min() + page * 2);
  const int start = slider.Value();
  QTest::keyClick(&slider, Qt::Key_Right);
  EXPECT_EQ(slider.Value(), start + 1) << name;
  QTest::keyClick(&slider, Qt::Key_Left);
  QTest::keyClick(&slider, Qt::Key_Down);
  EXPECT_EQ(slider.Value(), start - 1) << name;
  QTest::keyClick(&slider, Qt::Key_Up);
  QTest::keyClick(&slider, Qt::Key_PageUp);
  EXPECT_EQ(slider.Value(), start + page) << name;
  QTest::keyClick(&slider, Qt::Key_PageDown);
  QTest::keyClick(&slider, Qt::Key_PageDown);
  EXPECT_EQ(slider.Value(), start - page) << name;
  QTest::keyClick(&slider, Qt::Key_End);
  EXPECT_EQ(slider.Value(), slider.Max()) << name;
  EXPECT_EQ(shown(), QString::number(slider.Max())) << name;
  EXPECT_EQ(slider.toolTip(), QString::number(slider.Max())) << name;
  QTest::keyClick(&slider, Qt::Key_Home);
  EXPECT_EQ(slider.Value(), slider.Min()) << name;
  EXPECT_EQ(shown(), QString::number(slider.Min())) << name;
}

TEST_F(DialogTest, EverySliderTakesTheFocusStepsByKeysAndShowsItsValue) {
  const QList<cpvSlider*> sliders = dialog_->findChildren<cpvSlider*>();
  EXPECT_EQ(sliders.size(), 6);
  for (cpvSlider* slider : sliders) {
    ShowTab(slider->objectName() == "Slider6" ? 2 : 1);
    const QLabel* readout = dialog_->findChild<QLabel*>(slider->objectName() + "Value");
    ASSERT_NE(readout, nullptr) << slider->objectName().toStdString();
    ExpectKeysStep(*slider, [readout] { return readout->text(); });
  }
}

TEST(JpegOptionsKeysTest, TheQualitySliderStepsByKeysAndItsBoxShowsTheValue) {
  SettingsRecord record;
  JpegOptionsDialog options(record);
  options.show();
  // The box beside it shows the quality.
  ExpectKeysStep(*options.QualitySlider(), [&] { return options.QualityText()->text(); });
}

// The focus frame shows where the keys go; a disabled (pinned) slider does not move.
TEST_F(DialogTest, APinnedOpacitySliderIgnoresItsKeys) {
  ShowTab(2);
  auto* slider = dialog_->findChild<cpvSlider*>("Slider6");
  dialog_->findChild<QComboBox*>("Combo2")->setCurrentIndex(3);  // Mask pins 100
  QTest::keyClick(slider, Qt::Key_Home);
  EXPECT_EQ(slider->Value(), 100);
  const QLabel* readout = dialog_->findChild<QLabel*>("Slider6Value");
  ASSERT_NE(readout, nullptr);
  EXPECT_FALSE(readout->isEnabled());
}

TEST_F(DialogTest, CtrlTabAndCtrlPageKeysGoThroughThePagesAndWrap) {
  dialog_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&*dialog_));
  auto* tabs = dialog_->findChild<QTabBar*>("Tab1");
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int tab;
  };
  for (const Step& step :
       {Step{Qt::Key_Tab, Qt::ControlModifier, 1}, Step{Qt::Key_PageDown, Qt::ControlModifier, 2},
        Step{Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 1},
        Step{Qt::Key_PageUp, Qt::ControlModifier, 0}, Step{Qt::Key_PageUp, Qt::ControlModifier, 4},
        Step{Qt::Key_Tab, Qt::ControlModifier, 0}}) {
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &*dialog_;
    QTest::keyClick(target, step.key, step.modifiers);
    EXPECT_EQ(tabs->currentIndex(), step.tab);
    EXPECT_TRUE(Page(step.tab)->isVisible()) << kPages[step.tab];
  }
}

}  // namespace
}  // namespace vr
