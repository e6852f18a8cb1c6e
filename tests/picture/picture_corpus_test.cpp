// Every corpus board that loads draws a picture that an XML parser (xmllint) reads, with as many
// pads on each copper layer, vias, trace segments and open connections as the board holds; the
// routed boards, with as many of the segments in the router's shade as the router laid.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "board/layers.h"
#include "board/units.h"
#include "picture_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// What a board holds, by the rules a user reads in the board: a part places every pad its pins'
// padstacks have copper for, the top pad on its own side; vias count once per net and place.
struct Expected {
    std::map<std::string, std::uint32_t> numbers;  // by the name of the count in the picture
};

Expected expected_counts(const test::LoadedRun& run) {
    const Board& board = run.board;
    const auto layers = static_cast<std::uint32_t>(board.copper_layers.size());
    Expected expected;
    auto& n = expected.numbers;
    for (std::uint32_t k = 0; k < layers; ++k) {
        const std::string name = layer_name(top_copper_layer + k);
        n["pads " + name] = 0;
        n["traces " + name] = 0;
        n["router " + name] = 0;
    }
    // A pad on a layer the board does not have is drawn nowhere.
    const auto add_pad = [&](const std::string& layer) {
        const auto counted = n.find("pads " + layer);
        if (counted != n.end()) ++counted->second;
    };
    for (const Part& part : board.parts) {
        if (part.no_footprint || part.footprint >= board.footprints.size()) continue;
        const std::string near = part.side == 0 ? "Top" : "Bottom";
        const std::string far = part.side == 0 ? "Bottom" : "Top";
        for (const FootprintPin& pin : board.footprints[part.footprint].pins) {
            if (!has_pad(pin)) continue;  // a bare hole
            const Padstack& padstack = board.padstacks.at(pin.padstack);
            if (padstack.hole == 0) {
                if (has_top_copper(padstack)) {
                    add_pad(near);
                } else if (has_bottom_copper(padstack)) {
                    add_pad(far);
                }
                continue;
            }
            if (has_top_copper(padstack)) add_pad(near);
            if (has_bottom_copper(padstack)) add_pad(far);
            if (has_inner_copper(padstack)) {
                for (std::uint32_t k = 2; k < layers; ++k) add_pad(layer_name(top_copper_layer + k));
            }
        }
    }
    std::set<std::tuple<std::size_t, double, double>> vias;
    n["open"] = 0;
    for (std::size_t i = 0; i < board.nets.size(); ++i) {
        for (const Via& via : board.nets[i].vias) vias.insert({i, via.x, via.y});
        for (const Connect& connect : board.nets[i].connects) {
            for (std::size_t v = 0; v + 1 < connect.vertices.size(); ++v) {
                const std::uint32_t layer = connect.vertices[v].seg_layer;
                if (layer == rat_line_layer) ++n["open"];
                if (layer >= top_copper_layer && layer < top_copper_layer + layers) ++n["traces " + layer_name(layer)];
            }
        }
    }
    n["vias"] = static_cast<std::uint32_t>(vias.size());
    // The router laid every segment of every path it did not mark as the board's own: each
    // became a segment of a trace.
    if (run.routed) {
        for (const NetWire& wire : run.routed->session.wire_list) {
            for (const WirePath& path : wire.paths) {
                if (!path.protect) n["router " + layer_name(path.layer)] += static_cast<std::uint32_t>(path.points.size() - 1);
            }
        }
    }
    return expected;
}

// The XPath of the elements of a group of a layer's group.
std::string in_layer(const std::string& layer, const std::string& group) {
    return "//*[local-name()='g'][@id='layer-" + layer + "']/*[local-name()='g'][@class='" + group + "']/*";
}

// The counts the picture holds, read by xmllint in one XPath expression.
std::map<std::string, std::uint32_t> picture_counts(const fs::path& picture, const test::LoadedRun& run,
                                                    std::string& failure) {
    std::vector<std::pair<std::string, std::string>> queries;
    for (std::uint32_t k = 0; k < run.board.copper_layers.size(); ++k) {
        const std::string name = layer_name(top_copper_layer + k);
        queries.push_back({"pads " + name, in_layer(name, "pads")});
        queries.push_back({"traces " + name, in_layer(name, "traces") + " | " + in_layer(name, "router-traces")});
        queries.push_back({"router " + name, in_layer(name, "router-traces")});
    }
    queries.push_back({"vias", "//*[local-name()='g'][@id='layer-Vias']//*[local-name()='circle']"});
    queries.push_back({"open", "//*[local-name()='g'][@id='layer-Open_Connections']/*[local-name()='line']"});
    std::string expression = "concat(''";
    for (const auto& query : queries) expression += ", count(" + query.second + "), ' '";
    expression += ")";
    const test::CommandResult result =
        test::run_command("xmllint --xpath " + test::shell_quoted(expression) + " " + test::shell_quoted(picture.string()));
    std::map<std::string, std::uint32_t> counts;
    if (result.status != 0) {
        failure = "xmllint --xpath failed: " + result.out;
        return counts;
    }
    std::istringstream numbers(result.out);
    for (const auto& query : queries) numbers >> counts[query.first];
    return counts;
}

void check_picture(const std::string& name, const test::LoadedRun& run, const fs::path& folder) {
    SCOPED_TRACE(name);
    const fs::path picture = folder / (name + ".svg");
    test::write_picture(run, picture);
    const test::CommandResult parsed = test::run_command("xmllint --noout " + test::shell_quoted(picture.string()) + " 2>&1");
    ASSERT_EQ(parsed.status, 0) << parsed.out;
    std::string failure;
    const std::map<std::string, std::uint32_t> drawn = picture_counts(picture, run, failure);
    ASSERT_EQ(failure, "");
    EXPECT_EQ(drawn, expected_counts(run).numbers);
}

TEST(PictureCorpus, EveryBoardDrawsWellFormedWithWhatItHolds) {
    const fs::path corpus(TARNWICK_CORPUS);
    if (!fs::is_directory(corpus / "fpc")) GTEST_SKIP() << "no corpus at " << corpus;
    if (!test::has_program("xmllint")) GTEST_SKIP() << "no xmllint on the PATH (Debian: libxml2-utils)";
    test::ScratchFolder folder("picture_corpus");
    std::uint32_t drawn = 0;
    std::uint32_t routed = 0;
    for (const std::string kind : {"fpc", "routed"}) {
        for (const auto& entry : fs::directory_iterator(corpus / kind)) {
            if (entry.path().extension() != ".fpc") continue;
            const std::string name = entry.path().stem().string();
            test::LoadedRun loaded;
            if (!test::load_run(entry.path(), loaded)) continue;  // a board that stops with an error draws nothing
            check_picture(kind + "_" + name, loaded, folder.path);
            ++drawn;
            fs::path session = entry.path();
            session.replace_extension(".ses");
            if (!fs::exists(session)) continue;
            test::LoadedRun back;
            ASSERT_TRUE(test::load_run(entry.path(), back, session)) << name;
            check_picture(kind + "_" + name + "_routed", back, folder.path);
            ++routed;
        }
    }
    EXPECT_GE(drawn, 20u);
    EXPECT_GE(routed, 5u);
}

}  // namespace
}  // namespace tarnwick
