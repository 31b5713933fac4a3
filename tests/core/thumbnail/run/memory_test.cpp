// A row that needs more memory than the run may give one row fails alone,
// with its size and file named, whether the limit is seen in planning or met
// by an allocation; the other rows are written.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/run/build_run.h"

namespace vr {
namespace {

class RunMemoryTest : public ::testing::TestWithParam<int> {
 protected:
  RunMemoryTest() {
    std::filesystem::create_directory(folder_.File("out"));
    test::WritePng(small_, test::MakeRandomImage(8, 8, 1));
  }
  BuildSummary Run(const std::vector<std::string>& sources, std::uint64_t usable_memory) {
    BuildOptions options;
    options.jobs = GetParam();
    options.usable_memory = usable_memory;
    return RunBuild(test::PlainSettings(folder_.File("out")), sources, host_, counter_, outputs_, options);
  }
  test::TempFolder folder_;
  std::string small_ = folder_.File("small.png");
  test::ScriptedHost host_;
  NameCounter counter_;
  OutputList outputs_;
};

// A row is priced at its decoded picture and its file, and may take half the
// usable memory: one byte more fails it before it is tried.
TEST_P(RunMemoryTest, ARowPricedAboveHalfTheUsableMemoryFailsBeforeItIsTried) {
  const std::string big = folder_.File("big.png");
  test::WritePng(big, test::MakeRandomImage(200, 150, 2));
  const std::uint64_t price = 200 * 150 * 4 + std::filesystem::file_size(big);
  EXPECT_EQ(Run({small_, big, small_}, 2 * price).written, 3);
  const BuildSummary summary = Run({small_, big, small_}, 2 * price - 2);
  EXPECT_EQ(summary.written, 2);
  ASSERT_EQ(summary.failures.size(), 1u);
  EXPECT_EQ(summary.failures[0].row, 2);
  EXPECT_EQ(summary.failures[0].reason.rfind("not enough memory for 200x150 in " + big, 0), 0u)
      << summary.failures[0].reason;
}

// A grey PNG of any size, written a row at a time so the test never holds it.
void WriteLargeGreyPng(const std::string& path, int width, int height) {
  FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(width), 128);
  for (int y = 0; y < height; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

// Under an address-space limit the row fails in planning; told there is
// plenty, the decode's allocation fails instead: still only that row.
TEST_P(RunMemoryTest, AnAllocationThatFailsFailsOnlyItsRow) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "address-space limits do not mix with the sanitizers";
#endif
  const std::string huge = folder_.File("huge.png");
  WriteLargeGreyPng(huge, 12000, 12000);  // 576 MB as RGBA, about 150 KB on disk
  for (const std::uint64_t told : {std::uint64_t{0}, std::uint64_t{64} << 30}) {
    EXPECT_EQ(test::InChild([&] {
                const rlimit cap{rlim_t{384} << 20, rlim_t{384} << 20};
                if (setrlimit(RLIMIT_AS, &cap) != 0) return 2;
                const BuildSummary s = Run({small_, huge, small_}, told);
                if (s.written != 2 || s.failures.size() != 1) return 3;
                return s.failures[0].reason.rfind(
                           told ? "not enough memory" : "not enough memory for 12000x12000 in " + huge, 0) ==
                               0
                           ? 0
                           : 4;
              }),
              0)
        << "told " << told;
  }
}

INSTANTIATE_TEST_SUITE_P(SerialAndParallel, RunMemoryTest, ::testing::Values(1, 2));

}  // namespace
}  // namespace vr
