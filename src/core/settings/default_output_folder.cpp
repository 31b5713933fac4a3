#include "settings/default_output_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/file_bytes.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

// user-dirs.dirs holds a dozen short lines; anything far larger is not one.
constexpr std::size_t kMaxUserDirsBytes = std::size_t{64} << 10;
constexpr std::string_view kPicturesName = "XDG_PICTURES_DIR=";

// `path` with "." and ".." steps folded and no trailing "/", so two
// spellings of one folder compare equal.
std::string Tidy(const std::string& path) {
  std::string text = fs::path(path).lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

// `name` inside `folder`, one "/" between them even when `folder` is "/".
std::string Under(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

// The value after NAME= as the shell reads it: inside double quotes a
// backslash takes the next character as it is; unquoted, up to a blank.
// Nothing for a quote left open.
std::optional<std::string> ShellValue(std::string_view text) {
  std::string value;
  if (text.empty() || text.front() != '"') {
    const std::size_t end = text.find_first_of(" \t");
    return std::string(text.substr(0, end));
  }
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') return value;
    if (c == '\\' && i + 1 < text.size()) {
      value += text[++i];
      continue;
    }
    value += c;
  }
  return std::nullopt;
}

// XDG_PICTURES_DIR's value in a user-dirs.dirs text, the last line that
// sets it; nothing when none does.
std::optional<std::string> PicturesEntry(std::string_view text) {
  std::optional<std::string> found;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) continue;
    line.remove_prefix(start);
    if (line.substr(0, kPicturesName.size()) != kPicturesName) continue;
    if (std::optional<std::string> value = ShellValue(line.substr(kPicturesName.size()))) found = value;
  }
  return found;
}

// The entry as a path: "$HOME" or "${HOME}" at its start stands for the
// home, and a relative path lies under the home.
std::string ExpandEntry(const std::string& entry, const std::string& home) {
  for (std::string_view name : {std::string_view("$HOME"), std::string_view("${HOME}")}) {
    if (entry.compare(0, name.size(), name) == 0 &&
        (entry.size() == name.size() || entry[name.size()] == '/')) {
      const std::string rest = entry.substr(name.size());
      return rest.empty() ? home : home == "/" ? rest : home + rest;
    }
  }
  if (!entry.empty() && entry.front() == '/') return entry;
  return Under(home, entry);
}

std::string ConfigHome(const std::string& home, const OutputFolderInputs::Environment& environment) {
  if (environment) {
    const std::optional<std::string> config = environment("XDG_CONFIG_HOME");
    if (config && !config->empty() && config->front() == '/') return *config;
  }
  return Under(home, ".config");
}

std::string HomeOfThisUser() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr)
    return found->pw_dir;
  return std::string();
}

}  // namespace

std::string PicturesFolder(const std::string& home, const OutputFolderInputs::Environment& environment) {
  const std::string tidy_home = Tidy(home);
  const std::string fallback = Under(tidy_home, "Pictures");
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFileInto(Under(ConfigHome(tidy_home, environment), "user-dirs.dirs"), bytes,
                         kMaxUserDirsBytes))
    return fallback;
  const std::optional<std::string> entry =
      PicturesEntry(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!entry) return fallback;
  const std::string pictures = Tidy(ExpandEntry(*entry, tidy_home));
  return pictures == tidy_home ? fallback : pictures;
}

std::string DefaultOutputFolder(const OutputFolderInputs& inputs) {
  if ((inputs.writable && inputs.writable(inputs.program_folder)) || inputs.home.empty())
    return inputs.program_folder;
  return Under(PicturesFolder(inputs.home, inputs.environment), "Thumbnails");
}

std::string DefaultOutputFolder() {
  OutputFolderInputs inputs;
  inputs.program_folder = ProgramFolder();
  inputs.home = HomeOfThisUser();
  inputs.environment = [](std::string_view name) -> std::optional<std::string> {
    const char* value = std::getenv(std::string(name).c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
  inputs.writable = [](const std::string& folder) { return ::access(folder.c_str(), W_OK) == 0; };
  return DefaultOutputFolder(inputs);
}

std::string ProgramFolder() {
  std::error_code error;
  fs::path exe = fs::read_symlink("/proc/self/exe", error);
  fs::path folder = error ? fs::current_path(error) : exe.parent_path();
  std::string text = folder.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text.empty() ? std::string("/") : text;
}

}  // namespace vr
