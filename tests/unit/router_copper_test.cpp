#include "session/router_copper.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "board/units.h"
#include "fpc/load.h"
#include "session/back_annotation.h"

namespace tarnwick {
namespace {

bool has_segment(const RouterCopper& copper, std::uint32_t net, std::uint32_t layer, double x1, double y1, double x2,
                 double y2) {
    const auto [first, last] = copper.segment_places(net, layer, x1, y1, x2, y2);
    return first < last;
}

TEST(RouterCopper, SegmentsMatchEitherWayRoundOnTheirNetAndLayerOnly) {
    RouterCopper copper;
    copper.add_segment(2, 12, 0.5, 0.25, -0.0, 1.0);
    copper.add_segment(2, 13, 0.1, 0.1, 0.2, 0.2);
    copper.add_via(2, 0.3, 0.4);
    copper.finish();
    EXPECT_TRUE(has_segment(copper, 2, 12, 0.5, 0.25, 0.0, 1.0));
    EXPECT_TRUE(has_segment(copper, 2, 12, 0.0, 1.0, 0.5, 0.25));  // walked the other way
    EXPECT_FALSE(has_segment(copper, 2, 13, 0.5, 0.25, 0.0, 1.0));
    EXPECT_FALSE(has_segment(copper, 1, 12, 0.5, 0.25, 0.0, 1.0));
    EXPECT_FALSE(has_segment(copper, 2, 12, 0.5, 0.25, 0.0, 1.0000000001));
    EXPECT_TRUE(has_segment(copper, 2, 13, 0.2, 0.2, 0.1, 0.1));
    EXPECT_TRUE(copper.has_via(2, 0.3, 0.4));
    EXPECT_FALSE(copper.has_via(3, 0.3, 0.4));
    EXPECT_FALSE(copper.has_via(2, 0.4, 0.3));
}

TEST(RouterCopper, ASegmentLaidTwiceHasTwoPlaces) {
    RouterCopper copper;
    copper.add_segment(1, 12, 0.2, 0.2, 0.2, 0.2);
    copper.add_segment(1, 12, 0.1, 0.1, 0.3, 0.3);
    copper.add_segment(1, 12, 0.2, 0.2, 0.2, 0.2);
    copper.finish();
    ASSERT_EQ(copper.segment_count(), 3u);
    const auto [first, last] = copper.segment_places(1, 12, 0.2, 0.2, 0.2, 0.2);
    EXPECT_EQ(last - first, 2u);
    const auto [other, end] = copper.segment_places(1, 12, 0.3, 0.3, 0.1, 0.1);
    EXPECT_EQ(end - other, 1u);
    EXPECT_TRUE(other >= last || end <= first);
    const auto [none, none_end] = copper.segment_places(1, 13, 0.3, 0.3, 0.1, 0.1);
    EXPECT_EQ(none, none_end);
}

// The example's session returns the board's own traces and via marked "(type protect)"; every
// other wire the router laid. On the routed board, the segments of those wires are the router's
// and the rest (the board's own, and what the rebuild adds) are not.
TEST(RouterCopper, TheRoutedExampleTellsTheRoutersWiresFromTheBoardsOwn) {
    const std::filesystem::path examples(TARNWICK_EXAMPLES);
    Board board;
    RunSettings settings;
    settings.back_annotate = true;
    settings.picture = true;  // as -B --svg: the session's wiring is kept for the picture
    settings.fpcname = (examples / "blinker.fpc").string();
    settings.specctraname = (examples / "blinker.ses").string();
    Diagnostics diagnostics;
    testing::internal::CaptureStderr();
    load_fpc_file(board, settings, diagnostics);
    const BackAnnotation routed = back_annotate_file(board, settings, diagnostics);
    testing::internal::GetCapturedStderr();
    const RouterCopper copper = router_copper(routed.session);

    std::string laid;  // per net with copper: "<name>:<router's segments>/<all segments>"
    std::uint32_t router_vias = 0;
    std::uint32_t vias = 0;
    for (std::uint32_t n = 0; n < board.nets.size(); ++n) {
        const Net& net = board.nets[n];
        std::uint32_t router = 0;
        std::uint32_t all = 0;
        for (const Connect& connect : net.connects) {
            for (std::size_t i = 0; i + 1 < connect.vertices.size(); ++i) {
                const Vertex& a = connect.vertices[i];
                const Vertex& b = connect.vertices[i + 1];
                if (a.seg_layer < top_copper_layer) continue;
                ++all;
                if (has_segment(copper, n, a.seg_layer, a.x, a.y, b.x, b.y)) ++router;
            }
        }
        for (const Via& via : net.vias) {
            ++vias;
            if (copper.has_via(n, via.x, via.y)) ++router_vias;
        }
        if (all > 0) laid += net.name + ":" + std::to_string(router) + "/" + std::to_string(all) + " ";
    }
    // VCC: the router's wire to U1.8 and the board's three; OUT: the board's two, via included.
    EXPECT_EQ(laid, "VCC:2/7 GND:3/3 DIS:2/3 THR:6/6 OUT:0/4 LED:2/2 ");
    EXPECT_EQ(vias, 1u);
    EXPECT_EQ(router_vias, 0u);
}

}  // namespace
}  // namespace tarnwick
