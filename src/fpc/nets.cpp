#include "fpc/nets.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "board/units.h"
#include "core/errors.h"
#include "core/huge_pages.h"
#include "fpc/areas.h"
#include "fpc/padstacks.h"
#include "core/scan_record.h"
#include "fpc/board_numbers.h"

namespace tarnwick {

namespace {

// A via as a pin record: circles of the pad width on top and bottom, no inner pad of its own.
FootprintPin via_pin(double pad_width, double hole, std::uint32_t tool) {
    FootprintPin pin;
    pin.top_pad.shape = pad_shape_circle;
    pin.top_pad.width = pad_width;
    pin.inner_pad.shape = pad_shape_none;
    pin.inner_pad.width = pad_width;
    pin.no_inner_pad = 1;
    pin.bottom_pad.shape = pad_shape_circle;
    pin.bottom_pad.width = pad_width;
    pin.hole = hole;
    pin.is_via = 1;
    pin.tool = tool;
    return pin;
}

// The padstack of a via met at a trace vertex, resolved (and its drill counted) whether or not
// the via is kept.
std::uint32_t via_padstack(Board& board, LoadIndexes& indexes, double pad_width, double hole) {
    FootprintPin pin = via_pin(pad_width, hole, 0);
    return resolve_padstack(board, indexes, pin);
}

void add_via(Net& net, std::uint32_t padstack, const Vertex& vertex) {
    net.vias.push_back({vertex.x, vertex.y, vertex.via_pad_width, vertex.via_hole, padstack});
    net.via_count = static_cast<std::uint32_t>(net.vias.size());
}

void read_net_header(const char* text, Board& board, LoadIndexes& indexes, Net& net) {
    if (extract_quoted(net.name, text, 128) < 1) fatal_error(12472, "bad net name");
    net.reserved = reserved_net_index(net.name.c_str());
    const char* numbers = std::strrchr(text, '"') + 1;
    if (scan_board_record("net:", nm_to_inch, numbers, "%u %u %u %lf %lf %lf %u", &net.pin_count, &net.connect_count, &net.area_count,
                    &net.trace_width, &net.via_pad_width, &net.via_hole, &net.visible) < 7) {
        fatal_error(12485, "bad net: record");
    }
    net.trace_width *= nm_to_inch;
    net.via_pad_width *= nm_to_inch;
    net.via_hole *= nm_to_inch;

    if (net.via_pad_width > 0) {
        FootprintPin pin = via_pin(net.via_pad_width, net.via_hole, no_tool_lookup);
        net.via_padstack = resolve_padstack(board, indexes, pin);
    }
}

// The pin reference of a net's pin: record, after its index. Board utilities write records
// whose index is no number ("pin: Q1 DD4.6"); the editor takes the reference all the same, and
// so does this reader, with a warning naming the line.
void read_net_pin_ref(const char* values, std::uint32_t line, char (&pin_ref)[128]) {
    if (scan_record(values, "%*u %127s", pin_ref) == 1) return;
    char index[128];
    if (scan_record(values, "%127s %127s", index, pin_ref) != 2) fatal_error(12537, "bad net pin: record");
    std::fprintf(console(), "\n  Warning: line %u: net pin record with index \"%s\", not a number: read as pin %s\n",
                 line, index, pin_ref);
}

void read_net_pins(LineReader& reader, Net& net) {
    // Room for the pins of an ordinary net; a larger one grows as its lines are read.
    net.pins.reserve(std::min<std::uint32_t>(net.pin_count, 1024));
    for (std::uint32_t i = 0; i < net.pin_count; ++i) {
        const char* values = next_record(reader, "pin:", 12523, "premature EOF reading net pins", 12530,
                                         "missing net pin record");
        char pin_ref[128];
        read_net_pin_ref(values, reader.line_number(), pin_ref);
        NetPin pin;
        pin.pin_ref = pin_ref;
        net.pins.push_back(std::move(pin));
    }
}

void read_vertex(LineReader& reader, Board& board, LoadIndexes& indexes, Net& net, TeeIndex& tees, std::uint32_t arriving_layer,
                 Vertex& vertex, bool keep) {
    const char* values = next_record(reader, "vtx:", 12586, "premature EOF reading net trace vtx", 12593,
                                     "missing net trace vtx record");
    if (scan_board_record("vtx:", nm_to_inch, values, "%*u %lf %lf %u %u %lf %lf %u", &vertex.x, &vertex.y, &vertex.layer, &vertex.flag,
                    &vertex.via_pad_width, &vertex.via_hole, &vertex.tee_id) < 7) {
        fatal_error(12602, "bad trace vtx: record");
    }
    vertex.x *= nm_to_inch;
    vertex.y *= nm_to_inch;
    vertex.via_pad_width *= nm_to_inch;
    vertex.via_hole *= nm_to_inch;
    if (vertex.tee_id != 0) add_tee(net, tees, vertex.tee_id, arriving_layer, vertex.x, vertex.y);
    if (vertex.via_pad_width != 0) {
        const std::uint32_t padstack = via_padstack(board, indexes, vertex.via_pad_width, vertex.via_hole);
        if (keep) add_via(net, padstack, vertex);
    }
}

void read_segment(LineReader& reader, Board& board, LoadIndexes& indexes, std::uint32_t net_index, Vertex& vertex) {
    const char* values = next_record(reader, "seg:", 12625, "premature EOF reading net trace seg", 12632,
                                     "missing net trace seg record");
    if (scan_board_record("seg:", nm_to_inch, values, "%*u %u %lf %u %u", &vertex.seg_layer, &vertex.seg_width, &vertex.seg_via_width,
                    &vertex.seg_via_hole) < 4) {
        fatal_error(12640, "bad trace seg: record");
    }
    vertex.seg_width *= nm_to_inch;
    if (vertex.seg_layer == rat_line_layer) ++board.stats.ratline_segments;
    if (vertex.seg_layer >= non_copper_layers) {
        // A copper layer the board does not have: the router could not be given the segment.
        const auto copper_layers = static_cast<std::uint32_t>(board.copper_layers.size());
        if (vertex.seg_layer - non_copper_layers >= copper_layers) {
            fatal_error(12642, strformat("bad trace seg: layer %u, the board has %u copper layers", vertex.seg_layer,
                                         copper_layers));
        }
        note_layer_net(board, indexes, vertex.seg_layer - non_copper_layers, net_index, false);
    }
}

// With `keep` false the trace is read and checked as ever, but its vertices are not kept.
void read_connect(LineReader& reader, Board& board, LoadIndexes& indexes, std::uint32_t net_index, TeeIndex& tees,
                  Connect& connect, bool keep) {
    Net& net = board.nets[net_index];
    const char* values = next_record(reader, "connect:", 12557, "premature EOF reading net traces", 12564,
                                     "missing net connect: record");
    if (scan_record(values, "%*u %u %d %u %u", &connect.start_pin, &connect.end_pin, &connect.segment_count,
                    &connect.locked) < 4) {
        fatal_error(12572, "bad net connect: record");
    }
    if (connect.locked != 0) ++net.locked_connects;

    // The segment count comes from the file: the vertices grow as their lines are read, from room
    // for a trace of ordinary length.
    if (keep) connect.vertices.reserve(std::min<std::uint64_t>(std::uint64_t{connect.segment_count} + 1, 32));
    std::uint32_t layer = 0;  // layer of the segment arriving at the vertex being read
    Vertex passing;
    for (std::uint64_t i = 0; i <= connect.segment_count; ++i) {
        Vertex& vertex = keep ? connect.vertices.emplace_back() : (passing = Vertex{});
        read_vertex(reader, board, indexes, net, tees, layer, vertex, keep);
        if (i < connect.segment_count) {
            read_segment(reader, board, indexes, net_index, vertex);
            layer = vertex.seg_layer;
        }
    }

    const auto start = static_cast<std::int32_t>(connect.start_pin);
    if (start >= 0 && connect.end_pin >= 0 && connect.segment_count == 1 && layer == rat_line_layer) {
        // The design-file writer names both pins of a rat-line: they must exist.
        const auto pins = static_cast<std::int64_t>(net.pins.size());
        if (start >= pins || connect.end_pin >= pins) {
            fatal_error(12574, strformat("net connect: rat-line pin %d of %u pins",
                                         start >= pins ? start : connect.end_pin, net.pin_count));
        }
        connect.is_ratline = 1;
        ++net.ratline_connects;
    }
}

// Warns of a net whose rat-lines may not all be from-to records in the design file; true when
// it did.
bool check_fromto(const Net& net, std::uint32_t mode) {
    if (!(mode == 1 || (mode >= 2 && net.visible == 0))) return false;
    // A net without pins has no rat-lines to miss.
    if (net.pin_count == 0 || net.ratline_connects + 1 >= net.pin_count) return false;
    std::fprintf(console(), "\n net \"%s\" may have missing FROMTO record(s)!", net.name.c_str());
    return true;
}

// Reads the net; `warned` counts the nets that got the from-to warning.
void read_net(LineReader& reader, Board& board, LoadIndexes& indexes, std::uint32_t net_index,
              const RunSettings& settings, std::uint32_t& warned) {
    // -B replaces every net's traces and vias by the router's: they are read and checked, not kept.
    const bool keep_traces = !settings.back_annotate;
    const char* text;
    for (;;) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(12453, "premature EOF loading FPC nets");
        text = skip_blanks(line);
        if (starts_with(text, "net:") || is_section_header(text)) break;
    }
    Net& net = board.nets[net_index];
    read_net_header(text, board, indexes, net);
    if (net.reserved == 0 && (net.via_padstack != 0 || net.trace_width > 0)) add_net_to_class(board, indexes, net_index);

    board.stats.net_pins += net.pin_count;
    read_net_pins(reader, net);

    if (net.connect_count != 0) {
        board.stats.connects += net.connect_count;
        TeeIndex tees;
        for (std::uint32_t i = 0; i < net.connect_count; ++i) {
            Connect connect;
            read_connect(reader, board, indexes, net_index, tees, connect, keep_traces);
            if (keep_traces) net.connects.push_back(std::move(connect));
        }
    }

    if (check_fromto(net, settings.fromto_mode)) ++warned;
    if (net.area_count != 0) read_net_areas(reader, board, indexes, net_index);
}

}  // namespace

void add_net_to_class(Board& board, LoadIndexes& indexes, std::uint32_t net_index) {
    Net& net = board.nets[net_index];
    // The first class of the same width and via, as a walk through the table finds it. A width
    // that is no number equals no class's.
    NetClassKey key;
    const bool comparable = net_class_key(net.trace_width, net.via_padstack, key);
    if (comparable) {
        const auto found = indexes.net_classes.find(key);
        if (found != indexes.net_classes.end()) {
            NetClass& net_class = board.net_classes[found->second];
            net_class.nets.push_back(net_index);
            ++net_class.net_count;
            net.net_class = found->second;
            return;
        }
    }
    NetClass net_class;
    net_class.trace_width = net.trace_width;
    net_class.via_pad_width = net.via_pad_width;
    net_class.via_hole = net.via_hole;
    net_class.via_padstack = net.via_padstack;
    net_class.net_count = 1;
    net_class.nets.push_back(net_index);
    board.net_classes.push_back(std::move(net_class));
    net.net_class = static_cast<std::uint32_t>(board.net_classes.size() - 1);
    if (comparable) indexes.net_classes.emplace(key, net.net_class);
}

void add_tee(Net& net, TeeIndex& index, std::uint32_t id, std::uint32_t layer, double x, double y) {
    const auto [entry, added] = index.emplace(id, net.tees.size());
    if (!added) {
        const Tee& tee = net.tees[entry->second];
        if (tee.x != x) fatal_error(12134, "Tee X value changed");
        if (tee.y != y) fatal_error(12139, "Tee Y value changed");
        return;
    }
    net.tees.push_back({id, layer, x, y});
    net.tee_count = static_cast<std::uint32_t>(net.tees.size());
}

void read_nets(LineReader& reader, Board& board, const RunSettings& settings) {
    board.net_classes.assign(1, NetClass{});
    // Every class, padstack, drill tool and layer net the section adds goes through these lookups.
    LoadIndexes indexes(board);

    if (!find_section(reader, "[nets]", settings.verbose)) fatal_error(12391, "premature EOF looking for FPC nets");
    const std::uint32_t count =
        count_records(reader, "[nets]", "net:", false, 12416, "premature EOF in nets Pass 1");
    board.nets.clear();
    reserve_on_huge_pages(board.nets, count);
    board.nets.resize(count);  // made in place: no copy of a blank net for each
    board.stats.nets = count;

    std::uint32_t warned = 0;
    for (std::uint32_t i = 0; i < count; ++i) read_net(reader, board, indexes, i, settings, warned);

    finish_copper_layers(board);

    if (settings.fromto_mode >= 2 && warned != 0) {
        std::fprintf(console(),
                     "\n\n WARNING! %d net%s may have missing FROMTO record(s) due to net visibility.\n"
                     "          Verify router rat-lines and pins for net completeness\n",
                     static_cast<int>(warned), warned == 1 ? "" : "s");
    }
}

}  // namespace tarnwick
