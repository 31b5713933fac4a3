// What the settings dialog's OK writes, in its fixed order, and the reload
// that follows. Kept apart from the widgets so the order and the values can
// be checked against a store directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/status.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"

namespace vr {

// The dialog's controls as they stand when OK is pressed. Most hold a field
// of the record and are kept in it (check boxes 0 or 1, option buttons 0 or
// -1); the rest are controls whose value becomes a field only on saving.
struct SettingsDialogValues {
  // The dialog's own copy of the record with every change made in it: the
  // controls' fields, the region picker's WMArea, the opacity and the JPEG
  // quality. WMAngle, WMAreaX, WMAreaY and the FTP fields are not taken from
  // here, nor WMMode when `blend_code` holds one.
  SettingsRecord fields;
  std::optional<std::int32_t> blend_code;  // from Combo2's text; nothing keeps the fields' WMMode
  std::int32_t angle = 0;
  float click_x = 0;  // the region picker's last click
  std::int32_t click_y = 0;
};

// The dialog has no FTP page and no port field; it stores the anonymous
// login and a port of 0, which the reload turns into 21.
inline constexpr std::int32_t kUnboundFtpPort = 0;

// Writes every value of `values` in the saving order, with the FTP
// placeholders, then reloads `record` from the store. Stops at the first
// write that fails and returns it, naming the value and the file; `record`
// is then left as it was, so the dialog can stay open with its controls as
// they were.
Status SaveDialogSettings(const SettingsDialogValues& values, SettingsRecord& record, SettingsStore& store);

}  // namespace vr
