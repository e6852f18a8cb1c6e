#include "report/info_report.h"

#include <algorithm>
#include <string>

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
        std::fprintf(out, "\n\n%4u  %s  drill: %5.4lf", static_cast<unsigned>(i + 1), p.name.c_str(), p.hole);
        std::fprintf(out, "    pin count: %u", p.use_count);
        if (p.bare_hole) std::fprintf(out, "  (replaced by KO)");
        write_layer_shape(out, "Top:    ", p.top_shape, p.top);
        write_layer_shape(out, "Inner:  ", p.inner_shape, p.inner);
        write_layer_shape(out, "Bottom: ", p.bottom_shape, p.bottom);
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
    write_drills(out, board);
}

}  // namespace tarnwick
