#pragma once
// The switches and file names of one run, and the program constants beside them.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

inline constexpr double program_version = 1.301;
inline constexpr char release_letter = 'R';
inline const double pi = 4.0 * std::atan(1.0);
inline const double deg_to_rad = pi / 180.0;

// File names live in 128-character fields in the stored formats' tradition; a longer name
// is refused on the command line rather than cut.
inline constexpr std::size_t file_name_max = 127;

// The routing passes the route job lets the router run when not told otherwise.
inline constexpr std::uint32_t default_router_passes = 20;

// The route job (-R): the export, the router and the back-annotation in one run.
struct RouteSettings {
    bool enabled = false;
    std::string router;  // --router=<path>, "" to look for it
    std::uint32_t passes = default_router_passes;
    double time_limit = 0;  // --time-limit=<seconds>, 0 for none
    std::string summary;    // --summary=<file>, "" for none
    std::vector<std::string> router_arguments;  // after "--", handed to the router as they are
    // The route's own files, named with the run's files (see name_run_files).
    std::string session_file;  // the router's session, put beside the board
    std::string log_file;      // the router's log
};

// Filled where the command line is parsed and only read after that: every reader and writer
// takes it as const.
struct RunSettings {
    bool back_annotate = false;
    std::uint32_t fromto_mode = 0;  // 0 off, 1 locked only, 2 any with lock, 3 all
    bool info_only = false;
    bool verbose = false;
    bool picture = false;  // --svg: an SVG picture of the board beside what the job writes
    std::uint32_t pcb_outline = 1;     // 1-based: the first outline unless -U names another
    std::uint32_t signal_outline = 1;  // 1-based: the first outline unless -U names another
    // The run's files, named once from the file arguments (see name_run_files).
    std::string fpcname;         // the board file
    std::string specctraname;    // the Specctra file of the job: the session read by -B, else the design file
    std::string routed_fpcname;  // the routed board that -B writes
    RouteSettings route;
    std::string picture_name;    // the picture of --svg: of the board as loaded, or of the routed board with -B
};

}  // namespace tarnwick
