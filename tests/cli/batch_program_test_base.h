// The varenna-batch program run through sh in a test folder of its own, with
// an empty settings file: what the command line tests share.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr::test {

struct Outcome {
  int code = -1;
  std::string out, err;
};

class BatchProgramTest : public testing::Test {
 protected:
  BatchProgramTest() {
    std::filesystem::create_directory(Path("in"));
    WriteTextFile(Path("settings.reg"), "");
  }
  std::string Path(const std::string& name) const { return folder_.File(name); }
  // `text` with every "DIR/" put in the test's folder.
  std::string InFolder(std::string text) const {
    for (std::size_t at; (at = text.find("DIR/")) != std::string::npos;) text.replace(at, 4, Path(""));
    return text;
  }
  // `before` goes in front of the program (a pipe, variables, prlimit),
  // `after` behind its redirections; the shell's status is the outcome's.
  Outcome Run(const std::string& arguments, const std::string& before = "", const std::string& after = "") {
    const int status = std::system(InFolder(before + VARENNA_BIN_DIR "/varenna-batch " + store + arguments +
                                            " >DIR/out.txt 2>DIR/err.txt" + after)
                                       .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadTextFile(Path("out.txt")),
            ReadTextFile(Path("err.txt"))};
  }

  TempFolder folder_;
  std::string store = "--settings DIR/settings.reg ";
};

}  // namespace vr::test
