// The thumbnail's size: which flag decides, the other side rounded half to
// even and never below 1, and what cannot be sized failing by name; and the
// rounding itself, for sizes and watermark offsets alike.
#include "thumbnail/size_rule.h"

#include <gtest/gtest.h>

#include <ostream>

#include "base/rounding.h"

namespace vr {
namespace {

struct SizeCase {
  SizeRule rule;
  std::int32_t out_width, out_height, width, height;
  ThumbSize expected;  // 0 x 0: the row fails, naming its file
};

void PrintTo(const SizeCase& c, std::ostream* out) {
  *out << "rule " << static_cast<int>(c.rule) << ", " << c.out_width << "x" << c.out_height << " for "
       << c.width << "x" << c.height << " -> " << c.expected.width << "x" << c.expected.height;
}

// Only -1 sets a flag, and the first set decides.
SettingsRecord WithFlag(SizeRule rule, std::int32_t out_width, std::int32_t out_height) {
  SettingsRecord s;
  s.OUTwidth = out_width;
  s.OUTheight = out_height;
  s.OUTnoprop = rule == SizeRule::kNoProp ? -1 : 1;
  s.OUTpropw = rule == SizeRule::kPropWidth || rule == SizeRule::kNoProp ? -1 : 0;
  s.OUTproph = -1;
  return s;
}

class TargetSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(TargetSizeTest, GivesTheRoundedSizeOrFailsByName) {
  const SizeCase& c = GetParam();
  const SettingsRecord s = WithFlag(c.rule, c.out_width, c.out_height);
  EXPECT_EQ(ChooseSizeRule(s), c.rule);
  Expected<std::optional<ThumbSize>> target = TargetSize(SizeRequestFrom(s), c.width, c.height, "/p/a.jpg");
  if (c.expected == ThumbSize{}) {
    ASSERT_FALSE(target.ok());
    EXPECT_NE(target.message().find("/p/a.jpg"), std::string::npos) << target.message();
  } else {
    ASSERT_TRUE(target.ok()) << target.message();
    EXPECT_EQ(target->value_or(ThumbSize{}), c.expected);
  }
}

// Half pixels go to the even side (50.5 to 50, 51.5 to 52); pictures are
// enlarged and stretched; the other side is never below 1 (0.0007 would be
// 0); a picture of no size, a size outside 1..65535 or 3.6e9 pixels fail,
// and 65535 is still a side, by either rule.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, TargetSizeTest, ::testing::Values(
    SizeCase{SizeRule::kPropWidth, 300, 0, 400, 300, {300, 225}},   SizeCase{SizeRule::kPropWidth, 101, 0, 200, 100, {101, 50}},
    SizeCase{SizeRule::kPropWidth, 103, 0, 200, 100, {103, 52}},    SizeCase{SizeRule::kPropHeight, 0, 200, 300, 400, {150, 200}},
    SizeCase{SizeRule::kPropHeight, 0, 101, 100, 200, {50, 101}},   SizeCase{SizeRule::kPropWidth, 300, 0, 100, 50, {300, 150}},
    SizeCase{SizeRule::kNoProp, 300, 300, 20, 10, {300, 300}},      SizeCase{SizeRule::kPropWidth, 1, 0, 3000, 2, {1, 1}},
    SizeCase{SizeRule::kPropHeight, 0, 1, 2, 3000, {1, 1}},         SizeCase{SizeRule::kPropWidth, 300, 300, 0, 0, {}},
    SizeCase{SizeRule::kPropHeight, 300, 300, 0, 0, {}},            SizeCase{SizeRule::kNoProp, 0, 300, 10, 10, {}},
    SizeCase{SizeRule::kNoProp, -5, 300, 10, 10, {}},               SizeCase{SizeRule::kNoProp, 70000, 300, 10, 10, {}},
    SizeCase{SizeRule::kPropWidth, 60000, 0, 1, 60000, {}},         SizeCase{SizeRule::kNoProp, 65535, 1, 10, 10, {65535, 1}},
    SizeCase{SizeRule::kNoProp, 1, 65536, 10, 10, {}},              SizeCase{SizeRule::kNoProp, 65536, 1, 10, 10, {}},
    SizeCase{SizeRule::kPropHeight, 0, 65535, 3, 65535, {3, 65535}}, SizeCase{SizeRule::kPropHeight, 0, 65536, 3, 65536, {}}));
// clang-format on

TEST(SizeRuleTest, OriginalWinsOverEveryFlag) {
  SettingsRecord s = WithFlag(SizeRule::kNoProp, 300, 300);
  s.OUToriginal = 1;
  Expected<std::optional<ThumbSize>> target = TargetSize(SizeRequestFrom(s), 400, 300, "pic.jpg");
  ASSERT_TRUE(target.ok());
  EXPECT_FALSE(target->has_value());
}

// Rounding to whole numbers: the nearest, an exact half to the even
// neighbour in both signs; beyond int32 clamped, NaN gives 0.
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min(),
                       kMax = std::numeric_limits<std::int32_t>::max();

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  // clang-format off
  const std::pair<double, std::int32_t> cases[] = {
      {0.5, 0},   {1.5, 2},   {2.5, 2},   {2.4999, 2},   {2.5001, 3},   {1e10, kMax},  {2147483646.5, 2147483646},
      {-0.5, 0},  {-1.5, -2}, {-2.5, -2}, {-2.4999, -2}, {-2.5001, -3}, {-1e10, kMin}, {std::nan(""), 0}};
  // clang-format on
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
  // Halving whole numbers is the same rule, done exactly for any 64-bit value.
  for (std::int64_t v = -9; v <= 9; ++v) EXPECT_EQ(HalveToEven(v), RoundHalfEven(v / 2.0)) << v;
  EXPECT_EQ(HalveToEven(INT64_MAX), INT64_MAX / 2 + 1);
  EXPECT_EQ(HalveToEven(INT64_MIN), INT64_MIN / 2);
}

}  // namespace
}  // namespace vr
