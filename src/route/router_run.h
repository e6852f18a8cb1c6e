#pragma once
// One run of the router on an exported design: started in a folder of the run's own with plain
// names, watched as it logs its passes, judged done by its session file (whole, and no longer
// growing) whether or not it exits, ended at a time limit, and ended cleanly in every case. The
// session file it wrote is then put beside the board.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "route/router_log.h"
#include "route/router_search.h"

namespace tarnwick {

struct RouterJob {
    std::string router_option;  // --router=<path>, "" to look for it
    std::string design_file;    // the design file as exported
    std::string session_file;   // where the router's session file is put
    std::string log_file;       // where its log is kept
    std::uint32_t passes = 0;
    double time_limit = 0;      // seconds, 0 for none
    std::vector<std::string> extra_arguments;  // handed to the router after its own
    bool verbose = false;       // the router's log on the console as it comes
};

// How the router's run ended.
enum class RouterEnd {
    not_started,
    exited,         // by itself, its session file written
    ended_by_us,    // its session file whole and still, it did not exit and was ended
    time_limit,     // ended at the time limit, its session file written before
    failed,         // no session file to go on with
};

// What the run of the router found, filled as it goes (a failure leaves what was found so far).
struct RouterRun {
    RouterCommand command;
    std::string version;            // as the router names itself, "" when it did not
    RouterEnd end = RouterEnd::not_started;
    int exit_status = -1;           // the router's own, -1 when it was ended
    std::uint32_t passes_run = 0;   // routing passes completed
    std::int64_t unrouted = -1;     // after its last pass, -1 when it did not say
    std::int64_t violations = -1;
    double seconds = 0;             // from its start to its end
    nlohmann::ordered_json statistics;  // the statistics it printed, or null
};

// Our own codes for a router that could not run, ended without a usable session file, or ran
// past the time limit without one.
inline constexpr int router_not_started = 50020;
inline constexpr int router_needs_newer_java = 50021;
inline constexpr int router_wrote_no_session = 50022;
inline constexpr int router_session_unreadable = 50023;
inline constexpr int router_time_limit = 50024;
inline constexpr int router_folder_not_made = 50025;
inline constexpr int router_log_not_written = 50026;
inline constexpr int router_session_not_written = 50027;

// Finds the router, runs it on the job's design and puts its session file in place. Every
// failure ends through fatal_error naming the log; the board and the design file are left as
// they are, the log is kept, and no process or temporary file of the run is left.
void run_router(const RouterJob& job, RouterRun& run);

// The router's own time-out for a time limit, as Freerouting takes it (HH:MM:SS): a fifth of the
// limit before it (at least a second, at most a minute), so that the router saves its best board
// before the limit ends it.
std::string router_job_timeout(double time_limit);

// The line that shows a completed pass: "pass 3 of 20 done, 12 unrouted, 4 violations".
std::string pass_progress(const PassReport& pass, std::uint32_t passes);

// Whether a session file's text reads as a whole session: a "(session" list closed at its end.
// `why` says what is wrong otherwise.
bool is_whole_session(std::vector<char> contents, std::string& why);

}  // namespace tarnwick
