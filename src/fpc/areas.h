#pragma once
// Copper areas of the nets: contours with their arcs flattened, keepout areas, power-plane
// layers and the per-layer net lists, and the closing step after the last net.

#include <cstdint>
#include <vector>

#include "board/board.h"
#include "fpc/load_indexes.h"
#include "fpc/reader.h"

namespace tarnwick {

// Reads the `area_count` areas of the net, which follow its traces.
void read_net_areas(LineReader& reader, Board& board, LoadIndexes& indexes, std::uint32_t net_index);

// Enters the net in copper layer k's net list (once), counting its areas there when is_area.
// Returns the layer's net count.
std::uint32_t note_layer_net(Board& board, LoadIndexes& indexes, std::uint32_t k, std::uint32_t net_index, bool is_area);

// Appends a corner to a contour, with the arc points from the previous corner when that one
// starts an arc, and the closing arc back to the first point when this corner ends the contour.
void add_contour_corner(AreaContour& contour, std::uint32_t style, std::uint32_t end_contour, double x, double y);

// Appends the 17 inner points of the quarter ellipse from (x1, y1) to (x2, y2): clockwise for
// style 1, counter-clockwise otherwise. Nothing when the two points share an x or a y.
std::uint32_t flatten_arc(double x1, double y1, double x2, double y2, std::uint32_t style,
                          std::vector<ContourPoint>& out);

// After the last net: routing directions of the signal layers, the layer check of copper areas
// and the marking of areas that lie on power planes.
void finish_copper_layers(Board& board);

}  // namespace tarnwick
