#include "fpc_writer/lengths.h"

#include "board/units.h"
#include "core/errors.h"

namespace tarnwick {

namespace {

// Conversions of doubles that cannot be represented give 0 rather than undefined behaviour;
// in range, negative values wrap as the unsigned fields of the file expect.
std::int64_t to_int64(double value) {
    if (!(value > -9.0e18 && value < 9.0e18)) return 0;
    return static_cast<std::int64_t>(value);
}

}  // namespace

std::string format_length(double value) {
    std::string text = strformat("%6.6lf", value + 0.0);
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    return text;
}

std::int32_t signed_rounded_length(double inches) {
    const double nm = inches * nm_per_inch;
    return static_cast<std::int32_t>(to_int64(nm >= 0 ? nm + 0.5 : nm - 0.5));
}

}  // namespace tarnwick
