// The settings file in registry export text form:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Software\Corvelle\Varenna Pro]
//   "OUTwidth"=dword:0000012c
//   "OUTname"="thumb_<#>"
//
// A document keeps every line it was given, byte for byte, with its own line
// end, so that changing one value leaves everything else in place: values of
// other kinds (hex(2):..., hex:...), other keys, comments and lines it does
// not understand.
//
// The file itself may be UTF-8, with or without a byte order mark, or
// UTF-16 of either byte order with one (the registry editor's own export);
// RegFile remembers which, so the file is written back as it was found.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "base/text_encoding.h"

namespace vr {

inline constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kSettingsKeyLine = "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]";
// The header of the registry editor's older, 8-bit export form.
inline constexpr std::string_view kOldRegFileHeader = "REGEDIT4";

class RegDocument {
 public:
  // Never fails: what it cannot read, it keeps as text and ignores.
  static RegDocument Parse(std::string_view text);
  std::string Serialize() const;

  // Values under the settings key. Names match without regard to case; when a
  // name appears more than once the last one counts, as an import would have
  // it. A value of another kind reads as missing.
  std::optional<std::int32_t> Number(std::string_view name) const;
  std::optional<std::string> Text(std::string_view name) const;
  // The names of the values under the settings key, of any kind, in file
  // order, duplicates included.
  std::vector<std::string> ValueNames() const;

  // Replaces the value of that name whatever its kind, in the place of its
  // first appearance, and drops its later duplicates; a new name goes at the
  // end of the settings key, which is created when the document lacks it.
  void SetNumber(std::string_view name, std::int32_t value);
  void SetText(std::string_view name, std::string_view text);

 private:
  enum class Kind { kOther, kKey, kNumber, kText, kForeign };
  struct Entry {
    std::string raw;       // the line(s) as read, continuation lines included
    std::string line_end;  // "\n", "\r\n" or "" for a last line without one
    Kind kind = Kind::kOther;
    bool in_settings_key = false;
    std::string name;  // for values
    std::int32_t number = 0;
    std::string text;
  };

  static Entry ParseEntry(std::string raw, std::string line_end, bool in_settings_key);
  const Entry* FindLast(std::string_view name) const;
  void Set(std::string_view name, Entry replacement);
  std::string NewLineEnd() const;

  std::vector<Entry> entries_;
};

// A settings file's document and the encoding it is kept in. A new file is
// UTF-8 without a byte order mark.
struct RegFile {
  RegDocument document;
  TextEncoding encoding = TextEncoding::kUtf8;
};

// Reads a settings file's bytes. Blank text is an empty document. Fails,
// with the reason, when the bytes are not text in one of the encodings or
// do not begin with a registry export header: such a file is not ours to
// append to or rewrite.
Expected<RegFile> ReadRegFile(std::string_view bytes);

// The file's bytes in its own encoding; fails when the document holds text
// that encoding cannot carry.
Expected<std::string> WriteRegFile(const RegFile& file);

}  // namespace vr
