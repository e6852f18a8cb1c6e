#pragma once

#include <string_view>

namespace tarnwick {

// Padstacks and drill tools compare lengths at four decimals of an inch.
inline constexpr int padstack_precision = 4;

// The value as the decimal text "%1.*lf" gives it, read back: the nearest double to that text.
double to_precision(double value, int places);

// The text "%1.*lf" makes of the value, made here for the lengths the writers print by the
// hundred thousand and by printf for the rest: the same characters either way.
inline constexpr int fixed_text_size = 400;  // the widest double in "%f" form is about 310 digits
// The text is NUL-terminated in `text`; the view returned holds it without the NUL.
std::string_view format_fixed(char (&text)[fixed_text_size], double value, int places);

}  // namespace tarnwick
