#include "settings_dialog/settings_save.h"

#include <string>
#include <string_view>

#include "base/rounding.h"
#include "settings/load_settings.h"
#include "settings/password_scrambling.h"

namespace vr {
namespace {

// The record as OK leaves it before the reload: the controls' fields, the
// region from the last click, and WMMode, WMAngle, WMArea, WMOpacity and
// the formats' options (JPEGquality, WEBPquality, ...) as the record holds
// them.
SettingsRecord Staged(const SettingsDialogValues& values, const SettingsRecord& record) {
  SettingsRecord s = values.fields;
  s.WMMode = record.WMMode;
  s.WMAngle = record.WMAngle;
  s.WMArea = record.WMArea;
  s.WMOpacity = record.WMOpacity;
  s.JPEGquality = record.JPEGquality;
  s.WEBPquality = record.WEBPquality;
  s.WEBPlossless = record.WEBPlossless;
  s.AVIFquality = record.AVIFquality;
  s.AVIFspeed = record.AVIFspeed;
  s.JXLquality = record.JXLquality;
  s.JXLeffort = record.JXLeffort;
  s.WMAreaX = RoundHalfEven(values.click_x);
  s.WMAreaY = values.click_y;
  // The dialog has no FTP page: the anonymous login on a placeholder host.
  s.FTPserver = std::string(kPlaceholderFtpServer);
  s.FTPport = kUnboundFtpPort;
  s.FTPpath.assign(1, '/');
  s.FTPuser = "anonymous";
  s.FTPpass = ScramblePassword(kPlaceholderGuestPassword);
  s.FTPanon = 1;
  return s;
}

Status WriteField(SettingsStore& store, const SettingsField& field, const SettingsRecord& from) {
  return field.number != nullptr ? store.WriteNumber(field.name, from.*field.number)
                                 : store.WriteText(field.name, from.*field.text);
}

}  // namespace

Status SaveDialogSettings(const SettingsDialogValues& values, SettingsRecord& record, SettingsStore& store) {
  if (values.blend_code) record.WMMode = *values.blend_code;
  record.WMAngle = values.angle;
  const SettingsRecord staged = Staged(values, record);
  for (const SettingsField* field : SettingsFieldsInSaveOrder()) {
    // Stops at the first write that fails; later values are not written.
    if (Status written = WriteField(store, *field, staged); !written.ok())
      return Status::Fail("Cannot save " + std::string(field->name) + ": " + written.message());
  }
  LoadSettings(store, record);
  return Status::Ok();
}

}  // namespace vr
