#pragma once
// Points of one net on a grid, so that the points near a place are found without comparing the
// place with every point of the net.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tarnwick {

class PointGrid {
public:
    // Square cells `cell_size` wide; a query is cheapest when its reach is about half a cell.
    explicit PointGrid(double cell_size) : cell_(cell_size > 0 && std::isfinite(cell_size) ? cell_size : 1) {}

    void insert(std::uint32_t id, double x, double y) { cells_[key(cell_of(x), cell_of(y))].push_back(id); }

    void move(std::uint32_t id, double from_x, double from_y, double to_x, double to_y) {
        const std::uint64_t from = key(cell_of(from_x), cell_of(from_y));
        const std::uint64_t to = key(cell_of(to_x), cell_of(to_y));
        if (from == to) return;
        std::vector<std::uint32_t>& old_cell = cells_[from];
        old_cell.erase(std::find(old_cell.begin(), old_cell.end(), id));
        cells_[to].push_back(id);
    }

    // Calls visit(id) for every point that may lie within `reach` of (x, y) in x and in y (and
    // for some beyond it): the cells the square spans, its sides moved out by far more than the
    // rounding of x - reach and the like, so that no rounding can hide a point. A point's cell is
    // found by the same rounding, which never puts a larger coordinate in a lower cell.
    template <typename Visit>
    void visit_near(double x, double y, double reach, Visit visit) const {
        const double slack_x = (std::fabs(x) + reach) * 1e-12;
        const double slack_y = (std::fabs(y) + reach) * 1e-12;
        const std::int64_t x0 = cell_of(x - reach - slack_x);
        const std::int64_t x1 = cell_of(x + reach + slack_x);
        const std::int64_t y0 = cell_of(y - reach - slack_y);
        const std::int64_t y1 = cell_of(y + reach + slack_y);
        // A reach of many cells (a cell size that overflowed, far-out points sharing the clamped
        // cells) would walk empty cells by the billion: every point is visited instead.
        const double span = (static_cast<double>(x1 - x0) + 1) * (static_cast<double>(y1 - y0) + 1);
        if (span > wide_span && span > static_cast<double>(cells_.size())) {
            for (const auto& cell : cells_) {
                for (const std::uint32_t id : cell.second) visit(id);
            }
            return;
        }
        for (std::int64_t cx = x0; cx <= x1; ++cx) {
            for (std::int64_t cy = y0; cy <= y1; ++cy) {
                const auto found = cells_.find(key(cx, cy));
                if (found == cells_.end()) continue;
                for (const std::uint32_t id : found->second) visit(id);
            }
        }
    }

private:
    // Clamped, so that no coordinate overflows a cell number; far-out points then share cells.
    std::int64_t cell_of(double value) const {
        const double cell = std::floor(value / cell_);
        if (!(cell > -1e15)) return -1000000000000000LL;
        if (!(cell < 1e15)) return 1000000000000000LL;
        return static_cast<std::int64_t>(cell);
    }
    static std::uint64_t key(std::int64_t cx, std::int64_t cy) {
        return static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint64_t>(cy);
    }

    // Queries whose reach is within half a cell span at most 3 by 3 cells.
    static constexpr double wide_span = 64;

    double cell_;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
};

}  // namespace tarnwick
