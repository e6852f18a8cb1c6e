#include "session/point_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace tarnwick {
namespace {

// The points visited, each once: cells whose keys coincide are one cell, visited from each.
std::vector<std::uint32_t> near(const PointGrid& grid, double x, double y, double reach) {
    std::vector<std::uint32_t> found;
    grid.visit_near(x, y, reach, [&](std::uint32_t id) { found.push_back(id); });
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

TEST(PointGrid, FindsThePointsNearAPlaceAndFollowsAMove) {
    PointGrid grid(2.0);
    grid.insert(0, 0.5, 0.5);
    grid.insert(1, 100.0, 100.0);
    grid.insert(2, -0.5, 0.9);
    EXPECT_EQ(near(grid, 0, 0, 1), (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(near(grid, 100, 100, 1), (std::vector<std::uint32_t>{1}));
    grid.move(1, 100.0, 100.0, 0.0, 0.0);
    EXPECT_EQ(near(grid, 0, 0, 1), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_TRUE(near(grid, 100, 100, 1).empty());
}

TEST(PointGrid, AReachOfCountlessCellsVisitsEveryPointInsteadOfWalkingThem) {
    // A session unit so large that the window overflows: the cell size falls back to 1 and the
    // reach is infinite; far-out points share the clamped cells.
    const double huge = std::numeric_limits<double>::infinity();
    PointGrid grid(2 * huge);
    grid.insert(0, 0, 0);
    grid.insert(1, 1e300, -1e300);
    grid.insert(2, 5, 5);
    EXPECT_EQ(near(grid, 0, 0, huge), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(near(grid, 1e300, 0, 1e299), (std::vector<std::uint32_t>{0, 1, 2}));

    // An ordinary window still looks at its own cells only.
    EXPECT_EQ(near(grid, 5, 5, 0.5), (std::vector<std::uint32_t>{2}));
}

}  // namespace
}  // namespace tarnwick
