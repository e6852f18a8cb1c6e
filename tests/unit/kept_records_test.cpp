#include "fpc/kept_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "fpc/load.h"
#include "fpc_writer/board_writer.h"
#include "session/back_annotation.h"
#include "test_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

std::string written(const Board& board) {
    test::MemoryStream memory;
    write_fpc_sections(memory.out, board);
    return memory.text();
}

// The board without its kept lines, as the writer writes it: the records it knows.
std::string known_records(const Board& board) {
    Board copy = board;
    copy.kept = KeptRecords{};
    return written(copy);
}

// Loads `text` as -B loads a board (keeping what no reader takes), or as the export does.
test::LoadedBoard load(const std::string& text, bool written_back = true) {
    RunSettings settings;
    settings.fpcname = "b.fpc";
    settings.back_annotate = written_back;
    return test::load_board_with(settings, [&](Board& board, const RunSettings& run, Diagnostics& diagnostics) {
        load_fpc_contents(board, run, diagnostics, std::vector<char>(text.begin(), text.end()));
    });
}

std::string layer_list() {
    const char* names[] = {"selection", "background", "visible grid", "highlight",    "DRC error",
                           "board outline", "rat line", "top silk", "bottom silk", "top sm cutout",
                           "bot sm cutout", "thru pad", "top copper", "bottom copper"};
    std::string text = "n_copper_layers: 2\n";
    int i = 0;
    for (const char* name : names) text += "  layer_info: \"" + std::string(name) + "\" " + std::to_string(i++) + " 0 0 0 1\n";
    return text;
}

// A board with lines no reader takes in every section, and where each reader stops: after a
// grid's items, between footprints and parts, after a polyline's corners, in an unknown section.
const std::string board_with_unknown_lines =
    "[options]\n\nversion: 1.359\nfuture_option: \"x\"\nfile_version: 1.344\n" + layer_list() +
    "  active_layer: 13\n\n"
    "visible_grid_spacing: 254000.000000\n  visible_grid_item: 10MIL\nno colon ends the list\nafter_grid: 1\n\n"
    "placement_grid_spacing: 254000.000000\n  placement_grid_item: 10MIL\n\nafter_blank: 2\n\n"
    "[footprints]\nbefore_first: 1\n\n"
    "name: \"SMD\"\n  units: NM\n  future_fp: 3\n  sel_rect: 0 0 100 100\n"
    "  outline_polyline: 1000 0 0\n    next_corner: 1000 0 0\n    next_corner: 1000 1000 0\n  polyline_note: 4\n"
    "  text: \"A\" 1000 0 0 0 100 0 7\n  text_note: 5\n"
    "  n_pins: 2\n    pin: \"1\" 0 0 0 0\n      top_pad: 2 1000000 0 0 0\n"
    "    pin: \"2\" 0 2540000 0 0\n      top_pad: 2 1000000 0 0 0\n\nbetween_footprints: 6\n\n"
    "name: \"EMPTY\"\n  units: MIL\n  n_pins: 0\n  empty_note: 7\n\n"
    "[board]\nboard_note: 8\n\noutline: 4 0\n  corner: 1 0 0 0\n  corner: 2 50800000 0 0\n"
    "  corner: 3 50800000 50800000 0\n  corner: 4 0 50800000 0\noutline_note: 9\n\n"
    "[solder_mask_cutouts]\ncutout_note: 10\n\n"
    "[parts]\n\npart: R1\n  ref_text: 1016000 101600 0 0 0 1\n  shape: \"SMD\"\n    pin: 1 508000 -2\n"
    "  pos: 10000000 10000000 0 0 0\n  part_note: 11\n\nbetween_parts: 12\n\n"
    "part: R2\n  ref_text: 1016000 101600 0 0 0 1\n  shape: \"SMD\"\n  pos: 20000000 10000000 0 0 0\n\n"
    "[nets]\n\nnet: \"GND\" 2 0 0 254000 0 0 1\n  pin: 1 R1.1\n  pin: 2 R2.1\nnet_note: 13\n\n"
    "[texts]\n\ntext: \"T\" 0 0 7 0 0 1000000 100000 0\ntext_note: 14\n\n[graphics]\nline: 1 2 3\n\n"
    "[end]\nafter_end: 15\n";

// The text from `from` up to (not including) `to`.
std::string between(const std::string& text, const std::string& from, const std::string& to) {
    const std::size_t start = text.find(from);
    if (start == std::string::npos) return "<" + from + " missing>";
    return text.substr(start, text.find(to, start + from.size()) - start);
}

TEST(KeptRecords, EveryLineNoReaderTakesComesBackAfterTheRecordItFollowed) {
    const test::LoadedBoard loaded = load(board_with_unknown_lines);
    ASSERT_EQ(loaded.code, 0) << loaded.message;
    const std::string file = written(loaded.board);

    EXPECT_EQ(between(file, "version: 1.359\n", "file_version"), "version: 1.359\nfuture_option: \"x\"\n");
    // The line that ends a grid's items follows them again; a line past a blank line stays past one.
    EXPECT_EQ(between(file, "visible_grid_spacing", "\nplacement_grid"),
              "visible_grid_spacing: 254000.000000\n  visible_grid_item: 10MIL\nno colon ends the list\n"
              "after_grid: 1\n");
    EXPECT_EQ(between(file, "  placement_grid_item", "routing_grid"), "  placement_grid_item: 10MIL\n\nafter_blank: 2\n\n");
    EXPECT_NE(file.find("  layer_info: \"bottom copper\" 13 0 0 0 1\n  active_layer: 13\n"), std::string::npos);

    EXPECT_EQ(between(file, "[footprints]", "\nname:"), "[footprints]\nbefore_first: 1\n");
    EXPECT_NE(file.find("  units: NM\n  future_fp: 3\n  sel_rect:"), std::string::npos);
    EXPECT_NE(file.find("    next_corner: 1000 1000 0\n  polyline_note: 4\n  n_pins: 2\n"), std::string::npos);
    EXPECT_NE(file.find("  text: \"A\" 1000 0 0 0 100 0 7\n  text_note: 5\n"), std::string::npos);
    // Past the last pin only a blank line keeps a line out of its pads.
    EXPECT_NE(file.find("      top_pad: 2 1000000 0 0 0\n\nbetween_footprints: 6\n\nname: \"EMPTY\""), std::string::npos);
    EXPECT_NE(file.find("  n_pins: 0\n  empty_note: 7\n"), std::string::npos);

    EXPECT_EQ(between(file, "[board]", "\n[solder"),
              "[board]\nboard_note: 8\n\noutline: 4 0\n  corner: 1 0 0 0\n  corner: 2 50800000 0 0\n"
              "  corner: 3 50800000 50800000 0\n  corner: 4 0 50800000 0\noutline_note: 9\n");
    EXPECT_EQ(between(file, "[solder_mask_cutouts]", "\n\n[parts]"), "[solder_mask_cutouts]\ncutout_note: 10\n");
    EXPECT_EQ(between(file, "part: R1", "part: R2"),
              "part: R1\n  ref_text: 1016000 101600 0 0 0 1\n  package: \"\"\n  shape: \"SMD\"\n    pin: 1 508000 -2\n"
              "  pos: 10000000 10000000 0 0 0\n  part_note: 11\n\nbetween_parts: 12\n\n");
    EXPECT_NE(file.find("  pin: 2 R2.1\nnet_note: 13\n"), std::string::npos);
    EXPECT_EQ(between(file, "[texts]", "[end]"),
              "[texts]\n\ntext: \"T\" 0 0 7 0 0 1000000 100000 0\n\ntext_note: 14\n\n[graphics]\nline: 1 2 3\n");
    EXPECT_EQ(between(file, "[end]", "<none>"), "[end]\nafter_end: 15\n");

    // Every kept line once, and none of the records the writer writes of its own.
    EXPECT_EQ(loaded.board.kept.lines.size(), 22u);
    EXPECT_EQ(known_records(loaded.board).find("note"), std::string::npos);

    // The export has no use for them and does not look for them.
    EXPECT_TRUE(load(board_with_unknown_lines, false).board.kept.lines.empty());
    const RunSettings listing = [] {
        RunSettings settings;
        settings.info_only = settings.verbose = true;
        return settings;
    }();
    EXPECT_TRUE(board_written_back(listing));
}

// Load, write, load again: the same board, the same file.
void expect_same_board_read_back(const std::string& text) {
    const test::LoadedBoard first = load(text);
    ASSERT_EQ(first.code, 0) << first.message;
    const std::string file = written(first.board);
    const test::LoadedBoard second = load(file);
    ASSERT_EQ(second.code, 0) << second.message;
    EXPECT_EQ(known_records(second.board), known_records(first.board));
    EXPECT_EQ(written(second.board), file);
    // As the export reads them, the board and what -B wrote of it are one board.
    EXPECT_EQ(known_records(load(file, false).board), known_records(load(text, false).board));
}

TEST(KeptRecords, HugeBinaryAndLookalikeLinesReadBackAsTheSameBoard) {
    expect_same_board_read_back(board_with_unknown_lines);

    std::string binary;
    for (int c = 1; c < 256; ++c) {
        if (c != '\n' && c != '\r') binary += static_cast<char>(c);
    }
    const std::string huge(1 << 20, 'x');
    std::string text = board_with_unknown_lines;
    const auto insert_after = [&text](const std::string& anchor, const std::string& lines) {
        const std::size_t at = text.find(anchor);
        ASSERT_NE(at, std::string::npos) << anchor;
        text.insert(at + anchor.size(), lines);
    };
    // A megabyte-long option, bytes of every value (a NUL and a carriage return cut the line the
    // reader sees), and lines that begin like the keys of other readers.
    insert_after("future_option: \"x\"\n", "huge: " + huge + "\n" + binary + "\n" + binary + std::string(1, '\0') + "tail\n" +
                                               "half\rline\n[graphicsX]\n");
    insert_after("  future_fp: 3\n", "  next_cornerX: 1 2 3\n  close_polylines\n  top_pad: 2 5 0 0 0\n");
    insert_after("  part_note: 11\n", "  " + huge + "\n  [parts]\n");
    // A section met a second time is read by nobody, and what follows it up to the next section.
    insert_after("line: 1 2 3\n", "[nets]\nnet: \"GHOST\" 0 0 0 0 0 0 1\n[options]\nversion: 9\n");
    expect_same_board_read_back(text);

    const test::LoadedBoard loaded = load(text);
    const std::string file = written(loaded.board);
    EXPECT_NE(file.find("huge: " + huge + "\n"), std::string::npos);
    EXPECT_NE(file.find("\n" + binary + "\n" + binary + "\n"), std::string::npos);
    EXPECT_EQ(file.find("GHOST"), std::string::npos);
    EXPECT_EQ(file.find("version: 9"), std::string::npos);
}

// ---- The corpus ---------------------------------------------------------------------------

// A line's key (its text up to and with its colon) or, for a line that has none, the line.
std::string key_of(const std::string& line) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    const std::string text = line.substr(start);
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || text.find_first_of(" \t\"") < colon) return text;
    return text.substr(0, colon + 1);
}

int section_of(const std::string& line) {
    const std::string text = line.substr(std::min(line.size(), line.find_first_not_of(" \t")));
    for (int h = 0; h < 8; ++h) {
        if (text.rfind(section_headers[h], 0) == 0) return h;
    }
    return -1;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Per section, the lines whose key the writer never writes there, each with the key of the record
// it followed (the last line before it whose key the writer writes, or the section's header).
using Section = std::vector<std::pair<std::string, std::string>>;

std::vector<Section> unknown_lines(const std::string& text, const std::vector<std::vector<std::string>>& keys) {
    std::vector<Section> sections(8);
    int section = 0;
    std::string anchor = "[options]";
    for (const std::string& line : lines_of(text)) {
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        if (const int header = section_of(line); header >= 0) {
            section = header;
            anchor = section_headers[header];
            continue;
        }
        const std::string key = key_of(line);
        const auto& known = keys[static_cast<std::size_t>(section)];
        if (std::find(known.begin(), known.end(), key) != known.end()) {
            anchor = key;
        } else {
            sections[static_cast<std::size_t>(section)].emplace_back(anchor, line);
        }
    }
    // The writer writes the options in an order of its own: each stays with its record.
    std::sort(sections[0].begin(), sections[0].end());
    return sections;
}

// The keys the writer writes in each section of the board.
std::vector<std::vector<std::string>> writer_keys(const Board& board) {
    std::vector<std::vector<std::string>> keys(8);
    int section = 0;
    for (const std::string& line : lines_of(known_records(board))) {
        if (const int header = section_of(line); header >= 0) {
            section = header;
        } else if (!key_of(line).empty()) {
            keys[static_cast<std::size_t>(section)].push_back(key_of(line));
        }
    }
    return keys;
}

// The board's lines are the written board's but for the records the writer writes in its own
// format: every other line is there, in its section, after the record it followed, and no other.
// Returns the count of such lines.
std::size_t expect_every_line_kept(const std::string& board_text, const Board& board, const std::string& what) {
    const std::vector<std::vector<std::string>> keys = writer_keys(board);
    const std::vector<Section> read = unknown_lines(board_text, keys);
    const std::vector<Section> now = unknown_lines(written(board), keys);
    std::size_t count = 0;
    for (std::size_t s = 0; s < read.size(); ++s) {
        EXPECT_EQ(now[s], read[s]) << what << " " << section_headers[s];
        count += read[s].size();
    }
    return count;
}

TEST(KeptRecords, EveryCorpusBoardKeepsEveryLineTheWriterDoesNotWrite) {
    const fs::path corpus(TARNWICK_CORPUS);
    if (!fs::is_directory(corpus / "fpc")) GTEST_SKIP() << "no corpus at " << corpus;
    std::vector<fs::path> boards = test::files_with_extension(corpus / "fpc", ".fpc");
    for (const fs::path& set : test::routed_sets()) boards.push_back(set.string() + ".fpc");

    std::size_t listed = 0;
    std::size_t routed = 0;
    std::size_t options_kept = 0;
    std::size_t parts_kept = 0;
    for (const fs::path& path : boards) {
        const std::string text = test::file_contents(path);
        // Loaded as -I -V loads it (with its traces), then as -B does.
        RunSettings settings = test::named_settings(path);
        settings.info_only = true;
        settings.verbose = true;
        test::LoadedBoard loaded = test::load_board_with(settings, load_fpc_file);
        // The dialect's own writer keeps its lines itself; boards that stop the load have nothing to write.
        if (loaded.code != 0 || loaded.board.file_format != BoardFileFormat::fpc) continue;
        ++listed;
        expect_every_line_kept(text, loaded.board, path.string() + " (listing)");
        for (const KeptLine& line : loaded.board.kept.lines) {
            options_kept += line.place.section == kept_options ? 1 : 0;
            parts_kept += line.place.section == kept_parts ? 1 : 0;
        }

        fs::path session = path;
        session.replace_extension(".ses");
        if (!fs::exists(session)) continue;
        const RunSettings back = test::named_settings(path, session, true);
        test::LoadedBoard reloaded = test::load_board_with(back, load_fpc_file);
        ASSERT_EQ(reloaded.code, 0) << path;
        Board& board = reloaded.board;
        Diagnostics diagnostics;
        testing::internal::CaptureStderr();
        try {
            back_annotate_file(board, back, diagnostics);
        } catch (const FatalError& error) {
            ADD_FAILURE() << path << ": " << error.message;
        }
        testing::internal::GetCapturedStderr();
        ++routed;
        expect_every_line_kept(text, board, path.string() + " (routed)");
    }
    EXPECT_GE(listed, 20u);
    EXPECT_GE(routed, 12u);
    // The corpus's boards keep their net list's path, their rat-line settings and the part pin
    // lines of the editor's development branch.
    EXPECT_GE(options_kept, 60u);
    EXPECT_GE(parts_kept, 18u);
}

}  // namespace
}  // namespace tarnwick
