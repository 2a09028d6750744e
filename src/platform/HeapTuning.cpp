#include "platform/HeapTuning.h"

#include <cstdint>
#include <cstdlib>  // defines __GLIBC__ on glibc systems

#include "platform/AsideThread.h"
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace inkvista {

void KeepFreedPageMemory() {
#if defined(__GLIBC__)
    // Blocks up to 32 MiB (glibc's largest setting) come from the heap
    // rather than from mappings of their own, and the heap keeps up to
    // 64 MiB free at its top before it shrinks.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

void FaultInAhead([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    if (data == nullptr || bytes == 0 || page == 0) return;
    const auto first = reinterpret_cast<std::uintptr_t>(data) & ~(page - 1);
    const std::size_t length =
        (reinterpret_cast<std::uintptr_t>(data) + bytes - first + page - 1) & ~(page - 1);
    // madvise neither reads nor writes the memory: a range unmapped
    // meanwhile only makes the call fail. The thread ends with the call;
    // the last one is waited for at exit.
    static AsideThread faulting;
    faulting = AsideThread(
        [first, length] { madvise(reinterpret_cast<void*>(first), length, MADV_POPULATE_WRITE); });
#endif
}

}  // namespace inkvista
