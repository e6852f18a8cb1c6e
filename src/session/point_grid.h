#pragma once
// Points of one net on a grid, so that the points near a place are found without comparing it
// with every point of the net.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tarnwick {

class PointGrid {
public:
    // Cells twice `reach` wide: every point within `reach` of a place lies in one of the nine
    // cells around it.
    explicit PointGrid(double reach) : cell_(2 * reach) {}

    void insert(std::uint32_t id, double x, double y) { cells_[key(x, y)].push_back(id); }

    void move(std::uint32_t id, double from_x, double from_y, double to_x, double to_y) {
        const std::uint64_t from = key(from_x, from_y);
        const std::uint64_t to = key(to_x, to_y);
        if (from == to) return;
        std::vector<std::uint32_t>& old_cell = cells_[from];
        old_cell.erase(std::find(old_cell.begin(), old_cell.end(), id));
        cells_[to].push_back(id);
    }

    // Calls visit(id) for every point in the nine cells around (x, y); some may lie beyond reach.
    template <typename Visit>
    void visit_near(double x, double y, Visit visit) const {
        const std::int64_t cx = cell_of(x);
        const std::int64_t cy = cell_of(y);
        for (std::int64_t dx = -1; dx <= 1; ++dx) {
            for (std::int64_t dy = -1; dy <= 1; ++dy) {
                const auto found = cells_.find(combine(cx + dx, cy + dy));
                if (found == cells_.end()) continue;
                for (const std::uint32_t id : found->second) visit(id);
            }
        }
    }

private:
    // Clamped, so that no coordinate overflows a cell number; far points then share cells.
    std::int64_t cell_of(double value) const {
        const double cell = std::floor(value / cell_);
        if (!(cell > -1e15)) return -1000000000000000LL;
        if (!(cell < 1e15)) return 1000000000000000LL;
        return static_cast<std::int64_t>(cell);
    }
    static std::uint64_t combine(std::int64_t cx, std::int64_t cy) {
        return static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint64_t>(cy);
    }
    std::uint64_t key(double x, double y) const { return combine(cell_of(x), cell_of(y)); }

    double cell_;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
};

}  // namespace tarnwick
