#pragma once
// What a board of the FreePCB-2 dialect keeps beside the board database: its own lines, to be
// written back as read, the numbering of its layers, and the copper the 1.3xx records have no
// place for (holes cut in the board, copper polylines of footprints).

#include <cstdint>
#include <string>
#include <vector>

#include "board/outline.h"

namespace tarnwick {

// A contour of a board outline after its first: a hole cut in the board.
struct BoardHole {
    std::uint32_t outline = 0;  // the outline's index
    std::vector<OutlineCorner> corners;
};

// A footprint polyline that lies on a copper layer.
struct CopperPolyline {
    std::uint32_t footprint = 0;  // index into the footprint table
    std::uint32_t polyline = 0;   // index into the footprint's polylines
    std::uint32_t layer = 0;      // 12 top, 13 bottom, 0 every inner layer
};

// A footprint polyline by its footprint and its place among the footprint's polylines.
struct PolylineRef {
    std::uint32_t footprint = 0;
    std::uint32_t polyline = 0;
};

struct Fpc2Board {
    bool active = false;  // the board was read in the dialect
    // From file version 2.0199 the dialect has fifteen non-copper layers: top copper is 15.
    bool shifted_layers = false;
    double version = 0;
    std::vector<std::string> lines;  // the file's lines as read, without their line ends
    std::string line_end = "\n";     // the line end of the file's first line
    bool final_line_end = true;      // the file's last line has a line end
    std::vector<BoardHole> holes;
    std::vector<CopperPolyline> copper_polylines;
    // Polylines the editor does not draw (the outlines of 3D models): no drawing for the router.
    std::vector<PolylineRef> hidden_polylines;
};

}  // namespace tarnwick
