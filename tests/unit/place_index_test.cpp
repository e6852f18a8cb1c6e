#include "session/place_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace tarnwick {
namespace {

// The items of a cell.
std::vector<std::uint32_t> items(const PlaceIndex::Items& cell) {
    std::vector<std::uint32_t> ids;
    for (const std::uint32_t id : cell) ids.push_back(id);
    return ids;
}

// The items visited, each once: a box is visited from each of its cells.
std::vector<std::uint32_t> near(const PlaceIndex& index, double x, double y, double reach) {
    std::vector<std::uint32_t> found;
    index.visit_near(x, y, reach, [&](std::uint32_t id) { found.push_back(id); });
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

TEST(PlaceIndex, FindsThePointsAndBoxesNearAPlace) {
    PlaceIndex index(2.0);
    index.insert(0, 0.5, 0.5);
    index.insert(1, 100.0, 100.0);
    index.insert(2, -0.5, 0.9);
    EXPECT_EQ(near(index, 0, 0, 1), (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(near(index, 100, 100, 1), (std::vector<std::uint32_t>{1}));
    EXPECT_TRUE(near(index, 50, 50, 1).empty());

    // A box is found from places near its edge, however far from its centre.
    index.insert_box(3, 20.0, 0.0, 5.0, 1.0);
    EXPECT_EQ(near(index, 24.5, 0, 0.1), (std::vector<std::uint32_t>{3}));
    EXPECT_EQ(near(index, 15.2, -1.5, 0.6), (std::vector<std::uint32_t>{3}));
    EXPECT_TRUE(near(index, 30, 0, 1).empty());
    // One that covers more cells than a box is kept in is given to every query.
    index.insert_box(4, 0.0, 0.0, 1000.0, 1000.0);
    EXPECT_EQ(near(index, 100, 100, 1), (std::vector<std::uint32_t>{1, 4}));
    EXPECT_EQ(near(index, -900, 0, 1), (std::vector<std::uint32_t>{4}));
}

TEST(PlaceIndex, ItemsTheCallerRetiresLeaveTheirCellsAndTheRestKeepTheirOrder) {
    PlaceIndex index(1.0);
    for (std::uint32_t id = 0; id < 6; ++id) index.insert(id, 0.25, 0.25);
    index.insert(6, 5.0, 5.0);
    std::vector<std::uint32_t> seen;
    index.visit_near_keeping(0.25, 0.25, 0.1, [&](std::uint32_t id) {
        seen.push_back(id);
        return id % 2 == 0;
    });
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    std::vector<std::uint32_t> left;
    index.visit_near(0.25, 0.25, 0.1, [&](std::uint32_t id) { left.push_back(id); });
    EXPECT_EQ(left, (std::vector<std::uint32_t>{0, 2, 4}));
    EXPECT_EQ(near(index, 5, 5, 0.1), (std::vector<std::uint32_t>{6}));  // other cells untouched

    EXPECT_EQ(items(index.cell(index.cell_of(0.25), index.cell_of(0.25))), (std::vector<std::uint32_t>{0, 2, 4}));
    EXPECT_TRUE(items(index.cell(3, 3)).empty());

    // A cell whose items all left takes new ones.
    index.visit_near_keeping(0.25, 0.25, 0.1, [](std::uint32_t) { return false; });
    EXPECT_TRUE(items(index.cell(index.cell_of(0.25), index.cell_of(0.25))).empty());
    index.insert(7, 0.5, 0.5);
    EXPECT_EQ(near(index, 0.25, 0.25, 0.1), (std::vector<std::uint32_t>{7}));
}

TEST(PlaceIndex, AReachOfCountlessCellsVisitsEveryItemInsteadOfWalkingThem) {
    // A session unit so large that the window overflows: the cell size falls back to 1 and the
    // reach is infinite; far-out points share the clamped cells, which hold places apart.
    const double huge = std::numeric_limits<double>::infinity();
    PlaceIndex index(2 * huge);
    EXPECT_EQ(index.cell_of(0.5), 0);  // cells of 1
    EXPECT_EQ(index.cell_of(1.5), 1);
    index.insert(0, 0, 0);
    index.insert(1, 1e300, -1e300);
    index.insert(2, 5, 5);
    EXPECT_EQ(near(index, 0, 0, huge), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(near(index, 1e300, 0, 1e299), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_FALSE(PlaceIndex::bounded(index.cell_of(1e300)));
    EXPECT_FALSE(PlaceIndex::bounded(index.cell_of(std::nan(""))));
    EXPECT_TRUE(PlaceIndex::bounded(index.cell_of(-1e14)));

    // An ordinary window still looks at its own cells only.
    EXPECT_EQ(near(index, 5, 5, 0.5), (std::vector<std::uint32_t>{2}));
}

TEST(PlaceIndex, OutwardsReachesTheNearestItemFirstWhereverThePlaceLies) {
    // Points on a lattice with gaps; from places among, beside and far outside them, the nearest
    // point as a walk through all finds it is seen before the rings are done.
    PlaceIndex index(0.5);
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < 40; ++i) {
        for (int j = 0; j < 40; ++j) {
            if ((i * 7 + j * 3) % 5 == 0) continue;
            index.insert(static_cast<std::uint32_t>(points.size()), 0.37 * i, 0.29 * j);
            points.emplace_back(0.37 * i, 0.29 * j);
        }
    }
    for (const auto& [x, y] : {std::pair{3.1, 2.2}, std::pair{-7.0, 4.0}, std::pair{100.0, -60.0}, std::pair{14.6, 11.4}}) {
        double walked = std::numeric_limits<double>::infinity();
        for (const auto& [px, py] : points) walked = std::min(walked, std::hypot(px - x, py - y));
        double best = std::numeric_limits<double>::infinity();
        std::size_t visited = 0;
        index.visit_outwards(
            x, y,
            [&](std::uint32_t id) {
                ++visited;
                best = std::min(best, std::hypot(points[id].first - x, points[id].second - y));
            },
            [&](double clear) { return best < clear; });
        EXPECT_EQ(best, walked) << x << " " << y;
        // Among the points, a few rings; from far away, the side that faces the place.
        if (x > 0 && x < 15 && y > 0 && y < 12) {
            EXPECT_LT(visited, points.size() / 10) << x << " " << y;
        }
    }
}

}  // namespace
}  // namespace tarnwick
