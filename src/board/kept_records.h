#pragma once
// Lines of a board file that no reader takes as a record of its own (settings of newer editors,
// the part pin lines of others, sections this program does not know), kept so that the board
// writer gives them back as read, each after the record it followed.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

// The sections, in the order of their headers in the file's format (section_headers).
enum KeptSection : std::uint32_t {
    kept_options,
    kept_footprints,
    kept_outlines,
    kept_cutouts,
    kept_parts,
    kept_nets,
    kept_texts,
    kept_end,
};

// Where a kept line stands: its section (the place of its header in section_headers), the record
// it followed (from 1; 0 is the section's header) and, within footprints and parts, which of the
// record's lines it followed. Places compare in the order the writer writes them.
struct KeptPlace {
    std::uint32_t section = 0;
    std::uint32_t record = 0;
    std::uint32_t slot = 0;
    std::uint32_t ordinal = 0;  // of repeated lines (adhesives, texts, polylines), from 0

    auto operator<=>(const KeptPlace&) const = default;
};

// The lines of a footprint that kept lines follow, in the order the writer writes them.
enum FootprintSlot : std::uint32_t {
    footprint_name,
    footprint_author,
    footprint_source,
    footprint_description,
    footprint_units,
    footprint_sel_rect,
    footprint_ref_text,
    footprint_value_text,
    footprint_centroid,
    footprint_adhesive,
    footprint_text,
    footprint_polyline,
    footprint_pins,  // the pins, and whatever follows the footprint
};

// The lines of a part, in the order the writer writes them.
enum PartSlot : std::uint32_t {
    part_header,
    part_ref_text,
    part_package,
    part_value,
    part_shape,
    part_pos,
    part_after,  // past the blank line that ends the part
};

struct KeptLine {
    KeptPlace place;
    std::size_t offset = 0;    // of its text in KeptRecords::text
    std::size_t length = 0;
    bool after_blank = false;  // a blank line stood between it and the line before
};

struct KeptRecords {
    std::string text;              // the kept lines' texts, one after the other
    std::vector<KeptLine> lines;   // sorted by place, in file order within a place
};

}  // namespace tarnwick
