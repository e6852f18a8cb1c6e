#pragma once
// Points and boxes of the board's plane on a lattice of square cells, so that what lies near a
// place is found among the items of a few cells rather than among all of them: the pins, vias and
// path ends near a path end, the pads under a place, the pin nearest to a place. The callers
// number their items and test each item the index hands them; the index only narrows the search.
// Where the layer matters, a caller keeps one index per layer.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnwick {

class PlaceIndex {
    struct Node {
        std::uint32_t id;
        std::uint32_t next;
    };
    static constexpr std::uint32_t none = UINT32_MAX;

public:
    // Square cells `cell_size` wide (1 when that is no finite width above zero). A query looks at
    // the fewest cells when its reach is about half a cell.
    explicit PlaceIndex(double cell_size) : cell_(cell_size > 0 && std::isfinite(cell_size) ? cell_size : 1) {}

    // Room for about `items` points without growing.
    void reserve(std::size_t items);

    // The cell of a coordinate. Cell numbers are clamped so that none overflows: far-out and
    // unnumbered places share the outermost cells.
    std::int64_t cell_of(double value) const {
        const double cell = std::floor(value / cell_);
        if (!(cell > -cell_limit)) return -cell_limit;
        if (!(cell < cell_limit)) return cell_limit;
        return static_cast<std::int64_t>(cell);
    }
    // Whether places of one cell lie within a cell's width of each other: not so in the outermost
    // cells, which every place beyond them shares.
    static bool bounded(std::int64_t cell) { return cell > -cell_limit && cell < cell_limit; }

    // A point.
    void insert(std::uint32_t id, double x, double y) { add(id, cell_of(x), cell_of(y)); }

    // A box around (x, y), `half_x` and `half_y` either way (a pad, an area's extent): kept in
    // every cell it covers, or, when it covers more than box_cells_max cells, among the items
    // every query is given.
    void insert_box(std::uint32_t id, double x, double y, double half_x, double half_y);

    // The items of one cell, in the order they came.
    class Items {
    public:
        class Iterator {
        public:
            std::uint32_t operator*() const { return nodes_[at_].id; }
            Iterator& operator++() {
                at_ = nodes_[at_].next;
                return *this;
            }
            bool operator!=(const Iterator& other) const { return at_ != other.at_; }

        private:
            friend class Items;
            Iterator(const Node* nodes, std::uint32_t at) : nodes_(nodes), at_(at) {}
            const Node* nodes_;
            std::uint32_t at_;
        };
        Iterator begin() const { return Iterator(nodes_, head_); }
        Iterator end() const { return Iterator(nodes_, none); }
        std::uint32_t front() const { return nodes_[head_].id; }

    private:
        friend class PlaceIndex;
        Items(const Node* nodes, std::uint32_t head) : nodes_(nodes), head_(head) {}
        const Node* nodes_;
        std::uint32_t head_;
    };

    // The items of cell (cx, cy); none for a cell not in use.
    Items cell(std::int64_t cx, std::int64_t cy) const {
        const std::size_t slot = find(cx, cy);
        return Items(nodes_.data(), slot == no_slot ? none : slots_[slot].head);
    }

    // Calls visit(cx, cy, items) for every cell in use, in no order.
    template <typename Visit>
    void visit_cells(Visit visit) const {
        for (const Slot& slot : slots_) {
            if (slot.head != none) visit(slot.x, slot.y, Items(nodes_.data(), slot.head));
        }
    }

    // Calls visit(id) for every item that may lie within `reach` of (x, y) in x and in y (and for
    // some beyond it); a box may be visited once for each of its cells.
    template <typename Visit>
    void visit_near(double x, double y, double reach, Visit visit) const {
        for (const std::uint32_t id : wide_) visit(id);
        if (cells_ == 0) return;  // nothing in any cell: many a net has no via
        const Span s = span(x, y, reach, reach);
        if (walk_all(s)) {
            for (const Slot& slot : slots_) visit_list(slot.head, visit);
            return;
        }
        for (std::int64_t cx = s.x0; cx <= s.x1; ++cx) {
            for (std::int64_t cy = s.y0; cy <= s.y1; ++cy) {
                const std::size_t slot = find(cx, cy);
                if (slot != no_slot) visit_list(slots_[slot].head, visit);
            }
        }
    }

    // As visit_near, for items the caller retires as it goes: an item for which keep(id) returns
    // false leaves the cell it was met in, the items that stay keeping their order.
    template <typename Keep>
    void visit_near_keeping(double x, double y, double reach, Keep keep) {
        std::size_t kept = 0;
        for (const std::uint32_t id : wide_) {
            if (keep(id)) wide_[kept++] = id;
        }
        wide_.resize(kept);
        const Span s = span(x, y, reach, reach);
        if (walk_all(s)) {
            for (Slot& slot : slots_) keep_in(slot, keep);
            return;
        }
        for (std::int64_t cx = s.x0; cx <= s.x1; ++cx) {
            for (std::int64_t cy = s.y0; cy <= s.y1; ++cy) {
                const std::size_t slot = find(cx, cy);
                if (slot != no_slot) keep_in(slots_[slot], keep);
            }
        }
    }

    // Calls visit(id) ring by ring of cells around (x, y), outwards, for every item, until
    // done(clear) says the rest are of no interest, where no item yet to come lies nearer than
    // `clear` to (x, y) in x or in y (the rounding at the cells' edges allowed for). For the
    // nearest item: each ring costs a look-up of every cell it spans, so the cells should be
    // about as wide as the items lie apart.
    template <typename Visit, typename Done>
    void visit_outwards(double x, double y, Visit visit, Done done) const {
        for (const std::uint32_t id : wide_) visit(id);
        if (cells_ == 0) return;
        const std::int64_t qx = cell_of(x);
        const std::int64_t qy = cell_of(y);
        const std::int64_t first = std::max({std::int64_t{0}, x0_ - qx, qx - x1_, y0_ - qy, qy - y1_});
        const std::int64_t last = std::max({qx - x0_, x1_ - qx, qy - y0_, y1_ - qy});
        auto visit_block = [&](std::int64_t cx0, std::int64_t cx1, std::int64_t cy0, std::int64_t cy1) {
            cx0 = std::max(cx0, x0_);
            cx1 = std::min(cx1, x1_);
            cy0 = std::max(cy0, y0_);
            cy1 = std::min(cy1, y1_);
            for (std::int64_t cy = cy0; cy <= cy1; ++cy) {
                for (std::int64_t cx = cx0; cx <= cx1; ++cx) {
                    const std::size_t slot = find(cx, cy);
                    if (slot != no_slot) visit_list(slots_[slot].head, visit);
                }
            }
        };
        // An item in ring r lies more than r - 1 cells away; two rings more allow for rounding.
        for (std::int64_t r = first; r <= last; ++r) {
            if (r >= 3 && done(static_cast<double>(r - 3) * cell_)) return;
            if (r == 0) {
                visit_block(qx, qx, qy, qy);
                continue;
            }
            visit_block(qx - r, qx + r, qy - r, qy - r);
            visit_block(qx - r, qx + r, qy + r, qy + r);
            visit_block(qx - r, qx - r, qy - r + 1, qy + r - 1);
            visit_block(qx + r, qx + r, qy - r + 1, qy + r - 1);
        }
    }

    // Boxes covering more cells than this are given to every query instead.
    static constexpr double box_cells_max = 64;

private:
    static constexpr std::int64_t cell_limit = 1000000000000000LL;
    static constexpr std::size_t no_slot = SIZE_MAX;

    // A cell in use: its place and its items, first to last. The cells are kept in a table of
    // open addressing, so that a cell costs no allocation of its own.
    struct Slot {
        // No cell number is this low: a slot not in use. A cell that lost all its items stays in
        // use, for the items to come.
        static constexpr std::int64_t unused = INT64_MIN;
        std::int64_t x = unused;
        std::int64_t y = 0;
        std::uint32_t head = none;
        std::uint32_t tail = none;
        bool used() const { return x != unused; }
    };

    // The cells a box of `reach_x` by `reach_y` around (x, y) spans, its sides moved out by far
    // more than the rounding of x - reach_x and the like, so that no rounding can hide an item. A
    // place's cell is found by the same rounding, which never puts a larger coordinate in a lower
    // cell.
    struct Span {
        std::int64_t x0, x1, y0, y1;
        double cells;  // how many
    };
    Span span(double x, double y, double reach_x, double reach_y) const {
        const double slack_x = (std::fabs(x) + reach_x) * 1e-12;
        const double slack_y = (std::fabs(y) + reach_y) * 1e-12;
        Span s{cell_of(x - reach_x - slack_x), cell_of(x + reach_x + slack_x), cell_of(y - reach_y - slack_y),
               cell_of(y + reach_y + slack_y), 0};
        s.cells = (static_cast<double>(s.x1 - s.x0) + 1) * (static_cast<double>(s.y1 - s.y0) + 1);
        return s;
    }
    // A span of more cells than this and than the cells in use is better walked in full: a cell
    // size that overflowed, or far-out places sharing the clamped cells, would walk empty cells
    // by the billion. Queries whose reach is within half a cell span at most 3 by 3 cells.
    static constexpr double wide_span = 64;
    bool walk_all(const Span& s) const { return s.cells > wide_span && s.cells > static_cast<double>(cells_); }

    static std::size_t hash(std::int64_t cx, std::int64_t cy) {
        std::uint64_t h = static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint64_t>(cy);
        h = (h ^ (h >> 29)) * 0xBF58476D1CE4E5B9ULL;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
    // The slot of cell (cx, cy), or no_slot.
    std::size_t find(std::int64_t cx, std::int64_t cy) const {
        if (slots_.empty()) return no_slot;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash(cx, cy) & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (!slot.used()) return no_slot;
            if (slot.x == cx && slot.y == cy) return at;
        }
    }
    void add(std::uint32_t id, std::int64_t cx, std::int64_t cy);
    // Spreads the slots used over `size` slots, a power of two.
    void rehash(std::size_t size);

    template <typename Visit>
    void visit_list(std::uint32_t at, Visit& visit) const {
        for (; at != none; at = nodes_[at].next) visit(nodes_[at].id);
    }
    template <typename Keep>
    void keep_in(Slot& slot, Keep& keep) {
        std::uint32_t last = none;
        for (std::uint32_t at = slot.head; at != none; at = nodes_[at].next) {
            if (keep(nodes_[at].id)) {
                (last == none ? slot.head : nodes_[last].next) = at;
                last = at;
            }
        }
        if (last == none) {
            slot.head = none;
        } else {
            nodes_[last].next = none;
        }
        slot.tail = last;
    }

    double cell_;
    std::vector<Slot> slots_;  // a power of two of them, at most half used
    std::vector<Node> nodes_;  // every item of every cell, each cell's chained from its head
    std::vector<std::uint32_t> wide_;  // boxes every query is given
    std::size_t cells_ = 0;            // slots used
    // The least and largest cell numbers in use.
    std::int64_t x0_ = 0, x1_ = 0, y0_ = 0, y1_ = 0;
};

}  // namespace tarnwick
