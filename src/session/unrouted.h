#pragma once
// What the routed board leaves unrouted: the pieces of each net's copper that nothing joins, by
// the rule of the connections check with the copper areas included. A net in k pieces has k - 1
// open connections, as the router counts them; each is named by the shortest airline that joins
// two pieces, the k - 1 of a net chosen as the router's ratsnest draws them (the shortest tree).

#include <cstdint>
#include <cstdio>
#include <limits>
#include <tuple>
#include <vector>

#include "board/board.h"
#include "session/connectivity.h"

namespace tarnwick {

// One end of an open connection: the pin it names (an index into the net's pins, -1 for a side
// with no pin, named by its place) and the place the airline leaves from.
struct OpenEnd {
    std::int32_t pin = -1;
    double x = 0;
    double y = 0;
};

struct OpenConnection {
    std::uint32_t net = 0;
    OpenEnd from;
    OpenEnd to;
};

struct UnroutedReport {
    std::uint32_t connections = 0;
    std::uint32_t nets = 0;             // nets with a connection open
    std::vector<OpenConnection> open;   // by net, each net's shortest first
};

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
    std::uint32_t a = UINT32_MAX;
    std::uint32_t b = UINT32_MAX;
    bool operator<(const Airline& other) const {
        return std::tie(length2, a, b) < std::tie(other.length2, other.a, other.b);
    }
};

// The shortest tree of airlines joining the pieces numbered 0 to `pieces` - 1 by their points:
// pieces - 1 airlines, fewer when some piece has no point, shortest first. Airlines are ordered
// by length and then by their points' numbers, so there is one such tree.
std::vector<Airline> shortest_tree(const std::vector<PiecePoint>& points, std::uint32_t pieces);

// The open connections of net `n` of the routed board, whose copper `copper` is joined into
// `groups` with its areas, added to `report` (check_routed_board calls it for every net but the
// keepout nets, which are none of the router's).
void add_open_connections(const Board& board, std::uint32_t n, const std::vector<PinPad>& pads,
                          const BoardCopper& copper, const CopperGroups& groups, UnroutedReport& report);

// How an end is named: "U1.7", or its place "(1.250, 0.300)" in inches.
std::string open_end_name(const Net& net, const OpenEnd& end);

// "Unrouted: 3 connections in 2 nets" and a line per open connection.
void print_unrouted(std::FILE* console, const Board& board, const UnroutedReport& report);

}  // namespace tarnwick
