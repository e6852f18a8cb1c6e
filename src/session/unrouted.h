#pragma once
// What the routed board leaves unrouted: the pieces of each net's copper that nothing joins, by
// the rule of the connections check with the copper areas included. A net in k pieces has k - 1
// open connections, as the router counts them; each is named by the shortest airline that joins
// two pieces, the k - 1 of a net chosen as the router's ratsnest draws them (the shortest tree).

#include <cstdint>
#include <cstdio>
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

// The open connections of the routed board's nets (keepout nets are none of the router's).
// Points within `reach` of each other in x and in y meet.
UnroutedReport find_unrouted(const Board& board, const NetPinPads& pads, double reach);

// How an end is named: "U1.7", or its place "(1.250, 0.300)" in inches.
std::string open_end_name(const Net& net, const OpenEnd& end);

// "Unrouted: 3 connections in 2 nets" and a line per open connection.
void print_unrouted(std::FILE* console, const Board& board, const UnroutedReport& report);

}  // namespace tarnwick
