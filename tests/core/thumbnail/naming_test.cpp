// The naming convention's rules: base names, tokens and their order, the
// counter over a run, and names that stay inside the output folder.
#include "thumbnail/naming.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace vr {
namespace {

// 5 December 2026, 9:07:30 in the morning; and a date with single digits
// and an afternoon hour, to see padding and the 24-hour clock.
constexpr LocalDateTime kMorning{2026, 12, 5, 9, 7, 30};
constexpr LocalDateTime kAfternoon{2003, 1, 2, 13, 4, 5};
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

struct Case {
  std::string input;  // a path for base names, a convention otherwise
  std::string base;   // the base name the convention gets
  std::int32_t counter;
  std::string expected;
  LocalDateTime when = kMorning;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << '"' << c.input << "\" base \"" << c.base << "\" #" << c.counter << " -> \"" << c.expected << '"';
}

class BaseNameTest : public ::testing::TestWithParam<Case> {};

TEST_P(BaseNameTest, DropsFoldersAndTheLastExtension) {
  EXPECT_EQ(GetBaseName(GetParam().input), GetParam().expected);
}

// A dot in a folder is no extension; a leading dot starts a hidden file's name.
INSTANTIATE_TEST_SUITE_P(Paths, BaseNameTest,
                         ::testing::Values(Case{"/pics/my.holiday.photo.jpg", "", 0, "my.holiday.photo"},
                                           Case{"/my.pics/README", "", 0, "README"},
                                           Case{"beach.jpg", "", 0, "beach"},
                                           Case{"/pics/trailing.", "", 0, "trailing"},
                                           Case{"/pics/", "", 0, ""}, Case{"/pics/.png", "", 0, ".png"},
                                           Case{"/pics/.hidden.jpg", "", 0, ".hidden"},
                                           Case{"/pics/...", "", 0, ".."}));

class ExpandTest : public ::testing::TestWithParam<Case> {};

TEST_P(ExpandTest, ReplacesEveryTokenAndLeavesTheCounterAlone) {
  const Case& c = GetParam();
  EXPECT_EQ(ExpandNamingConvention(c.input, c.base, c.counter, c.when), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryToken, ExpandTest,
    ::testing::Values(Case{"%o", "beach", 7, "beach"}, Case{"%####", "b", 7, "0007"},
                      Case{"%###", "b", 7, "007"}, Case{"%##", "b", 7, "07"},
                      Case{"%ddmmyyyy", "b", 0, "02012003", kAfternoon},
                      Case{"%ddmmyy", "b", 0, "020103", kAfternoon}, Case{"%dd_mm_yy", "b", 0, "05_12_2026"},
                      Case{"%mmddyyyy", "b", 0, "12052026"}, Case{"%mmddyy", "b", 0, "120526"},
                      Case{"%mm_dd_yy", "b", 0, "01_02_2003", kAfternoon},
                      Case{"%hhmmss", "b", 0, "130405", kAfternoon}, Case{"%hhmm", "b", 0, "0907"},
                      Case{"%ddmmyyyy", "b", 0, "01010999", LocalDateTime{999, 1, 1, 0, 0, 0}}));

// Longer tokens go first, so none is read as a shorter one; capitals are
// no tokens; a counter wider than its token is written in full.
INSTANTIATE_TEST_SUITE_P(
    OrderCaseAndWidth, ExpandTest,
    ::testing::Values(Case{"%#####", "b", 5, "0005#"}, Case{"%##%###%####", "b", 5, "050050005"},
                      Case{"%mmddyyyy%mmddyy", "b", 0, "12052026120526"}, Case{"%hhmms", "b", 0, "0907s"},
                      Case{"%ddmmy", "b", 0, "%ddmmy"}, Case{"%dd_mm_yyyy", "b", 0, "05_12_2026yy"},
                      Case{"%#", "b", 3, "%#"}, Case{"%", "b", 0, "%"}, Case{"%O_%o", "Beach", 0, "%O_Beach"},
                      Case{"%HHMMSS", "b", 0, "%HHMMSS"}, Case{"%##", "b", 100, "100"},
                      Case{"%####", "b", 12345, "12345"}, Case{"%##", "b", kMax, "2147483647"}));

// The source's name goes in first, so tokens inside it are expanded by the
// later steps; a "%o" inside it stays.
INSTANTIATE_TEST_SUITE_P(TokensInTheSourceName, ExpandTest,
                         ::testing::Values(Case{"%o%####", "photo%##", 0, "photo000000"},
                                           Case{"%o", "shot%hhmm", 0, "shot0907"},
                                           Case{"%o", "a%o", 0, "a%o"}, Case{"%%o", "##", 3, "03"},
                                           Case{"%o_%###", "%###", 12, "012_012"}));

class OutputNameTest : public ::testing::TestWithParam<Case> {};

TEST_P(OutputNameTest, IsOneFileNameInTheOutputFolderAndAdvancesTheCounterOnce) {
  NameCounter counter{GetParam().counter};
  EXPECT_EQ(GetOutputName(GetParam().input, GetParam().base, counter, kMorning), GetParam().expected);
  EXPECT_EQ(counter.value, GetParam().counter + 1);
}

// An empty result falls back to the source's name, then to a fixed one;
// nothing may reach outside the output folder or name the folder itself.
INSTANTIATE_TEST_SUITE_P(
    FallbacksAndUnsafeNames, OutputNameTest,
    ::testing::Values(Case{"", "beach", 0, "beach"}, Case{"%o", "", 0, "thumbnail"},
                      Case{"", "", 0, "thumbnail"}, Case{"%##", "", 4, "04"},
                      Case{"%##_%###", "x", 41, "41_041"}, Case{"sub/%o", "beach", 0, "sub_beach"},
                      Case{"../%o", "beach", 0, ".._beach"}, Case{"/etc/passwd", "b", 0, "_etc_passwd"},
                      Case{"..", "b", 0, "__"}, Case{".", "b", 0, "_"}, Case{"%o", "..", 0, "__"},
                      Case{"", "a/b", 0, "a_b"}, Case{"...", "b", 0, "..."},
                      Case{std::string("a\0b", 3), "b", 0, "a_b"}));

TEST(NameCounterTest, ARunCountsFromZeroOnePerRowAndWrapsInsteadOfOverflowing) {
  NameCounter counter;
  std::vector<std::string> names;
  for (const char* convention : {"img%###", "same", "img%###"})
    names.push_back(GetOutputName(convention, "x", counter, kMorning));
  EXPECT_EQ(names, (std::vector<std::string>{"img000", "same", "img002"}));
  counter.Reset();
  EXPECT_EQ(GetOutputName("img%###", "x", counter, kMorning), "img000");

  counter.value = kMax;
  EXPECT_EQ(GetOutputName("%##", "x", counter, kMorning), "2147483647");
  EXPECT_EQ(GetOutputName("%##", "x", counter, kMorning), "00");
}

TEST(LocalNowTest, FieldsAreCalendarValues) {
  const LocalDateTime now = LocalNow();
  EXPECT_GE(now.year, 2024);  // a full year, not years since 1900
  EXPECT_GE(now.month, 1);    // months from 1, not from 0
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.hour, 23);
}

}  // namespace
}  // namespace vr
