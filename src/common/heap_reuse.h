// Pictures come and go by the thousand with buffers of megabytes. By default
// the C library hands such buffers back to the system when they are freed,
// so every picture faults its memory in afresh (about a quarter of a batch's
// time). Programs call this once at start to keep freed buffers in the heap
// for the next picture; the heap then stays at the run's working set.
// One arena for all threads: a worker thread's own arena cannot grow past
// 64 MiB, so the decoder's larger buffers (a progressive photo needs tens of
// megabytes of coefficients) would be mapped and unmapped for every file.
// The few large allocations per picture make the shared lock cheap.
#pragma once

#include <malloc.h>

namespace vr {

inline void KeepFreedBuffersForReuse() {
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  mallopt(M_ARENA_MAX, 1);
}

}  // namespace vr
