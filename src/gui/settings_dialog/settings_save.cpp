#include "settings_dialog/settings_save.h"

#include <string>
#include <string_view>

#include "base/rounding.h"
#include "settings/load_settings.h"
#include "settings/password_scrambling.h"

namespace vr {
namespace {

// What OK writes: the dialog's copy, the chosen blend mode and angle, and
// the last click.
SettingsRecord Staged(const SettingsDialogValues& values) {
  SettingsRecord s = values.fields;
  if (values.blend_code) s.WMMode = *values.blend_code;
  s.WMAngle = values.angle;
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
  const SettingsRecord staged = Staged(values);
  for (const SettingsField* field : SettingsFieldsInSaveOrder()) {
    // Stops at the first write that fails; later values are not written.
    if (Status written = WriteField(store, *field, staged); !written.ok())
      return Status::Fail("Cannot save " + std::string(field->name) + ": " + written.message());
  }
  LoadSettings(store, record);
  return Status::Ok();
}

}  // namespace vr
