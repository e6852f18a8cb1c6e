#pragma once

namespace tarnwick {

// Padstacks and drill tools compare lengths at four decimals of an inch.
inline constexpr int padstack_precision = 4;

// The value as the decimal text "%1.*lf" gives it, read back: the nearest double to that text.
double to_precision(double value, int places);

bool same_at_precision(double a, double b, int places);

}  // namespace tarnwick
