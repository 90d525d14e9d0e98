// KeepFreedMemory: glibc's trim and map thresholds (the contract is in
// FreedMemory.h).
#include "FreedMemory.h"

// Any C library header says which library this is (__GLIBC__).
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tabula {

void KeepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, kKeptFreedBytes);
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
#endif
}

} // namespace tabula
