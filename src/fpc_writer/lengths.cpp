#include "fpc_writer/lengths.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "board/precision.h"
#include "board/units.h"

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
    // Nearly every length is a whole number of nanometres, give or take the rounding of the
    // inches it was kept in: its text is that number's, with every decimal stripped. Within far
    // less than half a millionth of the number, "%1.6lf" rounds to it; a value that rounds to
    // 0 from below keeps printf's "-0" and takes the general way.
    const double whole = std::nearbyint(value);
    if (std::fabs(whole) < 1e15 && std::fabs(value - whole) < 0.4e-6 && (whole != 0 || value == 0)) {
        char digits[24];
        const std::to_chars_result end =
            std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(whole));
        return std::string(digits, end.ptr);
    }
    // A number in "%6.6lf" is never narrower than its six decimals and the point, so the width
    // pads nothing: the text is "%1.6lf"'s, which format_fixed makes without printf for the
    // writer's many lengths. Only "inf" and "nan" are padded.
    char buffer[fixed_text_size];
    std::string_view text;
    if (std::isfinite(value)) {
        text = format_fixed(buffer, value + 0.0, 6);
    } else {
        std::snprintf(buffer, sizeof buffer, "%6.6lf", value);
        text = buffer;
    }
    if (text.find('.') != std::string_view::npos) {
        while (!text.empty() && text.back() == '0') text.remove_suffix(1);
        if (!text.empty() && text.back() == '.') text.remove_suffix(1);
    }
    return std::string(text);
}

std::int32_t signed_rounded_length(double inches) {
    const double nm = inches * nm_per_inch;
    return static_cast<std::int32_t>(to_int64(nm >= 0 ? nm + 0.5 : nm - 0.5));
}

}  // namespace tarnwick
