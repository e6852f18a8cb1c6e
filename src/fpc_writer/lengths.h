#pragma once
// Lengths as the board file writes them.

#include <cstdint>
#include <string>

namespace tarnwick {

// The length text of the board file: "%6.6lf" without trailing zeros or a trailing point,
// and never "-0".
std::string format_length(double value);

// A board length in nanometres, rounded half away from zero as the board file stores it (a
// value that no 64-bit integer holds gives 0).
std::int32_t signed_rounded_length(double inches);

}  // namespace tarnwick
