// The heap set-up the programs start with: large buffers come from memory
// marked for huge pages, and a freed buffer's memory serves the next one.
#include "base/heap_reuse.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnAllocator = true;  // the sanitizer's malloc ignores the C library's settings
#else
constexpr bool kOwnAllocator = false;
#endif

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
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2) {  // a mapping's first line
      inside = at >= from && at < to;
      continue;
    }
    if (inside && line.rfind("THPeligible:", 0) == 0) return std::atoi(line.c_str() + 12);
  }
  return -1;
}

class HeapReuseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { vr::KeepFreedBuffersForReuse(2); }
};

TEST_F(HeapReuseTest, LargeBuffersComeFromHugePageMemory) {
  if (kOwnAllocator || !KernelOffersHugePages()) GTEST_SKIP() << "no huge pages for this allocator or kernel";
  constexpr std::size_t kBuffer = 64u << 20;  // a progressive photo's coefficients
  void* buffer = std::malloc(kBuffer);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(HugePageEligible(static_cast<char*>(buffer) + kBuffer / 2), 1);
  std::free(buffer);
}

TEST_F(HeapReuseTest, FreedBuffersStayInTheHeap) {
  if (kOwnAllocator) GTEST_SKIP() << "the sanitizer's malloc ignores the C library's settings";
  constexpr std::size_t kBuffer = 40u << 20;
  const std::size_t mapped_before = mallinfo2().hblkhd;
  auto* buffer = static_cast<char*>(std::malloc(kBuffer));
  ASSERT_NE(buffer, nullptr);
  // Cut from the heap, not a mapping of its own that freeing would hand back.
  EXPECT_EQ(mallinfo2().hblkhd, mapped_before);
  std::memset(buffer, 1, kBuffer);
  std::free(buffer);
  EXPECT_GE(mallinfo2().fordblks, kBuffer) << "the freed buffer left the heap";
}

}  // namespace
