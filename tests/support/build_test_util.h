// What the build tests share: a host that answers from a script and records
// what it was told, pictures written to and read back from files, a
// settings record for a plain 300-px-wide build into a folder, and work run
// in a child process.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/engine.h"
#include "settings/settings_record.h"
#include "thumbnail/run/build_host.h"
#include "thumbnail/run/render_pool.h"

namespace vr::test {

// Starts `allowed` threads, then refuses, as a system out of threads does.
inline RenderPool::ThreadStarter ThreadsRefusedAfter(int allowed) {
  auto started = std::make_shared<int>(0);
  return [started, allowed](std::function<void()> body) {
    if ((*started)++ >= allowed)
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return std::thread(std::move(body));
  };
}

class ScriptedHost final : public BuildHost {
 public:
  std::deque<bool> answers;  // for the folder question; unscripted is a test failure
  std::vector<std::string> asked;
  std::vector<int> progress;
  std::vector<std::string> notices;
  std::thread::id thread = std::this_thread::get_id();
  bool called_elsewhere = false;

  bool AskCreateFolder(const std::string& folder) override {
    Check();
    asked.push_back(folder);
    std::this_thread::sleep_for(think_time);
    if (answers.empty()) {
      ADD_FAILURE() << "unscripted folder question for " << folder;
      return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::function<void(int)> on_progress;  // a test's hook, e.g. to stop the run

  void Progress(int percent) override {
    Check();
    progress.push_back(percent);
    if (on_progress) on_progress(percent);
  }
  void Notice(const std::string& message) override {
    Check();
    notices.push_back(message);
  }
  std::vector<std::pair<std::int32_t, std::int32_t>> rows_done;  // done, total
  void RowsDone(std::int32_t done, std::int32_t total, std::optional<double>) override {
    Check();
    rows_done.emplace_back(done, total);
  }
  // How long the folder question keeps the run waiting, as a person would.
  std::chrono::milliseconds think_time{0};
  void KeepAlive() override { Check(); }

 private:
  void Check() {
    if (std::this_thread::get_id() != thread) called_elsewhere = true;
  }
};

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WritePng(const std::string& path, const Image& image) {
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(EncodePng(image, bytes, path).ok());
  WriteBytes(path, bytes);
}

inline void WriteBmp(const std::string& path, const Image& image) {
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(EncodeBmp(image, bytes, path).ok());
  WriteBytes(path, bytes);
}

// The decoded picture in a file; empty when it cannot be read.
inline Image ReadPicture(const std::string& path) {
  Engine engine;
  if (!engine.LoadImage(Engine::kPictureSlot, path).ok() || !engine.Decode(Engine::kPictureSlot).ok())
    return Image();
  return engine.picture(Engine::kPictureSlot);
}

// Proportional to the width, 300 px, PNG (lossless, so pixels can be
// compared), no watermark, no effects, into `folder`.
inline SettingsRecord PlainSettings(const std::string& folder) {
  SettingsRecord s;
  s.OUTfolder = folder;
  s.OUTformat = 2;
  s.OUTwidth = 300;
  s.OUTheight = 300;
  s.OUTpropw = -1;
  s.WMArea = 9;
  s.WMOpacity = 100;
  s.JPEGquality = 85;
  return s;
}

// Work done in a child process so the limits it sets stay there. The
// child's exit status, or 128 + the signal that ended it; with
// `file_size_limit`, a write past that many bytes fails (even for root)
// instead of raising a signal.
inline int InChild(const std::function<int()>& body, rlim_t file_size_limit = RLIM_INFINITY) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (file_size_limit != RLIM_INFINITY) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{file_size_limit, file_size_limit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
    }
    _exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace vr::test
