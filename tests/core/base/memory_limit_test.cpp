// What the process may use: the control group's files as the kernel writes
// them, and an address-space limit that tightens the figure.
#include "base/memory_limit.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vr {
namespace {

TEST(MemoryLimitTest, ReadsTheControlGroupsLimitAsTheKernelWritesIt) {
  EXPECT_EQ(ParseCgroupMemoryLimit("536870912\n"), std::uint64_t{536870912});
  EXPECT_EQ(ParseCgroupMemoryLimit("max\n"), std::nullopt);                  // v2: no limit
  EXPECT_EQ(ParseCgroupMemoryLimit("9223372036854771712\n"), std::nullopt);  // v1: no limit
  EXPECT_EQ(ParseCgroupMemoryLimit(""), std::nullopt);
  EXPECT_EQ(ParseCgroupMemoryLimit("12k"), std::nullopt);
}

TEST(MemoryLimitTest, FindsTheUnifiedGroupAmongTheProcessesGroups) {
  EXPECT_EQ(CgroupV2Path("0::/user.slice/app.scope\n"), "/user.slice/app.scope");
  EXPECT_EQ(CgroupV2Path("12:memory:/docker/abc\n0::/\n"), "/");
  EXPECT_EQ(CgroupV2Path("12:memory:/docker/abc\n4:cpu:/x\n"), std::nullopt);
}

TEST(MemoryLimitTest, AnAddressSpaceLimitTightensTheUsableMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers need their address space";
#endif
  const MemoryLimit unlimited = UsableMemory();
  ASSERT_GT(unlimited.bytes, 0u);
  const pid_t child = fork();
  if (child == 0) {
    const rlim_t cap = std::min<rlim_t>(unlimited.bytes / 2, rlim_t{1} << 30);
    rlimit limit{cap, cap};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
    const MemoryLimit seen = UsableMemory();
    _exit(seen.bytes == cap && seen.source == "address-space limit" ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace vr
