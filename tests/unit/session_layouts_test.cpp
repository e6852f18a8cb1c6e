// A session file is an S-expression: the same records laid out otherwise (one token per line,
// all on one line, points on their path's line with the closing parentheses joined) give the
// same routed board, the same -V reports and the same console, line numbers aside. Over the
// example's session and, where the corpus is there, every real session.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"
#include "fpc/board_writer.h"
#include "fpc/load.h"
#include "session/back_annotation.h"
#include "session/session.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// The tokens of a session text, as its own writer would see them: parentheses, atoms and
// double-quoted strings (kept with their quotes); comment lines left out.
std::vector<std::string> split_tokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    bool line_start = true;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            line_start = true;
            ++i;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (line_start && c == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
            continue;
        }
        line_start = false;
        std::size_t end = i + 1;
        if (c == '"') {
            end = text.find('"', i + 1) + 1;
        } else if (c != '(' && c != ')') {
            while (end < text.size() && std::string(" \t\r\n()").find(text[end]) == std::string::npos) ++end;
        }
        tokens.push_back(text.substr(i, end - i));
        i = end;
    }
    return tokens;
}

std::string one_token_per_line(const std::vector<std::string>& tokens) {
    std::string out;
    for (const std::string& token : tokens) out += token + "\n";
    return out;
}

std::string all_on_one_line(const std::vector<std::string>& tokens) {
    std::string out;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0 && tokens[i] != ")" && tokens[i - 1] != "(") out += ' ';
        out += tokens[i];
    }
    return out;
}

// Each list on a line of its own, indented by its depth; its atoms (a path's points too) on
// that line, and every closing parenthesis joined to what it closes.
std::string lists_on_their_lines(const std::vector<std::string>& tokens) {
    std::string out;
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        if (token == "(") {
            if (!out.empty()) out += "\n" + std::string(static_cast<std::size_t>(2 * depth), ' ');
            out += "(";
            ++depth;
        } else if (token == ")") {
            out += ")";
            --depth;
        } else {
            if (out.back() != '(') out += ' ';
            out += token;
        }
    }
    return out + "\n";
}

// What a user sees of one back-annotation with -V.
struct Seen {
    int code = 0;
    std::string message;
    std::string console;  // line numbers masked
    std::string reports;
    std::string routed;
};

// The console with the line numbers that messages name ("(line 12)", "(lines 3, 9)", "Done, 80
// lines read") written as "#".
std::string masked(const std::string& console) {
    std::string out;
    auto ends_with = [&out](const std::string& tail) {
        return out.size() >= tail.size() && out.compare(out.size() - tail.size(), tail.size(), tail) == 0;
    };
    std::size_t i = 0;
    while (i < console.size()) {
        const bool digit = console[i] >= '0' && console[i] <= '9';
        const bool numbered = ends_with("(line ") || ends_with("(lines ") || ends_with("(lines #, ") ||
                              ends_with("Done, ");
        if (digit && numbered) {
            while (i < console.size() && console[i] >= '0' && console[i] <= '9') ++i;
            out += '#';
            continue;
        }
        out += console[i++];
    }
    return out;
}

std::string text_of(const Board& board) {
    std::FILE* file = std::tmpfile();
    if (file == nullptr) return "";
    write_fpc_sections(file, board);
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

Seen back_annotate(const Board& loaded, const std::string& text) {
    RunSettings settings;
    settings.back_annotate = true;
    settings.verbose = true;
    Board board = loaded;
    Seen seen;
    std::uint32_t line = 0;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    try {
        back_annotate(board, settings, "layout.ses", std::vector<char>(text.begin(), text.end()), line);
        seen.routed = text_of(board);
    } catch (const FatalError& error) {
        seen.code = error.code;
        seen.message = error.message;
    }
    seen.console = masked(testing::internal::GetCapturedStderr());
    seen.reports = testing::internal::GetCapturedStdout();
    return seen;
}

Board load_board(const fs::path& path) {
    Board board;
    RunSettings settings;
    settings.fpcname = path.string();
    Diagnostics diagnostics;
    testing::internal::CaptureStderr();
    load_fpc_file(board, settings, diagnostics);
    testing::internal::GetCapturedStderr();
    return board;
}

// Every layout of `session` against `board`: the same as the original layout. Returns whether
// the original read through.
bool check_layouts(const fs::path& board_file, const fs::path& session) {
    SCOPED_TRACE(session.filename().string());
    const Board board = load_board(board_file);
    const std::string text = test::file_contents(session);
    const Seen original = back_annotate(board, text);
    const std::vector<std::string> tokens = split_tokens(text);
    const std::string layouts[] = {one_token_per_line(tokens), all_on_one_line(tokens), lists_on_their_lines(tokens)};
    for (const std::string& layout : layouts) {
        SCOPED_TRACE(layout.substr(0, 60));
        const Seen other = back_annotate(board, layout);
        EXPECT_EQ(other.code, original.code) << other.message;
        EXPECT_EQ(other.message, original.message);
        EXPECT_TRUE(other.routed == original.routed) << "the routed boards differ";
        EXPECT_TRUE(other.reports == original.reports) << "the -V reports differ";
        EXPECT_EQ(other.console, original.console);
    }
    return original.code == 0;
}

TEST(SessionLayouts, TheExampleInEveryLayoutGivesTheSameRoutedBoard) {
    const fs::path examples = TARNWICK_EXAMPLES;
    EXPECT_TRUE(check_layouts(examples / "blinker.fpc", examples / "blinker.ses"));

    // The points on their path's line: every path is read, none dropped as empty.
    const std::string text = lists_on_their_lines(split_tokens(test::file_contents(examples / "blinker.ses")));
    ASSERT_NE(text.find("(path Top 2000 27596 110000 67596 70000 70000 70000))"), std::string::npos);
    const Seen seen = back_annotate(load_board(examples / "blinker.fpc"), text);
    EXPECT_EQ(seen.code, 0);
    EXPECT_EQ(seen.console.find("empty trace"), std::string::npos);
    EXPECT_NE(seen.reports.find("\nPaths: 14"), std::string::npos);
}

TEST(SessionLayouts, EveryCorpusSessionInEveryLayoutGivesTheSameResult) {
    const fs::path corpus = TARNWICK_CORPUS;
    if (!fs::is_directory(corpus / "routed")) GTEST_SKIP() << "no corpus at " << corpus;
    std::size_t read_through = 0;
    const std::vector<fs::path> routed = test::files_with_extension(corpus / "routed", ".ses");
    ASSERT_FALSE(routed.empty());
    for (const fs::path& session : routed) {
        fs::path board = session;
        read_through += check_layouts(board.replace_extension(".fpc"), session);
    }
    EXPECT_EQ(read_through, routed.size());
    // Sessions of other designs stop at the first part the board lacks, in every layout alike.
    for (const fs::path& session : test::files_with_extension(corpus / "ses", ".ses")) {
        check_layouts(corpus / "routed" / "jpt_LED_Driver.fpc", session);
    }
}

}  // namespace
}  // namespace tarnwick
