#include "report/info_report.h"

#include <algorithm>
#include <string>

#include "board/pads.h"

namespace tarnwick {

namespace {

void write_statistics(std::FILE* out, const Board& board, const RunSettings& settings) {
    const BoardStats& s = board.stats;
    std::fprintf(out,
                 "\n\"%s\" FPC File statistics:\n\n  Footprints: %u    Pins: %u    Texts: %u  (%u characters)\n"
                 "  Outlines:   %u    (%u corners)\n  SM Cutouts: %u    (%u corners)\n  Parts:      %u\n"
                 "  Nets:       %u    Pins: %u    Traces: %u    Areas: %u    Rats: %u\n  Texts:      %u\n"
                 "  Padstacks:  %u\n  %u source lines\n",
                 settings.fpcname.c_str(), s.footprints, s.footprint_pins, s.footprint_texts,
                 s.footprint_text_characters, s.outlines, s.outline_corners, s.sm_cutouts, s.sm_cutout_corners, s.parts,
                 s.nets, s.net_pins, s.connects, s.areas, s.ratline_segments, s.texts,
                 static_cast<unsigned>(board.padstacks.size()), s.source_lines);
    // What the design file leaves out of what the board holds, said only where there is some.
    if (s.unknown_net_pins != 0) {
        std::fprintf(out, "  Net pins naming a pin their footprint lacks: %u (left out of the design file)\n",
                     s.unknown_net_pins);
    }
    if (s.unknown_part_net_pins != 0) {
        std::fprintf(out, "  Net pins naming a part the board does not have: %u (left out of the design file)\n",
                     s.unknown_part_net_pins);
    }
    if (s.pins_without_copper != 0) {
        std::fprintf(out, "  Footprint pins without pad or hole: %u (left out of the design file)\n",
                     s.pins_without_copper);
    }
}

void write_layer_shape(std::FILE* out, const char* label, std::uint32_t shape, const PadstackLayer& layer) {
    std::fprintf(out, "\n        %s", label);
    switch (shape) {
        case 0:
            std::fprintf(out, "Null");
            break;
        case 1:
            std::fprintf(out, "Circle        %1.4lf dia", layer.wide);
            break;
        case 2:
            std::fprintf(out, "Square        %1.4lf wide", layer.wide);
            break;
        case 3:
            std::fprintf(out, "Rectangle     %1.4lf wide by %1.4lf high", layer.wide, layer.high);
            break;
        case 4:
            std::fprintf(out, "Rounded Rect  %1.4lf wide by %1.4lf high, %1.4lf rad", layer.wide, layer.high,
                         layer.radius);
            break;
        case 5:
            std::fprintf(out, "Oval          %1.4lf wide by %1.4lf high", layer.wide, layer.high);
            break;
        case 6:
            std::fprintf(out, "Octagon       %1.4lf wide", layer.wide);
            break;
        default:
            std::fprintf(out, "Unknown, shape=%u, dimensions=%1.4lf, %1.4lf, %1.4lf", shape, layer.wide, layer.high,
                         layer.radius);
            break;
    }
}

void write_padstacks(std::FILE* out, const Board& board) {
    std::fprintf(out, "\n\nPadstack List:");
    for (std::size_t i = 0; i < board.padstacks.size(); ++i) {
        const Padstack& p = board.padstacks[i];
        std::fprintf(out, "\n\n%4u  %s  drill: %5.4lf", static_cast<unsigned>(i + 1), padstack_name(board, static_cast<std::uint32_t>(i)).c_str(),
                     p.hole);
        std::fprintf(out, "    pin count: %u", p.use_count);
        if (p.bare_hole) std::fprintf(out, "  (replaced by KO)");
        write_layer_shape(out, "Top:    ", p.top_shape, p.top);
        write_layer_shape(out, "Inner:  ", p.inner_shape, p.inner);
        write_layer_shape(out, "Bottom: ", p.bottom_shape, p.bottom);
    }
}

// Four quoted names to a line.
void write_class_member(std::FILE* out, const Net& net, std::uint32_t& count) {
    if (count % 4 == 0) std::fprintf(out, "\n    ");
    std::fprintf(out, "\"%s\" ", net.name.c_str());
    ++count;
}

void write_net_classes(std::FILE* out, const Board& board) {
    std::fprintf(out, "\n\n\nNet Class List:");
    for (std::size_t i = 0; i < board.net_classes.size(); ++i) {
        const NetClass& net_class = board.net_classes[i];
        std::uint32_t count = 0;
        if (i == 0) {
            // The default class keeps no member list: its nets are the ordinary nets left in it.
            std::fprintf(out, "\n\nClass default");
            for (const Net& net : board.nets) {
                if (net.reserved == 0 && net.net_class == 0) write_class_member(out, net, count);
            }
            std::fprintf(out, "\n  Trace Width: %1.4lf", board.options.default_trace_width);
            if (!board.padstacks.empty()) {
                const Padstack& via = board.padstacks[0];
                std::fprintf(out, "\n          Via: %s  (Pad: %1.4lf  Drill: %1.4lf)", padstack_name(board, 0).c_str(), via.top.wide,
                             via.hole);
            }
            continue;
        }
        std::fprintf(out, "\n\nClass C%u", static_cast<unsigned>(i));
        for (const std::uint32_t member : net_class.nets) {
            if (member < board.nets.size()) write_class_member(out, board.nets[member], count);
        }
        std::fprintf(out, "\n  Trace Width: ");
        if (net_class.trace_width == 0) {
            std::fprintf(out, "default");
        } else {
            std::fprintf(out, "%1.4lf", net_class.trace_width);
        }
        std::fprintf(out, "\n          Via: ");
        if (net_class.via_pad_width == 0 || net_class.via_padstack >= board.padstacks.size()) {
            std::fprintf(out, "default");
        } else {
            std::fprintf(out, "%s  (Pad: %1.4lf  Drill: %1.4lf)", padstack_name(board, net_class.via_padstack).c_str(),
                         net_class.via_pad_width, net_class.via_hole);
        }
    }
}

// The width of the name column: the longest footprint name, at least 9 characters.
int footprint_name_width(const Board& board) {
    std::size_t width = 9;
    for (const Footprint& footprint : board.footprints) width = std::max(width, footprint.name.size());
    return static_cast<int>(width);
}

// Per footprint: its pins per drill tool and per padstack. Each table was sized when the
// footprint was read and ends at its first -1, so later tools and padstacks are not in it.
void write_footprint_list(std::FILE* out, const Board& board, int name_width) {
    std::fprintf(out, "\n\nFootprint List:\n  %*s   Pins  Used   Tools (Count)  [Padstacks (Count)]\n", name_width,
                 "Name");
    for (const Footprint& footprint : board.footprints) {
        std::fprintf(out, "\n  %*s  %4u  %4u   ", name_width, footprint.name.c_str(), footprint.pin_count,
                     footprint.part_count);
        for (std::size_t t = 1; t < board.tools.size() && t < footprint.tool_counts.size(); ++t) {
            const std::int32_t count = footprint.tool_counts[t];
            if (count == -1) break;
            if (count > 0) std::fprintf(out, "%u(%u)  ", static_cast<unsigned>(t), static_cast<unsigned>(count));
        }
        // Padstack 0 is the default via; a padstack's number in the list is its index + 1.
        for (std::size_t p = 1; p < board.padstacks.size() && p < footprint.padstack_counts.size(); ++p) {
            const std::int32_t count = footprint.padstack_counts[p];
            if (count == -1) break;
            if (count > 0) std::fprintf(out, "[%u(%u)]  ", static_cast<unsigned>(p + 1), static_cast<unsigned>(count));
        }
    }
}

const char* footprint_name(const Board& board, const Part& part) {
    return part.footprint < board.footprints.size() ? board.footprints[part.footprint].name.c_str() : "";
}

void write_parts(std::FILE* out, const Board& board, int name_width) {
    std::size_t ref_width = 7, value_width = 5;
    for (const Part& part : board.parts) {
        ref_width = std::max(ref_width, part.ref.size());
        value_width = std::max(value_width, part.value.size());
    }
    const int r = static_cast<int>(ref_width);
    const int v = static_cast<int>(value_width);
    std::fprintf(out, "\n\n\nParts List:\n  %*s  %*s  %*s        X         Y  Side  Angle\n", r, "Ref Des",
                 name_width, "Footprint", v, "Value");
    bool without_footprint = false;
    for (const Part& part : board.parts) {
        if (part.no_footprint) {
            without_footprint = true;
            continue;
        }
        std::fprintf(out, "\n  %*s  %*s  %*s  %8.3lf  %8.3lf  %3s  %3u", r, part.ref.c_str(), name_width,
                     footprint_name(board, part), v, part.value.c_str(), part.x, part.y,
                     part.side == 1 ? "Bot" : "Top", part.rotation);
    }
    // Parts without footprint are not on the board yet: a list of their own, by what they are.
    if (!without_footprint) return;
    std::fprintf(out, "\n\n\nParts Without Footprint:\n  %*s  %*s  Package\n", r, "Ref Des", v, "Value");
    for (const Part& part : board.parts) {
        if (part.no_footprint) {
            std::fprintf(out, "\n  %*s  %*s  %s", r, part.ref.c_str(), v, part.value.c_str(), part.package.c_str());
        }
    }
}

void write_drills(std::FILE* out, const Board& board) {
    std::fprintf(out, "\n\n\nDrill List:\nTool    Dia      Def  Vias  Used\n");
    std::uint32_t total = 0;
    for (std::size_t t = 1; t < board.tools.size(); ++t) {
        const DrillTool& tool = board.tools[t];
        std::fprintf(out, "\n%3u   %2.6lf  %4u  %4u  %4u", static_cast<unsigned>(t), tool.diameter, tool.def_count,
                     tool.via_count, tool.used_count);
        total += tool.used_count;
    }
    std::fprintf(out, "\n                            ----\n          Hole Count Total: %4u", total);
}

}  // namespace

void write_info_report(std::FILE* out, const Board& board, const RunSettings& settings) {
    write_statistics(out, board, settings);
    write_padstacks(out, board);
    write_net_classes(out, board);
    const int name_width = footprint_name_width(board);
    write_footprint_list(out, board, name_width);
    write_parts(out, board, name_width);
    write_drills(out, board);
}

}  // namespace tarnwick
