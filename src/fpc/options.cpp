#include "fpc/options.h"

#include <cstdio>
#include <cstring>

#include "board/units.h"
#include "core/errors.h"
#include "fpc/board_numbers.h"

namespace tarnwick {

namespace {

enum class Kind { Version, FileVersion, Quoted, Unsigned, Length, UnitsMil, UnitsMm, Grid, WidthMenu, CopperLayers };

struct OptionKey {
    const char* key;
    std::size_t start;  // where the value is scanned, counted from the key's first character
    Kind kind;
    std::uint32_t BoardOptions::*number = nullptr;
    double BoardOptions::*length = nullptr;
    std::string BoardOptions::*text = nullptr;
    std::size_t text_max = 0;
    GridList BoardOptions::*grid = nullptr;
    bool BoardOptions::*flag = nullptr;  // switched on when the key is met
};

using O = BoardOptions;

OptionKey quoted(const char* key, std::string O::*text, std::size_t max, bool O::*flag = nullptr) {
    return {key, 0, Kind::Quoted, nullptr, nullptr, text, max, nullptr, flag};
}
OptionKey number(const char* key, std::size_t start, std::uint32_t O::*field, bool O::*flag = nullptr) {
    return {key, start, Kind::Unsigned, field, nullptr, nullptr, 0, nullptr, flag};
}
OptionKey length(const char* key, std::size_t start, double O::*field, bool O::*flag = nullptr) {
    return {key, start, Kind::Length, nullptr, field, nullptr, 0, nullptr, flag};
}
OptionKey grid(const char* key, GridList O::*field) {
    return {key, 0, Kind::Grid, nullptr, nullptr, nullptr, 0, field, nullptr};
}
OptionKey special(const char* key, std::size_t start, Kind kind) { return {key, start, kind}; }

// Tested in this order; the first key that begins the line is taken.
const OptionKey option_keys[] = {
    special("version:", 9, Kind::Version),
    special("file_version:", 13, Kind::FileVersion),
    quoted("project_name:", &O::project_name, 63),
    quoted("full_library_folder:", &O::full_library_folder, 127),
    quoted("CAM_folder:", &O::CAM_folder, 127),
    quoted("ses_file_path:", &O::ses_file_path, 127, &O::dsn_keys_present),
    number("SMT_connect_copper:", 21, &O::SMT_connect_copper),
    length("default_glue_width:", 21, &O::default_glue_width),
    number("dsn_bounds_poly:", 18, &O::dsn_bounds_poly, &O::dsn_keys_present),
    number("dsn_signals_poly:", 19, &O::dsn_signals_poly, &O::dsn_keys_present),
    number("dsn_flags:", 12, &O::dsn_flags, &O::dsn_keys_present),
    number("autosave_interval:", 18, &O::autosave_interval),
    number("import_flags:", 13, &O::import_flags),
    // The key the editor (and our own writer) writes; reading it too keeps the value on a round trip.
    number("netlist_import_flags:", 22, &O::import_flags),
    special("units: MIL", 0, Kind::UnitsMil),
    special("units: MM", 0, Kind::UnitsMm),
    grid("visible_grid", &O::visible_grid),
    grid("placement_grid", &O::placement_grid),
    grid("routing_grid", &O::routing_grid),
    number("snap_angle:", 11, &O::snap_angle),
    grid("fp_visible_grid", &O::fp_visible_grid),
    grid("fp_placement_grid", &O::fp_placement_grid),
    number("fp_snap_angle:", 14, &O::fp_snap_angle),
    length("fill_clearance:", 15, &O::fill_clearance),
    length("mask_clearance:", 15, &O::mask_clearance),
    length("thermal_width:", 14, &O::thermal_width),
    length("min_silkscreen_width:", 21, &O::min_silkscreen_width),
    length("board_outline_width:", 20, &O::board_outline_width),
    length("hole_clearance:", 15, &O::hole_clearance),
    length("pilot_diameter:", 15, &O::pilot_diameter),
    length("annular_ring_for_pins:", 22, &O::annular_ring_for_pins),
    length("annular_ring_for_vias:", 22, &O::annular_ring_for_vias),
    length("shrink_paste_mask:", 18, &O::shrink_paste_mask, &O::shrink_paste_mask_present),
    number("cam_flags:", 10, &O::cam_flags),
    number("cam_layers:", 11, &O::cam_layers),
    number("cam_drill_file:", 15, &O::cam_drill_file),
    number("cam_units:", 10, &O::cam_units),
    number("cam_n_x:", 8, &O::cam_n_x, &O::cam_step_keys_present),
    number("cam_n_y:", 8, &O::cam_n_y, &O::cam_step_keys_present),
    length("cam_space_x:", 12, &O::cam_space_x, &O::cam_step_keys_present),
    length("cam_space_y:", 12, &O::cam_space_y, &O::cam_step_keys_present),
    number("report_options:", 15, &O::report_options),
    number("drc_check_unrouted:", 19, &O::drc_check_unrouted),
    length("drc_trace_width:", 16, &O::drc_trace_width),
    length("drc_pad_pad:", 12, &O::drc_pad_pad),
    length("drc_pad_trace:", 14, &O::drc_pad_trace),
    length("drc_trace_trace:", 16, &O::drc_trace_trace),
    length("drc_hole_copper:", 16, &O::drc_hole_copper),
    length("drc_annular_ring_pins:", 22, &O::drc_annular_ring_pins),
    length("drc_annular_ring_vias:", 22, &O::drc_annular_ring_vias),
    length("drc_board_edge_copper:", 22, &O::drc_board_edge_copper),
    length("drc_board_edge_hole:", 20, &O::drc_board_edge_hole),
    length("drc_hole_hole:", 14, &O::drc_hole_hole),
    length("drc_copper_copper:", 18, &O::drc_copper_copper),
    length("default_trace_width:", 20, &O::default_trace_width),
    length("default_via_pad_width:", 22, &O::default_via_pad_width),
    length("default_via_hole_width:", 23, &O::default_via_hole_width),
    special("n_width_menu:", 13, Kind::WidthMenu),
    special("n_copper_layers:", 16, Kind::CopperLayers),
};

void check_version(BoardOptions& options, const TestedVersions& tested) {
    if (options.version > 1.33101) options.long_text_records = true;
    options.always_write_package = options.version > 1.3469;
    if (options.version > tested.untested_above) {
        std::fprintf(console(),
                     "\n\nCaution: Loading an untested version %s file:\n Loading: V%1.3lf, Latest Tested: V%1.3lf\n\n",
                     tested.editor, options.version, tested.newest);
    }
}

void check_file_version(const BoardOptions& options, const TestedVersions& tested) {
    if (!tested.file_version_checked) return;
    if (options.file_version >= 1.312 && options.file_version <= 1.34401) return;
    const std::string shown =
        options.file_version >= 0.1 ? strformat("%1.3lf", options.file_version) : std::string("<Unknown>");
    std::fprintf(console(), "\n\nWarning: Loading FreePCB file format version %s.\n         This may cause problems...\n\n",
                 shown.c_str());
}

void read_grid(LineReader& reader, const char* line, GridList& grid) {
    const char* colon = std::strchr(line, ':');
    double spacing = 0;
    if (colon != nullptr && std::sscanf(colon + 1, "%lf", &spacing) == 1) {
        check_board_length("grid", nm_to_inch, spacing);
        grid.spacing = spacing * nm_to_inch;
    }
    grid.items.clear();
    while (const char* item_line = reader.next_line()) {
        const char* item_colon = std::strchr(item_line, ':');
        if (item_colon == nullptr) break;  // the line that ends the list is consumed
        char word[64];
        if (std::sscanf(item_colon + 1, "%63s", word) != 1) fatal_error(10134, "bad grid item record");
        grid.items.emplace_back(word);
    }
}

void read_width_menu(LineReader& reader, BoardOptions& options) {
    options.width_menu.clear();
    std::uint32_t read = 0;
    while (read < options.n_width_menu) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(11170, "premature EOF reading width menu");
        const char* text = skip_blanks(line);
        static const char key[] = "width_menu_item:";
        if (!starts_with(text, key)) break;
        WidthMenuItem item;
        if (scan_board_record(key, nm_to_inch, text + sizeof key - 1, "%*u %lf %lf %lf", &item.width, &item.via_pad_width,
                              &item.via_hole) != 3) {
            fatal_error(11182, "bad width menu item record");
        }
        item.width *= nm_to_inch;
        item.via_pad_width *= nm_to_inch;
        item.via_hole *= nm_to_inch;
        options.width_menu.push_back(item);
        ++read;
    }
    if (read < options.n_width_menu) fatal_error(11192, "reading width list");
}

void read_layer_list(LineReader& reader, const char* value, Board& board) {
    BoardOptions& options = board.options;
    unsigned count = 0;
    if (std::sscanf(value, "%u", &count) != 1) fatal_error(11204, "bad n_copper_layers: record");
    options.n_copper_layers = count;
    if (count < 2) fatal_error(11209, "not enough copper layers, 2 or more needed for autorouting");
    // The layer list holds 44 entries; more copper layers than that leaves room for is refused.
    if (count > max_copper_layers) fatal_error(11210, "too many copper layers, 32 at most");

    const std::uint32_t wanted = count + non_copper_layers;
    options.layer_list.clear();
    while (options.layer_list.size() < wanted) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(11216, "premature EOF");
        const char* text = skip_blanks(line);
        if (!starts_with(text, "layer_info:")) {
            // A file whose list may stop early has the next option on this line.
            if (reader.rules().short_layer_list) reader.unread_line();
            break;
        }
        LayerListEntry entry;
        extract_quoted(entry.name, text, 32);
        const char* last_quote = std::strrchr(text, '"');
        if (last_quote == nullptr) fatal_error(11228, "bad layer_info: record");
        unsigned values[4];
        if (std::sscanf(last_quote + 1, "%*u %u %u %u %u", &values[0], &values[1], &values[2], &values[3]) != 4) {
            fatal_error(11236, "bad layer_info: record");
        }
        for (int i = 0; i < 3; ++i) entry.color[i] = static_cast<std::uint8_t>(values[i] & 0xFFu);
        entry.visible = static_cast<std::uint8_t>(values[3] & 0xFFu);
        options.layer_list.push_back(std::move(entry));
    }
    if (options.layer_list.size() < wanted) {
        if (!reader.rules().short_layer_list) fatal_error(11241, "reading layer list");
        options.layer_list.resize(wanted);
    }

    board.copper_layers.assign(count, CopperLayerInfo{});
    for (std::uint32_t i = 0; i < count; ++i) board.copper_layers[i].direction = i % 2;
}

void make_default_via(Board& board) {
    const BoardOptions& options = board.options;
    Padstack via;
    via.name = "DefVia";
    via.top_shape = via.inner_shape = via.bottom_shape = 1;
    via.top.wide = via.inner.wide = via.bottom.wide = options.default_via_pad_width;
    via.hole = options.default_via_hole_width;
    via.is_via = 1;
    board.padstacks.assign(1, via);
}

// Handles one option line; the reader may consume more lines (grids, width menu, layer list).
void read_option(LineReader& reader, const char* text, Board& board) {
    BoardOptions& options = board.options;
    for (const OptionKey& key : option_keys) {
        if (!starts_with(text, key.key)) continue;
        const char* value = text_at(text, key.start);
        if (key.flag != nullptr) options.*key.flag = true;
        switch (key.kind) {
            case Kind::Version:
                std::sscanf(value, "%lf", &options.version);
                check_version(options, reader.rules().versions);
                break;
            case Kind::FileVersion:
                std::sscanf(value, "%lf", &options.file_version);
                check_file_version(options, reader.rules().versions);
                break;
            case Kind::Quoted:
                extract_quoted(options.*key.text, text, key.text_max + 1);
                break;
            case Kind::Unsigned: {
                unsigned number = 0;
                if (std::sscanf(value, "%u", &number) == 1) options.*key.number = number;
                break;
            }
            case Kind::Length: {
                double number = 0;
                if (std::sscanf(value, "%lf", &number) == 1) {
                    check_board_length(key.key, nm_to_inch, number);
                    options.*key.length = number * nm_to_inch;
                }
                break;
            }
            case Kind::UnitsMil:
                options.units = 2;
                break;
            case Kind::UnitsMm:
                options.units = 1;
                break;
            case Kind::Grid:
                read_grid(reader, text, options.*key.grid);
                break;
            case Kind::WidthMenu: {
                unsigned number = 0;
                if (std::sscanf(value, "%u", &number) == 1) options.n_width_menu = number;
                read_width_menu(reader, options);
                break;
            }
            case Kind::CopperLayers:
                read_layer_list(reader, value, board);
                break;
        }
        return;
    }
}

}  // namespace

const char* length_option_key(const char* text) {
    for (const OptionKey& key : option_keys) {
        if (starts_with(text, key.key)) return key.kind == Kind::Length ? key.key : nullptr;
    }
    return nullptr;
}

void read_options(LineReader& reader, Board& board) {
    for (;;) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(11260, "premature EOF reading FPC options");
        const char* text = skip_blanks(line);
        if (*text == '\0' || starts_with(text, "[options]")) continue;
        if (is_other_section_header(text, "[options]")) break;
        read_option(reader, text, board);
    }
    make_default_via(board);
}

}  // namespace tarnwick
