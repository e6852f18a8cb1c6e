// The session importer on the real sessions the router wrote (../shared/corpus): skipped where
// the corpus is absent.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "board/board.h"
#include "core/errors.h"
#include "core/settings.h"
#include "fpc/load.h"
#include "test_support.h"
#include "session/back_annotation.h"
#include "session/session.h"
#include "fpc_writer/board_writer.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

const fs::path corpus = TARNWICK_CORPUS;

std::vector<char> contents_of(const fs::path& path) {
    const std::string text = test::file_contents(path);
    return std::vector<char>(text.begin(), text.end());
}

// Console text of the runs inside it goes nowhere.
struct QuietConsole {
    QuietConsole() : saved(dup(2)) {
        std::fflush(stderr);
        #ifdef _WIN32
        const int null = open("NUL", O_WRONLY);
#else
        const int null = open("/dev/null", O_WRONLY);
#endif
        dup2(null, 2);
        close(null);
    }
    ~QuietConsole() {
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
    }
    int saved;
};

TEST(SessionCorpus, EveryRoutedPairComesBackWholeAndLoadsAgain) {
    // The corpus's routed sets, and the sessions of our own routing that showed a fault.
    const std::vector<fs::path> sets = test::routed_sets();
    ASSERT_FALSE(sets.empty());
    const fs::path folder = fs::temp_directory_path() / ("tarnwick_routed_" + std::to_string(getpid()));
    fs::create_directories(folder);
    QuietConsole quiet;
    for (const fs::path& set : sets) {
        const std::string name = set.filename().string();
        SCOPED_TRACE(name);
        for (const std::string extension : {".fpc", ".ses"}) {
            fs::copy_file(set.string() + extension, folder / (name + extension), fs::copy_options::overwrite_existing);
            // Copies of a read-only corpus are read-only too, and Windows would not delete them.
            fs::permissions(folder / (name + extension), fs::perms::owner_write, fs::perm_options::add);
        }
        RunSettings settings = test::named_settings(folder / (name + ".fpc"), folder / (name + ".ses"), true);
        settings.picture = true;  // as with --svg, -B keeps the session's wiring, which the test looks into
        Diagnostics diagnostics;
        Board board;
        load_fpc_file(board, settings, diagnostics);
        std::optional<BackAnnotation> done;
        ASSERT_NO_THROW(done.emplace(back_annotate_file(board, settings, diagnostics)));
        const Session& session = done->session;
        const std::vector<Net>& routed = board.nets;

        // Every segment of every kept path is a copper segment of the traces the sets became,
        // beside the stubs from a pin to a trace that starts in its pad, and every via the router
        // returned is on some vertex.
        std::size_t path_segments = 0;
        std::size_t copper_segments = 0;
        std::size_t stubs = 0;
        for (const NetWire& wire : session.wire_list) {
            const Net& net = routed[static_cast<std::size_t>(wire.net_index)];
            for (std::uint32_t t = 0; t < wire.trace_count; ++t) {
                const ConnectionSet& chain = wire.connection_sets[t];
                std::size_t segments = 0;
                for (std::uint32_t slot = 0; slot < chain.path_count; ++slot) {
                    segments += wire.paths[static_cast<std::size_t>(chain.path_list[slot])].points.size() - 1;
                }
                path_segments += segments;
                const Connect& trace = net.connects[t];
                const std::vector<Vertex>& vertices = trace.vertices;
                for (std::size_t v = 0; v + 1 < vertices.size(); ++v) copper_segments += vertices[v].seg_layer != 6;
                if (trace.segment_count == segments + 1 && vertices[0].seg_layer != 6) {
                    ++stubs;
                    const NetPin& pin = net.pins[trace.start_pin];
                    EXPECT_EQ(vertices[0].x, pin.x);
                    EXPECT_EQ(vertices[0].y, pin.y);
                }
            }
            // Every via is on a vertex of some trace.
            std::set<std::pair<double, double>> carried;
            for (const Connect& trace : net.connects) {
                for (const Vertex& vertex : trace.vertices) {
                    if (vertex.via_pad_width > 0) carried.emplace(vertex.x, vertex.y);
                }
            }
            for (const Via& via : net.vias) EXPECT_EQ(carried.count({via.x, via.y}), 1u) << wire.name;
        }
        EXPECT_EQ(copper_segments, path_segments + stubs);

        // Every pin the router joined is joined in the routed board.
        const ConnectionCount count = done->connections;
        EXPECT_EQ(count.kept, count.made);
        EXPECT_GT(count.made, 0u);
        ASSERT_NO_THROW(write_routed_fpc_file(board, settings, diagnostics));
        const test::LoadedBoard again = test::load_board_file(folder / (name + "_routed.fpc"));
        EXPECT_EQ(again.code, 0) << again.message;
    }
    fs::remove_all(folder);
}

// How back-annotating a session text on a copy of a loaded board ended.
struct Outcome {
    bool stopped = false;
    int code = 0;
    std::string message;
    std::uint32_t line = 0;  // the session line counter when it ended
};

Outcome back_annotate(const Board& loaded, const char* name, std::vector<char> text) {
    Board board = loaded;
    Outcome outcome;
    try {
        back_annotate(board, name, std::move(text), outcome.line);
    } catch (const FatalError& error) {
        outcome.stopped = true;
        outcome.code = error.code;
        outcome.message = error.message;
    }
    return outcome;
}

// Where each physical line of `text` ends, past its line feed.
std::vector<std::size_t> line_ends(const std::vector<char>& text) {
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') ends.push_back(i + 1);
    }
    if (!text.empty() && text.back() != '\n') ends.push_back(text.size());
    return ends;
}

std::vector<char> first_bytes(const std::vector<char>& text, std::size_t end) {
    return std::vector<char>(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end));
}

// A session cut after any line before its outermost list closes stops with a session error of
// a line it kept, and nothing is made of it; a cut that keeps the whole S-expression reads
// through.
void expect_every_cut_stops(const Board& loaded, const std::vector<char>& text) {
    const std::size_t last_close = std::string(text.begin(), text.end()).rfind(')');
    ASSERT_NE(last_close, std::string::npos);
    const std::vector<std::size_t> ends = line_ends(text);
    for (std::uint32_t kept = 1; kept <= ends.size(); ++kept) {
        const Outcome cut = back_annotate(loaded, "cut.ses", first_bytes(text, ends[kept - 1]));
        if (ends[kept - 1] > last_close) {
            ASSERT_FALSE(cut.stopped) << "cut after line " << kept << ": " << cut.code << " " << cut.message;
            continue;
        }
        ASSERT_TRUE(cut.stopped) << "cut after line " << kept << " read through";
        ASSERT_TRUE(cut.code >= 30000 && cut.code <= 39999) << cut.code << " " << cut.message;
        ASSERT_GT(cut.line, 0u);
        ASSERT_LE(cut.line, kept);
    }
}

TEST(SessionCorpus, EveryTruncationOfARoutedSessionStopsWithASessionErrorUnlessItKeepsTheWholeSession) {
    const std::vector<fs::path> sessions = test::files_with_extension(corpus / "routed", ".ses");
    if (sessions.empty()) GTEST_SKIP() << "no corpus at " << corpus;
    QuietConsole quiet;
    for (const fs::path& session : sessions) {
        SCOPED_TRACE(session.stem().string());
        const Board loaded = test::load_board_file(fs::path(session).replace_extension(".fpc")).board;
        expect_every_cut_stops(loaded, contents_of(session));
    }
}

TEST(SessionCorpus, EveryTruncationOfTheExampleSessionStops) {
    // Where `head -n 100` of the example's session once back-annotated 10 of its 25 segments.
    const fs::path examples = TARNWICK_EXAMPLES;
    QuietConsole quiet;
    const Board loaded = test::load_board_file(examples / "blinker.fpc").board;
    const std::vector<char> text = contents_of(examples / "blinker.ses");
    const Outcome hundred = back_annotate(loaded, "cut.ses", first_bytes(text, line_ends(text)[99]));
    EXPECT_EQ(hundred.code, 32208);
    EXPECT_EQ(hundred.message, "session file ends before its parentheses close");
    EXPECT_EQ(hundred.line, 100u);
    expect_every_cut_stops(loaded, text);
}

// The text of physical line `number` (from 1) of `all`.
std::string line_of(const std::string& all, std::uint32_t number) {
    std::size_t start = 0;
    for (std::uint32_t n = 1; n < number && start != std::string::npos; ++n) {
        start = all.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return "";
    return all.substr(start, all.find('\n', start) - start);
}

TEST(SessionCorpus, SessionsOfOtherDesignsAndEveryTruncationOfThemStopByTheFirstPartTheBoardLacks) {
    if (!fs::is_directory(corpus / "ses")) GTEST_SKIP() << "no corpus at " << corpus;
    QuietConsole quiet;
    const Board loaded = test::load_board_file(corpus / "routed" / "jpt_LED_Driver.fpc").board;
    const std::vector<fs::path> sessions = test::files_with_extension(corpus / "ses", ".ses");
    ASSERT_FALSE(sessions.empty());
    std::size_t cuts = 0;
    for (const fs::path& path : sessions) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<char> text = contents_of(path);
        const std::string all(text.begin(), text.end());

        // The whole file: read through, when the placement names only parts of this board, or
        // stopped at the first place record naming a part the board lacks.
        std::uint32_t stop = 0;
        const Outcome whole = back_annotate(loaded, "other.ses", text);
        if (whole.stopped) {
            ASSERT_EQ(whole.code, 30522) << whole.message;
            EXPECT_NE(line_of(all, whole.line).find("place"), std::string::npos) << whole.line;
            stop = whole.line;
        }

        // Cut after every line: a cut before the stop ends in a session error of a line it kept,
        // or at the stop; a cut after it stops there as the whole file does. The importer never
        // reads beyond the stop, so past 2000 lines every 50th cut is made, which keeps the
        // sanitizer build fast (each cut is a copy of the file so far);
        // TARNWICK_EVERY_TRUNCATION=1 makes them all.
        const bool every = std::getenv("TARNWICK_EVERY_TRUNCATION") != nullptr;
        const std::vector<std::size_t> ends = line_ends(text);
        for (std::uint32_t kept = 1; kept <= ends.size(); ++kept) {
            if (!every && kept > 2000 && kept % 50 != 0 && kept != ends.size()) continue;
            ++cuts;
            const Outcome cut = back_annotate(loaded, "cut.ses", first_bytes(text, ends[kept - 1]));
            // Only the whole file may read through.
            if (!cut.stopped) {
                ASSERT_EQ(stop, 0u) << "cut after line " << kept << " read through";
                ASSERT_EQ(kept, ends.size()) << "cut after line " << kept << " read through";
                continue;
            }
            ASSERT_TRUE(cut.code >= 30000 && cut.code <= 39999) << cut.code << " " << cut.message;
            ASSERT_GT(cut.line, 0u);
            ASSERT_LE(cut.line, kept);
            if (stop != 0) {
                ASSERT_LE(cut.line, stop) << "cut after line " << kept;
            }
            if (stop != 0 && kept >= stop) {
                ASSERT_EQ(cut.code, 30522) << "cut after line " << kept;
                ASSERT_EQ(cut.line, stop);
            }
        }
    }
    std::printf("%zu cuts\n", cuts);
}

}  // namespace
}  // namespace tarnwick
