#pragma once

namespace tarnwick {

// One whole run of the program: banner, switches, load, one job, elapsed time.
// Returns the process exit status.
int run(int argc, const char* const* argv);

}  // namespace tarnwick
