#pragma once
// std::sscanf for the number records of the board and session files, without its cost on the
// plain numbers those records hold.

#include <cstdarg>

namespace tarnwick {

// Scans `text` exactly as std::sscanf(text, format, ...) does, storing the same values and
// returning the same count. A format of blanks and the directives %u, %d, %lf, %*u, %*d and %*f
// over fields that are plain decimal numbers (digits, a minus sign where the directive takes
// one, a fraction: nothing that leaves a doubt about how far a field reaches or what it is
// worth), and %<width>s over words no longer than the width, is read here; anything else, and
// every record that does not fill the whole format, is handed to std::sscanf itself.
int scan_record(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// A plain decimal real at `text`: an optional minus sign, digits, and a point with digits after
// it, at most 15 digits in all, ended by something that cannot continue a number (no point,
// letter or exponent). Its value is the one strtod gives, and `text` is moved past it; false for
// anything else, `text` left where it was.
bool plain_decimal(const char*& text, double& value);
// The same with the destinations as a va_list, for scanners built on this one. When `reals` is
// given and the record is read here rather than by std::sscanf, the real values stored are put
// there as well, in order (at most 16), and their number in `real_count`; else `real_count` is
// -1 and the caller finds them in their destinations.
int vscan_record(const char* text, const char* format, va_list args, double* reals = nullptr,
                 int* real_count = nullptr);

}  // namespace tarnwick
