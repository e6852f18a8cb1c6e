#pragma once
// The graphics and texts of a footprint: selection rectangle, reference and value text
// placement, centroid, adhesive dots, free texts and outline polylines.

#include "board/board.h"
#include "fpc/reader.h"

namespace tarnwick {

// The key of the graphics record that `text` (a line after its blanks) begins with, or nullptr.
const char* footprint_graphics_key(const char* text);

// Reads the graphics record that `text` begins with into the footprint, converting lengths with
// `scale` (file unit to inch). An outline polyline also reads its corner lines from `reader`;
// the line that ends the polyline is left for the caller to read next.
void read_footprint_graphics(LineReader& reader, const char* text, Footprint& footprint, double scale,
                             BoardStats& stats);

// "missing %u parameter%s" counts what the scan did not fill: `wanted` less the values read,
// where an empty scan (EOF from sscanf) read none.
std::uint32_t missing_values(int wanted, int scanned);
const char* plural_s(std::uint32_t count);

}  // namespace tarnwick
