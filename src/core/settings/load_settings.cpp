#include "settings/load_settings.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "settings/registry.h"

namespace vr {
namespace {

void ReadNumber(const SettingsStore& store, std::string_view name, std::int32_t& field) {
  field = GetSettingLong(store, name);
}

void ReadText(const SettingsStore& store, std::string_view name, std::string& field) {
  field = GetSettingString(store, name);
}

// The values in the order they have always been read. "JPEGQ" lands in the
// quality field only to be overwritten by JPEGquality at the very end, which
// is why an old "JPEGQ" value never has any effect.
void ReadStoredValues(const SettingsStore& store, SettingsRecord& r) {
  ReadNumber(store, "GENextra", r.GENextra);
  ReadNumber(store, "GENgrid", r.GENgrid);
  ReadNumber(store, "WMAreaX", r.WMAreaX);
  ReadNumber(store, "WMAreaY", r.WMAreaY);
  ReadNumber(store, "WMArea", r.WMArea);
  ReadNumber(store, "WMMode", r.WMMode);
  ReadNumber(store, "WMAngle", r.WMAngle);
  ReadText(store, "WMFile", r.WMFile);
  ReadNumber(store, "WMOpacity", r.WMOpacity);
  ReadNumber(store, "JPEGQ", r.JPEGquality);
  ReadNumber(store, "ImgPreview", r.ImgPreview);
  ReadNumber(store, "NoiseLevel", r.NoiseLevel);
  ReadNumber(store, "BrightnessLevel", r.BrightnessLevel);
  ReadNumber(store, "ContrastLevel", r.ContrastLevel);
  ReadNumber(store, "SaturationLevel", r.SaturationLevel);
  ReadNumber(store, "CorrectionLevel", r.CorrectionLevel);
  ReadNumber(store, "NegativeFlag", r.NegativeFlag);
  ReadNumber(store, "GrayScaleFlag", r.GrayScaleFlag);
  ReadText(store, "OUTname", r.OUTname);
  ReadNumber(store, "OUTformat", r.OUTformat);
  ReadText(store, "OUTfolder", r.OUTfolder);
  ReadNumber(store, "OUTdatefolder", r.OUTdatefolder);
  ReadNumber(store, "OUTwidth", r.OUTwidth);
  ReadNumber(store, "OUTheight", r.OUTheight);
  ReadNumber(store, "OUToriginal", r.OUToriginal);
  ReadNumber(store, "OUTnoprop", r.OUTnoprop);
  ReadNumber(store, "OUTpropw", r.OUTpropw);
  ReadNumber(store, "OUTproph", r.OUTproph);
  ReadText(store, "FTPserver", r.FTPserver);
  ReadNumber(store, "FTPport", r.FTPport);
  ReadText(store, "FTPpath", r.FTPpath);
  ReadText(store, "FTPuser", r.FTPuser);
  ReadText(store, "FTPpass", r.FTPpass);
  ReadNumber(store, "FTPanon", r.FTPanon);
}

void ApplyDefaults(SettingsRecord& r, const std::string& program_folder) {
  if (r.OUTnoprop == 0 && r.OUTpropw == 0 && r.OUTproph == 0) r.OUTnoprop = -1;
  if (r.OUTwidth == 0) r.OUTwidth = 300;
  if (r.OUTheight == 0) r.OUTheight = 300;
  if (r.OUTfolder.empty()) r.OUTfolder = program_folder;
  if (r.FTPserver.empty()) r.FTPserver = kPlaceholderFtpServer;
  if (r.FTPpath.empty()) r.FTPpath = "/";
  if (r.FTPport == 0) r.FTPport = 21;
  bool stored_login = !r.FTPuser.empty() && r.FTPanon != 1 && !r.FTPpass.empty();
  if (!stored_login) {
    r.FTPanon = 1;
    r.FTPuser = "anonymous";
    r.FTPpass = kPlaceholderGuestPassword;
  }
}

}  // namespace

void LoadSettings(const SettingsStore& store, SettingsRecord& record, const std::string& program_folder) {
  ReadStoredValues(store, record);
  ApplyDefaults(record, program_folder);
  ReadNumber(store, "ADVempty", record.ADVempty);
  ReadNumber(store, "ADVpixall", record.ADVpixall);
  ReadNumber(store, "JPEGquality", record.JPEGquality);
}

void LoadSettings(const SettingsStore& store, SettingsRecord& record) {
  LoadSettings(store, record, ProgramFolder());
}

std::string ProgramFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  std::filesystem::path folder = error ? std::filesystem::current_path(error) : exe.parent_path();
  std::string text = folder.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text.empty() ? std::string("/") : text;
}

}  // namespace vr
