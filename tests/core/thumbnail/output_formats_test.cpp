// The table of output formats the command line and the dialog go by: every
// name, stored code, extension and option agrees with the engine and the
// settings table, and the record's options reach the encoders clamped.
#include <gtest/gtest.h>

#include <set>

#include "settings/settings_record.h"
#include "thumbnail/formats.h"

namespace vr {
namespace {

TEST(OutputFormats, NamesCodesAndExtensionsAgree) {
  const std::pair<const char*, std::pair<std::int32_t, const char*>> expected[] = {
      {"bmp", {kFormatBmp, ".bmp"}},    {"jpeg", {kFormatJpeg, ".jpg"}},  {"png", {kFormatPng, ".png"}},
      {"webp", {kFormatWebp, ".webp"}}, {"avif", {kFormatAvif, ".avif"}}, {"jxl", {kFormatJxl, ".jxl"}}};
  std::int32_t stored = 0;
  for (const auto& [name, code_and_extension] : expected) {
    const OutputFormat* format = OutputFormatNamed(name);
    ASSERT_NE(format, nullptr) << name;
    EXPECT_EQ(format->out_format, stored) << name;
    const std::optional<OutputFormat> stored_format = GetOutputFormat(stored);
    ASSERT_TRUE(stored_format.has_value()) << name;
    EXPECT_EQ(*stored_format, *format);
    EXPECT_EQ(std::pair(format->code, std::string(format->extension)),
              std::pair(code_and_extension.first, std::string(code_and_extension.second)));
    ++stored;
  }
  EXPECT_EQ(OutputFormats().size(), std::size(expected));
  EXPECT_EQ(OutputFormatNamed("JPG"), OutputFormatNamed("jpeg"));
  EXPECT_EQ(OutputFormatNamed("heic"), nullptr);  // read, never written
  for (const std::int32_t unknown : {-1, 6, 9}) EXPECT_FALSE(GetOutputFormat(unknown).has_value()) << unknown;
}

// Every option a format names is a stored value, and no two formats share one.
TEST(OutputFormats, TheirOptionsAreStoredValues) {
  std::set<std::string_view> seen;
  for (const OutputFormat& format : OutputFormats()) {
    std::vector<std::string_view> fields(format.option_fields.begin(), format.option_fields.end());
    fields.push_back(format.quality_field);
    for (std::string_view field : fields) {
      if (field.empty()) continue;
      EXPECT_NE(FindSettingsField(field), nullptr) << field;
      EXPECT_TRUE(seen.insert(field).second) << field;
    }
  }
  EXPECT_EQ(seen.size(), 7u);
}

TEST(OutputFormats, OptionsComeFromTheRecordWithinTheirRanges) {
  SettingsRecord s;
  s.WEBPquality = 120;
  s.WEBPlossless = 1;
  s.AVIFquality = -4;
  s.AVIFspeed = 11;
  s.JXLquality = 55;
  s.JXLeffort = 0;
  const EncodeOptions options = EncodeOptionsFrom(s);
  EXPECT_EQ(options.webp.quality, 100);
  EXPECT_TRUE(options.webp.lossless);
  EXPECT_EQ(options.avif.quality, 0);
  EXPECT_EQ(options.avif.speed, 10);
  EXPECT_EQ(options.jxl.quality, 55);
  EXPECT_EQ(options.jxl.effort, 1);
}

}  // namespace
}  // namespace vr
