// What the build tests share: a host that answers from a script and records
// what it was told, pictures written to and read back from files, and a
// settings record for a plain 300-px-wide JPEG build into a folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
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

}  // namespace vr::test

// What the core's tests also share: work done in a child process so the
// limits it sets stay there. The child's exit status, or 128 + the signal
// that ended it; with `file_size_limit`, a write past that many bytes fails
// (even for root) instead of raising a signal.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vr::test {

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

// Files and processes as the core's tests look at them.
#include <png.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>

namespace vr::test {

inline mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// Every file in a folder and its bytes.
inline std::map<std::string, std::vector<std::uint8_t>> FolderContents(const std::string& folder) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadBytes(entry.path().string());
  return files;
}

inline std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

// A grey PNG of any size, written a row at a time so the test never holds it.
inline void WriteLargeGreyPng(const std::string& path, int width, int height) {
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

// Opens of `path` seen by inotify while `work` runs (closes are watched too,
// so that inotify does not merge two opens into one event).
inline int OpensDuring(const std::string& path, const std::function<void()>& work) {
  const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(inotify_add_watch(watcher, path.c_str(), IN_OPEN | IN_CLOSE_NOWRITE), 0);
  work();
  int opens = 0;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t got; (got = ::read(watcher, buffer, sizeof buffer)) > 0;) {
    for (char* at = buffer; at < buffer + got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(at);
      if ((event->mask & IN_OPEN) != 0) ++opens;
      at += sizeof(inotify_event) + event->len;
    }
  }
  ::close(watcher);
  return opens;
}

// The least processor time this thread spends on `work` in three runs,
// which shrugs off the other work sharing the machine.
inline double LeastThreadSeconds(const std::function<void()>& work) {
  auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  double least = 1e9;
  for (int run = 0; run < 3; ++run) {
    const double start = now();
    work();
    least = std::min(least, now() - start);
  }
  return least;
}

inline bool KernelOffersHugePages() {
  std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string line;
  return std::getline(in, line) && line.find("[never]") == std::string::npos;
}

// The "THPeligible" line of the mapping that holds `address`, or -1.
inline int HugePageEligible(const void* address) {
  std::ifstream maps("/proc/self/smaps");
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(maps, line);) {
    unsigned long from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2)
      inside = at >= from && at < to;
    else if (inside && line.rfind("THPeligible:", 0) == 0)
      return std::atoi(line.c_str() + 12);
  }
  return -1;
}

}  // namespace vr::test
