#include "fpc_writer/footprint_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fpc/footprints.h"
#include "fpc/options.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::expect_fatal;
using test::reader_for;

Board load_footprints(const std::string& footprints) {
    const std::string text = "[options]\nannular_ring_for_pins: 254000\n[footprints]\n\n" + footprints + "[board]\n";
    std::uint32_t line = 0;
    LineReader reader = reader_for(text, line);
    Board board;
    read_options(reader, board);
    read_footprints(reader, board, RunSettings{});
    return board;
}

std::string written(const Board& board) {
    test::MemoryStream captured;
    write_footprints(captured.out, board);
    return captured.text();
}

TEST(FootprintWriter, EveryRecordWrittenBackInTheFootprintsOwnUnits) {
    // Read as the editor writes it; the writer gives the same lines back, with the centroid's
    // missing angle as 0 and the record order of the writer.
    const Board board = load_footprints(
        "name: \"SOIC8\"\nauthor: \"Ann\"\nsource: \"lib\"\ndescription: \"eight pins\"\n  units: MIL\n"
        "  sel_rect: -145 -222.5 145 223\n"
        "  ref_text: 40 196.850394 -123.444882 270 4\n"
        "  value_text: 40 -118.110236 -103.759843 0 4\n"
        "  centroid: 1 10 -20\n"
        "  adhesive: 3 15 -5 5\n"
        "  text: \"pin 1\" 30 -50 60 90 6 1 0\n"
        "  outline_polyline: 10 -130 -42.5\n    next_corner: -130 -117.5 0\n    next_corner: 130 -117.5 1\n"
        "  outline_polyline: 8 0 0\n    next_corner: 20 0 0\n    next_corner: 20 20 0\n    close_polyline: 2\n"
        "  n_pins: 1\n    pin: \"1\" 0 -91 -182.5 270\n      top_pad: 3 40 30 30 0\n\n");
    EXPECT_EQ(written(board),
              "\n[footprints]\n"
              "\nname: \"SOIC8\"\nauthor: \"Ann\"\nsource: \"lib\"\ndescription: \"eight pins\"\n  units: MIL\n"
              "  sel_rect: -145 -222.5 145 223\n"
              "  ref_text: 40 196.850394 -123.444882 270 4\n"
              "  value_text: 40 -118.110236 -103.759843 0 4\n"
              "  centroid: 1 10 -20 0\n"
              "  adhesive: 3 15 -5 5\n"
              "  text: \"pin 1\" 30 -50 60 90 6 1 0\n"
              "  outline_polyline: 10 -130 -42.5\n    next_corner: -130 -117.5 0\n    next_corner: 130 -117.5 1\n"
              "  outline_polyline: 8 0 0\n    next_corner: 20 0 0\n    next_corner: 20 20 0\n    close_polyline: 2\n"
              "  n_pins: 1\n    pin: \"1\" 0 -91 -182.5 270\n      top_pad: 3 40 30 30 0\n");
}

TEST(FootprintWriter, MilFootprintsWriteMilsAndOthersNanometres) {
    const std::string pins =
        "  sel_rect: 0 0 0 0\n  n_pins: 1\n    pin: A1 0 0 0 0\n      top_pad: 1 %W 0 0\n\n";
    std::string mil = pins, nm = pins;
    mil.replace(mil.find("%W"), 2, "50");
    nm.replace(nm.find("%W"), 2, "1270000");
    const Board board = load_footprints("name: \"M\"\n  units: MIL\n" + mil + "name: \"N\"\n  units: NM\n" + nm);
    ASSERT_EQ(board.footprints.size(), 2u);
    // Both read as 0.05 inch; each is written in its own unit.
    EXPECT_DOUBLE_EQ(board.footprints[0].pins[0].top_pad.width, 0.05);
    EXPECT_DOUBLE_EQ(board.footprints[1].pins[0].top_pad.width, 0.05);
    const std::string text = written(board);
    EXPECT_NE(text.find("name: \"M\"\n  units: MIL\n  sel_rect: 0 0 0 0\n  ref_text: 0 0 0 0 0\n  n_pins: 1\n"
                        "    pin: \"A1\" 0 0 0 0\n      top_pad: 1 50 0 0 0\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("name: \"N\"\n  units: NM\n  sel_rect: 0 0 0 0\n  ref_text: 0 0 0 0 0\n  n_pins: 1\n"
                        "    pin: \"A1\" 0 0 0 0\n      top_pad: 1 1270000 0 0 0\n"),
              std::string::npos)
        << text;
    // No value text and no centroid read: neither line is written.
    EXPECT_EQ(text.find("value_text:"), std::string::npos);
    EXPECT_EQ(text.find("centroid:"), std::string::npos);
}

TEST(FootprintWriter, PadRecordsFollowTheHoleTheShapesAndTheSeenBits) {
    const Board board = load_footprints(
        "name: \"PADS\"\n  units: NM\n  n_pins: 5\n"
        // Drilled, no inner_pad record: the inner line is written all the same. A top pad
        // option 0 is dropped; masks and pastes come back where they were read.
        "    pin: \"1\" 1000000 0 0 0\n      top_pad: 1 1500000 0 0 0 0\n      top_mask: 1 1600000 0 0 0\n"
        "      bottom_pad: 1 1500000 0 0 0 2\n      bottom_paste: 1 1400000 0 0 0\n"
        // Drilled with an inner option 0: written with " 0".
        "    pin: \"2\" 1000000 0 2540000 90\n      top_pad: 2 1500000 0 0 0\n"
        "      inner_pad: 0 1500000 0 0 0 0\n      bottom_pad: 2 1500000 0 0 0\n"
        // Surface pin with a top pad: its bottom records are not written.
        "    pin: \"3\" 0 0 5080000 180\n      top_pad: 3 1000000 500000 500000 0 1\n"
        "      top_paste: 3 900000 450000 450000 0\n      bottom_pad: 3 1000000 500000 500000 0\n"
        "      bottom_mask: 3 1100000 550000 550000 0\n"
        // Surface pin with only a bottom pad: bottom pad, mask and paste, no top pad line.
        "    pin: \"4\" 0 0 7620000 270\n      bottom_pad: 4 1000000 500000 500000 250000\n"
        "      bottom_mask: 4 1100000 550000 550000 250000\n      bottom_paste: 4 900000 450000 450000 250000\n"
        // A six-number top pad with option 0 and a bottom-only option: the option comes back.
        "    pin: \"5\" 800000 0 10160000 0\n      top_pad: 5 1500000 750000 750000 0 0\n"
        "      inner_pad: 5 1500000 750000 750000 0\n      bottom_pad: 5 1500000 750000 750000 0 3\n\n");
    EXPECT_EQ(written(board),
              "\n[footprints]\n\nname: \"PADS\"\n  units: NM\n  sel_rect: 0 0 0 0\n  ref_text: 0 0 0 0 0\n"
              "  n_pins: 5\n"
              "    pin: \"1\" 1000000 0 0 0\n      top_pad: 1 1500000 0 0 0\n      top_mask: 1 1600000 0 0 0\n"
              "      inner_pad: 0 0 0 0 0\n"
              "      bottom_pad: 1 1500000 0 0 0 2\n      bottom_paste: 1 1400000 0 0 0\n"
              "    pin: \"2\" 1000000 0 2540000 90\n      top_pad: 2 1500000 0 0 0\n"
              "      inner_pad: 0 1500000 0 0 0 0\n      bottom_pad: 2 1500000 0 0 0\n"
              "    pin: \"3\" 0 0 5080000 180\n      top_pad: 3 1000000 500000 500000 0 1\n"
              "      top_paste: 3 900000 450000 450000 0\n"
              "    pin: \"4\" 0 0 7620000 270\n      bottom_pad: 4 1000000 500000 500000 250000\n"
              "      bottom_mask: 4 1100000 550000 550000 250000\n"
              "      bottom_paste: 4 900000 450000 450000 250000\n"
              "    pin: \"5\" 800000 0 10160000 0\n      top_pad: 5 1500000 750000 750000 0\n"
              "      inner_pad: 5 1500000 750000 750000 0\n      bottom_pad: 5 1500000 750000 750000 0 3\n");
}

TEST(FootprintWriter, PinsWithoutPadOrHoleAreWrittenWithTheRecordsTheyWereReadWith) {
    // A fiducial with no pad record at all, and one whose only records are a mask and a paste
    // opening: both come back as read, and read back to the same pins.
    const std::string fiducials =
        "name: \"Target\"\n  units: NM\n  n_pins: 2\n    pin: \"1\" 0 0 0 0\n"
        "    pin: \"2\" 0 254000 0 0\n      bottom_mask: 1 1000000 0 0 0\n      bottom_paste: 1 900000 0 0 0\n\n";
    const Board board = load_footprints(fiducials);
    test::MemoryStream captured;
    write_footprints(captured.out, board);
    const std::string text = captured.text();
    EXPECT_NE(text.find("  n_pins: 2\n    pin: \"1\" 0 0 0 0\n    pin: \"2\" 0 254000 0 0\n"
                        "      bottom_pad: 0 0 0 0 0\n      bottom_mask: 1 1000000 0 0 0\n"
                        "      bottom_paste: 1 900000 0 0 0\n"),
              std::string::npos)
        << text;
    const Board again = load_footprints(text.substr(text.find("name:")) + "\n");
    ASSERT_EQ(again.footprints.size(), 1u);
    ASSERT_EQ(again.footprints[0].pins.size(), 2u);
    for (const FootprintPin& pin : again.footprints[0].pins) EXPECT_TRUE(has_no_copper(pin)) << pin.name;
    EXPECT_EQ(again.footprints[0].pins[1].bottom_mask.width, board.footprints[0].pins[1].bottom_mask.width);
}

}  // namespace
}  // namespace tarnwick
