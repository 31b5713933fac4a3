#include "thumbnail/formats.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vr {
namespace {

struct OutputCase {
  std::int32_t setting;
  std::int32_t code;
  std::string extension;
};

void PrintTo(const OutputCase& c, std::ostream* out) {
  *out << c.setting << " -> " << c.code << ' ' << c.extension;
}

class OutputFormatTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputFormatTest, KnownSettingsSetBoth) {
  std::int32_t code = 0;
  std::string extension;
  GetOutputFormat(GetParam().setting, code, extension);
  EXPECT_EQ(code, GetParam().code);
  EXPECT_EQ(extension, GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(Table, OutputFormatTest,
                         ::testing::Values(OutputCase{0, 1, ".bmp"}, OutputCase{1, 3, ".jpg"},
                                           OutputCase{2, 4, ".png"}));

class UnknownOutputFormatTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(UnknownOutputFormatTest, LeavesBothAsTheyWere) {
  std::int32_t code = 0;
  std::string extension;
  GetOutputFormat(GetParam(), code, extension);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(extension, "");

  code = 4;
  extension = ".png";
  GetOutputFormat(GetParam(), code, extension);
  EXPECT_EQ(code, 4);
  EXPECT_EQ(extension, ".png");
}

INSTANTIATE_TEST_SUITE_P(OutsideTheList, UnknownOutputFormatTest, ::testing::Values(3, -1, 7, 1000));

}  // namespace
}  // namespace vr
