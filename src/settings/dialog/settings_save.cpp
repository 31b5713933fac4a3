#include "settings/dialog/settings_save.h"

#include <string_view>

#include "build/rounding.h"
#include "settings/load_settings.h"
#include "settings/password_scrambling.h"

namespace vr {
namespace {

// Writes values one after another until one fails; later writes are then
// skipped and the first failure is kept.
class Writer {
 public:
  explicit Writer(SettingsStore& store) : store_(store) {}

  void Number(std::string_view name, std::int32_t value) {
    if (status_.ok()) Note(name, store_.WriteNumber(name, value));
  }
  void Text(std::string_view name, std::string_view text) {
    if (status_.ok()) Note(name, store_.WriteText(name, text));
  }
  const Status& status() const { return status_; }

 private:
  void Note(std::string_view name, Status result) {
    if (!result.ok()) status_ = Status::Fail("Cannot save " + std::string(name) + ": " + result.message());
  }

  SettingsStore& store_;
  Status status_ = Status::Ok();
};

}  // namespace

Status SaveDialogSettings(const SettingsDialogValues& values, SettingsRecord& record, SettingsStore& store) {
  Writer write(store);
  write.Number("GENextra", values.GENextra);
  write.Number("GENgrid", values.GENgrid);

  if (values.blend_code) record.WMMode = *values.blend_code;
  record.WMAngle = values.angle;
  write.Number("WMMode", record.WMMode);
  write.Number("WMAreaX", RoundHalfEven(values.click_x));
  write.Number("WMAreaY", values.click_y);
  write.Number("WMArea", record.WMArea);
  write.Number("WMAngle", record.WMAngle);
  write.Number("WMOpacity", record.WMOpacity);
  write.Text("WMFile", values.WMFile);
  write.Number("ImgPreview", values.ImgPreview);

  write.Number("NoiseLevel", values.NoiseLevel);
  write.Number("BrightnessLevel", values.BrightnessLevel);
  write.Number("ContrastLevel", values.ContrastLevel);
  write.Number("SaturationLevel", values.SaturationLevel);
  write.Number("CorrectionLevel", values.CorrectionLevel);
  write.Number("NegativeFlag", values.NegativeFlag);
  write.Number("GrayScaleFlag", values.GrayScaleFlag);

  write.Text("OUTname", values.OUTname);
  write.Text("OUTfolder", values.OUTfolder);
  write.Number("OUTdatefolder", values.OUTdatefolder);
  write.Number("OUTformat", values.OUTformat);
  write.Number("OUTwidth", values.OUTwidth);
  write.Number("OUTheight", values.OUTheight);
  write.Number("OUToriginal", values.OUToriginal);
  write.Number("OUTnoprop", values.OUTnoprop);
  write.Number("OUTproph", values.OUTproph);
  write.Number("OUTpropw", values.OUTpropw);

  write.Text("FTPserver", kPlaceholderFtpServer);
  write.Number("FTPport", kUnboundFtpPort);
  write.Text("FTPpath", "/");
  write.Text("FTPuser", "anonymous");
  write.Text("FTPpass", ScramblePassword(kPlaceholderGuestPassword));
  write.Number("FTPanon", 1);

  write.Number("ADVempty", values.ADVempty);
  write.Number("ADVpixall", values.ADVpixall);
  write.Number("JPEGquality", record.JPEGquality);

  if (!write.status().ok()) return write.status();
  LoadSettings(store, record);
  return Status::Ok();
}

}  // namespace vr
