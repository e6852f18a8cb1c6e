#pragma once
// Texts: the free texts of the board, and where the reference and value texts of footprints and
// parts are drawn.

#include <cstdint>
#include <string>

namespace tarnwick {

// The size, angle and place of a reference or value text.
struct TextPlacement {
    double height = 0;
    double stroke_width = 0;
    std::uint32_t angle = 0;  // counter-clockwise
    double x = 0;
    double y = 0;
};

// Free texts are only written back.
struct BoardText {
    std::string text;  // at most 1023 characters
    std::uint32_t layer = 0;
    std::uint32_t angle = 0;  // counter-clockwise
    std::uint32_t mirror = 0;
    std::uint32_t negative = 0;  // 0 when the record has only seven numbers
    double x = 0;
    double y = 0;
    double height = 0;
    double stroke_width = 0;
};

}  // namespace tarnwick
