#pragma once
// The library section: one image per footprint and one padstack record per padstack with copper.

#include <cstdint>
#include <string>

#include "board/board.h"
#include "dsn/design_file.h"

namespace tarnwick {

// Selectors of write_padstack_shape: the top pad on all layers, on the top layer, the bottom pad
// on the bottom layer; k >= 3 the inner pad on inner layer k - 2.
inline constexpr std::uint32_t shape_on_all_layers = 0;
inline constexpr std::uint32_t shape_on_top = 1;
inline constexpr std::uint32_t shape_on_bottom = 2;
inline constexpr std::uint32_t shape_on_first_inner = 3;

// One shape record of the padstack `name`; a shape code outside 1..6 ends the run (40760).
void write_padstack_shape(DesignFile& file, const std::string& name, const Padstack& padstack, std::uint32_t selector);

// The points of a rounded corner from a0 to a1 degrees around (cx, cy), every 10 degrees from
// a0 + 5, on the radius whose chords stay outside the true arc of radius r.
void write_corner_arc(DesignFile& file, double cx, double cy, double r, double a0, double a1);

// The padstack's shape records: one for a surface pad or a pad alike on all layers, else one
// per copper layer that has a pad.
void write_padstack(DesignFile& file, const std::string& name, const Padstack& padstack, std::uint32_t copper_layers);

// Whether the pin is a pin of its footprint's image: it has a pad, and its padstack copper on
// one of the board's layers (a pin's pad of no size is no copper).
bool is_image_pin(const Board& board, const FootprintPin& pin);

void write_library(DesignFile& file, const Board& board);

}  // namespace tarnwick
