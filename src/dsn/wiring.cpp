#include "dsn/wiring.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <unordered_map>
#include <utility>

#include "board/precision.h"
#include "board/units.h"
#include "core/errors.h"
#include "dsn/structure.h"

namespace tarnwick {

namespace {

// Segments first .. last (inclusive) form one stretch: their first vertex to the vertex after
// the last segment.
void write_stretch(DesignFile& file, const Net& net, const Connect& connection, std::size_t first, std::size_t last) {
    const Vertex& start = connection.vertices[first];
    if (start.seg_layer < top_copper_layer) return;
    std::FILE* out = file.stream();
    file.open_record("(wire");
    std::fprintf(out, "\n%s(path %s %2.2lf", file.indent_string(), layer_name(start.seg_layer).c_str(),
                 start.seg_width * inch_to_mil);
    file.adjust_indent(+1);
    for (std::size_t i = first; i <= last + 1; ++i) {
        const Vertex& vertex = connection.vertices[i];
        std::fprintf(out, "\n%s%1.2lf  %1.2lf", file.indent_string(), vertex.x * inch_to_mil, vertex.y * inch_to_mil);
    }
    file.close_record();
    std::fprintf(out, "\n%s(net \"%s\")", file.indent_string(), net.name.c_str());
    std::fprintf(out, "\n%s(type protect)", file.indent_string());
    file.close_record();
}

void write_area_wire(DesignFile& file, const Net& net, const Area& area) {
    file.open_record("(wire");
    write_polygon_with_windows(file, area.corners, layer_name(area.layer).c_str());
    std::fprintf(file.stream(), "\n%s(net \"%s\")", file.indent_string(), net.name.c_str());
    std::fprintf(file.stream(), "\n%s(type fix)", file.indent_string());
    file.close_record();
}

void write_via(DesignFile& file, const Board& board, const Net& net, const Via& via) {
    const char* padstack = via.padstack < board.padstacks.size() ? board.padstacks[via.padstack].name.c_str() : "";
    std::fprintf(file.stream(), "\n%s(via %s %1.2lf %1.2lf", file.indent_string(), padstack, via.x * inch_to_mil,
                 via.y * inch_to_mil);
    file.adjust_indent(+1);
    std::fprintf(file.stream(), "\n%s(net \"%s\")\n%s(type protect)", file.indent_string(), net.name.c_str(),
                 file.indent_string());
    file.close_record();
}

// A position as the design file writes it, in mils at two decimals; -0.00 and 0.00 are one.
using WrittenPosition = std::pair<double, double>;

WrittenPosition written_position(const Via& via) {
    return {to_precision(via.x * inch_to_mil, 2) + 0.0, to_precision(via.y * inch_to_mil, 2) + 0.0};
}

struct WrittenPositionHash {
    std::size_t operator()(const WrittenPosition& position) const {
        const std::size_t x = std::hash<double>{}(position.first);
        return x ^ (std::hash<double>{}(position.second) + 0x9e3779b97f4a7c15ull + (x << 6) + (x >> 2));
    }
};

bool larger_via(const Via& a, const Via& b) {
    if (a.pad_width != b.pad_width) return a.pad_width > b.pad_width;
    return a.hole > b.hole;
}

}  // namespace

std::vector<const Via*> distinct_vias(const Net& net) {
    std::vector<const Via*> vias;
    std::unordered_map<WrittenPosition, std::size_t, WrittenPositionHash> index;
    for (const Via& via : net.vias) {
        const auto [found, added] = index.emplace(written_position(via), vias.size());
        if (added) {
            vias.push_back(&via);
        } else if (larger_via(via, *vias[found->second])) {
            vias[found->second] = &via;
        }
    }
    return vias;
}

std::size_t segments_held(const Connect& connection) {
    // s segments need s + 1 vertices.
    return connection.vertices.empty()
               ? 0
               : std::min<std::size_t>(connection.segment_count, connection.vertices.size() - 1);
}

void write_connection_wires(DesignFile& file, const Net& net, const Connect& connection) {
    const std::size_t segments = segments_held(connection);
    std::size_t first = 0;
    for (std::size_t i = 1; i <= segments; ++i) {
        const Vertex& previous = connection.vertices[i - 1];
        const bool ends = i == segments || connection.vertices[i].seg_layer != previous.seg_layer ||
                          connection.vertices[i].seg_width != previous.seg_width;
        if (ends) {
            write_stretch(file, net, connection, first, i - 1);
            first = i;
        }
    }
}

void write_wiring(DesignFile& file, const Board& board) {
    file.expect_level(1, 41348, "wiring start indent level");
    file.open_record("(wiring");
    for (const Net& net : board.nets) {
        if (net.reserved != 0) continue;
        for (const Connect& connection : net.connects) write_connection_wires(file, net, connection);
        // Areas on a plane layer went to the structure as planes.
        for (const Area& area : net.areas) {
            if (area.on_plane == 0) write_area_wire(file, net, area);
        }
        for (const Via* via : distinct_vias(net)) write_via(file, board, net, *via);
    }
    file.close_record();
    // The last ")" closes the "(PCB" record of the header and ends the file.
    file.close_record();
    file.expect_level(0, 41466, "wiring end indent level");
}

}  // namespace tarnwick
