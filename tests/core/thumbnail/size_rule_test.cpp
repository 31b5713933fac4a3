#include "thumbnail/size_rule.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

namespace vr {
namespace {

enum class Flag { kNoProp, kPropWidth, kPropHeight };

struct SizeCase {
  Flag flag;
  std::int32_t out_width, out_height;
  std::int32_t width, height;
  ThumbSize expected;
};

void PrintTo(const SizeCase& c, std::ostream* out) {
  *out << "flag " << static_cast<int>(c.flag) << ", OUTwidth " << c.out_width << ", OUTheight "
       << c.out_height << ", picture " << c.width << "x" << c.height << " -> " << c.expected.width << "x"
       << c.expected.height;
}

SettingsRecord WithFlag(Flag flag, std::int32_t out_width, std::int32_t out_height) {
  SettingsRecord s;
  s.OUTwidth = out_width;
  s.OUTheight = out_height;
  s.OUTnoprop = flag == Flag::kNoProp ? -1 : 0;
  s.OUTpropw = flag == Flag::kPropWidth ? -1 : 0;
  s.OUTproph = flag == Flag::kPropHeight ? -1 : 0;
  return s;
}

class TargetSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(TargetSizeTest, GivesTheRoundedSize) {
  const SizeCase& c = GetParam();
  Expected<std::optional<ThumbSize>> target =
      TargetSize(SizeRequestFrom(WithFlag(c.flag, c.out_width, c.out_height)), c.width, c.height, "pic.jpg");
  ASSERT_TRUE(target.ok()) << target.message();
  ASSERT_TRUE(target->has_value());
  EXPECT_EQ(target->value(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rounding, TargetSizeTest,
    ::testing::Values(SizeCase{Flag::kPropWidth, 300, 0, 400, 300, {300, 225}},
                      SizeCase{Flag::kPropWidth, 101, 0, 200, 100, {101, 50}},  // 50.5 to the even 50
                      SizeCase{Flag::kPropWidth, 103, 0, 200, 100, {103, 52}},  // 51.5 to 52
                      SizeCase{Flag::kPropHeight, 0, 200, 300, 400, {150, 200}},
                      SizeCase{Flag::kPropHeight, 0, 101, 100, 200, {50, 101}},  // 50.5 to 50
                      SizeCase{Flag::kPropWidth, 300, 0, 6000, 4000, {300, 200}},
                      SizeCase{Flag::kPropWidth, 300, 0, 100, 50, {300, 150}},  // enlarged
                      SizeCase{Flag::kNoProp, 300, 300, 20, 10, {300, 300}},    // stretched and enlarged
                      SizeCase{Flag::kPropWidth, 1, 0, 3000, 2, {1, 1}}));      // 0.0007 would be 0

TEST(SizeRuleTest, OriginalWinsOverEveryFlag) {
  SettingsRecord s = WithFlag(Flag::kNoProp, 300, 300);
  s.OUTpropw = -1;
  s.OUTproph = -1;
  s.OUToriginal = 1;
  EXPECT_EQ(ChooseSizeRule(s), SizeRule::kOriginal);
  Expected<std::optional<ThumbSize>> target = TargetSize(SizeRequestFrom(s), 400, 300, "pic.jpg");
  ASSERT_TRUE(target.ok());
  EXPECT_FALSE(target->has_value());
}

TEST(SizeRuleTest, TheFirstFlagSetDecidesAndOnlyMinusOneCounts) {
  SettingsRecord s = WithFlag(Flag::kPropHeight, 300, 200);
  s.OUTnoprop = 1;  // a check-box style 1 is not the option's -1
  EXPECT_EQ(ChooseSizeRule(s), SizeRule::kPropHeight);
  s.OUTpropw = -1;
  EXPECT_EQ(ChooseSizeRule(s), SizeRule::kPropWidth);
  s.OUTnoprop = -1;
  EXPECT_EQ(ChooseSizeRule(s), SizeRule::kNoProp);
}

TEST(SizeRuleTest, APictureOfSizeZeroFailsByNameInsteadOfDividing) {
  for (Flag flag : {Flag::kPropWidth, Flag::kPropHeight}) {
    Expected<std::optional<ThumbSize>> target =
        TargetSize(SizeRequestFrom(WithFlag(flag, 300, 300)), 0, 0, "/p/broken.jpg");
    ASSERT_FALSE(target.ok());
    EXPECT_NE(target.message().find("/p/broken.jpg"), std::string::npos) << target.message();
  }
}

TEST(SizeRuleTest, ATargetOutsideTheEngineLimitsFails) {
  EXPECT_FALSE(TargetSize(SizeRequestFrom(WithFlag(Flag::kNoProp, 0, 300)), 10, 10, "a.png").ok());
  EXPECT_FALSE(TargetSize(SizeRequestFrom(WithFlag(Flag::kNoProp, -5, 300)), 10, 10, "a.png").ok());
  EXPECT_FALSE(TargetSize(SizeRequestFrom(WithFlag(Flag::kNoProp, 70000, 300)), 10, 10, "a.png").ok());
  EXPECT_FALSE(TargetSize(SizeRequestFrom(WithFlag(Flag::kPropWidth, 60000, 0)), 1, 60000, "a.png")
                   .ok());  // 3.6e9 pixels
}

}  // namespace
}  // namespace vr
