#include "fpc2/dialect.h"
#include "fpc2/translation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/units.h"
#include "core/errors.h"
#include "design_file_support.h"
#include "dsn/library.h"
#include "fpc/load.h"
#include "fpc_writer/board_writer.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

using Loaded = test::LoadedBoard;

Loaded load_fpc2_text(const std::string& text) { return test::load_board_text(text, "fpc2.fpc"); }

std::string fpc2_board_text() { return test::file_contents(fs::path(TARNWICK_TEST_DATA) / "fpc2_board.fpc"); }

// Replaces the first `from` after the line that starts with `after`.
std::string replaced(std::string text, const std::string& after, const std::string& from, const std::string& to) {
    const std::size_t start = text.find(after);
    EXPECT_NE(start, std::string::npos) << after;
    const std::size_t at = text.find(from, start);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

const Net& net_named(const Board& board, const std::string& name) {
    for (const Net& net : board.nets) {
        if (net.name == name) return net;
    }
    ADD_FAILURE() << "no net " << name;
    return board.nets.front();
}

TEST(Fpc2Dialect, LengthsWithUnitsBecomeNanometres) {
    double nm = 0;
    const char* end = nullptr;
    EXPECT_TRUE(fpc2_length_nm("0.4mm", nm, &end));
    EXPECT_DOUBLE_EQ(nm, 400000);
    EXPECT_TRUE(fpc2_length_nm("12mil", nm, &end));
    EXPECT_DOUBLE_EQ(nm, 304800);
    EXPECT_TRUE(fpc2_length_nm("3.33330709mil", nm, &end));
    EXPECT_NEAR(nm, 84666, 0.001);
    EXPECT_TRUE(fpc2_length_nm("2.5um", nm, &end));
    EXPECT_DOUBLE_EQ(nm, 2500);
    EXPECT_TRUE(fpc2_length_nm("635000", nm, &end));
    EXPECT_DOUBLE_EQ(nm, 635000);
    EXPECT_FALSE(fpc2_length_nm("1inch", nm, &end));
    EXPECT_NE(end, nullptr);  // a number with a unit of its own
    EXPECT_FALSE(fpc2_length_nm("\"635000\"", nm, &end));
    EXPECT_EQ(end, nullptr);  // no number at all

    const Loaded loaded = load_fpc2_text(fpc2_board_text());
    ASSERT_EQ(loaded.code, 0) << loaded.message;
    const BoardOptions& o = loaded.board.options;
    EXPECT_NEAR(o.default_trace_width * 25400000, 250000, 1e-6);
    EXPECT_NEAR(o.default_via_pad_width * 25400000, 812800, 1e-6);
    EXPECT_NEAR(o.default_via_hole_width * 25400000, 400000, 1e-6);
    ASSERT_EQ(o.width_menu.size(), 2u);
    EXPECT_NEAR(o.width_menu[1].width * 25400000, 304800, 1e-6);
    EXPECT_NEAR(o.width_menu[1].via_pad_width * 25400000, 800000, 1e-6);
    EXPECT_NEAR(o.width_menu[1].via_hole * 25400000, 406400, 1e-6);
    // FreePCB-2's versions are its own: no warning about an untested 1.3xx version.
    EXPECT_EQ(loaded.console.find("Caution"), std::string::npos) << loaded.console;
    EXPECT_EQ(loaded.console.find("Warning: Loading FreePCB file format"), std::string::npos);
    // The partial layer list is filled up.
    EXPECT_EQ(o.layer_list.size(), 14u);

    // A version beyond those this reader was made for is read with a caution.
    const Loaded later = load_fpc2_text(replaced(fpc2_board_text(), "[options]", "version: 2.307", "version: 2.512"));
    EXPECT_EQ(later.code, 0) << later.message;
    EXPECT_NE(later.console.find("Caution: Loading an untested version FreePCB-2 file:\n Loading: V2.512, Latest "
                                 "Tested: V2.427"),
              std::string::npos)
        << later.console;

    // A unit this reader does not know stops at its line, not read as nanometres.
    const Loaded unknown = load_fpc2_text(replaced(fpc2_board_text(), "n_width_menu", "12mil", "12thou"));
    EXPECT_EQ(unknown.code, 13031);
    EXPECT_EQ(unknown.message, "unknown length unit in width_menu_item record: \"12thou\"");
    EXPECT_EQ(unknown.diagnostics.fpc_line, 78u);
}

TEST(Fpc2Dialect, LayerNumbersOfBothNumberingsBecomeOurs) {
    // From file version 2.0199: top copper 15, bottom 16, through pads 12, top silk 10.
    const Loaded shifted = load_fpc2_text(fpc2_board_text());
    ASSERT_EQ(shifted.code, 0) << shifted.message;
    EXPECT_EQ(shifted.board.source.non_copper_layers, 15u);
    const Net& n1 = net_named(shifted.board, "N1");
    ASSERT_EQ(n1.connects.size(), 1u);
    EXPECT_EQ(n1.connects[0].vertices[0].layer, 11u);      // a through pad
    EXPECT_EQ(n1.connects[0].vertices[0].seg_layer, 12u);  // top copper
    const Net& ground = net_named(shifted.board, "GND");
    ASSERT_EQ(ground.areas.size(), 1u);
    EXPECT_EQ(ground.areas[0].layer, 13u);  // bottom copper
    ASSERT_EQ(shifted.board.texts.size(), 1u);
    EXPECT_EQ(shifted.board.texts[0].layer, 7u);  // top silk
    EXPECT_EQ(layer_to_fpc2(shifted.board.source, 12), 15u);
    EXPECT_EQ(layer_to_fpc2(shifted.board.source, 11), 12u);
    EXPECT_EQ(layer_to_fpc2(shifted.board.source, 6), 9u);
    for (std::uint32_t layer : {0u, 5u, 9u, 10u, 11u, 12u, 13u, 14u, 15u, 16u, 17u, 30u}) {
        EXPECT_EQ(layer_to_fpc2(shifted.board.source, layer_from_fpc2(shifted.board.source, layer)), layer) << layer;
    }
    EXPECT_EQ(layer_from_fpc2(shifted.board.source, 7), 1u);  // top notes: nothing of ours

    // Before 2.0199 the numbers are those of 1.3xx.
    std::string old = fpc2_board_text();
    old = replaced(old, "[options]", "version: 2.307", "version: 2.017");
    old = replaced(old, "version: 2.017", "file_version: 2.307", "file_version: 2.017");
    // Every layer number in the older numbering: through pads 11, copper 12 and 13, top silk 7.
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"seg: 1 15 ", "seg: 1 12 "}, {" 12 0 0 0 0\n", " 11 0 0 0 0\n"}, {"area: 1 4 16", "area: 1 4 13"},
             {"27000000 10 0", "27000000 7 0"}}) {
        for (std::size_t at = old.find(from); at != std::string::npos; at = old.find(from, at + to.size())) {
            old.replace(at, from.size(), to);
        }
    }
    const Loaded plain = load_fpc2_text(old);
    ASSERT_EQ(plain.code, 0) << plain.message;
    EXPECT_EQ(plain.board.source.non_copper_layers, 12u);
    EXPECT_EQ(net_named(plain.board, "N1").connects[0].vertices[0].layer, 11u);
    EXPECT_EQ(net_named(plain.board, "N1").connects[0].vertices[0].seg_layer, 12u);
    EXPECT_EQ(net_named(plain.board, "GND").areas[0].layer, 13u);
    EXPECT_EQ(plain.board.texts[0].layer, 7u);
    EXPECT_EQ(layer_to_fpc2(plain.board.source, 13), 13u);
}

TEST(Fpc2Dialect, PinsHoleAndCopperPolylinesAreReadFromTheirOwnRecords) {
    const Loaded loaded = load_fpc2_text(fpc2_board_text());
    ASSERT_EQ(loaded.code, 0) << loaded.message;
    const Board& board = loaded.board;
    ASSERT_EQ(board.footprints.size(), 2u);
    // The quoted name, without the description after it.
    ASSERT_EQ(board.footprints[0].pins.size(), 2u);
    EXPECT_EQ(board.footprints[0].pins[1].name, "2");
    EXPECT_NEAR(board.footprints[0].pins[1].x * 25400000, 7620000, 1e-6);
    EXPECT_NEAR(board.footprints[0].pins[1].hole * 25400000, 800000, 1e-6);

    // The outline is its first contour; the second is a hole cut in the board.
    ASSERT_EQ(board.outlines.size(), 1u);
    EXPECT_EQ(board.outlines[0].corners.size(), 4u);
    ASSERT_EQ(board.holes.size(), 1u);
    ASSERT_EQ(board.holes[0].corners.size(), 4u);
    EXPECT_NEAR(board.holes[0].corners[2].x * 25400000, 23000000, 1e-6);
    EXPECT_NEAR(board.holes[0].corners[2].y * 25400000, 19000000, 1e-6);
    EXPECT_NEAR(board.outline_max_x * 25400000, 40000000, 1e-6);

    // The antenna of footprint "ANT" lies on the top copper.
    std::vector<std::pair<std::size_t, std::size_t>> copper;
    for (std::size_t f = 0; f < board.footprints.size(); ++f) {
        for (std::size_t p = 0; p < board.footprints[f].polylines.size(); ++p) {
            if (board.footprints[f].polylines[p].copper != PolylineCopper::none) copper.emplace_back(f, p);
        }
    }
    ASSERT_EQ(copper, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 0}}));
    EXPECT_EQ(board.footprints[1].polylines[0].copper, PolylineCopper::top);
    EXPECT_EQ(footprint_copper(15), PolylineCopper::bottom);
    EXPECT_EQ(footprint_copper(4), PolylineCopper::none);  // top silk
}

// A polyline's visibility and layer are the footprint's own: one the editor does not draw is no
// outline of the image, one on a copper layer a keepout of it. A 1.3xx record with the same
// numbers after its three is a plain drawing.
TEST(Fpc2Dialect, PolylinesNotDrawnOrOnCopperAreSoInTheImage) {
    const std::string text =
        replaced(fpc2_board_text(), "package: \"R300\"", "127000 -1000000 -1000000 1 0 4", "127000 -1000000 -1000000 0 0 4");
    const Loaded loaded = load_fpc2_text(text);
    ASSERT_EQ(loaded.code, 0) << loaded.message;
    const FootprintPolyline& outline = loaded.board.footprints[0].polylines[0];
    EXPECT_FALSE(outline.drawn);
    EXPECT_EQ(outline.copper, PolylineCopper::none);
    EXPECT_TRUE(loaded.board.footprints[1].polylines[0].drawn);
    test::MemoryDesignFile design(1);
    write_library(design.file, loaded.board);
    const std::string library = design.text();
    EXPECT_EQ(library.find("-39.37  -39.37"), std::string::npos) << library;  // the undrawn outline's start
    EXPECT_NE(library.find("(keepout\n                (path Top 11.81"), std::string::npos) << library;  // the antenna

    const Loaded inner = load_fpc2_text(replaced(fpc2_board_text(), "name: \"ANT\"", "1000000 0 1 0 13", "1000000 0 1 0 14"));
    ASSERT_EQ(inner.code, 0) << inner.message;
    EXPECT_EQ(inner.board.footprints[1].polylines[0].copper, PolylineCopper::inner);

    std::string layers;
    for (int i = 0; i < 14; ++i) layers += "layer_info: \"l\" " + std::to_string(i) + " 0 0 0 1\n";
    const Loaded plain = load_fpc2_text("[options]\nversion: 1.344\nfile_version: 1.344\nn_copper_layers: 2\n" + layers +
                                        "[footprints]\n\nname: \"F\"\nunits: NM\noutline_polyline: 1 0 0 0 0 13\n"
                                        "next_corner: 100 0 0\n\n[board]\noutline: 1 0\ncorner: 1 0 0 0\n"
                                        "[solder_mask_cutouts]\n[parts]\n[nets]\n[texts]\n[end]\n");
    ASSERT_EQ(plain.code, 0) << plain.message;
    EXPECT_TRUE(plain.board.footprints[0].polylines[0].drawn);
    EXPECT_EQ(plain.board.footprints[0].polylines[0].copper, PolylineCopper::none);
}

TEST(Fpc2Dialect, PartsAtAnyAngleHaveTheirPinsWhereTheirTracesEnd) {
    const Loaded loaded = load_fpc2_text(fpc2_board_text());
    ASSERT_EQ(loaded.code, 0) << loaded.message;
    const Board& board = loaded.board;
    // R2 stands at 45 degrees clockwise: its second pin is where the editor's trace of N2 starts.
    const Net& n2 = net_named(board, "N2");
    const Vertex& start = n2.connects[0].vertices[0];
    EXPECT_NEAR(n2.pins[0].x, start.x, 1e-6);
    EXPECT_NEAR(n2.pins[0].y, start.y, 1e-6);
    const Net& n1 = net_named(board, "N1");
    EXPECT_NEAR(n1.pins[1].x * 25400000, 28000000, 1e-3);  // the turning point stays
    // R4 at 200 degrees clockwise: its second pin 7.62 mm along 160 degrees counter-clockwise.
    const Net& n4 = net_named(board, "N4");
    EXPECT_NEAR(n4.pins[1].x * 25400000, 32000000 + 7620000 * std::cos(160 * std::numbers::pi / 180), 1e-3);
    EXPECT_NEAR(n4.pins[1].y * 25400000, 12000000 + 7620000 * std::sin(160 * std::numbers::pi / 180), 1e-3);
    for (const Part& part : board.parts) {
        if (part.ref == "R4") {
            EXPECT_EQ(part.rotation, 160u);
        }
    }

    // A 1.3xx board still refuses an angle that is no right angle.
    std::string layers;
    for (int i = 0; i < 14; ++i) layers += "layer_info: \"l\" " + std::to_string(i) + " 0 0 0 1\n";
    const std::string plain = "[options]\nversion: 1.344\nfile_version: 1.344\nn_copper_layers: 2\n" + layers +
                              "[footprints]\n\nname: \"F\"\nunits: NM\nn_pins: 1\npin: 1 0 0 0 0\n"
                              "top_pad: 1 100000 0 0 0\n\n[board]\noutline: 1 0\ncorner: 1 0 0 0\n"
                              "[solder_mask_cutouts]\n[parts]\npart: P\nshape: \"F\"\npos: 0 0 0 45 0\n\n"
                              "[nets]\n[texts]\n[end]\n";
    const Loaded refused = load_fpc2_text(plain);
    EXPECT_EQ(refused.code, 10669);
}

TEST(Fpc2Dialect, ErrorsNameTheLineOfTheFileAndFilesThatAreNoBoardsSaySo) {
    // The dialect's extra lines do not move the line numbers of a record error.
    const std::string text = replaced(fpc2_board_text(), "net: \"N2\"", "seg: 1 15 250000 0 0", "seg: 1 15");
    const Loaded bad = load_fpc2_text(text);
    EXPECT_EQ(bad.code, 12640) << bad.message;
    std::size_t line = 1;
    for (std::size_t i = 0; i < text.find("seg: 1 15\n"); ++i) line += text[i] == '\n';
    EXPECT_EQ(bad.diagnostics.fpc_line, line);

    // A footprint library of FreePCB-2: records straight after each other, sections without a
    // blank line before them, and no board outline.
    const std::string library =
        "[options]\nversion: 2.1\nfile_version: 2.1\nn_copper_layers: 2\n[footprints]\nname: \"F\"\n"
        "units: NM\nn_pins: 1\npin: 1 0 0 0 0\ntop_pad: 3 2200000 600000 600000\n[board]\n"
        "[solder_mask_cutouts]\n[graphics]\n[parts]\npart: P\nshape: \"F\"\npos: 0 0 0 0 0\n[nets]\n"
        "[texts]\n[merges]\n[end]\n";
    const Loaded no_board = load_fpc2_text(library);
    EXPECT_EQ(no_board.code, 11482);
    EXPECT_EQ(no_board.message, "No Board Outline found");
    EXPECT_EQ(no_board.diagnostics.fpc_line, 11u);
}


// With nothing changed, a board of the dialect is written back byte for byte: the corpus's
// boards (CRLF files, files without indentation, without blank lines) and our own.
TEST(Fpc2Dialect, AnUnchangedBoardIsWrittenBackAsRead) {
    std::vector<fs::path> boards = {fs::path(TARNWICK_TEST_DATA) / "fpc2_board.fpc"};
    const fs::path corpus = fs::path(TARNWICK_CORPUS) / "fpc";
    if (fs::is_directory(corpus)) {
        for (const fs::path& path : test::files_with_extension(corpus, ".fpc")) {
            if (path.filename().string().rfind("fpc2_", 0) == 0) boards.push_back(path);
        }
    }
    int written = 0;
    for (const fs::path& path : boards) {
        SCOPED_TRACE(path.filename().string());
        const std::string text = test::file_contents(path);
        Loaded loaded = load_fpc2_text(text);
        if (loaded.code == 11482) continue;  // the footprint library
        ASSERT_EQ(loaded.code, 0) << loaded.message;
        test::MemoryStream out;
        write_fpc_sections(out.out, loaded.board);
        EXPECT_TRUE(out.text() == text);
        ++written;
    }
    EXPECT_GE(written, boards.size() > 1 ? 7 : 1);

    // Moved parts and new traces are written in the dialect: its angle, its layer numbers, a
    // connect with a merge, the trace count of the net line; the rest as read.
    Loaded loaded = load_fpc2_text(fpc2_board_text());
    ASSERT_EQ(loaded.code, 0) << loaded.message;
    Board& board = loaded.board;
    board.parts[1].rotation = 90;  // R2: 270 clockwise in the file
    board.parts[1].x += 0.01;
    Net& n3 = board.nets[2];
    ASSERT_EQ(n3.name, "N3");
    Connect trace;
    Vertex a;
    a.x = 5000000 * nm_to_inch;
    a.y = 5000000 * nm_to_inch;
    a.layer = 12;
    a.seg_layer = 13;
    a.seg_width = 250000 * nm_to_inch;
    Vertex b = a;
    b.x = 10620000 * nm_to_inch;
    b.y = 27500000 * nm_to_inch;
    b.seg_layer = 0;
    b.seg_width = 0;
    trace.end_pin = 1;
    trace.vertices = {a, b};
    n3.connects.push_back(trace);
    test::MemoryStream out;
    write_fpc_sections(out.out, board);
    const std::string written_text = out.text();
    std::string expected = fpc2_board_text();
    expected = replaced(expected, "part: R2", "pos: 28000000 8000000 0 45 0", "pos: 28254000 8000000 0 270 0");
    expected = replaced(expected, "net: \"N3\"", "net: \"N3\" 2 0 0", "net: \"N3\" 2 1 0");
    expected = replaced(expected, "pin: 2 R5.2\n",  "pin: 2 R5.2\n",
                        "pin: 2 R5.2\n  connect: 1 0 1 1 0 -1\n    vtx: 1 5000000 5000000 15 0 0 0 0\n"
                        "    seg: 1 16 250000 0 0\n    vtx: 2 10620000 27500000 15 0 0 0 0\n");
    EXPECT_EQ(written_text, expected);
}


// The same board in the older numbering (file version 2.017) reads into the same board database.
TEST(Fpc2Dialect, BothNumberingsOfOneBoardReadTheSame) {
    const Loaded newer = load_fpc2_text(fpc2_board_text());
    const Loaded older = load_fpc2_text(test::file_contents(fs::path(TARNWICK_TEST_DATA) / "fpc2_board_before_2_0199.fpc"));
    ASSERT_EQ(newer.code, 0) << newer.message;
    ASSERT_EQ(older.code, 0) << older.message;
    ASSERT_EQ(older.board.nets.size(), newer.board.nets.size());
    for (std::size_t n = 0; n < newer.board.nets.size(); ++n) {
        const Net& a = newer.board.nets[n];
        const Net& b = older.board.nets[n];
        ASSERT_EQ(a.connects.size(), b.connects.size());
        for (std::size_t c = 0; c < a.connects.size(); ++c) {
            ASSERT_EQ(a.connects[c].vertices.size(), b.connects[c].vertices.size());
            for (std::size_t v = 0; v < a.connects[c].vertices.size(); ++v) {
                EXPECT_EQ(a.connects[c].vertices[v].layer, b.connects[c].vertices[v].layer);
                EXPECT_EQ(a.connects[c].vertices[v].seg_layer, b.connects[c].vertices[v].seg_layer);
            }
        }
        ASSERT_EQ(a.areas.size(), b.areas.size());
        for (std::size_t k = 0; k < a.areas.size(); ++k) EXPECT_EQ(a.areas[k].layer, b.areas[k].layer);
    }
    EXPECT_EQ(older.board.texts[0].layer, newer.board.texts[0].layer);
}

}  // namespace
}  // namespace tarnwick
