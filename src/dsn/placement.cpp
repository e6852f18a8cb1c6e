#include "dsn/placement.h"

#include <charconv>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "board/precision.h"
#include "board/units.h"
#include "core/errors.h"

namespace tarnwick {

namespace {

void write_place(DesignFile& file, const Part& part) {
    char x[fixed_text_size];
    char y[fixed_text_size];
    char rotation[16] = {};
    std::to_chars(rotation, rotation + sizeof rotation - 1, part.rotation);  // "%u"
    const char quote[] = {file.string_quote(), '\0'};
    file.put_line({"(place ", quote, part.ref, quote, " ", format_fixed(x, part.x * inch_to_mil, 2), " ",
                   format_fixed(y, part.y * inch_to_mil, 2), part.side != 0 ? " back " : " front ", rotation,
                   part.locked != 0 ? "" : ")"});
    if (part.locked != 0) {
        // A part glued in the editor stays where it is.
        file.adjust_indent(+1);
        file.put_line({"(lock_type position)"});
        file.close_record();
    }
}

// One console line names every part that has no footprint: the router gets neither the part
// nor its pins, and the user should know which connections it will not route.
void warn_parts_without_footprint(const Board& board) {
    std::uint32_t count = 0;
    std::string refs;
    for (const Part& part : board.parts) {
        if (has_router_image(part)) continue;
        refs += (count++ == 0 ? "" : ", ") + part.ref;
    }
    if (count == 0) return;
    std::fprintf(console(), "\n  Warning: %u part%s without footprint left out of the design file: %s\n", count,
                 count == 1 ? "" : "s", refs.c_str());
}

}  // namespace

void write_placement(DesignFile& file, const Board& board) {
    file.expect_level(1, 40557, "placement start indent level");
    warn_parts_without_footprint(board);
    file.open_record("(placement");
    file.open_record("(place_control");
    std::fprintf(file.stream(), "\n%s(flip_style mirror_first)", file.indent_string());
    file.close_record();

    // Parts grouped by footprint name, each group in part order. A part without footprint has
    // no image the router could place.
    std::unordered_map<std::string_view, std::vector<const Part*>> parts_by_shape;
    for (const Part& part : board.parts) {
        if (has_router_image(part)) parts_by_shape[part.shape].push_back(&part);
    }

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
