// The list's probe and a run's planning read a file's header through one
// reader with one budget: both see the sides as stored with the orientation
// beside them, and both reach a frame header behind long metadata.
#include <gtest/gtest.h>

#include "core/imaging/metadata/metadata_files.h"
#include "imaging/decode_footprint.h"
#include "imaging/header_bytes.h"
#include "imaging/image_probe.h"
#include "list/image_list.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using test::Bytes;

// APP15 segments of filler, `bytes` in all (each under a segment's limit).
std::vector<Bytes> Filler(std::size_t bytes) {
  std::vector<Bytes> segments;
  for (std::size_t left = bytes; left > 0;) {
    const std::size_t part = std::min<std::size_t>(left, 60000);
    segments.push_back(test::MakeSegment(0xEF, "", Bytes(part, 0x55)));
    left -= part;
  }
  return segments;
}

TEST(HeaderRead, ProbeAndPlanningSeeTheSidesAsStoredAndTheOrientationBeside) {
  test::TempFolder folder;
  const std::string path = folder.File("turned.jpg");
  test::WriteBytes(
      path,
      test::JpegWith({test::MakeSegment(0xE1, test::kExifPrefix, test::OrientationExif(false, 6))}, 64, 48));
  Expected<ImageInfo> probed = ReadImageInfoFromFile(path);
  Expected<DecodeFootprint> planned = ReadDecodeFootprintFromFile(path);
  ASSERT_TRUE(probed.ok() && planned.ok()) << probed.message() << planned.message();
  EXPECT_EQ(probed->width, 64);
  EXPECT_EQ(probed->height, 48);
  EXPECT_EQ(probed->orientation, 6);
  EXPECT_EQ(planned->info.width, probed->width);
  EXPECT_EQ(planned->info.height, probed->height);
  EXPECT_EQ(planned->info.orientation, probed->orientation);
  // The list shows it upright.
  const std::optional<PictureSize> shown = ReadPictureSize(path);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->width, 48);
  EXPECT_EQ(shown->height, 64);
}

// Within the budget both read the header from the file's start; beyond it
// the probe reads the whole file, while planning leaves the picture to the
// engine's whole-file read.
TEST(HeaderRead, OneBudgetForTheProbeAndThePlanning) {
  test::TempFolder folder;
  const std::string near = folder.File("near.jpg"), far = folder.File("far.jpg");
  test::WriteBytes(near, test::JpegWith(Filler(kHeaderBytes - 20000), 40, 30));
  test::WriteBytes(far, test::JpegWith(Filler(kHeaderBytes + 20000), 40, 30));
  ASSERT_GT(test::ReadBytes(near).size(), std::size_t{200} << 10);

  Expected<DecodeFootprint> planned_near = ReadDecodeFootprintFromFile(near);
  ASSERT_TRUE(planned_near.ok()) << planned_near.message();
  EXPECT_EQ(planned_near->info.width, 40);
  Expected<ImageInfo> probed_near = ReadImageInfoFromFile(near), probed_far = ReadImageInfoFromFile(far);
  ASSERT_TRUE(probed_near.ok() && probed_far.ok()) << probed_near.message() << probed_far.message();
  EXPECT_EQ(probed_far->height, 30);
  EXPECT_FALSE(ReadDecodeFootprintFromFile(far).ok());
}

}  // namespace
}  // namespace vr
