#include "picture/board_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "board/layers.h"
#include "board/part_pins.h"
#include "board/units.h"
#include "core/errors.h"
#include "picture/canvas.h"

namespace tarnwick {

namespace {

struct Rgb {
    unsigned r, g, b;
};

std::string hex(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r & 0xFFu, c.g & 0xFFu, c.b & 0xFFu);
    return text;
}

// The router's copper: the layer's colour halfway to white.
Rgb lighter(Rgb c) { return {(c.r + 255) / 2, (c.g + 255) / 2, (c.b + 255) / 2}; }

// The editor's colours where it has them (green top and red bottom copper, yellow top silk, a
// magenta rat line), on a dark board and a white page.
constexpr Rgb page_colour{255, 255, 255};
constexpr Rgb board_colour{31, 36, 40};
constexpr Rgb outline_colour{140, 154, 168};
constexpr Rgb selected_colour{77, 141, 255};
constexpr Rgb top_colour{51, 204, 51};
constexpr Rgb bottom_colour{230, 60, 60};
constexpr Rgb inner_colours[] = {{60, 140, 255}, {230, 160, 50}, {180, 90, 230},
                                 {50, 200, 200}, {200, 200, 60}, {230, 100, 170}};
constexpr Rgb silk_colours[2] = {{230, 230, 50}, {240, 180, 180}};
constexpr Rgb via_colour{144, 144, 144};
constexpr Rgb router_via_colour{216, 216, 216};
constexpr Rgb keepout_colour{255, 80, 80};
constexpr Rgb open_colour{255, 64, 255};
constexpr Rgb legend_text_colour{32, 32, 32};
// Each layer over the ones below it.
constexpr const char* layer_opacity = "0.7";

Rgb copper_colour(std::uint32_t layer) {
    if (layer == top_copper_layer) return top_colour;
    if (layer == bottom_copper_layer) return bottom_colour;
    const std::uint32_t k = layer - bottom_copper_layer;  // inner layer k, from 1
    return inner_colours[(k - 1) % std::size(inner_colours)];
}

std::string attribute(const char* name, const std::string& value) { return std::string(" ") + name + "=\"" + value + "\""; }

std::string counted(std::uint32_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A via once per net and place, with the largest pad and hole of the board's copies there (the
// board holds one copy per trace that ends at it).
struct PlacedVia {
    std::uint32_t net;
    double x, y, pad, hole;
};

struct LayerCounts {
    std::uint32_t areas = 0;
    std::uint32_t part_copper = 0;
    std::uint32_t traces = 0;
    std::uint32_t router_traces = 0;
    std::uint32_t pads = 0;
    std::uint32_t texts = 0;
};

// What each pass drew: the measuring pass's counts decide which groups the writing pass
// opens, and fill the legend.
struct Counts {
    std::vector<LayerCounts> copper;  // by layer - 12: top, bottom, inner 1, ...
    std::uint32_t outlines = 0;
    std::uint32_t holes = 0;
    std::uint32_t parts[2] = {0, 0};  // by side
    std::uint32_t silk_lines[2] = {0, 0};
    std::uint32_t silk_texts[2] = {0, 0};
    std::uint32_t vias = 0;
    std::uint32_t router_vias = 0;
    std::uint32_t drills = 0;
    std::uint32_t keepouts = 0;
    std::uint32_t open = 0;
};

// What both passes use, worked out once.
struct Prepared {
    std::vector<PlacedVia> vias;
    // Per net, per segment of its traces in order: laid by the router. Each segment the router
    // laid marks one segment of the board, so that the router's shade shows as many segments as
    // it laid.
    std::vector<std::vector<std::uint8_t>> laid;
    std::uint32_t copper_layers = 0;
};

std::vector<std::vector<std::uint8_t>> router_segments(const Board& board, const RouterCopper& router) {
    std::vector<std::vector<std::uint8_t>> laid(board.nets.size());
    std::vector<std::uint8_t> taken(router.segment_count(), 0);
    for (std::uint32_t n = 0; n < board.nets.size(); ++n) {
        for (const Connect& connect : board.nets[n].connects) {
            const std::vector<Vertex>& vertices = connect.vertices;
            for (std::size_t i = 0; i + 1 < vertices.size(); ++i) {
                const Vertex& a = vertices[i];
                const Vertex& b = vertices[i + 1];
                auto [place, last] = router.segment_places(n, a.seg_layer, a.x, a.y, b.x, b.y);
                while (place < last && taken[place] != 0) ++place;
                const bool router_laid = place < last;
                if (router_laid) taken[place] = 1;
                laid[n].push_back(router_laid ? 1 : 0);
            }
        }
    }
    return laid;
}

Prepared prepare(const Board& board, const RouterCopper* router) {
    Prepared prepared;
    if (router != nullptr) prepared.laid = router_segments(board, *router);
    prepared.copper_layers = static_cast<std::uint32_t>(board.copper_layers.size());
    for (std::uint32_t n = 0; n < board.nets.size(); ++n) {
        std::vector<Via> vias = board.nets[n].vias;
        std::stable_sort(vias.begin(), vias.end(),
                         [](const Via& a, const Via& b) { return std::tie(a.x, a.y) < std::tie(b.x, b.y); });
        for (const Via& via : vias) {
            if (!prepared.vias.empty()) {
                PlacedVia& last = prepared.vias.back();
                if (last.net == n && last.x == via.x && last.y == via.y) {
                    last.pad = std::max(last.pad, via.pad_width);
                    last.hole = std::max(last.hole, via.hole);
                    continue;
                }
            }
            prepared.vias.push_back({n, via.x, via.y, via.pad_width, via.hole});
        }
    }
    return prepared;
}

// One pass over the board: every layer group from the bottom up.
class Painter {
public:
    Painter(const Board& board, const PictureSubject& subject, const Prepared& prepared, Canvas& canvas,
            const Counts* planned, double hairline)
        : board_(board), subject_(subject), prepared_(prepared), canvas_(canvas), planned_(planned), hairline_(hairline) {
        counts.copper.resize(prepared.copper_layers);
    }

    Counts counts;

    void draw() {
        draw_board();
        draw_silk(1);
        if (prepared_.copper_layers > 1) draw_copper(bottom_copper_layer);
        for (std::uint32_t k = prepared_.copper_layers; k-- > 2;) draw_copper(bottom_copper_layer + k - 1);
        if (prepared_.copper_layers > 0) draw_copper(top_copper_layer);
        draw_silk(0);
        draw_vias();
        draw_drills();
        draw_keepouts();
        draw_open_connections();
    }

private:
    // A group of a layer's group, opened only when the measuring pass found something for it;
    // else there is nothing to draw in it.
    template <typename Draw>
    void subgroup(std::uint32_t planned, const std::string& attributes, Draw draw) {
        if (canvas_.measuring()) {
            draw();
            return;
        }
        if (planned == 0) return;
        canvas_.open_group(attributes);
        draw();
        canvas_.close_group();
    }
    const Counts& planned() const { return planned_ != nullptr ? *planned_ : counts; }
    std::string hairline_attributes() const { return attribute("stroke-width", picture_length(hairline_)); }
    std::string dash_attributes() const {
        return attribute("stroke-dasharray", picture_length(4 * hairline_) + " " + picture_length(3 * hairline_));
    }

    // An edge of a board outline or hole to the next corner: straight, or the quarter ellipse
    // its style names (1 clockwise, 2 counter-clockwise), which spans the two corners' box.
    void edge(const OutlineCorner& from, const OutlineCorner& to) {
        const bool arc = (from.style == 1 || from.style == 2) && from.x != to.x && from.y != to.y;
        if (arc) {
            canvas_.arc_to(to.x, to.y, std::fabs(to.x - from.x), std::fabs(to.y - from.y), 0, from.style == 2);
        } else {
            canvas_.line_to(to.x, to.y);
        }
    }

    void contour(const std::vector<OutlineCorner>& corners) {
        if (corners.empty()) return;
        canvas_.move_to(corners[0].x, corners[0].y);
        for (std::size_t i = 0; i < corners.size(); ++i) edge(corners[i], corners[(i + 1) % corners.size()]);
        canvas_.close_subpath();
    }

    void draw_board() {
        const std::string attributes = attribute("id", "layer-Board") + attribute("fill", hex(board_colour)) +
                                       attribute("fill-rule", "evenodd") + attribute("stroke", hex(outline_colour)) +
                                       hairline_attributes() + attribute("stroke-linejoin", "round");
        canvas_.open_group(attributes);
        for (std::uint32_t o = 0; o < board_.outlines.size(); ++o) {
            const BoardOutline& outline = board_.outlines[o];
            if (outline.corners.empty()) continue;
            // The outlines that bound the design: marked in a colour of their own, twice as wide.
            const bool selected = o + 1 == board_.pcb_outline || o + 1 == board_.signal_outline;
            canvas_.begin_path(selected ? attribute("class", "selected") + attribute("stroke", hex(selected_colour)) +
                                              attribute("stroke-width", picture_length(2 * hairline_))
                                        : std::string());
            contour(outline.corners);
            for (const BoardHole& hole : board_.holes) {
                if (hole.outline != o) continue;
                contour(hole.corners);
                ++counts.holes;
            }
            canvas_.end_path();
            ++counts.outlines;
        }
        canvas_.close_group();
    }

    // A polyline of a part's footprint, placed: mirrored for the bottom side, then turned and
    // moved; a mirrored arc turns the other way.
    // False, with nothing drawn, for a part the board cannot place.
    bool polyline(const Part& part, const FootprintPolyline& line) {
        const bool any_angle = board_.parts_at_any_angle;
        const bool mirrored = part.side == 1;
        double x = 0;
        double y = 0;
        if (!place_on_board(part, line.x, line.y, any_angle, x, y)) return false;
        canvas_.begin_path(line.closed == 0 ? " fill=\"none\"" : "", line.width > 0 ? line.width : hairline_);
        canvas_.move_to(x, y);
        const auto side = [&](double fx1, double fy1, double fx2, double fy2, std::uint32_t style) {
            double bx = 0;
            double by = 0;
            place_on_board(part, fx2, fy2, any_angle, bx, by);
            if ((style == 1 || style == 2) && fx1 != fx2 && fy1 != fy2) {
                canvas_.arc_to(bx, by, std::fabs(fx2 - fx1), std::fabs(fy2 - fy1), part.rotation, (style == 2) != mirrored);
            } else {
                canvas_.line_to(bx, by);
            }
        };
        double fx = line.x;
        double fy = line.y;
        for (const PolylineCorner& corner : line.corners) {
            side(fx, fy, corner.x, corner.y, corner.style);
            fx = corner.x;
            fy = corner.y;
        }
        if (line.closed != 0) {
            side(fx, fy, line.x, line.y, line.close_style);
            canvas_.close_subpath();
        }
        canvas_.end_path();
        return true;
    }

    bool has_footprint(const Part& part) const {
        return !part.no_footprint && part.footprint < board_.footprints.size();
    }

    // The layer a free text is drawn on: its copper layer, the bottom silk, or else the top silk.
    std::uint32_t text_layer(const BoardText& text) const {
        if (text.layer >= top_copper_layer && text.layer < top_copper_layer + prepared_.copper_layers) return text.layer;
        return text.layer == bottom_silk_layer ? bottom_silk_layer : top_silk_layer;
    }

    void free_texts(std::uint32_t layer, std::uint32_t& count) {
        for (const BoardText& text : board_.texts) {
            if (text_layer(text) != layer || !(text.height > 0)) continue;
            canvas_.text(text.x, text.y, text.height, text.angle, text.text, false);
            ++count;
        }
    }

    void draw_silk(std::uint32_t side) {
        const std::string colour = hex(silk_colours[side]);
        canvas_.open_group(attribute("id", side == 0 ? "layer-Top_Silk" : "layer-Bottom_Silk") +
                           attribute("opacity", layer_opacity) + attribute("fill", "none") + attribute("stroke", colour) +
                           attribute("stroke-linecap", "round") + attribute("stroke-linejoin", "round"));
        subgroup(planned().silk_lines[side], attribute("class", "outlines"), [&] {
            for (const Part& part : board_.parts) {
                if (part.side != side || !has_footprint(part)) continue;
                const Footprint& footprint = board_.footprints[part.footprint];
                for (const FootprintPolyline& line : footprint.polylines) {
                    // Copper polylines are drawn on their copper layer; what the editor hides, nowhere.
                    if (line.copper != PolylineCopper::none || !line.drawn) continue;
                    if (polyline(part, line)) ++counts.silk_lines[side];
                }
            }
        });
        subgroup(planned().silk_texts[side],
                 attribute("class", "texts") + attribute("fill", colour) + attribute("stroke", "none") +
                     attribute("font-family", "sans-serif"),
                 [&] {
                     for (const Part& part : board_.parts) {
                         if (part.side != side || !has_footprint(part) || !(part.ref_text.height > 0)) continue;
                         double x = 0;
                         double y = 0;
                         if (!place_on_board(part, part.ref_text.x, part.ref_text.y, board_.parts_at_any_angle, x, y)) continue;
                         // The editor mirrors a bottom part's text; drawn readable, it ends where
                         // the mirrored text begins and covers the same ground.
                         const std::uint32_t angle = side == 0 ? part.rotation + part.ref_text.angle
                                                               : part.rotation + 360 - part.ref_text.angle % 360;
                         canvas_.text(x, y, part.ref_text.height, angle % 360, part.ref, side == 1);
                         ++counts.silk_texts[side];
                     }
                     free_texts(side == 0 ? top_silk_layer : bottom_silk_layer, counts.silk_texts[side]);
                 });
        for (const Part& part : board_.parts) {
            if (part.side == side && has_footprint(part)) ++counts.parts[side];
        }
        canvas_.close_group();
    }

    // The pad of a footprint pin on a copper layer, as its padstack gives it to the router: a
    // surface pin has its top pad on its part's side, or else its bottom pad on the other side;
    // a drilled pin its top, inner and bottom pads (on the inner layers the ring that stands in
    // for a missing inner pad). A pad of no size is no copper; a pin without any pad is a hole.
    bool pad_on_layer(const FootprintPin& pin, std::uint32_t side, std::uint32_t layer, std::uint32_t& shape,
                      const PadstackLayer*& size) const {
        if (!has_pad(pin) || pin.padstack >= board_.padstacks.size()) return false;
        const Padstack& padstack = board_.padstacks[pin.padstack];
        const std::uint32_t near = side == 0 ? top_copper_layer : bottom_copper_layer;
        const std::uint32_t far = side == 0 ? bottom_copper_layer : top_copper_layer;
        const bool top = has_top_copper(padstack);
        const bool bottom = has_bottom_copper(padstack);
        if (padstack.hole == 0 ? top && layer == near : layer == near && top) {
            shape = padstack.top_shape;
            size = &padstack.top;
        } else if (padstack.hole == 0 ? !top && bottom && layer == far : layer == far && bottom) {
            shape = padstack.bottom_shape;
            size = &padstack.bottom;
        } else if (padstack.hole != 0 && layer != near && layer != far && has_inner_copper(padstack)) {
            shape = padstack.inner_shape;
            size = &padstack.inner;
        } else {
            return false;
        }
        return true;
    }

    void pad(std::uint32_t shape, const PadstackLayer& size, double x, double y, std::uint32_t angle) {
        switch (shape) {
            case pad_shape_circle:
                canvas_.circle(x, y, size.wide);
                return;
            case pad_shape_octagon:
                canvas_.octagon(x, y, size.wide, angle);
                return;
            case pad_shape_rounded_rectangle:
                canvas_.rectangle(x, y, size.wide, size.high, size.radius, angle);
                return;
            case pad_shape_oval:
                canvas_.rectangle(x, y, size.wide, size.high, std::min(size.wide, size.high) / 2, angle);
                return;
            default:  // square, rectangle, and a shape the board does not know: its extent
                canvas_.rectangle(x, y, size.wide, size.high, 0, angle);
                return;
        }
    }

    void pads(std::uint32_t layer, std::uint32_t& count) {
        for (const Part& part : board_.parts) {
            if (!has_footprint(part)) continue;
            const Footprint& footprint = board_.footprints[part.footprint];
            const std::size_t pins = std::min(footprint.pins.size(), part.pins.size());
            for (std::size_t i = 0; i < pins; ++i) {
                const FootprintPin& pin = footprint.pins[i];
                std::uint32_t shape = 0;
                const PadstackLayer* size = nullptr;
                if (!pad_on_layer(pin, part.side, layer, shape, size)) continue;
                // The pin's own angle, mirrored with the footprint on the bottom side, then the
                // part's: every pad shape looks the same turned half round.
                const std::uint32_t angle = (part.rotation + (part.side == 1 ? 360 - pin.angle % 360 : pin.angle)) % 360;
                pad(shape, *size, part.pins[i].x, part.pins[i].y, angle);
                ++count;
            }
        }
    }

    void areas(std::uint32_t layer, std::uint32_t& count) {
        for (const Net& net : board_.nets) {
            if (net.reserved != 0) continue;
            for (const Area& area : net.areas) {
                if (area.off_copper || area.layer != layer) continue;
                area_path(area);
                ++count;
            }
        }
    }

    void area_path(const Area& area) {
        canvas_.begin_path("");
        for (const AreaContour& outline : area.contours) {
            if (outline.points.empty()) continue;
            canvas_.move_to(outline.points[0].x, outline.points[0].y);
            for (std::size_t i = 1; i < outline.points.size(); ++i) canvas_.line_to(outline.points[i].x, outline.points[i].y);
            canvas_.close_subpath();
        }
        canvas_.end_path();
    }

    // Copper polylines of footprints: top and bottom swap places on a bottom part.
    void part_copper(std::uint32_t layer, std::uint32_t& count) {
        for (const Part& part : board_.parts) {
            if (!has_footprint(part)) continue;
            const Footprint& footprint = board_.footprints[part.footprint];
            const std::uint32_t near = part.side == 0 ? top_copper_layer : bottom_copper_layer;
            const std::uint32_t far = part.side == 0 ? bottom_copper_layer : top_copper_layer;
            for (const FootprintPolyline& line : footprint.polylines) {
                const bool here = (line.copper == PolylineCopper::top && layer == near) ||
                                  (line.copper == PolylineCopper::bottom && layer == far) ||
                                  (line.copper == PolylineCopper::inner && layer > bottom_copper_layer);
                if (!here || !line.drawn) continue;
                if (polyline(part, line)) ++count;
            }
        }
    }

    void traces(std::uint32_t layer, bool router, std::uint32_t& count) {
        if (router && prepared_.laid.empty()) return;  // the board as loaded
        for (std::uint32_t n = 0; n < board_.nets.size(); ++n) {
            std::size_t segment = 0;
            for (const Connect& connect : board_.nets[n].connects) {
                const std::vector<Vertex>& vertices = connect.vertices;
                for (std::size_t i = 0; i + 1 < vertices.size(); ++i, ++segment) {
                    const Vertex& a = vertices[i];
                    const Vertex& b = vertices[i + 1];
                    if (a.seg_layer != layer) continue;
                    const bool laid = !prepared_.laid.empty() && prepared_.laid[n][segment] != 0;
                    if (laid != router) continue;
                    canvas_.line(a.x, a.y, b.x, b.y, a.seg_width);
                    ++count;
                }
            }
        }
    }

    void draw_copper(std::uint32_t layer) {
        const std::uint32_t k = layer - top_copper_layer;
        const LayerCounts& plan = planned().copper[k];
        LayerCounts& drawn = counts.copper[k];
        const Rgb colour = copper_colour(layer);
        canvas_.open_group(attribute("id", "layer-" + layer_name(layer)) + attribute("opacity", layer_opacity) +
                           attribute("fill", hex(colour)) + attribute("stroke", hex(colour)) +
                           attribute("stroke-linecap", "round") + attribute("stroke-linejoin", "round"));
        // Copper pours fainter than the rest, so that the traces and pads on them show.
        subgroup(plan.areas,
                 attribute("class", "areas") + attribute("fill-opacity", "0.4") + attribute("stroke", "none") +
                     attribute("fill-rule", "evenodd"),
                 [&] { areas(layer, drawn.areas); });
        subgroup(plan.part_copper, attribute("class", "part-copper"), [&] { part_copper(layer, drawn.part_copper); });
        subgroup(plan.traces, attribute("class", "traces") + attribute("fill", "none"),
                 [&] { traces(layer, false, drawn.traces); });
        subgroup(plan.router_traces,
                 attribute("class", "router-traces") + attribute("fill", "none") + attribute("stroke", hex(lighter(colour))),
                 [&] { traces(layer, true, drawn.router_traces); });
        subgroup(plan.pads, attribute("class", "pads") + attribute("stroke", "none"), [&] { pads(layer, drawn.pads); });
        subgroup(plan.texts, attribute("class", "texts") + attribute("stroke", "none") + attribute("font-family", "sans-serif"),
                 [&] { free_texts(layer, drawn.texts); });
        canvas_.close_group();
    }

    void draw_vias() {
        canvas_.open_group(attribute("id", "layer-Vias") + attribute("fill", hex(via_colour)) + attribute("stroke", "none"));
        const auto draw = [&](bool router, std::uint32_t& count) {
            for (const PlacedVia& via : prepared_.vias) {
                const bool laid = subject_.router != nullptr && subject_.router->has_via(via.net, via.x, via.y);
                if (laid != router) continue;
                canvas_.circle(via.x, via.y, via.pad);
                ++count;
            }
        };
        std::uint32_t own = 0;
        draw(false, own);
        subgroup(planned().router_vias, attribute("class", "router-vias") + attribute("fill", hex(router_via_colour)),
                 [&] { draw(true, counts.router_vias); });
        counts.vias = own + counts.router_vias;
        canvas_.close_group();
    }

    void draw_drills() {
        canvas_.open_group(attribute("id", "layer-Drills") + attribute("fill", hex(page_colour)) + attribute("stroke", "none"));
        for (const Part& part : board_.parts) {
            if (!has_footprint(part)) continue;
            const Footprint& footprint = board_.footprints[part.footprint];
            const std::size_t pins = std::min(footprint.pins.size(), part.pins.size());
            for (std::size_t i = 0; i < pins; ++i) {
                if (!(footprint.pins[i].hole > 0)) continue;
                canvas_.circle(part.pins[i].x, part.pins[i].y, footprint.pins[i].hole);
                ++counts.drills;
            }
        }
        for (const PlacedVia& via : prepared_.vias) {
            if (!(via.hole > 0)) continue;
            canvas_.circle(via.x, via.y, via.hole);
            ++counts.drills;
        }
        canvas_.close_group();
    }

    // The areas of the keepout nets, on whichever layers they keep.
    void draw_keepouts() {
        canvas_.open_group(attribute("id", "layer-Keepouts") + attribute("fill", hex(keepout_colour)) +
                           attribute("fill-opacity", "0.2") + attribute("fill-rule", "evenodd") +
                           attribute("stroke", hex(keepout_colour)) + hairline_attributes() + dash_attributes());
        for (const Net& net : board_.nets) {
            if (net.reserved == 0 || net.reserved > 3) continue;
            for (const Area& area : net.areas) {
                area_path(area);
                ++counts.keepouts;
            }
        }
        canvas_.close_group();
    }

    // The connections not yet routed: those the routed board leaves open where they are known,
    // else the rat-lines of the board.
    void draw_open_connections() {
        canvas_.open_group(attribute("id", "layer-Open_Connections") + attribute("fill", "none") +
                           attribute("stroke", hex(open_colour)) + hairline_attributes() + dash_attributes() +
                           attribute("stroke-linecap", "round"));
        if (subject_.open != nullptr) {
            for (const OpenLine& line : *subject_.open) {
                canvas_.line(line.x1, line.y1, line.x2, line.y2, 0);
                ++counts.open;
            }
            canvas_.close_group();
            return;
        }
        for (const Net& net : board_.nets) {
            for (const Connect& connect : net.connects) {
                for (std::size_t i = 0; i + 1 < connect.vertices.size(); ++i) {
                    const Vertex& a = connect.vertices[i];
                    const Vertex& b = connect.vertices[i + 1];
                    if (a.seg_layer != rat_line_layer) continue;
                    canvas_.line(a.x, a.y, b.x, b.y, 0);
                    ++counts.open;
                }
            }
        }
        canvas_.close_group();
    }

    const Board& board_;
    const PictureSubject& subject_;
    const Prepared& prepared_;
    Canvas& canvas_;
    const Counts* planned_;
    double hairline_;
};

// One line of the legend: its swatches and its text.
struct LegendRow {
    enum class Swatch { none, fill, circle, dashes } swatch = Swatch::none;
    std::vector<Rgb> colours;
    bool outlined = false;
    std::string text;
};

std::vector<LegendRow> legend_rows(const PictureSubject& subject, const Counts& counts) {
    std::vector<LegendRow> rows;
    const bool routed = subject.router != nullptr;
    const auto copper_row = [&](std::uint32_t layer) {
        const LayerCounts& c = counts.copper[layer - top_copper_layer];
        const Rgb colour = copper_colour(layer);
        LegendRow row{LegendRow::Swatch::fill, {colour}, false, layer_name(layer) + ": "};
        row.text += counted(c.pads, "pad", "pads") + ", " +
                    counted(c.traces + c.router_traces, "trace segment", "trace segments");
        if (routed) {
            row.colours.push_back(lighter(colour));
            row.text += " (" + std::to_string(c.router_traces) + " by the router)";
        }
        row.text += ", " + counted(c.areas, "area", "areas");
        rows.push_back(row);
    };
    const auto layers = static_cast<std::uint32_t>(counts.copper.size());
    if (layers > 0) copper_row(top_copper_layer);
    for (std::uint32_t k = 1; k + 1 < layers; ++k) copper_row(bottom_copper_layer + k);
    if (layers > 1) copper_row(bottom_copper_layer);
    rows.push_back({LegendRow::Swatch::fill, {silk_colours[0]}, false,
                    "Top silk: " + counted(counts.parts[0], "part", "parts")});
    rows.push_back({LegendRow::Swatch::fill, {silk_colours[1]}, false,
                    "Bottom silk: " + counted(counts.parts[1], "part", "parts")});
    std::string outlines = "Board: " + counted(counts.outlines, "outline", "outlines");
    if (counts.holes > 0) outlines += ", " + counted(counts.holes, "hole", "holes");
    rows.push_back({LegendRow::Swatch::fill, {board_colour}, true, outlines});
    LegendRow vias{LegendRow::Swatch::circle, {via_colour}, false, "Vias: " + std::to_string(counts.vias)};
    if (routed) {
        vias.colours.push_back(router_via_colour);
        vias.text += " (" + std::to_string(counts.router_vias) + " by the router)";
    }
    rows.push_back(vias);
    rows.push_back({LegendRow::Swatch::circle, {page_colour}, true, "Drills: " + std::to_string(counts.drills)});
    rows.push_back({LegendRow::Swatch::fill, {keepout_colour}, false, "Keepouts: " + std::to_string(counts.keepouts)});
    rows.push_back({LegendRow::Swatch::dashes, {open_colour}, false, "Open connections: " + std::to_string(counts.open)});
    return rows;
}

// Where the legend stands and how large it is: beside the drawing, right of it, its letters
// a fortieth of the drawing's larger side.
struct LegendFrame {
    double unit = 0;  // the letter height; a row is one and a half
    double left = 0;
    double top = 0;
    Box box;
};

constexpr double rows_per_unit = 1.5;
constexpr double letter_width = 0.6;  // of the letter height

LegendFrame legend_frame(const Box& drawing, const std::vector<LegendRow>& rows, const std::string& title) {
    LegendFrame frame;
    frame.unit = std::max(std::max(drawing.max_x - drawing.min_x, drawing.max_y - drawing.min_y) / 40, 0.01);
    frame.left = drawing.max_x + 2 * frame.unit;
    frame.top = drawing.max_y;
    std::size_t widest = title.size();
    for (const LegendRow& row : rows) widest = std::max(widest, row.text.size() + 5);
    frame.box.add(frame.left, frame.top);
    frame.box.add(frame.left + letter_width * frame.unit * static_cast<double>(widest),
                  frame.top - rows_per_unit * frame.unit * static_cast<double>(rows.size() + 1) - frame.unit / 2);
    return frame;
}

void draw_legend(Canvas& canvas, const LegendFrame& frame, const std::vector<LegendRow>& rows, const std::string& title,
                 double hairline) {
    const double u = frame.unit;
    canvas.open_group(attribute("id", "legend") + attribute("font-family", "sans-serif") +
                      attribute("fill", hex(legend_text_colour)) + attribute("stroke", "none"));
    double baseline = frame.top - u;
    canvas.open_group(attribute("font-weight", "bold"));
    canvas.text(frame.left, baseline, u, 0, title, false);
    canvas.close_group();
    for (const LegendRow& row : rows) {
        baseline -= rows_per_unit * u;
        double x = frame.left;
        for (const Rgb& colour : row.colours) {
            std::string style = attribute("fill", hex(colour));
            if (row.swatch == LegendRow::Swatch::dashes) {
                style = attribute("stroke", hex(colour)) + attribute("stroke-width", picture_length(hairline)) +
                        attribute("stroke-dasharray", picture_length(4 * hairline) + " " + picture_length(3 * hairline));
            } else if (row.outlined) {
                style += attribute("stroke", hex(outline_colour)) + attribute("stroke-width", picture_length(hairline));
            }
            canvas.open_group(style);
            const double cx = x + 0.6 * u;
            const double cy = baseline + 0.35 * u;
            if (row.swatch == LegendRow::Swatch::circle) {
                canvas.circle(cx, cy, 0.8 * u);
            } else if (row.swatch == LegendRow::Swatch::dashes) {
                canvas.line(x, cy, x + 1.2 * u, cy, 0);
            } else {
                canvas.rectangle(cx, cy, 1.2 * u, 0.8 * u, 0, 0);
            }
            canvas.close_group();
            x += 1.5 * u;
        }
        canvas.text(std::max(x, frame.left + 1.5 * u) + 0.3 * u, baseline, u, 0, row.text, false);
    }
    canvas.close_group();
}

// The frame's edges in mils, on multiples of ten mils outward, so that its size in inches has
// two decimals exactly.
double frame_edge(double inches, bool upward) {
    const double mils = inches * inch_to_mil / 10;
    return 10 * (upward ? std::ceil(mils) : std::floor(mils));
}

}  // namespace

void write_board_picture(PictureFile& file, const Board& board, const PictureSubject& subject) {
    const Prepared prepared = prepare(board, subject.router);

    // First the extent of everything drawn, and the counts.
    Canvas measure(nullptr);
    Painter measuring(board, subject, prepared, measure, nullptr, 0);
    measuring.draw();
    Box drawing = measure.box();
    if (drawing.empty()) drawing.add(0, 0);
    const std::vector<LegendRow> rows = legend_rows(subject, measuring.counts);
    const LegendFrame legend = legend_frame(drawing, rows, subject.title);
    Box frame = drawing;
    frame.add(legend.box);
    const double margin = legend.unit;
    const double left = frame_edge(frame.min_x - margin, false);
    const double right = frame_edge(frame.max_x + margin, true);
    const double top = frame_edge(frame.max_y + margin, true);
    const double bottom = frame_edge(frame.min_y - margin, false);
    const double hairline = legend.unit / 8;

    file.raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"");
    file.number((right - left) / inch_to_mil);
    file.raw("in\" height=\"");
    file.number((top - bottom) / inch_to_mil);
    file.raw("in\" viewBox=\"");
    file.number(left);
    file.raw(" ");
    file.number(-top);
    file.raw(" ");
    file.number(right - left);
    file.raw(" ");
    file.number(top - bottom);
    file.raw("\">\n<title>");
    file.escaped(subject.title);
    file.raw("</title>\n<rect id=\"background\" x=\"");
    file.number(left);
    file.raw("\" y=\"");
    file.number(-top);
    file.raw("\" width=\"");
    file.number(right - left);
    file.raw("\" height=\"");
    file.number(top - bottom);
    file.raw("\" fill=\"" + hex(page_colour) + "\"/>\n");

    Canvas canvas(&file);
    Painter painter(board, subject, prepared, canvas, &measuring.counts, hairline);
    painter.draw();
    draw_legend(canvas, legend, rows, subject.title, hairline);
    file.raw("</svg>\n");
}

void write_picture_file(const Board& board, const std::string& name, const PictureSubject& subject) {
    OutputFile output(name);
    if (!output.is_open()) fatal_error(picture_not_opened, strformat("unable to open \"%s\" for output", name.c_str()));
    PictureFile file(std::move(output));
    write_board_picture(file, board, subject);
    if (!file.close()) fatal_error(picture_not_written, strformat("error writing \"%s\"", name.c_str()));
    std::fprintf(console(), "\n  File \"%s\" created.\n", name.c_str());
}

}  // namespace tarnwick
