#include "base/heap_reuse.h"

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "base/memory_limit.h"

namespace vr {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
// Below the mapping threshold, so the blocks come from the one heap.
constexpr std::size_t kBlock = 128 * kMiB;
constexpr std::size_t kPerWorker = 128 * kMiB;  // a large progressive photo's decode, with room
constexpr std::size_t kHugePage = 2 * kMiB;
constexpr std::size_t kMaxReserve = 1024 * kMiB;

// Grows the heap by `bytes` and asks for huge pages in it, then frees the
// blocks again: they join the heap's free top, where later buffers are cut.
void ReserveHugePageHeap(std::size_t bytes) {
  std::vector<void*> blocks;
  for (std::size_t done = 0; done < bytes; done += kBlock) {
    void* block = std::malloc(kBlock);
    if (block == nullptr) break;
    blocks.push_back(block);
    const auto begin = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + kBlock) & ~(kHugePage - 1);
    // Refused where the kernel has no huge pages: the heap then works as before.
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
  for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) std::free(*it);
}

}  // namespace

void KeepFreedBuffersForReuse(int workers) {
  if (workers <= 0) workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  // At most 1 GiB, and a quarter of the memory this process may use, of address space.
  std::size_t reserve = std::min(static_cast<std::size_t>(workers) * kPerWorker, kMaxReserve);
  if (const std::uint64_t usable = UsableMemory().bytes; usable > 0)
    reserve = std::min<std::size_t>(reserve, static_cast<std::size_t>(usable / 4));

  mallopt(M_MMAP_THRESHOLD, static_cast<int>(2 * kBlock));
  // Freed memory below this stays in the heap, the reserve included.
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(reserve + 512 * kMiB));
  mallopt(M_ARENA_MAX, 1);
  ReserveHugePageHeap(reserve);
}

}  // namespace vr
