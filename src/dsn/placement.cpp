#include "dsn/placement.h"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "board/units.h"
#include "core/errors.h"

namespace tarnwick {

namespace {

void write_place(DesignFile& file, const Part& part) {
    std::fprintf(file.stream(), "\n%s(place \"%s\" %1.2lf %1.2lf %s %u", file.indent_string(), part.ref.c_str(),
                 part.x * inch_to_mil, part.y * inch_to_mil, part.side != 0 ? "back" : "front", part.rotation);
    if (part.locked != 0) {
        // A part glued in the editor stays where it is.
        file.adjust_indent(+1);
        std::fprintf(file.stream(), "\n%s(lock_type position)", file.indent_string());
        file.close_record();
    } else {
        std::fprintf(file.stream(), ")");
    }
}

}  // namespace

void write_placement(DesignFile& file, const Board& board) {
    file.expect_level(1, 40557, "placement start indent level");
    file.open_record("(placement");
    file.open_record("(place_control");
    std::fprintf(file.stream(), "\n%s(flip_style mirror_first)", file.indent_string());
    file.close_record();

    // Parts grouped by footprint name, each group in part order.
    std::unordered_map<std::string_view, std::vector<const Part*>> parts_by_shape;
    for (const Part& part : board.parts) parts_by_shape[part.shape].push_back(&part);

    for (const Footprint& footprint : board.footprints) {
        if (footprint.part_count == 0) continue;
        std::fprintf(file.stream(), "\n%s(component \"%s\"", file.indent_string(), footprint.name.c_str());
        file.adjust_indent(+1);
        const auto group = parts_by_shape.find(footprint.name);
        if (group != parts_by_shape.end()) {
            for (const Part* part : group->second) write_place(file, *part);
        }
        file.close_record();
    }
    file.close_record();
    file.expect_level(1, 40598, "placement end indent level");
}

}  // namespace tarnwick
