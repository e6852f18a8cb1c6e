#include "fpc/options.h"

#include <gtest/gtest.h>

#include <string>

#include "board/units.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::reader_for;

// The fourteen layer_info lines of a two-layer board.
std::string layer_lines(unsigned count) {
    std::string text;
    for (unsigned i = 0; i < count; ++i) text += "  layer_info: \"layer " + std::to_string(i) + "\" " + std::to_string(i) + " 1 2 3 1\n";
    return text;
}

Board load_options(const std::string& text, std::uint32_t* counter_out = nullptr) {
    std::uint32_t counter = 0;
    LineReader reader = reader_for(text, counter);
    Board board;
    read_options(reader, board);
    if (counter_out != nullptr) *counter_out = counter;
    return board;
}

FatalError options_error(const std::string& text, std::uint32_t* line) {
    std::uint32_t counter = 0;
    LineReader reader = reader_for(text, counter);
    Board board;
    FatalError error = test::expect_fatal([&] { read_options(reader, board); });
    *line = counter;
    return error;
}

TEST(Options, ReadsTheKeysOfARealBoard) {
    Board board = load_options(
        "[options]\n"
        "\n"
        "version: 1.344\n"
        "file_version: 1.344\n"
        "project_name: \"demo board\"\n"
        "ses_file_path: \"\"\n"
        "SMT_connect_copper: \"1\"\n"
        "default_glue_width: \"635000\"\n"
        "dsn_flags: \"3\"\n"
        "units: MIL\n"
        "snap_angle: 45\n"
        "fill_clearance: 254000\n"
        "shrink_paste_mask: 0\n"
        "cam_n_x: 2\n"
        "drc_pad_pad: 152400\n"
        "default_via_pad_width: 711200\n"
        "default_via_hole_width: 304800\n"
        "n_width_menu: 2\n"
        "  width_menu_item: 1 254000 1016000 508000\n"
        "  width_menu_item: 2 508000 1270000 812800\n"
        "\n"
        "n_copper_layers: 2\n" +
        layer_lines(14) +
        "\n[footprints]\n");
    const BoardOptions& o = board.options;
    EXPECT_DOUBLE_EQ(o.version, 1.344);
    EXPECT_EQ(o.project_name, "demo board");
    EXPECT_EQ(o.SMT_connect_copper, 1u);
    EXPECT_DOUBLE_EQ(o.default_glue_width, 0.025);
    EXPECT_EQ(o.dsn_flags, 3u);
    EXPECT_TRUE(o.dsn_keys_present);
    EXPECT_TRUE(o.cam_step_keys_present);
    EXPECT_TRUE(o.shrink_paste_mask_present);
    EXPECT_EQ(o.units, 2u);
    EXPECT_EQ(o.snap_angle, 45u);
    EXPECT_DOUBLE_EQ(o.fill_clearance, 0.01);
    EXPECT_DOUBLE_EQ(o.drc_pad_pad, 0.006);
    ASSERT_EQ(o.width_menu.size(), 2u);
    EXPECT_DOUBLE_EQ(o.width_menu[1].width, 0.02);
    EXPECT_DOUBLE_EQ(o.width_menu[1].via_pad_width, 0.05);
    EXPECT_DOUBLE_EQ(o.width_menu[1].via_hole, 0.032);
    ASSERT_EQ(o.layer_list.size(), 14u);
    EXPECT_EQ(o.layer_list[13].name, "layer 13");
    EXPECT_EQ(o.layer_list[13].color[0], 1);
    EXPECT_EQ(o.layer_list[13].visible, 1);

    // The version decides the writer's flags.
    EXPECT_TRUE(o.long_text_records);
    EXPECT_FALSE(o.always_write_package);

    // Copper layers alternate horizontal and vertical, top first.
    ASSERT_EQ(board.copper_layers.size(), 2u);
    EXPECT_EQ(board.copper_layers[0].direction, 0u);
    EXPECT_EQ(board.copper_layers[1].direction, 1u);

    // Padstack 0 is the default via, its sizes as read.
    ASSERT_EQ(board.padstacks.size(), 1u);
    const Padstack& via = board.padstacks[0];
    EXPECT_EQ(via.is_via, 1u);
    EXPECT_EQ(via.top_shape, 1u);
    EXPECT_EQ(via.inner_shape, 1u);
    EXPECT_EQ(via.bottom_shape, 1u);
    EXPECT_DOUBLE_EQ(via.top.wide, 0.028);
    EXPECT_DOUBLE_EQ(via.bottom.wide, 0.028);
    EXPECT_EQ(via.top.high, 0.0);
    EXPECT_DOUBLE_EQ(via.hole, 0.012);
}

TEST(Options, FixedScanOffsetsDecideWhatIsRead) {
    // A quoted value is read; a lone unquoted digit sits where the scan has already passed.
    EXPECT_EQ(load_options("SMT_connect_copper: 1\n[end]\n").options.SMT_connect_copper, 0u);
    EXPECT_EQ(load_options("SMT_connect_copper: \"1\"\n[end]\n").options.SMT_connect_copper, 1u);
    // A key cut short reads nothing and keeps the earlier value, however short the line.
    Board board = load_options("dsn_flags: \"4\"\ndsn_flags:\nsnap_angle:\n[end]\n");
    EXPECT_EQ(board.options.dsn_flags, 4u);
    // A repeated key overwrites; units in lower case are not units.
    board = load_options("snap_angle: 45\nsnap_angle: 90\nunits: mil\n[end]\n");
    EXPECT_EQ(board.options.snap_angle, 90u);
    EXPECT_EQ(board.options.units, 0u);
    // Both spellings of the import flags key are read.
    EXPECT_EQ(load_options("import_flags: 7\n[end]\n").options.import_flags, 7u);
    EXPECT_EQ(load_options("netlist_import_flags: 903\n[end]\n").options.import_flags, 903u);
}

TEST(Options, GridListsTakeTheLinesUpToOneWithoutAColon) {
    Board board = load_options(
        "visible_grid_spacing: 1000000.000000\n"
        "  visible_grid_item: 100MIL\n"
        "  visible_grid_item: 1MM\n"
        "\n"
        "routing_grid_spacing: 100000\n"
        "snap_angle: 45\n"
        "\n"
        "fp_snap_angle: 90\n"
        "[end]\n");
    const BoardOptions& o = board.options;
    EXPECT_DOUBLE_EQ(o.visible_grid.spacing, 1000000 * nm_to_inch);
    ASSERT_EQ(o.visible_grid.items.size(), 2u);
    EXPECT_EQ(o.visible_grid.items[1], "1MM");
    // With no blank line after it, the next key's line is taken as a grid item.
    ASSERT_EQ(o.routing_grid.items.size(), 1u);
    EXPECT_EQ(o.routing_grid.items[0], "45");
    EXPECT_EQ(o.snap_angle, 0u);
    EXPECT_EQ(o.fp_snap_angle, 90u);

    // A word longer than its 63-character slot is cut, not overrun.
    const std::string long_word(100, 'w');
    board = load_options("placement_grid_spacing: 1\n  placement_grid_item: " + long_word + "\n\n[end]\n");
    ASSERT_EQ(board.options.placement_grid.items.size(), 1u);
    EXPECT_EQ(board.options.placement_grid.items[0], long_word.substr(0, 63));
}

TEST(Options, SectionEndsAtAnyOtherHeaderAndOptionsAfterItAreNotRead) {
    std::uint32_t line = 0;
    Board board = load_options("[options]\nsnap_angle: 45\n  [parts]\nsnap_angle: 90\n", &line);
    EXPECT_EQ(board.options.snap_angle, 45u);
    EXPECT_EQ(line, 3u);
    EXPECT_TRUE(board.copper_layers.empty());  // no n_copper_layers: no layers, and no error

    FatalError eof = options_error("[options]\nsnap_angle: 45\n", &line);
    EXPECT_EQ(eof.code, 11260);
    EXPECT_EQ(eof.message, "premature EOF reading FPC options");
    EXPECT_EQ(line, 2u);
}

TEST(Options, WidthMenuErrors) {
    std::uint32_t line = 0;
    EXPECT_EQ(options_error("n_width_menu: 2\n  width_menu_item: 1 2 3 4\n", &line).code, 11170);
    FatalError bad = options_error("n_width_menu: 1\n  width_menu_item: 1 2 3\n[end]\n", &line);
    EXPECT_EQ(bad.code, 11182);
    EXPECT_EQ(bad.message, "bad width menu item record");
    EXPECT_EQ(line, 2u);
    FatalError short_list = options_error("n_width_menu: 3\n  width_menu_item: 1 2 3 4\n\n[end]\n", &line);
    EXPECT_EQ(short_list.code, 11192);
    EXPECT_EQ(short_list.message, "reading width list");
    EXPECT_EQ(line, 3u);
}

TEST(Options, LayerListErrors) {
    std::uint32_t line = 0;
    FatalError no_count = options_error("version: 1.344\nn_copper_layers: x\n[end]\n", &line);
    EXPECT_EQ(no_count.code, 11204);
    EXPECT_EQ(line, 2u);

    FatalError one = options_error("a\nb\nc\nd\ne\nf\nn_copper_layers: 1\n" + layer_lines(13) + "[end]\n", &line);
    EXPECT_EQ(one.code, 11209);
    EXPECT_EQ(one.message, "not enough copper layers, 2 or more needed for autorouting");
    EXPECT_EQ(line, 7u);

    FatalError too_many = options_error("n_copper_layers: 33\n" + layer_lines(45) + "[end]\n", &line);
    EXPECT_EQ(too_many.code, 11210);
    EXPECT_EQ(line, 1u);
    // 32 copper layers fill the 44-entry list exactly.
    EXPECT_EQ(load_options("n_copper_layers: 32\n" + layer_lines(44) + "[end]\n").copper_layers.size(), 32u);

    EXPECT_EQ(options_error("n_copper_layers: 2\n" + layer_lines(5), &line).code, 11216);
    FatalError unquoted = options_error("n_copper_layers: 2\n  layer_info: top 12 0 0 0 1\n[end]\n", &line);
    EXPECT_EQ(unquoted.code, 11228);
    EXPECT_EQ(line, 2u);
    EXPECT_EQ(options_error("n_copper_layers: 2\n  layer_info: \"top\" 12 0 0 0\n[end]\n", &line).code, 11236);
    FatalError short_list = options_error("n_copper_layers: 2\n" + layer_lines(13) + "\n[end]\n", &line);
    EXPECT_EQ(short_list.code, 11241);
    EXPECT_EQ(short_list.message, "reading layer list");
    EXPECT_EQ(line, 15u);  // the line that ended the list early was read
}

TEST(Options, LayerValuesAreKeptModulo256AndNamesCut) {
    Board board = load_options("n_copper_layers: 2\n  layer_info: \"" + std::string(40, 'n') +
                               "\" 0 256 257 511 258\n" + layer_lines(13) + "[end]\n");
    const LayerListEntry& first = board.options.layer_list[0];
    EXPECT_EQ(first.name, std::string(31, 'n'));
    EXPECT_EQ(first.color[0], 0);
    EXPECT_EQ(first.color[1], 1);
    EXPECT_EQ(first.color[2], 255);
    EXPECT_EQ(first.visible, 2);
}

}  // namespace
}  // namespace tarnwick
