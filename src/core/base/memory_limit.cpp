#include "base/memory_limit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace vr {
namespace {

std::optional<std::string> ReadSmallFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<std::uint64_t> AddressSpaceLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
  return static_cast<std::uint64_t>(limit.rlim_cur);
}

// The tightest memory limit on this process's group and the groups above it.
std::optional<std::uint64_t> CgroupLimit() {
  std::optional<std::uint64_t> tightest;
  auto consider = [&](const std::string& file) {
    if (std::optional<std::string> text = ReadSmallFile(file))
      if (std::optional<std::uint64_t> limit = ParseCgroupMemoryLimit(*text))
        if (!tightest || *limit < *tightest) tightest = limit;
  };
  if (std::optional<std::string> groups = ReadSmallFile("/proc/self/cgroup")) {
    if (std::optional<std::string_view> path = CgroupV2Path(*groups)) {
      std::string group(*path);
      for (;;) {
        consider("/sys/fs/cgroup" + group + "/memory.max");
        if (group.empty() || group == "/") break;
        group.erase(group.rfind('/'));
      }
    }
  }
  consider("/sys/fs/cgroup/memory/memory.limit_in_bytes");
  return tightest;
}

}  // namespace

std::uint64_t PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
  return pages > 0 && page > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page) : 0;
}

std::optional<std::uint64_t> ParseCgroupMemoryLimit(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  // cgroup v1 writes "no limit" as the largest page-aligned signed value.
  if (value >= (std::uint64_t{1} << 62)) return std::nullopt;
  return value;
}

std::optional<std::string_view> CgroupV2Path(std::string_view groups) {
  while (!groups.empty()) {
    const std::size_t end = groups.find('\n');
    const std::string_view line = groups.substr(0, end);
    if (line.starts_with("0::")) return line.substr(3);
    if (end == std::string_view::npos) break;
    groups.remove_prefix(end + 1);
  }
  return std::nullopt;
}

MemoryLimit UsableMemory() {
  MemoryLimit usable{PhysicalMemoryBytes(), "physical memory"};
  auto tighten = [&](std::optional<std::uint64_t> bytes, std::string_view source) {
    if (bytes && (usable.bytes == 0 || *bytes < usable.bytes)) usable = {*bytes, source};
  };
  tighten(AddressSpaceLimit(), "address-space limit");
  tighten(CgroupLimit(), "control group limit");
  return usable;
}

}  // namespace vr
