#include "thumbnail/naming.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace vr {
namespace {

// 5 December 2026, 9:07:30 in the morning.
constexpr LocalDateTime kMorning{2026, 12, 5, 9, 7, 30};
// Every field a single digit or past noon, to see padding and the 24-hour clock.
constexpr LocalDateTime kAfternoon{2003, 1, 2, 13, 4, 5};
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// ---- Base names ------------------------------------------------------------

struct BaseCase {
  std::string path;
  std::string base;
};

void PrintTo(const BaseCase& c, std::ostream* out) { *out << '"' << c.path << "\" -> \"" << c.base << '"'; }

class BaseNameTest : public ::testing::TestWithParam<BaseCase> {};

TEST_P(BaseNameTest, DropsFoldersAndLastExtension) {
  EXPECT_EQ(GetBaseName(GetParam().path), GetParam().base);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, BaseNameTest,
    ::testing::Values(BaseCase{"/pics/beach.jpg", "beach"},
                      BaseCase{"/pics/my.holiday.photo.jpg", "my.holiday.photo"},
                      BaseCase{"/pics/README", "README"}, BaseCase{"/my.pics/README", "README"},
                      BaseCase{"/a.b/c.d/photo.PNG", "photo"}, BaseCase{"beach.jpg", "beach"},
                      BaseCase{"/pics/trailing.", "trailing"}, BaseCase{"/pics/Photo%##.PNG", "Photo%##"},
                      BaseCase{"/pics/back\\slash.jpg", "back\\slash"}, BaseCase{"/pics/", ""},
                      BaseCase{"", ""}));

// A leading dot starts a hidden file's name, not an extension.
INSTANTIATE_TEST_SUITE_P(HiddenFiles, BaseNameTest,
                         ::testing::Values(BaseCase{"/pics/.png", ".png"},
                                           BaseCase{"/pics/.hidden.jpg", ".hidden"},
                                           BaseCase{"/pics/...", ".."}, BaseCase{"/pics/.", "."}));

// ---- Token expansion -------------------------------------------------------

struct ExpandCase {
  std::string convention;
  std::string base;
  std::int32_t counter;
  std::string expected;
  LocalDateTime when = kMorning;
};

void PrintTo(const ExpandCase& c, std::ostream* out) {
  *out << '"' << c.convention << "\" base \"" << c.base << "\" counter " << c.counter << " -> \""
       << c.expected << '"';
}

class ExpandTest : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandTest, ReplacesTokens) {
  const ExpandCase& c = GetParam();
  EXPECT_EQ(ExpandNamingConvention(c.convention, c.base, c.counter, c.when), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryToken, ExpandTest,
    ::testing::Values(ExpandCase{"%o", "beach", 7, "beach"}, ExpandCase{"%####", "b", 7, "0007"},
                      ExpandCase{"%###", "b", 7, "007"}, ExpandCase{"%##", "b", 7, "07"},
                      ExpandCase{"%ddmmyyyy", "b", 0, "05122026"}, ExpandCase{"%ddmmyy", "b", 0, "051226"},
                      ExpandCase{"%dd_mm_yy", "b", 0, "05_12_2026"},
                      ExpandCase{"%mmddyyyy", "b", 0, "12052026"}, ExpandCase{"%mmddyy", "b", 0, "120526"},
                      ExpandCase{"%mm_dd_yy", "b", 0, "12_05_2026"}, ExpandCase{"%hhmmss", "b", 0, "090730"},
                      ExpandCase{"%hhmm", "b", 0, "0907"}));

INSTANTIATE_TEST_SUITE_P(
    PaddingAndClock, ExpandTest,
    ::testing::Values(ExpandCase{"%ddmmyyyy", "b", 0, "02012003", kAfternoon},
                      ExpandCase{"%ddmmyy", "b", 0, "020103", kAfternoon},
                      ExpandCase{"%mm_dd_yy", "b", 0, "01_02_2003", kAfternoon},
                      ExpandCase{"%hhmmss", "b", 0, "130405", kAfternoon},
                      ExpandCase{"%hhmm", "b", 0, "1304", kAfternoon},
                      ExpandCase{"%ddmmyy", "b", 0, "311200", LocalDateTime{2000, 12, 31, 23, 59, 59}},
                      ExpandCase{"%ddmmyyyy", "b", 0, "01010999", LocalDateTime{999, 1, 1, 0, 0, 0}},
                      ExpandCase{"%hhmmss", "b", 0, "000000", LocalDateTime{2026, 1, 1, 0, 0, 0}}));

// Longer tokens go first, so none is read as a shorter one and leftovers.
INSTANTIATE_TEST_SUITE_P(
    Order, ExpandTest,
    ::testing::Values(ExpandCase{"%#####", "b", 5, "0005#"}, ExpandCase{"%####%###%##", "b", 5, "000500505"},
                      ExpandCase{"%##%###%####", "b", 5, "050050005"},
                      ExpandCase{"%ddmmyyyyx", "b", 0, "05122026x"},
                      ExpandCase{"%mmddyyyy%mmddyy", "b", 0, "12052026120526"},
                      ExpandCase{"%hhmmss%hhmm", "b", 0, "0907300907"}, ExpandCase{"%hhmms", "b", 0, "0907s"},
                      ExpandCase{"%ddmmy", "b", 0, "%ddmmy"},
                      ExpandCase{"%dd_mm_yyyy", "b", 0, "05_12_2026yy"}, ExpandCase{"%%o", "##", 3, "03"},
                      ExpandCase{"%#", "b", 3, "%#"}, ExpandCase{"%o%o-%##-%##", "x", 42, "xx-42-42"},
                      ExpandCase{"%", "b", 0, "%"}));

// A counter wider than its token is written in full.
INSTANTIATE_TEST_SUITE_P(
    CounterWidths, ExpandTest,
    ::testing::Values(ExpandCase{"%##", "b", 0, "00"}, ExpandCase{"%##", "b", 9, "09"},
                      ExpandCase{"%##", "b", 99, "99"}, ExpandCase{"%##", "b", 100, "100"},
                      ExpandCase{"%##", "b", 999, "999"}, ExpandCase{"%###", "b", 999, "999"},
                      ExpandCase{"%###", "b", 1000, "1000"}, ExpandCase{"%####", "b", 9999, "9999"},
                      ExpandCase{"%####", "b", 12345, "12345"}, ExpandCase{"%##", "b", kMax, "2147483647"},
                      ExpandCase{"%####", "b", -5, "-0005"}));

// Only lower-case tokens count.
INSTANTIATE_TEST_SUITE_P(
    CapitalsLeftAlone, ExpandTest,
    ::testing::Values(ExpandCase{"%O", "beach", 0, "%O"}, ExpandCase{"%DDMMYY", "b", 0, "%DDMMYY"},
                      ExpandCase{"%Ddmmyyyy", "b", 0, "%Ddmmyyyy"}, ExpandCase{"%HHMMSS", "b", 0, "%HHMMSS"},
                      ExpandCase{"%hhMM", "b", 0, "%hhMM"}, ExpandCase{"%MM_DD_YY", "b", 0, "%MM_DD_YY"},
                      ExpandCase{"%O_%o", "Beach", 0, "%O_Beach"},
                      ExpandCase{"IMG_%o", "DSC", 0, "IMG_DSC"}));

// The source's name is put in first, so tokens inside it are expanded by the
// later steps; a "%o" inside it stays, as that step is already done.
INSTANTIATE_TEST_SUITE_P(TokensInSourceName, ExpandTest,
                         ::testing::Values(ExpandCase{"%o%####", "photo%##", 0, "photo000000"},
                                           ExpandCase{"%o", "shot%hhmm", 0, "shot0907"},
                                           ExpandCase{"%o", "x%ddmmyy", 0, "x051226"},
                                           ExpandCase{"%o", "a%o", 0, "a%o"},
                                           ExpandCase{"%o", "%O%DD", 0, "%O%DD"},
                                           ExpandCase{"%o_%###", "%###", 12, "012_012"}));

INSTANTIATE_TEST_SUITE_P(Plain, ExpandTest,
                         ::testing::Values(ExpandCase{"", "beach", 3, ""},
                                           ExpandCase{"thumb", "beach", 3, "thumb"},
                                           ExpandCase{"100% o", "beach", 3, "100% o"}));

// ---- Safe file names -------------------------------------------------------

struct NameCase {
  std::string convention;
  std::string base;
  std::string expected;
};

void PrintTo(const NameCase& c, std::ostream* out) {
  *out << '"' << c.convention << "\" base \"" << c.base << "\" -> \"" << c.expected << '"';
}

class OutputNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(OutputNameTest, IsOneFileNameInTheFolder) {
  NameCounter counter;
  EXPECT_EQ(GetOutputName(GetParam().convention, GetParam().base, counter, kMorning), GetParam().expected);
  EXPECT_EQ(counter.value, 1);
}

// An empty result falls back to the source's name, then to a fixed one.
INSTANTIATE_TEST_SUITE_P(EmptyConventions, OutputNameTest,
                         ::testing::Values(NameCase{"", "beach", "beach"}, NameCase{"%o", "", "thumbnail"},
                                           NameCase{"", "", "thumbnail"}, NameCase{"", "..", "__"},
                                           NameCase{"", "a/b", "a_b"}, NameCase{"%##", "", "00"}));

// Nothing may reach outside the output folder or name the folder itself.
INSTANTIATE_TEST_SUITE_P(
    Unsafe, OutputNameTest,
    ::testing::Values(NameCase{"sub/%o", "beach", "sub_beach"}, NameCase{"../%o", "beach", ".._beach"},
                      NameCase{"/etc/passwd", "b", "_etc_passwd"}, NameCase{"..", "b", "__"},
                      NameCase{".", "b", "_"}, NameCase{"%o", "..", "__"}, NameCase{"%o", ".", "_"},
                      NameCase{"...", "b", "..."}, NameCase{"..%o", "", "__"},
                      NameCase{std::string("a\0b", 3), "b", "a_b"}, NameCase{"a\\b", "b", "a\\b"}));

// ---- The counter over a run ------------------------------------------------

std::vector<std::string> NameRun(const std::string& convention, const std::vector<std::string>& paths,
                                 NameCounter& counter) {
  std::vector<std::string> names;
  for (const std::string& path : paths)
    names.push_back(GetOutputName(convention, GetBaseName(path), counter, kMorning));
  return names;
}

TEST(NameCounterTest, FirstNumberOfARunIsZero) {
  NameCounter counter;
  EXPECT_EQ(NameRun("img%###", {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"}, counter),
            (std::vector<std::string>{"img000", "img001", "img002"}));
  EXPECT_EQ(counter.value, 3);
}

TEST(NameCounterTest, AdvancesWithoutCounterToken) {
  NameCounter counter;
  EXPECT_EQ(NameRun("same", {"/p/a.jpg", "/p/b.jpg"}, counter), (std::vector<std::string>{"same", "same"}));
  EXPECT_EQ(counter.value, 2);
  EXPECT_EQ(GetOutputName("n%##", "x", counter, kMorning), "n02");
}

TEST(NameCounterTest, ResetRepeatsTheNames) {
  NameCounter counter;
  const std::vector<std::string> paths{"/p/a.jpg", "/p/b.jpg"};
  const std::vector<std::string> first = NameRun("%o-%####", paths, counter);
  counter.Reset();
  EXPECT_EQ(NameRun("%o-%####", paths, counter), first);
  EXPECT_EQ(first, (std::vector<std::string>{"a-0000", "b-0001"}));
}

TEST(NameCounterTest, OneAdvancePerNameHoweverManyTokens) {
  NameCounter counter{41};
  EXPECT_EQ(GetOutputName("%##_%###_%####", "x", counter, kMorning), "41_041_0041");
  EXPECT_EQ(counter.value, 42);
}

TEST(NameCounterTest, ExpansionLeavesCounterAlone) {
  EXPECT_EQ(ExpandNamingConvention("%##", "x", 5, kMorning), "05");
  NameCounter counter{5};
  GetOutputName("", "x", counter, kMorning);
  EXPECT_EQ(counter.value, 6);
}

TEST(NameCounterTest, WrapsToZeroInsteadOfOverflowing) {
  NameCounter counter{kMax};
  EXPECT_EQ(GetOutputName("%##", "x", counter, kMorning), "2147483647");
  EXPECT_EQ(counter.value, 0);
  EXPECT_EQ(GetOutputName("%##", "x", counter, kMorning), "00");
}

// ---- Whole names from paths ------------------------------------------------

struct PathCase {
  std::string convention;
  std::string path;
  std::string expected;
};

void PrintTo(const PathCase& c, std::ostream* out) {
  *out << '"' << c.convention << "\" on \"" << c.path << "\" -> \"" << c.expected << '"';
}

class NameFromPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(NameFromPathTest, FirstRowOfARun) {
  NameCounter counter;
  EXPECT_EQ(GetOutputName(GetParam().convention, GetBaseName(GetParam().path), counter, kMorning),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NameFromPathTest,
    ::testing::Values(PathCase{"%o_thumb", "/pics/beach.jpg", "beach_thumb"},
                      PathCase{"%o", "/pics/my.holiday.photo.jpg", "my.holiday.photo"},
                      PathCase{"%o%####", "/pics/photo%##.png", "photo000000"},
                      PathCase{"%dd_mm_yy", "/pics/a.jpg", "05_12_2026"},
                      PathCase{"%ddmmyy", "/pics/a.jpg", "051226"},
                      PathCase{"%mmddyyyy", "/pics/a.jpg", "12052026"},
                      PathCase{"%hhmm", "/pics/a.jpg", "0907"}, PathCase{"%hhmmss", "/pics/a.jpg", "090730"},
                      PathCase{"", "/pics/beach.jpg", "beach"}, PathCase{"%O", "/pics/beach.jpg", "%O"},
                      PathCase{"%o", "/pics/.png", ".png"},
                      PathCase{"%o_%ddmmyyyy_%###", "/pics/IMG_0001.JPG", "IMG_0001_05122026_000"}));

// ---- The clock -------------------------------------------------------------

TEST(LocalNowTest, FieldsAreCalendarValues) {
  const LocalDateTime now = LocalNow();
  EXPECT_GE(now.year, 2024);  // a full year, not years since 1900
  EXPECT_GE(now.month, 1);    // months from 1, not from 0
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
  EXPECT_GE(now.minute, 0);
  EXPECT_LE(now.minute, 59);
  EXPECT_GE(now.second, 0);
  EXPECT_LE(now.second, 60);  // a leap second
}

}  // namespace
}  // namespace vr
