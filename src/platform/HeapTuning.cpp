#include "platform/HeapTuning.h"

#include <cstdlib>  // defines __GLIBC__ on glibc systems
#if defined(__GLIBC__)
#include <malloc.h>
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

}  // namespace inkvista
