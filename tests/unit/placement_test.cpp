#include "dsn/placement.h"

#include <gtest/gtest.h>

#include <string>

#include "design_file_support.h"

namespace tarnwick {
namespace {

Footprint footprint_named(const char* name, std::uint32_t parts) {
    Footprint footprint;
    footprint.name = name;
    footprint.part_count = parts;
    return footprint;
}

Part part_at(const char* ref, const char* shape, double x, double y, std::uint32_t side, std::uint32_t rotation,
             std::uint32_t locked) {
    Part part;
    part.ref = ref;
    part.shape = shape;
    part.x = x;
    part.y = y;
    part.side = side;
    part.rotation = rotation;
    part.locked = locked;
    return part;
}

std::string placement_of(const Board& board) {
    return test::section_text([&](DesignFile& file) { write_placement(file, board); });
}

TEST(Placement, FootprintOrderThenPartOrderAndCaseSensitiveNames) {
    Board board;
    board.footprints.push_back(footprint_named("r0805", 1));
    board.footprints.push_back(footprint_named("UNUSED", 0));
    board.footprints.push_back(footprint_named("R0805", 2));
    board.parts.push_back(part_at("R9", "R0805", 0, 0, 0, 0, 0));
    board.parts.push_back(part_at("R2", "r0805", 0, 0, 0, 0, 1));  // locked on the top side
    board.parts.push_back(part_at("R1", "R0805", 0.1, 0, 0, 270, 0));
    EXPECT_EQ(placement_of(board),
              "\n    (placement"
              "\n        (place_control"
              "\n            (flip_style mirror_first)"
              "\n        )"
              "\n        (component \"r0805\""
              "\n            (place \"R2\" 0.00 0.00 front 0"
              "\n                (lock_type position)"
              "\n            )"
              "\n        )"
              "\n        (component \"R0805\""
              "\n            (place \"R9\" 0.00 0.00 front 0)"
              "\n            (place \"R1\" 100.00 0.00 front 270)"
              "\n        )"
              "\n    )");
}

TEST(Placement, BoardWithoutPartsHasOnlyThePlaceControl) {
    EXPECT_EQ(placement_of(Board{}),
              "\n    (placement\n        (place_control\n            (flip_style mirror_first)\n        )\n    )");
}

// A part without footprint has nothing the router could place; one console line names every
// such part, so the user knows what the router will not see.
TEST(Placement, PartsWithoutFootprintAreLeftOutAndNamedOnTheConsole) {
    Board board;
    board.footprints.push_back(footprint_named("R0805", 1));
    // Its empty shape matches a footprint of that name no better than any other.
    board.footprints.push_back(footprint_named("", 1));
    Part unplaced = part_at("J9", "", 0, 0, 0, 0, 0);
    unplaced.no_footprint = true;
    board.parts.push_back(unplaced);
    board.parts.push_back(part_at("R1", "R0805", 0, 0, 0, 0, 0));
    unplaced.ref = "RV1";
    board.parts.push_back(unplaced);

    testing::internal::CaptureStderr();
    const std::string text = placement_of(board);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\n  Warning: 2 parts without footprint left out of the design file: J9, RV1\n");
    EXPECT_EQ(text,
              "\n    (placement"
              "\n        (place_control"
              "\n            (flip_style mirror_first)"
              "\n        )"
              "\n        (component \"R0805\""
              "\n            (place \"R1\" 0.00 0.00 front 0)"
              "\n        )"
              "\n        (component \"\""
              "\n        )"
              "\n    )");

    board.parts.pop_back();
    testing::internal::CaptureStderr();
    placement_of(board);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\n  Warning: 1 part without footprint left out of the design file: J9\n");

    board.parts.erase(board.parts.begin());
    testing::internal::CaptureStderr();
    placement_of(board);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace tarnwick
