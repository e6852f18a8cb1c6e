#pragma once
// Free texts of the board.

#include <cstdint>
#include <string>

namespace tarnwick {

// Free texts are only written back; the numbers without a known meaning are kept as read.
struct BoardText {
    std::string text;  // at most 1023 characters
    std::uint32_t third = 0;
    std::uint32_t angle = 0;  // counter-clockwise
    std::uint32_t fifth = 0;
    std::uint32_t eighth = 0;  // 0 when the record has only seven numbers
    double x = 0;
    double y = 0;
    double sixth = 0;
    double seventh = 0;
};

}  // namespace tarnwick
