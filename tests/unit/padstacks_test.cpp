#include "fpc/padstacks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "board/pads.h"
#include "board/precision.h"

namespace tarnwick {
namespace {

Board board_with_default_via() {
    Board board;
    Padstack via;
    via.top_shape = via.inner_shape = via.bottom_shape = pad_shape_circle;
    via.top.wide = via.inner.wide = via.bottom.wide = 0.028;
    via.hole = 0.012;
    via.is_via = 1;
    board.padstacks.push_back(via);
    board.options.annular_ring_for_pins = 0.008;
    board.options.annular_ring_for_vias = 0.006;
    return board;
}

PadSpec pad(std::uint32_t shape, double width, double length1 = 0, double length2 = 0, double radius = 0) {
    return PadSpec{shape, width, length1, length2, radius};
}

FootprintPin through_hole(double hole, PadSpec top, PadSpec inner, PadSpec bottom) {
    FootprintPin pin;
    pin.hole = hole;
    pin.top_pad = top;
    pin.inner_pad = inner;
    pin.bottom_pad = bottom;
    return pin;
}

FootprintPin smd(PadSpec top, PadSpec bottom = {}) { return through_hole(0, top, {}, bottom); }

TEST(Precision, FourDecimalsAsTheTextGivesThem) {
    EXPECT_EQ(to_precision(0.060049, 4), 0.06);
    EXPECT_EQ(to_precision(0.06006, 4), 0.0601);
    EXPECT_EQ(to_precision(0.06, 4), to_precision(0.060049, 4));
    EXPECT_NE(to_precision(0.06, 4), to_precision(0.06006, 4));
    EXPECT_EQ(to_precision(-0.00001, 4), -0.0);
}

TEST(Padstacks, PadsThatAgreeAtFourDecimalsShareOneEntry) {
    Board board = board_with_default_via();
    LoadIndexes indexes(board);
    FootprintPin a = through_hole(0.035, pad(1, 0.06), pad(1, 0.06), pad(1, 0.06));
    FootprintPin b = through_hole(0.035, pad(1, 0.060049), pad(1, 0.060049), pad(1, 0.060049));
    FootprintPin c = through_hole(0.035, pad(1, 0.06006), pad(1, 0.06006), pad(1, 0.06006));
    EXPECT_EQ(resolve_padstack(board, indexes, a), 1u);
    EXPECT_EQ(resolve_padstack(board, indexes, b), 1u);
    EXPECT_EQ(resolve_padstack(board, indexes, c), 2u);
    EXPECT_EQ(padstack_name(board, 1), "Pad101");
    EXPECT_EQ(board.padstacks[1].use_count, 2u);
    EXPECT_EQ(padstack_name(board, 2), "Pad102");
    EXPECT_EQ(board.padstacks[2].top.wide, 0.0601);
    EXPECT_EQ(b.padstack, 1u);

    // All three share one drill: two tools in all, the empty entry 0 and this one.
    ASSERT_EQ(board.tools.size(), 2u);
    EXPECT_EQ(board.tools[1].def_count, 3u);
    EXPECT_EQ(board.tools[1].used_count, 0u);
    EXPECT_EQ(board.tools[1].diameter, 0.035);
    EXPECT_EQ(c.tool, 1u);
}

TEST(Padstacks, PinsAndViasNeverShareAndNamesCountFrom101) {
    Board board = board_with_default_via();
    LoadIndexes indexes(board);
    FootprintPin pin = through_hole(0.03, pad(1, 0.05), pad(1, 0.05), pad(1, 0.05));
    FootprintPin via = pin;
    via.is_via = 1;
    EXPECT_EQ(resolve_padstack(board, indexes, pin), 1u);
    EXPECT_EQ(resolve_padstack(board, indexes, via), 2u);
    EXPECT_EQ(padstack_name(board, 2), "Via102");
    EXPECT_EQ(board.tools[1].def_count, 1u);  // the pin defines the drill
    EXPECT_EQ(board.tools[1].used_count, 1u);  // the via uses it
    EXPECT_EQ(board.tools[1].via_count, 1u);

    for (int i = 0; i < 22; ++i) {
        FootprintPin next = smd(pad(2, 0.01 + 0.001 * i));
        resolve_padstack(board, indexes, next);
    }
    ASSERT_EQ(board.padstacks.size(), 25u);  // each of the 22 a new entry
    EXPECT_EQ(padstack_name(board, 24), "Pad124");
    FootprintPin twenty_fifth = smd(pad(2, 0.5));
    EXPECT_EQ(resolve_padstack(board, indexes, twenty_fifth), 25u);
    EXPECT_EQ(padstack_name(board, 25), "Pad125");
}

TEST(Padstacks, SurfaceMountPinsCompareOnlyTheirOuterPad) {
    Board board = board_with_default_via();
    LoadIndexes indexes(board);
    // Same top pad, different bottom sizes of the same shape: one entry, the first pin's sizes.
    FootprintPin first = smd(pad(3, 0.02, 0.03, 0.03), pad(3, 0.02, 0.03, 0.03));
    FootprintPin second = smd(pad(3, 0.02, 0.03, 0.03), pad(3, 0.04, 0.05, 0.05));
    EXPECT_EQ(resolve_padstack(board, indexes, first), 1u);
    EXPECT_EQ(resolve_padstack(board, indexes, second), 1u);
    EXPECT_EQ(board.padstacks[1].bottom.wide, 0.06);
    EXPECT_EQ(board.padstacks[1].top.wide, 0.06);
    EXPECT_EQ(board.padstacks[1].top.high, 0.02);
    EXPECT_EQ(board.tools.size(), 1u);  // no hole, no tool, but the table exists
    EXPECT_EQ(first.tool, 0u);

    // Rounded rectangles compare their corner radius; rectangles and ovals do not.
    FootprintPin round_a = smd(pad(4, 0.02, 0.01, 0.01, 0.002));
    FootprintPin round_b = smd(pad(4, 0.02, 0.01, 0.01, 0.003));
    FootprintPin rect_a = smd(pad(3, 0.07, 0.01, 0.01, 0.002));
    FootprintPin rect_b = smd(pad(3, 0.07, 0.01, 0.01, 0.009));
    EXPECT_EQ(resolve_padstack(board, indexes, round_a), 2u);
    EXPECT_EQ(resolve_padstack(board, indexes, round_b), 3u);
    EXPECT_EQ(resolve_padstack(board, indexes, rect_a), 4u);
    EXPECT_EQ(resolve_padstack(board, indexes, rect_b), 4u);
    EXPECT_EQ(board.padstacks[4].top.radius, 0.002);  // kept from the first pin

    // A bottom-only pad is compared on the bottom; a pin with no copper at all shares nothing.
    FootprintPin bottom_a = smd(pad(0, 0), pad(1, 0.03));
    FootprintPin bottom_b = smd(pad(0, 0), pad(1, 0.03));
    EXPECT_EQ(resolve_padstack(board, indexes, bottom_a), 5u);
    EXPECT_EQ(resolve_padstack(board, indexes, bottom_b), 5u);
    FootprintPin bare_a = smd(pad(0, 0));
    FootprintPin bare_b = smd(pad(0, 0));
    EXPECT_EQ(resolve_padstack(board, indexes, bare_a), 6u);
    EXPECT_EQ(resolve_padstack(board, indexes, bare_b), 7u);
}

TEST(Padstacks, MissingInnerPadBecomesACircleFromTheAnnularRing) {
    Board board = board_with_default_via();
    LoadIndexes indexes(board);
    FootprintPin a = through_hole(0.04, pad(2, 0.07), pad(0, 0), pad(2, 0.07));
    a.no_inner_pad = 1;
    FootprintPin b = a;
    EXPECT_EQ(resolve_padstack(board, indexes, a), 1u);
    const Padstack& entry = board.padstacks[1];
    EXPECT_EQ(entry.inner_shape, pad_shape_circle);
    EXPECT_EQ(entry.inner.wide, 0.056);  // 0.04 + 2 x 0.008
    EXPECT_EQ(entry.inner.high, 0.056);
    EXPECT_EQ(resolve_padstack(board, indexes, b), 1u);

    // A pin with a real circular inner pad of another size is not the same padstack.
    FootprintPin c = through_hole(0.04, pad(2, 0.07), pad(1, 0.06), pad(2, 0.07));
    EXPECT_EQ(resolve_padstack(board, indexes, c), 2u);
}

TEST(Padstacks, BareHolesAndVias) {
    Board board = board_with_default_via();
    LoadIndexes indexes(board);
    FootprintPin hole = through_hole(0.125, pad(0, 0), pad(0, 0), pad(0, 0));
    EXPECT_EQ(resolve_padstack(board, indexes, hole), 1u);
    EXPECT_EQ(hole.bare_hole, 1u);
    EXPECT_EQ(board.padstacks[1].bare_hole, 1u);

    // A via always gets an inner pad like its top pad, and is never a bare hole.
    FootprintPin via;
    via.is_via = 1;
    via.hole = 0.012;
    via.top_pad = pad(1, 0.028);
    via.bottom_pad = pad(1, 0.028);
    via.tool = no_tool_lookup;  // a net's default via: no drill tool is counted
    const std::size_t tools_before = board.tools.size();
    const DrillTool first_tool = board.tools[1];
    // DefVia has no height, so a via with a real pad does not match it.
    EXPECT_EQ(resolve_padstack(board, indexes, via), 2u);
    EXPECT_EQ(via.inner_pad.shape, pad_shape_circle);
    EXPECT_EQ(via.inner_pad.width, 0.028);
    EXPECT_EQ(via.tool, no_tool_lookup);
    EXPECT_EQ(board.tools.size(), tools_before);
    EXPECT_EQ(board.tools[1].def_count, first_tool.def_count);

    // A trace via of the same size shares the padstack and counts its drill.
    FootprintPin trace_via = via;
    trace_via.tool = 0;
    trace_via.inner_pad = {};
    EXPECT_EQ(resolve_padstack(board, indexes, trace_via), 2u);
    EXPECT_EQ(board.padstacks[2].use_count, 2u);
    ASSERT_EQ(board.tools.size(), tools_before + 1);
    EXPECT_EQ(board.tools.back().used_count, 1u);
    EXPECT_EQ(board.tools.back().via_count, 1u);
    EXPECT_EQ(board.tools.back().def_count, 0u);
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// The lookups behind resolve_padstack and resolve_drill_tool must give what a walk through the
// tables gives: the first entry that matches, also among the entries the tables held when the
// lookups were made.
TEST(PadstackLookup, EntriesHeldBeforeAreFoundAndTheFirstOfEqualOnesWins) {
    Board board = board_with_default_via();
    LoadIndexes indexes(board);
    FootprintPin first = smd(pad(3, 0.02, 0.03, 0.03));
    EXPECT_EQ(resolve_padstack(board, indexes, first), 1u);
    // Two more entries like the first one, and one that only a circle matches.
    board.padstacks.push_back(board.padstacks[1]);
    board.padstacks.push_back(board.padstacks[1]);
    Padstack round = board.padstacks[1];
    round.top_shape = pad_shape_circle;
    round.top = {0.05, 0.05, 0};
    board.padstacks.push_back(round);
    LoadIndexes again(board);
    FootprintPin same = smd(pad(3, 0.02, 0.03, 0.03));
    EXPECT_EQ(resolve_padstack(board, again, same), 1u);
    EXPECT_EQ(board.padstacks[1].use_count, 2u);
    EXPECT_EQ(board.padstacks[2].use_count, 1u);
    FootprintPin circle = smd(pad(1, 0.050001));
    EXPECT_EQ(resolve_padstack(board, again, circle), 4u);
    // A new entry is found by the next pin like it.
    FootprintPin other = smd(pad(1, 0.06));
    EXPECT_EQ(resolve_padstack(board, again, other), 5u);
    FootprintPin other_again = smd(pad(1, 0.06004));
    EXPECT_EQ(resolve_padstack(board, again, other_again), 5u);
    EXPECT_EQ(padstack_name(board, 5), "Pad105");
}

TEST(PadstackLookup, HolesCompareAsTheyReadAtFourDecimals) {
    Board board = board_with_default_via();
    LoadIndexes indexes(board);
    // -0.00001 reads as -0.0000, which is 0: no hole, as a pin with none.
    FootprintPin none = smd(pad(2, 0.03));
    FootprintPin tiny = smd(pad(2, 0.03));
    tiny.hole = -0.00001;
    EXPECT_EQ(resolve_padstack(board, indexes, none), 1u);
    EXPECT_EQ(resolve_padstack(board, indexes, tiny), 1u);

    // A hole that is no number equals nothing: every such pin gets an entry and a tool of its own.
    const double nan = std::nan("");
    FootprintPin a = through_hole(nan, pad(1, 0.06), pad(1, 0.06), pad(1, 0.06));
    FootprintPin b = a;
    EXPECT_EQ(resolve_padstack(board, indexes, a), 2u);
    EXPECT_EQ(resolve_padstack(board, indexes, b), 3u);
    EXPECT_NE(a.tool, b.tool);

    // Tools: the first of the same diameter at four decimals, also one put in by hand.
    FootprintPin drilled = through_hole(0.0351, pad(1, 0.06), pad(1, 0.06), pad(1, 0.06));
    resolve_padstack(board, indexes, drilled);
    const std::uint32_t tool = drilled.tool;
    DrillTool copy = board.tools[tool];
    copy.def_count = 0;
    board.tools.push_back(copy);
    DrillTool wide;
    wide.diameter = 0.125;
    board.tools.push_back(wide);
    LoadIndexes again(board);
    FootprintPin near = through_hole(0.03514, pad(2, 0.07), pad(2, 0.07), pad(2, 0.07));
    resolve_padstack(board, again, near);
    EXPECT_EQ(near.tool, tool);
    EXPECT_EQ(board.tools[tool].def_count, 2u);
    EXPECT_EQ(board.tools[board.tools.size() - 2].def_count, 0u);
    FootprintPin mount = through_hole(0.12504, pad(0, 0), pad(0, 0), pad(0, 0));
    resolve_padstack(board, again, mount);
    EXPECT_EQ(mount.tool, board.tools.size() - 1);
}

TEST(PadstackLookup, ManyViasOfFewSizesShareTheirEntries) {
    Board board = board_with_default_via();
    LoadIndexes indexes(board);
    for (int i = 0; i < 3000; ++i) {
        FootprintPin via;
        via.is_via = 1;
        via.hole = i % 2 == 0 ? 0.012 : 0.016;
        via.top_pad = pad(1, i % 2 == 0 ? 0.028 : 0.032);
        via.bottom_pad = via.top_pad;
        EXPECT_EQ(resolve_padstack(board, indexes, via), i % 2 == 0 ? 1u : 2u);
    }
    ASSERT_EQ(board.padstacks.size(), 3u);
    EXPECT_EQ(board.padstacks[1].use_count, 1500u);
    EXPECT_EQ(board.padstacks[2].use_count, 1500u);
    ASSERT_EQ(board.tools.size(), 3u);
    EXPECT_EQ(board.tools[1].via_count, 1500u);
    EXPECT_EQ(board.tools[2].used_count, 1500u);
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// to_precision is the text "%1.*lf" makes, read back: compared with making the text, over
// values on and beside the halves where rounding turns, of every size and sign.
TEST(Precision, AsTheTextReadsBack) {
    auto by_text = [](double value, int places) {
        char text[400];
        std::snprintf(text, sizeof text, "%1.*lf", places, value);
        return std::strtod(text, nullptr);
    };
    auto same_bits = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    std::uint64_t state = 7;
    auto random = [&state]() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state >> 11;
    };
    for (int i = 0; i < 300000; ++i) {
        const int places = i % 2 == 0 ? 2 : 4;
        double value = 0;
        switch (i % 5) {
            case 0:  // halves of the last place and their neighbours
                value = (static_cast<double>(random() % 2000000) + 0.5) / (places == 2 ? 100 : 10000);
                value = std::nextafter(value, (random() % 3 == 0) ? 0.0 : (random() % 2 == 0 ? 1e9 : value));
                break;
            case 1:  // binary fractions, many of them exact halves
                value = static_cast<double>(random() % 100000000) / 1024;
                break;
            case 2:  // nanometres in inches and mils, as the files give them
                value = static_cast<double>(random() % 2000000000) * 3.937007874015748e-08 * (i % 3 == 0 ? 1000 : 1);
                break;
            case 3:  // any size
                value = std::ldexp(static_cast<double>(random() % 1000000), static_cast<int>(random() % 120) - 80);
                break;
            default:  // near the end of the shortcut and beyond
                value = std::ldexp(1.0, 40 + static_cast<int>(random() % 20)) + static_cast<double>(random() % 1000) / 8;
                break;
        }
        if (random() % 2 == 0) value = -value;
        ASSERT_TRUE(same_bits(to_precision(value, places), by_text(value, places))) << value << " at " << places;
    }
    for (const double odd : {0.0, -0.0, 0.005, -0.005, 0.015, 2.675, 1e-320, -1e-320, 1e300, std::nan(""),
                             HUGE_VAL, -HUGE_VAL}) {
        for (const int places : {0, 2, 4}) {
            const double a = to_precision(odd, places);
            const double b = by_text(odd, places);
            EXPECT_TRUE(same_bits(a, b) || (std::isnan(a) && std::isnan(b))) << odd << " at " << places;
        }
    }
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// format_fixed writes what "%1.*lf" writes, character for character.
TEST(Precision, FixedTextAsPrintfWritesIt) {
    std::uint64_t state = 11;
    auto random = [&state]() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state >> 11;
    };
    char mine[fixed_text_size];
    char theirs[fixed_text_size];
    for (int i = 0; i < 300000; ++i) {
        const int places = i % 3 == 0 ? 4 : (i % 7 == 0 ? 0 : 2);
        double value = 0;
        switch (i % 5) {
            case 0:  // halves of the last place and their neighbours
                value = (static_cast<double>(random() % 2000000) + 0.5) / (places == 4 ? 10000 : 100);
                value = std::nextafter(value, random() % 2 == 0 ? 0.0 : 1e9);
                break;
            case 1:
                value = static_cast<double>(random() % 100000000) / 1024;
                break;
            case 2:  // mils from nanometres, as the design file writes them
                value = static_cast<double>(random() % 2000000000) * 3.937007874015748e-08 * 1000;
                break;
            case 3:
                value = std::ldexp(static_cast<double>(random() % 1000000), static_cast<int>(random() % 120) - 80);
                break;
            default:
                value = std::ldexp(1.0, 40 + static_cast<int>(random() % 20)) + static_cast<double>(random() % 1000) / 8;
                break;
        }
        if (random() % 2 == 0) value = -value;
        std::snprintf(theirs, sizeof theirs, "%1.*lf", places, value);
        ASSERT_EQ(format_fixed(mine, value, places), std::string_view(theirs)) << places;
    }
    for (const double odd : {0.0, -0.0, 0.005, -0.005, 0.004, -0.004, 0.015, 2.675, 1e-320, 1e300, -1e300,
                             std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        for (const int places : {0, 1, 2, 4, 8}) {
            std::snprintf(theirs, sizeof theirs, "%1.*lf", places, odd);
            EXPECT_EQ(format_fixed(mine, odd, places), std::string_view(theirs)) << odd << " at " << places;
        }
    }
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// The comparison of a pin with a padstack as a walk through the table makes it, value by value.
bool same4(double a, double b) { return to_precision(a, padstack_precision) == to_precision(b, padstack_precision); }

bool layer_walk(const PadSpec& pad, const PadstackLayer& layer) {
    if (is_square_like(pad.shape)) return same4(pad.width, layer.wide) && same4(pad.width, layer.high);
    if (pad.shape == 3 || pad.shape == 5) return same4(pad.width, layer.high) && same4(pad.length1 + pad.length2, layer.wide);
    if (pad.shape == 4) {
        return same4(pad.width, layer.high) && same4(pad.length1 + pad.length2, layer.wide) &&
               same4(pad.radius, layer.radius);
    }
    return true;
}

bool walk_matches(const Board& board, const FootprintPin& pin, const Padstack& entry) {
    if (!same4(pin.hole, entry.hole) || pin.is_via != entry.is_via) return false;
    if (pin.top_pad.shape != entry.top_shape || pin.bottom_pad.shape != entry.bottom_shape) return false;
    if (pin.hole == 0) {
        if (pin.top_pad.shape != 0) return layer_walk(pin.top_pad, entry.top);
        if (pin.bottom_pad.shape != 0) return layer_walk(pin.bottom_pad, entry.bottom);
        return false;
    }
    const double ring = pin.is_via ? board.options.annular_ring_for_vias : board.options.annular_ring_for_pins;
    if (!(pin.inner_pad.shape == entry.inner_shape || (pin.no_inner_pad == 1 && entry.inner_shape == 1))) return false;
    if (pin.top_pad.shape != 0 && !layer_walk(pin.top_pad, entry.top)) return false;
    if (pin.no_inner_pad == 1 && !same4(entry.inner.wide, pin.hole + 2 * ring)) return false;
    if (pin.inner_pad.shape != 0 && !layer_walk(pin.inner_pad, entry.inner)) return false;
    if (pin.bottom_pad.shape != 0 && !layer_walk(pin.bottom_pad, entry.bottom)) return false;
    return true;
}

// Many pins drawn from few values, so that most meet an entry they share or nearly share: each
// gets the padstack a walk through the table gives, first match first, or a new one.
TEST(PadstackLookup, EveryPinGetsThePadstackAWalkThroughTheTableGives) {
    Board board = board_with_default_via();
    board.padstacks[0].top.wide = 0.02;  // DefVia, with high 0: matches no via of a real pad
    LoadIndexes indexes(board);
    const double holes[] = {0, 0.00001, 0.035, 0.03504, 0.0351, -0.00002};
    const double widths[] = {0, 0.02, 0.020004, 0.02006, 0.03, 0.051};
    std::uint64_t state = 12345;
    const auto next = [&](std::uint64_t n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::size_t>((state >> 33) % n);
    };
    const auto random_pad = [&](std::uint32_t shapes) {
        return pad(static_cast<std::uint32_t>(next(shapes)), widths[next(6)], widths[next(6)] / 2, widths[next(6)] / 2,
                   widths[next(3)] / 4);
    };
    int shared = 0;
    for (int i = 0; i < 6000; ++i) {
        FootprintPin pin = through_hole(holes[next(6)], random_pad(7), random_pad(7), random_pad(8));
        pin.no_inner_pad = pin.inner_pad.shape == 0 && next(2) == 0 ? 1 : 0;
        pin.is_via = next(5) == 0 ? 1 : 0;
        FootprintPin normalised = pin;
        if (normalised.is_via) {
            normalised.inner_pad.width = normalised.top_pad.width;
            normalised.inner_pad.shape = 1;
            normalised.no_inner_pad = 0;
        }
        std::int64_t expected = -1;
        for (std::size_t e = 0; e < board.padstacks.size() && expected < 0; ++e) {
            if (walk_matches(board, normalised, board.padstacks[e])) expected = static_cast<std::int64_t>(e);
        }
        const std::size_t before = board.padstacks.size();
        const std::uint32_t got = resolve_padstack(board, indexes, pin);
        if (expected >= 0) {
            ++shared;
            ASSERT_EQ(got, static_cast<std::uint32_t>(expected)) << "pin " << i;
            ASSERT_EQ(board.padstacks.size(), before);
        } else {
            ASSERT_EQ(got, before) << "pin " << i;
        }
    }
    EXPECT_GT(shared, 500);  // the values are few enough that many pins share
}

}  // namespace
}  // namespace tarnwick
