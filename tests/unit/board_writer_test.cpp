#include "fpc/board_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "fpc/options.h"
#include "test_support.h"

namespace tarnwick {
namespace {

std::string written(const Board& board, bool listing) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    write_fpc_sections(out, board, listing);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

Board options_from(const std::string& text) {
    std::uint32_t counter = 0;
    LineReader reader = test::reader_for(text, counter);
    Board board;
    read_options(reader, board);
    return board;
}

std::string options_part(const std::string& file) { return file.substr(0, file.find("\n[footprints]")); }

TEST(BoardWriter, LengthTexts) {
    EXPECT_EQ(format_length(0.5 * 25400000.0), "12700000");
    EXPECT_EQ(format_length(0.254), "0.254");
    EXPECT_EQ(format_length(-0.0), "0");
    EXPECT_EQ(format_length(-1.5), "-1.5");
    EXPECT_EQ(format_length(50.0), "50");

    EXPECT_EQ(rounded_length(0.5), 12700000u);
    EXPECT_EQ(rounded_length(-0.0), 0u);
    EXPECT_EQ(signed_rounded_length(-0.5), -12700000);
    EXPECT_EQ(signed_rounded_length(1.0 / 25400000.0 * 2.5), 3);  // half away from zero
    EXPECT_EQ(signed_rounded_length(-1.0 / 25400000.0 * 2.5), -3);
    EXPECT_EQ(rounded_length(1e300), 0u);  // no undefined conversion for absurd values
}

TEST(BoardWriter, OptionsRoundTripThroughTheReader) {
    const std::string source =
        "[options]\n\nversion: 1.344\nfile_version: 1.344\nproject_name: \"demo\"\n"
        "ses_file_path: \"x.ses\"\nSMT_connect_copper: \"1\"\ndefault_glue_width: \"635000\"\n"
        "dsn_flags: \"1\"\ndsn_bounds_poly: \"2\"\ndsn_signals_poly: \"3\"\n"
        "autosave_interval: 5\nnetlist_import_flags: 903\nunits: MIL\n\n"
        "visible_grid_spacing: 1000000.000000\n  visible_grid_item: 100MIL\n\n"
        "routing_grid_spacing: 100000.000000\n  routing_grid_item: 5MIL\n  routing_grid_item: 1MM\n\n"
        "snap_angle: 45\n\nfill_clearance: 254000\nshrink_paste_mask: 0\ncam_n_x: 2\ncam_space_y: 2540\n"
        "drc_pad_pad: 152400\ndefault_trace_width: 254000\ndefault_via_pad_width: 711200\n"
        "default_via_hole_width: 304800\nn_width_menu: 1\n  width_menu_item: 1 254000 1016000 508000\n\n"
        "n_copper_layers: 2\n"
        "  layer_info: \"selection\" 0 255 255 255 1\n  layer_info: \"background\" 1 0 0 0 1\n"
        "  layer_info: \"visible grid\" 2 255 255 255 1\n  layer_info: \"highlight\" 3 255 255 255 1\n"
        "  layer_info: \"DRC error\" 4 255 128 64 1\n  layer_info: \"board outline\" 5 0 0 255 1\n"
        "  layer_info: \"rat line\" 6 255 0 255 1\n  layer_info: \"top silk\" 7 255 255 0 1\n"
        "  layer_info: \"bottom silk\" 8 255 192 192 1\n  layer_info: \"top sm cutout\" 9 160 160 160 1\n"
        "  layer_info: \"bot sm cutout\" 10 95 95 95 1\n  layer_info: \"thru pad\" 11 0 0 255 1\n"
        "  layer_info: \"top copper\" 12 0 255 0 1\n  layer_info: \"bottom copper\" 13 255 0 0 0\n"
        "\n[footprints]\n";
    const std::string first = options_part(written(options_from(source), false));
    EXPECT_NE(first.find("netlist_import_flags: 903\n"), std::string::npos);
    EXPECT_NE(first.find("default_glue_width: \"635000\"\n"), std::string::npos);
    EXPECT_NE(first.find("\nrouting_grid_spacing: 100000.000000\n  routing_grid_item: 5MIL\n  routing_grid_item: 1MM\n"),
              std::string::npos);
    EXPECT_NE(first.find("shrink_paste_mask: 0\n"), std::string::npos);
    EXPECT_NE(first.find("cam_n_x: 2\ncam_n_y: 0\ncam_space_x: 0\ncam_space_y: 2540\n"), std::string::npos);
    EXPECT_NE(first.find("  layer_info: \"bottom copper\" 13 255 0 0 0\n"), std::string::npos);
    // What the writer writes, the reader reads back to the same values.
    EXPECT_EQ(options_part(written(options_from(first + "\n[footprints]\n"), false)), first);
}

TEST(BoardWriter, VersionDecidesOptionalOptionLines) {
    const std::string keys = "ses_file_path: \"\"\nSMT_connect_copper: \"1\"\nreport_options: 3\n[end]\n";
    const std::string old_file = written(options_from("version: 1.3381\n" + keys), false);
    EXPECT_EQ(old_file.find("SMT_connect_copper"), std::string::npos);
    EXPECT_EQ(old_file.find("report_options"), std::string::npos);
    EXPECT_NE(old_file.find("cam_units: 0\n\ndrc_check_unrouted: 0\n"), std::string::npos);
    EXPECT_EQ(old_file.find("default_glue_width"), std::string::npos);

    const std::string newer = written(options_from("version: 1.3382\n" + keys), false);
    EXPECT_NE(newer.find("SMT_connect_copper: \"1\"\n"), std::string::npos);
    EXPECT_NE(newer.find("\nreport_options: 3\ndrc_check_unrouted: 0\n"), std::string::npos);

    // Without any of the router keys none of their lines is written.
    EXPECT_EQ(written(options_from("version: 1.344\n[end]\n"), false).find("dsn_flags"), std::string::npos);
}

TEST(BoardWriter, RoutedFileNameAndUnwritablePath) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tarnwick_writer_" + std::to_string(::getpid()));
    fs::create_directories(dir / "my.dir");
    Board board = options_from("version: 1.344\n[end]\n");
    RunSettings settings;
    Diagnostics diagnostics;
    settings.fpcname = (dir / "my.dir" / "board.fpc").string();
    write_routed_fpc_file(board, settings, diagnostics, "_routed");
    EXPECT_EQ(settings.fpcname, (dir / "my.dir" / "board_routed.fpc").string());
    EXPECT_EQ(diagnostics.fpc_name, settings.fpcname);
    std::ifstream in(settings.fpcname);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), written(board, false));

    settings.fpcname = (dir / "missing" / "board.fpc").string();
    FatalError error = test::expect_fatal([&] { write_routed_fpc_file(board, settings, diagnostics, "_routed"); });
    EXPECT_EQ(error.code, 20043);
    EXPECT_EQ(error.message, "unable to open " + (dir / "missing" / "board_routed.fpc").string() + " for output");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tarnwick
