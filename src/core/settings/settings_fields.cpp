#include <algorithm>
#include <array>
#include <cctype>

#include "settings/settings_record.h"

namespace vr {
namespace {

using R = SettingsRecord;

constexpr SettingsField Number(std::string_view name, std::int32_t R::*field) {
  return {name, field, nullptr};
}
constexpr SettingsField Text(std::string_view name, std::string R::*field) { return {name, nullptr, field}; }

constexpr std::array kFields = {
    Number("GENextra", &R::GENextra),
    Number("GENgrid", &R::GENgrid),
    Number("WMAreaX", &R::WMAreaX),
    Number("WMAreaY", &R::WMAreaY),
    Number("WMArea", &R::WMArea),
    Number("WMMode", &R::WMMode),
    Number("WMAngle", &R::WMAngle),
    Text("WMFile", &R::WMFile),
    Number("WMOpacity", &R::WMOpacity),
    Number("ImgPreview", &R::ImgPreview),
    Number("NoiseLevel", &R::NoiseLevel),
    Number("BrightnessLevel", &R::BrightnessLevel),
    Number("ContrastLevel", &R::ContrastLevel),
    Number("SaturationLevel", &R::SaturationLevel),
    Number("CorrectionLevel", &R::CorrectionLevel),
    Number("NegativeFlag", &R::NegativeFlag),
    Number("GrayScaleFlag", &R::GrayScaleFlag),
    Text("OUTname", &R::OUTname),
    Number("OUTformat", &R::OUTformat),
    Text("OUTfolder", &R::OUTfolder),
    Number("OUTdatefolder", &R::OUTdatefolder),
    Number("OUTwidth", &R::OUTwidth),
    Number("OUTheight", &R::OUTheight),
    Number("OUToriginal", &R::OUToriginal),
    Number("OUTnoprop", &R::OUTnoprop),
    Number("OUTpropw", &R::OUTpropw),
    Number("OUTproph", &R::OUTproph),
    Text("FTPserver", &R::FTPserver),
    Number("FTPport", &R::FTPport),
    Text("FTPpath", &R::FTPpath),
    Text("FTPuser", &R::FTPuser),
    Text("FTPpass", &R::FTPpass),
    Number("FTPanon", &R::FTPanon),
    Number("ADVempty", &R::ADVempty),
    Number("ADVpixall", &R::ADVpixall),
    Number("JPEGquality", &R::JPEGquality),
};

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::span<const SettingsField> SettingsFields() { return kFields; }

const SettingsField* FindSettingsField(std::string_view name) {
  for (const SettingsField& field : kFields)
    if (SameNameIgnoringCase(field.name, name)) return &field;
  return nullptr;
}

}  // namespace vr
