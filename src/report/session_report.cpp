#include "report/session_report.h"

#include <cstring>

#include "board/layers.h"
#include "board/pads.h"
#include "board/units.h"

namespace tarnwick {

namespace {

const char* plural(std::uint32_t count) { return count == 1 ? "" : "s"; }

std::uint32_t count_of(std::size_t size) { return static_cast<std::uint32_t>(size); }

// The totals of one report, over the nets it shows.
struct ReportTotals {
    std::uint32_t net_pins = 0;
    std::uint32_t open_ends = 0;
    std::uint32_t runts = 0;
    std::uint32_t dups = 0;
};

void write_header(std::FILE* out, const char* title, const Session& session, const Board& board) {
    std::fprintf(out, "\n  -------- %s --------\n", title);
    std::fprintf(out, "\nSession File \"%s\" Database State\n  %s\n  %s\n", session.name.c_str(),
                 session.header.session_line.c_str(), session.header.base_design_line.c_str());
    const std::uint32_t moved = session.stats.moved_part_count;
    const std::string count = moved == 0 ? std::string("No") : std::to_string(moved);
    std::fprintf(out, "\n%s Part%s relocated by the router", count.c_str(), plural(moved));
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < session.moved_parts.size(); ++i) {
        if (session.moved_parts[i] == 0) continue;
        const Part& part = board.parts[i];
        std::fprintf(out, "\n  %2u:  %s  now at (%1.5lf, %1.5lf), %s, %u", ++n, part.ref.c_str(), part.x, part.y,
                     part.side != 0 ? "Bottom" : "Top", part.rotation);
    }
    std::fprintf(out, "\n\nWiring Updates:");
}

// One end of a path: what it lies on, and whether the analysis moved it.
void write_path_end(std::FILE* out, const char* label, const PathPoint& point, std::int32_t pin, std::int32_t via,
                    std::int32_t tee, bool moved, ReportTotals& totals) {
    std::fprintf(out, "\n%s: (%1.5lf, %1.5lf) ", label, point.x, point.y);
    if (pin >= 0) std::fprintf(out, "Node: %u ", static_cast<unsigned>(pin) + 1);
    if (via >= 0) std::fprintf(out, "Via: %u ", static_cast<unsigned>(via) + 1);
    if (tee >= 0) std::fprintf(out, "Tee: %u ", static_cast<unsigned>(tee) + 1);
    if (moved) std::fprintf(out, "<Moved>");
    if (pin < 0 && via < 0 && tee < 0) {
        std::fprintf(out, "<Open>");
        ++totals.open_ends;
    }
}

void write_paths(std::FILE* out, const NetWire& wire, ReportTotals& totals) {
    std::fprintf(out, "\n\n  Paths: %u", count_of(wire.paths.size()));
    if (wire.duplicate_paths_removed != 0) {
        std::fprintf(out, "  (%u duplicate path%s removed)", wire.duplicate_paths_removed,
                     plural(wire.duplicate_paths_removed));
    }
    std::uint32_t i = 0;
    for (const WirePath& path : wire.paths) {
        const std::uint32_t segments = count_of(path.points.size()) - 1;
        std::fprintf(out, "\n  %3u:  %u segment%s  ", ++i, segments, plural(segments));
        if (path.runts > 0) std::fprintf(out, "(Runts: %u)  ", path.runts);
        std::fprintf(out, "Width: %1.5lf  Length: %1.5lf  Layer: %s  %s  ", path.width, path.length,
                     layer_name(path.layer).c_str(), path.reversed ? "(Rev)" : "");
        if (path.duplicates_deleted > 0) {
            std::fprintf(out, "(%u dup%s deleted)", path.duplicates_deleted,
                         path.duplicates_deleted == 1 ? "" : "'s");
        }
        write_path_end(out, "       Start", path.points.front(), path.start_pin, path.start_via, path.start_tee,
                       (path.moved_ends & 1) != 0, totals);
        write_path_end(out, "         End", path.points.back(), path.end_pin, path.end_via, path.end_tee,
                       (path.moved_ends & 2) != 0, totals);
        totals.runts += path.runts;
        totals.dups += path.duplicates_deleted;
    }
}

// What a path end lies on, by the first of pin, via and tee it has.
void write_end_name(std::FILE* out, const Net& net, std::int32_t pin, std::int32_t via, std::int32_t tee) {
    if (pin >= 0) {
        std::fprintf(out, "%s", net.pins[static_cast<std::size_t>(pin)].pin_ref.c_str());
    } else if (via >= 0) {
        std::fprintf(out, "Via %u", static_cast<unsigned>(via) + 1);
    } else if (tee >= 0) {
        std::fprintf(out, "Tee %u", static_cast<unsigned>(tee) + 1);
    } else {
        std::fprintf(out, "<Open>");
    }
}

void write_traces(std::FILE* out, const NetWire& wire, const Net& net) {
    std::fprintf(out, "\n\n  Traces: %u", wire.trace_count);
    for (std::uint32_t j = 0; j < wire.trace_count && j < wire.connection_sets.size(); ++j) {
        const ConnectionSet& set = wire.connection_sets[j];
        std::fprintf(out, "\n    Trace: %u  Paths: %u", j + 1, set.path_count);
        for (std::uint32_t slot = 0; slot < set.path_count; ++slot) {
            const std::int32_t index = slot < set.path_list.size() ? set.path_list[slot] : -1;
            if (index < 0) {
                std::fprintf(out, "\n\n  -- Empty Path (%d) found --\n", index);
                break;
            }
            const WirePath& path = wire.paths[static_cast<std::size_t>(index)];
            std::fprintf(out, "\n    %2u:  Path: %u  %s  ", slot + 1, static_cast<unsigned>(index) + 1,
                         path.reversed ? "Rev" : "Fwd");
            if (path.reversed) {
                write_end_name(out, net, path.end_pin, path.end_via, path.end_tee);
                std::fprintf(out, "  to  ");
                write_end_name(out, net, path.start_pin, path.start_via, path.start_tee);
            } else {
                write_end_name(out, net, path.start_pin, path.start_via, path.start_tee);
                std::fprintf(out, "  to  ");
                write_end_name(out, net, path.end_pin, path.end_via, path.end_tee);
            }
        }
        std::fflush(out);
    }
}

void write_areas(std::FILE* out, const NetWire& wire) {
    std::fprintf(out, "\n\n  Areas: %u", count_of(wire.polys.size()));
    std::uint32_t a = 0;
    for (const WirePoly& poly : wire.polys) {
        std::fprintf(out, "\n    Area: %u   Cutouts: %u   Points: %u   Layer: %s", ++a, count_of(poly.windows.size()),
                     count_of(poly.points.size()), layer_name(poly.layer).c_str());
        std::uint32_t p = 0;
        for (const PathPoint& point : poly.points) std::fprintf(out, "\n    %2u: (%1.5lf, %1.5lf)", ++p, point.x, point.y);
        std::uint32_t w = 0;
        for (const PointList& window : poly.windows) {
            std::fprintf(out, "\n    Window: %u   Points: %u", ++w, count_of(window.size()));
            std::uint32_t q = 0;
            for (const PathPoint& point : window) {
                std::fprintf(out, "\n      %2u: (%1.5lf, %1.5lf)", ++q, point.x, point.y);
            }
        }
    }
}

void write_net_wire(std::FILE* out, const NetWire& wire, const Net& net, const Board& board, bool with_traces,
                    ReportTotals& totals) {
    std::fprintf(out, "\n\nNet: \"%s\" (\"%s\")", wire.name.c_str(), net.name.c_str());
    std::fprintf(out, "\n  Nodes: %u   Pin connects to go: %u", count_of(net.pins.size()),
                 static_cast<unsigned>(wire.pin_connects_to_go));
    totals.net_pins += count_of(net.pins.size());
    std::uint32_t n = 0;
    for (const NetPin& pin : net.pins) {
        const std::uint32_t path_ends = wire.pin_path_ends.empty() ? 0 : wire.pin_path_ends[n];
        std::fprintf(out, "\n  %3u: %s (%1.5lf, %1.5lf) %u trace%s, ", ++n, pin.pin_ref.c_str(), pin.x, pin.y,
                     path_ends, plural(path_ends));
        std::fprintf(out, "%s", pin.layer == top_copper_layer      ? "Top only"
                                : pin.layer == bottom_copper_layer ? "Bottom only"
                                                                   : "Any layer");
        if (pin.layer >= top_copper_layer && path_ends == 0) std::fprintf(out, "  <Isolated>");
    }
    write_paths(out, wire, totals);
    if (with_traces && !wire.paths.empty()) write_traces(out, wire, net);
    write_areas(out, wire);
    std::fprintf(out, "\n\n  Vias: %u", count_of(wire.vias.size()));
    std::uint32_t v = 0;
    for (const WireVia& via : wire.vias) {
        std::fprintf(out, "\n    %3u: %s  (%1.5lf, %1.5lf)  Traces: %u", ++v, padstack_name(board, via.padstack).c_str(),
                     via.x, via.y, via.path_ends);
    }
    std::fprintf(out, "\n\n  Tees: %u", count_of(wire.tees.size()));
    std::uint32_t t = 0;
    for (const WireTee& tee : wire.tees) {
        std::fprintf(out, "\n    %3u: T%5u  (%1.5lf, %1.5lf)  Traces: %u", ++t, tee.id, tee.x, tee.y, tee.path_ends);
    }
}

void write_summary(std::FILE* out, const char* title, const SessionStats& stats, const Board& board,
                   const ReportTotals& totals) {
    std::fprintf(out, "\n\n --------------------------");
    std::fprintf(out, "\n\nSummary: %s", title);
    std::fprintf(out, "\n\nParts:   %u", count_of(board.parts.size()));
    std::fprintf(out, "\n  Moved: %u", stats.moved_part_count);
    std::fprintf(out, "\n\nNet Pins:    %u", totals.net_pins);
    std::fprintf(out, "\n  Connected: %u", stats.pins_connected);
    std::fprintf(out, "\n  Open:      %u", totals.net_pins - stats.pins_connected);
    std::fprintf(out, "\n  Multi:     %u", stats.pins_multi);
    std::fprintf(out, "\n\nPaths: %u", stats.paths_read);
    std::fprintf(out, "\n  Pin to Pin: %u", stats.pin_to_pin);
    std::fprintf(out, "\n  Pin to Via: %u", stats.pin_to_via);
    std::fprintf(out, "\n  Via to Via: %u", stats.via_to_via);
    std::fprintf(out, "\n  Pin to Tee: %u", stats.pin_to_tee);
    std::fprintf(out, "\n  Via to Tee: %u", stats.via_to_tee);
    std::fprintf(out, "\n  Tee to Tee: %u", stats.tee_to_tee);
    std::fprintf(out, "\n\n  Open Path Ends: %u", totals.open_ends);
    std::fprintf(out, "\n  Runt Paths:     %u", totals.runts);
    std::fprintf(out, "\n  Dup's Deleted:  %u", totals.dups);
    std::fprintf(out, "\n\nAreas:      %u", stats.areas_read);
    std::fprintf(out, "\n  Cutouts:  %u", stats.windows_read);
    std::fprintf(out, "\n\nVias:       %u", stats.vias_read);
    std::fprintf(out, "\n  Ends Near Pins: %u", stats.via_ends_near_pins);
    std::fprintf(out, "\n\nTees:       %u", stats.tees_made);
    std::fprintf(out, "\n  Via Tees: %u", stats.via_tees_made);
    std::fprintf(out, "\n\nFixups:     %u", stats.fixups);
    std::fprintf(out, "\n  At Pins:  %u", stats.fixups_at_pins);
    std::fprintf(out, "\n\n  -------- End --------\n\n\n");
}

}  // namespace

void write_session_report(std::FILE* out, const char* title, bool with_traces, const Session& session,
                          const Board& board) {
    write_header(out, title, session, board);
    ReportTotals totals;
    for (const NetWire& wire : session.wire_list) {
        if (std::strstr(wire.name.c_str(), "KEEPOUT") != nullptr || std::strstr(wire.name.c_str(), "POWER_LAYER") != nullptr) {
            continue;
        }
        if (wire.paths.empty() && wire.polys.empty()) continue;
        write_net_wire(out, wire, board.nets[static_cast<std::size_t>(wire.net_index)], board, with_traces, totals);
    }
    write_summary(out, title, session.stats, board, totals);
    std::fflush(out);
}

StateReport session_reports_to(std::FILE* out) {
    return [out](const char* title, bool with_traces, const Session& session, const Board& board) {
        write_session_report(out, title, with_traces, session, board);
    };
}

}  // namespace tarnwick
