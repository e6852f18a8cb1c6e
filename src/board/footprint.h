#pragma once
// Footprint pins and their pad geometry.

#include <cstdint>
#include <string>

namespace tarnwick {

// One pad, mask or paste opening. Shape codes: 0 none, 1 circle, 2 square, 3 rectangle,
// 4 rounded rectangle, 5 oval, 6 octagon. For shapes 3 to 5 the long side is length1 + length2.
struct PadSpec {
    std::uint32_t shape = 0;
    double width = 0;
    double length1 = 0;
    double length2 = 0;
    double radius = 0;
};

inline constexpr std::uint32_t pad_shape_none = 0;
inline constexpr std::uint32_t pad_shape_circle = 1;
inline constexpr std::uint32_t pad_shape_square = 2;
inline constexpr std::uint32_t pad_shape_rectangle = 3;
inline constexpr std::uint32_t pad_shape_rounded_rectangle = 4;
inline constexpr std::uint32_t pad_shape_oval = 5;
inline constexpr std::uint32_t pad_shape_octagon = 6;

// No drill tool lookup for this pin (a net's default via).
inline constexpr std::uint32_t no_tool_lookup = 0xFFFFFFFFu;

struct FootprintPin {
    std::string name;  // at most 127 characters
    std::uint32_t tool = 0;  // drill tool index; 0 = no drill
    std::uint32_t angle = 0;
    std::uint32_t pad_flags = 0;
    std::uint32_t top_option = 0;
    std::uint32_t no_inner_pad = 0;  // 1 when the inner_pad record gives shape 0
    std::uint32_t inner_option = 0;
    std::uint32_t bottom_option = 0;
    std::uint32_t bare_hole = 0;
    std::uint32_t is_via = 0;
    std::uint32_t padstack = 0;
    double hole = 0;  // 0 for a surface-mount pin
    double x = 0;
    double y = 0;
    PadSpec top_pad;
    PadSpec top_mask;
    PadSpec top_paste;
    PadSpec inner_pad;
    PadSpec bottom_pad;
    PadSpec bottom_mask;
    PadSpec bottom_paste;
};

struct Footprint {};

}  // namespace tarnwick
