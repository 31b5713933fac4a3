#include "settings/load_settings.h"

#include "settings/default_output_folder.h"
#include "settings/registry.h"

namespace vr {
namespace {

// Every field in the table's order, all from one snapshot of the store so
// its file is read once. A field whose fallback is for an absent value gets
// it here, where absent and a stored 0 still differ.
void ReadStoredValues(const SettingsStore& store, SettingsRecord& r) {
  store.ReadSnapshot([&r](const SettingsStore& values) {
    for (const SettingsField& field : SettingsFields()) {
      if (field.text != nullptr)
        r.*field.text = GetSettingString(values, field.name);
      else if (field.fallback.kind == FieldFallback::Kind::kAbsentNumber)
        r.*field.number = values.ReadNumber(field.name).value_or(field.fallback.number);
      else
        r.*field.number = GetSettingLong(values, field.name);
    }
  });
}

void ApplyFieldFallback(const SettingsField& field, SettingsRecord& r, std::string_view output_folder) {
  using Kind = FieldFallback::Kind;
  switch (field.fallback.kind) {
    case Kind::kNumber:
      if (r.*field.number == 0) r.*field.number = field.fallback.number;
      return;
    case Kind::kText:
      if ((r.*field.text).empty()) (r.*field.text).assign(field.fallback.text);
      return;
    case Kind::kOutputFolder:
      if ((r.*field.text).empty()) (r.*field.text).assign(output_folder);
      return;
    case Kind::kNone:
    case Kind::kAbsentNumber:
    case Kind::kJoint:
      return;
  }
}

// The fallbacks that look at several fields at once.
void ApplyJointFallbacks(SettingsRecord& r) {
  // With no proportion option chosen, "keep the proportions" is.
  if (r.OUTnoprop == 0 && r.OUTpropw == 0 && r.OUTproph == 0) r.OUTnoprop = -1;
  // A login is kept only whole: a user, a password and not anonymous.
  const bool stored_login = !r.FTPuser.empty() && r.FTPanon != 1 && !r.FTPpass.empty();
  if (!stored_login) {
    r.FTPanon = 1;
    r.FTPuser = "anonymous";
    r.FTPpass.assign(kPlaceholderGuestPassword);
  }
}

}  // namespace

void LoadSettings(const SettingsStore& store, SettingsRecord& record, const std::string& output_folder) {
  ReadStoredValues(store, record);
  for (const SettingsField& field : SettingsFields()) ApplyFieldFallback(field, record, output_folder);
  ApplyJointFallbacks(record);
}

void LoadSettings(const SettingsStore& store, SettingsRecord& record) {
  LoadSettings(store, record, DefaultOutputFolder());
}

}  // namespace vr
