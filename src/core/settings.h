#pragma once
// The switches and file names of one run, and the program constants beside them.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwick {

inline constexpr double program_version = 1.301;
inline constexpr char release_letter = 'R';
inline const double pi = 4.0 * std::atan(1.0);
inline const double deg_to_rad = pi / 180.0;

// File names live in 128-character fields in the stored formats' tradition; a longer name
// is refused on the command line rather than cut.
inline constexpr std::size_t file_name_max = 127;

struct RunSettings {
    bool back_annotate = false;
    std::uint32_t fromto_mode = 0;  // 0 off, 1 locked only, 2 any with lock, 3 all
    bool info_only = false;
    bool verbose = false;
    bool picture = false;  // --svg: an SVG picture of the board beside what the job writes
    std::uint32_t pcb_outline = 0;     // 1-based; 0 until -U or the loader makes it 1
    std::uint32_t signal_outline = 0;  // 1-based; 0 until -U or the loader makes it 1
    std::string fpcname;       // first file argument; ".fpc" appended by the loader when it has no "."
    std::string specctraname;  // second file argument, or the first cut at its last "."
};

}  // namespace tarnwick
