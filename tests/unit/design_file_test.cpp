#include "dsn/design_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>

#include "design_file_support.h"
#include "dsn/library.h"
#include "dsn/network.h"
#include "dsn/placement.h"
#include "dsn/structure.h"
#include "dsn/wiring.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

TEST(DesignFile, IndentationIsFourBlanksPerLevelAndStaysWithinZeroTo64) {
    test::MemoryDesignFile memory;
    DesignFile& file = memory.file;
    EXPECT_EQ(file.adjust_indent(0), 0);
    EXPECT_STREQ(file.indent_string(), "");
    EXPECT_EQ(file.adjust_indent(+1), 1);
    EXPECT_STREQ(file.indent_string(), "    ");
    EXPECT_EQ(file.adjust_indent(-1), 0);
    EXPECT_EQ(file.adjust_indent(-1), 0);  // never below 0
    EXPECT_STREQ(file.indent_string(), "");
    for (int i = 0; i < 70; ++i) file.adjust_indent(+1);
    EXPECT_EQ(file.adjust_indent(0), 64);  // never above 64
    EXPECT_EQ(std::string(file.indent_string()), std::string(256, ' '));
    EXPECT_EQ(file.adjust_indent(+5), 64);
    EXPECT_EQ(file.adjust_indent(-1), 63);
}

TEST(DesignFile, RecordsOpenDeeperAndCloseAlignedWithTheirOpeningLine) {
    test::MemoryDesignFile memory(1);
    memory.file.open_record("(outer");
    memory.file.open_record("(inner");
    memory.file.close_record();
    memory.file.close_record();
    EXPECT_EQ(memory.text(), "\n    (outer\n        (inner\n        )\n    )");
    EXPECT_EQ(memory.file.adjust_indent(0), 1);
}

Board board_named(const char* project, double version) {
    Board board;
    board.options.project_name = project;
    board.options.version = version;
    return board;
}

TEST(DesignFile, HeaderOpensThePcbRecordAndLeavesLevelOne) {
    test::MemoryDesignFile memory;
    write_dsn_header(memory.file, board_named("demo", 1.344));
    EXPECT_EQ(memory.text(),
              "(PCB \"demo\"\n"
              "    (parser\n"
              "        (string_quote \")\n"
              "        (space_in_quoted_tokens on)\n"
              "        (host_cad \"FreePCB Ver 1.344\")\n"
              "        (host_version \"translated by: Tarnwick Ver 1.301R\")\n"
              "        (case_sensitive on)\n"
              "    )\n"
              "    (resolution mil 100)");
    EXPECT_EQ(memory.file.adjust_indent(0), 1);
}

TEST(DesignFile, HeaderOfABoardWithoutNameOrVersion) {
    test::MemoryDesignFile memory;
    write_dsn_header(memory.file, Board{});
    const std::string text = memory.text();
    EXPECT_EQ(text.rfind("(PCB \"\"\n", 0), 0u);
    EXPECT_NE(text.find("(host_cad \"FreePCB Ver 0.000\")"), std::string::npos);
}

TEST(DesignFile, HeaderRefusesToStartInsideARecord) {
    test::MemoryDesignFile memory(1);
    const FatalError error = test::expect_fatal([&] { write_dsn_header(memory.file, Board{}); });
    EXPECT_EQ(error.code, 40175);
    EXPECT_EQ(error.message, "hdr start indent level");
}

TEST(DesignFile, EverySectionChecksItsOwnBalance) {
    // A section started inside another record would leave the file unbalanced: each refuses.
    Board board;
    Padstack via;
    via.name = "DefVia";
    via.is_via = 1;
    board.padstacks.push_back(via);
    const RunSettings settings;
    struct Section {
        std::function<void(DesignFile&)> write;
        int code;
        const char* message;
    };
    const Section sections[] = {
        {[&](DesignFile& file) { write_structure(file, board, settings); }, 40222, "structure start indent level"},
        {[&](DesignFile& file) { write_placement(file, board); }, 40557, "placement start indent level"},
        {[&](DesignFile& file) { write_library(file, board); }, 40779, "library start indent level"},
        {[&](DesignFile& file) { write_network(file, board, settings); }, 41148, "network start indent level"},
        {[&](DesignFile& file) { write_wiring(file, board); }, 41348, "wiring start indent level"},
    };
    for (const Section& section : sections) {
        test::MemoryDesignFile memory(2);
        const FatalError error = test::expect_fatal([&] { section.write(memory.file); });
        EXPECT_EQ(error.code, section.code);
        EXPECT_EQ(error.message, section.message);
        EXPECT_EQ(memory.text(), "");
    }
}

TEST(DesignFile, CloseReportsWhatCouldNotBeStored) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (full == nullptr) GTEST_SKIP() << "no /dev/full here";
    DesignFile file(full);
    for (int i = 0; i < 10000; ++i) std::fprintf(file.stream(), "\n    (record %d)", i);
    EXPECT_FALSE(file.close());
}

class DesignFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("tarnwick_dsn_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        board_file = (folder / "board.fpc").string();
        std::ofstream(board_file) << "board text\n";
    }
    void TearDown() override { fs::remove_all(folder); }

    RunSettings settings_for(const std::string& specctraname) const {
        return test::named_settings(board_file, specctraname);
    }
    std::string board_text() const {
        std::ifstream in(board_file);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path folder;
    std::string board_file;
};

TEST_F(DesignFileOnDisk, RefusesToOverwriteTheBoardFile) {
    const std::string message =
        "Design (.DSN) file name matches FreePCB (.FPC) file name, restart without file extensions";
    FatalError error = test::expect_fatal([&] { open_design_file(settings_for(board_file)); });
    EXPECT_EQ(error.code, 40163);
    EXPECT_EQ(error.message, message);

    // The same file under another spelling is refused as well.
    const std::string other_spelling = (folder / "." / "board.fpc").string();
    error = test::expect_fatal([&] { open_design_file(settings_for(other_spelling)); });
    EXPECT_EQ(error.code, 40163);
    EXPECT_EQ(board_text(), "board text\n");
}

TEST_F(DesignFileOnDisk, UnwritablePathIsReportedWithItsName) {
    const std::string name = (folder / "missing" / "out.dsn").string();
    const FatalError error = test::expect_fatal([&] { open_design_file(settings_for(name)); });
    EXPECT_EQ(error.code, 41480);
    EXPECT_EQ(error.message, "unable to open \"" + name + "\" for output");
    EXPECT_EQ(board_text(), "board text\n");
}

TEST_F(DesignFileOnDisk, WholeFileIsBalancedAndEndsWithoutLineFeed) {
    Board board = board_named("demo", 1.344);
    board.options.n_copper_layers = 2;
    board.copper_layers.assign(2, CopperLayerInfo{});
    board.copper_layers[1].direction = 1;
    Padstack via;
    via.name = "DefVia";
    via.top_shape = via.inner_shape = via.bottom_shape = pad_shape_circle;
    via.top.wide = via.inner.wide = via.bottom.wide = 0.05;
    via.hole = 0.028;
    via.is_via = 1;
    board.padstacks.push_back(via);

    const std::string name = (folder / "out").string();
    testing::internal::CaptureStderr();
    ASSERT_EQ(write_design_file(board, settings_for(name)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\n  File \"" + name + ".dsn\" created.\n");
    std::ifstream in(name + ".dsn");
    const std::string text(std::istreambuf_iterator<char>(in), {});
    int depth = 0;
    for (char c : text) {
        if (c == '(') ++depth;
        if (c == ')') --depth;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(text.substr(text.size() - 2), "\n)");
    // Sections in file order.
    const auto structure = text.find("\n    (structure");
    const auto placement = text.find("\n    (placement");
    const auto library = text.find("\n    (library");
    const auto network = text.find("\n    (network");
    const auto wiring = text.find("\n    (wiring");
    EXPECT_LT(structure, placement);
    EXPECT_LT(placement, library);
    EXPECT_LT(library, network);
    EXPECT_LT(network, wiring);
    EXPECT_NE(wiring, std::string::npos);
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// A reference with a double quote turns the whole file to the single quote, which the router
// reads such names with; a name with a single quote beside it has no spelling left.
TEST(DesignFile, ANameWithADoubleQuoteIsWrittenBetweenSingleQuotes) {
    Board board;
    Part part;
    part.ref = "R1";
    board.parts.push_back(part);
    Net net;
    net.name = "N'1";
    board.nets.push_back(net);
    EXPECT_EQ(choose_string_quote(board), '"');  // as every board before: a ' in "..." is read whole

    board.parts.push_back(part);
    board.parts.back().ref = "R\"2";
    const FatalError both = test::expect_fatal([&] { choose_string_quote(board); });
    EXPECT_EQ(both.code, 40170);
    EXPECT_EQ(both.message,
              "net \"N'1\" holds a ' and the board has a name that holds a \", which the router cannot both read "
              "whole: rename one of them in the editor");
    board.nets.clear();
    EXPECT_EQ(choose_string_quote(board), '\'');

    test::MemoryDesignFile memory;
    memory.file.set_string_quote('\'');
    write_dsn_header(memory.file, board);
    EXPECT_NE(memory.text().find("\n        (string_quote ')\n"), std::string::npos) << memory.text();
    EXPECT_EQ(memory.file.quoted("R\"2"), "'R\"2'");
}

}  // namespace
}  // namespace tarnwick
