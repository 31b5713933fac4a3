#include "thumbnail/formats.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vr {
namespace {

struct InputCase {
  std::string path;
  std::int32_t code;
};

// Readable parameter names in test listings.
void PrintTo(const InputCase& c, std::ostream* out) { *out << '"' << c.path << "\" -> " << c.code; }

class InputFormatTest : public ::testing::TestWithParam<InputCase> {};

TEST_P(InputFormatTest, CodeFromExtension) {
  EXPECT_EQ(GetInputFormat(GetParam().path), GetParam().code) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, InputFormatTest,
    ::testing::Values(InputCase{"/pics/Beach.JPG", 3}, InputCase{"/pics/scan.TIFF", 7},
                      InputCase{"/My.Pictures/beach.jpg", 3}, InputCase{"/pics/archive.jpg.bak", 0},
                      InputCase{"/pics/README", 0}, InputCase{"/pics/a.bmp", 1}, InputCase{"/pics/a.gif", 2},
                      InputCase{"/pics/a.jpeg", 3}, InputCase{"/pics/a.JpEg", 3}, InputCase{"/pics/a.png", 4},
                      InputCase{"/pics/a.tif", 7}, InputCase{"/pics/a.Tif", 7}, InputCase{"a.png", 4},
                      InputCase{"", 0}, InputCase{"/pics/trailing.", 0}, InputCase{"/pics/a.jpgx", 0},
                      InputCase{"/pics/a.pn", 0}, InputCase{"/pics/.png", 4}));

// A dot in a folder name is not an extension, even when what follows it
// looks like one.
INSTANTIATE_TEST_SUITE_P(DotsInFolders, InputFormatTest,
                         ::testing::Values(InputCase{"/pics.old/README", 0}, InputCase{"/pics.jpg/README", 0},
                                           InputCase{"/pics.jpg/", 0}, InputCase{"/a.b/c.d/photo.PNG", 4},
                                           InputCase{"pics.png/scan", 0}));

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
