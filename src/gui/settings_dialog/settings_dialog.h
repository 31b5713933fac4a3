// The settings dialog: five tabbed pages over the settings record. Opening
// copies the record into the controls; OK writes every value to the store
// and reloads the record; Cancel writes nothing. A few changes reach the
// record at once and survive Cancel: WMArea (region picker), WMOpacity
// (opacity slider), JPEGquality (the JPEG options dialog's OK) and the
// WebP, AVIF and JPEG XL options (their options dialogs' OK).
#pragma once

#include <QDialog>
#include <QTabBar>
#include <array>

#include "imaging/engine.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"
#include "settings_dialog/settings_save.h"

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
  void OnOptions();

  SettingsRecord& record_;
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
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vr
