#include "core/huge_pages.h"

#include <cstdint>

#if defined(__has_include)
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tarnwick {

#if defined(MADV_HUGEPAGE)

void prefer_huge_pages(void* data, std::size_t size) {
    constexpr std::uintptr_t huge = std::uintptr_t{1} << 21;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + huge - 1) & ~(huge - 1);
    const std::uintptr_t end = (start + size) & ~(huge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

#else

// A system without transparent huge pages (Windows gives large pages only to a process with a
// privilege users lack): the advice has nobody to take it.
void prefer_huge_pages(void*, std::size_t) {}

#endif

#if defined(__GLIBC__)

void keep_freed_memory() {
    // Blocks up to 8 MiB from the heap (the library's own bound moves up to 32 MiB as blocks
    // are freed, and is then reached late), and the heap's free top kept. The largest blocks (the
    // files' texts, the vectors of the largest nets) stay mappings of their own: in the heap their
    // holes would add to peak memory.
    mallopt(M_MMAP_THRESHOLD, 8 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

#else

// Other C libraries keep their own policy.
void keep_freed_memory() {}

#endif

}  // namespace tarnwick
