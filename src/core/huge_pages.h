#pragma once
// Huge pages for the few large blocks of a big board: a block filled right after it is made
// then costs a few page faults instead of one per 4 KiB.

#include <cstddef>
#include <vector>

namespace tarnwick {

// Asks the system to back the block with huge pages where it can. Only advice: nothing changes
// when it is not taken.
void prefer_huge_pages(void* data, std::size_t size);

// Makes room for `count` elements and advises huge pages for it before they are made.
template <typename T>
void reserve_on_huge_pages(std::vector<T>& items, std::size_t count) {
    items.reserve(count);
    prefer_huge_pages(items.data(), count * sizeof(T));
}

}  // namespace tarnwick
