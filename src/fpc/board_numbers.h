#pragma once
// The number records of the board file: std::sscanf as scan_record does it, and every length a
// record stores checked against what the board can hold.

namespace tarnwick {

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
