#pragma once
// Huge pages for the few large blocks of a big board: a block filled right after it is made
// then costs a few page faults instead of one per 4 KiB.

#include <cstddef>
#include <vector>

namespace tarnwick {

// Asks the system to back the block with huge pages where it can. Only advice: nothing changes
// when it is not taken.
void prefer_huge_pages(void* data, std::size_t size);

// Freed memory stays with the process for the next block rather than going back to the system:
// a big board's blocks come and go (the board file's text, the session's, the routed nets), and
// memory taken back from the system costs a page fault per 4 KiB again. Once, at start.
void keep_freed_memory();

// Makes room for `count` elements and advises huge pages for it before they are made.
template <typename T>
void reserve_on_huge_pages(std::vector<T>& items, std::size_t count) {
    items.reserve(count);
    prefer_huge_pages(items.data(), count * sizeof(T));
}

}  // namespace tarnwick
