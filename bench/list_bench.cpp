// How long adding a big folder to the list takes, and the memory it holds,
// against `find` listing the same folder in the same run. For each count
// the folder is made of hard links to one small JPEG, then three children
// are timed one after the other, each its own process so each peak memory
// is its own:
//   find        find DIR -type f > /dev/null
//   scan        the core's folder scan alone (what varenna-batch does)
//   window      AddFolderRows into a shown main window, offscreen: the scan,
//               the rows in runs, the window repainting and the progress
//               callback moving between runs
// With --extra the window child also shows the Dimensions column and waits
// until the reader thread has filled in every row.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "imaging/codecs/jpeg_codec.h"
#include "list/folder_scan.h"
#include "settings/settings_store.h"
#include "windows/add_folder.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"

namespace {

namespace fs = std::filesystem;

struct Measure {
  double seconds = 0;
  double peak_mib = 0;
  std::string note;
};

void Usage(std::FILE* out) {
  std::fputs(
      "Usage: list_bench [--extra] [--keep DIR] [COUNT...]\n"
      "Times adding a folder of COUNT files (default 10000 100000) to the main window,\n"
      "and the core's scan alone, against find(1) on the same folder; peak RSS of each.\n"
      "  --extra     show the Dimensions column and wait for every row's dimensions\n"
      "  --keep DIR  make the folders in DIR and leave them (default: a temp folder, removed)\n",
      out);
}

// A 64 x 48 JPEG, its bytes.
std::vector<std::uint8_t> SmallJpeg() {
  vr::Image image;
  image.Resize(64, 48);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<std::uint8_t> bytes;
  if (!vr::JpegCodec().Encode(image, 85, bytes, "bench.jpg").ok()) bytes.clear();
  return bytes;
}

// Hard links to a few copies of the JPEG: a file system caps the links one
// file may have (ext4 at 65,000).
void MakeFolder(const std::string& folder, int count, const std::vector<std::uint8_t>& jpeg) {
  constexpr int kLinksPerCopy = 50000;
  fs::create_directories(folder);
  char name[32];
  std::string copy;
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "/p%07d.jpg", i);
    const std::string path = folder + name;
    if (i % kLinksPerCopy == 0) {
      std::FILE* out = std::fopen(path.c_str(), "wb");
      if (out == nullptr) return;
      std::fwrite(jpeg.data(), 1, jpeg.size(), out);
      std::fclose(out);
      copy = path;
    } else if (::link(copy.c_str(), path.c_str()) != 0) {
      std::perror(path.c_str());
      return;
    }
  }
}

// Runs `work` in a child process; its wall time as the child reports it
// (or the time around the child when it reports none) and its peak RSS.
Measure InChild(const std::function<std::string(double&)>& work) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return {};
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_ends[0]);
    double seconds = -1;
    const std::string note = work(seconds);
    const std::string text = std::to_string(seconds) + " " + note;
    if (::write(pipe_ends[1], text.data(), text.size()) < 0) ::_exit(1);
    ::_exit(0);
  }
  ::close(pipe_ends[1]);
  std::string text;
  char buffer[512];
  for (ssize_t got; (got = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  ::close(pipe_ends[0]);
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  const double around = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Measure measure;
  // A child that exec'd another program reports nothing: its whole life counts.
  measure.seconds = text.empty() ? -1 : std::strtod(text.c_str(), nullptr);
  if (measure.seconds < 0) measure.seconds = around;
  const std::size_t space = text.find(' ');
  if (space != std::string::npos) measure.note = text.substr(space + 1);
  measure.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return measure;
}

Measure Find(const std::string& folder) {
  return InChild([&](double&) -> std::string {
    ::execlp("sh", "sh", "-c", ("exec find '" + folder + "' -type f >/dev/null").c_str(), nullptr);
    ::_exit(127);
  });
}

Measure Scan(const std::string& folder) {
  return InChild([&](double& seconds) {
    const auto start = std::chrono::steady_clock::now();
    const vr::Expected<vr::FolderScan> scan = vr::ScanPictureFolder(folder);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return std::to_string(scan.ok() ? scan->pictures.size() : 0) + " rows";
  });
}

Measure Window(const std::string& folder, const std::string& store_path, bool extra, bool empty) {
  return InChild([&](double& seconds) {
    int argc = 1;
    char name[] = "list_bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    vr::RegFileStore store(store_path);
    (void)store.WriteNumber("GENextra", extra ? 1 : 0);
    vr::SettingsRecord settings;
    vr::MainWindow window(settings, store);
    window.show();
    QApplication::processEvents();
    if (empty) return std::string("0 rows");
    // Paint events of the list while rows go in: the window is not frozen.
    struct PaintCounter : QObject {
      int paints = 0;
      bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
      }
    } counter;
    window.grid()->viewport()->installEventFilter(&counter);
    int progress_calls = 0;
    QElapsedTimer timer;
    timer.start();
    const vr::FolderAddResult result = vr::AddFolderRows(window, QString::fromStdString(folder), false,
                                                         [&](const vr::FolderAddStep&) { ++progress_calls; });
    seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::string note = std::to_string(window.grid()->RowCount()) + " rows, " +
                       std::to_string(counter.paints) + " repaints, " + std::to_string(progress_calls) +
                       " progress calls";
    if (extra) {
      const auto all_known = [&] {
        const vr::ImageList& list = window.grid()->list();
        for (std::int32_t i = list.RowCount(); i-- > 0;)
          if (list.row(static_cast<std::size_t>(i)).dimensions_state == vr::DimensionsState::kAsked ||
              list.row(static_cast<std::size_t>(i)).dimensions_state == vr::DimensionsState::kUnknown)
            return false;
        return true;
      };
      while (!all_known()) {
        QApplication::processEvents();
        QThread::msleep(5);
      }
      note +=
          ", every dimension after " + std::to_string(static_cast<double>(timer.nsecsElapsed()) / 1e9) + " s";
    }
    (void)result;
    return note;
  });
}

void Print(const char* what, const Measure& m, const Measure& peer) {
  std::printf("  %-8s %8.3f s %8.1f MiB   x%-6.1f %s\n", what, m.seconds, m.peak_mib,
              peer.seconds > 0 ? m.seconds / peer.seconds : 0.0, m.note.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  bool extra = false;
  std::string keep;
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    } else if (a == "--extra") {
      extra = true;
    } else if (a == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else if (std::atoi(a.c_str()) > 0) {
      counts.push_back(std::atoi(a.c_str()));
    } else {
      Usage(stderr);
      return 2;
    }
  }
  if (counts.empty()) counts = {10000, 100000};
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);

  std::string base = keep;
  if (base.empty()) {
    std::string pattern = (fs::temp_directory_path() / "list-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    base = pattern;
  }
  const std::vector<std::uint8_t> jpeg = SmallJpeg();
  const Measure empty_window = Window(base, base + "/settings.reg", false, true);
  std::printf("an empty window: %.1f MiB peak (the window rows below include it)\n", empty_window.peak_mib);
  std::printf("  %-8s %10s %12s %7s\n", "", "time", "peak RSS", "/find");
  for (const int count : counts) {
    const std::string folder = base + "/" + std::to_string(count);
    if (!fs::exists(folder)) MakeFolder(folder, count, jpeg);
    std::printf("%d files:\n", count);
    const Measure find = Find(folder);
    Print("find", find, find);
    Print("scan", Scan(folder), find);
    Print("window", Window(folder, base + "/settings.reg", extra, false), find);
    std::fflush(stdout);
  }
  if (keep.empty()) fs::remove_all(base);
  return 0;
}
