// The progress bar's rules: the percentage it shows (floored, held to
// 0..100), which pixels the bar fills (halves to even) and its 16-bit
// values. Loading stored settings is checked through the progress window,
// its one user.
#include "widgets/percent_bar.h"

#include <gtest/gtest.h>

#include "widgets/percent_bar_math.h"
#include "widgets/property_error.h"

namespace vr {
namespace {

struct PercentCase {
  std::int32_t value;
  std::int32_t max;
  int expected;
};

class PercentageTest : public testing::TestWithParam<PercentCase> {};

TEST_P(PercentageTest, FloorsTheQuotientAndHoldsItTo0To100) {
  EXPECT_EQ(percent_bar::Percentage(GetParam().value, GetParam().max), GetParam().expected)
      << GetParam().value << " of " << GetParam().max;
}

INSTANTIATE_TEST_SUITE_P(Table, PercentageTest,
                         testing::Values(
                             // The quotient lands just under the exact value, so the floor drops one.
                             PercentCase{29, 100, 28}, PercentCase{57, 100, 56}, PercentCase{2, 3, 66},
                             PercentCase{-5, -10, 50}, PercentCase{37, 0, 0}, PercentCase{-1, 100, 0},
                             PercentCase{5, -10, 0}, PercentCase{32767, 1, 100}));

struct FillCase {
  std::int32_t orientation;
  int width;
  int height;
  int percent;
  QRect filled;
};

class FillAreaTest : public testing::TestWithParam<FillCase> {};

TEST_P(FillAreaTest, BarGrowsFromItsEdge) {
  const FillCase& c = GetParam();
  const QRect got =
      percent_bar::FillArea(percent_bar::CornersFor(c.orientation, c.width, c.height, c.percent));
  EXPECT_EQ(got.isEmpty() ? QRect() : got, c.filled);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FillAreaTest,
    testing::Values(FillCase{3, 200, 40, 25, QRect(0, 0, 50, 40)},
                    FillCase{3, 200, 40, 100, QRect(0, 0, 200, 40)}, FillCase{3, 200, 40, 0, QRect()},
                    // 2.5 -> 2, 3.5 -> 4.
                    FillCase{3, 10, 4, 25, QRect(0, 0, 2, 4)}, FillCase{3, 14, 4, 25, QRect(0, 0, 4, 4)},
                    FillCase{1, 200, 40, 25, QRect(0, 0, 200, 10)}, FillCase{4, 10, 4, 25, QRect(8, 0, 2, 4)},
                    FillCase{2, 4, 10, 25, QRect(0, 8, 4, 2)}, FillCase{5, 200, 40, 50, QRect()}));

TEST(PercentBarTest, EveryWriteRedrawsAtOnce) {
  PercentBar bar;
  bar.SetValue(29);
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("28%"));
  bar.SetMax(10);
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("100%"));
  bar.SetCaption(QStringLiteral("Scanning"));
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("Scanning (100%)"));
}

TEST(PercentBarTest, ValuesBeyond16BitsFailAndTheOldPictureStays) {
  PercentBar bar;
  bar.resize(120, 20);
  bar.SetValue(30);
  const QImage before = bar.Buffer().copy();
  for (auto [max, value] : {std::pair{false, 32768}, std::pair{false, -32769}, std::pair{true, 40000}}) {
    try {
      max ? bar.SetMax(value) : bar.SetValue(value);
      ADD_FAILURE() << "no error for " << value;
    } catch (const PropertyError& error) {
      EXPECT_EQ(error.number(), PropertyError::kOverflow);
    }
  }
  EXPECT_EQ(bar.Value(), 30);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Buffer(), before);
}

}  // namespace
}  // namespace vr
