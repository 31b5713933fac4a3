// What the settings dialog's OK writes, in its fixed order, and the reload
// that follows. Kept apart from the widgets so the order and the values can
// be checked against a store directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/status.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"

namespace vr {

// The dialog's controls as they stand when OK is pressed. Check boxes are 0
// or 1, option buttons 0 or -1.
struct SettingsDialogValues {
  std::int32_t GENextra = 0;
  std::int32_t GENgrid = 0;
  std::optional<std::int32_t> blend_code;  // from Combo2's text; nothing keeps the record's WMMode
  std::int32_t angle = 0;
  float click_x = 0;  // the region picker's last click
  std::int32_t click_y = 0;
  std::string WMFile;
  std::int32_t ImgPreview = 0;
  std::int32_t NoiseLevel = 0;
  std::int32_t BrightnessLevel = 0;
  std::int32_t ContrastLevel = 0;
  std::int32_t SaturationLevel = 0;
  std::int32_t CorrectionLevel = 0;
  std::int32_t NegativeFlag = 0;
  std::int32_t GrayScaleFlag = 0;
  std::string OUTname;
  std::string OUTfolder;
  std::int32_t OUTdatefolder = 0;
  std::int32_t OUTformat = 0;
  std::int32_t OUTwidth = 0;
  std::int32_t OUTheight = 0;
  std::int32_t OUToriginal = 0;
  std::int32_t OUTnoprop = 0;
  std::int32_t OUTproph = 0;
  std::int32_t OUTpropw = 0;
  std::int32_t ADVempty = 0;
  std::int32_t ADVpixall = 0;
};

// The dialog has no FTP page and no port field; it stores the anonymous
// login and a port of 0, which the reload turns into 21.
inline constexpr std::int32_t kUnboundFtpPort = 0;

// Sets the record's WMMode and WMAngle, writes every value in the saving
// order (WMArea, WMOpacity and JPEGquality from the record, the rest from
// `values`), then reloads the record from the store. Stops at the first
// write that fails and returns it, naming the value and the file; the record
// is then not reloaded, so the dialog can stay open with its controls as
// they were.
Status SaveDialogSettings(const SettingsDialogValues& values, SettingsRecord& record, SettingsStore& store);

}  // namespace vr
