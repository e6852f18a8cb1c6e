// A board the loader takes is a board the export takes: each record that the design file cannot
// hold is either left out of it with a warning (and counted by the info report) or refused by
// the loader at its own line. Every case runs through both.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/errors.h"
#include "dsn/design_file.h"
#include "fpc/footprints.h"
#include "fpc/load.h"
#include "report/info_report.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// A two-layer board of two resistors, with the lines each case changes marked by name.
std::string board_text(const std::string& r2_shape, const std::string& pin_2, const std::string& nets,
                       int copper_layers = 2) {
    std::string layers;
    int layer = 0;
    for (const char* name : {"selection", "background", "visible grid", "highlight", "DRC error", "board outline",
                             "rat line", "top silk", "bottom silk", "top sm cutout", "bot sm cutout", "thru pad",
                             "top copper", "bottom copper", "inner 1", "inner 2"}) {
        if (layer == 12 + copper_layers) break;
        layers += "  layer_info: \"" + std::string(name) + "\" " + std::to_string(layer++) + " 0 0 0 1\n";
    }
    return "[options]\n\nversion: 1.344\nfile_version: 1.344\nunits: MIL\nn_copper_layers: " + std::to_string(copper_layers) + "\n" + layers +
           "\n[footprints]\n\n"
           "name: \"R\"\n  units: MIL\n  sel_rect: -50 -50 450 50\n  ref_text: 40 150 50 0 6\n  n_pins: 2\n"
           "    pin: \"1\" 32 0 0 0\n      top_pad: 1 60 0 0 0\n      inner_pad: 0 0 0 0 0 0\n"
           "      bottom_pad: 1 60 0 0 0\n" +
           pin_2 +
           "\n[board]\n\noutline: 4 0\n  corner: 1 0 0 0\n  corner: 2 25400000 0 0\n"
           "  corner: 3 25400000 25400000 0\n  corner: 4 0 25400000 0\n\n[solder_mask_cutouts]\n\n[parts]\n\n"
           "part: R1\n  ref_text: 1270000 177800 0 0 2032000 1\n  package: \"R\"\n  shape: \"R\"\n"
           "  pos: 5080000 12700000 0 0 0\n\n"
           "part: R2\n  ref_text: 1270000 177800 0 0 2032000 1\n  package: \"R\"\n" +
           r2_shape + "  pos: 5080000 5080000 0 0 0\n\n[nets]\n\n" + nets + "\n[texts]\n\n[end]\n";
}

const std::string shape_line = "  shape: \"R\"\n";
const std::string round_pin = "    pin: \"2\" 32 400 0 0\n      top_pad: 1 60 0 0 0\n      inner_pad: 0 0 0 0 0 0\n"
                              "      bottom_pad: 1 60 0 0 0\n";
const std::string plain_nets = "net: \"N1\" 2 0 0 0 0 0 1\n  pin: 1 R1.2\n  pin: 2 R2.2\n";

struct Outcome {
    int load_code = 0;  // the loader's error, else 0
    std::string load_message;
    std::uint32_t load_line = 0;
    std::string report;          // the info report
    int export_code = 0;         // the export's error, else 0
    std::string export_console;  // what the export wrote on the console
    std::string design;          // the design file written
};

Outcome load_and_export(const std::string& text) {
    Outcome outcome;
    const fs::path folder = fs::temp_directory_path() / ("tarnwick_agreement_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "board.fpc", std::ios::binary) << text;
    const RunSettings settings = test::named_settings(folder / "board.fpc");
    const test::LoadedBoard loaded = test::load_board_with(settings, load_fpc_file);
    outcome.load_code = loaded.code;
    outcome.load_message = loaded.message;
    outcome.load_line = loaded.diagnostics.fpc_line;
    if (loaded.code == 0) {
        test::MemoryStream report;
        write_info_report(report.out, loaded.board, settings);
        outcome.report = report.text();
        testing::internal::CaptureStderr();
        try {
            write_design_file(loaded.board, settings);
        } catch (const FatalError& error) {
            outcome.export_code = error.code;
        }
        outcome.export_console = testing::internal::GetCapturedStderr();
        outcome.design = test::file_contents(folder / "board.dsn");
    }
    fs::remove_all(folder);
    return outcome;
}

TEST(LoadExportAgreement, NetPinsNamingNoPartAreLeftOutWithAWarningAndCounted) {
    // A board utility's import keeps the net pins of a part it left behind (DD4), and a net node
    // that names no pin at all ("0", "nan") names no part either.
    const Outcome outcome = load_and_export(board_text(
        shape_line, round_pin,
        "net: \"N1\" 4 0 0 0 0 0 1\n  pin: 1 R1.2\n  pin: 2 DD4.6\n  pin: 3 R2.2\n  pin: 4 0\n"
        "net: \"N2\" 3 1 0 0 0 0 1\n  pin: 1 R1.1\n  pin: 2 nan\n  pin: 3 R2.1\n"
        "  connect: 1 0 1 1 1\n    vtx: 1 0 0 0 0 0 0 0\n    seg: 1 6 0 0 0\n    vtx: 2 0 0 0 0 0 0 0\n"));
    ASSERT_EQ(outcome.load_code, 0) << outcome.load_message;
    EXPECT_NE(outcome.report.find("  Net pins naming a part the board does not have: 3 (left out of the design file)\n"),
              std::string::npos)
        << outcome.report;
    ASSERT_EQ(outcome.export_code, 0);
    EXPECT_NE(outcome.export_console.find("\n  Warning: 3 net pins naming a part the board does not have left out of "
                                          "the design file: DD4.6, 0, nan\n"),
              std::string::npos)
        << outcome.export_console;
    EXPECT_NE(outcome.design.find("(pins\n                \"R1\"-\"2\"\n                \"R2\"-\"2\"\n            )"), std::string::npos)
        << outcome.design;
    EXPECT_EQ(outcome.design.find("DD4"), std::string::npos);
    EXPECT_EQ(outcome.design.find("nan"), std::string::npos);
}

TEST(LoadExportAgreement, APartWithoutAShapeLineIsLeftOutAsAPartWithoutFootprint) {
    const Outcome outcome = load_and_export(board_text("", round_pin, plain_nets));
    ASSERT_EQ(outcome.load_code, 0) << outcome.load_message;
    ASSERT_EQ(outcome.export_code, 0);
    EXPECT_NE(outcome.export_console.find("\n  Warning: 1 part without footprint left out of the design file: R2\n"),
              std::string::npos)
        << outcome.export_console;
    EXPECT_NE(outcome.design.find("(pins\n                \"R1\"-\"2\"\n            )"), std::string::npos) << outcome.design;
    EXPECT_EQ(outcome.design.find("R2"), std::string::npos);
}

TEST(LoadExportAgreement, ABottomPadOfUnknownShapeIsRefusedAtItsLine) {
    // Copper of unknown extent: the router could not keep clear of it.
    const Outcome outcome = load_and_export(board_text(shape_line, "    pin: \"2\" 32 400 0 0\n      top_pad: 1 60 0 0 0\n      inner_pad: 0 0 0 0 0 0\n"
                                                       "      bottom_pad: 7 60 0 0 0\n", plain_nets));
    EXPECT_EQ(outcome.load_code, bottom_pad_shape_unknown);
    EXPECT_EQ(outcome.load_message, "R.2: invalid bottom pad shape: > 6");
    EXPECT_EQ(outcome.load_line, 36u);  // the bottom_pad: line
}

TEST(LoadExportAgreement, AnInnerPadOfASurfacePinIsNoCopperOnFourLayers) {
    // No inner layer reaches a pin without a hole: its pad there is no copper the router gets.
    const Outcome outcome = load_and_export(board_text(
        shape_line, "    pin: \"2\" 0 400 0 0\n      top_pad: 0 0 0 0 0\n      inner_pad: 1 60 0 0 0 0\n"
                    "      bottom_pad: 0 0 0 0 0\n",
        plain_nets, 4));
    ASSERT_EQ(outcome.load_code, 0) << outcome.load_message;
    ASSERT_EQ(outcome.export_code, 0);
    EXPECT_NE(outcome.export_console.find("\n  Warning: 1 footprint pin without pad or hole left out of the design file: R.2\n"),
              std::string::npos)
        << outcome.export_console;
    EXPECT_EQ(outcome.design.find("\"R1\"-\"2\""), std::string::npos) << outcome.design;
}

}  // namespace
}  // namespace tarnwick
