#include "board/option_keys.h"

#include <cstring>

namespace tarnwick {

namespace {

using O = BoardOptions;
using K = OptionKind;

constexpr OptionKey text(const char* key, std::string O::*field, std::size_t max, bool O::*marks = nullptr) {
    OptionKey option{key, K::Text};
    option.text = field;
    option.text_max = max;
    option.marks = marks;
    option.written_if = marks;
    return option;
}

constexpr OptionKey number(const char* key, std::uint32_t O::*field, ValueStart start = ValueStart::after_key) {
    OptionKey option{key, K::Number, start};
    option.number = field;
    return option;
}

constexpr OptionKey length(const char* key, double O::*field, ValueStart start = ValueStart::after_key) {
    OptionKey option{key, K::Length, start};
    option.length = field;
    return option;
}

constexpr OptionKey grid(const char* family, GridList O::*field) {
    OptionKey option{family, K::Grid};
    option.grid = field;
    return option;
}

// A key of a group the writer writes whole or not at all: `group` is on when any of its keys
// marking it was read.
constexpr OptionKey in_group(OptionKey option, bool O::*group, bool marks = true) {
    option.written_if = group;
    if (marks) option.marks = group;
    return option;
}

constexpr OptionKey above_version(OptionKey option, double version) {
    option.written_above_version = version;
    return option;
}

constexpr OptionKey read_only(OptionKey option) {
    option.written = false;
    return option;
}

constexpr OptionKey blank{nullptr, K::BlankLine};

}  // namespace

const OptionKey option_keys[] = {
    {"version:", K::Version, ValueStart::after_blank},
    {"file_version:", K::FileVersion},
    text("project_name:", &O::project_name, 63),
    text("full_library_folder:", &O::full_library_folder, 127),
    text("CAM_folder:", &O::CAM_folder, 127),
    // Written in quotes, which the reader passes over with the blank before them.
    text("ses_file_path:", &O::ses_file_path, 127, &O::dsn_keys_present),
    above_version(in_group(number("SMT_connect_copper:", &O::SMT_connect_copper, ValueStart::after_quote),
                           &O::dsn_keys_present, false),
                  1.3381),
    above_version(in_group(length("default_glue_width:", &O::default_glue_width, ValueStart::after_quote),
                           &O::dsn_keys_present, false),
                  1.3431),
    in_group(number("dsn_flags:", &O::dsn_flags, ValueStart::after_quote), &O::dsn_keys_present),
    in_group(number("dsn_bounds_poly:", &O::dsn_bounds_poly, ValueStart::after_quote), &O::dsn_keys_present),
    in_group(number("dsn_signals_poly:", &O::dsn_signals_poly, ValueStart::after_quote), &O::dsn_keys_present),
    number("autosave_interval:", &O::autosave_interval),
    read_only(number("import_flags:", &O::import_flags)),
    // The key the editor (and our own writer) writes; reading it too keeps the value on a round trip.
    number("netlist_import_flags:", &O::import_flags, ValueStart::after_blank),
    {"units:", K::Units},
    blank,
    grid("visible_grid", &O::visible_grid),
    blank,
    grid("placement_grid", &O::placement_grid),
    blank,
    grid("routing_grid", &O::routing_grid),
    blank,
    number("snap_angle:", &O::snap_angle),
    blank,
    grid("fp_visible_grid", &O::fp_visible_grid),
    blank,
    grid("fp_placement_grid", &O::fp_placement_grid),
    blank,
    number("fp_snap_angle:", &O::fp_snap_angle),
    blank,
    length("fill_clearance:", &O::fill_clearance),
    length("mask_clearance:", &O::mask_clearance),
    length("thermal_width:", &O::thermal_width),
    length("min_silkscreen_width:", &O::min_silkscreen_width),
    length("board_outline_width:", &O::board_outline_width),
    length("hole_clearance:", &O::hole_clearance),
    length("pilot_diameter:", &O::pilot_diameter),
    length("annular_ring_for_pins:", &O::annular_ring_for_pins),
    length("annular_ring_for_vias:", &O::annular_ring_for_vias),
    in_group(length("shrink_paste_mask:", &O::shrink_paste_mask), &O::shrink_paste_mask_present),
    number("cam_flags:", &O::cam_flags),
    number("cam_layers:", &O::cam_layers),
    number("cam_drill_file:", &O::cam_drill_file),
    number("cam_units:", &O::cam_units),
    in_group(number("cam_n_x:", &O::cam_n_x), &O::cam_step_keys_present),
    in_group(number("cam_n_y:", &O::cam_n_y), &O::cam_step_keys_present),
    in_group(length("cam_space_x:", &O::cam_space_x), &O::cam_step_keys_present),
    in_group(length("cam_space_y:", &O::cam_space_y), &O::cam_step_keys_present),
    blank,
    above_version(number("report_options:", &O::report_options), 1.3381),
    number("drc_check_unrouted:", &O::drc_check_unrouted),
    length("drc_trace_width:", &O::drc_trace_width),
    length("drc_pad_pad:", &O::drc_pad_pad),
    length("drc_pad_trace:", &O::drc_pad_trace),
    length("drc_trace_trace:", &O::drc_trace_trace),
    length("drc_hole_copper:", &O::drc_hole_copper),
    length("drc_annular_ring_pins:", &O::drc_annular_ring_pins),
    length("drc_annular_ring_vias:", &O::drc_annular_ring_vias),
    length("drc_board_edge_copper:", &O::drc_board_edge_copper),
    length("drc_board_edge_hole:", &O::drc_board_edge_hole),
    length("drc_hole_hole:", &O::drc_hole_hole),
    length("drc_copper_copper:", &O::drc_copper_copper),
    blank,
    length("default_trace_width:", &O::default_trace_width),
    length("default_via_pad_width:", &O::default_via_pad_width),
    length("default_via_hole_width:", &O::default_via_hole_width),
    {"n_width_menu:", K::WidthMenu},
    blank,
    {"n_copper_layers:", K::CopperLayers},
};

const std::size_t option_key_count = sizeof option_keys / sizeof option_keys[0];

const OptionKey* option_key_of(const char* text) {
    for (const OptionKey& option : option_keys) {
        if (option.key != nullptr && std::strncmp(text, option.key, std::strlen(option.key)) == 0) return &option;
    }
    return nullptr;
}

}  // namespace tarnwick
