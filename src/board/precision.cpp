#include "board/precision.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarnwick {

namespace {

constexpr double powers_of_ten[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

// The digits printf writes for the value at `places` decimals, as one integer (its magnitude),
// for a value whose scaled magnitude is far within a double's integers: printf rounds the exact
// value to the nearest, ties to even. False where the text must be made.
bool printed_digits(double value, int places, double& digits) {
    if (places < 0 || places > 8 || !std::isfinite(value)) return false;
    const double scale = powers_of_ten[places];
    const double product = value * scale;
    if (!(std::fabs(product) < 0x1p50)) return false;
    // The product's rounding error, exactly: value * scale is product + error.
    const double error = std::fma(value, scale, -product);
    double n = std::nearbyint(product);
    // Only a product that fell on a half can have been moved across it by its rounding.
    const double half = product - n;
    if (half == 0.5 && error > 0) n += 1;
    if (half == -0.5 && error < 0) n -= 1;
    digits = std::fabs(n);
    return true;
}

// The text's value without the text: the nearest double to the digits over the power of ten,
// which one division gives, as strtod gives it for the text.
bool without_text(double value, int places, double& result) {
    double digits = 0;
    if (!printed_digits(value, places, digits)) return false;
    const double magnitude = digits / powers_of_ten[places];
    result = std::signbit(value) ? -magnitude : magnitude;  // "-0.00" reads as -0
    return true;
}

}  // namespace

double to_precision(double value, int places) {
    double result = 0;
    if (without_text(value, places, result)) return result;
    char text[400];  // the widest double in "%f" form is about 310 digits
    std::snprintf(text, sizeof text, "%1.*lf", places, value);
    return std::strtod(text, nullptr);
}

std::string_view format_fixed(char (&text)[fixed_text_size], double value, int places) {
    double digits = 0;
    if (!printed_digits(value, places, digits)) {
        std::snprintf(text, sizeof text, "%1.*lf", places, value);
        return text;
    }
    // The digits from the last: `places` of them, the point, and at least one before it; then
    // the sign printf gives every negative value, -0 and those that round to 0 included.
    auto n = static_cast<std::uint64_t>(digits);
    char reversed[32];
    char* const end = reversed + sizeof reversed;
    char* first = end;
    for (int written = 0; written < places; ++written) {
        *--first = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    if (places > 0) *--first = '.';
    do {
        *--first = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    char* out = text;
    if (std::signbit(value)) *out++ = '-';
    const auto length = static_cast<std::size_t>(end - first);
    std::memcpy(out, first, length);
    out[length] = '\0';
    return {text, static_cast<std::size_t>(out + length - text)};
}

}  // namespace tarnwick
