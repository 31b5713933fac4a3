// Metadata and orientation through a whole row, planning to file: the
// OUTmetadata codes reach the thumbnail, and a PNG that keeps its
// orientation behind pixels larger than the part the planner reads still
// gets a thumbnail of its upright shape.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/imaging/metadata/metadata_files.h"
#include "core/imaging/pixel_test_util.h"
#include "imaging/codec_dispatch.h"
#include "imaging/metadata/metadata_reader.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/planning.h"
#include "thumbnail/rendering.h"

namespace vr {
namespace {

using test::Bytes;

class MetadataRowTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directory(folder_.File("out")); }

  // The row's written file.
  Bytes Make(const SettingsRecord& settings, const std::string& source) {
    const RenderSettings render = RenderSettingsFrom(settings);
    const RowRecipe recipe = PlanRow(PlanSettingsFrom(settings), 1, source, state_);
    RenderedRow rendered;
    EXPECT_TRUE(RenderRow(engine_, render, recipe, Image(), rendered).ok());
    EXPECT_TRUE(WriteRow(recipe, rendered).ok());
    return test::ReadBytes(recipe.output_path);
  }

  test::TempFolder folder_;
  test::ScriptedHost host_;
  NameCounter counter_;
  PlanState state_{host_, counter_, [] { return LocalDateTime{2026, 12, 5, 9, 30, 0}; }};
  Engine engine_;
};

TEST_F(MetadataRowTest, TheSettingDecidesWhatTheThumbnailKeeps) {
  using namespace test;
  const std::string source = folder_.File("camera.jpg");
  WriteBytes(source, JpegWith({MakeSegment(0xE1, kExifPrefix, CameraExif(false, 1)),
                               MakeSegment(0xFE, "", ToBytes("harbour"))}));
  const struct {
    std::int32_t code;
    bool exif, location, comment;
  } cases[] = {{0, false, false, false},
               {1, true, true, true},
               {2, true, false, true},
               {3, false, false, false},
               {-1, false, false, false}};
  for (const auto& c : cases) {
    SettingsRecord s = PlainSettings(folder_.File("out"));
    s.OUTformat = 1;
    s.OUTwidth = 32;
    s.OUTmetadata = c.code;
    const Bytes out = Make(s, source);
    EXPECT_EQ(Contains(out, kCopyright), c.exif) << c.code;
    EXPECT_EQ(Contains(out, kGpsDatum), c.location) << c.code;
    EXPECT_EQ(Contains(out, "harbour"), c.comment) << c.code;
  }
}

TEST_F(MetadataRowTest, APngTurnedBehindItsPixelsFarIntoTheFileIsMadeUpright) {
  // Noise does not compress: the pixels run well past the planner's first read.
  const Image noise = test::MakeRandomImage(400, 300, 7);
  Bytes png;
  ASSERT_TRUE(EncodePng(noise, png, "t.png").ok());
  ASSERT_GT(png.size(), std::size_t{256} << 10);
  const Bytes exif = test::MakeChunk("eXIf", test::OrientationExif(false, 6));
  png.insert(png.end() - 12, exif.begin(), exif.end());
  const std::string source = folder_.File("turned.png");
  test::WriteBytes(source, png);

  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  s.OUTwidth = 60;  // proportional to the width: 60 x 80 upright, 60 x 45 if it were not turned
  Expected<ImageInfo> info = ReadImageInfo(Make(s, source), "thumbnail");
  ASSERT_TRUE(info.ok());
  EXPECT_EQ((Sides{info->width, info->height}), (Sides{60, 80}));
}

}  // namespace
}  // namespace vr
