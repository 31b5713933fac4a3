// The machine's memory, for the limits that are a share of it.
#pragma once

#include <unistd.h>

#include <cstdint>

namespace vr {

// In bytes; 0 where the system does not say.
inline std::uint64_t PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
  return pages > 0 && page > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page) : 0;
}

}  // namespace vr
