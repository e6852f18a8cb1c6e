// The pictures as a browser shows them: headless Chromium renders the pictures of the example
// (as loaded and routed) and of a test board with every pad shape into PNG files, and pixels at
// places worked out from the boards have the colours the picture's layers give them, laid over
// each other as a browser lays half-transparent groups.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "board/units.h"
#include "picture_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// The browser, or "" when this machine has none.
std::string browser() {
    for (const char* name : {"chromium", "chromium-browser"}) {
        if (test::has_program(name)) return name;
    }
    return "";
}

struct Colour {
    double r = 0, g = 0, b = 0;
};

Colour parse_colour(const std::string& hex) {
    const auto channel = [&](std::size_t at) { return static_cast<double>(std::strtol(hex.substr(at, 2).c_str(), nullptr, 16)); };
    if (hex.size() != 7 || hex[0] != '#') return {-1000, -1000, -1000};
    return {channel(1), channel(3), channel(5)};
}

// `top` at `alpha` over `below`, as the browser composites a group.
Colour over(const Colour& below, const Colour& top, double alpha) {
    return {alpha * top.r + (1 - alpha) * below.r, alpha * top.g + (1 - alpha) * below.g,
            alpha * top.b + (1 - alpha) * below.b};
}

// The value of `name` in the start tag of the first element whose start tag holds `marker`.
std::string attribute_of(const std::string& svg, const std::string& marker, const std::string& name) {
    const std::size_t at = svg.find(marker);
    if (at == std::string::npos) return "";
    const std::size_t tag = svg.rfind('<', at);
    const std::size_t end = svg.find('>', at);
    const std::string head = svg.substr(tag, end - tag);
    const std::size_t value = head.find(" " + name + "=\"");
    if (value == std::string::npos) return "";
    const std::size_t start = value + name.size() + 3;
    return head.substr(start, head.find('"', start) - start);
}

// A picture rendered by the browser: its pixels, and where a board point falls among them.
struct Rendered {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgba;
    double left = 0;  // the viewBox's left and top, mils
    double top = 0;
    double pixels_per_mil = 0;

    Colour at(double x_inch, double y_inch) const {
        const double px = (x_inch * inch_to_mil - left) * pixels_per_mil;
        const double py = (-y_inch * inch_to_mil - top) * pixels_per_mil;
        const auto column = static_cast<std::int64_t>(std::floor(px));
        const auto row = static_cast<std::int64_t>(std::floor(py));
        if (column < 0 || row < 0 || column >= width || row >= height) return {-1000, -1000, -1000};
        const std::uint8_t* p = &rgba[(static_cast<std::size_t>(row) * width + static_cast<std::size_t>(column)) * 4];
        return {static_cast<double>(p[0]), static_cast<double>(p[1]), static_cast<double>(p[2])};
    }
};

constexpr double device_scale = 4;
constexpr double css_pixels_per_inch = 96;

// Renders the picture with headless Chromium (a profile of its own, nothing from the network)
// and decodes the PNG with libpng; "" or why it could not.
std::string render(const std::string& program, const fs::path& svg, const fs::path& folder, Rendered& rendered) {
    const std::string text = test::file_text(svg);
    const double width_inch = std::strtod(attribute_of(text, "<svg ", "width").c_str(), nullptr);
    const double height_inch = std::strtod(attribute_of(text, "<svg ", "height").c_str(), nullptr);
    double view[4] = {0, 0, 0, 0};
    if (std::sscanf(attribute_of(text, "<svg ", "viewBox").c_str(), "%lf %lf %lf %lf", &view[0], &view[1], &view[2],
                    &view[3]) != 4 ||
        !(width_inch > 0) || !(height_inch > 0)) {
        return "no size in " + svg.string();
    }
    const fs::path png = folder / (svg.stem().string() + ".png");
    const fs::path profile = folder / (svg.stem().string() + "_profile");
    fs::create_directories(profile);
    const std::string command =
        program + " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking" +
        " --disable-component-update --disable-sync --hide-scrollbars --user-data-dir=" + test::shell_quoted(profile.string()) +
        " --force-device-scale-factor=" + std::to_string(static_cast<int>(device_scale)) + " --window-size=" +
        std::to_string(static_cast<int>(std::ceil(width_inch * css_pixels_per_inch))) + "," +
        std::to_string(static_cast<int>(std::ceil(height_inch * css_pixels_per_inch))) +
        " --screenshot=" + test::shell_quoted(png.string()) + " " + test::shell_quoted("file://" + svg.string()) + " 2>&1";
    const test::CommandResult run = test::run_command(command);
    if (!fs::exists(png)) return "no screenshot (" + std::to_string(run.status) + "): " + run.out;

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, png.string().c_str()) == 0) return std::string("libpng: ") + image.message;
    image.format = PNG_FORMAT_RGBA;
    rendered.rgba.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rendered.rgba.data(), 0, nullptr) == 0) {
        return std::string("libpng: ") + image.message;
    }
    rendered.width = image.width;
    rendered.height = image.height;
    rendered.left = view[0];
    rendered.top = view[1];
    rendered.pixels_per_mil = width_inch * css_pixels_per_inch * device_scale / view[2];
    return "";
}

// The colours of a picture, read from its groups.
struct Palette {
    Colour page, board;
    Colour top, bottom, router_top, router_bottom;
    double opacity = 0;      // of a layer over the ones below
    double area_alpha = 0;   // of a copper pour within its layer
};

Palette palette_of(const std::string& svg) {
    Palette palette;
    palette.page = parse_colour(attribute_of(svg, "id=\"background\"", "fill"));
    palette.board = parse_colour(attribute_of(svg, "id=\"layer-Board\"", "fill"));
    palette.top = parse_colour(attribute_of(svg, "id=\"layer-Top\"", "fill"));
    palette.bottom = parse_colour(attribute_of(svg, "id=\"layer-Bottom\"", "fill"));
    palette.opacity = std::strtod(attribute_of(svg, "id=\"layer-Top\"", "opacity").c_str(), nullptr);
    palette.area_alpha = std::strtod(attribute_of(svg, "class=\"areas\"", "fill-opacity").c_str(), nullptr);
    const std::size_t bottom = svg.find("id=\"layer-Bottom\"");
    const std::size_t top = svg.find("id=\"layer-Top\"");
    if (bottom != std::string::npos) {
        palette.router_bottom = parse_colour(attribute_of(svg.substr(bottom), "class=\"router-traces\"", "stroke"));
    }
    if (top != std::string::npos) {
        palette.router_top = parse_colour(attribute_of(svg.substr(top), "class=\"router-traces\"", "stroke"));
    }
    return palette;
}

// Whether (x, y) lies in an area of the layer: inside an odd number of its contours.
bool in_area(const Board& board, std::uint32_t layer, double x, double y) {
    for (const Net& net : board.nets) {
        if (net.reserved != 0) continue;
        for (const Area& area : net.areas) {
            if (area.layer != layer || area.off_copper) continue;
            bool inside = false;
            for (const AreaContour& contour : area.contours) {
                const std::vector<ContourPoint>& p = contour.points;
                for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
                    if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x) {
                        inside = !inside;
                    }
                }
            }
            if (inside) return true;
        }
    }
    return false;
}

// What the browser should show at (x, y) of a two-layer board: the board, its bottom layer,
// its top layer, each a group at the palette's opacity; on `drawn` the layer's own colour
// `colour` is solid in its group, elsewhere a pour of the layer shows at its fainter alpha.
Colour expected_at(const Board& board, const Palette& palette, double x, double y, std::uint32_t drawn, Colour colour) {
    Colour out = palette.board;
    for (const std::uint32_t layer : {bottom_copper_layer, top_copper_layer}) {
        const Colour own = layer == top_copper_layer ? palette.top : palette.bottom;
        if (layer == drawn) {
            out = over(out, colour, palette.opacity);
        } else if (in_area(board, layer, x, y)) {
            out = over(out, own, palette.opacity * palette.area_alpha);
        }
    }
    return out;
}

struct Probe {
    std::string what;
    double x, y;  // inches on the board
    Colour expected;
};

void check_probes(const Rendered& rendered, const std::vector<Probe>& probes) {
    for (const Probe& probe : probes) {
        const Colour seen = rendered.at(probe.x, probe.y);
        const double off = std::max({std::fabs(seen.r - probe.expected.r), std::fabs(seen.g - probe.expected.g),
                                     std::fabs(seen.b - probe.expected.b)});
        EXPECT_LE(off, 4.0) << probe.what << " at (" << probe.x << ", " << probe.y << ") inch: seen rgb(" << seen.r << ", "
                            << seen.g << ", " << seen.b << "), expected rgb(" << probe.expected.r << ", "
                            << probe.expected.g << ", " << probe.expected.b << ")";
    }
}

// The board's outline's least x and its middle y: a place just off the board lies left of it.
void off_board(const Board& board, double& x, double& y) {
    double min_x = 1e9, min_y = 1e9, max_y = -1e9;
    for (const BoardOutline& outline : board.outlines) {
        for (const OutlineCorner& corner : outline.corners) {
            min_x = std::min(min_x, corner.x);
            min_y = std::min(min_y, corner.y);
            max_y = std::max(max_y, corner.y);
        }
    }
    x = min_x - 0.02;
    y = (min_y + max_y) / 2;
}

// The longest segment of the board's traces on `layer` that the router laid (`router`) or not.
bool longest_segment(const test::LoadedRun& run, std::uint32_t layer, bool router, double& x, double& y) {
    double longest = -1;
    for (std::uint32_t n = 0; n < run.board.nets.size(); ++n) {
        for (const Connect& connect : run.board.nets[n].connects) {
            for (std::size_t i = 0; i + 1 < connect.vertices.size(); ++i) {
                const Vertex& a = connect.vertices[i];
                const Vertex& b = connect.vertices[i + 1];
                if (a.seg_layer != layer) continue;
                const auto places = run.router.segment_places(n, layer, a.x, a.y, b.x, b.y);
                const bool laid = run.routed && places.first < places.second;
                const double length = std::hypot(b.x - a.x, b.y - a.y);
                if (laid != router || length <= longest) continue;
                longest = length;
                x = (a.x + b.x) / 2;
                y = (a.y + b.y) / 2;
            }
        }
    }
    return longest > 0;
}

class Browser : public ::testing::Test {
protected:
    void SetUp() override {
        program = browser();
        if (program.empty()) GTEST_SKIP() << "no Chromium on the PATH (Debian: chromium): the pictures are not rendered";
    }
    std::string program;
    test::ScratchFolder folder{"browser"};

    // A board (routed with the session `ses`, when given), its picture `name` and the picture as
    // the browser renders it.
    struct Shown {
        test::LoadedRun run;
        std::string text;
        Palette palette;
        Rendered rendered;
    };
    void show(const fs::path& fpc, const fs::path& ses, const std::string& name, Shown& shown) {
        ASSERT_TRUE(test::load_run(fpc, shown.run, ses));
        const fs::path svg = folder.path / name;
        test::write_picture(shown.run, svg);
        ASSERT_EQ(render(program, svg, folder.path, shown.rendered), "");
        shown.text = test::file_text(svg);
        shown.palette = palette_of(shown.text);
    }
};

TEST_F(Browser, TheExampleShowsItsBottomTracesAndThePageOffTheBoard) {
    Shown shown;
    ASSERT_NO_FATAL_FAILURE(show(fs::path(TARNWICK_EXAMPLES) / "blinker.fpc", fs::path(), "blinker.svg", shown));
    const test::LoadedRun& run = shown.run;
    const Palette& palette = shown.palette;

    std::vector<Probe> probes;
    double x = 0, y = 0;
    off_board(run.board, x, y);
    probes.push_back({"the page off the board", x, y, palette.page});
    ASSERT_TRUE(longest_segment(run, bottom_copper_layer, false, x, y));
    probes.push_back({"half-way along a bottom trace", x, y,
                      expected_at(run.board, palette, x, y, bottom_copper_layer, palette.bottom)});
    ASSERT_TRUE(longest_segment(run, top_copper_layer, false, x, y));
    probes.push_back({"half-way along a top trace, over the bottom pour", x, y,
                      expected_at(run.board, palette, x, y, top_copper_layer, palette.top)});
    check_probes(shown.rendered, probes);
}

TEST_F(Browser, TheRoutedExampleShowsTheRoutersTracesInTheirOwnShade) {
    const fs::path examples(TARNWICK_EXAMPLES);
    Shown shown;
    ASSERT_NO_FATAL_FAILURE(show(examples / "blinker.fpc", examples / "blinker.ses", "blinker_routed.svg", shown));
    const test::LoadedRun& run = shown.run;
    const Palette& palette = shown.palette;

    std::vector<Probe> probes;
    double x = 0, y = 0;
    ASSERT_TRUE(longest_segment(run, bottom_copper_layer, true, x, y));
    probes.push_back({"half-way along the router's bottom trace", x, y,
                      expected_at(run.board, palette, x, y, bottom_copper_layer, palette.router_bottom)});
    ASSERT_TRUE(longest_segment(run, top_copper_layer, true, x, y));
    probes.push_back({"half-way along the router's top trace", x, y,
                      expected_at(run.board, palette, x, y, top_copper_layer, palette.router_top)});
    ASSERT_TRUE(longest_segment(run, top_copper_layer, false, x, y));
    probes.push_back({"half-way along the board's own top trace", x, y,
                      expected_at(run.board, palette, x, y, top_copper_layer, palette.top)});
    off_board(run.board, x, y);
    probes.push_back({"the page off the board", x, y, palette.page});
    check_probes(shown.rendered, probes);
}

TEST_F(Browser, PadsShowAtTheirCentresInTheirShapesAndTheBoardInItsRoundedCorner) {
    Shown shown;
    ASSERT_NO_FATAL_FAILURE(show(fs::path(TARNWICK_TEST_CASES) / "picture_pad_shapes" / "in" / "shapes.fpc", fs::path(),
                                 "shapes.svg", shown));
    const test::LoadedRun& run = shown.run;
    const Palette& palette = shown.palette;
    // Four copper layers: the inner ones lie between; where the probes are, they hold nothing.
    ASSERT_NE(shown.text.find("id=\"layer-Inner_1\""), std::string::npos);

    std::vector<Probe> probes;
    for (const Part& part : run.board.parts) {
        if (part.ref != "U1") continue;
        // Every pad shape of the footprint, on the top at its centre.
        const std::vector<FootprintPin>& footprint_pins = run.board.footprints.at(part.footprint).pins;
        for (std::size_t i = 0; i < part.pins.size(); ++i) {
            const PartPin& pin = part.pins[i];
            probes.push_back({"the centre of U1's top pad " + footprint_pins.at(i).name, pin.x, pin.y,
                              expected_at(run.board, palette, pin.x, pin.y, top_copper_layer, palette.top)});
        }
        // Inside the octagon's square, beyond its corner: no copper.
        const PartPin& octagon = part.pins.at(5);
        probes.push_back({"beside the corner of U1's octagon", octagon.x + 0.027, octagon.y + 0.027, palette.board});
    }
    ASSERT_EQ(probes.size(), 8u);
    // The outline's corner from (2300, 0) to (2500, 200) mil turns counter-clockwise round
    // (2300, 200): the board fills it out.
    probes.push_back({"in the board's rounded corner", 2.427, 0.073, palette.board});
    probes.push_back({"beyond the board's rounded corner", 2.49, 0.01, palette.page});
    double x = 0, y = 0;
    off_board(run.board, x, y);
    probes.push_back({"the page off the board", x, y, palette.page});
    check_probes(shown.rendered, probes);
}

}  // namespace
}  // namespace tarnwick
