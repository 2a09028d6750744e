// How the process heap treats the page buffers.
#pragma once

namespace inkvista {

// Page buffers of a few megabytes are made and dropped at every page turn.
// By default glibc gives such blocks back to the system when they are freed,
// and the next page then faults every one of their pages in again and has
// them cleared: on a virtual machine that was more than half of a page turn.
// After this call freed memory up to 64 MiB stays in the heap for the next
// page. The peak is the same; only its return to the system waits. Call it
// once, at the start of a program that reads pages.
void KeepFreedPageMemory();

}  // namespace inkvista
