#include "fpc/board_writer.h"

#include <cmath>
#include <memory>

#include "board/units.h"

namespace tarnwick {

namespace {

// Conversions of doubles that cannot be represented give 0 rather than undefined behaviour;
// in range, negative values wrap as the unsigned fields of the file expect.
std::int64_t to_int64(double value) {
    if (!(value > -9.0e18 && value < 9.0e18)) return 0;
    return static_cast<std::int64_t>(value);
}

void write_grid(std::FILE* out, const char* leading, const char* family, const GridList& grid) {
    std::fprintf(out, "%s%s_spacing: %1.6lf\n", leading, family, grid.spacing * nm_per_inch);
    for (const std::string& item : grid.items) std::fprintf(out, "  %s_item: %s\n", family, item.c_str());
}

void write_options(std::FILE* out, const BoardOptions& o) {
    std::fprintf(out, "[options]\n\n");
    std::fprintf(out, "version: %5.3lf\n", o.version);
    std::fprintf(out, "file_version: %5.3lf\n", o.file_version);
    std::fprintf(out, "project_name: \"%s\"\n", o.project_name.c_str());
    std::fprintf(out, "full_library_folder: \"%s\"\n", o.full_library_folder.c_str());
    std::fprintf(out, "CAM_folder: \"%s\"\n", o.CAM_folder.c_str());
    if (o.dsn_keys_present) {
        std::fprintf(out, "ses_file_path: \"%s\"\n", o.ses_file_path.c_str());
        if (o.version > 1.3381) std::fprintf(out, "SMT_connect_copper: \"%u\"\n", o.SMT_connect_copper);
        if (o.version > 1.3431) std::fprintf(out, "default_glue_width: \"%u\"\n", rounded_length(o.default_glue_width));
        std::fprintf(out, "dsn_flags: \"%1u\"\n", o.dsn_flags);
        std::fprintf(out, "dsn_bounds_poly: \"%1u\"\n", o.dsn_bounds_poly);
        std::fprintf(out, "dsn_signals_poly: \"%1u\"\n", o.dsn_signals_poly);
    }
    std::fprintf(out, "autosave_interval: %1u\n", o.autosave_interval);
    std::fprintf(out, "netlist_import_flags: %1u\n", o.import_flags);
    std::fprintf(out, "units: %s\n\n", o.units == 2 ? "MIL" : "MM");
    write_grid(out, "", "visible_grid", o.visible_grid);
    write_grid(out, "\n", "placement_grid", o.placement_grid);
    write_grid(out, "\n", "routing_grid", o.routing_grid);
    std::fprintf(out, "\nsnap_angle: %u\n\n", o.snap_angle);
    write_grid(out, "", "fp_visible_grid", o.fp_visible_grid);
    write_grid(out, "\n", "fp_placement_grid", o.fp_placement_grid);
    std::fprintf(out, "\nfp_snap_angle: %u\n\n", o.fp_snap_angle);

    std::fprintf(out, "fill_clearance: %u\n", rounded_length(o.fill_clearance));
    std::fprintf(out, "mask_clearance: %u\n", rounded_length(o.mask_clearance));
    std::fprintf(out, "thermal_width: %u\n", rounded_length(o.thermal_width));
    std::fprintf(out, "min_silkscreen_width: %u\n", rounded_length(o.min_silkscreen_width));
    std::fprintf(out, "board_outline_width: %u\n", rounded_length(o.board_outline_width));
    std::fprintf(out, "hole_clearance: %u\n", rounded_length(o.hole_clearance));
    std::fprintf(out, "pilot_diameter: %u\n", rounded_length(o.pilot_diameter));
    std::fprintf(out, "annular_ring_for_pins: %u\n", rounded_length(o.annular_ring_for_pins));
    std::fprintf(out, "annular_ring_for_vias: %u\n", rounded_length(o.annular_ring_for_vias));
    if (o.shrink_paste_mask_present) std::fprintf(out, "shrink_paste_mask: %u\n", rounded_length(o.shrink_paste_mask));
    std::fprintf(out, "cam_flags: %u\n", o.cam_flags);
    std::fprintf(out, "cam_layers: %u\n", o.cam_layers);
    std::fprintf(out, "cam_drill_file: %u\n", o.cam_drill_file);
    std::fprintf(out, "cam_units: %u\n", o.cam_units);
    if (o.cam_step_keys_present) {
        std::fprintf(out, "cam_n_x: %u\n", o.cam_n_x);
        std::fprintf(out, "cam_n_y: %u\n", o.cam_n_y);
        std::fprintf(out, "cam_space_x: %u\n", rounded_length(o.cam_space_x));
        std::fprintf(out, "cam_space_y: %u\n", rounded_length(o.cam_space_y));
    }
    if (o.version > 1.3381) {
        std::fprintf(out, "\nreport_options: %u\n", o.report_options);
    } else {
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "drc_check_unrouted: %u\n", o.drc_check_unrouted);
    std::fprintf(out, "drc_trace_width: %u\n", rounded_length(o.drc_trace_width));
    std::fprintf(out, "drc_pad_pad: %u\n", rounded_length(o.drc_pad_pad));
    std::fprintf(out, "drc_pad_trace: %u\n", rounded_length(o.drc_pad_trace));
    std::fprintf(out, "drc_trace_trace: %u\n", rounded_length(o.drc_trace_trace));
    std::fprintf(out, "drc_hole_copper: %u\n", rounded_length(o.drc_hole_copper));
    std::fprintf(out, "drc_annular_ring_pins: %u\n", rounded_length(o.drc_annular_ring_pins));
    std::fprintf(out, "drc_annular_ring_vias: %u\n", rounded_length(o.drc_annular_ring_vias));
    std::fprintf(out, "drc_board_edge_copper: %u\n", rounded_length(o.drc_board_edge_copper));
    std::fprintf(out, "drc_board_edge_hole: %u\n", rounded_length(o.drc_board_edge_hole));
    std::fprintf(out, "drc_hole_hole: %u\n", rounded_length(o.drc_hole_hole));
    std::fprintf(out, "drc_copper_copper: %u\n\n", rounded_length(o.drc_copper_copper));
    std::fprintf(out, "default_trace_width: %u\n", rounded_length(o.default_trace_width));
    std::fprintf(out, "default_via_pad_width: %u\n", rounded_length(o.default_via_pad_width));
    std::fprintf(out, "default_via_hole_width: %u\n", rounded_length(o.default_via_hole_width));
    std::fprintf(out, "n_width_menu: %u\n", static_cast<unsigned>(o.width_menu.size()));
    for (std::size_t i = 0; i < o.width_menu.size(); ++i) {
        const WidthMenuItem& item = o.width_menu[i];
        std::fprintf(out, "  width_menu_item: %u %u %u %u\n", static_cast<unsigned>(i + 1), rounded_length(item.width),
                     rounded_length(item.via_pad_width), rounded_length(item.via_hole));
    }
    std::fprintf(out, "\nn_copper_layers: %u\n", o.n_copper_layers);
    // A board without a layer list still gets the twelve non-copper entries, empty.
    const LayerListEntry empty;
    for (std::uint32_t i = 0; i < o.n_copper_layers + non_copper_layers; ++i) {
        const LayerListEntry& layer = i < o.layer_list.size() ? o.layer_list[i] : empty;
        std::fprintf(out, "  layer_info: \"%s\" %u %u %u %u %u\n", layer.name.c_str(), i, layer.color[0],
                     layer.color[1], layer.color[2], layer.visible);
    }
}

}  // namespace

std::string format_length(double value) {
    std::string text = strformat("%6.6lf", value + 0.0);
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    return text;
}

std::uint32_t rounded_length(double inches) {
    return static_cast<std::uint32_t>(to_int64(inches * nm_per_inch + 0.5));
}

std::int32_t signed_rounded_length(double inches) {
    const double nm = inches * nm_per_inch;
    return static_cast<std::int32_t>(to_int64(nm >= 0 ? nm + 0.5 : nm - 0.5));
}

void write_fpc_sections(std::FILE* out, const Board& board, bool listing) {
    (void)listing;
    write_options(out, board.options);
    std::fprintf(out, "[end]\n");
}

void write_routed_fpc_file(const Board& board, RunSettings& settings, Diagnostics& diagnostics, const char* suffix) {
    const std::size_t dot = settings.fpcname.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : settings.fpcname.substr(dot);
    const std::string stem = dot == std::string::npos ? settings.fpcname : settings.fpcname.substr(0, dot);
    settings.fpcname = stem + suffix + extension;
    diagnostics.fpc_name = settings.fpcname;

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(settings.fpcname.c_str(), "w"), &std::fclose);
    if (!file) fatal_error(20043, strformat("unable to open %s for output", settings.fpcname.c_str()));
    write_fpc_sections(file.get(), board, false);
    file.reset();
    std::fprintf(console(), "\n\n    File \"%s\" created,\n\n", settings.fpcname.c_str());
}

}  // namespace tarnwick
