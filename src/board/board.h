#pragma once
// The board database: every table that the board file fills and the writers read.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "board/footprint.h"
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

// The entries of a layer's net list by net name, the first of each name, for the first
// `indexed` entries: note_layer_net takes in the later ones before it looks, so that a trace
// segment finds its net without walking the list.
struct LayerNetLookup {
    std::unordered_map<std::string, std::uint32_t> by_name;
    std::size_t indexed = 0;
};

struct CopperLayerInfo {
    std::uint32_t is_plane = 0;   // a POWER_LAYER area lies on the layer
    std::uint32_t direction = 0;  // 0 horizontal, 1 vertical
    std::uint32_t net_count = 0;
    std::vector<LayerNet> layer_nets;  // nets with traces or areas here, in the order first met
    LayerNetLookup lookup;
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

struct Padstack {
    std::string name;  // "DefVia", or "Pad"/"Via" and index + 100
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

// What a padstack must match exactly for a pin to share it: pin or via, the outer shapes and
// the hole as it reads at four decimals (its bits; -0 counts as 0).
struct PadstackKey {
    std::uint64_t hole = 0;
    std::uint32_t top_shape = 0;
    std::uint32_t bottom_shape = 0;
    std::uint32_t is_via = 0;
    bool operator==(const PadstackKey&) const = default;
};

// Every field of a pin that the padstack comparison reads, bit for bit, after the pin's
// normalisation, and the annular ring it is compared with.
struct PadstackPinKey {
    std::uint64_t words[16] = {};
    bool operator==(const PadstackPinKey&) const = default;
};

struct PadstackKeyHash {
    static std::size_t mix(std::size_t hash, std::uint64_t word) {
        return (hash ^ (word + 0x9E3779B97F4A7C15ULL + (hash << 6) + (hash >> 2))) * 0x100000001B3ULL;
    }
    std::size_t operator()(const PadstackKey& key) const {
        std::size_t hash = mix(0, key.hole);
        return mix(hash, (std::uint64_t{key.top_shape} << 33) ^ (std::uint64_t{key.bottom_shape} << 1) ^ key.is_via);
    }
    std::size_t operator()(const PadstackPinKey& key) const {
        std::size_t hash = 0;
        for (const std::uint64_t word : key.words) hash = mix(hash, word);
        return hash;
    }
};

// Lookups of the padstack and drill tool tables, so that resolving a pin does not compare it
// with every entry. Derived from the tables, which only ever grow: each covers the entries up
// to its count and takes in later ones (added by resolve_padstack or otherwise) before it is
// used; tables that shrank are indexed anew.
struct PadstackLookup {
    // Padstacks by key, each list in table order; entries whose hole reads as no number are left
    // out, as they match no pin.
    std::unordered_map<PadstackKey, std::vector<std::uint32_t>, PadstackKeyHash> by_key;
    std::size_t padstacks_indexed = 0;
    // Pins resolved before and the padstack they share: a pin just like one of them shares the
    // same one, as the table only grew after it.
    std::unordered_map<PadstackPinKey, std::uint32_t, PadstackKeyHash> by_pin;
    // Drill tools by their diameter's bits at four decimals, the first of each; and holes
    // resolved before by their own bits.
    std::unordered_map<std::uint64_t, std::uint32_t> tools_by_diameter;
    std::size_t tools_indexed = 0;
    std::unordered_map<std::uint64_t, std::uint32_t> tools_by_hole;
};

// Net classes by trace width (bits; -0 counts as 0) and via padstack, the first of each, for the
// first `indexed` classes.
struct NetClassLookup {
    std::unordered_map<std::uint64_t, std::unordered_map<std::uint32_t, std::uint32_t>> by_width_and_via;
    std::size_t indexed = 0;
};

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
    // What the design file leaves out: net pins naming a pin their footprint lacks, and
    // footprint pins with neither pad nor hole.
    std::uint32_t unknown_net_pins = 0;
    std::uint32_t pins_without_copper = 0;
};

struct Board {
    BoardOptions options;
    std::vector<CopperLayerInfo> copper_layers;  // top, bottom, inner 1, inner 2, ...
    std::vector<Padstack> padstacks;             // entry 0 is "DefVia"
    std::vector<DrillTool> tools;                // entry 0 means no drill, made by the first lookup
    PadstackLookup padstack_lookup;
    BoardStats stats;

    // Footprints with their pins and graphics.
    std::vector<Footprint> footprints;

    // Board outlines and solder-mask cutouts.
    std::vector<BoardOutline> outlines;
    std::vector<SmCutout> sm_cutouts;
    // The outline numbers (from 1) of the PCB boundary and the signal boundary, as selected.
    std::uint32_t pcb_outline = 0;
    std::uint32_t signal_outline = 0;

    // Parts and their pins.
    std::vector<Part> parts;

    // Nets, classes, areas and keepouts.
    std::vector<Net> nets;
    std::vector<NetClass> net_classes;     // entry 0 is the default class
    NetClassLookup net_class_lookup;
    std::vector<PolyKeepout> poly_keepouts;
    std::uint32_t fromto_warned_nets = 0;  // nets that got the missing-FROMTO warning

    // Free texts.
    std::vector<BoardText> texts;

    // Outline bounds in inches, set before the board outlines are read.
    double outline_min_x = 1000000;
    double outline_min_y = 1000000;
    double outline_max_x = -1000000;
    double outline_max_y = -1000000;
};

}  // namespace tarnwick
