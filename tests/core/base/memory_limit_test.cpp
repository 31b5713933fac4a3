// What the process may use: the control group's files as the kernel writes
// them, and an address-space limit that tightens the figure.
#include "base/memory_limit.h"

#include <gtest/gtest.h>

#include "support/build_test_util.h"

namespace vr {
namespace {

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

}  // namespace
}  // namespace vr
