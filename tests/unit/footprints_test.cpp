#include "fpc/footprints.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "board/units.h"
#include "core/file_system.h"
#include "fpc/options.h"
#include "fpc/outlines.h"
#include "fpc/texts.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::expect_fatal;
using test::reader_for;

// Runs the options reader (which makes padstack 0) and the footprints reader over a board file
// holding the given footprints section body.
struct Loaded {
    std::uint32_t line = 0;
    Board board;
};

void load(Loaded& loaded, const std::string& footprints) {
    const std::string text = "[options]\nannular_ring_for_pins: 254000\n[footprints]\n\n" + footprints + "[board]\n";
    LineReader reader = reader_for(text, loaded.line);
    read_options(reader, loaded.board);
    read_footprints(reader, loaded.board, RunSettings{});
}

// The error a footprints section raises, with the line it was raised at.
struct Failure {
    int code;
    std::string message;
    std::uint32_t line;
};

Failure failure_of(const std::string& footprints) {
    Loaded loaded;
    const FatalError error = expect_fatal([&] { load(loaded, footprints); });
    return {error.code, error.message, loaded.line};
}

void expect_failure(const std::string& footprints, int code, const std::string& message, std::uint32_t line) {
    const Failure failure = failure_of(footprints);
    EXPECT_EQ(failure.code, code) << failure.message;
    EXPECT_EQ(failure.message, message);
    EXPECT_EQ(failure.line, line) << message;
}

// Line numbers in these tests: 1 [options], 2 its key, 3 [footprints], 4 empty, 5 name:, 6 units:.
std::string footprint(const std::string& body, const char* units = "NM") {
    return "name: \"FP\"\n  units: " + std::string(units) + "\n" + body + "\n";
}

TEST(Footprints, LengthScaleFollowsTheUnitsLineAndAnglesTurnCounterClockwise) {
    Loaded loaded;
    load(loaded,
         "name: \"MILS\"\nauthor: \"Ann\"\nsource: \"lib\"\ndescription: \"two pins\"\n  units: MIL\n"
         "  n_pins: 2\n    pin: \"1\" 30 50 -25 90\n      top_pad: 1 60 0 0 0\n      inner_pad: 1 60 0 0 0\n"
         "      bottom_pad: 1 60 0 0 0\n    pin: \"2\" 30 0 0 0\n      top_pad: 1 60 0 0\n\n"
         "name: \"NANO\"\n  units: NM\n  n_pins: 1\n    pin: \"1\" 0 1270000 0 270\n"
         "      top_pad: 2 1524000 0 0\n\n"
         "name: \"BOTH\"\n  units: MILNM\n  n_pins: 1\n    pin: A1 0 50 0 0\n      top_pad: 1 10 0 0\n\n");
    const Board& board = loaded.board;
    ASSERT_EQ(board.footprints.size(), 3u);

    const Footprint& mils = board.footprints[0];
    EXPECT_EQ(mils.name, "MILS");
    EXPECT_EQ(mils.author, "Ann");
    EXPECT_EQ(mils.source, "lib");
    EXPECT_EQ(mils.description, "two pins");
    EXPECT_EQ(mils.units, footprint_units_mil);
    ASSERT_EQ(mils.pin_count, 2u);
    ASSERT_EQ(mils.pins.size(), 2u);
    EXPECT_DOUBLE_EQ(mils.pins[0].x, 0.05);
    EXPECT_DOUBLE_EQ(mils.pins[0].y, -0.025);
    EXPECT_DOUBLE_EQ(mils.pins[0].hole, 0.03);
    EXPECT_EQ(mils.pins[0].angle, 270u);
    EXPECT_EQ(mils.pins[1].angle, 0u);

    const Footprint& nano = board.footprints[1];
    EXPECT_EQ(nano.units, footprint_units_nm);
    const FootprintPin& pin = nano.pins[0];
    EXPECT_EQ(pin.name, "1");
    EXPECT_DOUBLE_EQ(pin.x, 0.05);
    EXPECT_EQ(pin.angle, 90u);
    EXPECT_EQ(pin.hole, 0.0);
    EXPECT_EQ(pin.top_pad.shape, pad_shape_square);
    EXPECT_DOUBLE_EQ(pin.top_pad.width, 0.06);
    EXPECT_EQ(pin.top_pad.radius, 0.0);
    EXPECT_EQ(pin.top_option, 0u);
    EXPECT_EQ(pin.pad_flags, 0x040u);
    EXPECT_EQ(pin.tool, 0u);

    // MIL is searched first, so a line holding both words is MIL.
    EXPECT_EQ(board.footprints[2].units, footprint_units_mil);
    EXPECT_EQ(board.footprints[2].pins[0].name, "A1");
    EXPECT_DOUBLE_EQ(board.footprints[2].pins[0].x, 0.05);

    EXPECT_EQ(board.stats.footprints, 3u);
    EXPECT_EQ(board.stats.footprint_pins, 4u);
}

TEST(Footprints, PadRecordsSetTheirFlagsAndKeepTheLowTwoOptionBits) {
    Loaded loaded;
    load(loaded, footprint("  n_pins: 2\n"
                           "    pin: \"1\" 762000 0 0 0\n"
                           "      top_pad: 1 1524000 0 0 0 7\n"
                           "      top_mask: 1 1600000 0 0 0\n"
                           "      top_paste: 1 1400000 0 0 0\n"
                           "      inner_pad: 0 0 0 0 0 0\n"
                           "      bottom_pad: 5 1524000 762000 762000 100000 2\n"
                           "      bottom_mask: 1 1600000 0 0 0\n"
                           "      bottom_paste: 1 1400000 0 0 0\n"
                           "    pin: \"2\" 762000 0 2540000 0\n"
                           "      top_pad: 1 1524000 0 0 0 0\n"
                           "      inner_pad: 1 1524000 0 0\n"
                           "      bottom_pad: 1 1524000 0 0\n"));
    const FootprintPin& first = loaded.board.footprints[0].pins[0];
    EXPECT_EQ(first.top_option, 3u);
    EXPECT_EQ(first.inner_option, 0u);
    EXPECT_EQ(first.bottom_option, 2u);
    EXPECT_EQ(first.no_inner_pad, 1u);
    EXPECT_EQ(first.pad_flags, 0x1FFu);
    EXPECT_DOUBLE_EQ(first.top_mask.width, 1600000 * nm_to_inch);
    EXPECT_DOUBLE_EQ(first.bottom_paste.width, 1400000 * nm_to_inch);
    EXPECT_DOUBLE_EQ(first.bottom_pad.length1 + first.bottom_pad.length2, 0.06);
    EXPECT_DOUBLE_EQ(first.bottom_pad.radius, 100000 * nm_to_inch);

    const FootprintPin& second = loaded.board.footprints[0].pins[1];
    EXPECT_EQ(second.top_option, 0u);
    EXPECT_EQ(second.no_inner_pad, 0u);
    EXPECT_EQ(second.pad_flags, 0x001u | 0x040u | 0x080u | 0x100u);
}

TEST(Footprints, RoundedRectangleRadiusMayBeHalfTheWidthButNoMore) {
    // Width 0.05, length 0.08: radius 0.025 fits exactly, 0.03 does not.
    Loaded loaded;
    load(loaded, footprint("  n_pins: 1\n    pin: \"1\" 0 0 0 0\n      top_pad: 4 50 40 40 25\n", "MIL"));
    EXPECT_DOUBLE_EQ(loaded.board.footprints[0].pins[0].top_pad.radius, 0.025);

    const std::string pin = "  n_pins: 1\n    pin: \"P7\" 30 0 0 0\n";
    expect_failure(footprint(pin + "      top_pad: 4 50 40 40 30\n", "MIL"), 15741,
                   "FP.P7: invalid top pad size: radius too large", 9);
    expect_failure(footprint(pin + "      inner_pad: 4 50 40 40 30\n", "MIL"), 15839,
                   "FP.P7: invalid inner pad size: radius too large", 9);
    // The length is checked as well as the width; the bottom message says SMT even for a drilled pin.
    expect_failure(footprint(pin + "      bottom_pad: 4 80 20 20 25\n", "MIL"), 15874,
                   "FP.P7: invalid bottom SMT pad size: radius too large", 9);
}

TEST(Footprints, SurfaceMountPadsOfZeroSizeAreRefusedByShape) {
    const std::string smt = "  n_pins: 1\n    pin: \"3\" 0 0 0 0\n";
    expect_failure(footprint(smt + "      top_pad: 1 0 0 0\n"), 15753, "FP.3: invalid top SMT pad size: 0.0", 9);
    expect_failure(footprint(smt + "      top_pad: 3 100 0 0\n"), 15761, "FP.3: invalid top SMT pad size: 0.0", 9);
    expect_failure(footprint(smt + "      top_pad: 4 0 50 50 0\n"), 15770, "FP.3: invalid top SMT pad size: 0.0", 9);
    expect_failure(footprint(smt + "      bottom_pad: 6 0 0 0\n"), 15887, "FP.3: invalid bottom SMT pad size: 0.0",
                   9);
    expect_failure(footprint(smt + "      bottom_pad: 5 0 50 50\n"), 15896,
                   "FP.3: invalid bottom SMT pad size: 0.0", 9);
    expect_failure(footprint(smt + "      bottom_pad: 4 100 0 0 0\n"), 15905,
                   "FP.3: invalid bottom SMT pad size: 0.0", 9);

    // Shape 0 passes, and so does a zero pad on a drilled pin.
    Loaded loaded;
    load(loaded, footprint("  n_pins: 2\n    pin: \"3\" 0 0 0 0\n      top_pad: 0 0 0 0\n"
                           "    pin: \"4\" 100 0 0 0\n      top_pad: 1 0 0 0\n",
                           "MIL"));
    EXPECT_EQ(loaded.board.footprints[0].pins.size(), 2u);
}

TEST(Footprints, ShapesAboveSixAreRefusedOnEveryLayer) {
    const std::string pin = "  n_pins: 1\n    pin: \"9\" 100 0 0 0\n";
    expect_failure(footprint(pin + "      top_pad: 7 100 0 0\n"), 15733, "FP.9: invalid top pad shape: > 6", 9);
    expect_failure(footprint(pin + "      inner_pad: 9 100 0 0\n"), 15798, "FP.9: invalid inner pad shape: > 6", 9);
    expect_failure(footprint(pin + "      top_pad: 1 100 0 0\n      bottom_pad: 7 100 0 0\n"),
                   bottom_pad_shape_unknown, "FP.9: invalid bottom pad shape: > 6", 10);
    // Shapes 0 to 6 are the editor's own.
    Loaded loaded;
    load(loaded, footprint(pin + "      bottom_pad: 6 100 0 0\n"));
    EXPECT_EQ(loaded.board.footprints[0].pins[0].bottom_pad.shape, 6u);
}

TEST(Footprints, PadRecordsWithTooFewValues) {
    const std::string pin = "  n_pins: 1\n    pin: \"5\" 100 0 0 0\n";
    expect_failure(footprint(pin + "      top_pad: 1 100 0\n"), 15705, "FP: bad fp top_pad record", 9);
    expect_failure(footprint(pin + "      inner_pad: 1 100 0\n"), 15792, "FP.5: inner_pad record missing 1 parameter",
                   9);
    expect_failure(footprint(pin + "      inner_pad:\n"), 15792, "FP.5: inner_pad record missing 4 parameters", 9);
    expect_failure(footprint(pin + "      bottom_pad: 1\n"), 15854, "bad fp bottom_pad record", 9);
    expect_failure(footprint(pin + "      top_mask: 1 100 0 0\n"), 15923, "bad fp top_sm record", 9);
    expect_failure(footprint(pin + "      top_paste: 1 100 0 0\n"), 15940, "bad fp top_pm record", 9);
    expect_failure(footprint(pin + "      bottom_mask: 1 100 0 0\n"), 15957, "bad fp bottom_sm record", 9);
    expect_failure(footprint(pin + "      bottom_paste: 1 100 0 0\n"), 15974, "bad fp bottom_pm record", 9);
    // Any other record among the pads, such as a graphics record, is refused with the line.
    expect_failure(footprint(pin + "      top_pad: 1 100 0 0\n  text: \"x\" 1 2 3 0 4 0 0\n"), 15988,
                   "unknown record type in pin: \"  text: \"x\" 1 2 3 0 4 0 0\"", 10);
}

TEST(Footprints, PinLinesAreCheckedAndCounted) {
    expect_failure(footprint("  n_pins:\n"), 15607, "FP: n_pins record missing 1 parameter", 7);
    expect_failure(footprint("  n_pins: 3\n    pin: \"1\" 0 0 0 0\n      top_pad: 1 10 0 0\n"
                             "    pin: \"2\" 0 0 0 0\n      top_pad: 1 10 0 0\n"),
                   15633, "FP: blank line while reading pins", 12);
    expect_failure(footprint("  n_pins: 1\n  text: \"x\" 1 2 3 0 4 0 0\n"), 15640, "FP: bad pin record", 8);
    expect_failure(footprint("  n_pins: 1\n    pin: \"\" 0 0 0 0\n"), 15648, "FP: bad (empty) pin name", 8);
    expect_failure(footprint("  n_pins: 1\n    pin: \"1 0 0 0 0\n"), 15648, "FP: bad (empty) pin name", 8);
    expect_failure(footprint("  n_pins: 1\n    pin:\n"), 15648, "FP: bad (empty) pin name", 8);
    expect_failure(footprint("  n_pins: 1\n    pin: \"1\" 0 0 0\n"), 15658, "FP: pin record missing 1 parameter", 8);
    expect_failure(footprint("  n_pins: 1\n    pin: B7 0 0\n"), 15658, "FP: pin record missing 2 parameters", 8);
    expect_failure(footprint("  n_pins: 1\n    pin: \"1\"\n"), 15658, "FP: pin record missing 4 parameters", 8);
    // The one character after the name is passed over, so a number glued to it is lost.
    expect_failure(footprint("  n_pins: 1\n    pin: \"1\"0 0 0 0\n"), 15658, "FP: pin record missing 1 parameter", 8);

    // Pins beyond the count are passed over like any unknown record.
    Loaded loaded;
    load(loaded, footprint("  n_pins: 3\n    pin: \"1\" 0 0 0 0\n      top_pad: 1 10 0 0\n"
                           "    pin: \"2\" 0 0 0 0\n      top_pad: 1 10 0 0\n    pin: \"3\" 0 0 0 0\n"
                           "      top_pad: 1 10 0 0\n    pin: \"4\" 0 0 0 0\n      top_pad: 7 10 0 0\n",
                           "MIL"));
    const Footprint& fp = loaded.board.footprints[0];
    EXPECT_EQ(fp.pin_count, 3u);
    ASSERT_EQ(fp.pins.size(), 3u);
    EXPECT_EQ(fp.pins[2].name, "3");
}

TEST(Footprints, EndOfFileAmongThePadsOfAPinIsAPrematureEndOfPins) {
    Loaded loaded;
    FatalError error = expect_fatal([&] {
        LineReader reader = reader_for("[options]\n[footprints]\nname: \"E\"\nunits: NM\nn_pins: 2\n"
                                       "pin: \"1\" 0 0 0 0\ntop_pad: 1 10 0 0\n",
                                       loaded.line);
        read_options(reader, loaded.board);
        read_footprints(reader, loaded.board, RunSettings{});
    });
    EXPECT_EQ(error.code, 15624);
    EXPECT_EQ(error.message, "E: premature EOF reading fp pins");
    EXPECT_EQ(loaded.line, 7u);
}

TEST(Footprints, ANameLineWithoutABlankLineBeforeItStartsTheNextFootprint) {
    // As board utilities write them: the next name: straight after the last pad record, or
    // after any other record of the footprint. The editor reads three footprints here.
    Loaded loaded;
    load(loaded,
         "name: \"A\"\n  units: NM\n  n_pins: 2\n    pin: \"1\" 0 0 0 0\n      top_pad: 1 1524000 0 0 0\n"
         "    pin: \"2\" 0 2540000 0 0\n      top_pad: 1 1524000 0 0 0\n"
         "name: \"B\"\n  units: MIL\n"
         "name: \"C\"\n  units: NM\n  n_pins: 1\n    pin: \"1\" 0 0 0 0\n      bottom_pad: 2 1524000 0 0 0\n\n");
    ASSERT_EQ(loaded.board.footprints.size(), 3u);
    const Footprint& a = loaded.board.footprints[0];
    EXPECT_EQ(a.name, "A");
    ASSERT_EQ(a.pins.size(), 2u);
    EXPECT_EQ(a.pins[1].top_pad.width, 0.06);
    EXPECT_EQ(loaded.board.footprints[1].name, "B");
    EXPECT_EQ(loaded.board.footprints[1].units, footprint_units_mil);
    EXPECT_TRUE(loaded.board.footprints[1].pins.empty());
    EXPECT_EQ(loaded.board.footprints[2].name, "C");
    ASSERT_EQ(loaded.board.footprints[2].pins.size(), 1u);
    EXPECT_EQ(loaded.board.footprints[2].pins[0].bottom_pad.shape, pad_shape_square);
    // A name: line where the announced pins are still to come is no pin.
    expect_failure("name: \"D\"\n  units: NM\n  n_pins: 2\n    pin: \"1\" 0 0 0 0\n      top_pad: 1 1524000 0 0 0\n"
                   "name: \"E\"\n  units: NM\n\n",
                   15640, "D: bad pin record", 10);
}

TEST(Footprints, LengthsNoBoardCanHoldStopAtTheirRecordInTheFootprintsUnit) {
    // 84 546 mils is 2 147 468 400 nm, within reach; 84 547 mils is beyond it.
    Loaded loaded;
    load(loaded, footprint("  n_pins: 1\n    pin: \"1\" 0 84546 0 0\n      top_pad: 1 50 0 0 0\n", "MIL"));
    EXPECT_EQ(loaded.board.footprints[0].pins[0].x, 84546 * 0.001);
    expect_failure(footprint("  n_pins: 1\n    pin: \"1\" 0 84547 0 0\n", "MIL"), 13020,
                   "number out of range in pin: record: 84547 (a length holds at most 2147483647 nm either way)", 8);
    expect_failure(footprint("  n_pins: 1\n    pin: \"1\" 0 0 0 0\n      top_pad: 1 nan 0 0 0\n"), 13020,
                   "number out of range in top_pad: record: nan (a length holds at most 2147483647 nm either way)", 9);
    expect_failure(footprint("  sel_rect: 0 0 1e30 1\n"), 13020,
                   "number out of range in sel_rect: record: 1e+30 (a length holds at most 2147483647 nm either way)", 7);
}

TEST(Footprints, SectionLevelErrors) {
    Loaded none;
    FatalError missing = expect_fatal([&] {
        LineReader reader = reader_for("[options]\n[board]\n", none.line);
        read_options(reader, none.board);
        read_footprints(reader, none.board, RunSettings{});
    });
    EXPECT_EQ(missing.code, 11315);
    EXPECT_EQ(missing.message, "premature EOF looking for FPC footprints");
    EXPECT_EQ(none.line, 2u);

    Loaded open_end;
    FatalError at_end = expect_fatal([&] {
        LineReader reader = reader_for("[options]\n[footprints]\nname: \"A\"\nunits: NM\n", open_end.line);
        read_options(reader, open_end.board);
        read_footprints(reader, open_end.board, RunSettings{});
    });
    EXPECT_EQ(at_end.code, 11377);
    EXPECT_EQ(at_end.message, "premature EOF reading FPC Footprints");
    EXPECT_EQ(open_end.line, 4u);


    expect_failure(footprint("", "INCH"), 15180, "unknown units: [units: INCH] in footprint \"FP\"", 6);
}

TEST(Footprints, LengthsBeforeTheUnitsLineAreRefused) {
    expect_failure("name: \"EARLY\"\n  sel_rect: 0 0 10 10\n  units: MIL\n\n", 15181,
                   "no units: record before sel_rect record in footprint \"EARLY\"", 6);
    expect_failure("name: \"NOUNITS\"\n  n_pins: 1\n    pin: \"1\" 0 0 0 0\n\n", 15181,
                   "no units: record before pin record in footprint \"NOUNITS\"", 6);
    // Each footprint needs its own units line; the previous one's does not carry over.
    expect_failure(footprint("") + "name: \"NEXT\"\n  outline_polyline: 1 0 0\n    next_corner: 1 1 0\n\n", 15181,
                   "no units: record before outline_polyline record in footprint \"NEXT\"", 9);

    // A footprint without lengths needs no units.
    Loaded loaded;
    load(loaded, "name: \"EMPTY\"\n  n_pins: 0\n\n");
    EXPECT_EQ(loaded.board.footprints[0].units, 0u);
    EXPECT_EQ(loaded.board.footprints[0].pin_count, 0u);
}

TEST(Footprints, PinsPerToolAndPadstackGrowWithTheTables) {
    Loaded loaded;
    load(loaded,
         "name: \"A\"\nunits: MIL\nn_pins: 3\n"
         "pin: \"1\" 30 0 0 0\ntop_pad: 1 60 0 0\ninner_pad: 1 60 0 0\nbottom_pad: 1 60 0 0\n"
         "pin: \"2\" 40 100 0 0\ntop_pad: 1 70 0 0\ninner_pad: 1 70 0 0\nbottom_pad: 1 70 0 0\n"
         "pin: \"3\" 30 200 0 0\ntop_pad: 1 60 0 0\ninner_pad: 1 60 0 0\nbottom_pad: 1 60 0 0\n\n"
         "name: \"B\"\nunits: MIL\nn_pins: 2\n"
         "pin: \"1\" 50 0 0 0\ntop_pad: 1 80 0 0\ninner_pad: 1 80 0 0\nbottom_pad: 1 80 0 0\n"
         "pin: \"2\" 30 0 0 0\ntop_pad: 1 60 0 0\ninner_pad: 1 60 0 0\nbottom_pad: 1 60 0 0\n\n");
    const Footprint& a = loaded.board.footprints[0];
    const Footprint& b = loaded.board.footprints[1];
    EXPECT_EQ(a.tool_counts, (std::vector<std::int32_t>{0, 2, 1, -1, -1}));
    EXPECT_EQ(b.tool_counts, (std::vector<std::int32_t>{0, 1, 0, 1, -1, -1}));
    // Padstack 0 is the default via; pins 1 and 3 of A share padstack 1.
    EXPECT_EQ(a.padstack_counts, (std::vector<std::int32_t>{0, 2, 1, -1}));
    EXPECT_EQ(b.padstack_counts, (std::vector<std::int32_t>{0, 1, 0, 1, -1}));
    EXPECT_EQ(loaded.board.padstacks[1].use_count, 3u);
    EXPECT_EQ(loaded.board.tools[1].def_count, 3u);
}

TEST(Footprints, AHoleWithoutCopperMarksTheFootprint) {
    Loaded loaded;
    load(loaded, footprint("  n_pins: 2\n    pin: \"M\" 125 0 0 0\n    pin: \"2\" 0 0 0 0\n      top_pad: 1 10 0 0\n"
                           "\nname: \"PLAIN\"\n  units: MIL\n  n_pins: 1\n    pin: \"1\" 30 0 0 0\n"
                           "      top_pad: 1 60 0 0\n",
                           "MIL"));
    const Footprint& holed = loaded.board.footprints[0];
    EXPECT_EQ(holed.has_bare_hole_pin, 1u);
    EXPECT_EQ(holed.pins[0].bare_hole, 1u);
    EXPECT_EQ(loaded.board.padstacks[holed.pins[0].padstack].bare_hole, 1u);
    EXPECT_EQ(loaded.board.footprints[1].has_bare_hole_pin, 0u);
}

// Real boards: every footprint, outline, cutout and text section of the 1.3xx boards loads, and
// what is loaded holds together.
TEST(FootprintsCorpus, RealBoardsLoadTheirFootprintsOutlinesAndTexts) {
    const std::filesystem::path folder = std::filesystem::path(TARNWICK_CORPUS) / "fpc";
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no corpus at " << folder;
    int boards = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".fpc" || name.rfind("fpc2_", 0) == 0) continue;  // another dialect
        SCOPED_TRACE(name);
        std::vector<char> contents;
        ASSERT_TRUE(read_whole_file(entry.path().string(), contents));
        std::uint32_t line = 0;
        LineReader reader(std::move(contents), line);
        Board board;
        const RunSettings settings;
        try {
            read_options(reader, board);
            read_footprints(reader, board, settings);
            read_board_outlines(reader, board, settings);
            read_sm_cutouts(reader, board, settings);
            read_texts(reader, board, settings);
        } catch (const FatalError& error) {
            FAIL() << "line " << line << ": error " << error.code << ": " << error.message;
        }
        ++boards;
        ASSERT_FALSE(board.footprints.empty());
        std::uint32_t pins = 0;
        for (const Footprint& fp : board.footprints) {
            SCOPED_TRACE(fp.name);
            EXPECT_TRUE(fp.units == footprint_units_mil || fp.units == footprint_units_nm);
            EXPECT_EQ(fp.pins.size(), fp.pin_count);
            pins += fp.pin_count;
            ASSERT_GE(fp.tool_counts.size(), 2u);
            EXPECT_EQ(fp.tool_counts.back(), -1);
            EXPECT_EQ(fp.padstack_counts.back(), -1);
            for (const FootprintPin& pin : fp.pins) EXPECT_LT(pin.padstack, board.padstacks.size());
            for (const FootprintPolyline& polyline : fp.polylines) EXPECT_EQ(polyline.corners.size(), polyline.corner_count);
        }
        EXPECT_EQ(board.stats.footprint_pins, pins);
        EXPECT_FALSE(board.outlines.empty());
        EXPECT_LE(board.outline_min_x, board.outline_max_x);
    }
    EXPECT_EQ(boards, 13);
}

TEST(FootprintsCorpus, ARealFootprintInMils) {
    const std::filesystem::path file = std::filesystem::path(TARNWICK_CORPUS) / "fpc" / "ppmscope_USBToSerial.fpc";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no corpus file " << file;
    std::vector<char> contents;
    ASSERT_TRUE(read_whole_file(file.string(), contents));
    std::uint32_t line = 0;
    LineReader reader(std::move(contents), line);
    Board board;
    read_options(reader, board);
    read_footprints(reader, board, RunSettings{});

    const Footprint* sip = nullptr;
    for (const Footprint& fp : board.footprints) {
        if (fp.name == "8SIP100") sip = &fp;
    }
    ASSERT_NE(sip, nullptr);
    EXPECT_EQ(sip->units, footprint_units_mil);
    EXPECT_EQ(sip->pin_count, 8u);
    EXPECT_DOUBLE_EQ(sip->pins[1].x, 0.1);
    EXPECT_DOUBLE_EQ(sip->pins[0].hole, 0.04);
    EXPECT_EQ(sip->pins[0].top_pad.shape, pad_shape_square);
    EXPECT_EQ(sip->pins[0].no_inner_pad, 1u);
}

}  // namespace
}  // namespace tarnwick
