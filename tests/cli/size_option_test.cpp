// --size and --crop as the settings they stand for: each geometry sets every
// size setting, so none left in a settings file mixes in, and chooses the
// rule and limit its form names; anything else is refused by its value.
#include "cli/size_option.h"

#include <gtest/gtest.h>

#include "cli/batch_options.h"
#include "cli/option_values.h"
#include "thumbnail/size_rule.h"

namespace vr {
namespace {

// A record with every size setting set otherwise, then --size applied.
Expected<SettingsRecord> Sized(const std::string& geometry) {
  SettingsRecord record;
  record.OUToriginal = 1;
  record.OUTnoprop = record.OUTpropw = record.OUTproph = -1;
  record.OUTfit = 2;
  record.OUTenlarge = 2;
  record.OUTwidth = record.OUTheight = 77;
  VR_TRY_ASSIGN(const SettingOverrides overrides, SizeOverrides(geometry));
  for (const auto& [name, value] : overrides) VR_TRY(ApplySettingOverride(record, name, value));
  return record;
}

struct GeometryCase {
  const char* geometry;
  SizeRule rule;
  ScaleLimit limit;
  std::int32_t width, height;  // 77 where the geometry leaves the side alone
};

class SizeOptionTest : public testing::TestWithParam<GeometryCase> {};

TEST_P(SizeOptionTest, SetsTheRuleTheLimitAndTheSides) {
  const GeometryCase& c = GetParam();
  Expected<SettingsRecord> record = Sized(c.geometry);
  ASSERT_TRUE(record.ok()) << record.message();
  const SizeRequest request = SizeRequestFrom(*record);
  EXPECT_EQ(request.rule, c.rule);
  EXPECT_EQ(request.limit, c.limit);
  EXPECT_EQ(request.width, c.width);
  EXPECT_EQ(request.height, c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Geometries, SizeOptionTest,
    testing::Values(GeometryCase{"300x200", SizeRule::kFit, ScaleLimit::kAny, 300, 200},
                    GeometryCase{"256x256^", SizeRule::kFill, ScaleLimit::kAny, 256, 256},
                    GeometryCase{"1024x1024>", SizeRule::kFit, ScaleLimit::kShrinkOnly, 1024, 1024},
                    GeometryCase{"640x480!", SizeRule::kNoProp, ScaleLimit::kAny, 640, 480},
                    GeometryCase{"640x480!<", SizeRule::kNoProp, ScaleLimit::kEnlargeOnly, 640, 480},
                    GeometryCase{"256x256^>", SizeRule::kFill, ScaleLimit::kShrinkOnly, 256, 256},
                    GeometryCase{"300", SizeRule::kPropWidth, ScaleLimit::kAny, 300, 77},
                    GeometryCase{"300x", SizeRule::kPropWidth, ScaleLimit::kAny, 300, 77},
                    GeometryCase{"x120>", SizeRule::kPropHeight, ScaleLimit::kShrinkOnly, 77, 120},
                    GeometryCase{"65535x1", SizeRule::kFit, ScaleLimit::kAny, 65535, 1}));

TEST(SizeOptionRefusals, NameTheValue) {
  for (const char* bad : {"", "x", "300x200x1", "0x10", "65536x10", "10x-5", "ax3", "300!", "x200^",
                          "300x200>>", "300 x 200", "99999999999x1"}) {
    const Expected<SettingOverrides> overrides = SizeOverrides(bad);
    ASSERT_FALSE(overrides.ok()) << bad;
    EXPECT_NE(overrides.message().find("\"" + std::string(bad) + "\""), std::string::npos)
        << overrides.message();
  }
}

// In turn with --set: the later one wins, whichever it is.
TEST(SizeOptionOrder, IsTakenInTurnWithTheSetOptions) {
  Expected<BatchOptions> options = ParseBatchOptions(
      {"--set", "OUTfit=0", "-s", "100x50^", "--crop", "attention", "--set", "OUTwidth=60", "a.jpg"});
  ASSERT_TRUE(options.ok()) << options.message();
  SettingsRecord record;
  for (const auto& [name, value] : options->overrides)
    ASSERT_TRUE(ApplySettingOverride(record, name, value).ok());
  EXPECT_EQ(record.OUTfit, 2);
  EXPECT_EQ(record.OUTcrop, 1);
  EXPECT_EQ(record.OUTwidth, 60);
  EXPECT_EQ(record.OUTheight, 50);
  EXPECT_FALSE(ParseBatchOptions({"--crop", "smart"}).ok());
  EXPECT_TRUE(ParseBatchOptions({"--crop", "center"}).ok());
}

}  // namespace
}  // namespace vr
