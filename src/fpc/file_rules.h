#pragma once
// What a board file's format allows beyond the files of FreePCB 1.3xx, and what its lines carry
// that the 1.3xx records have no place for. A 1.3xx file has the defaults; a translation that
// turns another format into 1.3xx lines hands the section readers the rest with them.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "board/footprint.h"
#include "board/outline.h"

namespace tarnwick {

// The versions of the file's format that the reader was tried on.
struct TestedVersions {
    const char* editor = "FreePCB";  // named in the caution
    double newest = 1.35401;         // shown as the latest tested
    double untested_above = 1.35401;  // a version above this is read with a caution
    // A file version outside those the reader knows (1.312 to 1.344) gets a warning.
    bool file_version_checked = true;
};

// What the outline_polyline: record on line `line` holds beyond the 1.3xx record.
struct PolylineTraits {
    std::uint32_t line = 0;
    PolylineCopper copper = PolylineCopper::none;
    bool drawn = true;
};

struct FileRules {
    TestedVersions versions;
    // The options' layer list may stop early, or be absent: the entries missing stay empty.
    bool short_layer_list = false;
    // A section header may follow the last line of a footprint or a part with no blank line.
    bool header_ends_records = false;
    bool parts_at_any_angle = false;
    std::vector<BoardHole> holes;
    std::vector<PolylineTraits> polylines;  // in line order

    // The traits of the polyline whose header is on `line`, or nullptr for a plain one.
    const PolylineTraits* polyline_at(std::uint32_t line) const {
        const auto found = std::lower_bound(polylines.begin(), polylines.end(), line,
                                            [](const PolylineTraits& traits, std::uint32_t l) { return traits.line < l; });
        return found != polylines.end() && found->line == line ? &*found : nullptr;
    }
};

}  // namespace tarnwick
