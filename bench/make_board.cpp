// make_board: writes a synthetic board file of any size and the session file a router would
// return for it, for the benchmarks. The same part count always gives the same two files.
//
//   make_board PARTS OUT_STEM      writes OUT_STEM.fpc and OUT_STEM.ses
//
// The board mixes chip parts (in nanometres), SOIC and QFP packages, DIP packages and pin
// headers (in mils), test points and bare mounting holes, on both sides and in all four
// rotations; about PARTS / 2 nets with traces, vias and tees; a ground plane with cut-outs on a
// power layer, a supply area and small signal areas, keepouts, several net classes and names
// that need quoting. The session places every part (a few moved or locked), routes every net,
// and holds the router's usual extras: repeated wires and vias, stitching vias, polygons with
// windows and a net the board does not have.

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using i64 = std::int64_t;

constexpr i64 mil = 25400;        // nanometres
constexpr i64 session_unit = 254;  // 0.01 mil, the session's resolution

// A deterministic generator (splitmix64), so that every run writes the same files.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool chance(int percent) { return below(1000) < percent * 10; }

private:
    std::uint64_t state_;
};

// FNV-1a, so that the routes drawn for a net depend on its name alone, on any platform.
std::uint64_t name_seed(const std::string& name, std::uint64_t salt) {
    std::uint64_t h = 0xCBF29CE484222325ULL ^ salt;
    for (const char c : name) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    return h;
}

// ---- Footprints ----------------------------------------------------------------------------

struct Pad {
    int shape = 0;  // 0 none, 1 circle, 2 square, 3 rectangle, 4 rounded rectangle, 5 oval, 6 octagon
    i64 width = 0, length1 = 0, length2 = 0, radius = 0;
};

struct PinDef {
    std::string name;
    i64 hole = 0, x = 0, y = 0;  // nanometres
    int angle = 0;
    Pad top, inner, bottom;
    bool inner_line = false;  // a drilled pin writes its inner_pad line
};

struct Footprint {
    std::string name;
    bool mils = false;
    std::vector<PinDef> pins;
    i64 half_w = 0, half_h = 0;  // extent around the origin, for the placement
    int kind = 0;
    int gnd_pin = -1, vcc_pin = -1;  // pins tied to the supply nets, -1 for none
};

enum Kind { chip, soic, dip, header, qfp, test_point, mounting_hole, kind_count };

Pad rect(i64 w, i64 l) { return Pad{3, w, l / 2, l / 2, 0}; }

void add_extent(Footprint& fp) {
    for (const PinDef& p : fp.pins) {
        const i64 r = std::max({p.top.width, p.top.length1 * 2, p.hole, 40 * mil}) / 2 + 10 * mil;
        fp.half_w = std::max(fp.half_w, (p.x < 0 ? -p.x : p.x) + r);
        fp.half_h = std::max(fp.half_h, (p.y < 0 ? -p.y : p.y) + r);
    }
}

Footprint make_chip(const char* size, i64 pitch, i64 w, i64 l, int variant) {
    Footprint fp;
    fp.kind = chip;
    fp.name = std::string(size) + (variant == 0 ? "" : "-V" + std::to_string(variant));
    const Pad pad = variant % 3 == 2 ? Pad{4, w + variant * 2540, l / 2, l / 2, w / 8} : rect(w + variant * 2540, l);
    for (int i = 0; i < 2; ++i) {
        PinDef p;
        p.name = std::to_string(i + 1);
        p.x = i == 0 ? -pitch / 2 : pitch / 2;
        p.angle = 90;
        p.top = pad;
        fp.pins.push_back(p);
    }
    fp.gnd_pin = 1;
    add_extent(fp);
    return fp;
}

Footprint make_soic(int n, int variant) {
    Footprint fp;
    fp.kind = soic;
    fp.mils = true;
    fp.name = "SOIC-" + std::to_string(n) + (variant == 0 ? "" : "_V" + std::to_string(variant));
    const int half = n / 2;
    for (int i = 0; i < n; ++i) {
        PinDef p;
        p.name = std::to_string(i + 1);
        const int column = i < half ? i : n - 1 - i;
        p.x = (column * 50 - (half - 1) * 25) * mil;
        p.y = (i < half ? -110 : 110) * mil;
        p.angle = 90;
        p.top = rect((24 + variant) * mil, 70 * mil);
        fp.pins.push_back(p);
    }
    fp.gnd_pin = half - 1;
    fp.vcc_pin = n - 1;
    add_extent(fp);
    return fp;
}

Footprint make_dip(int n) {
    Footprint fp;
    fp.kind = dip;
    fp.mils = true;
    fp.name = "DIP" + std::to_string(n);
    const int half = n / 2;
    for (int i = 0; i < n; ++i) {
        PinDef p;
        p.name = std::to_string(i + 1);
        const int column = i < half ? i : n - 1 - i;
        p.x = (column * 100 - (half - 1) * 50) * mil;
        p.y = (i < half ? -150 : 150) * mil;
        p.hole = 32 * mil;
        p.top = Pad{i == 0 ? 2 : 1, 60 * mil, 0, 0, 0};
        p.bottom = p.top;
        p.inner_line = true;  // inner shape 0: the annular ring makes the inner pad
        fp.pins.push_back(p);
    }
    fp.gnd_pin = half - 1;
    fp.vcc_pin = n - 1;
    add_extent(fp);
    return fp;
}

Footprint make_header(int n) {
    Footprint fp;
    fp.kind = header;
    fp.mils = true;
    fp.name = "HDR 1x" + std::to_string(n);  // a name with a blank: quoted everywhere
    for (int i = 0; i < n; ++i) {
        PinDef p;
        p.name = std::to_string(i + 1);
        p.x = (i * 100 - (n - 1) * 50) * mil;
        p.hole = 40 * mil;
        p.top = Pad{5, 60 * mil, 40 * mil, 40 * mil, 0};
        p.inner = Pad{1, 60 * mil, 0, 0, 0};
        p.bottom = p.top;
        p.inner_line = true;
        fp.pins.push_back(p);
    }
    fp.gnd_pin = n - 1;
    add_extent(fp);
    return fp;
}

Footprint make_qfp(int n) {
    Footprint fp;
    fp.kind = qfp;
    fp.name = "QFP-" + std::to_string(n);
    const int side = n / 4;
    const i64 pitch = 800000;
    const i64 row = (side + 3) * pitch / 2;
    for (int i = 0; i < n; ++i) {
        PinDef p;
        p.name = std::to_string(i + 1);
        const int s = i / side;
        const i64 along = (i % side) * pitch - (side - 1) * pitch / 2;
        const i64 xs[4] = {-row, along, row, -along};
        const i64 ys[4] = {-along, -row, along, row};
        p.x = xs[s];
        p.y = ys[s];
        p.angle = s % 2 == 0 ? 0 : 90;
        p.top = Pad{4, 450000, 750000, 750000, 100000};
        fp.pins.push_back(p);
    }
    fp.gnd_pin = side - 1;
    fp.vcc_pin = n - 1;
    add_extent(fp);
    return fp;
}

Footprint make_test_point() {
    Footprint fp;
    fp.kind = test_point;
    fp.mils = true;
    fp.name = "TP";
    PinDef p;
    p.name = "1";
    p.hole = 35 * mil;
    p.top = Pad{6, 70 * mil, 0, 0, 0};
    p.bottom = p.top;
    p.inner_line = true;
    fp.pins.push_back(p);
    add_extent(fp);
    return fp;
}

Footprint make_mounting_hole() {
    Footprint fp;
    fp.kind = mounting_hole;
    fp.name = "MTG-3.2";
    PinDef p;
    p.name = "1";
    p.hole = 3200000;  // a bare hole: no copper, a keepout on every layer
    p.inner_line = true;
    fp.pins.push_back(p);
    add_extent(fp);
    return fp;
}

// ---- Parts and placement -------------------------------------------------------------------

struct Placement {
    i64 x = 0, y = 0;
    int side = 0;      // 0 top, 1 bottom
    int rotation = 0;  // counter-clockwise, as the design file and the session give it
    bool locked = false;
};

struct Part {
    std::string ref;
    std::string value;
    int footprint = 0;
    Placement board;    // as the board file holds it
    Placement session;  // as the router returns it
};

// The file counts degrees clockwise.
int file_angle(int ccw) { return (360 - ccw) % 360; }

struct Point {
    i64 x = 0, y = 0;
};

// A footprint pin on the board, by the part's place, side and rotation (the loader's rule).
Point place_pin(const Placement& at, const PinDef& pin) {
    const i64 px = at.side == 1 ? -pin.x : pin.x;
    const i64 py = pin.y;
    switch (at.rotation) {
        case 90:
            return {at.x - py, at.y + px};
        case 180:
            return {at.x - px, at.y - py};
        case 270:
            return {at.x + py, at.y - px};
        default:
            return {at.x + px, at.y + py};
    }
}

// 0 for a drilled pin, else the copper layer of its pad on this side.
int pin_layer(const Placement& at, const PinDef& pin) {
    if (pin.hole != 0) return 0;
    return at.side == 0 ? 12 : 13;
}

// ---- Nets and routes -----------------------------------------------------------------------

struct NetPin {
    int part = 0;
    int pin = 0;
};

struct Vertex {
    Point at;
    int layer_after = 0;  // layer of the segment that leaves it; 0 on the last vertex
    bool via = false;
    int tee = 0;
};

// One trace: from a net pin to a net pin, or to a tee or a via (end_pin -1).
struct Trace {
    int start_pin = 0;
    int end_pin = -1;
    std::vector<Vertex> vertices;
    bool locked = false;
    bool ratline = false;  // a rat-line to a stitching via
};

struct Area {
    int layer = 12;
    std::vector<std::vector<Point>> contours;  // the outline, then its cut-outs
    int arc_corner = -1;                       // corner of the outline whose side is an arc
};

struct Net {
    std::string name;
    std::vector<NetPin> pins;
    i64 width = 0;
    i64 via_pad = 0, via_hole = 0;  // the net's own via, 0 for the default
    bool routed_on_board = false;
    std::vector<Area> areas;
    std::vector<Point> stitching_vias;
    int reserved = 0;  // 1 a keepout net, 2 the power layer marker
};

struct Design {
    std::vector<Footprint> footprints;
    std::vector<Part> parts;
    std::vector<Net> nets;
    i64 width = 0, height = 0;  // board outline
    int tee_ids = 1000;
};

// Vertices of the route from a to b that the router and the editor alike would draw: straight,
// or a dogleg through (b.x, a.y); some change to the inner layer and back through two vias, and
// pads on opposite sides always change layer through one.
std::vector<Vertex> route(Random& random, Point a, int la, Point b, int lb) {
    std::vector<Vertex> v;
    int layer = la != 0 ? la : (lb != 0 ? lb : 12 + random.below(2));
    const bool other_side = la != 0 && lb != 0 && la != lb;
    const i64 mx = a.x == b.x ? a.x + 40 * mil : (a.x + b.x) / 2;
    if (other_side) {
        v.push_back({a, layer});
        v.push_back({{mx, a.y}, lb, true});
        if (a.y != b.y) v.push_back({{mx, b.y}, lb});
        v.push_back({b, 0});
    } else if (a.x != b.x && a.y != b.y && random.chance(15)) {
        v.push_back({a, layer});
        v.push_back({{mx, a.y}, 15, true});
        v.push_back({{mx, b.y}, layer, true});
        v.push_back({b, 0});
    } else {
        v.push_back({a, layer});
        if (a.x != b.x && a.y != b.y) v.push_back({{b.x, a.y}, layer});
        v.push_back({b, 0});
    }
    return v;
}

// The traces of a net for a placement: pin to pin along the list; the third pin joins the
// first trace at a tee where the layers allow it; supply pins run a short stub to a via into
// the plane.
std::vector<Trace> net_traces(Design& design, Random& random, const Net& net, bool session_side) {
    std::vector<Trace> traces;
    auto where = [&](int n) {
        const Part& part = design.parts[static_cast<std::size_t>(net.pins[static_cast<std::size_t>(n)].part)];
        const Placement& at = session_side ? part.session : part.board;
        const PinDef& pin = design.footprints[static_cast<std::size_t>(part.footprint)]
                                .pins[static_cast<std::size_t>(net.pins[static_cast<std::size_t>(n)].pin)];
        return std::make_pair(place_pin(at, pin), pin_layer(at, pin));
    };
    const int count = static_cast<int>(net.pins.size());
    if (net.reserved != 0) return traces;
    if (net.name == "GND" || net.name == "VCC") {
        for (int n = 0; n < count; ++n) {
            const auto [p, layer] = where(n);
            if (layer == 0) continue;  // a drilled pin reaches the plane itself
            Trace t;
            t.start_pin = n;
            t.vertices.push_back({p, layer});
            t.vertices.push_back({{p.x + 30 * mil, p.y + 20 * mil}, 0, true});
            traces.push_back(t);
        }
        for (const Point& via : net.stitching_vias) {
            Trace t;  // the editor's way to keep a via no trace reaches: a rat-line to it
            t.ratline = true;
            t.start_pin = static_cast<int>(static_cast<std::uint64_t>(via.x / mil) % static_cast<std::uint64_t>(count));
            const auto [p, layer] = where(t.start_pin);
            t.vertices.push_back({p, 6});
            t.vertices.push_back({via, 0, true});
            traces.push_back(t);
        }
        return traces;
    }
    int tee_id = 0;
    Point tee_at;
    int tee_layer = 0;
    for (int n = 1; n < count; ++n) {
        const auto [a, la] = where(n - 1);
        const auto [b, lb] = where(n);
        Trace t;
        t.start_pin = n - 1;
        t.end_pin = n;
        t.locked = n == 1 && net.name.size() % 5 == 0;
        if (n == 2 && tee_id != 0 && (lb == 0 || lb == tee_layer)) {
            // The third pin meets the first trace at its corner.
            t.start_pin = n;
            t.end_pin = -1;
            t.vertices.push_back({b, tee_layer});
            if (b.x != tee_at.x && b.y != tee_at.y) t.vertices.push_back({{tee_at.x, b.y}, tee_layer});
            t.vertices.push_back({tee_at, 0, false, tee_id});
            traces.push_back(t);
            continue;
        }
        t.vertices = route(random, a, la, b, lb);
        if (n == 1 && count >= 3 && t.vertices.size() == 3 && !t.vertices[1].via) {
            tee_id = ++design.tee_ids;
            t.vertices[1].tee = tee_id;
            tee_at = t.vertices[1].at;
            tee_layer = t.vertices[1].layer_after;
        }
        traces.push_back(t);
    }
    return traces;
}

// ---- Writing the board file ----------------------------------------------------------------

// A length of a footprint in its own unit: whole mils, or nanometres.
std::string length(const Footprint& fp, i64 nm) {
    char text[32];
    if (fp.mils) {
        std::snprintf(text, sizeof text, "%" PRId64, nm / mil);
    } else {
        std::snprintf(text, sizeof text, "%" PRId64, nm);
    }
    return text;
}

void write_pad(std::FILE* out, const char* key, const Footprint& fp, const Pad& pad) {
    std::fprintf(out, "      %s %d %s %s %s %s\n", key, pad.shape, length(fp, pad.width).c_str(),
                 length(fp, pad.length1).c_str(), length(fp, pad.length2).c_str(), length(fp, pad.radius).c_str());
}

void write_options(std::FILE* out, const std::string& name) {
    std::fprintf(out,
                 "[options]\n\nversion: 1.359\nfile_version: 1.344\nproject_name: \"%s\"\n"
                 "full_library_folder: \"lib\"\nCAM_folder: \"CAM\"\nses_file_path: \"\"\nSMT_connect_copper: \"1\"\n"
                 "default_glue_width: \"635000\"\ndsn_flags: \"0\"\ndsn_bounds_poly: \"0\"\ndsn_signals_poly: \"0\"\n"
                 "autosave_interval: 0\nnetlist_import_flags: 903\nunits: MM\n\n",
                 name.c_str());
    const char* grids[] = {"visible_grid", "placement_grid", "routing_grid", "fp_visible_grid", "fp_placement_grid"};
    for (const char* grid : grids) {
        std::fprintf(out, "%s_spacing: 1000000.000000\n  %s_item: 100MIL\n  %s_item: 1MM\n\n", grid, grid, grid);
        if (std::string(grid) == "routing_grid") std::fprintf(out, "snap_angle: 45\n\n");
    }
    std::fprintf(out,
                 "fp_snap_angle: 45\n\nfill_clearance: 254000\nmask_clearance: 25400\nthermal_width: 508000\n"
                 "min_silkscreen_width: 101600\nboard_outline_width: 101600\nhole_clearance: 381000\n"
                 "pilot_diameter: 254000\nannular_ring_for_pins: 203200\nannular_ring_for_vias: 203200\n"
                 "shrink_paste_mask: 0\ncam_flags: 6192\ncam_layers: 1048831\ncam_drill_file: 1\ncam_units: 2\n"
                 "cam_n_x: 1\ncam_n_y: 1\ncam_space_x: 0\ncam_space_y: 0\n\nreport_options: 0\n"
                 "drc_check_unrouted: 1\ndrc_trace_width: 152400\ndrc_pad_pad: 152400\ndrc_pad_trace: 152400\n"
                 "drc_trace_trace: 152400\ndrc_hole_copper: 254000\ndrc_annular_ring_pins: 203200\n"
                 "drc_annular_ring_vias: 152400\ndrc_board_edge_copper: 254000\ndrc_board_edge_hole: 1016000\n"
                 "drc_hole_hole: 304800\ndrc_copper_copper: 152400\n\ndefault_trace_width: 254000\n"
                 "default_via_pad_width: 711200\ndefault_via_hole_width: 304800\nn_width_menu: 3\n"
                 "  width_menu_item: 1 203200 711200 304800\n  width_menu_item: 2 254000 711200 304800\n"
                 "  width_menu_item: 3 508000 1016000 508000\n\nn_copper_layers: 4\n");
    const char* layers[] = {"selection",     "background",    "visible grid", "highlight",  "DRC error",
                            "board outline", "rat line",      "top silk",     "bottom silk", "top sm cutout",
                            "bot sm cutout", "thru pad",      "top copper",   "bottom copper", "inner 1",
                            "inner 2"};
    for (int i = 0; i < 16; ++i) std::fprintf(out, "  layer_info: \"%s\" %d 255 255 255 1\n", layers[i], i);
}

void write_footprint(std::FILE* out, const Footprint& fp) {
    auto l = [&](i64 nm) { return length(fp, nm); };
    std::fprintf(out, "\nname: \"%s\"\nauthor: \"make_board\"\n", fp.name.c_str());
    if (fp.kind == qfp) std::fprintf(out, "description: \"Quad flat package, %u pins\"\n", static_cast<unsigned>(fp.pins.size()));
    std::fprintf(out, "  units: %s\n", fp.mils ? "MIL" : "NM");
    std::fprintf(out, "  sel_rect: %s %s %s %s\n", l(-fp.half_w).c_str(), l(-fp.half_h).c_str(), l(fp.half_w).c_str(),
                 l(fp.half_h).c_str());
    std::fprintf(out, "  ref_text: %s %s %s 0 %s\n", l(40 * mil).c_str(), l(-fp.half_w).c_str(),
                 l(fp.half_h + 10 * mil).c_str(), l(5 * mil).c_str());
    std::fprintf(out, "  value_text: %s %s %s 90 %s\n", l(30 * mil).c_str(), l(0).c_str(), l(-fp.half_h).c_str(),
                 l(4 * mil).c_str());
    std::fprintf(out, "  centroid: 0 0 0 0\n");
    if (fp.kind == soic || fp.kind == dip || fp.kind == qfp) {
        // A body outline with a notch drawn as two arcs at pin 1.
        const i64 w = fp.half_w - 15 * mil;
        const i64 h = fp.half_h - 45 * mil;
        std::fprintf(out, "  outline_polyline: %s %s %s\n", l(8 * mil).c_str(), l(-w).c_str(), l(-h).c_str());
        std::fprintf(out, "    next_corner: %s %s 0\n", l(w).c_str(), l(-h).c_str());
        std::fprintf(out, "    next_corner: %s %s 0\n", l(w).c_str(), l(h).c_str());
        std::fprintf(out, "    next_corner: %s %s 0\n", l(-w).c_str(), l(h).c_str());
        std::fprintf(out, "    next_corner: %s %s 0\n", l(-w).c_str(), l(20 * mil).c_str());
        std::fprintf(out, "    next_corner: %s %s 2\n", l(-w + 20 * mil).c_str(), l(0).c_str());
        std::fprintf(out, "    next_corner: %s %s 2\n", l(-w).c_str(), l(-20 * mil).c_str());
        std::fprintf(out, "    close_polyline: 0\n");
    } else if (fp.kind == header) {
        std::fprintf(out, "  text: \"1\" %s %s %s 0 %s 0 0\n", l(30 * mil).c_str(), l(fp.pins[0].x).c_str(),
                     l(60 * mil).c_str(), l(4 * mil).c_str());
        std::fprintf(out, "  outline_polyline: %s %s %s\n", l(6 * mil).c_str(), l(-fp.half_w).c_str(), l(-50 * mil).c_str());
        std::fprintf(out, "    next_corner: %s %s 0\n", l(fp.half_w).c_str(), l(-50 * mil).c_str());
    }
    std::fprintf(out, "  n_pins: %u\n", static_cast<unsigned>(fp.pins.size()));
    for (const PinDef& p : fp.pins) {
        std::fprintf(out, "    pin: \"%s\" %s %s %s %d\n", p.name.c_str(), l(p.hole).c_str(), l(p.x).c_str(),
                     l(p.y).c_str(), p.angle);
        if (p.hole == 0) {
            write_pad(out, "top_pad:", fp, p.top);
            continue;
        }
        write_pad(out, "top_pad:", fp, p.top);
        if (p.inner_line) write_pad(out, "inner_pad:", fp, p.inner);
        write_pad(out, "bottom_pad:", fp, p.bottom);
    }
}

void write_corner_lines(std::FILE* out, const std::vector<Point>& corners, int& number, int arc_corner, bool areas) {
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const int style = static_cast<int>(i) == arc_corner ? 1 : 0;
        if (areas) {
            std::fprintf(out, "    corner: %d %" PRId64 " %" PRId64 " %d %d\n", number++, corners[i].x, corners[i].y, style,
                         i + 1 == corners.size() ? 1 : 0);
        } else {
            std::fprintf(out, "  corner: %d %" PRId64 " %" PRId64 " %d\n", number++, corners[i].x, corners[i].y, style);
        }
    }
}

void write_board(std::FILE* out, Design& design, const std::string& name) {
    Random random(0xB0A4D);
    write_options(out, name);

    std::fprintf(out, "\n[footprints]\n");
    for (const Footprint& fp : design.footprints) write_footprint(out, fp);

    // A rounded outline: every corner of the rectangle cut by a quarter circle.
    const i64 r = 200 * mil;
    const i64 w = design.width;
    const i64 h = design.height;
    std::fprintf(out, "\n[board]\n\noutline: 8 0\n");
    const i64 xs[8] = {r, w - r, w, w, w - r, r, 0, 0};
    const i64 ys[8] = {0, 0, r, h - r, h, h, h - r, r};
    for (int i = 0; i < 8; ++i) {
        std::fprintf(out, "  corner: %d %" PRId64 " %" PRId64 " %d\n", i + 1, xs[i], ys[i], i % 2 == 1 ? 2 : 0);
    }
    std::fprintf(out, "\n[solder_mask_cutouts]\n\nsm_cutout: 4 12 0\n");
    int number = 1;
    write_corner_lines(out, {{mil * 100, mil * 100}, {mil * 300, mil * 100}, {mil * 300, mil * 200}, {mil * 100, mil * 200}},
                       number, -1, false);

    std::fprintf(out, "\n\n[parts]\n");
    for (const Part& part : design.parts) {
        const Footprint& fp = design.footprints[static_cast<std::size_t>(part.footprint)];
        std::fprintf(out, "\npart: %s\n  ref_text: 1016000 101600 0 -1270000 %" PRId64 " 0\n  package: \"%s\"\n",
                     part.ref.c_str(), fp.half_h + 254000, fp.name.c_str());
        if (!part.value.empty()) {
            std::fprintf(out, "  value: \"%s\" 762000 101600 90 %" PRId64 " 0 1\n", part.value.c_str(), fp.half_w);
        }
        std::fprintf(out, "  shape: \"%s\"\n  pos: %" PRId64 " %" PRId64 " %d %d %d\n", fp.name.c_str(), part.board.x,
                     part.board.y, part.board.side, file_angle(part.board.rotation), part.board.locked ? 1 : 0);
    }

    std::fprintf(out, "\n[nets]\n");
    for (const Net& net : design.nets) {
        Random routing(name_seed(net.name, 0xB0A4D));
        const std::vector<Trace> traces = net.routed_on_board ? net_traces(design, routing, net, false) : std::vector<Trace>{};
        std::fprintf(out, "\nnet: \"%s\" %u %u %u %" PRId64 " %" PRId64 " %" PRId64 " 1\n", net.name.c_str(),
                     static_cast<unsigned>(net.pins.size()), static_cast<unsigned>(traces.size()),
                     static_cast<unsigned>(net.areas.size()), net.width, net.via_pad, net.via_hole);
        int n = 1;
        for (const NetPin& pin : net.pins) {
            std::fprintf(out, "  pin: %d %s.%s\n", n++, design.parts[static_cast<std::size_t>(pin.part)].ref.c_str(),
                         design.footprints[static_cast<std::size_t>(design.parts[static_cast<std::size_t>(pin.part)].footprint)]
                             .pins[static_cast<std::size_t>(pin.pin)]
                             .name.c_str());
        }
        const i64 via_pad = net.via_pad != 0 ? net.via_pad : 711200;
        const i64 via_hole = net.via_hole != 0 ? net.via_hole : 304800;
        int c = 1;
        for (const Trace& t : traces) {
            const std::size_t segments = t.vertices.size() - 1;
            std::fprintf(out, "  connect: %d %d %d %u %d\n", c++, t.start_pin, t.end_pin, static_cast<unsigned>(segments),
                         t.locked ? 1 : 0);
            for (std::size_t i = 0; i < t.vertices.size(); ++i) {
                const Vertex& v = t.vertices[i];
                // The ends carry the layer of their segment; a rat-line starts on the top.
                int layer = 0;
                if (i == 0) layer = t.ratline ? 12 : v.layer_after;
                if (i == segments && t.end_pin >= 0) layer = t.vertices[i - 1].layer_after;
                const bool via = v.via;
                std::fprintf(out, "    vtx: %u %" PRId64 " %" PRId64 " %d %d %" PRId64 " %" PRId64 " %d\n",
                             static_cast<unsigned>(i + 1), v.at.x, v.at.y, layer, via && i == segments ? 1 : 0,
                             via ? via_pad : 0, via ? via_hole : 0, v.tee);
                if (i < segments) {
                    std::fprintf(out, "    seg: %u %d %" PRId64 " 0 0\n", static_cast<unsigned>(i + 1),
                                 t.ratline ? 6 : v.layer_after, t.ratline ? 0 : net.width != 0 ? net.width : 254000);
                }
            }
        }
        int a = 1;
        for (const Area& area : net.areas) {
            std::size_t corners = 0;
            for (const auto& contour : area.contours) corners += contour.size();
            std::fprintf(out, "  area: %d %u %d %d\n", a++, static_cast<unsigned>(corners), area.layer, 2);
            int corner = 1;
            for (std::size_t k = 0; k < area.contours.size(); ++k) {
                write_corner_lines(out, area.contours[k], corner, k == 0 ? area.arc_corner : -1, true);
            }
        }
    }
    std::fprintf(out, "\n[texts]\n\n");
    std::fprintf(out, "text: \"%s\" %d %d 7 0 0 762000 101600 0\n\n", name.c_str(), 5080000, 5080000);
    std::fprintf(out, "text: \"synthetic board, %u parts\" %d %d 8 90 1 762000 101600 0\n\n",
                 static_cast<unsigned>(design.parts.size()), 7620000, 2540000);
    std::fprintf(out, "[end]\n");
    (void)random;
}

// ---- Writing the session file --------------------------------------------------------------

// The router quotes a name that holds anything but letters, digits and underscores.
std::string session_name(const std::string& name) {
    for (const char c : name) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return "\"" + name + "\"";
    }
    return name;
}

i64 units(i64 nm) { return nm >= 0 ? (nm + session_unit / 2) / session_unit : -((-nm + session_unit / 2) / session_unit); }

const char* session_layer(int layer) {
    switch (layer) {
        case 12:
            return "Top";
        case 13:
            return "Bottom";
        case 14:
            return "Inner_1";
        default:
            return "Inner_2";
    }
}

void write_path(std::FILE* out, int layer, i64 width, const std::vector<Point>& points) {
    std::fprintf(out, "        (wire\n          (path %s %" PRId64 "\n", session_layer(layer), units(width));
    for (const Point& p : points) std::fprintf(out, "            %" PRId64 " %" PRId64 "\n", units(p.x), units(p.y));
    std::fprintf(out, "          )\n          (type protect)\n        )\n");
}

void write_via(std::FILE* out, const Point& at, bool quoted) {
    std::fprintf(out, "        (via %s %" PRId64 " %" PRId64 "\n          (type protect)\n        )\n",
                 quoted ? "\"DefVia\"" : "DefVia", units(at.x), units(at.y));
}

void write_polygon(std::FILE* out, const Area& area) {
    const char* layer = session_layer(area.layer);
    std::fprintf(out, "        (wire\n          (polygon %s 0\n", layer);
    for (const Point& p : area.contours[0]) std::fprintf(out, "            %" PRId64 " %" PRId64 "\n", units(p.x), units(p.y));
    std::fprintf(out, "          )\n");
    for (std::size_t k = 1; k < area.contours.size(); ++k) {
        std::fprintf(out, "          (window\n            (polygon %s\n", layer);
        for (const Point& p : area.contours[k]) {
            std::fprintf(out, "              %" PRId64 " %" PRId64 "\n", units(p.x), units(p.y));
        }
        std::fprintf(out, "            )\n          )\n");
    }
    std::fprintf(out, "          (type fix)\n        )\n");
}

void write_session(std::FILE* out, Design& design, const std::string& name) {
    std::fprintf(out, "(session %s\n  (base_design %s)\n  (placement\n    (resolution mil 100)\n",
                 session_name(name).c_str(), session_name(name).c_str());
    // Components by footprint, in footprint order, parts in board order.
    std::vector<std::vector<int>> by_footprint(design.footprints.size());
    for (std::size_t i = 0; i < design.parts.size(); ++i) {
        by_footprint[static_cast<std::size_t>(design.parts[i].footprint)].push_back(static_cast<int>(i));
    }
    for (std::size_t f = 0; f < by_footprint.size(); ++f) {
        if (by_footprint[f].empty()) continue;
        std::fprintf(out, "    (component %s\n", session_name(design.footprints[f].name).c_str());
        for (const int i : by_footprint[f]) {
            const Part& part = design.parts[static_cast<std::size_t>(i)];
            const Placement& at = part.session;
            std::fprintf(out, "      (place %s %" PRId64 " %" PRId64 " %s %d", session_name(part.ref).c_str(), units(at.x),
                         units(at.y), at.side == 0 ? "front" : "back", at.rotation);
            if (at.locked) {
                std::fprintf(out, "\n        (lock_type position)\n      )\n");
            } else {
                std::fprintf(out, ")\n");
            }
        }
        std::fprintf(out, "    )\n");
    }
    std::fprintf(out,
                 "  )\n  (was_is\n  )\n  (routes \n    (resolution mil 100)\n    (parser\n"
                 "      (host_cad \"FreePCB Ver 1.359\")\n      (host_version \"translated by: Tarnwick Ver 1.301R\")\n"
                 "    )\n    (library_out \n      (padstack DefVia\n        (shape\n          (circle Top 2800 0 0)\n"
                 "        )\n        (shape\n          (circle Bottom 2800 0 0)\n        )\n      )\n    )\n"
                 "    (network_out \n");
    int count = 0;
    for (const Net& net : design.nets) {
        if (net.reserved != 0) continue;
        Random routing(name_seed(net.name, 0x5E55));
        const std::vector<Trace> traces = net_traces(design, routing, net, true);
        std::fprintf(out, "      (net %s\n", session_name(net.name).c_str());
        const i64 width = net.width != 0 ? net.width : 254000;
        std::vector<Point> vias;
        for (const Trace& t : traces) {
            if (t.ratline) {
                vias.push_back(t.vertices.back().at);  // a stitching via: no wire reaches it
                continue;
            }
            // One wire per stretch on one layer; each via once.
            std::vector<Point> points{t.vertices[0].at};
            int layer = t.vertices[0].layer_after;
            for (std::size_t i = 1; i < t.vertices.size(); ++i) {
                const Vertex& v = t.vertices[i];
                points.push_back(v.at);
                const bool last = i + 1 == t.vertices.size();
                if (last || v.via || v.tee != 0) {
                    write_path(out, layer, width, points);
                    // Now and then the router writes a wire twice, or once more from its other end.
                    if (++count % 97 == 0) {
                        if (count % 2 == 0) std::reverse(points.begin(), points.end());
                        write_path(out, layer, width, points);
                    }
                    if (v.via) vias.push_back(v.at);
                    points.assign(1, v.at);
                    layer = v.layer_after;
                }
            }
        }
        for (std::size_t i = 0; i < vias.size(); ++i) {
            write_via(out, vias[i], i % 3 == 1);
            if (i % 211 == 5) write_via(out, vias[i], false);  // the router repeats a via now and then
        }
        // Two stitching vias joined by a wire with no pin: the trace starts with a rat-line.
        if (vias.size() >= 2 && net.name == "GND") {
            for (std::size_t i = 0; i + 1 < net.stitching_vias.size(); i += 4) {
                write_path(out, 13, width, {net.stitching_vias[i], net.stitching_vias[i + 1]});
            }
        }
        for (const Area& area : net.areas) {
            if (area.layer != 14) write_polygon(out, area);
        }
        std::fprintf(out, "      )\n");
    }
    // A net the board does not have: named on the console and ignored.
    std::fprintf(out, "      (net \"NOT ON BOARD\"\n");
    write_path(out, 12, 254000, {{0, 0}, {254000, 0}});
    std::fprintf(out, "      )\n    )\n  )\n)\n");
}

// ---- Building the design -------------------------------------------------------------------

Design build(int part_count) {
    Design design;
    Random random(0x7A5);
    const int variants = 1 + part_count / 2000;

    // Footprint indices by kind.
    std::vector<std::vector<int>> of_kind(kind_count);
    auto add = [&](Footprint fp) {
        of_kind[static_cast<std::size_t>(fp.kind)].push_back(static_cast<int>(design.footprints.size()));
        design.footprints.push_back(std::move(fp));
    };
    struct ChipSize {
        const char* name;
        i64 pitch, w, l;
    };
    const ChipSize chips[] = {{"0402", 1000000, 600000, 500000},
                              {"0603", 1600000, 900000, 800000},
                              {"0805", 2000000, 1300000, 1000000},
                              {"1206", 3000000, 1700000, 1200000}};
    for (int v = 0; v < variants; ++v) {
        for (const ChipSize& c : chips) add(make_chip(c.name, c.pitch, c.w, c.l, v));
        for (const int n : {8, 14, 16}) add(make_soic(n, v));
    }
    for (const int n : {8, 14, 16}) add(make_dip(n));
    for (int n = 2; n <= 10; ++n) add(make_header(n));
    add(make_qfp(32));
    add(make_qfp(48));
    add(make_test_point());
    add(make_mounting_hole());

    // The part mix, by kind: per thousand.
    const int mix[kind_count] = {740, 90, 40, 60, 20, 40, 10};
    int counters[26] = {};
    for (int i = 0; i < part_count; ++i) {
        int pick = random.below(1000);
        int kind = 0;
        while (pick >= mix[kind]) pick -= mix[kind++];
        const std::vector<int>& choices = of_kind[static_cast<std::size_t>(kind)];
        Part part;
        part.footprint = choices[static_cast<std::size_t>(random.below(static_cast<int>(choices.size())))];
        const char* prefixes[kind_count] = {"RCL", "U", "U", "J", "U", "T", "H"};
        const char* prefix = prefixes[kind];
        const char letter = prefix[random.below(static_cast<int>(std::char_traits<char>::length(prefix)))];
        part.ref = std::string(1, letter) + (kind == test_point ? "P" : kind == mounting_hole ? "MTG" : "") +
                   std::to_string(++counters[letter - 'A']);
        static const char* values[] = {"10k", "100n", "4.7u", "22R", "1k", "10u", "74HC595", "LM358", "2N7002"};
        if (kind != mounting_hole) part.value = values[random.below(9)];
        part.board.rotation = 90 * random.below(4);
        const bool smd = kind == chip || kind == soic || kind == qfp;
        part.board.side = smd && random.chance(25) ? 1 : 0;
        part.board.locked = random.chance(1);
        design.parts.push_back(part);
    }

    // Shelf packing, each side on its own; the board grows with the square root of the parts and
    // stays within what the board file's lengths can hold.
    double area = 0;
    for (const Part& part : design.parts) {
        const Footprint& fp = design.footprints[static_cast<std::size_t>(part.footprint)];
        if (part.board.side == 0) area += 4.0 * static_cast<double>(fp.half_w) * static_cast<double>(fp.half_h) * 1.3;
    }
    const i64 margin = 500 * mil;
    i64 row_width = std::max<i64>(2000 * mil, static_cast<i64>(std::sqrt(area)));
    i64 used_height = 0;
    for (int side = 0; side < 2; ++side) {
        i64 x = margin;
        i64 y = margin;
        i64 row_height = 0;
        for (Part& part : design.parts) {
            if (part.board.side != side) continue;
            const Footprint& fp = design.footprints[static_cast<std::size_t>(part.footprint)];
            const bool turned = part.board.rotation % 180 != 0;
            const i64 w = 2 * (turned ? fp.half_h : fp.half_w) + 20 * mil;
            const i64 h = 2 * (turned ? fp.half_w : fp.half_h) + 20 * mil;
            if (x + w > margin + row_width) {
                x = margin;
                y += row_height;
                row_height = 0;
            }
            part.board.x = (x + w / 2) / mil * mil;
            part.board.y = (y + h / 2) / mil * mil;
            x += w;
            row_height = std::max(row_height, h);
        }
        used_height = std::max(used_height, y + row_height);
    }
    design.width = row_width + 2 * margin;
    design.height = used_height + margin;
    const i64 limit = 78000 * mil;  // the board file's lengths are 32-bit nanometres
    if (design.width > limit || design.height > limit) {
        const double shrink = static_cast<double>(limit) / static_cast<double>(std::max(design.width, design.height));
        for (Part& part : design.parts) {
            part.board.x = static_cast<i64>(static_cast<double>(part.board.x) * shrink) / mil * mil;
            part.board.y = static_cast<i64>(static_cast<double>(part.board.y) * shrink) / mil * mil;
        }
        design.width = static_cast<i64>(static_cast<double>(design.width) * shrink);
        design.height = static_cast<i64>(static_cast<double>(design.height) * shrink);
    }
    for (Part& part : design.parts) {
        part.session = part.board;
        if (random.chance(1)) {
            part.session.x += 5 * mil;  // moved by the router
            part.session.y -= 3 * mil;
        }
        if (random.chance(1)) part.session.locked = true;
    }

    // Nets: the supply nets first, then signal nets of two to five pins of neighbouring parts.
    Net gnd;
    gnd.name = "GND";
    gnd.width = 508000;
    gnd.routed_on_board = true;
    Net vcc;
    vcc.name = "VCC";
    vcc.width = 508000;
    vcc.via_pad = 1016000;
    vcc.via_hole = 508000;
    vcc.routed_on_board = true;
    std::vector<std::vector<bool>> taken(design.parts.size());
    for (std::size_t i = 0; i < design.parts.size(); ++i) {
        const Footprint& fp = design.footprints[static_cast<std::size_t>(design.parts[i].footprint)];
        taken[i].assign(fp.pins.size(), fp.kind == mounting_hole);
        const bool capacitor = design.parts[i].ref[0] == 'C';
        if (fp.gnd_pin >= 0 && (fp.kind != chip || capacitor) && !(fp.kind == header && random.chance(50))) {
            gnd.pins.push_back({static_cast<int>(i), fp.gnd_pin});
            taken[i][static_cast<std::size_t>(fp.gnd_pin)] = true;
        }
        if (fp.kind == chip && capacitor) {
            vcc.pins.push_back({static_cast<int>(i), 0});
            taken[i][0] = true;
        } else if (fp.vcc_pin >= 0) {
            vcc.pins.push_back({static_cast<int>(i), fp.vcc_pin});
            taken[i][static_cast<std::size_t>(fp.vcc_pin)] = true;
        }
    }
    for (int k = 0; k < 1 + part_count / 100; ++k) {
        gnd.stitching_vias.push_back({(random.below(static_cast<int>(design.width / mil - 400)) + 200) * mil,
                                      (random.below(static_cast<int>(design.height / mil - 400)) + 200) * mil});
    }

    std::vector<Net> signals;
    const int wanted = std::max(1, part_count / 2 - 2);
    for (std::size_t i = 0; i < design.parts.size() && static_cast<int>(signals.size()) < wanted; ++i) {
        for (std::size_t p = 0; p < taken[i].size() && static_cast<int>(signals.size()) < wanted; ++p) {
            if (taken[i][p] || random.chance(20)) continue;
            Net net;
            const int id = static_cast<int>(signals.size());
            if (id % 11 == 3) {
                net.name = "DATA " + std::to_string(id);
            } else if (id % 7 == 2) {
                net.name = "SIG-" + std::to_string(id);
            } else {
                net.name = "N" + std::to_string(100000 + id);
            }
            const int classes[] = {0, 203200, 254000, 304800};
            net.width = classes[id % 4];
            if (id % 13 == 0) {
                net.via_pad = 762000;
                net.via_hole = 330200;
            }
            net.routed_on_board = id % 10 < 7;
            net.pins.push_back({static_cast<int>(i), static_cast<int>(p)});
            taken[i][p] = true;
            const int size = 2 + random.below(4);
            for (std::size_t j = i + 1; j < design.parts.size() && j < i + 8 && static_cast<int>(net.pins.size()) < size; ++j) {
                for (std::size_t q = 0; q < taken[j].size(); ++q) {
                    if (taken[j][q]) continue;
                    net.pins.push_back({static_cast<int>(j), static_cast<int>(q)});
                    taken[j][q] = true;
                    break;
                }
            }
            if (net.pins.size() < 2) continue;
            if (id % 150 == 7) {
                // A small copper area around the first pin, one side an arc.
                const Part& part = design.parts[static_cast<std::size_t>(net.pins[0].part)];
                const Point c = place_pin(part.board, design.footprints[static_cast<std::size_t>(part.footprint)]
                                                          .pins[static_cast<std::size_t>(net.pins[0].pin)]);
                Area a;
                a.layer = 12 + part.board.side;
                a.contours.push_back({{c.x - 60 * mil, c.y - 40 * mil},
                                      {c.x + 60 * mil, c.y - 40 * mil},
                                      {c.x + 80 * mil, c.y},
                                      {c.x + 60 * mil, c.y + 40 * mil},
                                      {c.x - 60 * mil, c.y + 40 * mil}});
                a.arc_corner = 1;
                net.areas.push_back(a);
            }
            signals.push_back(std::move(net));
        }
    }

    // The ground plane on inner layer 1 with a cut-out per 500 parts; the supply area on inner 2.
    const i64 inset = 100 * mil;
    const std::vector<Point> whole{{inset, inset},
                                   {design.width - inset, inset},
                                   {design.width - inset, design.height - inset},
                                   {inset, design.height - inset}};
    Area plane;
    plane.layer = 14;
    plane.contours.push_back(whole);
    for (int k = 0; k < 1 + part_count / 500; ++k) {
        const i64 x = (random.below(static_cast<int>(design.width / mil - 1000)) + 300) * mil;
        const i64 y = (random.below(static_cast<int>(design.height / mil - 1000)) + 300) * mil;
        plane.contours.push_back({{x, y}, {x + 200 * mil, y}, {x + 200 * mil, y + 150 * mil}, {x, y + 150 * mil}});
    }
    gnd.areas.push_back(plane);
    Area supply;
    supply.layer = 15;
    supply.contours.push_back(whole);
    supply.contours.push_back({{design.width / 3, design.height / 3},
                               {design.width / 2, design.height / 3},
                               {design.width / 2, design.height / 2},
                               {design.width / 3, design.height / 2}});
    supply.arc_corner = 0;
    vcc.areas.push_back(supply);

    Net power;  // marks inner layer 1 as a power plane
    power.name = "POWER_LAYER";
    power.reserved = 2;
    Area marker;
    marker.layer = 14;
    marker.contours.push_back(whole);
    power.areas.push_back(marker);
    Net keepout;
    keepout.name = "KEEPOUT";
    keepout.reserved = 1;
    Area zone;
    zone.layer = 12;
    zone.contours.push_back({{inset, inset}, {inset + 300 * mil, inset}, {inset + 300 * mil, inset + 300 * mil}});
    keepout.areas.push_back(zone);

    design.nets.push_back(std::move(gnd));
    design.nets.push_back(std::move(vcc));
    for (Net& net : signals) design.nets.push_back(std::move(net));
    design.nets.push_back(std::move(power));
    design.nets.push_back(std::move(keepout));
    return design;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_board PARTS OUT_STEM  (writes OUT_STEM.fpc and OUT_STEM.ses)\n");
        return 2;
    }
    const long parts = std::strtol(argv[1], nullptr, 10);
    if (parts < 1 || parts > 2000000) {
        std::fprintf(stderr, "make_board: PARTS must be 1 to 2000000\n");
        return 2;
    }
    const std::string stem = argv[2];
    const std::string name = stem.substr(stem.find_last_of('/') + 1);
    Design design = build(static_cast<int>(parts));
    for (const char* extension : {".fpc", ".ses"}) {
        const std::string file = stem + extension;
        std::FILE* out = std::fopen(file.c_str(), "w");
        if (out == nullptr) {
            std::fprintf(stderr, "make_board: cannot write %s\n", file.c_str());
            return 1;
        }
        design.tee_ids = 1000;  // both files number the tees alike
        if (extension[1] == 'f') {
            write_board(out, design, name);
        } else {
            write_session(out, design, name);
        }
        if (std::fclose(out) != 0) {
            std::fprintf(stderr, "make_board: cannot write %s\n", file.c_str());
            return 1;
        }
    }
    return 0;
}
