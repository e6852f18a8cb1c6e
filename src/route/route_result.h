#pragma once
// What a route job comes to: the exit status a script can trust, the closing console line, and
// the summary file (--summary) that says it all as JSON.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "board/net.h"
#include "route/router_run.h"
#include "session/connectivity.h"
#include "session/unrouted.h"

namespace tarnwick {

// The copper of a table of nets: vias, each once per net and place (the board file repeats one
// at every trace end it joins), and the length of the trace segments on copper layers, in inches.
struct CopperTotals {
    std::uint64_t vias = 0;
    double length = 0;
};
CopperTotals copper_totals(const std::vector<Net>& nets);

// An open connection of the routed board as the summary names it: the net, and each side's pin
// (empty where it has none) and place in inches.
struct UnroutedEntry {
    std::string net;
    std::string from_pin;
    double from_x = 0;
    double from_y = 0;
    std::string to_pin;
    double to_x = 0;
    double to_y = 0;
};

struct RouteResult {
    std::string board;
    std::string design_file;
    std::string session_file;
    std::string routed_board;  // "" until it is written
    std::string router_log;
    std::uint32_t passes = 0;  // the limit the router was given
    double time_limit = 0;
    RouterRun router;
    bool connections_checked = false;
    ConnectionCount connections;
    bool unrouted_counted = false;  // the routed board's open connections found
    std::uint32_t unrouted = 0;
    std::vector<UnroutedEntry> unrouted_list;
    CopperTotals before;  // the board as loaded
    CopperTotals after;   // the routed board
    int error_code = 0;   // the failure that ended the run, 0 for none
    std::string error_message;
};

// Connections the router left open, as it counts them (its statistics, else its last pass);
// -1 when it said nothing.
std::int64_t unrouted_by_router(const RouterRun& run);

// Notes the routed board's open connections in the result, by name.
void note_unrouted(RouteResult& result, const Board& board, const UnroutedReport& report);

// Connections left open: as the routed board leaves them, once it is written; else as the router
// counts them; -1 when neither is known.
std::int64_t unrouted_count(const RouteResult& result);

// 0 when every connection is routed and kept, unrouted_exit_status when the routed board is
// written with connections open or lost; a failure's own status otherwise.
int route_exit_status(const RouteResult& result);

// The closing line on the console of a route whose routed board is written.
void print_route_result(std::FILE* console, const RouteResult& result);

nlohmann::ordered_json route_summary(const RouteResult& result);

// Our own codes for a summary file that could not be written, or would replace an input.
inline constexpr int summary_not_written = 50028;
inline constexpr int summary_name_is_input = 50029;

// Writes the summary (whole, or not at all); error 50028 when it cannot be stored.
void write_route_summary(const std::string& file, const RouteResult& result);

}  // namespace tarnwick
