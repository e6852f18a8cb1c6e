#pragma once
// Points of one net on a grid, so that the points near a place are found without comparing the
// place with every point of the net.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tarnwick {

// Square cells of a given width, numbered so that no coordinate overflows a cell number.
class CellLattice {
public:
    explicit CellLattice(double cell_size) : cell_(cell_size > 0 && std::isfinite(cell_size) ? cell_size : 1) {}

    // Clamped: far-out points share the outermost cells.
    std::int64_t cell_of(double value) const {
        const double cell = std::floor(value / cell_);
        if (!(cell > -1e15)) return -1000000000000000LL;
        if (!(cell < 1e15)) return 1000000000000000LL;
        return static_cast<std::int64_t>(cell);
    }
    static std::uint64_t key(std::int64_t cx, std::int64_t cy) {
        return static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint64_t>(cy);
    }
    std::uint64_t key_of(double x, double y) const { return key(cell_of(x), cell_of(y)); }

    // The cells a square of `reach` around (x, y) spans, its sides moved out by far more than the
    // rounding of x - reach and the like, so that no rounding can hide a point. A point's cell is
    // found by the same rounding, which never puts a larger coordinate in a lower cell.
    struct Span {
        std::int64_t x0, x1, y0, y1;
        double cells;  // how many
    };
    Span span(double x, double y, double reach) const {
        const double slack_x = (std::fabs(x) + reach) * 1e-12;
        const double slack_y = (std::fabs(y) + reach) * 1e-12;
        Span s{cell_of(x - reach - slack_x), cell_of(x + reach + slack_x), cell_of(y - reach - slack_y),
               cell_of(y + reach + slack_y), 0};
        s.cells = (static_cast<double>(s.x1 - s.x0) + 1) * (static_cast<double>(s.y1 - s.y0) + 1);
        return s;
    }
    // A span of more cells than this and than the cells in use is better walked in full: a cell
    // size that overflowed, or far-out points sharing the clamped cells, would walk empty cells
    // by the billion. Queries whose reach is within half a cell span at most 3 by 3 cells.
    static constexpr double wide_span = 64;

private:
    double cell_;
};

class PointGrid {
public:
    // Square cells `cell_size` wide; a query is cheapest when its reach is about half a cell.
    explicit PointGrid(double cell_size) : lattice_(cell_size) {}

    void insert(std::uint32_t id, double x, double y) { cells_[lattice_.key_of(x, y)].push_back(id); }

    void move(std::uint32_t id, double from_x, double from_y, double to_x, double to_y) {
        const std::uint64_t from = lattice_.key_of(from_x, from_y);
        const std::uint64_t to = lattice_.key_of(to_x, to_y);
        if (from == to) return;
        std::vector<std::uint32_t>& old_cell = cells_[from];
        old_cell.erase(std::find(old_cell.begin(), old_cell.end(), id));
        cells_[to].push_back(id);
    }

    // Calls visit(id) for every point that may lie within `reach` of (x, y) in x and in y (and
    // for some beyond it).
    template <typename Visit>
    void visit_near(double x, double y, double reach, Visit visit) const {
        const CellLattice::Span s = lattice_.span(x, y, reach);
        if (s.cells > CellLattice::wide_span && s.cells > static_cast<double>(cells_.size())) {
            for (const auto& cell : cells_) {
                for (const std::uint32_t id : cell.second) visit(id);
            }
            return;
        }
        for (std::int64_t cx = s.x0; cx <= s.x1; ++cx) {
            for (std::int64_t cy = s.y0; cy <= s.y1; ++cy) {
                const auto found = cells_.find(CellLattice::key(cx, cy));
                if (found == cells_.end()) continue;
                for (const std::uint32_t id : found->second) visit(id);
            }
        }
    }

private:
    CellLattice lattice_;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
};

}  // namespace tarnwick
