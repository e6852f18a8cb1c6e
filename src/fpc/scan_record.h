#pragma once
// std::sscanf for the number records of the board and session files, without its cost on the
// plain numbers those records hold.

namespace tarnwick {

// Scans `text` exactly as std::sscanf(text, format, ...) does, storing the same values and
// returning the same count. A format of blanks and the directives %u, %d, %lf, %*u, %*d and %*f
// over fields that are plain decimal numbers (digits, a minus sign where the directive takes
// one, a fraction: nothing that leaves a doubt about how far a field reaches or what it is
// worth) is read here; anything else, and every record that does not fill the whole format, is
// handed to std::sscanf itself.
int scan_record(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// Error code of a board-file number that is no length the board can hold.
inline constexpr int board_number_out_of_range = 13020;

// scan_record for a record of the board file whose real values (%lf) are lengths in a unit of
// `scale` inches: every length stored must be a number the board can hold (finite, and at most
// 2 147 483 647 nm either way once converted), else fatal_error(board_number_out_of_range)
// naming the record. The readers convert the values themselves, as before.
int scan_board_record(const char* record, double scale, const char* text, const char* format, ...)
    __attribute__((format(scanf, 4, 5)));

// The same check for one length read otherwise, in a unit of `scale` inches.
void check_board_length(const char* record, double scale, double value);

}  // namespace tarnwick
