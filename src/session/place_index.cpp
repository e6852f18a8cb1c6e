#include "session/place_index.h"

#include <utility>

#include "core/huge_pages.h"

namespace tarnwick {

void PlaceIndex::reserve(std::size_t items) {
    if (items == 0) return;
    if (items > nodes_.capacity()) reserve_on_huge_pages(nodes_, items);
    std::size_t size = slots_.empty() ? 16 : slots_.size();
    while (size < 2 * items) size *= 2;
    if (size > slots_.size()) rehash(size);
}

void PlaceIndex::rehash(std::size_t size) {
    // The table of a large net's index is megabytes, made anew at each doubling: on huge pages
    // it costs a few page faults rather than one per 4 KiB.
    std::vector<Slot> table;
    reserve_on_huge_pages(table, size);
    table.resize(size);
    std::vector<Slot> old = std::exchange(slots_, std::move(table));
    const std::size_t mask = size - 1;
    for (const Slot& slot : old) {
        if (!slot.used()) continue;
        std::size_t at = hash(slot.x, slot.y) & mask;
        while (slots_[at].used()) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

void PlaceIndex::add(std::uint32_t id, std::int64_t cx, std::int64_t cy) {
    if (2 * (cells_ + 1) > slots_.size()) rehash(slots_.empty() ? 16 : 2 * slots_.size());
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash(cx, cy) & mask;
    while (slots_[at].used() && (slots_[at].x != cx || slots_[at].y != cy)) at = (at + 1) & mask;
    Slot& slot = slots_[at];
    if (!slot.used()) {
        slot = Slot{cx, cy, none, none};
        if (cells_ == 0) {
            x0_ = x1_ = cx;
            y0_ = y1_ = cy;
        } else {
            x0_ = std::min(x0_, cx);
            x1_ = std::max(x1_, cx);
            y0_ = std::min(y0_, cy);
            y1_ = std::max(y1_, cy);
        }
        ++cells_;
    }
    const auto node = static_cast<std::uint32_t>(nodes_.size());
    nodes_.push_back(Node{id, none});
    (slot.tail == none ? slot.head : nodes_[slot.tail].next) = node;
    slot.tail = node;
}

void PlaceIndex::insert_box(std::uint32_t id, double x, double y, double half_x, double half_y) {
    const Span s = span(x, y, half_x, half_y);
    if (!(s.cells <= box_cells_max)) {
        wide_.push_back(id);
        return;
    }
    for (std::int64_t cx = s.x0; cx <= s.x1; ++cx) {
        for (std::int64_t cy = s.y0; cy <= s.y1; ++cy) add(id, cx, cy);
    }
}

}  // namespace tarnwick
