// A row that needs more memory than the run may use fails alone, with its
// size and file named; the other rows are written and the run ends with its
// summary, whether the limit is seen in planning or met by an allocation.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/run/build_run.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // the sanitizers reserve terabytes of address space
#else
constexpr bool kSanitized = false;
#endif

// A grey PNG of any size, written a row at a time so the test never holds it.
void WriteLargeGreyPng(const std::string& path, int width, int height) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(width), 128);
  for (int y = 0; y < height; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

class RunMemoryTest : public ::testing::Test {
 protected:
  RunMemoryTest() {
    fs::create_directory(folder_.File("out"));
    small_ = folder_.File("small.png");
    test::WritePng(small_, test::MakeRandomImage(8, 8, 1));
  }

  BuildSummary Run(const std::vector<std::string>& sources, const BuildOptions& options) {
    return RunBuild(test::PlainSettings(folder_.File("out")), sources, host_, counter_, outputs_, options);
  }

  test::TempFolder folder_;
  std::string small_;
  test::ScriptedHost host_;
  NameCounter counter_;
  OutputList outputs_;
};

class RowCeilingTest : public RunMemoryTest, public ::testing::WithParamInterface<int> {};

TEST_P(RowCeilingTest, ARowPricedAboveHalfTheUsableMemoryFailsBeforeItIsTried) {
  const std::string big = folder_.File("big.png");
  test::WritePng(big, test::MakeRandomImage(200, 150, 2));  // 120 000 bytes decoded
  BuildOptions options;
  options.jobs = GetParam();
  options.usable_memory = 100'000;
  const BuildSummary summary = Run({small_, big, small_}, options);
  EXPECT_EQ(summary.written, 2);
  ASSERT_EQ(summary.failures.size(), 1u);
  EXPECT_EQ(summary.failures[0].row, 2);
  EXPECT_EQ(summary.failures[0].reason.rfind("not enough memory for 200x150 in " + big, 0), 0u)
      << summary.failures[0].reason;
}

INSTANTIATE_TEST_SUITE_P(SerialAndParallel, RowCeilingTest, ::testing::Values(1, 2));

// In a child process under an address-space limit: the child's exit status
// says what it saw.
int RunUnderAddressLimit(const std::function<int()>& body, rlim_t limit) {
  const pid_t child = fork();
  if (child == 0) {
    rlimit cap{limit, limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(90);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(RunMemoryTest, TheAddressSpaceLimitIsReadAndAnAllocationFailureFailsOnlyItsRow) {
  if (kSanitized) GTEST_SKIP() << "address-space limits do not mix with the sanitizers";
  const std::string huge = folder_.File("huge.png");
  WriteLargeGreyPng(huge, 12000, 12000);  // 576 MB as RGBA, about 150 KB on disk
  const std::vector<std::string> sources = {small_, huge, small_};
  constexpr rlim_t kLimit = rlim_t{384} << 20;

  // The limit seen in planning: the row fails without being tried.
  EXPECT_EQ(
      RunUnderAddressLimit(
          [&] {
            BuildOptions options;
            options.jobs = 2;
            const BuildSummary s = Run(sources, options);
            if (s.written != 2 || s.failures.size() != 1) return 1;
            return s.failures[0].reason.rfind("not enough memory for 12000x12000 in " + huge, 0) == 0 ? 0 : 2;
          },
          kLimit),
      0);
  // Told there is plenty, the decode's allocation fails instead: still only that row.
  for (int jobs : {1, 2}) {
    EXPECT_EQ(RunUnderAddressLimit(
                  [&] {
                    BuildOptions options;
                    options.jobs = jobs;
                    options.usable_memory = std::uint64_t{64} << 30;
                    const BuildSummary s = Run(sources, options);
                    if (s.written != 2 || s.failures.size() != 1) return 3;
                    return s.failures[0].reason.find("not enough memory") != std::string::npos ? 0 : 4;
                  },
                  kLimit),
              0)
        << jobs << " job(s)";
  }
}

}  // namespace
}  // namespace vr
