#pragma once
// The structure section (boundaries, layers, vias, rules, planes, keepouts) and the services the
// other sections share with it: arc flattening, layer names and polygons with windows.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/layers.h"
#include "board/units.h"
#include "core/settings.h"
#include "dsn/design_file.h"

namespace tarnwick {

// A point of the board plane, in inches.
struct PlanePoint {
    double x = 0;
    double y = 0;
};

// The points strictly between two corners joined by a quarter-ellipse arc (style 1 clockwise,
// 2 counter-clockwise). None when the edge stays straight: corners level or plumb, or an unknown
// style, which is also reported on the console.
std::vector<PlanePoint> arc_points(double x1, double y1, double x2, double y2, std::uint32_t style);

// Writes the arc_points, one "x  y" line each in mils. Returns 1 when it wrote them, 0 when the
// edge stays straight.
int write_arc_points(DesignFile& file, double x1, double y1, double x2, double y2, std::uint32_t style);

// The board layer of the i-th of n copper layers in design-file order: top, inner 1 .. inner
// n-2, bottom.
std::uint32_t dsn_layer_index_to_layer(std::uint32_t i, std::uint32_t n);

// Writes a corner list as a polygon on `layer_text`, each further contour as a window holding
// a polygon on the same layer. Corners carry x, y, style (of the edge to the next corner) and
// end_contour (set on a contour's last corner).
template <typename Corners>
void write_polygon_with_windows(DesignFile& file, const Corners& corners, const char* layer_text) {
    const std::size_t count = corners.size();
    std::size_t i = 0;
    // One contour from corners[i]; leaves i on its last corner, or at count.
    auto walk_contour = [&]() {
        const std::size_t start = i;
        for (; i < count; ++i) {
            const auto& corner = corners[i];
            file.write_point(corner.x * inch_to_mil, corner.y * inch_to_mil);
            const bool ends_contour = corner.end_contour != 0;
            if (corner.style != 0) {
                const auto& next = ends_contour || i + 1 == count ? corners[start] : corners[i + 1];
                write_arc_points(file, corner.x, corner.y, next.x, next.y, corner.style);
            }
            if (ends_contour && i != count - 1) return;
        }
    };
    auto open_polygon = [&]() {
        std::fprintf(file.stream(), "\n%s(polygon %s 0", file.indent_string(), layer_text);
        file.adjust_indent(+1);
    };

    if (count == 0) {
        open_polygon();
        file.close_record();
        return;
    }
    open_polygon();
    walk_contour();
    file.close_record();
    while (i < count) {
        file.open_record("(window");
        open_polygon();
        ++i;
        walk_contour();
        file.close_record();
        file.close_record();
    }
}

// The signal boundary as the design file draws it: the outline's corners, each arc corner
// followed by its points towards the next corner (the last corner's towards the first).
std::vector<PlanePoint> boundary_points(const BoardOutline& outline);

// Whether a point lies outside a boundary polygon (its last point joined to its first). A point
// on an edge, within half the design file's 0.01 mil, lies inside. A boundary of fewer than
// three points encloses nothing to test against, and nothing lies outside it.
bool lies_outside(const std::vector<PlanePoint>& boundary, double x, double y);

// lies_outside for many points of one boundary: its edges are kept in bands of height, so that
// a point is compared only with the edges that reach its height. The answers are lies_outside's.
class OutsideTest {
public:
    // Holds on to the boundary, which must stay as it is while it is used.
    explicit OutsideTest(const std::vector<PlanePoint>& boundary);
    bool operator()(double x, double y) const;

private:
    const std::vector<PlanePoint>& boundary_;
    double low_ = 0;   // the heights the edges reach, each widened by the on-edge distance
    double high_ = 0;
    double band_ = 1;
    std::vector<std::vector<std::uint32_t>> bands_;  // per band the edges (by end point) reaching it
};

// Counts the trace segments, vias and pads with a corner or centre outside the signal boundary
// and, when there are any, prints one warning line naming them, their nets and the switch that
// chooses another outline.
void warn_of_copper_outside(const Board& board, std::uint32_t signal_outline, const std::vector<PlanePoint>& boundary);

// The boundary rectangle encloses every board outline, so that the router keeps the copper of
// all of them; the signal boundary is the selected outline alone.
void write_structure(DesignFile& file, const Board& board, const RunSettings& settings);

}  // namespace tarnwick
