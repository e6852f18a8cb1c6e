#include "fpc/board_writer.h"

#include <cmath>

#include "board/units.h"
#include "core/output_file.h"
#include "fpc/footprint_writer.h"
#include "fpc/fork_writer.h"

namespace tarnwick {

namespace {

// Conversions of doubles that cannot be represented give 0 rather than undefined behaviour;
// in range, negative values wrap as the unsigned fields of the file expect.
std::int64_t to_int64(double value) {
    if (!(value > -9.0e18 && value < 9.0e18)) return 0;
    return static_cast<std::int64_t>(value);
}

// A length in nanometres as format_length writes it.
std::string nm_text(double inches) { return format_length(inches * nm_per_inch); }

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
        if (o.version > 1.3431) std::fprintf(out, "default_glue_width: \"%d\"\n", signed_rounded_length(o.default_glue_width));
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

    std::fprintf(out, "fill_clearance: %d\n", signed_rounded_length(o.fill_clearance));
    std::fprintf(out, "mask_clearance: %d\n", signed_rounded_length(o.mask_clearance));
    std::fprintf(out, "thermal_width: %d\n", signed_rounded_length(o.thermal_width));
    std::fprintf(out, "min_silkscreen_width: %d\n", signed_rounded_length(o.min_silkscreen_width));
    std::fprintf(out, "board_outline_width: %d\n", signed_rounded_length(o.board_outline_width));
    std::fprintf(out, "hole_clearance: %d\n", signed_rounded_length(o.hole_clearance));
    std::fprintf(out, "pilot_diameter: %d\n", signed_rounded_length(o.pilot_diameter));
    std::fprintf(out, "annular_ring_for_pins: %d\n", signed_rounded_length(o.annular_ring_for_pins));
    std::fprintf(out, "annular_ring_for_vias: %d\n", signed_rounded_length(o.annular_ring_for_vias));
    if (o.shrink_paste_mask_present) std::fprintf(out, "shrink_paste_mask: %d\n", signed_rounded_length(o.shrink_paste_mask));
    std::fprintf(out, "cam_flags: %u\n", o.cam_flags);
    std::fprintf(out, "cam_layers: %u\n", o.cam_layers);
    std::fprintf(out, "cam_drill_file: %u\n", o.cam_drill_file);
    std::fprintf(out, "cam_units: %u\n", o.cam_units);
    if (o.cam_step_keys_present) {
        std::fprintf(out, "cam_n_x: %u\n", o.cam_n_x);
        std::fprintf(out, "cam_n_y: %u\n", o.cam_n_y);
        std::fprintf(out, "cam_space_x: %d\n", signed_rounded_length(o.cam_space_x));
        std::fprintf(out, "cam_space_y: %d\n", signed_rounded_length(o.cam_space_y));
    }
    if (o.version > 1.3381) {
        std::fprintf(out, "\nreport_options: %u\n", o.report_options);
    } else {
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "drc_check_unrouted: %u\n", o.drc_check_unrouted);
    std::fprintf(out, "drc_trace_width: %d\n", signed_rounded_length(o.drc_trace_width));
    std::fprintf(out, "drc_pad_pad: %d\n", signed_rounded_length(o.drc_pad_pad));
    std::fprintf(out, "drc_pad_trace: %d\n", signed_rounded_length(o.drc_pad_trace));
    std::fprintf(out, "drc_trace_trace: %d\n", signed_rounded_length(o.drc_trace_trace));
    std::fprintf(out, "drc_hole_copper: %d\n", signed_rounded_length(o.drc_hole_copper));
    std::fprintf(out, "drc_annular_ring_pins: %d\n", signed_rounded_length(o.drc_annular_ring_pins));
    std::fprintf(out, "drc_annular_ring_vias: %d\n", signed_rounded_length(o.drc_annular_ring_vias));
    std::fprintf(out, "drc_board_edge_copper: %d\n", signed_rounded_length(o.drc_board_edge_copper));
    std::fprintf(out, "drc_board_edge_hole: %d\n", signed_rounded_length(o.drc_board_edge_hole));
    std::fprintf(out, "drc_hole_hole: %d\n", signed_rounded_length(o.drc_hole_hole));
    std::fprintf(out, "drc_copper_copper: %d\n\n", signed_rounded_length(o.drc_copper_copper));
    std::fprintf(out, "default_trace_width: %d\n", signed_rounded_length(o.default_trace_width));
    std::fprintf(out, "default_via_pad_width: %d\n", signed_rounded_length(o.default_via_pad_width));
    std::fprintf(out, "default_via_hole_width: %d\n", signed_rounded_length(o.default_via_hole_width));
    std::fprintf(out, "n_width_menu: %u\n", static_cast<unsigned>(o.width_menu.size()));
    for (std::size_t i = 0; i < o.width_menu.size(); ++i) {
        const WidthMenuItem& item = o.width_menu[i];
        std::fprintf(out, "  width_menu_item: %u %d %d %d\n", static_cast<unsigned>(i + 1), signed_rounded_length(item.width),
                     signed_rounded_length(item.via_pad_width), signed_rounded_length(item.via_hole));
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

void write_corners(std::FILE* out, const std::vector<OutlineCorner>& corners) {
    std::uint32_t number = 1;
    for (const OutlineCorner& corner : corners) {
        std::fprintf(out, "  corner: %u %s ", number++, nm_text(corner.x).c_str());
        std::fprintf(out, "%s %u\n", nm_text(corner.y).c_str(), corner.style);
    }
}

// Board outlines and solder-mask cutouts. A short outline is written with all its announced
// corners, those the file lacked at (0, 0), so that its line count matches its corner count.
void write_outlines(std::FILE* out, const Board& board) {
    std::fprintf(out, "\n[board]\n");
    for (std::size_t i = 0; i < board.outlines.size(); ++i) {
        const BoardOutline& outline = board.outlines[i];
        std::fprintf(out, "\noutline: %u %u\n", static_cast<unsigned>(outline.corners.size()),
                     static_cast<unsigned>(i));
        write_corners(out, outline.corners);
    }
    std::fprintf(out, "\n[solder_mask_cutouts]\n");
    for (const SmCutout& cutout : board.sm_cutouts) {
        std::fprintf(out, "\nsm_cutout: %u %u %u\n", static_cast<unsigned>(cutout.corners.size()),
                     cutout.second_value, cutout.third_value);
        write_corners(out, cutout.corners);
    }
}

void write_parts(std::FILE* out, const Board& board) {
    const BoardOptions& o = board.options;
    const bool long_records = o.version > 1.3431;
    std::fprintf(out, "\n\n[parts]\n");
    for (const Part& part : board.parts) {
        // A part without footprint gets the empty ref_text: and shape: lines the editor wrote.
        if (part.no_footprint) {
            std::fprintf(out, "\npart: %s\n  ref_text: \n", part.ref.c_str());
        } else {
            std::fprintf(out, "\npart: %s\n  ref_text: %s ", part.ref.c_str(), nm_text(part.ref_text_first).c_str());
            std::fprintf(out, "%s %u ", nm_text(part.ref_text_second).c_str(), convert_angle(part.ref_text_angle));
            std::fprintf(out, "%s ", nm_text(part.ref_text_fourth).c_str());
            std::fprintf(out, "%s", nm_text(part.ref_text_fifth).c_str());
            if (long_records) {
                std::fprintf(out, " %u\n", part.ref_text_sixth);
            } else {
                std::fprintf(out, "\n");
            }
        }
        if (o.always_write_package || !part.package.empty()) {
            std::fprintf(out, "  package: \"%s\"\n", part.package.c_str());
        }
        if (long_records && !part.value.empty()) {
            std::fprintf(out, "  value: \"%s\" %s %s %u %s %s %u\n", part.value.c_str(),
                         nm_text(part.value_first).c_str(), nm_text(part.value_second).c_str(),
                         convert_angle(part.value_angle), nm_text(part.value_fourth).c_str(),
                         nm_text(part.value_fifth).c_str(), part.value_sixth);
        }
        // A part read without a shape: line is written without one: an empty shape could not be
        // read back.
        if (part.no_footprint) {
            std::fprintf(out, "  shape: \n");
        } else if (!part.shape.empty()) {
            std::fprintf(out, "  shape: \"%s\"\n", part.shape.c_str());
        }
        std::fprintf(out, "  pos: %s ", nm_text(part.x).c_str());
        std::fprintf(out, "%s %u %u %u\n", nm_text(part.y).c_str(), part.side, convert_angle(part.rotation),
                     part.locked);
    }
}

void write_connect(std::FILE* out, std::uint32_t number, const Connect& connect) {
    // The counts written are those of the records written, so that the file reads back.
    const std::size_t segments = connect.vertices.empty() ? 0 : connect.vertices.size() - 1;
    std::fprintf(out, "  connect: %u %d %d %u %u\n", number, static_cast<std::int32_t>(connect.start_pin),
                 connect.end_pin, static_cast<unsigned>(segments), connect.locked);
    for (std::size_t v = 0; v < connect.vertices.size(); ++v) {
        const Vertex& vertex = connect.vertices[v];
        const unsigned vertex_number = static_cast<unsigned>(v + 1);
        std::fprintf(out, "    vtx: %u %d %d %u %u %d %d %u\n", vertex_number, signed_rounded_length(vertex.x),
                     signed_rounded_length(vertex.y), vertex.layer, vertex.flag, signed_rounded_length(vertex.via_pad_width),
                     signed_rounded_length(vertex.via_hole), vertex.tee_id);
        if (v < segments) {
            std::fprintf(out, "    seg: %u %u %d %u %u\n", vertex_number, vertex.seg_layer,
                         signed_rounded_length(vertex.seg_width), vertex.seg_value3, vertex.seg_value4);
        }
    }
}

void write_area(std::FILE* out, std::uint32_t number, const Area& area) {
    std::fprintf(out, "  area: %u %u %u %u\n", number, static_cast<unsigned>(area.corners.size()), area.layer,
                 area.third_value);
    std::uint32_t corner_number = 1;
    for (const AreaCorner& corner : area.corners) {
        std::fprintf(out, "    corner: %u %d %d %u %u\n", corner_number++, signed_rounded_length(corner.x),
                     signed_rounded_length(corner.y), corner.style, corner.end_contour);
    }
}

// Every net, the reserved ones (keepouts and power planes) too: a routed board without them
// would lose the user's keepout and plane areas.
void write_nets(std::FILE* out, const Board& board) {
    std::fprintf(out, "\n[nets]\n");
    for (const Net& net : board.nets) {
        std::fprintf(out, "\nnet: \"%s\" %u %u %u %d %d %d %u\n", net.name.c_str(),
                     static_cast<unsigned>(net.pins.size()), static_cast<unsigned>(net.connects.size()),
                     static_cast<unsigned>(net.areas.size()), signed_rounded_length(net.trace_width),
                     signed_rounded_length(net.via_pad_width), signed_rounded_length(net.via_hole), net.visible);
        std::uint32_t number = 1;
        for (const NetPin& pin : net.pins) std::fprintf(out, "  pin: %u %s\n", number++, pin.pin_ref.c_str());
        number = 1;
        for (const Connect& connect : net.connects) write_connect(out, number++, connect);
        number = 1;
        for (const Area& area : net.areas) write_area(out, number++, area);
    }
}

void write_texts(std::FILE* out, const Board& board) {
    std::fprintf(out, "\n[texts]\n\n");
    for (const BoardText& text : board.texts) {
        std::fprintf(out, "text: \"%s\" %d %d %u %u %u %d %d", text.text.c_str(), signed_rounded_length(text.x),
                     signed_rounded_length(text.y), text.third, convert_angle(text.angle), text.fifth,
                     signed_rounded_length(text.sixth), signed_rounded_length(text.seventh));
        if (board.options.long_text_records) std::fprintf(out, " %u", text.eighth);
        std::fprintf(out, "\n\n");
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

void write_fpc_sections(std::FILE* out, const Board& board) {
    // A board of the fork's dialect is written in it, as read wherever nothing changed.
    if (board.fork.active) {
        write_fork_board(out, board);
        return;
    }
    write_options(out, board.options);
    write_footprints(out, board);
    write_outlines(out, board);
    write_parts(out, board);
    write_nets(out, board);
    write_texts(out, board);
    std::fprintf(out, "[end]\n");
}

void write_routed_fpc_file(const Board& board, const RunSettings& settings, Diagnostics& diagnostics) {
    const std::string& name = settings.routed_fpcname;
    diagnostics.fpc_name = name;

    // Written under a temporary name: a failure leaves no half-written board and an earlier one intact.
    OutputFile file(name);
    if (!file.is_open()) fatal_error(20043, strformat("unable to open %s for output", name.c_str()));
    write_fpc_sections(file.stream(), board);
    // A full disk or a failing device must not pass for a written file.
    if (!file.commit()) fatal_error(20044, strformat("error writing %s", name.c_str()));
    std::fprintf(console(), "\n\n    File \"%s\" created,\n\n", name.c_str());
}

}  // namespace tarnwick
