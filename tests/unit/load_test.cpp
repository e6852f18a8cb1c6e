#include "fpc/load.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using Loaded = test::LoadedBoard;

Loaded load(const std::string& path, std::uint32_t fromto_mode = 0) {
    Loaded loaded;
    RunSettings settings;
    settings.fpcname = path;
    settings.fromto_mode = fromto_mode;
    testing::internal::CaptureStderr();
    try {
        load_fpc_file(loaded.board, settings, loaded.diagnostics);
    } catch (const FatalError& error) {
        loaded.code = error.code;
        loaded.message = error.message;
    }
    loaded.console = testing::internal::GetCapturedStderr();
    return loaded;
}

const Net& net_named(const Board& board, const std::string& name) {
    for (const Net& net : board.nets) {
        if (net.name == name) return net;
    }
    ADD_FAILURE() << "no net " << name;
    return board.nets.front();
}

const Part& part_named(const Board& board, const std::string& ref) {
    for (const Part& part : board.parts) {
        if (part.ref == ref) return part;
    }
    ADD_FAILURE() << "no part " << ref;
    return board.parts.front();
}

constexpr double nm = 3.937007874015748e-08;

// The board of the project's own: through-hole and surface parts on both sides, routed nets
// with vias and a tee, a ground pour with an arc and a hole, keepouts and an inner plane.
TEST(LoadBoard, SensorBoardLoadsCompletely) {
    const Loaded loaded = load(std::string(TARNWICK_TEST_DATA) + "/sensor_board.fpc", 2);
    ASSERT_EQ(loaded.code, 0) << loaded.message << " at line " << loaded.diagnostics.fpc_line;
    const Board& board = loaded.board;
    EXPECT_EQ(board.parts.size(), 7u);
    EXPECT_EQ(board.nets.size(), 7u);

    // Every trace starts and ends on the placed pins it names: the placement by side and
    // rotation agrees with the editor's coordinates.
    std::size_t ends_checked = 0;
    for (const Net& net : board.nets) {
        for (const Connect& trace : net.connects) {
            const NetPin& start = net.pins.at(trace.start_pin);
            EXPECT_NEAR(start.x, trace.vertices.front().x, 1e-9) << net.name << " " << start.pin_ref;
            EXPECT_NEAR(start.y, trace.vertices.front().y, 1e-9) << net.name << " " << start.pin_ref;
            ++ends_checked;
            if (trace.end_pin < 0) continue;
            const NetPin& end = net.pins.at(static_cast<std::size_t>(trace.end_pin));
            EXPECT_NEAR(end.x, trace.vertices.back().x, 1e-9) << net.name << " " << end.pin_ref;
            EXPECT_NEAR(end.y, trace.vertices.back().y, 1e-9) << net.name << " " << end.pin_ref;
            ++ends_checked;
        }
    }
    EXPECT_EQ(ends_checked, 13u);

    // Part pins know their nets and layers.
    const Part& r2 = part_named(board, "R2");  // bottom side
    ASSERT_EQ(r2.pins.size(), 2u);
    EXPECT_EQ(r2.pins[0].layer, 13u);
    EXPECT_EQ(board.nets[static_cast<std::size_t>(r2.pins[0].net)].name, "SIG");
    const Part& j1 = part_named(board, "J1");  // through-hole
    EXPECT_EQ(j1.pins[2].layer, 0u);
    EXPECT_EQ(board.nets[static_cast<std::size_t>(j1.pins[2].net)].name, "GND");
    EXPECT_EQ(part_named(board, "H1").pins[0].net, -1);
    EXPECT_EQ(part_named(board, "R3").pins[1].net, -1);
    EXPECT_EQ(board.footprints[0].part_count, 4u);  // "0805"

    // The mounting hole is kept clear on every layer; the header's pins have no inner pads
    // of their own, so no inner keepouts.
    ASSERT_EQ(board.footprints[3].keepouts.size(), 1u);
    EXPECT_EQ(board.footprints[3].keepouts[0].layer, 0);
    EXPECT_TRUE(board.footprints[2].keepouts.empty());

    // Vias, the tee, classes and the rat-line.
    const Net& vcc = net_named(board, "VCC");
    const Net& gnd = net_named(board, "GND");
    const Net& sig = net_named(board, "SIG");
    ASSERT_EQ(vcc.tees.size(), 1u);
    EXPECT_NEAR(vcc.tees[0].y, 24000000 * nm, 1e-12);
    EXPECT_EQ(gnd.vias.size(), 1u);
    EXPECT_EQ(sig.vias.size(), 2u);
    EXPECT_EQ(sig.vias[0].padstack, sig.via_padstack);
    EXPECT_EQ(net_named(board, "VBAT").vias.size(), 1u);
    EXPECT_EQ(sig.locked_connects, 1u);
    EXPECT_EQ(gnd.connects[1].is_ratline, 1u);
    EXPECT_EQ(board.stats.ratline_segments, 1u);
    EXPECT_NE(vcc.net_class, gnd.net_class);
    EXPECT_EQ(gnd.net_class, net_named(board, "VBAT").net_class);
    EXPECT_EQ(board.net_classes.size(), 4u);

    // The ground pour: an outline with one arc and a rectangular hole.
    ASSERT_EQ(gnd.areas.size(), 1u);
    const Area& pour = gnd.areas[0];
    ASSERT_EQ(pour.contour_count, 2u);
    EXPECT_EQ(pour.contours[0].point_count, 5u + 17u);
    EXPECT_EQ(pour.contours[1].point_count, 4u);
    EXPECT_EQ(pour.on_plane, 0u);

    // Inner layer 1 is the plane; the VCC area on it becomes plane copper.
    const std::uint32_t directions[] = {0, 1, 0, 0};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(board.copper_layers[i].direction, directions[i]) << i;
    EXPECT_EQ(board.copper_layers[2].is_plane, 1u);
    EXPECT_EQ(vcc.plane_area_count, 1u);
    ASSERT_EQ(board.copper_layers[3].net_count, 1u);  // only SIG runs on inner layer 2
    EXPECT_EQ(board.copper_layers[3].layer_nets[0].net_name, "SIG");

    ASSERT_EQ(board.poly_keepouts.size(), 2u);
    EXPECT_EQ(board.poly_keepouts[0].layer, 13u);
    EXPECT_EQ(board.poly_keepouts[1].layer, 0u);
    EXPECT_EQ(board.poly_keepouts[1].via_only, 1u);

    // Every drilled pin and via is one hole of its drill.
    std::uint32_t holes = 0;
    for (std::size_t t = 1; t < board.tools.size(); ++t) holes += board.tools[t].used_count;
    EXPECT_EQ(holes, 3u + 1u + 4u);

    // All nets are visible: no FROMTO warning even in mode 2.
    EXPECT_EQ(loaded.console.find("FROMTO"), std::string::npos);
    EXPECT_NE(loaded.console.find("sensor_board.fpc\" loaded, 335 lines read."), std::string::npos);
}

TEST(LoadBoard, AFileThatIsNoFreePcbBoardSaysWhatItIsBeforeAnyRecord) {
    struct Case {
        std::string text;
        int code;
        const char* message;
        std::uint32_t line;
    };
    const Case cases[] = {
        // A FreePCB-2 board is read: what it lacks gets the ordinary errors.
        {"[options]\n  version: 2.307\n  file_version: 2.307\n  default_trace_width:0.4mm\n[footprints]\n", 11439,
         "premature EOF looking for FPC board outlines", 5},
        {"[options]\nversion: 1.359\nfile_version: 2.033\n[board]\n", 11315, "premature EOF looking for FPC footprints",
         4},
        {"\n(session blinker\n  (routes\n", 13013,
         "not a FreePCB board file: it is an S-expression file (a Specctra design or session, say)", 2},
        {"<?xml version=\"1.0\"?>\n<eagle>\n", 13013, "not a FreePCB board file: it is an XML file", 1},
        {"version: 1.359\n", 13013, "not a FreePCB board file: it has no [options] section", 1},
        {"", 13013, "not a FreePCB board file: the file is empty", 0},
    };
    for (const Case& c : cases) {
        const Loaded loaded = test::load_board_text(c.text);
        EXPECT_EQ(loaded.code, c.code) << c.text;
        EXPECT_EQ(loaded.message, c.message);
        EXPECT_EQ(loaded.diagnostics.fpc_line, c.line) << c.text;
        EXPECT_EQ(loaded.console, "") << c.text;  // no version warning, no record error before it
    }
    // A version record after the options is no board's version; a 1.3xx board goes on as before.
    const Loaded later = test::load_board_text("[options]\nversion: 1.359\n[footprints]\nversion: 2.5\n");
    EXPECT_EQ(later.board.file_format, BoardFileFormat::fpc);
}

// What each real board of the corpus gives: it loads (and how many lines the loader read), or
// it stops with an error code at a line. A change in behaviour shows here.
TEST(LoadBoard, CorpusBoardsLoadOrStopWhereTheyShould) {
    const std::filesystem::path corpus = std::filesystem::path(TARNWICK_CORPUS) / "fpc";
    if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    struct Outcome {
        const char* file;
        int code;            // 0: loaded
        std::uint32_t line;  // lines read, or the line of the error
    };
    const Outcome outcomes[] = {
        {"cbernardo_nl_r3.fpc", 0, 434},
        // FreePCB-2 boards load; its footprint library has no board outline.
        {"fpc2_duxah_Regulator-01.fpc", 0, 1471},
        {"fpc2_duxah_SimpleTimer.fpc", 0, 2700},
        {"fpc2_duxah_smart_kitchen.fpc", 0, 3091},
        {"fpc2_fpcutil_Areas.fpc", 0, 14327},
        {"fpc2_fpcutil_Nets.fpc", 0, 1454},
        {"fpc2_fpcutil_Show.fpc", 11482, 72},
        {"fpc2_platform_Driver-01.fpc", 0, 955},
        {"fpcutil_DPGd1-0y.fpc", 0, 1165},
        // Footprint "Target" has a pin without pad or hole; a net's areas lie on a drawing layer.
        {"fpcutil_Example.fpc", 0, 18771},
        {"fpcutil_ResetShape.fpc", 0, 17730},
        {"fpcutil_Temp-3.55.fpc", 0, 11792},
        {"jpt_FUI_Remote_3xAAA.fpc", 0, 1407},
        {"jpt_IOExtend.fpc", 0, 18687},
        {"jpt_LED_Driver.fpc", 0, 1396},
        {"ppmscope_DSOscope_AnalogBrd_A03_20130201.fpc", 0, 3327},
        {"ppmscope_DSOscope_CPUBrd_A01.fpc", 0, 3940},
        {"ppmscope_DSOscope_USBBrd_A01.fpc", 0, 1065},
        // Fifteen parts without footprint (empty ref_text: and shape: records) load.
        {"ppmscope_PPMScope_v1_05.fpc", 0, 3702},
        {"ppmscope_USBToSerial.fpc", 0, 1009},
    };
    std::size_t boards = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) boards += entry.path().extension() == ".fpc";
    EXPECT_EQ(boards, std::size(outcomes)) << "a board of the corpus has no recorded outcome";
    for (const Outcome& outcome : outcomes) {
        const Loaded loaded = load((corpus / outcome.file).string());
        EXPECT_EQ(loaded.code, outcome.code) << outcome.file << ": " << loaded.message;
        EXPECT_EQ(loaded.diagnostics.fpc_line, outcome.line) << outcome.file;
        if (loaded.code == 0) {
            // A loaded board has every part pin placed and every copper area checked.
            std::size_t pins = 0;
            for (const Part& part : loaded.board.parts) pins += part.pins.size();
            EXPECT_GT(pins, 0u) << outcome.file;
        }
    }
}

}  // namespace
}  // namespace tarnwick
