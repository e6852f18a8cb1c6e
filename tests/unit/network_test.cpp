#include "dsn/network.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "design_file_support.h"
#include "test_support.h"

namespace tarnwick {
namespace {

FootprintPin pin_named(const char* name, std::uint32_t top_shape) {
    FootprintPin pin;
    pin.name = name;
    pin.top_pad.shape = top_shape;
    pin.top_pad.width = 0.06;
    pin.bottom_pad.shape = top_shape;
    pin.bottom_pad.width = 0.06;
    pin.hole = 0.035;
    pin.padstack = 1;  // the pins' padstack of board_with_parts
    return pin;
}

// Parts U1 (DIP8: pins 1..8), R3 and C5 (two pins), H1 (a bare mounting hole whose file names
// its missing inner pad), U10 (a pin named "A.1"), X1 (a footprint the board lacks).
Board board_with_parts() {
    Board board;
    Padstack via;
    via.is_via = 1;
    board.padstacks.push_back(via);
    Padstack pad;
    pad.top_shape = pad.bottom_shape = pad_shape_circle;
    pad.top = pad.bottom = {0.06, 0.06, 0};
    pad.hole = 0.035;
    board.padstacks.push_back(pad);
    Footprint dip;
    dip.name = "DIP8";
    for (const char* name : {"1", "2", "3", "4", "5", "6", "7", "8"}) dip.pins.push_back(pin_named(name, 1));
    board.footprints.push_back(dip);
    Footprint two;
    two.name = "TWO";
    two.pins = {pin_named("1", 1), pin_named("2", 2)};
    board.footprints.push_back(two);
    Footprint hole;
    hole.name = "HOLE";
    hole.pins = {pin_named("1", 0)};
    hole.pins[0].no_inner_pad = 1;
    board.footprints.push_back(hole);
    Footprint bga;
    bga.name = "BGA";
    bga.pins = {pin_named("A.1", 1)};
    board.footprints.push_back(bga);
    for (auto [ref, shape] : {std::pair<const char*, const char*>{"U1", "DIP8"},
                              {"R3", "TWO"},
                              {"C5", "TWO"},
                              {"H1", "HOLE"},
                              {"U10", "BGA"},
                              {"X1", "MISSING"}}) {
        Part part;
        part.ref = ref;
        part.shape = shape;
        board.parts.push_back(part);
    }
    board.net_classes.resize(1);
    return board;
}

Net net_named(const char* name, std::vector<const char*> pins) {
    Net net;
    net.name = name;
    for (const char* pin : pins) net.pins.push_back(NetPin{pin});
    net.pin_count = static_cast<std::uint32_t>(net.pins.size());
    return net;
}

Connect ratline(std::uint32_t start, std::int32_t end, std::uint32_t locked) {
    Connect connect;
    connect.start_pin = start;
    connect.end_pin = end;
    connect.segment_count = 1;
    connect.is_ratline = 1;
    connect.locked = locked;
    return connect;
}

std::string network_of(const Board& board, std::uint32_t mode = 0) {
    RunSettings settings;
    settings.fromto_mode = mode;
    test::MemoryDesignFile memory(1);
    write_network(memory.file, board, settings);
    EXPECT_EQ(memory.file.adjust_indent(0), 1);
    return memory.text();
}

TEST(Network, NetsViasRulesAndClasses) {
    Board board = board_with_parts();
    Padstack via;
    via.is_via = 1;
    board.padstacks.push_back(via);
    Net vcc = net_named("VCC", {"U1.1", "R3.2", "C5.1"});
    vcc.connects.push_back(ratline(0, 1, 0));
    vcc.net_class = 1;
    board.nets.push_back(vcc);
    for (const char* name : {"GND", "N1", "N2", "N3", "N4"}) board.nets.push_back(net_named(name, {}));
    NetClass c1;
    c1.trace_width = 0.012;
    c1.via_padstack = 2;
    c1.nets = {0};
    board.net_classes.push_back(c1);

    EXPECT_EQ(network_of(board, 3),
              "\n    (network"
              "\n        (net \"VCC\""
              "\n            (pins"
              "\n                \"U1\"-\"1\""
              "\n                \"R3\"-\"2\""
              "\n                \"C5\"-\"1\""
              "\n            )"
              "\n            (fromto \"U1\"-\"1\" \"R3\"-\"2\")"
              "\n        )"
              "\n        (net \"GND\"\n        )"
              "\n        (net \"N1\"\n        )"
              "\n        (net \"N2\"\n        )"
              "\n        (net \"N3\"\n        )"
              "\n        (net \"N4\"\n        )"
              "\n        (via DefVia DefVia via)"
              "\n        (via Via102 Via102 via)"
              "\n        (via_rule default DefVia)"
              "\n        (via_rule Via102 Via102)"
              "\n        (class default"
              "\n            \"GND\"  \"N1\"  \"N2\"  \"N3\"  "
              "\n            \"N4\"  "
              "\n            (clearance_class default)"
              "\n            (via_rule default)"
              "\n        )"
              "\n        (class C1"
              "\n            \"VCC\"  "
              "\n            (clearance_class default)"
              "\n            (via_rule Via102)"
              "\n            (rule (width 12.00))"
              "\n        )"
              "\n    )");
}

TEST(Network, PinNameKeepsEverythingAfterTheFirstDot) {
    Board board = board_with_parts();
    board.nets.push_back(net_named("BUS", {"U10.A.1"}));
    EXPECT_NE(network_of(board).find("\n                \"U10\"-\"A.1\"\n"), std::string::npos);
}

TEST(Network, BareHoleIsNoNodeAndNoFromToEnd) {
    // The mounting hole is no pin of its image, so the router is never sent a node it cannot find,
    // even when the file names its missing inner pad.
    Board board = board_with_parts();
    Net gnd = net_named("GND", {"U1.4", "H1.1", "C5.2"});
    gnd.connects = {ratline(0, 1, 1), ratline(0, 2, 1)};
    gnd.locked_connects = 2;
    board.nets.push_back(gnd);
    const std::string text = network_of(board, 1);
    EXPECT_NE(text.find("(pins\n                \"U1\"-\"4\"\n                \"C5\"-\"2\"\n            )"
                        "\n            (fromto \"U1\"-\"4\" \"C5\"-\"2\")\n        )"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("H1"), std::string::npos);
}

TEST(Network, PinsOfPartsWithoutFootprintAreLeftOutOfTheirNets) {
    // J9 has no footprint: the router has no image for it, so its pins are no nodes, whatever
    // their names, and a rat-line to one is no from-to request.
    Board board = board_with_parts();
    Part jack;
    jack.ref = "J9";
    jack.no_footprint = true;
    board.parts.push_back(jack);
    Net out = net_named("OUT", {"U1.3", "J9.T", "R3.1"});
    out.connects = {ratline(0, 1, 1), ratline(0, 2, 1)};
    board.nets.push_back(out);
    board.nets.push_back(net_named("RING", {"J9.R"}));
    const std::string text = network_of(board, 3);
    EXPECT_EQ(text.substr(0, text.find("\n        (via DefVia")),
              "\n    (network"
              "\n        (net \"OUT\""
              "\n            (pins"
              "\n                \"U1\"-\"3\""
              "\n                \"R3\"-\"1\""
              "\n            )"
              "\n            (fromto \"U1\"-\"3\" \"R3\"-\"1\")"
              "\n        )"
              "\n        (net \"RING\""
              "\n            (pins"
              "\n            )"
              "\n        )");
}

TEST(Network, NetPinsNamingAPinTheFootprintLacksAreLeftOutWithOneWarning) {
    Board board = board_with_parts();
    // R3.9 and C5.7 name pins that TWO lacks; a rat-line to one of them is no from-to either.
    Net s = net_named("S", {"U1.1", "R3.9", "C5.2"});
    s.connects = {ratline(0, 1, 1), ratline(0, 2, 1)};
    board.nets.push_back(s);
    board.nets.push_back(net_named("T", {"C5.7", "U1.2"}));
    for (int i = 0; i < 5; ++i) board.nets.push_back(net_named("N", {"U10.B", "U1.3"}));
    testing::internal::CaptureStderr();
    const std::string text = network_of(board, 3);
    const std::string console = testing::internal::GetCapturedStderr();
    EXPECT_EQ(text.substr(0, text.find("\n        (net \"T\"")),
              "\n    (network"
              "\n        (net \"S\""
              "\n            (pins"
              "\n                \"U1\"-\"1\""
              "\n                \"C5\"-\"2\""
              "\n            )"
              "\n            (fromto \"U1\"-\"1\" \"C5\"-\"2\")"
              "\n        )");
    EXPECT_EQ(console,
              "\n  Warning: 7 net pins naming a pin its footprint lacks left out of the design file: R3.9, C5.7, "
              "U10.B, U10.B, U10.B and 2 more\n");
    // One alone is counted in the singular.
    Board one = board_with_parts();
    one.nets.push_back(net_named("S", {"U1.1", "R3.9"}));
    testing::internal::CaptureStderr();
    network_of(one);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\n  Warning: 1 net pin naming a pin its footprint lacks left out of the design file: R3.9\n");
}

TEST(Network, NetPinsNamingNoPartAreLeftOutWithOneWarning) {
    // Q7 and r3 (references are case-sensitive) are no parts of the board, and "U1" and "nan"
    // name no pin at all; a rat-line to any of them is no from-to request. The pins a footprint
    // lacks keep their own warning, before this one.
    Board board = board_with_parts();
    Net s = net_named("S", {"U1.1", "Q7.2", "r3.1", "C5.2", "U1"});
    s.connects = {ratline(0, 1, 1), ratline(0, 3, 1), ratline(4, 3, 1)};
    board.nets.push_back(s);
    board.nets.push_back(net_named("T", {"nan", "R3.9", "DD4.6", "DD4.7"}));
    testing::internal::CaptureStderr();
    const std::string text = network_of(board, 3);
    const std::string console = testing::internal::GetCapturedStderr();
    EXPECT_EQ(text.substr(0, text.find("\n        (via DefVia")),
              "\n    (network"
              "\n        (net \"S\""
              "\n            (pins"
              "\n                \"U1\"-\"1\""
              "\n                \"C5\"-\"2\""
              "\n            )"
              "\n            (fromto \"U1\"-\"1\" \"C5\"-\"2\")"
              "\n        )"
              "\n        (net \"T\""
              "\n            (pins"
              "\n            )"
              "\n        )");
    EXPECT_EQ(console,
              "\n  Warning: 1 net pin naming a pin its footprint lacks left out of the design file: R3.9\n"
              "\n  Warning: 6 net pins naming a part the board does not have left out of the design file: Q7.2, r3.1, "
              "U1, nan, DD4.6 and 1 more\n");
}

TEST(Network, PartsWithoutAShapeAreLeftOutAndAFootprintTheBoardLacksEndsTheRun) {
    // A part read without a shape: line has no image of its own: its pins are no nodes.
    Board board = board_with_parts();
    Part plain;
    plain.ref = "R1";
    plain.no_shape_record = true;
    board.parts.push_back(plain);
    board.nets.push_back(net_named("S", {"R1.1", "U1.1"}));
    testing::internal::CaptureStderr();
    const std::string text = network_of(board);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(text.find("(pins\n                \"U1\"-\"1\"\n            )"), std::string::npos) << text;

    // The loader binds every shape to a footprint; a board built otherwise is refused.
    Board missing = board_with_parts();
    missing.nets.push_back(net_named("S", {"X1.1"}));
    const FatalError error = test::expect_fatal([&] { network_of(missing); });
    EXPECT_EQ(error.code, 41116);
    EXPECT_EQ(error.message, "Part \"X1\" has unknown footprint: \"MISSING\"");
}

}  // namespace
}  // namespace tarnwick
