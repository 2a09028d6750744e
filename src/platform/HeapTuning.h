// How the process's memory is readied: the heap for the page buffers, and
// memory faulted in ahead of its first use.
#pragma once

#include <cstddef>

namespace inkvista {

// Page buffers of a few megabytes are made and dropped at every page turn.
// By default glibc gives such blocks back to the system when they are freed,
// and the next page then faults every one of their pages in again and has
// them cleared: on a virtual machine that was more than half of a page turn.
// After this call freed memory up to 64 MiB stays in the heap for the next
// page. The peak is the same; only its return to the system waits. Call it
// once, at the start of a program that reads pages.
void KeepFreedPageMemory();

// Has the pages of [data, data + bytes) faulted in, writable, on a thread of
// its own, and returns at once; their contents stay as they are. For memory
// that is about to be written all over while the caller waits for something
// else: the kernel's clearing of each first-touched page then happens beside
// that wait instead of in the first write. Pages unmapped meanwhile are
// skipped, and where the kernel cannot do this (before Linux 5.14) nothing
// happens.
void FaultInAhead(void* data, std::size_t bytes);

}  // namespace inkvista
