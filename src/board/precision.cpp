#include "board/precision.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarnwick {

namespace {

constexpr double powers_of_ten[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

// The text's value without the text, for a value whose scaled magnitude is far within a double's
// integers: printf rounds the exact value to the nearest (ties to even), and the text read back
// is the nearest double to that integer over the power of ten, which one division gives. False
// where the text must be made.
bool without_text(double value, int places, double& result) {
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
    const double magnitude = std::fabs(n) / scale;
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

bool same_at_precision(double a, double b, int places) {
    return to_precision(a, places) == to_precision(b, places);
}

}  // namespace tarnwick
