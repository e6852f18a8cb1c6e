#pragma once
// Nets with their pins, traces, vias, tees and copper areas; net classes; poly keepouts and the
// per-layer net lists.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// One pin of a net: "<ref>.<pin>" as the file gives it, and where the placed part pin lies.
struct NetPin {
    std::string pin_ref;  // at most 127 characters
    double x = 0;
    double y = 0;
    std::uint32_t layer = 0;  // 0 drilled (all layers), 12 top, 13 bottom
    // The router never sees the pin: its part has no footprint (x, y and layer mean nothing), its
    // footprint lacks the pin, or the pin has neither pad nor hole.
    bool no_position = false;
    // The pin's part has a footprint, but no pin of that name.
    bool unknown_pin = false;
};

// A pin reference "<ref>.<pin>" splits at its first "."; the pin name may hold further dots.
// False when it holds no ".". The parts are views into `pin_ref`.
inline bool split_pin_ref(std::string_view pin_ref, std::string_view& ref, std::string_view& pin) {
    const std::size_t dot = pin_ref.find('.');
    if (dot == std::string_view::npos) return false;
    ref = pin_ref.substr(0, dot);
    pin = pin_ref.substr(dot + 1);
    return true;
}

// One vertex of a trace. The segment that leaves vertex i towards vertex i + 1 is stored in
// vertex i; the last vertex keeps its segment fields 0.
struct Vertex {
    double x = 0;
    double y = 0;
    std::uint32_t layer = 0;
    std::uint32_t flag = 0;
    double via_pad_width = 0;
    double via_hole = 0;
    std::uint32_t tee_id = 0;
    std::uint32_t seg_layer = 0;
    double seg_width = 0;
    // The segment record's last two numbers, kept as read. Every real file holds 0 in both, so
    // what they mean cannot be told from one; by their place, a via's width and hole.
    std::uint32_t seg_via_width = 0;
    std::uint32_t seg_via_hole = 0;
};

// One trace of a net.
struct Connect {
    std::uint32_t start_pin = 0;  // index into the net's pins; compared as a signed number
    std::int32_t end_pin = -1;    // -1 when the trace ends without a pin
    std::uint32_t segment_count = 0;
    std::uint32_t is_ratline = 0;
    std::uint32_t locked = 0;
    std::vector<Vertex> vertices;  // segment_count + 1
};

// Copper layers a via can join: top, bottom and 30 inner layers.
inline constexpr std::size_t via_layer_slots = 32;

struct Via {
    double x = 0;
    double y = 0;
    double pad_width = 0;
    double hole = 0;
    std::uint32_t padstack = 0;
};

struct Tee {
    std::uint32_t id = 0;
    std::uint32_t layer = 0;  // layer of the segment arriving where the tee was first met
    double x = 0;
    double y = 0;
};

struct AreaCorner {
    double x = 0;
    double y = 0;
    std::uint32_t style = 0;        // 0 straight side to the next corner, else an arc
    std::uint32_t end_contour = 0;  // not 0 on the last corner of a contour
};

struct ContourPoint {
    std::uint32_t style = 0;  // 0 for every point made by flattening an arc
    double x = 0;
    double y = 0;
};

// One contour of an area as a polygon, its arcs flattened.
struct AreaContour {
    std::uint32_t point_count = 0;
    double min_x = 0;  // bounding box of the contour's corners; arc points do not widen it
    double min_y = 0;
    double max_x = 0;
    double max_y = 0;
    std::vector<ContourPoint> points;
};

struct Area {
    std::uint32_t corner_count = 0;
    std::uint32_t contour_count = 0;
    std::uint32_t layer = 0;
    std::uint32_t on_plane = 0;  // an ordinary net's area on a power-plane layer
    // An ordinary net's area on a layer that is no copper layer (a drawing layer): no copper, so
    // the design file leaves it out; the board keeps it.
    bool off_copper = false;
    std::uint32_t hatch = 0;  // how the editor hatches the area; kept as read
    std::vector<AreaCorner> corners;
    std::vector<AreaContour> contours;
};

struct Net {
    std::string name;  // at most 127 characters
    std::uint32_t pin_count = 0;
    std::uint32_t connect_count = 0;
    std::uint32_t area_count = 0;
    std::uint32_t plane_area_count = 0;
    std::uint32_t tee_count = 0;
    std::uint32_t via_count = 0;
    std::uint32_t visible = 0;
    std::uint32_t locked_connects = 0;
    std::uint32_t ratline_connects = 0;
    std::uint32_t via_padstack = 0;  // 0 when the net names no via of its own
    std::uint32_t reserved = 0;      // 1 KEEPOUT_ALL, 2 KEEPOUT, 3 KEEPOUT_VIA, 4 POWER_LAYER, else 0
    std::uint32_t net_class = 0;     // 0 = the default class
    double trace_width = 0;
    double via_pad_width = 0;
    double via_hole = 0;
    std::vector<NetPin> pins;
    std::vector<Connect> connects;
    std::vector<Area> areas;
    std::vector<Via> vias;
    std::vector<Tee> tees;
};

// Nets of one trace width and default via. Class 0 is the default class and lists no nets.
struct NetClass {
    double trace_width = 0;
    double via_pad_width = 0;
    double via_hole = 0;
    std::uint32_t via_padstack = 0;
    std::uint32_t net_count = 0;
    std::vector<std::uint32_t> nets;  // member nets in the order they joined
};

struct KeepoutPoint {
    std::uint32_t style = 0;
    std::uint32_t end_contour = 0;
    double x = 0;
    double y = 0;
};

// An area of a KEEPOUT_ALL, KEEPOUT or KEEPOUT_VIA net, its corners as read.
struct PolyKeepout {
    std::uint32_t point_count = 0;
    std::uint32_t via_only = 0;  // the net name contains "VIA"
    std::uint32_t layer = 0;     // 0 (all layers) for the VIA and ALL nets, else the area's layer
    std::vector<KeepoutPoint> points;
};

// A net that has traces or areas on one copper layer.
struct LayerNet {
    std::string net_name;
    std::uint32_t net_index = 0;
    std::uint32_t area_count = 0;  // that net's areas on this layer
};

}  // namespace tarnwick
