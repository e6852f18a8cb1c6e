#include "fpc/areas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fpc/load_indexes.h"
#include "fpc/nets.h"
#include "section_support.h"

namespace tarnwick {
namespace {

using test::expect_section_error;
using test::SectionRun;

constexpr double close = 1e-9;

// A corner line at (x, y) inches.
std::string corner(unsigned index, double x, double y, unsigned style, unsigned end) {
    char line[128];
    std::snprintf(line, sizeof line, "    corner: %u %.0f %.0f %u %u\n", index, x * 25400000, y * 25400000, style, end);
    return line;
}

// A net without pins or traces owning the given areas.
std::string net_with_areas(const std::string& name, unsigned area_count, const std::string& areas) {
    return "net: \"" + name + "\" 0 0 " + std::to_string(area_count) + " 0 0 0 1\n" + areas;
}

std::string square_area(unsigned index, unsigned layer) {
    return "  area: " + std::to_string(index) + " 4 " + std::to_string(layer) + " 1\n" + corner(1, 0, 0, 0, 0) +
           corner(2, 1, 0, 0, 0) + corner(3, 1, 2, 0, 0) + corner(4, 0, 2, 0, 1);
}

const Area& only_area(const SectionRun& run) {
    EXPECT_EQ(run.board.nets.size(), 1u);
    EXPECT_EQ(run.board.nets[0].areas.size(), 1u);
    return run.board.nets[0].areas[0];
}

void expect_point(const ContourPoint& point, double x, double y) {
    EXPECT_NEAR(point.x, x, close);
    EXPECT_NEAR(point.y, y, close);
}

TEST(Areas, StraightCornersGiveOneContourOfTheCorners) {
    SectionRun run;
    run.run(read_nets, "[nets]\n" + net_with_areas("GND", 1, square_area(1, 13)) + "[end]\n");
    const Area& area = only_area(run);
    EXPECT_EQ(area.corner_count, 4u);
    EXPECT_EQ(area.layer, 13u);
    EXPECT_EQ(area.hatch, 1u);
    ASSERT_EQ(area.corners.size(), 4u);
    EXPECT_DOUBLE_EQ(area.corners[2].x, 1.0);
    EXPECT_DOUBLE_EQ(area.corners[2].y, 2.0);
    EXPECT_EQ(area.corners[3].end_contour, 1u);
    ASSERT_EQ(area.contour_count, 1u);
    const AreaContour& contour = area.contours[0];
    ASSERT_EQ(contour.point_count, 4u);
    ASSERT_EQ(contour.points.size(), 4u);
    expect_point(contour.points[1], 1, 0);
    expect_point(contour.points[3], 0, 2);
    EXPECT_DOUBLE_EQ(contour.min_x, 0);
    EXPECT_DOUBLE_EQ(contour.min_y, 0);
    EXPECT_DOUBLE_EQ(contour.max_x, 1);
    EXPECT_DOUBLE_EQ(contour.max_y, 2);
    EXPECT_EQ(run.board.stats.areas, 1u);
    // The area puts its net on the bottom layer's list.
    ASSERT_EQ(run.board.copper_layers[1].net_count, 1u);
    EXPECT_EQ(run.board.copper_layers[1].layer_nets[0].area_count, 1u);
    EXPECT_EQ(area.on_plane, 0u);
}

TEST(Areas, ArcCornerAddsSeventeenPointsOnTheClockwiseQuarterEllipse) {
    SectionRun run;
    run.run(read_nets, "[nets]\n" +
                           net_with_areas("GND", 1,
                                          "  area: 1 4 12 0\n" + corner(1, 0, 0, 1, 0) + corner(2, 1, 2, 0, 0) +
                                              corner(3, 3, 2, 0, 0) + corner(4, 3, 0, 0, 1)) +
                           "[end]\n");
    const AreaContour& contour = only_area(run).contours[0];
    ASSERT_EQ(contour.points.size(), 4u + 17u);
    EXPECT_EQ(contour.point_count, 21u);
    EXPECT_EQ(contour.points[0].style, 1u);
    expect_point(contour.points[0], 0, 0);
    // Centre (1, 0), radii 1 along x and 2 along y, from 175 down to 95 degrees.
    expect_point(contour.points[1], 1 - 0.9961946980917455, 0.17431148549531633);
    expect_point(contour.points[9], 1 - 0.7071067811865476, 1.4142135623730951);
    expect_point(contour.points[17], 1 - 0.08715574274765814, 1.9923893961834911);
    for (std::size_t i = 1; i <= 17; ++i) EXPECT_EQ(contour.points[i].style, 0u);
    expect_point(contour.points[18], 1, 2);
    expect_point(contour.points[20], 3, 0);
    // Arc points do not widen the box of the corners.
    EXPECT_DOUBLE_EQ(contour.max_x, 3);
    EXPECT_DOUBLE_EQ(contour.max_y, 2);
}

TEST(Areas, ClosingArcRunsBackToTheFirstCorner) {
    SectionRun run;
    run.run(read_nets, "[nets]\n" +
                           net_with_areas("GND", 1,
                                          "  area: 1 4 12 0\n" + corner(1, 0, 0, 0, 0) + corner(2, 2, 0, 0, 0) +
                                              corner(3, 1, 1, 2, 0) +  // its next corner lies straight above: no arc
                                              corner(4, 1, 2, 1, 1)) +
                           "[end]\n");
    const AreaContour& contour = only_area(run).contours[0];
    ASSERT_EQ(contour.points.size(), 4u + 17u);
    expect_point(contour.points[2], 1, 1);
    expect_point(contour.points[3], 1, 2);
    // From (1, 2) back to (0, 0) clockwise: centre (0, 2), from -5 down to -85 degrees.
    expect_point(contour.points[4], 0.9961946980917455, 2 - 0.17431148549531633);
    expect_point(contour.points[20], 0.08715574274765814, 2 - 1.9923893961834911);
}

TEST(Areas, TwoContoursInOneArea) {
    SectionRun run;
    run.run(read_nets, "[nets]\n" +
                           net_with_areas("GND", 1,
                                          "  area: 1 8 12 0\n" + corner(1, 0, 0, 0, 0) + corner(2, 4, 0, 0, 0) +
                                              corner(3, 4, 4, 0, 0) + corner(4, 0, 4, 0, 1) + corner(5, 1, 1, 0, 0) +
                                              corner(6, 2, 1, 0, 0) + corner(7, 2, 2, 0, 0) + corner(8, 1, 2, 0, 1)) +
                           "[end]\n");
    const Area& area = only_area(run);
    ASSERT_EQ(area.contour_count, 2u);
    ASSERT_EQ(area.contours.size(), 2u);
    EXPECT_EQ(area.contours[0].point_count, 4u);
    EXPECT_EQ(area.contours[1].point_count, 4u);
    expect_point(area.contours[1].points[0], 1, 1);
    EXPECT_DOUBLE_EQ(area.contours[1].min_x, 1);
    EXPECT_DOUBLE_EQ(area.contours[1].max_y, 2);
}

TEST(Areas, CornersAfterTheLastContourEndFormOneMoreContour) {
    SectionRun run;
    run.run(read_nets, "[nets]\n" +
                           net_with_areas("GND", 1,
                                          "  area: 1 7 12 0\n" + corner(1, 0, 0, 0, 0) + corner(2, 4, 0, 0, 0) +
                                              corner(3, 4, 4, 0, 0) + corner(4, 0, 4, 0, 1) + corner(5, 1, 1, 0, 0) +
                                              corner(6, 2, 1, 0, 0) + corner(7, 2, 3, 1, 0)) +
                           "[end]\n");
    const Area& area = only_area(run);
    ASSERT_EQ(area.contour_count, 2u);
    EXPECT_EQ(area.corners.size(), 7u);
    EXPECT_EQ(area.corners[6].end_contour, 0u);  // kept as read
    // Its last corner closes the contour, with its arc back to the contour's first corner.
    EXPECT_EQ(area.contours[1].point_count, 3u + 17u);
}

TEST(Areas, FlattenedArcsLeaveAndReachTheirCornersForEveryDirection) {
    const double ends[4][2] = {{1, 2}, {-1, 2}, {-1, -2}, {1, -2}};
    for (const std::uint32_t style : {1u, 2u, 3u}) {
        for (const auto& end : ends) {
            std::vector<ContourPoint> points;
            ASSERT_EQ(flatten_arc(5, 5, 5 + end[0], 5 + end[1], style, points), 17u);
            ASSERT_EQ(points.size(), 17u);
            // Neighbouring points lie one 5-degree step apart: close to the corners at both ends.
            EXPECT_LT(std::hypot(points.front().x - 5, points.front().y - 5), 0.2) << style;
            EXPECT_LT(std::hypot(points.back().x - 5 - end[0], points.back().y - 5 - end[1]), 0.2) << style;
            // Every point lies within the rectangle the two corners span.
            for (const ContourPoint& point : points) {
                EXPECT_GE(point.x, std::fmin(5, 5 + end[0]) - close);
                EXPECT_LE(point.x, std::fmax(5, 5 + end[0]) + close);
                EXPECT_EQ(point.style, 0u);
            }
        }
    }
    // Style 1 and style 2 bulge to opposite sides: from (0, 0) to (1, 2) the clockwise arc
    // passes left of the chord, the other right of it.
    std::vector<ContourPoint> clockwise;
    std::vector<ContourPoint> counter;
    flatten_arc(0, 0, 1, 2, 1, clockwise);
    flatten_arc(0, 0, 1, 2, 2, counter);
    const double half = std::sqrt(0.5);  // cosine and sine of the middle point's 45 degrees
    expect_point(clockwise[8], 1 - half, 2 * half);
    expect_point(counter[8], half, 2 - 2 * half);

    std::vector<ContourPoint> none;
    EXPECT_EQ(flatten_arc(0, 0, 0, 1, 1, none), 0u);
    EXPECT_EQ(flatten_arc(0, 0, 1, 0, 2, none), 0u);
    EXPECT_TRUE(none.empty());
}

TEST(Areas, KeepoutNetsGivePolyKeepoutsOfTheirCorners) {
    SectionRun run(4);
    const std::string arc_area = "  area: 1 4 13 0\n" + corner(1, 0, 0, 1, 0) + corner(2, 1, 2, 0, 0) +
                                 corner(3, 3, 2, 0, 0) + corner(4, 3, 0, 0, 1);
    run.run(read_nets, "[nets]\n" + net_with_areas("KEEPOUT", 1, arc_area) +
                           net_with_areas("KEEPOUT_VIA", 1, square_area(1, 14)) +
                           net_with_areas("KEEPOUT_ALL", 1, square_area(1, 12)) + "[end]\n");
    const std::vector<PolyKeepout>& keepouts = run.board.poly_keepouts;
    ASSERT_EQ(keepouts.size(), 3u);
    EXPECT_EQ(keepouts[0].layer, 13u);
    EXPECT_EQ(keepouts[0].via_only, 0u);
    EXPECT_EQ(keepouts[1].layer, 0u);
    EXPECT_EQ(keepouts[1].via_only, 1u);
    EXPECT_EQ(keepouts[2].layer, 0u);
    EXPECT_EQ(keepouts[2].via_only, 0u);
    // The corners as read, arcs not flattened.
    ASSERT_EQ(keepouts[0].point_count, 4u);
    ASSERT_EQ(keepouts[0].points.size(), 4u);
    EXPECT_EQ(keepouts[0].points[0].style, 1u);
    EXPECT_DOUBLE_EQ(keepouts[0].points[1].x, 1);
    EXPECT_DOUBLE_EQ(keepouts[0].points[1].y, 2);
    EXPECT_EQ(keepouts[0].points[3].end_contour, 1u);
    // Keepout nets join no per-layer list.
    for (const CopperLayerInfo& layer : run.board.copper_layers) EXPECT_EQ(layer.net_count, 0u);
    EXPECT_EQ(run.board.stats.areas, 3u);
}

TEST(Areas, PowerLayerMakesAPlaneThatSignalDirectionsSkip) {
    SectionRun run(4);
    run.run(read_nets, "[nets]\n" + net_with_areas("POWER_LAYER", 1, square_area(1, 14)) +
                           net_with_areas("VCC", 2, square_area(1, 14) + square_area(2, 12)) + "[end]\n");
    const Board& board = run.board;
    ASSERT_EQ(board.copper_layers.size(), 4u);
    EXPECT_EQ(board.copper_layers[2].is_plane, 1u);
    const std::uint32_t directions[] = {0, 1, 0, 0};  // inner 1 keeps its own; inner 2 follows bottom
    const std::uint32_t planes[] = {0, 0, 1, 0};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(board.copper_layers[i].direction, directions[i]) << i;
        EXPECT_EQ(board.copper_layers[i].is_plane, planes[i]) << i;
    }
    const Net& vcc = board.nets[1];
    EXPECT_EQ(vcc.areas[0].on_plane, 1u);
    EXPECT_EQ(vcc.areas[1].on_plane, 0u);
    EXPECT_EQ(vcc.plane_area_count, 1u);
    EXPECT_EQ(board.nets[0].plane_area_count, 0u);  // the plane marker itself is no copper
    ASSERT_EQ(board.copper_layers[2].net_count, 1u);  // the plane's net list names VCC
    EXPECT_EQ(board.copper_layers[2].layer_nets[0].net_name, "VCC");
    EXPECT_EQ(board.copper_layers[2].layer_nets[0].net_index, 1u);
}

TEST(Areas, NetWithTraceAndTwoAreasOnALayerIsListedOnce) {
    SectionRun run;
    run.run(read_nets,
            "[nets]\n"
            "net: \"A\" 0 1 2 0 0 0 1\n"
            "  connect: 1 0 -1 1 0\n"
            "    vtx: 1 0 0 12 0 0 0 0\n"
            "    seg: 1 12 254000 0 0\n"
            "    vtx: 2 2540000 0 0 0 0 0 0\n" +
                square_area(1, 12) + square_area(2, 12) + net_with_areas("B", 1, square_area(1, 12)) + "[end]\n");
    const CopperLayerInfo& top = run.board.copper_layers[0];
    ASSERT_EQ(top.net_count, 2u);
    ASSERT_EQ(top.layer_nets.size(), 2u);
    EXPECT_EQ(top.layer_nets[0].net_name, "A");
    EXPECT_EQ(top.layer_nets[0].area_count, 2u);
    EXPECT_EQ(top.layer_nets[1].net_name, "B");
    EXPECT_EQ(top.layer_nets[1].net_index, 1u);
    EXPECT_EQ(top.layer_nets[1].area_count, 1u);
    LoadIndexes indexes(run.board);
    EXPECT_EQ(note_layer_net(run.board, indexes, 0, 0, false), 2u);
}

TEST(Areas, CopperAreaBeyondTheCopperLayersIsRefusedAfterTheLastNet) {
    // An area on a drawing layer is no copper: kept, marked, and in no layer's net list.
    SectionRun below;
    below.run(read_nets, "[nets]\n" + net_with_areas("GND", 1, square_area(1, 11)) + net_with_areas("B", 0, "") +
                             "[end]\n");
    ASSERT_EQ(below.board.nets[0].areas.size(), 1u);
    EXPECT_TRUE(below.board.nets[0].areas[0].off_copper);
    EXPECT_EQ(below.board.nets[0].areas[0].layer, 11u);
    EXPECT_EQ(below.board.copper_layers[0].net_count + below.board.copper_layers[1].net_count, 0u);
    // The check runs once the whole section is read: the line shown is the last one read.
    SectionRun beyond;
    expect_section_error(beyond, read_nets, "[nets]\n" + net_with_areas("GND", 1, square_area(1, 14)) + "[end]\n",
                         12847, "bad copper area layer", 7);
    // Keepouts on all layers and plane markers below the copper layers are no copper areas.
    SectionRun keepout;
    keepout.run(read_nets, "[nets]\n" + net_with_areas("KEEPOUT_ALL", 1, square_area(1, 11)) +
                               net_with_areas("POWER_LAYER", 1, square_area(1, 3)) + "[end]\n");
    EXPECT_EQ(keepout.board.poly_keepouts.size(), 1u);
    EXPECT_EQ(keepout.board.copper_layers[0].is_plane + keepout.board.copper_layers[1].is_plane, 0u);
}

TEST(Areas, PlanesAndLayerKeepoutsOffTheCopperLayersAreRefused) {
    SectionRun plane;
    expect_section_error(plane, read_nets,
                         "[nets]\n" + net_with_areas("POWER_LAYER", 1, square_area(1, 15)) + "[end]\n", 12791,
                         "bad power plane area layer 15, the board has 2 copper layers", 7);
    SectionRun beyond;
    expect_section_error(beyond, read_nets, "[nets]\n" + net_with_areas("KEEPOUT", 1, square_area(1, 14)) + "[end]\n",
                         12792, "bad keepout area layer 14, the board has 2 copper layers", 7);
    SectionRun below;
    expect_section_error(below, read_nets, "[nets]\n" + net_with_areas("KEEPOUT", 1, square_area(1, 11)) + "[end]\n",
                         12792, "bad keepout area layer 11, the board has 2 copper layers", 7);
}

TEST(Areas, MalformedAreaRecordsStopWithTheirCodeAndLine) {
    struct Case {
        std::string areas;
        int code;
        const char* message;
        std::uint32_t line;
    };
    const Case cases[] = {
        {"  corner: 1 0 0 0 1\n", 12692, "missing net area record", 3},
        {"  area: 1 4\n", 12700, "bad net area: record", 3},
        {"  area: 1 2 12 0\n" + corner(1, 0, 0, 0, 0) + "  area: 2 2 12 0\n", 12714, "missing net area corner record",
         5},
        {"  area: 1 2 12 0\n" + corner(1, 0, 0, 0, 0) + "    corner: 2 0 0 0\n", 12721, "bad net area corner: record",
         5},
    };
    for (const Case& c : cases) {
        SectionRun run;
        expect_section_error(run, read_nets, "[nets]\n" + net_with_areas("GND", 1, c.areas) + "[end]\n", c.code,
                             c.message, c.line);
    }
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// A layer's net list is searched by name: nets of one name share an entry, and the entries a
// list holds when its lookup is made are found like the ones added through it.
TEST(LayerNetLookup, EntriesByNameAlsoThoseTheListHeldBefore) {
    Board board = test::board_with_copper_layers(2);
    for (const char* name : {"A", "B", "A", "C"}) {
        Net net;
        net.name = name;
        board.nets.push_back(net);
    }
    LoadIndexes indexes(board);
    EXPECT_EQ(note_layer_net(board, indexes, 0, 0, false), 1u);
    EXPECT_EQ(note_layer_net(board, indexes, 0, 1, true), 2u);
    EXPECT_EQ(note_layer_net(board, indexes, 0, 2, true), 2u);  // a second net named A: A's entry
    CopperLayerInfo& top = board.copper_layers[0];
    EXPECT_EQ(top.layer_nets[0].area_count, 1u);
    EXPECT_EQ(top.layer_nets[0].net_index, 0u);
    EXPECT_TRUE(board.copper_layers[1].layer_nets.empty());
    // A list filled before (a list of C, then A twice): its first entry of a name is found.
    CopperLayerInfo& bottom = board.copper_layers[1];
    bottom.layer_nets = {{"C", 3, 0}, {"A", 0, 0}, {"A", 2, 0}};
    bottom.net_count = 3;
    LoadIndexes again(board);
    EXPECT_EQ(note_layer_net(board, again, 1, 2, true), 3u);
    EXPECT_EQ(bottom.layer_nets[1].area_count, 1u);
    EXPECT_EQ(bottom.layer_nets[2].area_count, 0u);
    EXPECT_EQ(note_layer_net(board, again, 1, 1, false), 4u);
    EXPECT_EQ(bottom.layer_nets[3].net_name, "B");
}

}  // namespace
}  // namespace tarnwick
