// How much memory this process may really use: the machine's, or less where
// an address-space limit (ulimit -v) or the control group's memory limit (a
// container, a systemd slice) says so. Budgets taken from the machine alone
// let a run be killed by a limit it never looked at.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vr {

struct MemoryLimit {
  std::uint64_t bytes = 0;  // 0: nothing is known
  std::string_view source;  // "physical memory", "address-space limit", "control group limit"
};

// The smallest of the three that is set.
MemoryLimit UsableMemory();

// The machine's memory in bytes; 0 where the system does not say.
std::uint64_t PhysicalMemoryBytes();

// A control group's memory.max (v2) or memory.limit_in_bytes (v1) text:
// the limit in bytes, or nothing for "max" and for v1's "no limit" values
// near 2^63.
std::optional<std::uint64_t> ParseCgroupMemoryLimit(std::string_view text);

// The cgroup v2 path of this process from /proc/self/cgroup's text ("0::/a/b"
// gives "/a/b"); nothing for a v1-only system.
std::optional<std::string_view> CgroupV2Path(std::string_view proc_self_cgroup);

}  // namespace vr
