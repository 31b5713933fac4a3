// Every option that survives a restart, one field per stored value, each
// named after its value. Numbers are signed 32-bit, texts are UTF-8.
#pragma once

#include <cstdint>
#include <limits>
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
  std::int32_t OUTformat = 0;  // 0 Windows Bitmap, 1 JPEG, 2 PNG, 3 WebP, 4 AVIF, 5 JPEG XL
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
  std::int32_t OUTfit = 0;   // 0 the size options above, 1 fit inside OUTwidth x OUTheight, 2 fill and crop
  std::int32_t OUTcrop = 0;  // where fill crops: 0 the middle, 1 where the detail is
  std::int32_t OUTenlarge = 0;     // 0 scale either way, 1 never enlarge, 2 only enlarge
  std::int32_t OUTsharpen = 0;     // after the shrink: 0 none, 1 light, 2 medium, 3 strong
  std::int32_t WMSize = 0;         // watermark width in percent of the picture's; 0 its own size
  std::int32_t WMMargin = 0;       // pixels between the watermarks and the edges they sit at
  std::string WMText;              // the text watermark, with naming tokens; empty for none
  std::string WMTextFont;          // a family name or fontconfig pattern; empty for the default sans
  std::int32_t WMTextSize = 0;     // the text's size in percent of the thumbnail's height
  std::int32_t WMTextColour = 0;   // 0x00BBGGRR
  std::int32_t WMTextOpacity = 0;  // percent
  std::int32_t WMTextArea = 0;     // 1..9, as WMArea
  std::int32_t GENsubfolders = 0;  // Add from Folder's "Include sub-folders": 1 on
  std::int32_t WEBPquality = 0;    // 0..100
  std::int32_t WEBPlossless = 0;   // 0 lossy, 1 lossless
  std::int32_t AVIFquality = 0;    // 0..100
  std::int32_t AVIFspeed = 0;      // 0 slowest .. 10 fastest
  std::int32_t JXLquality = 0;     // 0..100, 100 lossless
  std::int32_t JXLeffort = 0;      // 1 fastest .. 9
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

// The values a number field may hold for a build, both ends included.
// Loading keeps whatever the store holds; a run checks the record against
// these before its first row (value_ranges.h).
struct ValueRange {
  std::int32_t min = std::numeric_limits<std::int32_t>::min();
  std::int32_t max = std::numeric_limits<std::int32_t>::max();
  bool Holds(std::int32_t value) const { return value >= min && value <= max; }
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
  ValueRange range;  // number fields: the values a build accepts
};

std::span<const SettingsField> SettingsFields();

// The same fields in the order the settings dialog writes them.
std::span<const SettingsField* const> SettingsFieldsInSaveOrder();

// The field of that name, matched without regard to case; nullptr if none.
const SettingsField* FindSettingsField(std::string_view name);

// The JPEG quality of a store that holds none: the JPEG options dialog's
// first value.
inline constexpr std::int32_t kDefaultJpegQuality = 85;
// The newer formats' options in a store that holds none: each library's
// own usual setting (cjxl's distance 1 is quality 90).
inline constexpr std::int32_t kDefaultWebpQuality = 80;
inline constexpr std::int32_t kDefaultAvifQuality = 60;
inline constexpr std::int32_t kDefaultAvifSpeed = 6;
inline constexpr std::int32_t kDefaultJxlQuality = 90;
inline constexpr std::int32_t kDefaultJxlEffort = 7;
// White (0x00BBGGRR) under transparent pictures written as JPEG.
inline constexpr std::int32_t kDefaultBackground = 0x00FFFFFF;
// The text watermark of a store that holds none of its values: white, fully
// opaque, a twentieth of the height, bottom right.
inline constexpr std::int32_t kDefaultTextColour = 0x00FFFFFF;
inline constexpr std::int32_t kDefaultTextOpacity = 100;
inline constexpr std::int32_t kDefaultTextSize = 5;
inline constexpr std::int32_t kDefaultTextArea = 9;

// Placeholders that fill an empty FTP host and the anonymous login.
inline constexpr std::string_view kPlaceholderFtpServer = "ftp.example.com";
inline constexpr std::string_view kPlaceholderGuestPassword = "guest@example.com";

}  // namespace vr
