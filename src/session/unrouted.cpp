#include "session/unrouted.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "board/layers.h"
#include "core/errors.h"
#include "session/place_index.h"

namespace tarnwick {

namespace {

constexpr std::uint32_t none = UINT32_MAX;

// A place of a piece that an airline may leave from: a pin's centre, a trace's vertex, a via,
// an area's corner.
struct PiecePoint {
    double x;
    double y;
    std::uint32_t piece;
    std::int32_t pin;  // the net pin whose centre it is, or -1
};

// An airline between two points; ordered by length, then by its points, so that every choice
// among airlines of one length is the same on every run.
struct Airline {
    double length2 = std::numeric_limits<double>::infinity();
    std::uint32_t a = none;
    std::uint32_t b = none;
    bool operator<(const Airline& other) const {
        return std::tie(length2, a, b) < std::tie(other.length2, other.a, other.b);
    }
};

// The shortest tree of airlines joining `pieces` pieces, by rounds in which every set of pieces
// takes its shortest airline to another (as many rounds as the pieces take to halve, at most
// log2 of them). Each point's nearest point of another set is found ring by ring of cells.
std::vector<Airline> shortest_tree(const std::vector<PiecePoint>& points, std::uint32_t pieces) {
    double x0 = points[0].x;
    double x1 = x0;
    double y0 = points[0].y;
    double y1 = y0;
    for (const PiecePoint& p : points) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    // Cells about as wide as the points lie apart, were they spread evenly.
    const double side = std::max(x1 - x0, y1 - y0);
    const double cell = side / std::sqrt(static_cast<double>(points.size()));
    PlaceIndex index(cell > 1e-6 ? cell : 1e-6);
    index.reserve(points.size());
    for (std::uint32_t i = 0; i < points.size(); ++i) index.insert(i, points[i].x, points[i].y);

    Groups sets(pieces);
    std::vector<Airline> tree;
    std::uint32_t left = pieces;
    std::vector<Airline> best;
    while (left > 1) {
        best.assign(pieces, Airline{});
        for (std::uint32_t i = 0; i < points.size(); ++i) {
            const PiecePoint& p = points[i];
            const std::uint32_t set = sets.find(p.piece);
            Airline& shortest = best[set];
            index.visit_outwards(
                p.x, p.y,
                [&](std::uint32_t q) {
                    if (sets.find(points[q].piece) == set) return;
                    const double dx = points[q].x - p.x;
                    const double dy = points[q].y - p.y;
                    const Airline line{dx * dx + dy * dy, std::min(i, q), std::max(i, q)};
                    if (line < shortest) shortest = line;
                },
                [&](double clear) { return clear * clear > shortest.length2; });
        }
        bool joined = false;
        for (std::uint32_t set = 0; set < pieces; ++set) {
            const Airline& line = best[set];
            if (line.a == none) continue;
            if (sets.join(points[line.a].piece, points[line.b].piece)) {
                tree.push_back(line);
                --left;
                joined = true;
            }
        }
        if (!joined) break;
    }
    std::sort(tree.begin(), tree.end());
    return tree;
}

bool has_copper(const PinPad& pad) { return pad.copper[top_kind] || pad.copper[bottom_kind] || pad.copper[inner_kind]; }

// The open connections of one net, added to `report`.
void find_open(const Board& board, std::uint32_t n, const std::vector<PinPad>& pads, double reach,
               UnroutedReport& report) {
    const Net& net = board.nets[n];
    const BoardCopper copper(net);
    const CopperGroups groups = join_copper(net, pads, copper.runs, copper.vias, net.areas, reach);

    // The pieces, numbered by their first pin, then by their first trace, via and area.
    std::vector<std::uint32_t> piece_of(groups.group.size(), none);
    std::uint32_t pieces = 0;
    std::vector<std::int32_t> first_pin;
    auto piece = [&](std::uint32_t item) {
        std::uint32_t& p = piece_of[groups.group[item]];
        if (p == none) {
            p = pieces++;
            first_pin.push_back(-1);
        }
        return p;
    };
    std::vector<PiecePoint> points;
    const std::uint32_t pin_count = static_cast<std::uint32_t>(std::min(net.pins.size(), pads.size()));
    for (std::uint32_t k = 0; k < pin_count; ++k) {
        const NetPin& pin = net.pins[k];
        if (pin.no_position || !has_copper(pads[k])) continue;
        const std::uint32_t p = piece(groups.first_pin() + k);
        if (first_pin[p] < 0) first_pin[p] = static_cast<std::int32_t>(k);
        points.push_back(PiecePoint{pin.x, pin.y, p, static_cast<std::int32_t>(k)});
    }
    for (std::uint32_t r = 0; r < groups.runs; ++r) {
        const std::uint32_t p = piece(r);
        const CopperRun& run = copper.runs[r];
        for (std::uint32_t i = 0; i < run.count; ++i) points.push_back(PiecePoint{run.points[i].x, run.points[i].y, p, -1});
    }
    for (std::uint32_t v = 0; v < groups.vias; ++v) {
        points.push_back(PiecePoint{copper.vias[v].x, copper.vias[v].y, piece(groups.first_via() + v), -1});
    }
    for (std::uint32_t a = 0; a < groups.areas; ++a) {
        const Area& area = net.areas[a];
        if (area.off_copper) continue;
        const std::uint32_t p = piece(groups.first_area() + a);
        for (const AreaContour& contour : area.contours) {
            for (const ContourPoint& corner : contour.points) points.push_back(PiecePoint{corner.x, corner.y, p, -1});
        }
    }
    if (pieces < 2) return;

    ++report.nets;
    report.connections += pieces - 1;
    auto end_of = [&](const PiecePoint& point) {
        const std::int32_t pin = point.pin >= 0 ? point.pin : first_pin[point.piece];
        return OpenEnd{pin, point.x, point.y};
    };
    for (const Airline& line : shortest_tree(points, pieces)) {
        const PiecePoint* a = &points[line.a];
        const PiecePoint* b = &points[line.b];
        if (b->piece < a->piece) std::swap(a, b);
        report.open.push_back(OpenConnection{n, end_of(*a), end_of(*b)});
    }
}

}  // namespace

UnroutedReport find_unrouted(const Board& board, const NetPinPads& pads, double reach) {
    UnroutedReport report;
    for (std::uint32_t n = 0; n < board.nets.size(); ++n) {
        if (board.nets[n].reserved != 0) continue;
        find_open(board, n, pads.of_net(n), reach, report);
    }
    return report;
}

std::string open_end_name(const Net& net, const OpenEnd& end) {
    if (end.pin >= 0 && static_cast<std::size_t>(end.pin) < net.pins.size()) {
        return net.pins[static_cast<std::size_t>(end.pin)].pin_ref;
    }
    return strformat("(%1.3lf, %1.3lf)", end.x, end.y);
}

void print_unrouted(std::FILE* console, const Board& board, const UnroutedReport& report) {
    if (report.connections == 0) {
        std::fprintf(console, "  Unrouted: 0 connections\n");
        return;
    }
    std::fprintf(console, "  Unrouted: %u connection%s in %u net%s\n", report.connections,
                 report.connections == 1 ? "" : "s", report.nets, report.nets == 1 ? "" : "s");
    for (const OpenConnection& open : report.open) {
        const Net& net = board.nets[open.net];
        std::fprintf(console, "    net %s: %s to %s\n", net.name.c_str(), open_end_name(net, open.from).c_str(),
                     open_end_name(net, open.to).c_str());
    }
}

}  // namespace tarnwick
