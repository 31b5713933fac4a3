// The naming engine as a table: a convention and a source give one file name
// inside the output folder; tokens, longest first, then the fallbacks and
// the unsafe names; the counter moves on once a row and wraps.
#include "thumbnail/naming.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vr {
namespace {

// 5 December 2026, 9:07:30 in the morning; and a date with single digits and
// an afternoon hour, to see padding and the 24-hour clock.
constexpr LocalDateTime kMorning{2026, 12, 5, 9, 7, 30};
constexpr LocalDateTime kAfternoon{2003, 1, 2, 13, 4, 5};
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

struct Case {
  std::string convention, source;
  std::int32_t counter;
  std::string expected;
  LocalDateTime when = kMorning;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << '"' << c.convention << "\" for " << c.source << " #" << c.counter << " -> \"" << c.expected << '"';
}

class NamingTest : public ::testing::TestWithParam<Case> {};

TEST_P(NamingTest, GivesTheRowsNameAndAdvancesTheCounterOnce) {
  NameCounter counter{GetParam().counter};
  EXPECT_EQ(GetOutputName(GetParam().convention, GetBaseName(GetParam().source), counter, GetParam().when),
            GetParam().expected);
  EXPECT_EQ(counter.value, GetParam().counter == kMax ? 0 : GetParam().counter + 1);
}

// The base name drops the folders (dots in them too) and the last extension;
// a leading dot starts a hidden file's name.
// clang-format off
INSTANTIATE_TEST_SUITE_P(BaseNames, NamingTest, ::testing::Values(
    Case{"%o", "/p/my.holiday.photo.jpg", 0, "my.holiday.photo"}, Case{"%o", "/my.pics/README", 0, "README"},
    Case{"%o", "b.jpg", 0, "b"}, Case{"%o", "/p/trailing.", 0, "trailing"}, Case{"%o", "/p/.png", 0, ".png"},
    Case{"%o", "/p/.h.jpg", 0, ".h"}));
// clang-format on

// clang-format off
INSTANTIATE_TEST_SUITE_P(EveryToken, NamingTest, ::testing::Values(
    Case{"%####", "b", 7, "0007"}, Case{"%###", "b", 7, "007"}, Case{"%##", "b", 7, "07"},
    Case{"%ddmmyyyy", "b", 0, "02012003", kAfternoon}, Case{"%ddmmyy", "b", 0, "020103", kAfternoon},
    Case{"%dd_mm_yy", "b", 0, "05_12_2026"}, Case{"%mmddyyyy", "b", 0, "12052026"},
    Case{"%mmddyy", "b", 0, "120526"}, Case{"%mm_dd_yy", "b", 0, "01_02_2003", kAfternoon},
    Case{"%hhmmss", "b", 0, "130405", kAfternoon}, Case{"%hhmm", "b", 0, "0907"},
    Case{"%ddmmyyyy", "b", 0, "01010999", LocalDateTime{999, 1, 1, 0, 0, 0}}));
// clang-format on

// Longer tokens go first, so none is read as a shorter one; capitals are no
// tokens; a counter wider than its token is written in full.
// clang-format off
INSTANTIATE_TEST_SUITE_P(OrderCaseAndWidth, NamingTest, ::testing::Values(
    Case{"%#####", "b", 5, "0005#"}, Case{"%##%###%####", "b", 5, "050050005"},
    Case{"%mmddyyyy%mmddyy", "b", 0, "12052026120526"}, Case{"%hhmms", "b", 0, "0907s"},
    Case{"%ddmmy", "b", 0, "%ddmmy"}, Case{"%dd_mm_yyyy", "b", 0, "05_12_2026yy"}, Case{"%#", "b", 3, "%#"},
    Case{"%O_%o", "Beach", 0, "%O_Beach"}, Case{"%HHMMSS", "b", 0, "%HHMMSS"}, Case{"%##", "b", 100, "100"},
    Case{"%##", "b", kMax, "2147483647"}));
// clang-format on

// The source's name goes in first, so tokens inside it are expanded by the
// later steps; a "%o" inside it stays.
// clang-format off
INSTANTIATE_TEST_SUITE_P(TokensInTheSourceName, NamingTest, ::testing::Values(
    Case{"%o%####", "/p/photo%##.jpg", 0, "photo000000"}, Case{"%o", "shot%hhmm", 0, "shot0907"},
    Case{"%o", "a%o", 0, "a%o"}, Case{"%%o", "##", 3, "03"}, Case{"%o_%###", "%###", 12, "012_012"}));
// clang-format on

// An empty result falls back to the source's name, then to a fixed one;
// nothing may reach outside the output folder or name the folder itself.
// clang-format off
INSTANTIATE_TEST_SUITE_P(FallbacksAndUnsafeNames, NamingTest, ::testing::Values(
    Case{"", "beach", 0, "beach"}, Case{"%o", "/p/", 0, "thumbnail"}, Case{"", "", 0, "thumbnail"},
    Case{"%##_%###", "x", 41, "41_041"}, Case{"sub/%o", "beach", 0, "sub_beach"},
    Case{"../%o", "beach", 0, ".._beach"}, Case{"/etc/passwd", "b", 0, "_etc_passwd"},
    Case{"..", "b", 0, "__"}, Case{".", "b", 0, "_"}, Case{"%o", "/p/...", 0, "__"},
    Case{"...", "b", 0, "..."}, Case{std::string("a\0b", 3), "b", 0, "a_b"}));
// clang-format on

TEST(NamingTest, ARunCountsFromZeroOnePerRowAndTheClockGivesCalendarValues) {
  NameCounter counter;
  std::vector<std::string> names;
  for (const char* convention : {"img%###", "same", "img%###"})
    names.push_back(GetOutputName(convention, "x", counter, kMorning));
  EXPECT_EQ(names, (std::vector<std::string>{"img000", "same", "img002"}));
  const LocalDateTime now = LocalNow();
  EXPECT_GE(now.year, 2024);  // a full year, not years since 1900
  EXPECT_TRUE(now.month >= 1 && now.month <= 12) << "months from 1, not from 0";
}

}  // namespace
}  // namespace vr
