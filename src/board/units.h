#pragma once
// Units, angles and layer numbers shared by every reader and writer.

#include <cstdint>

namespace tarnwick {

// Board lengths are inches. The board file stores nanometres (or mils inside some footprints).
inline constexpr double nm_to_inch = 3.937007874015748e-08;  // 1 / 25 400 000
inline constexpr double nm_per_inch = 25400000.0;
inline constexpr double mil_to_inch = 0.001;
inline constexpr double inch_to_mil = 1000.0;

// The board file holds lengths as 32-bit nanometres, and the design file is written from the
// same inches: a length beyond this either way (about 84.5 inches) could not be written back.
inline constexpr double max_board_nm = 2147483647.0;
inline bool board_can_hold(double inches) { return inches * nm_per_inch <= max_board_nm && inches * nm_per_inch >= -max_board_nm; }

// The file counts degrees clockwise, the board counter-clockwise; the same unsigned
// arithmetic converts both ways, so 0 stays 0 and 90 becomes 270.
inline constexpr std::uint32_t convert_angle(std::uint32_t degrees) { return (360u - degrees) % 360u; }

// Layer numbers: the non-copper layers come first, so top copper is 12, bottom 13 and
// inner layer k is 13 + k; 0 stands for all copper layers (a drilled pin, a via's keepout).
inline constexpr std::uint32_t all_copper_layers = 0;
inline constexpr std::uint32_t background_layer = 1;  // holds nothing of the board
inline constexpr std::uint32_t rat_line_layer = 6;
inline constexpr std::uint32_t top_silk_layer = 7;
inline constexpr std::uint32_t bottom_silk_layer = 8;
inline constexpr std::uint32_t top_mask_layer = 9;
inline constexpr std::uint32_t bottom_mask_layer = 10;
inline constexpr std::uint32_t through_pad_layer = 11;
inline constexpr std::uint32_t non_copper_layers = 12;
inline constexpr std::uint32_t top_copper_layer = 12;
inline constexpr std::uint32_t bottom_copper_layer = 13;

// Inner copper layer k (from 1), and the k of an inner layer.
inline constexpr std::uint32_t inner_copper_layer(std::uint32_t k) { return bottom_copper_layer + k; }
inline constexpr std::uint32_t inner_layer_number(std::uint32_t layer) { return layer - bottom_copper_layer; }

// The layer list of the options holds room for 44 entries, so 32 copper layers at most.
inline constexpr std::uint32_t max_copper_layers = 32;

}  // namespace tarnwick
