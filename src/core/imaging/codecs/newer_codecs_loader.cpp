// Finds and loads the newer formats' module once a process. It sits at a
// fixed step from the program's own folder, in the build tree and after
// installing under any prefix alike; the install folder is the fallback for
// a program copied elsewhere.
#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "imaging/codecs/newer_codecs.h"

#ifndef VARENNA_MODULES_FROM_BIN
#error "VARENNA_MODULES_FROM_BIN (the modules' folder relative to the programs' folder) comes from the build"
#endif
#ifndef VARENNA_MODULES_INSTALLED
#error "VARENNA_MODULES_INSTALLED (the modules' folder after installing) comes from the build"
#endif

namespace vr {
namespace {

namespace fs = std::filesystem;

using EntryFunction = const NewerCodecTable* (*)();

std::vector<fs::path> Candidates() {
  std::vector<fs::path> paths;
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (!error)
    paths.push_back(
        (exe.parent_path() / VARENNA_MODULES_FROM_BIN / kNewerCodecModuleName).lexically_normal());
  const fs::path installed = fs::path(VARENNA_MODULES_INSTALLED) / kNewerCodecModuleName;
  if (paths.empty() || paths.front() != installed) paths.push_back(installed);
  return paths;
}

// The table, or why there is none (without the file it is for).
struct Loaded {
  const NewerCodecTable* table = nullptr;
  std::string why;
};

std::string WhyUnfit(const NewerCodecTable* table, const fs::path& path) {
  if (table == nullptr) return path.string() + " gave no codecs";
  if (table->layout != kNewerCodecTableLayout || std::strcmp(table->version, VARENNA_VERSION) != 0)
    return path.string() + " belongs to version " + table->version + ", not " + VARENNA_VERSION;
  return {};
}

Loaded Load() {
  Loaded loaded;
  for (const fs::path& path : Candidates()) {
    std::error_code error;
    if (!fs::exists(path, error)) {
      if (loaded.why.empty()) loaded.why = path.string() + " is missing";
      continue;
    }
    // Kept for the life of the process: its functions may run on any worker.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      const char* reason = dlerror();
      loaded.why = reason != nullptr ? reason : path.string() + " could not be loaded";
      continue;
    }
    auto entry = reinterpret_cast<EntryFunction>(dlsym(module, kNewerCodecEntry));
    const NewerCodecTable* table = entry != nullptr ? entry() : nullptr;
    if (std::string wrong = WhyUnfit(table, path); !wrong.empty()) {
      loaded.why = wrong;
      dlclose(module);
      continue;
    }
    loaded.table = table;
    loaded.why.clear();
    return loaded;
  }
  return loaded;
}

}  // namespace

Expected<const NewerCodecTable*> NewerCodecs(const std::string& file) {
  static std::once_flag once;
  static Loaded loaded;
  std::call_once(once, [] { loaded = Load(); });
  if (loaded.table != nullptr) return loaded.table;
  return Status::Fail("Cannot handle " + file + ": AVIF, JPEG XL and HEIF need the module " +
                      kNewerCodecModuleName + " (" + loaded.why + ")");
}

}  // namespace vr
