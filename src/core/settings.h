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
};

struct RunSettings {
    bool back_annotate = false;
    std::uint32_t fromto_mode = 0;  // 0 off, 1 locked only, 2 any with lock, 3 all
    bool info_only = false;
    bool verbose = false;
    std::uint32_t pcb_outline = 0;     // 1-based; 0 until -U or the loader makes it 1
    std::uint32_t signal_outline = 0;  // 1-based; 0 until -U or the loader makes it 1
    std::string fpcname;       // first file argument; ".fpc" appended by the loader when it has no "."
    std::string specctraname;  // second file argument, or the first cut at its last "."
    RouteSettings route;
};

}  // namespace tarnwick
