#include "session/analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "session_support.h"

namespace tarnwick {
namespace {

// One session unit; a power of two, so that distances of whole units are exact.
constexpr double unit = 1.0 / 65536;

WirePath path_of(std::vector<PathPoint> points, std::uint32_t layer = 12, double width = 10 * unit) {
    WirePath path;
    path.points = std::move(points);
    path.layer = layer;
    path.width = width;
    return path;
}

WireVia via_at(double x, double y) {
    WireVia via;
    via.x = x;
    via.y = y;
    return via;
}

struct Analysed {
    std::uint32_t line = 0;
    Session session{"s.ses", {}, line};
    Net net;
    NetWire wire;

    Analysed() { session.session_scale = unit; }
    void pins() { locate_pins(session, wire, net); }
    void vias() { locate_vias(session, wire); }
    void tees() { locate_tees(session, wire); }
};

TEST(Analysis, PathEndsSnapOntoPinsWithinTheirWindow) {
    Analysed a;
    a.net.pins = {NetPin{"U1.1", 0.1, 0.1, 12}, NetPin{"U1.2", 0.2, 0.1, 13}, NetPin{"J1.1", 0.3, 0.1, 0},
                  NetPin{"CN1.1", 0, 0, 0}};
    a.net.pins[3].no_position = true;  // a part without footprint: the path ending at (0, 0) misses it
    a.wire.paths.push_back(path_of({{0.1 + 3 * unit, 0.1}, {0.15, 0.1}}));             // 3 units off U1.1
    a.wire.paths.push_back(path_of({{0.15, 0.2}, {0.2, 0.1}}));                       // top path, bottom pin
    a.wire.paths.push_back(path_of({{0.25, 0.3}, {0.3 + 12 * unit, 0.1}}, 13, 20 * unit));  // wide: 4 + 10 units
    a.wire.paths.push_back(path_of({{0.05, 0.05}, {0, 0}}));
    a.pins();
    const std::vector<WirePath>& p = a.wire.paths;
    EXPECT_EQ(p[0].start_pin, 0);
    EXPECT_EQ(p[0].points[0].x, 0.1);
    EXPECT_EQ(p[0].moved_ends, 1u);
    EXPECT_EQ(p[1].end_pin, -1);
    EXPECT_EQ(p[2].end_pin, 2);  // a drilled pin takes any layer
    EXPECT_TRUE(p[2].reversed);
    EXPECT_EQ(p[3].end_pin, -1);
    EXPECT_EQ(a.wire.pin_path_ends[0], 1u);
    EXPECT_EQ(a.wire.pin_connects_to_go, 2);
    EXPECT_EQ(a.session.stats.fixups, 2u);
    EXPECT_EQ(a.session.stats.fixups_at_pins, 2u);
    EXPECT_EQ(a.session.stats.pins_connected, 2u);

    // The wide path's end is too far from a via, whose window has no half width.
    a.wire.vias.push_back(via_at(0.3 + 24 * unit, 0.1));
    a.vias();
    EXPECT_EQ(p[2].end_via, -1);
}

TEST(Analysis, AnEndOnAViaStaysTheViasEvenWithinAPinsReach) {
    // A bottom pin; a via 1.5 mil beside it with the router's short wire to the pin, a wire on
    // each layer arriving at the via; and a via on a second pin's centre.
    Analysed a;
    const double mil = 0.001;
    a.net.pins = {NetPin{"U1.1", 0.3, 0.9, 13}, NetPin{"U2.1", 0.6, 0.9, 13}};
    a.wire.vias = {via_at(0.3 + 1.5 * mil, 0.9), via_at(0.6, 0.9)};
    const double wide = 20 * mil;  // reach 10 mil and 4 units
    a.wire.paths.push_back(path_of({{0.3 + 1.5 * mil, 0.9}, {0.3, 0.9}}, 13, wide));
    a.wire.paths.push_back(path_of({{0.3, 0.5}, {0.3 + 1.5 * mil, 0.9}}, 13, wide));
    a.wire.paths.push_back(path_of({{0.1, 0.9}, {0.3 + 1.5 * mil, 0.9}}, 12, wide));
    a.wire.paths.push_back(path_of({{0.6, 0.5}, {0.6, 0.9}}, 13, wide));
    a.pins();
    const std::vector<WirePath>& p = a.wire.paths;
    EXPECT_EQ(p[0].start_pin, -1);  // its via end is the via's
    EXPECT_EQ(p[0].end_pin, 0);     // its other end the pin's
    EXPECT_EQ(p[1].end_pin, -1);
    EXPECT_EQ(p[1].points.back().x, 0.3 + 1.5 * mil);  // left on the via
    EXPECT_EQ(p[2].end_pin, -1);    // a top wire: no bottom pin takes it anyway
    EXPECT_EQ(p[3].end_pin, 1);     // the via on the pin itself: the end is both
    EXPECT_EQ(a.session.stats.via_ends_near_pins, 2u);
    a.vias();
    EXPECT_EQ(p[0].start_via, 0);
    EXPECT_EQ(p[1].end_via, 0);
    EXPECT_EQ(p[2].end_via, 0);
    EXPECT_EQ(p[3].end_via, 1);
    EXPECT_EQ(a.wire.vias[0].path_ends, 3u);
}

TEST(Analysis, PathsMeetAtViasAndAtTeesWithRunWideIds) {
    Analysed a;
    // Two paths on the top end on one via; a third leaves it on the bottom.
    a.wire.vias.push_back(via_at(0.5, 0.5));
    a.wire.paths.push_back(path_of({{0.4, 0.5}, {0.5, 0.5 + 4 * unit}}));  // exactly 4 units: inside
    a.wire.paths.push_back(path_of({{0.5, 0.5}, {0.6, 0.5}}));
    a.wire.paths.push_back(path_of({{0.5, 0.4}, {0.5, 0.5}}, 13));
    // Three paths meet within a unit of one point; a fourth comes on another layer.
    a.wire.paths.push_back(path_of({{0.1, 0.1}, {0.2, 0.2}}));
    a.wire.paths.push_back(path_of({{0.2 + unit, 0.2}, {0.3, 0.2}}));
    a.wire.paths.push_back(path_of({{0.2, 0.3}, {0.2, 0.2 - unit}}));
    a.wire.paths.push_back(path_of({{0.2, 0.2}, {0.2, 0.0}}, 13));
    // An end exactly 4 units from another does not meet it.
    a.wire.paths.push_back(path_of({{0.8, 0.8}, {0.9, 0.8}}));
    a.wire.paths.push_back(path_of({{0.9 + 4 * unit, 0.8}, {0.95, 0.8}}));
    a.vias();
    a.tees();

    const WireVia& via = a.wire.vias[0];
    EXPECT_EQ(via.path_ends, 3u);
    EXPECT_EQ(via.shared_layer, 1u);
    EXPECT_EQ(via.layer_path_ends, 0b11u);  // ends on the top layer (two) and the bottom
    ASSERT_EQ(a.wire.tees.size(), 2u);
    const WireTee& at_via = a.wire.tees[0];
    EXPECT_EQ(at_via.id, 12345u);
    EXPECT_EQ(at_via.layer, 0u);
    EXPECT_EQ(at_via.via, 0);
    EXPECT_EQ(at_via.path_ends, 3u);
    EXPECT_EQ(a.wire.paths[0].end_tee, 0);
    EXPECT_EQ(a.wire.paths[0].points[1].y, 0.5);

    const WireTee& junction = a.wire.tees[1];
    EXPECT_EQ(junction.id, 12346u);
    EXPECT_EQ(junction.path_ends, 3u);
    EXPECT_EQ(junction.layer, 12u);
    EXPECT_EQ(a.wire.paths[4].points[0].x, 0.2);  // moved onto the first path's end
    EXPECT_EQ(a.wire.paths[6].start_tee, -1);     // another layer, no via
    EXPECT_EQ(a.wire.paths[7].end_tee, -1);
    EXPECT_EQ(a.session.stats.tees_made, 2u);
    EXPECT_EQ(a.session.stats.via_tees_made, 1u);
    EXPECT_EQ(a.session.stats.tee_to_tee, 0u);
    EXPECT_EQ(a.session.stats.via_to_tee, 0u);
}

TEST(Analysis, JoinsThatCannotBeMadeStopWithTheirPairingsError) {
    struct Case {
        int l_end, k_end;  // 0 first point, 1 last point
        int kind;          // 0 both ends on different tees, 3 L's end at a via, 4 K's end at a via
        int code;
        const char* message;
    };
    const Case cases[] = {
        {0, 0, 0, 31764, "start/start TEE mismatch"}, {0, 0, 3, 31780, "start/start VIA mismatch 3"},
        {0, 0, 4, 31792, "start/start VIA mismatch 4"}, {0, 1, 0, 31823, "start/end TEE mismatch"},
        {0, 1, 3, 31839, "start/end VIA mismatch 3"},   {0, 1, 4, 31851, "start/end VIA mismatch 4"},
        {1, 0, 0, 31886, "end/start TEE mismatch"},     {1, 0, 3, 31902, "end/start VIA mismatch 3"},
        {1, 0, 4, 31914, "end/start VIA mismatch 4"},   {1, 1, 0, 31944, "end/end TEE mismatch"},
        {1, 1, 3, 31960, "end/end VIA mismatch 3"},     {1, 1, 4, 31975, "end/end VIA mismatch 4"},
    };
    for (const Case& c : cases) {
        Analysed a;
        // L's chosen end and K's chosen end meet at (0.5, 0.5); their other ends are far apart.
        const PathPoint meet{0.5, 0.5};
        WirePath l = path_of({{0.1, 0.1}, {0.1, 0.1}});
        WirePath k = path_of({{0.9, 0.9}, {0.9, 0.9}});
        (c.l_end == 0 ? l.points.front() : l.points.back()) = meet;
        (c.k_end == 0 ? k.points.front() : k.points.back()) = meet;
        a.wire.vias.push_back(via_at(0.5, 0.5));
        a.wire.tees.resize(2);
        a.wire.tees[0].index = 0;
        a.wire.tees[1].index = 1;
        std::int32_t& l_tee = c.l_end == 0 ? l.start_tee : l.end_tee;
        std::int32_t& k_tee = c.k_end == 0 ? k.start_tee : k.end_tee;
        if (c.kind == 0) {
            l_tee = 0;
            k_tee = 1;
        } else if (c.kind == 3) {
            l_tee = 0;
            (c.l_end == 0 ? l.start_via : l.end_via) = 0;
        } else {
            k_tee = 0;
            (c.k_end == 0 ? k.start_via : k.end_via) = 0;
        }
        a.wire.paths = {l, k};
        const FatalError error = test::expect_fatal([&] { a.tees(); });
        EXPECT_EQ(error.code, c.code);
        EXPECT_EQ(error.message, c.message);
    }
}

TEST(Analysis, APathSnappedToNoLengthIsDroppedAndItsEndsUncounted) {
    Analysed a;
    a.net.pins = {NetPin{"U1.1", 0.2, 0.3, 12}};
    // U1.1 down to a runt of two units, which a path from below reaches at its lower end.
    a.wire.paths.push_back(path_of({{0.2, 0.3}, {0.2, 0.1 + 2 * unit}}));
    a.wire.paths.push_back(path_of({{0.2, 0.1 + 2 * unit}, {0.2, 0.1}}));
    a.wire.paths.push_back(path_of({{0.2, 0.1}, {0.2, 0.0}}));
    a.wire.paths.push_back(path_of({{0.2, 0.1}, {0.3, 0.1}}));
    a.wire.paths[1].source_line = 77;
    a.pins();
    a.vias();
    a.tees();
    ASSERT_EQ(a.wire.paths[1].points[0].y, a.wire.paths[1].points[1].y);  // snapping left it no length
    ASSERT_EQ(a.wire.tees.size(), 1u);
    EXPECT_EQ(a.wire.tees[0].path_ends, 5u);  // both ends of the runt among them
    testing::internal::CaptureStderr();
    drop_collapsed_paths(a.wire);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\nNet : (line 77) trace of no length @ (0.200, 0.100) on layer 12 dropped.");
    ASSERT_EQ(a.wire.paths.size(), 3u);
    EXPECT_EQ(a.wire.paths[1].points[1].y, 0.0);
    EXPECT_EQ(a.wire.tees[0].path_ends, 3u);
}

TEST(Analysis, EveryEndAJunctionJoinsLiesAtTheJunction) {
    // A path ends where a runt starts; the runt's other end, two units back, then meets the first
    // path's end, which moves onto it: the junction would be on two places.
    Analysed a;
    a.wire.paths.push_back(path_of({{0.1, 0.1}, {0.1, 0.5}}));
    a.wire.paths.push_back(path_of({{0.1, 0.5}, {0.1, 0.5 - 2 * unit}}));
    a.vias();
    a.tees();
    ASSERT_EQ(a.wire.tees.size(), 1u);
    const WireTee& tee = a.wire.tees[0];
    EXPECT_EQ(tee.y, 0.5);
    EXPECT_EQ(tee.path_ends, 3u);
    for (const PathPoint& end : {a.wire.paths[0].points.back(), a.wire.paths[1].points.front(),
                                 a.wire.paths[1].points.back()}) {
        EXPECT_EQ(end.x, tee.x);
        EXPECT_EQ(end.y, tee.y);
    }
    EXPECT_EQ(a.wire.paths[0].end_tee, 0);
    EXPECT_EQ(a.wire.paths[1].end_tee, 0);
    EXPECT_EQ(a.wire.paths[1].length, 0);  // a runt of no length now, which the rebuild drops
}

// The all-pairs passes as written down, for comparison with the grid-based ones.
struct Reference {
    static bool inside(const PathPoint& p, double x, double y, double t) {
        return std::fabs(p.x - x) <= t && std::fabs(p.y - y) <= t;
    }
    static void pins(Session& s, NetWire& w, const Net& net) {
        // An end on a via goes to a pin only when every via it lies on lies on the pin.
        const double v = 4 * s.session_scale;
        auto free_for = [&](const PathPoint& end, const NetPin& pin) {
            for (const Via& via : w.vias) {
                if (inside(end, via.x, via.y, v) && !inside({via.x, via.y}, pin.x, pin.y, v)) return false;
            }
            return true;
        };
        w.pin_path_ends.assign(net.pins.size(), 0);
        for (WirePath& p : w.paths) {
            p.start_pin = p.end_pin = -1;
            p.reversed = false;
            const double t = 4 * s.session_scale + p.width / 2;
            for (std::size_t n = 0; n < net.pins.size(); ++n) {
                const NetPin& pin = net.pins[n];
                if (p.layer != pin.layer && pin.layer != 0) continue;
                int end = inside(p.points.front(), pin.x, pin.y, t) && free_for(p.points.front(), pin) ? 0
                          : inside(p.points.back(), pin.x, pin.y, t) && free_for(p.points.back(), pin) ? 1
                                                                                                       : -1;
                if (end < 0) continue;
                (end == 0 ? p.start_pin : p.end_pin) = static_cast<std::int32_t>(n);
                ++w.pin_path_ends[n];
                ++w.pin_connects_to_go;
                if (snap_end(s, p, end, {pin.x, pin.y})) ++s.stats.fixups_at_pins;
            }
            if (p.start_pin < 0 && p.end_pin >= 0) p.reversed = true;
        }
    }
    static void vias(Session& s, NetWire& w) {
        const double t = 4 * s.session_scale;
        for (WirePath& p : w.paths) {
            p.start_via = p.end_via = p.start_tee = p.end_tee = -1;
            for (std::size_t v = 0; v < w.vias.size(); ++v) {
                WireVia& via = w.vias[v];
                int end = inside(p.points.front(), via.x, via.y, t) ? 0 : inside(p.points.back(), via.x, via.y, t) ? 1 : -1;
                if (end < 0) continue;
                (end == 0 ? p.start_via : p.end_via) = static_cast<std::int32_t>(v);
                if (++via.path_ends == 1) {
                    WireTee& tee = make_tee(s, w, via.x, via.y, 0);
                    tee.path_ends = 1;
                    via.tee = tee.index;
                } else {
                    ++w.tees[static_cast<std::size_t>(via.tee)].path_ends;
                }
                (end == 0 ? p.start_tee : p.end_tee) = via.tee;
                snap_end(s, p, end, {via.x, via.y});
            }
        }
    }
    static void tees(Session& s, NetWire& w) {
        const double t = 4 * s.session_scale;
        auto near = [t](const PathPoint& a, const PathPoint& b) {
            return std::fabs(a.x - b.x) < t && std::fabs(a.y - b.y) < t;
        };
        // A junction with an end that has no via, where the other end has one, cannot be made.
        auto join = [&](std::int32_t& a, std::int32_t va, std::int32_t& b, std::int32_t vb, const PathPoint& at,
                        std::uint32_t layer) {
            if (a < 0 && b < 0) {
                WireTee& tee = make_tee(s, w, at.x, at.y, layer);
                tee.path_ends = 2;
                a = b = tee.index;
            } else if (a >= 0 && b >= 0) {
                if (a != b) fatal_error(1, "tee");
            } else if (a < 0) {
                a = b;
                ++w.tees[static_cast<std::size_t>(b)].path_ends;
                if (vb >= 0) fatal_error(4, "via");
            } else {
                b = a;
                ++w.tees[static_cast<std::size_t>(a)].path_ends;
                if (va >= 0) fatal_error(3, "via");
            }
        };
        for (std::size_t l = 0; l < w.paths.size(); ++l) {
            for (std::size_t k = 0; k < w.paths.size(); ++k) {
                if (k == l) continue;
                WirePath& L = w.paths[l];
                WirePath& K = w.paths[k];
                const bool same = L.layer == K.layer;
                if (L.start_pin < 0) {
                    const PathPoint f = L.points.front();
                    if (K.start_pin < 0 && (L.start_via >= 0 || K.start_via >= 0 || same) && near(f, K.points.front())) {
                        snap_end(s, K, 0, f);
                        join(L.start_tee, L.start_via, K.start_tee, K.start_via, f, L.layer);
                    } else if (K.end_pin < 0 && (L.start_via >= 0 || K.end_via >= 0 || same) &&
                               near(f, K.points.back())) {
                        snap_end(s, K, 1, f);
                        join(L.start_tee, L.start_via, K.end_tee, K.end_via, f, L.layer);
                    }
                }
                if (L.end_pin < 0) {
                    const PathPoint e = L.points.back();
                    if (K.start_pin < 0 && (L.end_via >= 0 || K.start_via >= 0 || same) && near(e, K.points.front())) {
                        snap_end(s, K, 0, e);
                        join(L.end_tee, L.end_via, K.start_tee, K.start_via, e, L.layer);
                    } else if (K.end_pin < 0 && (L.end_via >= 0 || K.end_via >= 0 || same) &&
                               near(e, K.points.back())) {
                        snap_end(s, K, 1, e);
                        join(L.end_tee, L.end_via, K.end_tee, K.end_via, e, L.layer);
                    }
                }
            }
        }
        // Then every end a junction joins onto the junction.
        auto onto = [&](WirePath& p, int end, std::int32_t tee) {
            const Tee& t = w.tees[static_cast<std::size_t>(tee)];
            snap_end(s, p, end, {t.x, t.y});
        };
        for (WirePath& p : w.paths) {
            if (p.start_tee >= 0 && p.start_via < 0) onto(p, 0, p.start_tee);
            if (p.end_tee >= 0 && p.end_via < 0) onto(p, 1, p.end_tee);
        }
    }
};

TEST(Analysis, GridsFindWhatComparingEveryPairFinds) {
    std::mt19937 random(20261209);
    int compared = 0;
    for (int round = 0; round < 300; ++round) {
        // Pins, vias and path ends on a coarse lattice, each jittered by up to 6 units, so that
        // ends fall inside, on and beyond every window.
        // Every third round crowds the ends on four places, where groups of joined ends form.
        const int spread = round % 3 == 0 ? 2 : 8;
        auto lattice = [&](int) { return 0.001 * static_cast<double>(random() % spread); };
        auto jitter = [&] { return unit * static_cast<double>(static_cast<int>(random() % 13) - 6); };
        Analysed fast;
        for (int i = 0; i < 6; ++i) {
            fast.net.pins.push_back(NetPin{"P", lattice(8) + jitter(), lattice(8) + jitter(),
                                           static_cast<std::uint32_t>(random() % 3 == 0 ? 0 : 12 + random() % 2)});
        }
        for (int i = 0; i < 4; ++i) fast.wire.vias.push_back(via_at(lattice(8) + jitter(), lattice(8) + jitter()));
        for (int i = 0; i < 24; ++i) {
            fast.wire.paths.push_back(path_of({{lattice(8) + jitter(), lattice(8) + jitter()},
                                               {lattice(8) + jitter(), lattice(8) + jitter()}},
                                              12 + random() % 2, unit * (random() % 12)));
        }
        Analysed slow;
        slow.net = fast.net;
        slow.wire = fast.wire;

        int fast_error = 0;
        int slow_error = 0;
        try {
            fast.pins();
            fast.vias();
            fast.tees();
        } catch (const FatalError& error) {
            fast_error = error.code;
        }
        try {
            Reference::pins(slow.session, slow.wire, slow.net);
            Reference::vias(slow.session, slow.wire);
            Reference::tees(slow.session, slow.wire);
        } catch (const FatalError& error) {
            slow_error = error.code;
        }
        ASSERT_EQ(fast_error != 0, slow_error != 0) << "round " << round;
        if (fast_error != 0) continue;
        for (std::size_t i = 0; i < fast.wire.paths.size(); ++i) {
            const WirePath& f = fast.wire.paths[i];
            const WirePath& s = slow.wire.paths[i];
            ASSERT_EQ(f.start_pin, s.start_pin) << "round " << round << " path " << i;
            ASSERT_EQ(f.end_pin, s.end_pin);
            ASSERT_EQ(f.start_via, s.start_via);
            ASSERT_EQ(f.end_via, s.end_via);
            ASSERT_EQ(f.start_tee, s.start_tee);
            ASSERT_EQ(f.end_tee, s.end_tee);
            ASSERT_EQ(f.moved_ends, s.moved_ends);
            ASSERT_EQ(f.points.front().x, s.points.front().x);
            ASSERT_EQ(f.points.back().y, s.points.back().y);
        }
        ASSERT_EQ(fast.wire.tees.size(), slow.wire.tees.size()) << "round " << round;
        for (std::size_t t = 0; t < fast.wire.tees.size(); ++t) {
            ASSERT_EQ(fast.wire.tees[t].id, slow.wire.tees[t].id);
            ASSERT_EQ(fast.wire.tees[t].path_ends, slow.wire.tees[t].path_ends);
            ASSERT_EQ(fast.wire.tees[t].x, slow.wire.tees[t].x);
        }
        ASSERT_EQ(fast.session.stats.fixups, slow.session.stats.fixups);
        ASSERT_EQ(fast.wire.pin_connects_to_go, slow.wire.pin_connects_to_go);
        ++compared;
    }
    EXPECT_GT(compared, 150);  // most rounds join without a mismatch
}

TEST(Analysis, EndsAmongCountlessViasMatchAsComparingEveryViaDoes) {
    // A session unit of an inch makes the window four inches wide: every via is near every path
    // end, each one that matches takes the end and moves it. The result is that of comparing
    // each path with every via in order, and the work is not the square of the vias per path.
    std::mt19937 random(7);
    Analysed fast;
    fast.session.session_scale = 1.0;
    for (int i = 0; i < 3000; ++i) {
        fast.wire.vias.push_back(via_at(0.002 * (random() % 1000), 0.002 * (random() % 1000)));
    }
    for (int i = 0; i < 12; ++i) {
        fast.wire.paths.push_back(path_of({{0.01 * (random() % 100), 0.0}, {9.0 + i, 9.0}}, 12, 0));
    }
    fast.net.pins.push_back(NetPin{"P", 0.5, 0.5, 0});
    fast.net.pins.push_back(NetPin{"Q", 3.5, 3.5, 0});
    Analysed slow;
    slow.session.session_scale = 1.0;
    slow.net = fast.net;
    slow.wire = fast.wire;

    fast.pins();
    fast.vias();
    Reference::pins(slow.session, slow.wire, slow.net);
    Reference::vias(slow.session, slow.wire);
    for (std::size_t i = 0; i < fast.wire.paths.size(); ++i) {
        EXPECT_EQ(fast.wire.paths[i].start_pin, slow.wire.paths[i].start_pin) << i;
        EXPECT_EQ(fast.wire.paths[i].start_via, slow.wire.paths[i].start_via) << i;
        EXPECT_EQ(fast.wire.paths[i].end_via, slow.wire.paths[i].end_via) << i;
        EXPECT_EQ(fast.wire.paths[i].points.front().x, slow.wire.paths[i].points.front().x) << i;
    }
    EXPECT_EQ(fast.session.stats.fixups, slow.session.stats.fixups);
    EXPECT_GT(fast.session.stats.fixups, 3000u);  // the ends did move from via to via
    ASSERT_EQ(fast.wire.tees.size(), slow.wire.tees.size());
    for (std::size_t t = 0; t < fast.wire.tees.size(); ++t) {
        EXPECT_EQ(fast.wire.tees[t].path_ends, slow.wire.tees[t].path_ends) << t;
    }
}

}  // namespace
}  // namespace tarnwick
