#include "core/huge_pages.h"

#include <cstdint>

#include <sys/mman.h>

namespace tarnwick {

void prefer_huge_pages(void* data, std::size_t size) {
    constexpr std::uintptr_t huge = std::uintptr_t{1} << 21;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + huge - 1) & ~(huge - 1);
    const std::uintptr_t end = (start + size) & ~(huge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace tarnwick
