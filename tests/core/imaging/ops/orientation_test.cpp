#include "imaging/ops/orientation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::PixelAt;

// A 3 x 2 picture whose pixel (x, y) has red = 10 * (x + 1) + (y + 1):
//   11 21 31
//   12 22 32
Image MakeLabelledPicture() {
  Image image;
  image.Resize(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      test::SetPixel(image, x, y, {static_cast<std::uint8_t>(10 * (x + 1) + y + 1), 7, 9, 255});
  return image;
}

std::vector<std::vector<int>> Labels(const Image& image) {
  std::vector<std::vector<int>> rows;
  for (int y = 0; y < image.height; ++y) {
    rows.emplace_back();
    for (int x = 0; x < image.width; ++x) rows.back().push_back(PixelAt(image, x, y)[0]);
  }
  return rows;
}

struct OrientationCase {
  int orientation;
  std::vector<std::vector<int>> upright;  // expected labels, worked out by hand
};

class OrientationAccuracy : public testing::TestWithParam<OrientationCase> {};

TEST_P(OrientationAccuracy, PixelsLandWhereTheTagSays) {
  Image image = MakeLabelledPicture();
  ApplyOrientation(image, GetParam().orientation);
  EXPECT_EQ(Labels(image), GetParam().upright);
}

INSTANTIATE_TEST_SUITE_P(AllTags, OrientationAccuracy,
                         testing::Values(OrientationCase{1, {{11, 21, 31}, {12, 22, 32}}},
                                         // mirror left-right
                                         OrientationCase{2, {{31, 21, 11}, {32, 22, 12}}},
                                         // half turn
                                         OrientationCase{3, {{32, 22, 12}, {31, 21, 11}}},
                                         // mirror top-bottom
                                         OrientationCase{4, {{12, 22, 32}, {11, 21, 31}}},
                                         // transpose: rows become columns
                                         OrientationCase{5, {{11, 12}, {21, 22}, {31, 32}}},
                                         // quarter turn clockwise: the bottom-left corner goes top-left
                                         OrientationCase{6, {{12, 11}, {22, 21}, {32, 31}}},
                                         // transverse
                                         OrientationCase{7, {{32, 31}, {22, 21}, {12, 11}}},
                                         // quarter turn counter-clockwise: the top-right corner goes top-left
                                         OrientationCase{8, {{31, 32}, {21, 22}, {11, 12}}}),
                         [](const auto& info) { return "Tag" + std::to_string(info.param.orientation); });

TEST(OrientationConsistency, InversePairsRestoreALargePicture) {
  // Larger than one copy tile, with odd sides, so tile edges are exercised.
  const Image original = test::MakeRandomImage(131, 70, 5, true);
  const std::pair<int, int> inverses[] = {{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 8}, {7, 7}, {8, 6}};
  for (auto [first, second] : inverses) {
    Image image = original;
    ApplyOrientation(image, first);
    EXPECT_EQ(image.width, first >= 5 ? 70 : 131);
    ApplyOrientation(image, second);
    EXPECT_EQ(image.width, original.width);
    EXPECT_EQ(image.pixels, original.pixels) << first << " then " << second;
  }
}

// Tags outside 1..8 and empty pictures are left as they are.
TEST(OrientationVulnerability, UnknownTagsAndEmptyPicturesChangeNothing) {
  for (int tag : {0, -1, 9, 255}) {
    Image image = MakeLabelledPicture();
    ApplyOrientation(image, tag);
    EXPECT_EQ(Labels(image), Labels(MakeLabelledPicture())) << "tag " << tag;
  }
  Image empty;
  ApplyOrientation(empty, 6);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace vr
