#pragma once
// Footprints: their pins with the pad geometry, their graphics and texts.

#include <cstdint>
#include <string>
#include <vector>

#include "board/text.h"

namespace tarnwick {

// One pad, mask or paste opening. Shape codes: 0 none, 1 circle, 2 square, 3 rectangle,
// 4 rounded rectangle, 5 oval, 6 octagon. For shapes 3 to 5 the long side is length1 + length2.
struct PadSpec {
    std::uint32_t shape = 0;
    double width = 0;
    double length1 = 0;
    double length2 = 0;
    double radius = 0;
};

inline constexpr std::uint32_t pad_shape_none = 0;
inline constexpr std::uint32_t pad_shape_circle = 1;
inline constexpr std::uint32_t pad_shape_square = 2;
inline constexpr std::uint32_t pad_shape_rectangle = 3;
inline constexpr std::uint32_t pad_shape_rounded_rectangle = 4;
inline constexpr std::uint32_t pad_shape_oval = 5;
inline constexpr std::uint32_t pad_shape_octagon = 6;

// 1 / cos 22.5 degrees: an octagon's corners lie outside the circle of its width, at 22.5 degrees
// and every 45 degrees on.
inline constexpr double octagon_corner_factor = 1.082392200292394;

// Circles, squares and octagons have one size, their width; the other shapes a width and a length.
inline constexpr bool is_square_like(std::uint32_t shape) {
    return shape == pad_shape_circle || shape == pad_shape_square || shape == pad_shape_octagon;
}

// No drill tool lookup for this pin (a net's default via).
inline constexpr std::uint32_t no_tool_lookup = 0xFFFFFFFFu;

struct FootprintPin {
    std::string name;  // at most 127 characters
    std::uint32_t tool = 0;  // drill tool index; 0 = no drill
    std::uint32_t angle = 0;
    std::uint32_t pad_flags = 0;
    std::uint32_t top_option = 0;
    std::uint32_t no_inner_pad = 0;  // 1 when the inner_pad record gives shape 0
    std::uint32_t inner_option = 0;
    std::uint32_t bottom_option = 0;
    std::uint32_t bare_hole = 0;
    std::uint32_t is_via = 0;
    std::uint32_t padstack = 0;
    double hole = 0;  // 0 for a surface-mount pin
    double x = 0;
    double y = 0;
    PadSpec top_pad;
    PadSpec top_mask;
    PadSpec top_paste;
    PadSpec inner_pad;
    PadSpec bottom_pad;
    PadSpec bottom_mask;
    PadSpec bottom_paste;
};

// A pin with a copper pad on some layer: a pin of the router's image.
inline bool has_pad(const FootprintPin& pin) {
    return pin.top_pad.shape != pad_shape_none || pin.inner_pad.shape != pad_shape_none ||
           pin.bottom_pad.shape != pad_shape_none;
}

// A pin with neither pad nor hole (a fiducial, an alignment mark): no copper and no drill, so
// nothing the router could see or connect.
inline bool has_no_copper(const FootprintPin& pin) { return !has_pad(pin) && pin.hole == 0; }

// A free text of a footprint, written back unchanged.
struct FootprintText {
    std::string text;  // at most 255 characters
    double height = 0;
    double x = 0;
    double y = 0;
    std::uint32_t angle = 0;  // counter-clockwise
    double stroke_width = 0;
    std::uint32_t mirror = 0;
    std::uint32_t layer = 0;  // in the footprint's own numbering of its layers
};

// A corner of an outline polyline; a non-zero style draws the side that ends here as an arc.
struct PolylineCorner {
    double x = 0;
    double y = 0;
    std::uint32_t style = 0;
};

// The copper a footprint polyline lies on: none (a drawing), the top or bottom copper, or every
// inner copper layer.
enum class PolylineCopper : std::uint8_t { none, top, bottom, inner };

struct FootprintPolyline {
    double width = 0;
    double x = 0;  // start point
    double y = 0;
    std::vector<PolylineCorner> corners;  // one per next_corner record, corner_count of them
    std::uint32_t closed = 0;             // 1 when the polyline ends with close_polyline
    std::uint32_t corner_count = 0;
    std::uint32_t close_style = 0;  // 0 when open
    // Copper of the part (an antenna, a heat-sink area), which every other net keeps clear of.
    PolylineCopper copper = PolylineCopper::none;
    bool drawn = true;  // false for what the editor does not draw (the outline of a 3D model)
};

// A dot of glue under the part.
struct Adhesive {
    std::uint32_t kind = 0;  // every real file holds 0 here: what it means cannot be told from one
    double width = 0;
    double x = 0;
    double y = 0;
};

// The rectangle the editor selects the footprint by.
struct SelectionRect {
    double min_x = 0;
    double min_y = 0;
    double max_x = 0;
    double max_y = 0;
};

// Built by the parts reader for the drilled pins of a footprint.
struct CircleKeepout;

// Footprint units as the units: record gives them; 0 before one is read.
inline constexpr std::uint32_t footprint_units_nm = 1;
inline constexpr std::uint32_t footprint_units_mil = 2;

// Bits of graphics_flags: which optional graphics records were seen.
inline constexpr std::uint32_t graphics_centroid = 0x1;
inline constexpr std::uint32_t graphics_centroid_angle = 0x2;
inline constexpr std::uint32_t graphics_value_text = 0x4;

// Bits of FootprintPin::pad_flags: which pad records were seen, for writing them back.
inline constexpr std::uint32_t pad_option_given = 0x001;  // top, bottom or inner pad had its option
inline constexpr std::uint32_t pad_top_mask_seen = 0x002;
inline constexpr std::uint32_t pad_bottom_mask_seen = 0x004;
inline constexpr std::uint32_t pad_top_paste_seen = 0x008;
inline constexpr std::uint32_t pad_bottom_paste_seen = 0x010;
inline constexpr std::uint32_t pad_inner_option_given = 0x020;
inline constexpr std::uint32_t pad_top_pad_seen = 0x040;
inline constexpr std::uint32_t pad_inner_pad_seen = 0x080;
inline constexpr std::uint32_t pad_bottom_pad_seen = 0x100;

struct Footprint {
    std::string name;         // at most 127 characters
    std::string author;       // at most 255 characters
    std::string source;       // at most 255 characters
    std::string description;  // at most 255 characters
    std::uint32_t units = 0;
    std::uint32_t centroid_angle = 0;  // as read, not converted
    std::uint32_t text_count = 0;
    std::uint32_t polyline_count = 0;
    std::uint32_t pin_count = 0;
    std::uint32_t has_bare_hole_pin = 0;  // 1 when a pin is a hole without any copper pad
    std::uint32_t part_count = 0;         // parts using this footprint, counted by the parts reader
    std::uint32_t adhesive_count = 0;
    std::uint32_t keepout_count = 0;  // filled by the parts reader
    std::uint32_t graphics_flags = 0;
    std::uint32_t centroid_type = 0;
    SelectionRect sel_rect;
    TextPlacement ref_text;
    TextPlacement value_text;
    double centroid_x = 0;
    double centroid_y = 0;
    // Pins per drill tool and per padstack, sized by the tables as they stood after this
    // footprint; each ends at its first -1 (two for the tools, one for the padstacks).
    std::vector<std::int32_t> tool_counts;
    std::vector<std::int32_t> padstack_counts;
    std::vector<FootprintText> texts;
    std::vector<FootprintPolyline> polylines;
    std::vector<FootprintPin> pins;  // in file order, pin_count of them
    std::vector<CircleKeepout> keepouts;
    std::vector<Adhesive> adhesives;
};

}  // namespace tarnwick
