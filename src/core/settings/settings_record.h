// Every option that survives a restart, one field per stored value, each
// named after its value. Numbers are signed 32-bit, texts are UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vr {

struct SettingsRecord {
  std::int32_t GENextra = 0;
  std::int32_t GENgrid = 0;
  std::int32_t WMAreaX = 0;
  std::int32_t WMAreaY = 0;
  std::int32_t WMArea = 0;  // 1..9, numbered down each column, left column first
  std::int32_t WMMode = 0;  // blend mode code
  std::int32_t WMAngle = 0;
  std::string WMFile;
  std::int32_t WMOpacity = 0;
  std::int32_t ImgPreview = 0;
  std::int32_t NoiseLevel = 0;
  std::int32_t BrightnessLevel = 0;
  std::int32_t ContrastLevel = 0;
  std::int32_t SaturationLevel = 0;
  std::int32_t CorrectionLevel = 0;
  std::int32_t NegativeFlag = 0;
  std::int32_t GrayScaleFlag = 0;
  std::string OUTname;
  std::int32_t OUTformat = 0;  // 0 Windows Bitmap, 1 JPEG, 2 PNG
  std::string OUTfolder;
  std::int32_t OUTdatefolder = 0;
  std::int32_t OUTwidth = 0;
  std::int32_t OUTheight = 0;
  std::int32_t OUToriginal = 0;
  std::int32_t OUTnoprop = 0;  // option buttons: 0 off, -1 on
  std::int32_t OUTpropw = 0;
  std::int32_t OUTproph = 0;
  std::string FTPserver;
  std::int32_t FTPport = 0;
  std::string FTPpath;
  std::string FTPuser;
  std::string FTPpass;  // scrambled form, as stored
  std::int32_t FTPanon = 0;
  std::int32_t ADVempty = 0;
  std::int32_t ADVpixall = 0;
  std::int32_t JPEGquality = 0;
  std::int32_t OUTcolour = 0;      // 0 convert to sRGB, 1 keep the picture's profile
  std::int32_t OUTbackground = 0;  // 0x00BBGGRR under transparent pictures saved without alpha
  std::int32_t OUTmetadata = 0;    // what thumbnails keep: 0 nothing, 1 all, 2 all but the location
  std::int32_t OUTkeeptree = 0;    // 1: thumbnails mirror the folders below the one a picture was added from
  std::int32_t OUTifexists = 0;    // a thumbnail already there: 0 overwrite, 1 skip, 2 newer, 3 rename, 4 ask
};

// What loading puts in place of a value the store lacks. A missing value
// reads as 0 or ""; kNumber replaces a 0, kText an empty text and
// kOutputFolder an empty text by the default output folder, stored or not.
// kAbsentNumber replaces only a number the store does not hold (missing, or
// a text), so a stored 0 stays.
// Rules that join several fields (the proportions, the FTP login) are
// applied after the walk and marked kJoint here so the table still says so.
struct FieldFallback {
  enum class Kind { kNone, kNumber, kAbsentNumber, kText, kOutputFolder, kJoint };
  Kind kind = Kind::kNone;
  std::int32_t number = 0;
  std::string_view text;
};

// The one table that maps stored value names to fields. Its order is the
// order loading reads them in; `save_rank` is the place in the order the
// settings dialog's OK writes them. Loading, saving, the command line's --set
// and --show-settings all walk it; code that uses a setting reads the typed
// field.
struct SettingsField {
  std::string_view name;
  std::int32_t SettingsRecord::*number = nullptr;  // exactly one of these is set
  std::string SettingsRecord::*text = nullptr;
  int save_rank = 0;
  FieldFallback fallback;
};

std::span<const SettingsField> SettingsFields();

// The same fields in the order the settings dialog writes them.
std::span<const SettingsField* const> SettingsFieldsInSaveOrder();

// The field of that name, matched without regard to case; nullptr if none.
const SettingsField* FindSettingsField(std::string_view name);

// The JPEG quality of a store that holds none: the JPEG options dialog's
// first value.
inline constexpr std::int32_t kDefaultJpegQuality = 85;
// White (0x00BBGGRR) under transparent pictures written as JPEG.
inline constexpr std::int32_t kDefaultBackground = 0x00FFFFFF;

// Placeholders that fill an empty FTP host and the anonymous login.
inline constexpr std::string_view kPlaceholderFtpServer = "ftp.example.com";
inline constexpr std::string_view kPlaceholderGuestPassword = "guest@example.com";

}  // namespace vr
