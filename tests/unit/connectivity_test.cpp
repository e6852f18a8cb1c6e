#include "session/connectivity.h"
#include "session/routed_check.h"
#include "session/unrouted.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "board/units.h"
#include "board/part_pins.h"
#include "section_support.h"

namespace tarnwick {
namespace {

constexpr double unit = 1.0 / 65536;  // one session unit, a power of two
constexpr double reach = 4 * unit;

FootprintPin pin_named(const char* name, double hole, std::uint32_t shape, double width) {
    FootprintPin pin;
    pin.name = name;
    pin.hole = hole;
    pin.top_pad.shape = shape;
    pin.top_pad.width = width;
    if (hole != 0) {
        pin.bottom_pad = pin.top_pad;
        pin.inner_pad = pin.top_pad;
    }
    return pin;
}

// A board of surface pins U1..U3 ("SMD", a 40 mil square on top) at (1, 1), (2, 1), (3, 1), a
// rectangle pin W1 ("LONG", 20 by 100 mil, turned a quarter) at (1, 2), and drilled pins R1.1 at
// (4, 1), R1.2 at (4.2, 1); nets as given.
Board board_with_nets(const std::vector<std::vector<std::string>>& nets) {
    Board board = test::board_with_copper_layers(2);
    Footprint smd;
    smd.name = "SMD";
    smd.pins = {pin_named("1", 0, pad_shape_square, 0.04)};
    Footprint drilled;
    drilled.name = "TH";
    drilled.pins = {pin_named("1", 0.03, pad_shape_circle, 0.06), pin_named("2", 0.03, pad_shape_circle, 0.06)};
    drilled.pins[1].x = 0.2;
    Footprint long_pad;
    long_pad.name = "LONG";
    long_pad.pins = {pin_named("1", 0, pad_shape_rectangle, 0.02)};
    long_pad.pins[0].top_pad.length1 = long_pad.pins[0].top_pad.length2 = 0.05;
    long_pad.pins[0].angle = 90;
    board.footprints = {smd, drilled, long_pad};
    for (Footprint& footprint : board.footprints) footprint.pin_count = static_cast<std::uint32_t>(footprint.pins.size());
    auto place = [&](const char* ref, std::uint32_t footprint, double x, double y) {
        Part& part = board.parts.emplace_back();
        part.ref = ref;
        part.footprint = footprint;
        part.x = x;
        part.y = y;
    };
    place("U1", 0, 1, 1);
    place("U2", 0, 2, 1);
    place("U3", 0, 3, 1);
    place("R1", 1, 4, 1);
    place("W1", 2, 1, 2);
    for (std::size_t n = 0; n < nets.size(); ++n) {
        Net& net = board.nets.emplace_back();
        net.name = "N" + std::to_string(n + 1);
        for (const std::string& ref : nets[n]) net.pins.push_back(NetPin{ref});
        net.pin_count = static_cast<std::uint32_t>(net.pins.size());
    }
    build_part_pins(board);
    return board;
}

WirePath wire_path(std::uint32_t layer, std::vector<PathPoint> points) {
    WirePath path;
    path.layer = layer;
    path.width = 0.01;
    path.points = std::move(points);
    return path;
}

Vertex vertex_at(double x, double y, std::uint32_t seg_layer, bool via = false) {
    Vertex vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.seg_layer = seg_layer;
    vertex.seg_width = seg_layer == 0 ? 0 : 0.01;
    if (via) {
        vertex.via_pad_width = 0.04;
        vertex.via_hole = 0.02;
    }
    return vertex;
}

Connect trace(std::vector<Vertex> vertices) {
    Connect connect;
    connect.segment_count = static_cast<std::uint32_t>(vertices.size() - 1);
    connect.vertices = std::move(vertices);
    return connect;
}

TEST(Connectivity, PadsAreTheBoxesOfTheirShapesTurnedWithThePin) {
    const Board board = board_with_nets({{"U1.1", "R1.1", "W1.1", "R1.2"}});
    const std::vector<PinPad> pads = NetPinPads(board).of_net(0);
    ASSERT_EQ(pads.size(), 4u);
    EXPECT_TRUE(pads[0].copper[0]);
    EXPECT_FALSE(pads[0].copper[1]);  // a surface pin on the top
    EXPECT_FALSE(pads[0].copper[2]);
    EXPECT_FLOAT_EQ(pads[0].half_x[0], 0.02f);
    EXPECT_TRUE(pads[1].copper[0] && pads[1].copper[1] && pads[1].copper[2]);
    EXPECT_FLOAT_EQ(pads[2].half_x[0], 0.01f);  // 100 mil along the pin, turned upright
    EXPECT_FLOAT_EQ(pads[2].half_y[0], 0.05f);
    const PadFinder under(board.nets[0], pads, 0);
    EXPECT_EQ(under.first_under(1.005, 2.04, top_copper_layer), 2);
    EXPECT_EQ(under.first_under(1.04, 2.0, top_copper_layer), -1);
    EXPECT_EQ(under.first_under(1.01, 1.01, bottom_copper_layer), -1);  // no copper on the bottom
    EXPECT_EQ(under.first_under(1.01, 1.01, 0), 0);
    EXPECT_EQ(under.first_under(4.21, 1.0, 14), 3);  // a drilled pin has inner copper
    // A pin later in the net is found by its place as well; between two pads, none.
    const Board twice = board_with_nets({{"R1.2", "U1.1", "R1.1"}});
    const std::vector<PinPad> overlapping = NetPinPads(twice).of_net(0);
    const PadFinder both(twice.nets[0], overlapping, 0);
    EXPECT_EQ(both.first_under(4.0, 1.0, 0), 2);
    EXPECT_EQ(both.first_under(4.1, 1.0, 0), -1);
}

TEST(Connectivity, WiresJoinWhereTheyTouchOnALayerAndThroughVias) {
    const Board board = board_with_nets({{"U1.1", "U2.1", "U3.1", "R1.1"}});
    const Net& net = board.nets[0];
    const std::vector<PinPad> pads = NetPinPads(board).of_net(0);
    // U1.1 to U2.1 on the top through a bend; a top wire from within a unit of the bend to where
    // a bottom wire to R1.1 starts; a bottom wire from U3.1's place, which has no bottom copper,
    // to R1.1; a top wire from U3.1 that ends two reaches short of the bend.
    std::vector<PathPoint> a{{1.0, 1.0}, {1.5, 1.2}, {2.0, 1.0}};
    std::vector<PathPoint> b{{1.5, 1.2 + unit}, {1.5, 0.4}};
    std::vector<PathPoint> c{{1.5, 0.4}, {4.0, 1.0}};
    std::vector<PathPoint> d{{3.0, 1.0}, {3.5, 0.4}, {4.0, 1.0}};
    std::vector<PathPoint> e{{3.0, 1.0}, {1.5, 1.2 + 2 * reach}};
    const std::vector<CopperRun> runs{{top_copper_layer, a.data(), 3}, {top_copper_layer, b.data(), 2},
                                      {bottom_copper_layer, c.data(), 2}, {bottom_copper_layer, d.data(), 3},
                                      {top_copper_layer, e.data(), 2}};
    EXPECT_EQ(join_pins(net, pads, runs, {}, reach), (std::vector<std::uint32_t>{0, 0, 2, 3}));
    // A via where the top wire meets the bottom one joins the layers.
    EXPECT_EQ(join_pins(net, pads, runs, {{1.5, 0.4}}, reach), (std::vector<std::uint32_t>{0, 0, 2, 0}));
    // Half a reach short of the bend, in the next cell: it meets.
    e.back() = {1.5 - reach / 2, 1.2};
    EXPECT_EQ(join_pins(net, pads, runs, {}, reach), (std::vector<std::uint32_t>{0, 0, 0, 3}));
    // A via far from every wire joins nothing.
    EXPECT_EQ(join_pins(net, pads, runs, {{0.2, 0.2}}, reach), (std::vector<std::uint32_t>{0, 0, 0, 3}));
}

TEST(Connectivity, WiresFarApartStayApartHoweverSmallTheReach) {
    // A session unit so small that every place lies beyond the numbered cells: the wires share
    // the outermost cells, yet only those that touch join.
    const Board board = board_with_nets({{"U1.1", "U2.1", "U3.1"}});
    std::vector<PathPoint> a{{1.0, 1.0}, {1.5, 1.0}};
    std::vector<PathPoint> b{{2.0, 1.0}, {2.5, 1.0}};
    std::vector<PathPoint> c{{2.5, 1.0}, {3.0, 1.0}};
    const std::vector<CopperRun> runs{{top_copper_layer, a.data(), 2}, {top_copper_layer, b.data(), 2},
                                      {top_copper_layer, c.data(), 2}};
    const double tiny = 1e-20;
    EXPECT_EQ(join_pins(board.nets[0], NetPinPads(board).of_net(0), runs, {}, tiny),
              (std::vector<std::uint32_t>{0, 1, 1}));
    // A via on the end of the first joins nothing else.
    EXPECT_EQ(join_pins(board.nets[0], NetPinPads(board).of_net(0), runs, {{1.5, 1.0}}, tiny),
              (std::vector<std::uint32_t>{0, 1, 1}));
}

// A session of one net whose router wiring is `paths` and `vias`, its router groups noted.
struct Checked {
    std::uint32_t line = 0;
    Session session{"s.ses", {}, line};
    Board board;
    std::string console;

    Checked(Board b, std::vector<WirePath> paths, std::vector<PathPoint> vias) : board(std::move(b)) {
        session.session_scale = unit;
        NetWire& wire = session.wire_list.emplace_back();
        wire.name = board.nets[0].name;
        wire.paths = std::move(paths);
        for (const PathPoint& at : vias) {
            Via& via = wire.vias.emplace_back();
            via.x = at.x;
            via.y = at.y;
        }
        note_router_connections(session, board, NetPinPads(board));
    }
    ConnectionCount check(std::vector<Connect> traces) {
        board.nets[0].connects = std::move(traces);
        const NetPinPads pads(board);
        testing::internal::CaptureStderr();
        const ConnectionCount count = check_routed_board(stderr, session, board, pads).connections;
        console = testing::internal::GetCapturedStderr();
        return count;
    }
};

TEST(Connectivity, TheCheckNamesEachConnectionTheRoutedBoardLost) {
    // The router: U1.1 on the top to a via, on the bottom to R1.1, and a branch from the via to
    // U3.1 on the top.
    Checked run(board_with_nets({{"U1.1", "R1.1", "U3.1"}}),
                {wire_path(top_copper_layer, {{1.0, 1.0}, {2.5, 1.5}}),
                 wire_path(bottom_copper_layer, {{2.5, 1.5}, {4.0, 1.0}}),
                 wire_path(top_copper_layer, {{2.5, 1.5}, {3.0, 1.0}})},
                {{2.5, 1.5}});
    EXPECT_EQ(run.session.wire_list[0].router_pin_groups, (std::vector<std::uint32_t>{0, 0, 0}));

    // The routed board as it should be: one trace through the via, and the branch at it.
    ConnectionCount count = run.check({trace({vertex_at(1.0, 1.0, 12), vertex_at(2.5, 1.5, 13, true), vertex_at(4.0, 1.0, 0)}),
                                       trace({vertex_at(3.0, 1.0, 12), vertex_at(2.5, 1.5, 0)})});
    EXPECT_EQ(count.made, 2u);
    EXPECT_EQ(count.kept, 2u);
    EXPECT_EQ(run.console, "\n  Connections: 2 made by the router, 2 kept\n");

    // The layer change without its via: R1.1 is cut off from both others.
    count = run.check({trace({vertex_at(1.0, 1.0, 12), vertex_at(2.5, 1.5, 13), vertex_at(4.0, 1.0, 0)}),
                       trace({vertex_at(3.0, 1.0, 12), vertex_at(2.5, 1.5, 0)})});
    EXPECT_EQ(count.made, 2u);
    EXPECT_EQ(count.kept, 1u);
    EXPECT_EQ(run.console,
              "\n  Warning: net \"N1\": U1.1 and R1.1 are joined by the router but not in the routed board, near "
              "(4.000, 1.000)\n\n  Connections: 2 made by the router, 1 kept\n");

    // The branch started with a rat-line instead of ending on the trace: U3.1 is lost too. A
    // rat-line is no copper.
    count = run.check({trace({vertex_at(1.0, 1.0, 12), vertex_at(2.5, 1.5, 13, true), vertex_at(4.0, 1.0, 0)}),
                       trace({vertex_at(3.0, 1.0, rat_line_layer), vertex_at(2.9, 1.1, 12), vertex_at(2.6, 1.6, 0)})});
    EXPECT_EQ(count.kept, 1u);
    EXPECT_NE(run.console.find("\"N1\": U1.1 and U3.1 are joined"), std::string::npos) << run.console;
}

TEST(Connectivity, PinsTheRouterLeftApartAreNoLoss) {
    // Two groups the router made (U1.1 with U2.1, U3.1 with R1.1), and R1.2 left unrouted; the
    // routed board joins all five.
    Checked run(board_with_nets({{"U1.1", "U2.1", "U3.1", "R1.1", "R1.2"}}),
                {wire_path(top_copper_layer, {{1.0, 1.0}, {2.0, 1.0}}),
                 wire_path(top_copper_layer, {{3.0, 1.0}, {4.0, 1.0}})},
                {});
    EXPECT_EQ(run.session.wire_list[0].router_pin_groups, (std::vector<std::uint32_t>{0, 0, 2, 2, 4}));
    const ConnectionCount count =
        run.check({trace({vertex_at(1.0, 1.0, 12), vertex_at(2.0, 1.0, 12), vertex_at(3.0, 1.0, 12),
                          vertex_at(4.0, 1.0, 12), vertex_at(4.2, 1.0, 0)})});
    EXPECT_EQ(count.made, 2u);
    EXPECT_EQ(count.kept, 2u);
}

TEST(Connectivity, ACrowdAtOnePointJoinsInTimeInProportion) {
    // Thousands of wire ends at one point (and across a cell's edge) join without comparing every
    // pair: the check of such a session stays quick.
    const Board board = board_with_nets({{"U1.1", "U2.1"}});
    std::vector<std::vector<PathPoint>> points;
    std::vector<CopperRun> runs;
    constexpr int crowd = 40000;
    points.reserve(crowd + 2);
    for (int i = 0; i < crowd; ++i) {
        const double jitter = (i % 2 == 0 ? 0.25 : -0.25) * reach;  // both sides of a cell's edge
        points.push_back({{0.0 + jitter, 0.0}, {0.5 + 0.00001 * i, 0.5}});
    }
    points.push_back({{1.0, 1.0}, {0.0, 0.0}});
    points.push_back({{0.0, 0.0}, {2.0, 1.0}});
    for (const std::vector<PathPoint>& p : points) runs.push_back({top_copper_layer, p.data(), 2});
    const std::vector<std::uint32_t> groups = join_pins(board.nets[0], NetPinPads(board).of_net(0), runs, {}, reach);
    EXPECT_EQ(groups, (std::vector<std::uint32_t>{0, 0}));
}

TEST(Connectivity, ANetOfFewPointsJoinsAsTheLatticeJoinsIt) {
    // Copper of a few points is joined pair by pair; with far-off copper added to pass the
    // bound, the same points go through the lattice. Points on a grid of half reaches, near
    // pins and across cell edges, on two layers, with vias among them: both give the same
    // groups of the same items.
    const Board board = board_with_nets({{"U1.1", "U2.1", "U3.1", "R1.1"}});
    const Net& net = board.nets[0];
    const std::vector<PinPad> pads = NetPinPads(board).of_net(0);
    std::mt19937 random(7);
    auto place = [&](double centre) { return centre + reach / 2 * static_cast<int>(random() % 9) - 2 * reach; };
    const double centres[] = {1.0, 2.0, 3.0, 4.0};
    std::vector<PathPoint> far_off(70);
    for (std::size_t i = 0; i < far_off.size(); ++i) far_off[i] = {50.0 + static_cast<double>(i), 50.0};
    for (int round = 0; round < 300; ++round) {
        std::vector<std::vector<PathPoint>> points;
        std::vector<CopperRun> runs;
        const int run_count = 1 + static_cast<int>(random() % 8);
        for (int r = 0; r < run_count; ++r) {
            std::vector<PathPoint>& run = points.emplace_back();
            const int count = 2 + static_cast<int>(random() % 3);
            for (int i = 0; i < count; ++i) run.push_back({place(centres[random() % 4]), place(1.0)});
        }
        for (std::size_t r = 0; r < points.size(); ++r) {
            const std::uint32_t layer = random() % 2 == 0 ? top_copper_layer : bottom_copper_layer;
            runs.push_back({layer, points[r].data(), static_cast<std::uint32_t>(points[r].size())});
        }
        std::vector<PathPoint> vias;
        for (int v = static_cast<int>(random() % 3); v > 0; --v) vias.push_back({place(centres[random() % 4]), place(1.0)});
        const CopperGroups few = join_copper(net, pads, runs, vias, {}, reach);

        std::vector<CopperRun> more = runs;
        more.push_back({top_copper_layer, far_off.data(), static_cast<std::uint32_t>(far_off.size())});
        const CopperGroups many = join_copper(net, pads, more, vias, {}, reach);
        // The far-off run is item run_count there: items after it move up by one.
        auto as_few = [&](std::uint32_t item) { return item < few.runs ? item : item - 1; };
        ASSERT_EQ(many.group.size(), few.group.size() + 1);
        for (std::uint32_t item = 0; item < few.group.size(); ++item) {
            const std::uint32_t in_many = item < few.runs ? item : item + 1;
            EXPECT_EQ(as_few(many.group[in_many]), few.group[item]) << "round " << round << ", item " << item;
        }
    }
}

// The routed board's open connections and their console lines.
struct Unrouted {
    UnroutedReport report;
    std::string lines;
    explicit Unrouted(const Board& board) {
        // The checks of a routed board the router never wired: nothing to compare, all to count.
        std::uint32_t line = 0;
        Session session{"s.ses", {}, line};
        session.session_scale = unit;
        std::FILE* scratch = std::tmpfile();
        report = check_routed_board(scratch, session, board, NetPinPads(board)).unrouted;
        std::fclose(scratch);
        testing::internal::CaptureStderr();
        print_unrouted(stderr, board, report);
        lines = testing::internal::GetCapturedStderr();
    }
};

// A copper area on `layer` over the box (x0, y0)-(x1, y1), with the boxes of `cut_outs` cut out.
Area area_over(std::uint32_t layer, double x0, double y0, double x1, double y1,
               const std::vector<std::vector<double>>& cut_outs = {}) {
    Area area;
    area.layer = layer;
    auto contour = [&](double a0, double b0, double a1, double b1) {
        AreaContour& c = area.contours.emplace_back();
        c.points = {{0, a0, b0}, {0, a1, b0}, {0, a1, b1}, {0, a0, b1}};
        c.point_count = 4;
    };
    contour(x0, y0, x1, y1);
    for (const std::vector<double>& box : cut_outs) contour(box[0], box[1], box[2], box[3]);
    area.contour_count = static_cast<std::uint32_t>(area.contours.size());
    return area;
}

TEST(Unrouted, ANetLeftOpenCountsEachPieceBeyondTheFirstAlongItsShortestTree) {
    Board board = board_with_nets({{"U3.1", "U1.1", "U2.1"}, {"R1.1", "R1.2"}});
    Unrouted none_routed(board);
    EXPECT_EQ(none_routed.report.connections, 3u);
    EXPECT_EQ(none_routed.report.nets, 2u);
    // The shortest airlines, shortest first: U3-U2 and U2-U1 rather than U3-U1.
    EXPECT_EQ(none_routed.lines,
              "  Unrouted: 3 connections in 2 nets\n"
              "    net N1: U3.1 to U2.1\n"
              "    net N1: U1.1 to U2.1\n"
              "    net N2: R1.1 to R1.2\n");

    // U1 joined to U2: one piece more is joined, and the line names the nearest pins.
    board.nets[0].connects = {trace({vertex_at(1.0, 1.0, top_copper_layer), vertex_at(2.0, 1.0, 0)})};
    board.nets[1].connects = {trace({vertex_at(4.0, 1.0, bottom_copper_layer), vertex_at(4.2, 1.0, 0)})};
    const Unrouted one_left(board);
    EXPECT_EQ(one_left.lines, "  Unrouted: 1 connection in 1 net\n    net N1: U3.1 to U2.1\n");

    board.nets[0].connects.push_back(trace({vertex_at(2.0, 1.0, top_copper_layer), vertex_at(3.0, 1.0, 0)}));
    EXPECT_EQ(Unrouted(board).lines, "  Unrouted: 0 connections\n");
}

TEST(Unrouted, ANetJoinedOnlyThroughACopperAreaIsComplete) {
    Board board = board_with_nets({{"U1.1", "U2.1", "U3.1"}});
    board.nets[0].areas = {area_over(top_copper_layer, 0.5, 0.5, 3.5, 1.5)};
    EXPECT_EQ(Unrouted(board).report.connections, 0u);

    // A cut-out around U2 leaves it apart.
    board.nets[0].areas = {area_over(top_copper_layer, 0.5, 0.5, 3.5, 1.5, {{1.8, 0.8, 2.2, 1.2}})};
    EXPECT_EQ(Unrouted(board).lines, "  Unrouted: 1 connection in 1 net\n    net N1: U1.1 to U2.1\n");
    // Cut-outs in other rows, or in the pins' rows beside them, cut nothing off; of two that meet
    // on U3's row, the one above holds it: a contour's bottom row is in it, its top row is not.
    board.nets[0].areas = {area_over(top_copper_layer, 0.5, 0.5, 3.5, 1.5,
                                     {{0.6, 1.2, 3.4, 1.4}, {1.2, 0.6, 1.8, 1.4}, {0.6, 0.6, 3.4, 0.9}})};
    EXPECT_EQ(Unrouted(board).report.connections, 0u);
    board.nets[0].areas =
        {area_over(top_copper_layer, 0.5, 0.5, 3.5, 1.5, {{2.8, 0.8, 3.2, 1.0}, {2.8, 1.0, 3.2, 1.2}})};
    EXPECT_EQ(Unrouted(board).lines, "  Unrouted: 1 connection in 1 net\n    net N1: U1.1 to U3.1\n");

    // On the bottom the surface pads miss it: the area is a piece of its own, named by the place
    // of its corner nearest to the other side.
    board.nets[0].areas = {area_over(bottom_copper_layer, 0.5, 1.5, 3.5, 2.5)};
    const Unrouted apart(board);
    EXPECT_EQ(apart.report.connections, 3u);
    EXPECT_NE(apart.lines.find("net N1: U1.1 to (0.500, 1.500)\n"), std::string::npos) << apart.lines;

    // A trace end inside the area joins it, a trace that only crosses its edge elsewhere does not.
    board.nets[0].areas = {area_over(top_copper_layer, 0.5, 0.5, 2.5, 1.5)};
    board.nets[0].connects = {trace({vertex_at(3.0, 1.0, top_copper_layer), vertex_at(2.4, 1.2, 0)})};
    EXPECT_EQ(Unrouted(board).report.connections, 0u);
    board.nets[0].connects = {trace({vertex_at(3.0, 1.0, top_copper_layer), vertex_at(2.6, 1.2, 0)})};
    EXPECT_EQ(Unrouted(board).report.connections, 1u);

    // An area off the copper layers is no copper at all.
    board.nets[0].connects.clear();
    board.nets[0].areas = {area_over(top_copper_layer, 0.5, 0.5, 3.5, 1.5)};
    board.nets[0].areas[0].off_copper = true;
    EXPECT_EQ(Unrouted(board).report.connections, 2u);
}

TEST(Unrouted, AnAreaJoinsPinsForTheReportButNotForTheConnectionsCheck) {
    // The router joins U1.1 and U2.1 by a wire; the routed board has no trace between them, only
    // an area over both, which the router's wiring never had: a connection lost, none open.
    Checked run(board_with_nets({{"U1.1", "U2.1", "U3.1"}}),
                {wire_path(top_copper_layer, {{1.0, 1.0}, {2.0, 1.0}})}, {});
    run.board.nets[0].areas = {area_over(top_copper_layer, 0.5, 0.5, 2.5, 1.5)};
    testing::internal::CaptureStderr();
    RoutedCheck check = check_routed_board(stderr, run.session, run.board, NetPinPads(run.board));
    const std::string console = testing::internal::GetCapturedStderr();
    EXPECT_EQ(check.connections.made, 1u);
    EXPECT_EQ(check.connections.kept, 0u);
    EXPECT_NE(console.find("U1.1 and U2.1 are joined by the router but not in the routed board"), std::string::npos)
        << console;
    EXPECT_EQ(check.unrouted.connections, 1u);  // U3.1, beyond the area
    // A keepout net is checked but has nothing open.
    run.board.nets[0].reserved = 1;
    testing::internal::CaptureStderr();
    check = check_routed_board(stderr, run.session, run.board, NetPinPads(run.board));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(check.connections.made, 1u);
    EXPECT_EQ(check.unrouted.connections, 0u);
}

TEST(Unrouted, ANetJoinedThroughAViaIsCompleteAndNotWithoutIt) {
    Board board = board_with_nets({{"U1.1", "R1.1"}});
    board.nets[0].connects = {trace({vertex_at(1.0, 1.0, top_copper_layer),
                                     vertex_at(2.5, 1.5, bottom_copper_layer, true), vertex_at(4.0, 1.0, 0)})};
    EXPECT_EQ(Unrouted(board).report.connections, 0u);
    board.nets[0].connects[0].vertices[1].via_pad_width = 0;
    EXPECT_EQ(Unrouted(board).lines, "  Unrouted: 1 connection in 1 net\n    net N1: U1.1 to R1.1\n");
}

TEST(Unrouted, AViaJoinsASurfacePinOnItsCentreButNotBesideIt) {
    // A bottom trace from R1.1 to a via in U1.1's top pad.
    Board board = board_with_nets({{"U1.1", "R1.1"}});
    board.nets[0].connects = {trace({vertex_at(4.0, 1.0, bottom_copper_layer), vertex_at(1.0, 1.0, 0, true)})};
    EXPECT_EQ(Unrouted(board).report.connections, 0u);
    board.nets[0].connects[0].vertices[1].x = 1.01;
    EXPECT_EQ(Unrouted(board).lines, "  Unrouted: 1 connection in 1 net\n    net N1: U1.1 to R1.1\n");
}

TEST(Unrouted, ADanglingTraceIsAPieceOfItsNetAsTheRouterCountsIt) {
    Board board = board_with_nets({{"U1.1", "U2.1"}, {"U3.1"}});
    board.nets[0].connects = {trace({vertex_at(1.0, 1.0, top_copper_layer), vertex_at(2.0, 1.0, 0)}),
                              trace({vertex_at(3.0, 2.0, top_copper_layer), vertex_at(3.5, 2.0, 0)})};
    // A net of one pin has nothing to join, until copper of its own lies apart.
    board.nets[1].connects = {trace({vertex_at(3.0, 0.5, rat_line_layer), vertex_at(3.5, 0.5, 0)})};
    EXPECT_EQ(Unrouted(board).lines, "  Unrouted: 1 connection in 1 net\n    net N1: U2.1 to (3.000, 2.000)\n");
    board.nets[1].connects = {trace({vertex_at(3.0, 0.5, top_copper_layer), vertex_at(3.5, 0.5, 0)})};
    EXPECT_EQ(Unrouted(board).lines,
              "  Unrouted: 2 connections in 2 nets\n    net N1: U2.1 to (3.000, 2.000)\n"
              "    net N2: U3.1 to (3.000, 0.500)\n");
}

TEST(Unrouted, PinsAndNetsTheRouterNeverSeesAreNotCounted) {
    Board board = board_with_nets({{"U1.1", "U2.1", "U3.1"}, {"R1.1", "R1.2"}});
    // U2 has no footprint: its pin is none of the router's.
    board.parts[1].no_footprint = true;
    // A keepout net is no net of the router's.
    board.nets[1].reserved = 2;
    build_part_pins(board);
    EXPECT_EQ(Unrouted(board).lines, "  Unrouted: 1 connection in 1 net\n    net N1: U1.1 to U3.1\n");
}

TEST(Unrouted, ADrilledPinWithoutAnInnerPadIsJoinedOnTheInnerLayersByItsRing) {
    // Two drilled pins given no inner pad, their nets' copper only an area on an inner layer.
    Board board = test::board_with_copper_layers(4);
    Footprint drilled;
    drilled.name = "TH";
    drilled.pins = {pin_named("1", 0.03, pad_shape_circle, 0.06), pin_named("2", 0.03, pad_shape_circle, 0.06)};
    drilled.pins[1].x = 0.5;
    Padstack ring;
    ring.inner_shape = pad_shape_circle;
    ring.inner.wide = ring.inner.high = 0.05;
    board.padstacks = {ring};
    for (FootprintPin& pin : drilled.pins) {
        pin.inner_pad.shape = pad_shape_none;
        pin.no_inner_pad = 1;
        pin.padstack = 0;
    }
    drilled.pin_count = 2;
    board.footprints = {drilled};
    Part& part = board.parts.emplace_back();
    part.ref = "J1";
    part.x = 1;
    part.y = 1;
    Net& net = board.nets.emplace_back();
    net.name = "GND";
    net.pins = {NetPin{"J1.1"}, NetPin{"J1.2"}};
    net.pin_count = 2;
    build_part_pins(board);
    net.areas = {area_over(top_copper_layer + 2, 0.5, 0.5, 2.0, 1.5)};
    EXPECT_EQ(Unrouted(board).report.connections, 0u);
    // Without the ring the pins have no copper there.
    board.padstacks[0].inner.wide = 0;
    board.footprints[0].pins[0].no_inner_pad = board.footprints[0].pins[1].no_inner_pad = 0;
    EXPECT_EQ(Unrouted(board).report.connections, 2u);
}


// The shortest tree by every airline between pieces, shortest first, each taken where it joins
// two sets: the tree the faster search must find, ties included.
std::vector<Airline> every_airline_tree(const std::vector<PiecePoint>& points, std::uint32_t pieces) {
    std::vector<Airline> lines;
    for (std::uint32_t a = 0; a < points.size(); ++a) {
        for (std::uint32_t b = a + 1; b < points.size(); ++b) {
            if (points[a].piece == points[b].piece) continue;
            const double dx = points[a].x - points[b].x;
            const double dy = points[a].y - points[b].y;
            lines.push_back(Airline{dx * dx + dy * dy, a, b});
        }
    }
    std::sort(lines.begin(), lines.end());
    Groups sets(pieces);
    std::vector<Airline> tree;
    for (const Airline& line : lines) {
        if (sets.join(points[line.a].piece, points[line.b].piece)) tree.push_back(line);
    }
    return tree;
}

TEST(Unrouted, TheShortestTreeIsTheOneEveryAirlineGivesTiesAndCrowdsIncluded) {
    // Points on a coarse lattice, so that many airlines are of one length and many points share
    // a place; pieces scattered, clustered, and one large piece around small ones.
    std::mt19937 random(20261210);
    auto next = [&](std::uint32_t below) { return static_cast<std::uint32_t>(random() % below); };
    for (int round = 0; round < 60; ++round) {
        const std::uint32_t pieces = 2 + next(round < 30 ? 6 : 40);
        const std::uint32_t count = pieces + next(300);
        std::vector<PiecePoint> points;
        for (std::uint32_t i = 0; i < count; ++i) {
            const double x = static_cast<double>(next(round % 3 == 0 ? 5 : 40)) * 0.1;
            const double y = static_cast<double>(next(40)) * 0.1;
            // Every piece has a point; past them, points go to pieces at random, or by the region
            // they lie in, or to piece 0 where x is small and at random elsewhere.
            std::uint32_t piece = next(pieces);
            if (round % 3 == 1) piece = static_cast<std::uint32_t>(x + 4 * static_cast<int>(y)) % pieces;
            if (round % 3 == 2 && x < 2) piece = 0;
            if (i < pieces) piece = i;
            points.push_back(PiecePoint{x, y, piece, -1});
        }
        const std::vector<Airline> expected = every_airline_tree(points, pieces);
        const std::vector<Airline> found = shortest_tree(points, pieces);
        ASSERT_EQ(found.size(), pieces - 1) << "round " << round;
        for (std::size_t k = 0; k < expected.size(); ++k) {
            EXPECT_EQ(found[k].length2, expected[k].length2) << "round " << round << " airline " << k;
            EXPECT_EQ(found[k].a, expected[k].a) << "round " << round << " airline " << k;
            EXPECT_EQ(found[k].b, expected[k].b) << "round " << round << " airline " << k;
        }
    }
}
}  // namespace
}  // namespace tarnwick
