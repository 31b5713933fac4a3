// The newer formats' module, looked for at its step from the program's own
// folder: a copy of the program with the module beside it reads AVIF, JPEG
// XL and HEIF; without it, or with one from another version, every other
// row is still made and each newer file is named with the reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "cli/batch_program_test_base.h"
#include "core/imaging/pixel_test_util.h"
#include "imaging/codecs/newer_codecs.h"
#include "support/build_test_util.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

using test::Outcome;

const char* const kNewerFiles[] = {"a.avif", "b.jxl", "c.heic"};

class CodecModuleTest : public test::BatchProgramTest {
 protected:
  CodecModuleTest() {
    fs::create_directories(Path("bin"));
    fs::copy_file(VARENNA_BIN_DIR "/varenna-batch", Path("bin/varenna-batch"));
    const fs::path seeds = VARENNA_FUZZ_SEEDS_DIR;
    fs::copy_file(seeds / "avif/avif-plain-48x32.avif", Path("in/a.avif"));
    fs::copy_file(seeds / "jxl/jxl-lossy-48x32.jxl", Path("in/b.jxl"));
    fs::copy_file(seeds / "heif/heif-plain-48x32.heic", Path("in/c.heic"));
    test::WritePng(Path("in/d.png"), test::MakeRandomImage(48, 32, 7));
  }
  // Where the copied program looks for its module.
  std::string ModulePath() const {
    return (fs::path(Path("bin")) / VARENNA_MODULES_FROM_BIN / kNewerCodecModuleName)
        .lexically_normal()
        .string();
  }
  void PutModule(const std::string& from) {
    fs::create_directories(fs::path(ModulePath()).parent_path());
    fs::copy_file(from, ModulePath());
  }
  Outcome RunCopy() {
    const int status =
        std::system(InFolder("DIR/bin/varenna-batch --settings DIR/settings.reg --set OUTformat=1 "
                             "--set OUTfolder=DIR/out DIR/in/a.avif DIR/in/b.jxl DIR/in/c.heic DIR/in/d.png "
                             ">DIR/out.txt 2>DIR/err.txt")
                        .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadTextFile(Path("out.txt")),
            test::ReadTextFile(Path("err.txt"))};
  }
  int Made() const {
    int made = 0;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) made += fs::exists(Path("out/") + name);
    return made;
  }
  // Each newer file named on a line of its own that gives `reason`.
  void ExpectEachNewerFileRefused(const Outcome& run, const std::string& reason) {
    EXPECT_NE(run.code, 0);
    EXPECT_TRUE(fs::exists(Path("out/d.jpg"))) << run.err;
    EXPECT_EQ(Made(), 1) << run.err;
    for (const char* name : kNewerFiles) {
      const std::size_t at = run.err.find(Path("in/") + name);
      ASSERT_NE(at, std::string::npos) << name << "\n" << run.err;
      const std::string line = run.err.substr(at, run.err.find('\n', at) - at);
      EXPECT_NE(line.find(kNewerCodecModuleName), std::string::npos) << line;
      EXPECT_NE(line.find(reason), std::string::npos) << line;
    }
  }
};

TEST_F(CodecModuleTest, BesideTheProgramItReadsEveryNewerFormat) {
  PutModule(VARENNA_BUILD_MODULES_DIR "/" + std::string(kNewerCodecModuleName));
  const Outcome run = RunCopy();
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(Made(), 4) << run.err;
}

TEST_F(CodecModuleTest, WithoutItTheOtherRowsAreMadeAndEachNewerFileIsNamed) {
  ExpectEachNewerFileRefused(RunCopy(), ModulePath() + " is missing");
}

TEST_F(CodecModuleTest, OneFromAnotherVersionIsRefusedUncalled) {
  PutModule(VARENNA_STALE_MODULE);
  ExpectEachNewerFileRefused(RunCopy(), "belongs to version 0.9.0, not " VARENNA_VERSION);
}

}  // namespace
}  // namespace vr
