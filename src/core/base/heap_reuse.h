// Pictures come and go by the thousand with buffers of megabytes. By default
// the C library hands such buffers back to the system when they are freed,
// so every picture faults its memory in afresh. Programs call this once at
// start to keep freed buffers in the heap for the next picture; the heap then
// stays at the run's working set.
// One arena for all threads: a worker thread's own arena cannot grow past
// 64 MiB, so the decoder's larger buffers (a progressive photo needs tens of
// megabytes of coefficients) would be mapped and unmapped for every file.
// The few large allocations per picture make the shared lock cheap.
// The heap is also grown up front by a share per worker and marked for
// transparent huge pages: a run still touches that working set once, and in
// 4 KiB pages those first touches cost about as much as the decoding itself
// (tens of thousands of faults for a 2-core run). Only address space is
// reserved; memory is used as the pictures need it.
#pragma once

namespace vr {

// workers 0: one per core.
void KeepFreedBuffersForReuse(int workers = 0);

}  // namespace vr
