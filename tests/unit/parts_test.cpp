#include "fpc/parts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/part_pins.h"
#include "fpc/nets.h"
#include "section_support.h"

namespace tarnwick {
namespace {

using test::expect_section_error;
using test::SectionRun;

FootprintPin footprint_pin(const char* name, double x, double y, double hole, std::uint32_t top, std::uint32_t inner,
                           std::uint32_t bottom, std::uint32_t tool) {
    FootprintPin pin;
    pin.name = name;
    pin.x = x;
    pin.y = y;
    pin.hole = hole;
    pin.top_pad.shape = top;
    pin.top_pad.width = top != 0 ? 0.06 : 0;
    pin.inner_pad.shape = inner;
    pin.inner_pad.width = inner != 0 ? 0.06 : 0;
    pin.bottom_pad.shape = bottom;
    pin.bottom_pad.width = bottom != 0 ? 0.06 : 0;
    pin.tool = tool;
    return pin;
}

// A board with footprint "SOT" (surface pins: "1" at (0.1, 0) with a top pad, "2" at
// (0, 0.1) with only a bottom pad) and footprint "DIP" (drilled: "1" with pads on every
// layer, "2" a bare hole), and the drill tools they define.
SectionRun run_with_footprints(std::uint32_t copper_layers = 2) {
    SectionRun run(copper_layers);
    Footprint sot;
    sot.name = "SOT";
    sot.pins = {footprint_pin("1", 0.1, 0, 0, 2, 0, 0, 0), footprint_pin("2", 0, 0.1, 0, 0, 0, 2, 0)};
    sot.pin_count = 2;
    Footprint dip;
    dip.name = "DIP";
    dip.pins = {footprint_pin("1", 0, 0, 0.03, 1, 1, 1, 1), footprint_pin("2", 0.3, 0, 0.125, 0, 0, 0, 2)};
    dip.pin_count = 2;
    dip.has_bare_hole_pin = 1;
    run.board.footprints = {sot, dip};
    run.board.tools.resize(3);
    run.board.tools[1].diameter = 0.03;
    run.board.tools[1].def_count = 1;
    run.board.tools[2].diameter = 0.125;
    run.board.tools[2].def_count = 1;
    return run;
}

// A part at (1, 2) inches with the given footprint, side and file angle.
std::string part(const std::string& ref, const std::string& shape, unsigned side, unsigned angle) {
    return "part: " + ref + "\n  shape: \"" + shape + "\"\n  pos: 25400000 50800000 " + std::to_string(side) + " " +
           std::to_string(angle) + " 0\n\n";
}

void expect_at(const PartPin& pin, double x, double y) {
    EXPECT_NEAR(pin.x, x, 1e-12);
    EXPECT_NEAR(pin.y, y, 1e-12);
}

TEST(Parts, ReadsEveryRecordOfAPart) {
    SectionRun run = run_with_footprints();
    run.run(read_parts,
            "[parts]\n"
            "\n"
            "part: U1\n"
            "  ref_text: 1270000 177800 90 -3048000 762000\n"
            "  package: \"SOT-23\"\n"
            "  value: \"BC847\" 508000 101600 270 249940 -1011820 0\n"
            "  shape: \"SOT\"\n"
            "  pos: 25400000 -50800000 1 90 1\n"
            "\n"
            "part: R2\n"
            "  ref_text: 1270000 177800 0 0 0 0\n"
            "  package: \"\"\n"
            "  value: \"10k\" 508000 101600 0 0 0\n"
            "  shape: \"DIP\"\n"
            "  unknown_record: 1 2 3\n"
            "  pos: 0 0 0 0 0\n"
            "\n"
            "[nets]\n");
    ASSERT_EQ(run.board.parts.size(), 2u);
    EXPECT_EQ(run.board.stats.parts, 2u);
    const Part& u1 = run.board.parts[0];
    EXPECT_EQ(u1.ref, "U1");
    EXPECT_EQ(u1.package, "SOT-23");
    EXPECT_EQ(u1.value, "BC847");
    EXPECT_EQ(u1.shape, "SOT");
    EXPECT_DOUBLE_EQ(u1.ref_text.height, 0.05);
    EXPECT_DOUBLE_EQ(u1.ref_text.stroke_width, 0.007);
    EXPECT_EQ(u1.ref_text.angle, 270u);
    EXPECT_DOUBLE_EQ(u1.ref_text.x, -0.12);
    EXPECT_DOUBLE_EQ(u1.ref_text.y, 0.03);
    EXPECT_EQ(u1.ref_text_visible, 1u);  // not given
    EXPECT_DOUBLE_EQ(u1.value_text.height, 0.02);
    EXPECT_EQ(u1.value_text.angle, 90u);
    EXPECT_EQ(u1.value_visible, 0u);
    EXPECT_DOUBLE_EQ(u1.x, 1.0);
    EXPECT_DOUBLE_EQ(u1.y, -2.0);
    EXPECT_EQ(u1.side, 1u);
    EXPECT_EQ(u1.rotation, 270u);
    EXPECT_EQ(u1.locked, 1u);
    EXPECT_EQ(u1.footprint, 0u);
    EXPECT_EQ(u1.has_bare_hole_pin, 0u);
    EXPECT_EQ(u1.pin_count, 2u);

    const Part& r2 = run.board.parts[1];
    EXPECT_EQ(r2.package, "");
    EXPECT_EQ(r2.ref_text_visible, 0u);
    EXPECT_EQ(r2.value_visible, 1u);
    EXPECT_EQ(r2.footprint, 1u);
    EXPECT_EQ(r2.has_bare_hole_pin, 1u);
    EXPECT_EQ(run.board.footprints[0].part_count, 1u);
    EXPECT_EQ(run.board.footprints[1].part_count, 1u);
    // Loading the parts alone knows no nets yet.
    for (const Part& p : run.board.parts) {
        for (const PartPin& pin : p.pins) EXPECT_EQ(pin.net, -1);
    }
}

TEST(Parts, PinsArePlacedBySideAndRotation) {
    SectionRun run = run_with_footprints();
    run.run(read_parts, "[parts]\n" + part("A", "SOT", 0, 90) + part("B", "SOT", 1, 90) + part("C", "SOT", 0, 270) +
                            part("D", "SOT", 0, 180) + part("E", "SOT", 0, 0) + part("F", "SOT", 1, 0) + "[nets]\n");
    const std::vector<Part>& parts = run.board.parts;
    EXPECT_EQ(parts[0].rotation, 270u);
    expect_at(parts[0].pins[0], 1, 1.9);  // file angle 90 turns clockwise
    expect_at(parts[1].pins[0], 1, 2.1);  // the bottom side mirrors first
    expect_at(parts[2].pins[0], 1, 2.1);
    expect_at(parts[3].pins[0], 0.9, 2);
    expect_at(parts[4].pins[0], 1.1, 2);
    expect_at(parts[5].pins[0], 0.9, 2);
    // Pin 2 at (0, 0.1): mirroring leaves it, rotation moves it.
    expect_at(parts[0].pins[1], 1.1, 2);
    expect_at(parts[2].pins[1], 0.9, 2);
    expect_at(parts[3].pins[1], 1, 1.9);

    SectionRun odd = run_with_footprints();
    expect_section_error(odd, read_parts, "[parts]\n" + part("U7", "SOT", 0, 45) + "[nets]\n", 10669,
                         "U7: bad rotation angle (315)", 5);
}

TEST(Parts, SurfacePinsTakeTheLayerOfTheirPadOnTheirSide) {
    SectionRun run = run_with_footprints();
    run.run(read_parts, "[parts]\n" + part("T", "SOT", 0, 0) + part("B", "SOT", 1, 0) + part("H", "DIP", 1, 0) +
                            "[nets]\n");
    const std::vector<Part>& parts = run.board.parts;
    EXPECT_EQ(parts[0].pins[0].layer, 12u);  // top pad, top side
    EXPECT_EQ(parts[0].pins[1].layer, 13u);  // bottom pad only, top side
    EXPECT_EQ(parts[1].pins[0].layer, 13u);
    EXPECT_EQ(parts[1].pins[1].layer, 12u);  // bottom pad only, bottom side: top copper
    EXPECT_EQ(parts[2].pins[0].layer, 0u);   // drilled pins are on every layer
    EXPECT_EQ(parts[2].pins[1].layer, 0u);
    EXPECT_EQ(parts[2].pins[0].tool, 1u);
    EXPECT_EQ(parts[2].pins[1].tool, 2u);

    // A surface pin with no pad at all (a fiducial) carries no copper: it stays on its part's
    // side, placed like any other pin.
    SectionRun bare = run_with_footprints();
    bare.board.footprints[0].pins[1].bottom_pad.shape = 0;
    bare.run(read_parts, "[parts]\n" + part("T", "SOT", 0, 0) + part("B", "SOT", 1, 0) + "[nets]\n");
    ASSERT_EQ(bare.board.parts.size(), 2u);
    EXPECT_EQ(bare.board.parts[0].pins[1].layer, 12u);
    EXPECT_EQ(bare.board.parts[1].pins[1].layer, 13u);
}

TEST(Parts, CircularKeepoutsGuardDrilledPinsOnLayersWithoutPads) {
    SectionRun run = run_with_footprints(4);
    Footprint& dip = run.board.footprints[1];
    dip.pins.push_back(footprint_pin("3", 0.6, 0, 0.04, 0, 1, 1, 3));   // no top pad
    dip.pins.push_back(footprint_pin("4", 0.9, 0, 0.04, 1, 0, 1, 3));   // no inner pad
    dip.pins.push_back(footprint_pin("5", 1.2, 0, 0.04, 1, 0, 1, 3));   // inner pad left out on purpose
    dip.pins.back().no_inner_pad = 1;
    dip.pin_count = 5;
    run.board.tools.push_back(DrillTool{3, 0, 0, 0.04});
    run.run(read_parts, "[parts]\n[nets]\n");  // footprints get keepouts whether parts use them or not

    EXPECT_TRUE(run.board.footprints[0].keepouts.empty());
    const std::vector<CircleKeepout>& keepouts = dip.keepouts;
    ASSERT_EQ(keepouts.size(), 4u);
    ASSERT_EQ(dip.keepout_count, 4u);
    EXPECT_EQ(keepouts[0].layer, 0);  // the bare hole
    EXPECT_DOUBLE_EQ(keepouts[0].diameter, 0.125 + 2 * (0.015 - 0.01));
    EXPECT_DOUBLE_EQ(keepouts[0].x, 0.3);
    EXPECT_EQ(keepouts[1].layer, 12);
    EXPECT_DOUBLE_EQ(keepouts[1].x, 0.6);
    EXPECT_EQ(keepouts[2].layer, 14);  // both inner layers of the four
    EXPECT_EQ(keepouts[3].layer, 15);
    EXPECT_DOUBLE_EQ(keepouts[3].x, 0.9);

    // On two layers a drilled pin without inner pad needs no keepout.
    SectionRun two = run_with_footprints(2);
    two.board.footprints[1].pins[0].inner_pad.shape = 0;
    two.board.footprints[1].pins[0].bottom_pad.shape = 0;
    two.run(read_parts, "[parts]\n[nets]\n");
    ASSERT_EQ(two.board.footprints[1].keepouts.size(), 2u);
    EXPECT_EQ(two.board.footprints[1].keepouts[0].layer, 13);
    EXPECT_EQ(two.board.footprints[1].keepouts[1].layer, 0);
}

TEST(Parts, PadsOfNoSizeAreNoCopperAndTheHoleIsKeptOutThere) {
    // A blind via placed as a part: outer pads of no size, the inner pad left out (its ring
    // stands in); and a pin whose top pad is a rectangle of no length.
    SectionRun run = run_with_footprints(4);
    Footprint& dip = run.board.footprints[1];
    dip.pins.push_back(footprint_pin("3", 0.6, 0, 0.015, 1, 0, 1, 1));
    dip.pins.back().top_pad.width = 0;
    dip.pins.back().bottom_pad.width = 0;
    dip.pins.back().no_inner_pad = 1;
    dip.pins.push_back(footprint_pin("4", 0.9, 0, 0.03, 3, 1, 1, 1));
    dip.pins.back().top_pad.width = 0.04;
    dip.pin_count = 4;
    run.run(read_parts, "[parts]\n[nets]\n");

    const std::vector<CircleKeepout>& keepouts = dip.keepouts;
    ASSERT_EQ(keepouts.size(), 4u);
    EXPECT_EQ(keepouts[0].layer, 0);  // the bare hole
    EXPECT_EQ(keepouts[1].layer, 12);
    EXPECT_DOUBLE_EQ(keepouts[1].x, 0.6);
    EXPECT_EQ(keepouts[2].layer, 13);
    EXPECT_DOUBLE_EQ(keepouts[2].x, 0.6);
    EXPECT_EQ(keepouts[3].layer, 12);
    EXPECT_DOUBLE_EQ(keepouts[3].x, 0.9);
}

TEST(Parts, PlacingAgainFindsTheNetsAndKeepsOneHolePerPin) {
    SectionRun run = run_with_footprints();
    run.run(read_parts, "[parts]\n" + part("U1", "DIP", 0, 0) + part("U2", "DIP", 0, 0) + "[nets]\n");
    EXPECT_EQ(run.board.tools[1].used_count, 2u);
    EXPECT_EQ(run.board.tools[2].used_count, 2u);

    run.run(read_nets,
            "[nets]\n"
            "net: \"A\" 2 0 0 0 0 0 1\n"
            "  pin: 1 U9.1\n"
            "  pin: 2 U2.1\n"
            "net: \"B\" 2 0 0 0 0 0 1\n"
            "  pin: 1 U1.1\n"
            "  pin: 2 U2.1\n"  // a pin listed twice belongs to the first net
            "[end]\n");
    run.board.parts[1].x = 3;
    run.board.parts[1].side = 1;
    build_part_pins(run.board);

    const Part& u1 = run.board.parts[0];
    const Part& u2 = run.board.parts[1];
    EXPECT_EQ(u1.pins[0].net, 1);
    EXPECT_EQ(u1.pins[0].net_pin, 0);
    EXPECT_EQ(u2.pins[0].net, 0);
    EXPECT_EQ(u2.pins[0].net_pin, 1);
    EXPECT_EQ(u2.pins[1].net, -1);
    EXPECT_EQ(u2.pins[1].net_pin, 0);
    const Net& a = run.board.nets[0];
    EXPECT_DOUBLE_EQ(a.pins[1].x, 3);  // the net pin follows its moved part
    EXPECT_DOUBLE_EQ(a.pins[1].y, 2);
    EXPECT_EQ(a.pins[1].layer, 0u);
    EXPECT_DOUBLE_EQ(u2.pins[1].x, 2.7);
    EXPECT_EQ(run.board.nets[1].pins[1].x, 0.0);  // the second listing is not bound
    EXPECT_DOUBLE_EQ(run.board.nets[1].pins[0].x, 1);
    // Placing again does not count the holes twice.
    EXPECT_EQ(run.board.tools[1].used_count, 2u);
    EXPECT_EQ(run.board.tools[2].used_count, 2u);
}

TEST(Parts, PartWithoutShapeTakesTheFirstFootprintUnlessThereIsNone) {
    SectionRun run = run_with_footprints();
    run.run(read_parts, "[parts]\npart: X1\n  pos: 0 0 0 0 0\n\n[nets]\n");
    EXPECT_EQ(run.board.parts[0].footprint, 0u);
    EXPECT_EQ(run.board.parts[0].pins.size(), 2u);
    EXPECT_EQ(run.board.footprints[0].part_count, 0u);  // not counted as a use

    SectionRun empty;
    expect_section_error(empty, read_parts, "[parts]\npart: X1\n  pos: 0 0 0 0 0\n\n[nets]\n", 11982,
                         "Part \"X1\" has no shape: record and the board has no footprints", 4);
}

// The editor writes a part that has no footprint yet (from an imported netlist, or mounted off
// the board) with empty ref_text: and shape: lines.
TEST(Parts, PartWithEmptyRefTextAndShapeLinesHasNoFootprint) {
    SectionRun run = run_with_footprints();
    run.run(read_parts,
            "[parts]\n"
            "part: J9\n"
            "  ref_text: \n"
            "  package: \"PanelMount\"\n"
            "  shape: \t\n"
            "  pos: 25400000 50800000 1 45 1\n"  // no pins, so no angle is refused
            "\n" +
                part("U1", "DIP", 0, 0) +
                "part: RV1\n"
                "  shape:\n"
                "  value: \"10k\" 508000 101600 0 0 0\n"
                "  ref_text:\n"
                "\n"
                "[nets]\n");
    ASSERT_EQ(run.board.parts.size(), 3u);
    const Part& j9 = run.board.parts[0];
    EXPECT_TRUE(j9.no_footprint);
    EXPECT_EQ(j9.package, "PanelMount");
    EXPECT_EQ(j9.shape, "");
    EXPECT_DOUBLE_EQ(j9.x, 1);
    EXPECT_DOUBLE_EQ(j9.y, 2);
    EXPECT_EQ(j9.side, 1u);
    EXPECT_EQ(j9.rotation, 315u);
    EXPECT_EQ(j9.locked, 1u);
    EXPECT_TRUE(j9.pins.empty());
    EXPECT_EQ(j9.pin_count, 0u);
    EXPECT_EQ(j9.has_bare_hole_pin, 0u);
    EXPECT_FALSE(run.board.parts[1].no_footprint);
    EXPECT_TRUE(run.board.parts[2].no_footprint);
    EXPECT_EQ(run.board.parts[2].value, "10k");
    // Only U1 uses a footprint and drills holes.
    EXPECT_EQ(run.board.footprints[0].part_count, 0u);
    EXPECT_EQ(run.board.footprints[1].part_count, 1u);
    EXPECT_EQ(run.board.tools[1].used_count, 1u);
    EXPECT_EQ(run.board.tools[2].used_count, 1u);

    // A board of an imported netlist may have no footprints at all.
    SectionRun bare;
    bare.run(read_parts, "[parts]\npart: J9\n  ref_text: \n  shape: \n  pos: 0 0 0 0 0\n\n[nets]\n");
    EXPECT_TRUE(bare.board.parts[0].no_footprint);
}

TEST(Parts, NetPinsOfPartsWithoutFootprintHaveNoPosition) {
    SectionRun run = run_with_footprints();
    run.run(read_parts, "[parts]\n" + part("U1", "DIP", 0, 0) +
                            "part: J9\n  ref_text: \n  shape: \n  pos: 0 0 0 0 0\n\n"
                            "part: J10\n  ref_text: \n  shape: \n  pos: 0 0 0 0 0\n\n[nets]\n");
    run.run(read_nets,
            "[nets]\n"
            "net: \"A\" 3 0 0 0 0 0 1\n"
            "  pin: 1 U1.1\n"
            "  pin: 2 J9.T\n"
            "  pin: 3 J9.A.1\n"  // the reference ends at the first dot
            "net: \"B\" 2 0 0 0 0 0 1\n"
            "  pin: 1 J1.1\n"    // J1 is no part of the board because J10 is one
            "  pin: 2 U1.2\n"
            "[end]\n");
    build_part_pins(run.board);
    const Net& a = run.board.nets[0];
    EXPECT_FALSE(a.pins[0].no_position);
    EXPECT_DOUBLE_EQ(a.pins[0].x, 1);
    EXPECT_TRUE(a.pins[1].no_position);
    EXPECT_TRUE(a.pins[2].no_position);
    EXPECT_TRUE(run.board.nets[1].pins[0].no_position);
    EXPECT_EQ(run.board.stats.unknown_part_net_pins, 1u);
    EXPECT_FALSE(run.board.nets[1].pins[1].no_position);
    EXPECT_EQ(a.pin_count, 3u);  // nothing is dropped from the net
    EXPECT_EQ(run.board.parts[0].pins[0].net, 0);

    // Placing again after the parts moved keeps the marks.
    run.board.parts[0].x = 3;
    build_part_pins(run.board);
    EXPECT_DOUBLE_EQ(a.pins[0].x, 3);
    EXPECT_TRUE(a.pins[1].no_position);
    EXPECT_FALSE(run.board.nets[1].pins[1].no_position);
}

TEST(Parts, LastPartReadsOnUntilABlankLine) {
    // A header straight after the last part is an unknown record of it.
    SectionRun run = run_with_footprints();
    run.run(read_parts, "[parts]\npart: X1\n  shape: \"SOT\"\n[nets]\n  pos: 25400000 0 0 0 0\n\n");
    EXPECT_DOUBLE_EQ(run.board.parts[0].x, 1);

    SectionRun eof = run_with_footprints();
    expect_section_error(eof, read_parts, "[parts]\npart: X1\n  shape: \"SOT\"\n[nets]\nnet: \"N\" 0 0 0 0 0 0 1\n", 12037,
                         "premature EOF reading parts record 1, Pass 2", 5);
}

TEST(Parts, MalformedRecordsStopWithTheirCodeAndLine) {
    struct Case {
        std::string text;
        int code;
        std::string message;
        std::uint32_t line;
    };
    const Case cases[] = {
        {"[options]\n[nets]\n", 11854, "premature EOF looking for FPC parts", 2},
        {"[parts]\npart: X1\n", 11878, "premature EOF in parts Pass 1", 2},
        {"[parts]\npart:\n\n[nets]\n", 11913, "bad part: record", 2},
        {"[parts]\npart: X1\n  ref_text: 1 2 3 4\n\n[nets]\n", 11940, "bad parts ref_text: record", 3},
        {"[parts]\npart: X1\n  package: SOT\n\n[nets]\n", 11958, "bad parts package: record", 3},
        {"[parts]\npart: X1\n  shape: \n\n[nets]\n", 11970, "bad parts shape: record", 3},
        {"[parts]\npart: X1\n  shape: \"\"\n\n[nets]\n", 11970, "bad parts shape: record", 3},
        // Only a part whose ref_text: and shape: lines are both empty has no footprint.
        {"[parts]\npart: X1\n  ref_text: \n  shape: \"SOT\"\n\n[nets]\n", 11940, "bad parts ref_text: record", 3},
        {"[parts]\npart: X1\n  ref_text: 1 2 3 4 5\n  shape: \n\n[nets]\n", 11970, "bad parts shape: record", 4},
        {"[parts]\npart: X1\n  ref_text: 1 2 3\n  shape: \n\n[nets]\n", 11940, "bad parts ref_text: record", 3},
        {"[parts]\npart: X1\n  shape: \"sot\"\n  ref_text: \n\n[nets]\n", 11981,
         "Part \"X1\" uses unknown footprint \"sot\"", 3},
        {"[parts]\npart: X1\n  ref_text: \n  shape: \n  shape: \"SOT\"\n\n[nets]\n", 11940,
         "bad parts ref_text: record", 3},
        {"[parts]\npart: X1\n  ref_text: \n  pos: 0 0 0\n  shape: \n\n[nets]\n", 11994, "bad parts pos: record", 4},
        {"[parts]\npart: X1\n  shape: \"sot\"\n\n[nets]\n", 11981, "Part \"X1\" uses unknown footprint \"sot\"", 3},
        {"[parts]\npart: X1\n  pos: 0 0 0 0\n\n[nets]\n", 11994, "bad parts pos: record", 3},
        {"[parts]\npart: X1\n  value: \"10k 1 2 3 4 5\n\n[nets]\n", 12010, "bad part value string, too long", 3},
        {"[parts]\npart: X1\n  value:  \"10k\" 1 2 3 4 5\n\n[nets]\n", 12020, "bad parts value: record", 3},
        {"[parts]\npart: X1\n  value: \"10k\" 1 2 3 4\n\n[nets]\n", 12020, "bad parts value: record", 3},
    };
    for (const Case& c : cases) {
        SectionRun run = run_with_footprints();
        expect_section_error(run, read_parts, c.text, c.code, c.message, c.line);
    }
}

TEST(Parts, PinsBeyondAnyRealBoardAreRefusedBeforeTheyAreAllocated) {
    // 3400 lines of parts of a 5000-pin footprint would place 17 million pins.
    SectionRun run = run_with_footprints();
    Footprint big;
    big.name = "BIG";
    big.pins.assign(5000, footprint_pin("1", 0, 0, 0, 2, 0, 0, 0));
    big.pin_count = 5000;
    run.board.footprints.push_back(big);
    std::string text = "[parts]\n";
    for (int i = 0; i < 3400; ++i) text += part("U" + std::to_string(i), "BIG", 0, 0);
    text += "[nets]\n";
    expect_section_error(run, read_parts, text, 10643, "allocating part pin storage", 3400 * 4 + 1);
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// A net pin "<ref>.<pin>" binds every part pin of that full name, wherever the points fall:
// "A.2.1" is pin "2.1" of part A and pin "1" of part A.2. Each part pin takes the first net pin
// of its name; two parts of one reference both take it, and the later one places it.
TEST(Parts, NetPinsBindByTheirFullNameWhereverThePointsFall) {
    Board board = test::board_with_copper_layers(2);
    Footprint footprint;
    footprint.name = "F";
    footprint.pins = {footprint_pin("1", 0.1, 0, 0, 2, 0, 0, 0), footprint_pin("2.1", 0.2, 0, 0, 2, 0, 0, 0),
                      footprint_pin("1", 0.3, 0, 0, 2, 0, 0, 0)};
    footprint.pin_count = 3;
    board.footprints.push_back(footprint);
    for (const char* ref : {"A", "A.2", "A"}) {
        Part part;
        part.ref = ref;
        part.shape = "F";
        part.x = static_cast<double>(board.parts.size());
        board.parts.push_back(part);
    }
    auto net = [&](std::vector<std::string> names) {
        Net n;
        for (const std::string& name : names) n.pins.push_back(NetPin{name, -1, -1, 0});
        board.nets.push_back(n);
    };
    net({"B.1", "A.2.1"});
    net({"A.1"});
    net({"A.1", "A.3"});
    build_part_pins(board);

    const std::vector<Part>& parts = board.parts;
    for (const std::size_t a : {std::size_t{0}, std::size_t{2}}) {
        EXPECT_EQ(parts[a].pins[0].net, 1) << a;  // "1": the first net naming A.1
        EXPECT_EQ(parts[a].pins[0].net_pin, 0) << a;
        EXPECT_EQ(parts[a].pins[1].net, 0) << a;  // "2.1"
        EXPECT_EQ(parts[a].pins[1].net_pin, 1) << a;
        EXPECT_EQ(parts[a].pins[2].net, 1) << a;  // the footprint's second pin "1"
    }
    EXPECT_EQ(parts[1].pins[0].net, 0);  // A.2's pin "1"
    EXPECT_EQ(parts[1].pins[0].net_pin, 1);
    EXPECT_EQ(parts[1].pins[1].net, -1);
    EXPECT_EQ(parts[1].pins[1].net_pin, 0);
    // The last part pin bound to a net pin in part and pin order places it.
    EXPECT_DOUBLE_EQ(board.nets[0].pins[1].x, 2.2);
    EXPECT_DOUBLE_EQ(board.nets[1].pins[0].x, 2.3);
    EXPECT_DOUBLE_EQ(board.nets[2].pins[0].x, -1);  // a later listing stays unbound
    EXPECT_DOUBLE_EQ(board.nets[0].pins[0].x, -1);  // no part B
}

}  // namespace
}  // namespace tarnwick
