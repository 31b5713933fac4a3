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

constexpr ValueRange kCheckBox{0, 1};
constexpr ValueRange kOptionButton{-1, 0};
// Up to the largest side the engine makes; 0 is filled in only on loading.
constexpr ValueRange kSide{1, 65535};

constexpr SettingsField Number(std::string_view name, std::int32_t R::*field, int save_rank, ValueRange range,
                               FieldFallback fallback = kKeep) {
  return {name, field, nullptr, save_rank, fallback, range};
}
constexpr SettingsField Text(std::string_view name, std::string R::*field, int save_rank,
                             FieldFallback fallback = kKeep) {
  return {name, nullptr, field, save_rank, fallback, {}};
}

// Name, field, place in the dialog's saving order, range (numbers),
// fallback. The ranges are the dialog's where a build depends on them, and
// for the sides the engine's limit. A stored
// "JPEGQ" from old versions is not read: JPEGquality is read after it and
// always replaced it, so it never had an effect.
constexpr std::array kFields = {
    Number("GENextra", &R::GENextra, 0, kCheckBox),
    Number("GENgrid", &R::GENgrid, 1, kCheckBox),
    Number("WMAreaX", &R::WMAreaX, 3, {0, 180}),
    Number("WMAreaY", &R::WMAreaY, 4, {0, 180}),
    Number("WMArea", &R::WMArea, 5, {0, 9}),
    Number("WMMode", &R::WMMode, 2, {0, 9}),  // 9 "Normal"
    Number("WMAngle", &R::WMAngle, 6, {0, 359}),
    Text("WMFile", &R::WMFile, 8),
    Number("WMOpacity", &R::WMOpacity, 7, {0, 100}),
    Number("ImgPreview", &R::ImgPreview, 9, kCheckBox),
    Number("NoiseLevel", &R::NoiseLevel, 10, {0, 255}),
    Number("BrightnessLevel", &R::BrightnessLevel, 11, {-255, 255}),
    Number("ContrastLevel", &R::ContrastLevel, 12, {-255, 255}),
    Number("SaturationLevel", &R::SaturationLevel, 13, {0, 255}),
    Number("CorrectionLevel", &R::CorrectionLevel, 14, {0, 100}),
    Number("NegativeFlag", &R::NegativeFlag, 15, kCheckBox),
    Number("GrayScaleFlag", &R::GrayScaleFlag, 16, kCheckBox),
    Text("OUTname", &R::OUTname, 17),
    Number("OUTformat", &R::OUTformat, 20, {0, 5}),
    Text("OUTfolder", &R::OUTfolder, 18, kOutputFolder),
    Number("OUTdatefolder", &R::OUTdatefolder, 19, kCheckBox),
    Number("OUTwidth", &R::OUTwidth, 21, kSide, ZeroBecomes(300)),
    Number("OUTheight", &R::OUTheight, 22, kSide, ZeroBecomes(300)),
    Number("OUToriginal", &R::OUToriginal, 23, kCheckBox),
    Number("OUTnoprop", &R::OUTnoprop, 24, kOptionButton, kJoint),
    Number("OUTpropw", &R::OUTpropw, 26, kOptionButton, kJoint),
    Number("OUTproph", &R::OUTproph, 25, kOptionButton, kJoint),
    Text("FTPserver", &R::FTPserver, 27, EmptyBecomes(kPlaceholderFtpServer)),
    Number("FTPport", &R::FTPport, 28, {0, 65535}, ZeroBecomes(21)),
    Text("FTPpath", &R::FTPpath, 29, EmptyBecomes("/")),
    Text("FTPuser", &R::FTPuser, 30, kJoint),
    Text("FTPpass", &R::FTPpass, 31, kJoint),
    Number("FTPanon", &R::FTPanon, 32, kCheckBox, kJoint),
    Number("ADVempty", &R::ADVempty, 33, kCheckBox),
    Number("ADVpixall", &R::ADVpixall, 34, kCheckBox),
    Number("JPEGquality", &R::JPEGquality, 35, {0, 100}, AbsentBecomes(kDefaultJpegQuality)),
    // White, as most viewers show transparency; absent from the files of
    // versions that left transparent pixels black.
    Number("OUTbackground", &R::OUTbackground, 36, {0, 0xFFFFFF}, AbsentBecomes(kDefaultBackground)),
    Number("OUTmetadata", &R::OUTmetadata, 37, {0, 2}),
    Number("OUTcolour", &R::OUTcolour, 38, {0, 1}),
    // Absent from older files, whose four size options then decide alone.
    Number("OUTfit", &R::OUTfit, 39, {0, 2}),
    Number("OUTcrop", &R::OUTcrop, 40, {0, 1}),
    Number("OUTenlarge", &R::OUTenlarge, 41, {0, 2}),
    Number("OUTsharpen", &R::OUTsharpen, 42, {0, 3}),
    Number("WMSize", &R::WMSize, 43, {0, 100}),
    Number("WMMargin", &R::WMMargin, 44, {0, 1000}),
    Text("WMText", &R::WMText, 45),
    Text("WMTextFont", &R::WMTextFont, 46),
    Number("WMTextSize", &R::WMTextSize, 47, {1, 100}, AbsentBecomes(kDefaultTextSize)),
    Number("WMTextColour", &R::WMTextColour, 48, {0, 0xFFFFFF}, AbsentBecomes(kDefaultTextColour)),
    Number("WMTextOpacity", &R::WMTextOpacity, 49, {0, 100}, AbsentBecomes(kDefaultTextOpacity)),
    Number("WMTextArea", &R::WMTextArea, 50, {1, 9}, AbsentBecomes(kDefaultTextArea)),
    // The choice last made in Add from Folder's dialog; absent, only the
    // folder itself is searched, as before the choice existed.
    Number("GENsubfolders", &R::GENsubfolders, 51, kCheckBox),
    Number("WEBPquality", &R::WEBPquality, 52, {0, 100}, AbsentBecomes(kDefaultWebpQuality)),
    Number("WEBPlossless", &R::WEBPlossless, 53, kCheckBox),
    Number("AVIFquality", &R::AVIFquality, 54, {0, 100}, AbsentBecomes(kDefaultAvifQuality)),
    Number("AVIFspeed", &R::AVIFspeed, 55, {0, 10}, AbsentBecomes(kDefaultAvifSpeed)),
    Number("JXLquality", &R::JXLquality, 56, {0, 100}, AbsentBecomes(kDefaultJxlQuality)),
    Number("JXLeffort", &R::JXLeffort, 57, {1, 9}, AbsentBecomes(kDefaultJxlEffort)),
    Number("OUTkeeptree", &R::OUTkeeptree, 58, kCheckBox),
    // 4 asks, in the windows; the command line takes it as skip.
    Number("OUTifexists", &R::OUTifexists, 59, {0, 4}),
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
