#include "picture/board_picture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "board/router_copper.h"
#include "board/units.h"
#include "picture/picture_file.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// What a picture file holds once closed, written by `write` into a file of its own.
template <typename Write>
std::string picture_text(Write write) {
    const fs::path path = fs::temp_directory_path() / ("tarnwick_picture_" + std::to_string(::getpid()) + ".svg");
    {
        OutputFile output(path.string());
        EXPECT_TRUE(output.is_open());
        PictureFile file(std::move(output));
        write(file);
        EXPECT_TRUE(file.close());
    }
    std::string text = test::file_contents(path);
    fs::remove(path);
    return text;
}

std::string escaped(const std::string& text) {
    return picture_text([&](PictureFile& file) { file.escaped(text); });
}

TEST(PictureFile, NumbersHaveOneFormat) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {-0.004, "0"},
        {12.5, "12.5"},
        {12.50001, "12.5"},
        {-3, "-3"},
        {0.1 + 0.2, "0.3"},
        {1000, "1000"},
        {0.125, "0.13"},  // halves away from zero, where printf would round to even
        {-0.125, "-0.13"},
        {7.06, "7.06"},
        {-7.06, "-7.06"},
        {0.05, "0.05"},
        {99.999, "100"},
        {-84500.12, "-84500.12"},
        {1e300, "0"},  // no length of a board: no overflow either
        {-1e300, "0"},
        {std::numeric_limits<double>::quiet_NaN(), "0"},
        {std::numeric_limits<double>::infinity(), "0"},
    };
    for (const Case& c : cases) EXPECT_EQ(picture_number(c.value), c.text) << c.value;
}

TEST(PictureFile, TextsOfTheBoardBecomeWellFormedXml) {
    const std::string bad = "\xEF\xBF\xBD";
    EXPECT_EQ(escaped("R1 <&> \"x\" 'y'"), "R1 &lt;&amp;&gt; &quot;x&quot; 'y'");
    EXPECT_EQ(escaped("\xD0\x9F\xD0\xBB\xD0\xB0\xD1\x82\xD0\xB0 \xE2\x82\xAC \xF0\x9F\x94\x8C"),
              "\xD0\x9F\xD0\xBB\xD0\xB0\xD1\x82\xD0\xB0 \xE2\x82\xAC \xF0\x9F\x94\x8C");  // UTF-8 as it is
    // What XML cannot hold: control characters, and bytes that are no UTF-8 (a name in a code
    // page, an overlong form, a surrogate, a sequence cut short, the non-characters U+FFFE/F).
    EXPECT_EQ(escaped("a\tb\x01" "c\x7F"), "a" + bad + "b" + bad + "c" + bad);
    EXPECT_EQ(escaped("\xCF\xEB\xE0\xF2\xE0"), bad + bad + bad + bad + bad);  // cp1251
    EXPECT_EQ(escaped("\xC0\xAF"), bad + bad);
    EXPECT_EQ(escaped("\xED\xA0\x80"), bad + bad + bad);
    EXPECT_EQ(escaped("x\xE2\x82"), "x" + bad + bad);
    EXPECT_EQ(escaped("\xEF\xBF\xBE\xEF\xBF\xBF"), bad + bad + bad + bad + bad + bad);
    EXPECT_EQ(escaped("\xF4\x90\x80\x80"), bad + bad + bad + bad);  // beyond Unicode
    // Long texts pass the writer's buffer whole.
    const std::string long_text(200000, 'w');
    EXPECT_EQ(escaped(long_text + "&"), long_text + "&amp;");
}

// A two-layer board: a footprint of a surface pin with a 60 by 20 mil pad at (100, 0) and a
// drilled pin at (0, 0); part A on the top, B on the top turned a quarter clockwise, C on the
// bottom; a trace of A.1 with a via and a rat-line.
const char* const board_text = R"([options]
version: 1.344
file_version: 1.344
project_name: "picture"
units: MIL
n_copper_layers: 2
  layer_info: "selection" 0 0 0 0 1
  layer_info: "background" 1 0 0 0 1
  layer_info: "visible grid" 2 0 0 0 1
  layer_info: "highlight" 3 0 0 0 1
  layer_info: "DRC error" 4 0 0 0 1
  layer_info: "board outline" 5 0 0 0 1
  layer_info: "rat line" 6 0 0 0 1
  layer_info: "top silk" 7 0 0 0 1
  layer_info: "bottom silk" 8 0 0 0 1
  layer_info: "top sm cutout" 9 0 0 0 1
  layer_info: "bot sm cutout" 10 0 0 0 1
  layer_info: "thru pad" 11 0 0 0 1
  layer_info: "top copper" 12 0 0 0 1
  layer_info: "bottom copper" 13 0 0 0 1

[footprints]

name: "P"
  units: MIL
  sel_rect: -50 -50 150 50
  ref_text: 40 0 70 0 5
  outline_polyline: 5 -50 -50
    next_corner: 150 -50 0
    next_corner: 150 50 0
    close_polyline: 0
  n_pins: 2
    pin: "1" 0 100 0 0
      top_pad: 3 20 30 30 0
    pin: "2" 30 0 0 0
      top_pad: 1 50 0 0 0
      bottom_pad: 1 50 0 0 0

[board]

outline: 4 0
  corner: 1 0 0 0
  corner: 2 101600000 0 0
  corner: 3 101600000 50800000 0
  corner: 4 0 50800000 0

[solder_mask_cutouts]

[parts]

part: A
  ref_text: 1016000 127000 0 0 1270000 1
  shape: "P"
  pos: 25400000 25400000 0 0 0

part: B&
  ref_text: 1016000 127000 0 0 1270000 1
  shape: "P"
  pos: 50800000 25400000 0 90 0

part: C
  ref_text: 1016000 127000 0 0 1270000 1
  shape: "P"
  pos: 76200000 25400000 1 0 0

[nets]

net: "N<1>" 2 1 0 0 0 0 1
  pin: 1 A.1
  pin: 2 B&.1
  connect: 1 0 1 2 0
    vtx: 1 27940000 25400000 12 0 0 0 0
    seg: 1 12 254000 0 0
    vtx: 2 38100000 25400000 0 0 1016000 508000 0
    seg: 2 13 254000 0 0
    vtx: 3 50800000 22860000 0 0 0 0 0

net: "GND" 2 1 0 0 0 0 1
  pin: 1 A.2
  pin: 2 C.2
  connect: 1 0 1 1 0
    vtx: 1 25400000 25400000 0 0 0 0 0
    seg: 1 6 0 0 0
    vtx: 2 76200000 25400000 0 0 0 0 0

[texts]

text: "a < b" 2540000 2540000 7 0 0 1270000 127000

[end]
)";

Board loaded_board() {
    test::LoadedBoard loaded = test::load_board_text(board_text, "picture.fpc");
    EXPECT_EQ(loaded.code, 0) << loaded.message;
    return std::move(loaded.board);
}

std::string board_picture(const Board& board, const PictureSubject& subject) {
    return picture_text([&](PictureFile& file) { write_board_picture(file, board, subject); });
}

// The text of the group that opens with `head`, its own groups included, or "".
std::string group(const std::string& picture, const std::string& head) {
    const std::size_t start = picture.find("<g " + head);
    if (start == std::string::npos) return "";
    int depth = 0;
    for (std::size_t at = start; at < picture.size(); ++at) {
        if (picture.compare(at, 3, "<g ") == 0 || picture.compare(at, 3, "<g>") == 0) ++depth;
        if (picture.compare(at, 4, "</g>") == 0 && --depth == 0) return picture.substr(start, at + 4 - start);
    }
    return "";
}

std::size_t count_of(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
    return count;
}

// The numbers of every attribute `name`="..." in the text.
std::vector<double> attribute_values(const std::string& text, const std::string& name) {
    std::vector<double> values;
    const std::string key = " " + name + "=\"";
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        values.push_back(std::strtod(text.c_str() + at + key.size(), nullptr));
    }
    return values;
}

TEST(BoardPicture, LayersFromTheBottomUpInAFrameAroundEverything) {
    const Board board = loaded_board();
    const std::string picture = board_picture(board, {"picture.fpc", nullptr});

    const char* const order[] = {"background",  "layer-Board", "layer-Bottom_Silk", "layer-Bottom",
                                 "layer-Top",   "layer-Top_Silk", "layer-Vias",      "layer-Drills",
                                 "layer-Keepouts", "layer-Open_Connections", "legend"};
    std::size_t previous = 0;
    for (const char* id : order) {
        const std::size_t at = picture.find(std::string("id=\"") + id + "\"");
        ASSERT_NE(at, std::string::npos) << id;
        EXPECT_GT(at, previous) << id;
        previous = at;
    }
    EXPECT_EQ(count_of(picture, "<g"), count_of(picture, "</g>"));
    EXPECT_EQ(picture.rfind("</svg>\n"), picture.size() - 7);

    // The frame: whole multiples of ten mils, its size in inches exactly; every placed element
    // lies in it.
    const std::size_t box = picture.find("viewBox=\"");
    double left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(std::sscanf(picture.c_str() + box, "viewBox=\"%lf %lf %lf %lf\"", &left, &top, &width, &height), 4);
    for (const double edge : {left, top, width, height}) EXPECT_EQ(std::fmod(edge, 10.0), 0.0) << edge;
    EXPECT_NE(picture.find("width=\"" + picture_number(width / 1000) + "in\" height=\"" + picture_number(height / 1000) +
                           "in\""),
              std::string::npos);
    for (const char* name : {"x", "cx", "x1", "x2"}) {
        for (const double x : attribute_values(picture, name)) {
            EXPECT_GE(x, left) << name;
            EXPECT_LE(x, left + width) << name;
        }
    }
    for (const char* name : {"y", "cy", "y1", "y2"}) {
        for (const double y : attribute_values(picture, name)) {
            EXPECT_GE(y, top) << name;
            EXPECT_LE(y, top + height) << name;
        }
    }
    // The board outline is 4 by 2 inches; the legend stands right of it.
    EXPECT_LT(left, 0);
    EXPECT_LT(top, -2000);
    EXPECT_GT(left + width, 4000);
    EXPECT_GT(top + height, 0);
}

TEST(BoardPicture, PadsTurnWithTheirPartAndMirrorOnTheBottomSideYUp) {
    const Board board = loaded_board();
    const std::string picture = board_picture(board, {"picture.fpc", nullptr});
    const std::string top = group(picture, "id=\"layer-Top\"");
    const std::string bottom = group(picture, "id=\"layer-Bottom\"");
    // A at (1000, 1000) mil: its pad east of it, long along x; y runs up the board, down the page.
    EXPECT_NE(top.find("<rect x=\"1070\" y=\"-1010\" width=\"60\" height=\"20\"/>"), std::string::npos) << top;
    // B turned a quarter clockwise: the pad south of it, long along y.
    EXPECT_NE(top.find("<rect x=\"1990\" y=\"-930\" width=\"20\" height=\"60\"/>"), std::string::npos) << top;
    // C on the bottom: mirrored to the west, on the bottom copper.
    EXPECT_NE(bottom.find("<rect x=\"2870\" y=\"-1010\" width=\"60\" height=\"20\"/>"), std::string::npos) << bottom;
    EXPECT_EQ(top.find("x=\"2870\""), std::string::npos);
    // The drilled pins have their pads on both sides, their holes above everything.
    EXPECT_EQ(count_of(group(top, "class=\"pads\""), "/>"), 5u);
    EXPECT_EQ(count_of(group(bottom, "class=\"pads\""), "/>"), 4u);
    EXPECT_EQ(count_of(group(picture, "id=\"layer-Drills\""), "<circle cx=\""), 3u + 1u);
    EXPECT_NE(group(picture, "id=\"layer-Drills\"").find("<circle cx=\"3000\" cy=\"-1000\" r=\"15\"/>"), std::string::npos);
    // The bottom part's outline and reference on the bottom silk; names escaped.
    EXPECT_NE(group(picture, "id=\"layer-Bottom_Silk\"").find(">C</text>"), std::string::npos);
    EXPECT_NE(group(picture, "id=\"layer-Top_Silk\"").find(">B&amp;</text>"), std::string::npos);
    EXPECT_NE(group(picture, "id=\"layer-Top_Silk\"").find(">a &lt; b</text>"), std::string::npos);
    EXPECT_NE(picture.find("Top: 5 pads, 1 trace segment, 0 areas"), std::string::npos);
    EXPECT_NE(picture.find("Bottom: 4 pads, 1 trace segment, 0 areas"), std::string::npos);
    EXPECT_NE(picture.find("Open connections: 1<"), std::string::npos);
    EXPECT_NE(group(picture, "id=\"layer-Open_Connections\"").find("<line x1=\"1000\" y1=\"-1000\" x2=\"3000\" y2=\"-1000\"/>"),
              std::string::npos);
}

TEST(BoardPicture, TheRoutersCopperIsDrawnApartAndCounted) {
    const Board board = loaded_board();
    const PictureSubject title{"<\"picture\" & routed>", nullptr};
    const std::string plain = board_picture(board, title);
    EXPECT_NE(plain.find("<title>&lt;&quot;picture&quot; &amp; routed&gt;</title>"), std::string::npos);
    EXPECT_EQ(plain.find("router"), std::string::npos);

    // The bottom segment and the via are the router's; the top segment is the board's own.
    const std::vector<Vertex>& trace = board.nets[0].connects[0].vertices;
    RouterCopper router;
    router.add_segment(0, bottom_copper_layer, trace[2].x, trace[2].y, trace[1].x, trace[1].y);
    router.add_via(0, trace[1].x, trace[1].y);
    router.add_segment(1, top_copper_layer, trace[0].x, trace[0].y, trace[1].x, trace[1].y);  // another net's
    router.finish();
    const std::string routed = board_picture(board, {"picture_routed.fpc", &router});
    const std::string bottom = group(routed, "id=\"layer-Bottom\"");
    const std::string laid = group(bottom, "class=\"router-traces\"");
    EXPECT_NE(laid.find("<line x1=\"1500\" y1=\"-1000\" x2=\"2000\" y2=\"-900\" stroke-width=\"10\"/>"), std::string::npos)
        << bottom;
    EXPECT_EQ(group(bottom, "class=\"traces\""), "");
    EXPECT_NE(group(group(routed, "id=\"layer-Top\""), "class=\"traces\"").find("x1=\"1100\""), std::string::npos);
    EXPECT_EQ(group(routed, "id=\"layer-Top\"").find("router"), std::string::npos);
    EXPECT_NE(group(group(routed, "id=\"layer-Vias\""), "class=\"router-vias\"").find("<circle cx=\"1500\""),
              std::string::npos);
    EXPECT_NE(routed.find("Bottom: 4 pads, 1 trace segment (1 by the router), 0 areas"), std::string::npos);
    EXPECT_NE(routed.find("Top: 5 pads, 1 trace segment (0 by the router), 0 areas"), std::string::npos);
    EXPECT_NE(routed.find("Vias: 1 (1 by the router)"), std::string::npos);

    // The routed board's open connections, where known, are the dashed lines: not its rat-line.
    const std::vector<OpenLine> open{{1.0, 1.0, 2.0, 1.5}, {3.0, 1.0, 3.0, 2.0}};
    const std::string with_open = board_picture(board, {"picture_routed.fpc", &router, &open});
    const std::string dashed = group(with_open, "id=\"layer-Open_Connections\"");
    EXPECT_EQ(count_of(dashed, "<line"), 2u) << dashed;
    EXPECT_NE(dashed.find("<line x1=\"1000\" y1=\"-1000\" x2=\"2000\" y2=\"-1500\"/>"), std::string::npos) << dashed;
    EXPECT_EQ(dashed.find("x2=\"3000\" y2=\"-1000\""), std::string::npos) << dashed;
    EXPECT_NE(with_open.find("Open connections: 2<"), std::string::npos);
    const std::vector<OpenLine> none;
    EXPECT_EQ(count_of(group(board_picture(board, {"picture_routed.fpc", &router, &none}), "id=\"layer-Open_Connections\""),
                       "<line"),
              0u);

    // A segment the board holds twice, which the router laid once: once in each shade.
    Board twice = board;
    twice.nets[0].connects.push_back(twice.nets[0].connects[0]);
    const std::string doubled = group(board_picture(twice, {"twice.fpc", &router}), "id=\"layer-Bottom\"");
    EXPECT_EQ(count_of(group(doubled, "class=\"router-traces\""), "<line"), 1u);
    EXPECT_EQ(count_of(group(doubled, "class=\"traces\""), "<line"), 1u);
}

}  // namespace
}  // namespace tarnwick
