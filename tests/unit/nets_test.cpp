#include "fpc/nets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "board/pads.h"
#include "board/units.h"
#include "fpc/board_numbers.h"
#include "section_support.h"

namespace tarnwick {
namespace {

using test::expect_section_error;
using test::SectionRun;

// One trace of a single segment on `layer` from pin `start` to pin `end`.
std::string single_segment_trace(unsigned index, int start, int end, unsigned layer, unsigned locked = 0) {
    return "  connect: " + std::to_string(index) + " " + std::to_string(start) + " " + std::to_string(end) + " 1 " +
           std::to_string(locked) +
           "\n"
           "    vtx: 1 0 0 12 0 0 0 0\n"
           "    seg: 1 " +
           std::to_string(layer) +
           " 254000 0 0\n"
           "    vtx: 2 2540000 0 12 0 0 0 0\n";
}

std::string pins(unsigned count) {
    std::string text;
    for (unsigned i = 1; i <= count; ++i) text += "  pin: " + std::to_string(i) + " U1." + std::to_string(i) + "\n";
    return text;
}

TEST(Nets, ReadsNetPinsAndTracesInInches) {
    SectionRun run;
    run.run(read_nets,
            "[nets]\n"
            "\n"
            "net: \"GND\" 2 1 0 254000 0 0 1\n"
            "  pin: 1 U1.7\n"
            "  pin: 2 C1.2\n"
            "  connect: 1 0 1 2 0\n"
            "    vtx: 1 25400000 -12700000 12 0 0 0 0\n"
            "    seg: 1 12 254000 3 4\n"
            "    vtx: 2 50800000 0 0 0 0 0 0\n"
            "    seg: 2 13 304800 0 0\n"
            "    vtx: 3 50800000 25400000 13 1 0 0 0\n"
            "[end]\n");
    ASSERT_EQ(run.board.nets.size(), 1u);
    const Net& net = run.board.nets[0];
    EXPECT_EQ(net.name, "GND");
    EXPECT_EQ(net.pin_count, 2u);
    EXPECT_EQ(net.connect_count, 1u);
    EXPECT_DOUBLE_EQ(net.trace_width, 0.01);
    EXPECT_EQ(net.via_padstack, 0u);  // no default via of its own
    EXPECT_EQ(net.visible, 1u);
    EXPECT_EQ(net.reserved, 0u);
    ASSERT_EQ(net.pins.size(), 2u);
    EXPECT_EQ(net.pins[0].pin_ref, "U1.7");
    EXPECT_EQ(net.pins[1].pin_ref, "C1.2");

    ASSERT_EQ(net.connects.size(), 1u);
    const Connect& trace = net.connects[0];
    EXPECT_EQ(trace.start_pin, 0u);
    EXPECT_EQ(trace.end_pin, 1);
    EXPECT_EQ(trace.segment_count, 2u);
    EXPECT_EQ(trace.is_ratline, 0u);
    ASSERT_EQ(trace.vertices.size(), 3u);
    EXPECT_DOUBLE_EQ(trace.vertices[0].x, 1.0);
    EXPECT_DOUBLE_EQ(trace.vertices[0].y, -0.5);
    EXPECT_EQ(trace.vertices[0].layer, 12u);
    EXPECT_EQ(trace.vertices[0].seg_layer, 12u);
    EXPECT_DOUBLE_EQ(trace.vertices[0].seg_width, 0.01);
    EXPECT_EQ(trace.vertices[0].seg_via_width, 3u);
    EXPECT_EQ(trace.vertices[0].seg_via_hole, 4u);
    EXPECT_EQ(trace.vertices[1].seg_layer, 13u);
    EXPECT_DOUBLE_EQ(trace.vertices[1].seg_width, 0.012);
    EXPECT_EQ(trace.vertices[2].flag, 1u);
    EXPECT_EQ(trace.vertices[2].seg_layer, 0u);  // the last vertex starts no segment
    EXPECT_EQ(trace.vertices[2].seg_width, 0.0);

    // The net joins the per-layer lists of both layers it runs on, once each.
    for (const CopperLayerInfo& layer : run.board.copper_layers) {
        ASSERT_EQ(layer.net_count, 1u);
        EXPECT_EQ(layer.layer_nets[0].net_name, "GND");
        EXPECT_EQ(layer.layer_nets[0].area_count, 0u);
    }
    EXPECT_EQ(run.board.stats.nets, 1u);
    EXPECT_EQ(run.board.stats.net_pins, 2u);
    EXPECT_EQ(run.board.stats.connects, 1u);
    EXPECT_EQ(run.board.stats.ratline_segments, 0u);
    EXPECT_EQ(run.console, "");
}

TEST(Nets, VerboseRunNamesTheSectionLine) {
    SectionRun run;
    run.settings.verbose = true;
    run.run(read_nets, "[parts]\n\n[nets]\n[end]\n");
    EXPECT_EQ(run.console, "\nLine 3 [nets]\n");
    EXPECT_TRUE(run.board.nets.empty());
}

TEST(Nets, GroupsNetsIntoClassesByTraceWidthAndDefaultVia) {
    SectionRun run;
    run.run(read_nets,
            "[nets]\n"
            "net: \"A\" 0 0 0 254000 0 0 1\n"
            "net: \"B\" 0 0 0 254000 0 0 1\n"
            "net: \"C\" 0 0 0 304800 0 0 1\n"
            "net: \"D\" 0 0 0 0 0 0 1\n"
            "net: \"E\" 0 0 0 254000 711200 381000 1\n"
            "net: \"F\" 0 0 0 0 711200 381000 1\n"
            "net: \"G\" 0 0 0 254000 711200 381000 1\n"
            "net: \"KEEPOUT\" 0 0 0 254000 0 0 1\n"
            "[end]\n");
    const Board& board = run.board;
    ASSERT_EQ(board.nets.size(), 8u);
    ASSERT_EQ(board.net_classes.size(), 5u);

    EXPECT_EQ(board.net_classes[0].net_count, 0u);  // the default class lists no nets
    EXPECT_TRUE(board.net_classes[0].nets.empty());
    EXPECT_EQ(board.nets[3].net_class, 0u);  // no width, no via
    EXPECT_EQ(board.nets[7].net_class, 0u);  // reserved names never join a class
    EXPECT_EQ(board.nets[7].reserved, 2u);

    EXPECT_EQ(board.net_classes[1].nets, (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(board.net_classes[1].net_count, 2u);
    EXPECT_DOUBLE_EQ(board.net_classes[1].trace_width, 0.01);
    EXPECT_EQ(board.net_classes[2].nets, (std::vector<std::uint32_t>{2}));
    EXPECT_DOUBLE_EQ(board.net_classes[2].trace_width, 0.012);

    // The default via of E, F and G is one new via padstack; F differs from E by its width alone.
    ASSERT_EQ(board.padstacks.size(), 2u);
    EXPECT_EQ(padstack_name(board, 1), "Via101");
    EXPECT_EQ(board.padstacks[1].use_count, 3u);
    EXPECT_EQ(board.nets[4].via_padstack, 1u);
    EXPECT_EQ(board.net_classes[3].nets, (std::vector<std::uint32_t>{4, 6}));
    EXPECT_EQ(board.net_classes[3].via_padstack, 1u);
    EXPECT_DOUBLE_EQ(board.net_classes[3].via_pad_width, 0.028);
    EXPECT_DOUBLE_EQ(board.net_classes[3].via_hole, 0.015);
    EXPECT_EQ(board.net_classes[4].nets, (std::vector<std::uint32_t>{5}));
    EXPECT_EQ(board.net_classes[4].trace_width, 0.0);
    const std::uint32_t classes[] = {1, 1, 2, 0, 3, 4, 3, 0};
    for (std::uint32_t i = 0; i < 8; ++i) EXPECT_EQ(board.nets[i].net_class, classes[i]) << board.nets[i].name;

    // A default via looks up no drill tool.
    EXPECT_TRUE(board.tools.empty());
}

TEST(Nets, DetectsRatLinesAndCountsLockedConnects) {
    SectionRun run;
    run.run(read_nets, "[nets]\n"
                       "net: \"R\" 3 5 0 0 0 0 1\n" +
                           pins(3) + single_segment_trace(1, 0, 1, 6) +  // a rat-line
                           single_segment_trace(2, 1, -1, 6) +             // ends without a pin
                           single_segment_trace(3, 1, 2, 12, 1) +          // routed
                           "  connect: 4 0 2 2 1\n"                        // two rat-line segments
                           "    vtx: 1 0 0 12 0 0 0 0\n"
                           "    seg: 1 6 0 0 0\n"
                           "    vtx: 2 100 0 0 0 0 0 0\n"
                           "    seg: 2 6 0 0 0\n"
                           "    vtx: 3 200 0 12 0 0 0 0\n"
                           "  connect: 5 2 0 2 0\n"  // routed, then a rat-line to the end pin
                           "    vtx: 1 0 0 12 0 0 0 0\n"
                           "    seg: 1 12 0 0 0\n"
                           "    vtx: 2 100 0 0 0 0 0 0\n"
                           "    seg: 2 6 0 0 0\n"
                           "    vtx: 3 200 0 12 0 0 0 0\n"
                           "[end]\n");
    const Net& net = run.board.nets[0];
    ASSERT_EQ(net.connects.size(), 5u);
    EXPECT_EQ(net.connects[0].is_ratline, 1u);
    EXPECT_EQ(net.connects[1].is_ratline, 0u);
    EXPECT_EQ(net.connects[2].is_ratline, 0u);
    EXPECT_EQ(net.connects[3].is_ratline, 0u);
    EXPECT_EQ(net.connects[4].is_ratline, 0u);
    EXPECT_EQ(net.ratline_connects, 1u);
    EXPECT_EQ(net.locked_connects, 2u);
    EXPECT_EQ(run.board.stats.ratline_segments, 5u);
    // Only the routed segments put the net on a copper layer.
    EXPECT_EQ(run.board.copper_layers[0].net_count, 1u);
    EXPECT_EQ(run.board.copper_layers[1].net_count, 0u);
}

TEST(Nets, CollectsTeesOncePerIdWithTheArrivingLayer) {
    SectionRun run;
    run.run(read_nets,
            "[nets]\n"
            "net: \"T\" 3 3 0 0 0 0 1\n" +
                pins(3) +
                "  connect: 1 0 -1 1 0\n"
                "    vtx: 1 0 0 12 0 0 0 0\n"
                "    seg: 1 13 254000 0 0\n"
                "    vtx: 2 25400000 12700000 0 0 0 0 77\n"
                "  connect: 2 1 -1 1 0\n"
                "    vtx: 1 25400000 12700000 0 0 0 0 77\n"
                "    seg: 1 12 254000 0 0\n"
                "    vtx: 2 0 25400000 0 0 0 0 78\n"
                "  connect: 3 2 -1 1 0\n"
                "    vtx: 1 50800000 0 0 0 0 0 79\n"
                "    seg: 1 12 254000 0 0\n"
                "    vtx: 2 0 25400000 0 0 0 0 78\n"
                "[end]\n");
    const Net& net = run.board.nets[0];
    ASSERT_EQ(net.tees.size(), 3u);
    EXPECT_EQ(net.tee_count, 3u);
    EXPECT_EQ(net.tees[0].id, 77u);
    EXPECT_EQ(net.tees[0].layer, 13u);  // the segment arriving at the vertex
    EXPECT_DOUBLE_EQ(net.tees[0].x, 1.0);
    EXPECT_DOUBLE_EQ(net.tees[0].y, 0.5);
    EXPECT_EQ(net.tees[1].id, 78u);
    EXPECT_EQ(net.tees[1].layer, 12u);
    EXPECT_EQ(net.tees[2].id, 79u);
    EXPECT_EQ(net.tees[2].layer, 0u);  // met first at the start of a trace
}

TEST(Nets, TeeMetAgainElsewhereStopsTheRun) {
    const std::string head =
        "[nets]\n"
        "net: \"T\" 2 2 0 0 0 0 1\n" +
        pins(2) +
        "  connect: 1 0 -1 1 0\n"
        "    vtx: 1 0 0 12 0 0 0 0\n"
        "    seg: 1 12 254000 0 0\n"
        "    vtx: 2 25400000 12700000 0 0 0 0 77\n"
        "  connect: 2 1 -1 1 0\n";
    const std::string tail =
        "    seg: 1 12 254000 0 0\n"
        "    vtx: 2 0 0 0 0 0 0 0\n"
        "[end]\n";
    SectionRun run_x;
    expect_section_error(run_x, read_nets, head + "    vtx: 1 25400001 12700000 0 0 0 0 77\n" + tail, 12134,
                         "Tee X value changed", 10);
    SectionRun run_y;
    expect_section_error(run_y, read_nets, head + "    vtx: 1 25400000 0 0 0 0 0 77\n" + tail, 12139,
                         "Tee Y value changed", 10);
}

TEST(Nets, EveryViaVertexGivesAViaCountedInTheDrillTools) {
    SectionRun run;
    run.run(read_nets,
            "[nets]\n"
            "net: \"V\" 2 1 0 254000 711200 381000 1\n" +
                pins(2) +
                "  connect: 1 0 1 3 0\n"
                "    vtx: 1 0 0 12 0 0 0 0\n"
                "    seg: 1 12 254000 0 0\n"
                "    vtx: 2 2540000 0 0 0 711200 381000 0\n"
                "    seg: 2 13 254000 0 0\n"
                "    vtx: 3 5080000 0 0 0 0 381000 0\n"  // a hole without a pad is no via
                "    seg: 3 13 254000 0 0\n"
                "    vtx: 4 5080000 2540000 13 0 0 0 0\n"
                "net: \"W\" 0 1 0 254000 0 0 1\n"
                "  connect: 1 0 -1 2 0\n"
                "    vtx: 1 0 0 12 0 0 0 0\n"
                "    seg: 1 12 254000 0 0\n"
                "    vtx: 2 2540000 0 0 0 711200 381000 0\n"
                "    seg: 2 13 254000 0 0\n"
                "    vtx: 3 2540000 0 0 0 1016000 381000 0\n"  // same drill, wider pad
                "[end]\n");
    const Board& board = run.board;
    const Net& v = board.nets[0];
    ASSERT_EQ(v.vias.size(), 1u);
    EXPECT_EQ(v.via_count, 1u);
    EXPECT_DOUBLE_EQ(v.vias[0].x, 0.1);
    EXPECT_DOUBLE_EQ(v.vias[0].pad_width, 0.028);
    EXPECT_DOUBLE_EQ(v.vias[0].hole, 0.015);
    EXPECT_EQ(v.vias[0].padstack, v.via_padstack);  // the same pads and drill as the default via

    const Net& w = board.nets[1];
    ASSERT_EQ(w.vias.size(), 2u);
    EXPECT_EQ(w.vias[0].padstack, 1u);
    EXPECT_EQ(w.vias[1].padstack, 2u);  // both vias at one position are kept
    EXPECT_EQ(padstack_name(board, 2), "Via102");
    EXPECT_EQ(board.padstacks[1].use_count, 3u);

    // The default via counts no hole; each trace via counts one of its drill.
    ASSERT_EQ(board.tools.size(), 2u);
    EXPECT_DOUBLE_EQ(board.tools[1].diameter, 0.015);
    EXPECT_EQ(board.tools[1].used_count, 3u);
    EXPECT_EQ(board.tools[1].via_count, 3u);
    EXPECT_EQ(board.tools[1].def_count, 0u);
}

TEST(Nets, BackAnnotationReadsTracesWithoutKeepingThem) {
    const std::string section = "[nets]\n"
                                "net: \"V\" 2 2 0 254000 711200 381000 0\n" +
                                pins(2) +
                                "  connect: 1 0 1 2 1\n"
                                "    vtx: 1 0 0 12 0 0 0 0\n"
                                "    seg: 1 12 254000 0 0\n"
                                "    vtx: 2 2540000 0 0 0 1016000 381000 7\n"
                                "    seg: 2 13 254000 0 0\n"
                                "    vtx: 3 2540000 2540000 13 0 0 0 0\n" +
                                single_segment_trace(2, 0, 1, 6) + "[end]\n";
    SectionRun kept;
    kept.run(read_nets, section);
    SectionRun back;
    back.settings.back_annotate = true;
    back.run(read_nets, section);

    const Net& net = back.board.nets[0];
    EXPECT_TRUE(net.connects.empty());
    EXPECT_TRUE(net.vias.empty());
    ASSERT_EQ(kept.board.nets[0].connects.size(), 2u);
    ASSERT_EQ(kept.board.nets[0].vias.size(), 1u);
    // What the rest of the run reads of the traces is as when they are kept: padstacks and drills,
    // the layers in use, tees, the counts and the from-to warning.
    EXPECT_EQ(back.board.padstacks.size(), kept.board.padstacks.size());
    ASSERT_EQ(back.board.tools.size(), kept.board.tools.size());
    EXPECT_EQ(back.board.tools[1].via_count, kept.board.tools[1].via_count);
    EXPECT_EQ(back.board.tools[1].used_count, kept.board.tools[1].used_count);
    EXPECT_EQ(net.tees.size(), 1u);
    EXPECT_EQ(net.locked_connects, 1u);
    EXPECT_EQ(net.ratline_connects, 1u);
    EXPECT_EQ(back.board.stats.connects, kept.board.stats.connects);
    EXPECT_EQ(back.board.stats.ratline_segments, kept.board.stats.ratline_segments);
    EXPECT_EQ(back.console, kept.console);
    ASSERT_EQ(back.board.copper_layers.size(), kept.board.copper_layers.size());
    for (std::size_t layer = 0; layer < kept.board.copper_layers.size(); ++layer) {
        EXPECT_EQ(back.board.copper_layers[layer].net_count, kept.board.copper_layers[layer].net_count) << layer;
        EXPECT_EQ(back.board.copper_layers[layer].layer_nets.size(), kept.board.copper_layers[layer].layer_nets.size());
    }
}

// Net "<name>" of `pin_count` pins with `rat_lines` rat-line connects.
std::string net_with_rat_lines(const std::string& name, unsigned pin_count, unsigned rat_lines, unsigned visible) {
    std::string text = "net: \"" + name + "\" " + std::to_string(pin_count) + " " + std::to_string(rat_lines) +
                       " 0 0 0 0 " + std::to_string(visible) + "\n" + pins(pin_count);
    for (unsigned i = 0; i < rat_lines; ++i) text += single_segment_trace(i + 1, 0, static_cast<int>(i) + 1, 6);
    return text;
}

TEST(Nets, FromToWarningsFollowTheMode) {
    const std::string section = "[nets]\n" + net_with_rat_lines("SHORT", 4, 2, 1) +
                                net_with_rat_lines("FULL", 4, 3, 1) + net_with_rat_lines("HIDDEN", 3, 1, 0) +
                                net_with_rat_lines("HIDDEN_FULL", 3, 2, 0) + net_with_rat_lines("EMPTY", 0, 0, 0) +
                                net_with_rat_lines("ONE", 1, 0, 0) + "[end]\n";

    SectionRun off;
    off.run(read_nets, section);
    EXPECT_EQ(off.console, "");

    // Mode 1 looks at every net and prints no closing warning.
    SectionRun locked_only;
    locked_only.settings.fromto_mode = 1;
    locked_only.run(read_nets, section);
    EXPECT_EQ(locked_only.console,
              "\n net \"SHORT\" may have missing FROMTO record(s)!"
              "\n net \"HIDDEN\" may have missing FROMTO record(s)!");  // EMPTY: no pins, nothing to miss

    // Modes 2 and 3 look at hidden nets only, and close with the count.
    SectionRun any_with_lock;
    any_with_lock.settings.fromto_mode = 2;
    any_with_lock.run(read_nets, section);
    EXPECT_EQ(any_with_lock.console,
              "\n net \"HIDDEN\" may have missing FROMTO record(s)!"
              "\n\n WARNING! 1 net may have missing FROMTO record(s) due to net visibility.\n"
              "          Verify router rat-lines and pins for net completeness\n");

    for (const std::uint32_t mode : {2u, 3u}) {
        SectionRun hidden;
        hidden.settings.fromto_mode = mode;
        hidden.run(read_nets, "[nets]\n" + net_with_rat_lines("H1", 2, 0, 0) + net_with_rat_lines("H2", 5, 3, 0) +
                                  net_with_rat_lines("SHOWN", 2, 0, 1) + "[end]\n");
        EXPECT_EQ(hidden.console,
                  "\n net \"H1\" may have missing FROMTO record(s)!"
                  "\n net \"H2\" may have missing FROMTO record(s)!"
                  "\n\n WARNING! 2 nets may have missing FROMTO record(s) due to net visibility.\n"
                  "          Verify router rat-lines and pins for net completeness\n")
            << mode;
    }
}

TEST(Nets, MalformedRecordsStopWithTheirCodeAndLine) {
    struct Case {
        std::string text;
        int code;
        const char* message;
        std::uint32_t line;
    };
    const std::string net2 = "[nets]\nnet: \"N\" 2 1 0 0 0 0 1\n";
    const std::string trace_head = net2 + pins(2) + "  connect: 1 0 1 1 0\n";
    const Case cases[] = {
        {"[options]\n[parts]\n", 12391, "premature EOF looking for FPC nets", 2},
        {"[nets]\nnet: \"N\" 0 0 0 0 0 0 1\n\n", 12416, "premature EOF in nets Pass 1", 3},
        {"[nets]\nnet: N 0 0 0 0 0 0 1\n[end]\n", 12472, "bad net name", 2},
        {"[nets]\nnet: \"\" 0 0 0 0 0 0 1\n[end]\n", 12472, "bad net name", 2},
        {"[nets]\nnet: \"N 0 0 0 0 0 0 1\n[end]\n", 12472, "bad net name", 2},
        // A second header of this section ends the nets early.
        {"[nets]\nnet: \"A\" 0 0 0 0 0 0 1\n[nets]\nnet: \"B\" 0 0 0 0 0 0 1\n[end]\n", 12472, "bad net name", 3},
        {"[nets]\nnet: \"N\" 0 0 0 0 0 0\n[end]\n", 12485, "bad net: record", 2},
        {net2 + "  pin: 1 U1.1\n  connect: 1 0 1 1 0\n[end]\n", 12530, "missing net pin record", 4},
        {net2 + "  pin: 1 U1.1\n[end]\n", 12530, "missing net pin record", 4},
        {net2 + "  pin: 1\n[end]\n", 12537, "bad net pin: record", 3},
        {net2 + pins(2) + "  vtx: 1 0 0 12 0 0 0 0\n[end]\n", 12564, "missing net connect: record", 5},
        {net2 + pins(2) + "  connect: 1 0 1 1\n[end]\n", 12572, "bad net connect: record", 5},
        {trace_head + "    seg: 1 12 0 0 0\n[end]\n", 12593, "missing net trace vtx record", 6},
        {trace_head + "    vtx: 1 0 0 12 0 0 0\n[end]\n", 12602, "bad trace vtx: record", 6},
        {trace_head + "    vtx: 1 0 0 12 0 0 0 0\n    vtx: 2 0 0 12 0 0 0 0\n[end]\n", 12632,
         "missing net trace seg record", 7},
        {trace_head + "    vtx: 1 0 0 12 0 0 0 0\n    seg: 1 12 0 0\n[end]\n", 12640, "bad trace seg: record", 7},
        {trace_head + "    vtx: 1 0 0 12 0 0 0 0\n    seg: 1 12 0 0 0\n[end]\n", 12593, "missing net trace vtx record",
         8},
    };
    for (const Case& c : cases) {
        // -B, which keeps no trace of the board, checks them all the same.
        for (const bool back_annotate : {false, true}) {
            SectionRun run;
            run.settings.back_annotate = back_annotate;
            expect_section_error(run, read_nets, c.text, c.code, c.message, c.line);
        }
    }
}

TEST(Nets, NetPinRecordWhoseIndexIsNoNumberIsReadWithAWarning) {
    SectionRun run;
    run.run(read_nets, "[nets]\nnet: \"N\" 3 0 0 0 0 0 1\n  pin: 1 U1.1\n  pin: Q1 DD4.6\n  pin: x7 R2.B.1 trailing\n[end]\n");
    ASSERT_EQ(run.board.nets[0].pins.size(), 3u);
    EXPECT_EQ(run.board.nets[0].pins[1].pin_ref, "DD4.6");
    EXPECT_EQ(run.board.nets[0].pins[2].pin_ref, "R2.B.1");
    EXPECT_EQ(run.console,
              "\n  Warning: line 4: net pin record with index \"Q1\", not a number: read as pin DD4.6\n"
              "\n  Warning: line 5: net pin record with index \"x7\", not a number: read as pin R2.B.1\n");
    // A single word is no index and reference.
    SectionRun one_word;
    expect_section_error(one_word, read_nets, "[nets]\nnet: \"N\" 1 0 0 0 0 0 1\n  pin: DD4.6\n[end]\n", 12537,
                         "bad net pin: record", 3);
}

TEST(Nets, NumbersNoBoardCanHoldStopAtTheirRecord) {
    struct Case {
        std::string text;
        const char* message;
        std::uint32_t line;
    };
    const std::string net = "[nets]\nnet: \"N\" 0 1 0 0 0 0 1\n  connect: 1 0 -1 1 0\n";
    const Case cases[] = {
        {"[nets]\nnet: \"N\" 0 0 0 nan 0 0 1\n[end]\n", "number out of range in net: record: nan (a length holds at most 2147483647 nm either way)", 2},
        {net + "    vtx: 1 inf 0 12 0 0 0 0\n", "number out of range in vtx: record: inf (a length holds at most 2147483647 nm either way)", 4},
        {net + "    vtx: 1 0 -2147483648 12 0 0 0 0\n", "number out of range in vtx: record: -2.14748e+09 (a length holds at most 2147483647 nm either way)", 4},
        {net + "    vtx: 1 0 0 12 0 0 0 0\n    seg: 1 12 1e30 0 0\n", "number out of range in seg: record: 1e+30 (a length holds at most 2147483647 nm either way)", 5},
    };
    for (const Case& c : cases) {
        SectionRun run;
        expect_section_error(run, read_nets, c.text + "[end]\n", board_number_out_of_range, c.message, c.line);
    }
    // The largest lengths the board file holds are read.
    SectionRun edge;
    edge.run(read_nets, net + "    vtx: 1 2147483647 -2147483647 12 0 0 0 0\n    seg: 1 12 0 0 0\n    vtx: 2 0 0 12 0 0 0 0\n[end]\n");
    EXPECT_EQ(edge.board.nets[0].connects[0].vertices[0].x, 2147483647 * nm_to_inch);
}

TEST(Nets, SegmentBeyondTheCopperLayersIsRefused) {
    const std::string net =
        "[nets]\n"
        "net: \"N\" 0 1 0 0 0 0 1\n"
        "  connect: 1 0 -1 1 0\n"
        "    vtx: 1 0 0 12 0 0 0 0\n";
    SectionRun inner;  // two copper layers: 12 and 13
    expect_section_error(inner, read_nets, net + "    seg: 1 14 0 0 0\n    vtx: 2 0 0 0 0 0 0 0\n[end]\n", 12642,
                         "bad trace seg: layer 14, the board has 2 copper layers", 5);

    SectionRun four(4);
    four.run(read_nets, net + "    seg: 1 15 0 0 0\n    vtx: 2 0 0 0 0 0 0 0\n[end]\n");
    EXPECT_EQ(four.board.copper_layers[3].net_count, 1u);  // inner layer 2

    // Layers below the copper layers other than the rat-line layer are kept and counted nowhere.
    SectionRun silk;
    silk.run(read_nets, net + "    seg: 1 7 0 0 0\n    vtx: 2 0 0 0 0 0 0 0\n[end]\n");
    EXPECT_EQ(silk.board.nets[0].connects[0].vertices[0].seg_layer, 7u);
    EXPECT_EQ(silk.board.stats.ratline_segments, 0u);
}

TEST(Nets, RatLineToAPinTheNetDoesNotHaveIsRefused) {
    SectionRun run;
    expect_section_error(run, read_nets, "[nets]\nnet: \"N\" 2 1 0 0 0 0 1\n" + pins(2) + single_segment_trace(1, 0, 2, 6) + "[end]\n",
                         12574, "net connect: rat-line pin 2 of 2 pins", 8);
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// Classes are found by width and via as a walk through the table would find them: the first
// class equal in both, also among the classes the table held when the lookup was made, a width
// of -0 equal to 0, a width that is no number equal to none.
TEST(NetClassLookup, FirstEqualClassAlsoAmongTheClassesHeldBefore) {
    Board board = test::board_with_copper_layers(2);
    NetClass wide;
    wide.trace_width = 0.02;
    board.net_classes = {NetClass{}, wide, wide};
    LoadIndexes indexes(board);
    auto add = [&](double width, std::uint32_t via) {
        Net net;
        net.trace_width = width;
        net.via_padstack = via;
        board.nets.push_back(net);
        add_net_to_class(board, indexes, static_cast<std::uint32_t>(board.nets.size() - 1));
        return board.nets.back().net_class;
    };
    EXPECT_EQ(add(0.01, 0), 3u);
    EXPECT_EQ(add(0.01, 3), 4u);
    EXPECT_EQ(add(0.01, 0), 3u);
    EXPECT_EQ(add(0.02, 0), 1u);  // the first of the two held before
    EXPECT_EQ(board.net_classes[3].nets, (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(board.net_classes[2].net_count, 0u);
    // -0 is 0: such a net joins the default class, which has width 0 and no via.
    EXPECT_EQ(add(-0.0, 0), 0u);
    const double nan = std::nan("");
    EXPECT_EQ(add(nan, 0), 5u);
    EXPECT_EQ(add(nan, 0), 6u);
    EXPECT_EQ(board.net_classes.size(), 7u);
}

}  // namespace
}  // namespace tarnwick
