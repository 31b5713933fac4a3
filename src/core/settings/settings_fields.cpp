#include <algorithm>
#include <array>
#include <cctype>

#include "settings/settings_record.h"

namespace vr {
namespace {

using R = SettingsRecord;
using Kind = FieldFallback::Kind;

constexpr FieldFallback kKeep{};
constexpr FieldFallback kJoint{Kind::kJoint, 0, {}};
constexpr FieldFallback ZeroBecomes(std::int32_t value) { return {Kind::kNumber, value, {}}; }
constexpr FieldFallback AbsentBecomes(std::int32_t value) { return {Kind::kAbsentNumber, value, {}}; }
constexpr FieldFallback EmptyBecomes(std::string_view text) { return {Kind::kText, 0, text}; }
constexpr FieldFallback kOutputFolder{Kind::kOutputFolder, 0, {}};

constexpr SettingsField Number(std::string_view name, std::int32_t R::*field, int save_rank,
                               FieldFallback fallback = kKeep) {
  return {name, field, nullptr, save_rank, fallback};
}
constexpr SettingsField Text(std::string_view name, std::string R::*field, int save_rank,
                             FieldFallback fallback = kKeep) {
  return {name, nullptr, field, save_rank, fallback};
}

// Name, field, place in the dialog's saving order, fallback. A stored
// "JPEGQ" from old versions is not read: JPEGquality is read after it and
// always replaced it, so it never had an effect.
constexpr std::array kFields = {
    Number("GENextra", &R::GENextra, 0),
    Number("GENgrid", &R::GENgrid, 1),
    Number("WMAreaX", &R::WMAreaX, 3),
    Number("WMAreaY", &R::WMAreaY, 4),
    Number("WMArea", &R::WMArea, 5),
    Number("WMMode", &R::WMMode, 2),
    Number("WMAngle", &R::WMAngle, 6),
    Text("WMFile", &R::WMFile, 8),
    Number("WMOpacity", &R::WMOpacity, 7),
    Number("ImgPreview", &R::ImgPreview, 9),
    Number("NoiseLevel", &R::NoiseLevel, 10),
    Number("BrightnessLevel", &R::BrightnessLevel, 11),
    Number("ContrastLevel", &R::ContrastLevel, 12),
    Number("SaturationLevel", &R::SaturationLevel, 13),
    Number("CorrectionLevel", &R::CorrectionLevel, 14),
    Number("NegativeFlag", &R::NegativeFlag, 15),
    Number("GrayScaleFlag", &R::GrayScaleFlag, 16),
    Text("OUTname", &R::OUTname, 17),
    Number("OUTformat", &R::OUTformat, 20),
    Text("OUTfolder", &R::OUTfolder, 18, kOutputFolder),
    Number("OUTdatefolder", &R::OUTdatefolder, 19),
    Number("OUTwidth", &R::OUTwidth, 21, ZeroBecomes(300)),
    Number("OUTheight", &R::OUTheight, 22, ZeroBecomes(300)),
    Number("OUToriginal", &R::OUToriginal, 23),
    Number("OUTnoprop", &R::OUTnoprop, 24, kJoint),
    Number("OUTpropw", &R::OUTpropw, 26, kJoint),
    Number("OUTproph", &R::OUTproph, 25, kJoint),
    Text("FTPserver", &R::FTPserver, 27, EmptyBecomes(kPlaceholderFtpServer)),
    Number("FTPport", &R::FTPport, 28, ZeroBecomes(21)),
    Text("FTPpath", &R::FTPpath, 29, EmptyBecomes("/")),
    Text("FTPuser", &R::FTPuser, 30, kJoint),
    Text("FTPpass", &R::FTPpass, 31, kJoint),
    Number("FTPanon", &R::FTPanon, 32, kJoint),
    Number("ADVempty", &R::ADVempty, 33),
    Number("ADVpixall", &R::ADVpixall, 34),
    Number("JPEGquality", &R::JPEGquality, 35, AbsentBecomes(kDefaultJpegQuality)),
    // White, as most viewers show transparency; absent from the files of
    // versions that left transparent pixels black.
    Number("OUTbackground", &R::OUTbackground, 36, AbsentBecomes(kDefaultBackground)),
    Number("OUTmetadata", &R::OUTmetadata, 37),
    Number("OUTcolour", &R::OUTcolour, 38),
    Number("OUTkeeptree", &R::OUTkeeptree, 39),
    Number("OUTifexists", &R::OUTifexists, 40),
};

constexpr std::array<const SettingsField*, kFields.size()> SortBySaveRank() {
  std::array<const SettingsField*, kFields.size()> order{};
  for (const SettingsField& field : kFields) order[static_cast<std::size_t>(field.save_rank)] = &field;
  return order;
}

// A rank given twice would leave a hole, which the compiler refuses here.
constexpr std::array kSaveOrder = SortBySaveRank();
static_assert(std::ranges::none_of(kSaveOrder, [](const SettingsField* f) { return f == nullptr; }),
              "every field needs its own place in the saving order");

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::span<const SettingsField> SettingsFields() { return kFields; }

std::span<const SettingsField* const> SettingsFieldsInSaveOrder() { return kSaveOrder; }

const SettingsField* FindSettingsField(std::string_view name) {
  for (const SettingsField& field : kFields)
    if (SameNameIgnoringCase(field.name, name)) return &field;
  return nullptr;
}

}  // namespace vr
