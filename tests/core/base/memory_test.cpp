// Memory: what the process may use (the control group's files as the
// kernel writes them, an address-space limit that tightens the figure), and
// the heap set-up the programs start with: large buffers come from memory
// marked for huge pages, and a freed buffer's memory serves the next one.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "base/heap_reuse.h"
#include "base/memory_limit.h"
#include "support/build_test_util.h"

namespace vr {
namespace {

bool KernelOffersHugePages() {
  std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string line;
  return std::getline(in, line) && line.find("[never]") == std::string::npos;
}

// The "THPeligible" line of the mapping that holds `address`, or -1.
int HugePageEligible(const void* address) {
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

TEST(MemoryLimitTest, ReadsTheControlGroupsFilesAsTheKernelWritesThem) {
  EXPECT_EQ(ParseCgroupMemoryLimit("536870912\n"), std::uint64_t{536870912});
  for (const char* unlimited : {"max\n", "9223372036854771712\n", "", "12k"})  // v2 and v1 "no limit"
    EXPECT_EQ(ParseCgroupMemoryLimit(unlimited), std::nullopt) << unlimited;
  EXPECT_EQ(CgroupV2Path("0::/user.slice/app.scope\n"), "/user.slice/app.scope");
  EXPECT_EQ(CgroupV2Path("12:memory:/docker/abc\n0::/\n"), "/");
  EXPECT_EQ(CgroupV2Path("12:memory:/docker/abc\n4:cpu:/x\n"), std::nullopt);
}

TEST(MemoryLimitTest, AnAddressSpaceLimitTightensTheUsableMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers need their address space";
#endif
  const rlim_t cap = std::min<rlim_t>(UsableMemory().bytes / 2, rlim_t{1} << 30);
  EXPECT_EQ(test::InChild([&] {
              const rlimit limit{cap, cap};
              if (setrlimit(RLIMIT_AS, &limit) != 0) return 2;
              const MemoryLimit seen = UsableMemory();
              return seen.bytes == cap && seen.source == "address-space limit" ? 0 : 1;
            }),
            0);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnAllocator = true;  // the sanitizer's malloc ignores the C library's settings
#else
constexpr bool kOwnAllocator = false;
#endif

TEST(HeapReuseTest, LargeBuffersComeFromHugePagesAndStayInTheHeapWhenFreed) {
  if (kOwnAllocator) GTEST_SKIP() << "the sanitizer's malloc ignores the C library's settings";
  KeepFreedBuffersForReuse(2);
  const bool huge_pages = KernelOffersHugePages();
  constexpr std::size_t kBuffer = 64u << 20;  // a progressive photo's coefficients
  const std::size_t mapped_before = mallinfo2().hblkhd;
  auto* buffer = static_cast<char*>(std::malloc(kBuffer));
  ASSERT_NE(buffer, nullptr);
  std::memset(buffer, 1, kBuffer);
  EXPECT_TRUE(!huge_pages || HugePageEligible(buffer + kBuffer / 2) == 1) << "not marked for huge pages";
  // Cut from the heap, not a mapping of its own that freeing would hand back.
  EXPECT_EQ(mallinfo2().hblkhd, mapped_before);
  std::free(buffer);
  EXPECT_GE(mallinfo2().fordblks, kBuffer) << "the freed buffer left the heap";
}

}  // namespace
}  // namespace vr
