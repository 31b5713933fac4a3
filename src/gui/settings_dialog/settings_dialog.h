// The settings dialog: five tabbed pages over a copy of the settings record.
// Every control, the region picker and the options dialogs of JPEG, WebP,
// AVIF and JPEG XL change only that copy; OK writes it to the store and
// reloads the program's record from there, Cancel drops it, so nothing
// changed in the dialog survives Cancel.
#pragma once

#include <QDialog>
#include <QTabBar>
#include <array>

#include "imaging/engine.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"
#include "settings_dialog/settings_save.h"

class QLabel;
class QPushButton;

namespace vr {

class PageAdvanced;
class PageEffects;
class PageGeneral;
class PageOutput;
class PageWatermark;
class vUpDown;

class SettingsDialog : public QDialog {
  Q_OBJECT

 public:
  SettingsDialog(SettingsRecord& record, SettingsStore& store, QWidget* parent = nullptr);
  ~SettingsDialog() override;

  // Draws the region picker for a click at (x, y), outlines the region and
  // stores it in the record's WMArea (see RegionPicker::WMArea).
  void WMArea(double x, double y);

  // Shows the page of tab 1..5 and hides the others.
  void SelectTab(int tab);

  // The controls' values as OK would save them.
  SettingsDialogValues CollectValues();

  PageEffects* effects() const { return effects_; }
  PageWatermark* watermark() const { return watermark_; }
  PageOutput* output() const { return output_; }

 signals:
  // After OK has saved and reloaded the record, before the dialog closes:
  // the main window applies GENextra and GENgrid to its image list.
  void SettingsSaved();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Open();
  void OnOk();
  // Ctrl+Tab and Ctrl+Page Down: the next page; with Shift or Page Up the one before.
  void StepTab(int step);
  // Holds each size and angle box to its range; false, with the first
  // corrected box shown and the note saying why, when one had to change.
  bool HoldTypedNumbers();
  void OnOptions();

  SettingsRecord& saved_;  // the program's record: OK alone changes it
  SettingsRecord record_;  // the copy the controls and the pages edit
  SettingsStore& store_;
  // The effects preview's own engine, so it never touches a build's pictures.
  Engine engine_;
  QTabBar* tab1_ = nullptr;
  PageGeneral* general_ = nullptr;
  PageEffects* effects_ = nullptr;
  PageWatermark* watermark_ = nullptr;
  PageOutput* output_ = nullptr;
  PageAdvanced* advanced_ = nullptr;
  std::array<QWidget*, 5> pages_{};
  vUpDown* width_updown_ = nullptr;
  vUpDown* height_updown_ = nullptr;
  vUpDown* angle_updown_ = nullptr;
  vUpDown* port_updown_ = nullptr;  // never bound: always reads 0
  QLabel* note_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vr
