#pragma once
// The board database: every table that the board file fills and the writers read.

#include <cstdint>
#include <string>
#include <vector>

#include "board/footprint.h"
#include "board/kept_records.h"
#include "board/net.h"
#include "board/outline.h"
#include "board/part.h"
#include "board/text.h"

namespace tarnwick {

struct GridList {
    double spacing = 0;
    std::vector<std::string> items;  // one word each, at most 63 characters
};

struct WidthMenuItem {
    double width = 0;
    double via_pad_width = 0;
    double via_hole = 0;
};

// One entry of the options' layer list; the four values are kept modulo 256.
struct LayerListEntry {
    std::string name;  // at most 31 characters
    std::uint8_t color[3] = {0, 0, 0};
    std::uint8_t visible = 0;
};

struct CopperLayerInfo {
    std::uint32_t is_plane = 0;   // a POWER_LAYER area lies on the layer
    std::uint32_t direction = 0;  // 0 horizontal, 1 vertical
    std::uint32_t net_count = 0;
    std::vector<LayerNet> layer_nets;  // nets with traces or areas here, in the order first met
};

struct BoardOptions {
    double version = 0;
    double file_version = 0;
    std::string project_name;         // at most 63 characters
    std::string full_library_folder;  // at most 127 characters
    std::string CAM_folder;
    std::string ses_file_path;
    std::uint32_t SMT_connect_copper = 0;
    double default_glue_width = 0;
    std::uint32_t dsn_bounds_poly = 0;
    std::uint32_t dsn_signals_poly = 0;
    std::uint32_t dsn_flags = 0;
    std::uint32_t autosave_interval = 0;
    std::uint32_t import_flags = 0;
    std::uint32_t units = 0;  // 2 MIL, 1 MM, 0 not given
    GridList visible_grid;
    GridList placement_grid;
    GridList routing_grid;
    GridList fp_visible_grid;
    GridList fp_placement_grid;
    std::uint32_t snap_angle = 0;
    std::uint32_t fp_snap_angle = 0;
    double fill_clearance = 0;
    double mask_clearance = 0;
    double thermal_width = 0;
    double min_silkscreen_width = 0;
    double board_outline_width = 0;
    double hole_clearance = 0;
    double pilot_diameter = 0;
    double annular_ring_for_pins = 0;
    double annular_ring_for_vias = 0;
    double shrink_paste_mask = 0;
    bool shrink_paste_mask_present = false;
    std::uint32_t cam_flags = 0;
    std::uint32_t cam_layers = 0;
    std::uint32_t cam_drill_file = 0;
    std::uint32_t cam_units = 0;
    std::uint32_t cam_n_x = 0;
    std::uint32_t cam_n_y = 0;
    double cam_space_x = 0;
    double cam_space_y = 0;
    std::uint32_t report_options = 0;
    std::uint32_t drc_check_unrouted = 0;
    double drc_trace_width = 0;
    double drc_pad_pad = 0;
    double drc_pad_trace = 0;
    double drc_trace_trace = 0;
    double drc_hole_copper = 0;
    double drc_annular_ring_pins = 0;
    double drc_annular_ring_vias = 0;
    double drc_board_edge_copper = 0;
    double drc_board_edge_hole = 0;
    double drc_hole_hole = 0;
    double drc_copper_copper = 0;
    double default_trace_width = 0;
    double default_via_pad_width = 0;
    double default_via_hole_width = 0;
    std::uint32_t n_width_menu = 0;
    std::vector<WidthMenuItem> width_menu;
    std::uint32_t n_copper_layers = 0;
    std::vector<LayerListEntry> layer_list;  // n_copper_layers + 12 entries
    bool long_text_records = false;
    bool always_write_package = false;
    bool dsn_keys_present = false;
    bool cam_step_keys_present = false;
};

// Pad dimensions of one padstack layer, each at four decimals.
struct PadstackLayer {
    double wide = 0;
    double high = 0;
    double radius = 0;
};

// A padstack is named by its place in the table (padstack_name).
struct Padstack {
    std::uint32_t top_shape = 0;
    std::uint32_t inner_shape = 0;
    std::uint32_t bottom_shape = 0;
    std::uint32_t use_count = 0;
    std::uint32_t bare_hole = 0;
    std::uint32_t is_via = 0;
    double hole = 0;
    PadstackLayer top;
    PadstackLayer inner;
    PadstackLayer bottom;
};

// A pad of no size (a width or a length of 0 or less) is no copper: there is nothing for the
// router to connect, and it takes such a shape for no area at all. `shape` is the layer's pad
// shape code; a code beyond the known shapes counts as copper, so that it is never left out
// (the loader refuses such a pad; the design file stops at one given to it otherwise, 40760).
inline bool has_area(std::uint32_t shape, const PadstackLayer& layer) {
    if (shape == pad_shape_none) return false;
    if (shape > pad_shape_octagon) return true;
    if (!(layer.wide > 0)) return false;
    return is_square_like(shape) || layer.high > 0;
}

// The copper of a padstack, layer by layer: its pad there has an area. On the inner layers
// that is the inner pad, or the ring that stands in for it.
inline bool has_top_copper(const Padstack& padstack) { return has_area(padstack.top_shape, padstack.top); }
inline bool has_inner_copper(const Padstack& padstack) { return has_area(padstack.inner_shape, padstack.inner); }
inline bool has_bottom_copper(const Padstack& padstack) { return has_area(padstack.bottom_shape, padstack.bottom); }

struct DrillTool {
    std::uint32_t def_count = 0;
    std::uint32_t used_count = 0;
    std::uint32_t via_count = 0;
    double diameter = 0;
};

// Counts the section readers keep for the info report.
struct BoardStats {
    std::uint32_t footprints = 0;
    std::uint32_t footprint_pins = 0;
    std::uint32_t footprint_texts = 0;
    std::uint32_t footprint_text_characters = 0;
    std::uint32_t outlines = 0;
    std::uint32_t outline_corners = 0;
    std::uint32_t sm_cutouts = 0;
    std::uint32_t sm_cutout_corners = 0;
    std::uint32_t parts = 0;
    std::uint32_t nets = 0;
    std::uint32_t net_pins = 0;
    std::uint32_t connects = 0;
    std::uint32_t areas = 0;
    std::uint32_t ratline_segments = 0;
    std::uint32_t texts = 0;
    std::uint32_t source_lines = 0;
    // What the design file leaves out: net pins naming a pin their footprint lacks or a part
    // the board does not have, and footprint pins with neither pad nor hole.
    std::uint32_t unknown_net_pins = 0;
    std::uint32_t unknown_part_net_pins = 0;
    std::uint32_t pins_without_copper = 0;
};

// The board file's lines as read, for a writer that writes back what the board does not change.
struct SourceText {
    std::vector<std::string> lines;  // without their line feeds
    std::string line_end = "\n";     // the line end of the first line
    bool final_line_end = true;      // the last line has a line feed
    // The file's own numbering of its layers: its top copper layer is this number.
    std::uint32_t non_copper_layers = 12;
};

// The format of the board file the board was read from, and so written back in.
enum class BoardFileFormat { fpc, fpc2 };

struct Board {
    BoardOptions options;
    std::vector<CopperLayerInfo> copper_layers;  // top, bottom, inner 1, inner 2, ...
    std::vector<Padstack> padstacks;             // entry 0 is "DefVia"
    std::vector<DrillTool> tools;                // entry 0 means no drill, made by the first lookup
    BoardStats stats;

    // Footprints with their pins and graphics.
    std::vector<Footprint> footprints;

    // Board outlines, holes and solder-mask cutouts.
    std::vector<BoardOutline> outlines;
    std::vector<BoardHole> holes;
    std::vector<SmCutout> sm_cutouts;
    // The outline numbers (from 1) of the PCB boundary and the signal boundary, as selected.
    std::uint32_t pcb_outline = 0;
    std::uint32_t signal_outline = 0;

    // Parts and their pins.
    std::vector<Part> parts;
    bool parts_at_any_angle = false;  // else only at right angles

    // Nets, classes, areas and keepouts.
    std::vector<Net> nets;
    std::vector<NetClass> net_classes;     // entry 0 is the default class
    std::vector<PolyKeepout> poly_keepouts;

    // Free texts.
    std::vector<BoardText> texts;

    BoardFileFormat file_format = BoardFileFormat::fpc;
    SourceText source;  // kept only where the board's writer writes lines back as read
    KeptRecords kept;   // of a 1.3xx board, when it is to be written back

    // Outline bounds in inches, set before the board outlines are read.
    double outline_min_x = 1000000;
    double outline_min_y = 1000000;
    double outline_max_x = -1000000;
    double outline_max_y = -1000000;
};

}  // namespace tarnwick
