#pragma once
// The design file: the stream, the indentation that every record line carries, the
// header, and the run of sections that makes the whole file.

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

#include "board/board.h"
#include "core/output_file.h"
#include "core/settings.h"

namespace tarnwick {

// The open design file and its nesting depth. Every record line is written as a line feed, the
// indentation and the record text; opening a record deepens the indentation for its children
// and closing it brings the ")" back to the opening line's depth.
class DesignFile {
public:
    // Writes into the output file, which close() puts in place: an error that unwinds the run
    // leaves no design file behind and an earlier one as it was.
    explicit DesignFile(OutputFile output);
    // Takes ownership of a stream of the caller's (in memory, say); it is closed on destruction.
    explicit DesignFile(std::FILE* stream);

    // The stream, with every line put_line holds back written to it first: what is printed to it
    // follows them.
    std::FILE* stream() {
        flush_lines();
        return output_.stream();
    }
    // Four blanks per level.
    const char* indent_string() const { return indent_.data(); }

    // Moves the level by delta (+1 opened, -1 about to close, 0 query), kept within 0..64,
    // rebuilds the indentation and returns the new level.
    int adjust_indent(int delta);

    // "\n<indent><text>" and one level deeper.
    void open_record(const char* text);
    // One level back, then ")" alone on its line.
    void close_record();
    // "\n<indent>x  y", both in mils at two decimals: a point of a path or polygon.
    void write_point(double x_mil, double y_mil);
    // "\n<indent>" and the texts one after the other: the bytes of
    // fprintf(stream(), "\n%s%s%s...", indent_string(), texts...) without printf's cost, for the
    // records the file holds by the hundred thousand.
    void put_line(std::initializer_list<std::string_view> texts);
    // The writers' own balance check: ends the run with `code` unless the level is `expected`.
    void expect_level(int expected, int code, const char* message);

    // Flushes, closes and stores the file; false when anything written could not be stored.
    bool close();

    // The file's string quote: '"', or '\'' on a board with a name that holds a double quote
    // (see choose_string_quote). quoted() writes a name between two of it.
    void set_string_quote(char quote) { quote_ = quote; }
    char string_quote() const { return quote_; }
    std::string quoted(std::string_view name) const {
        std::string text(1, quote_);
        text += name;
        text += quote_;
        return text;
    }

private:
    OutputFile output_;
    int indent_level_ = 0;
    std::string_view indent_;  // the end of a line of blanks, so that it is NUL-terminated
    // Writes the lines put_line holds back.
    void flush_lines();

    std::string lines_;  // put_line's lines not yet written, up to about 64 KiB
    char quote_ = '"';
};

inline constexpr int max_indent_level = 64;

// The names of what a console warning counts: the first five, then how many more.
class NameList {
public:
    void add(const std::string& name);
    std::uint32_t count() const { return count_; }
    // "A, B, C, D, E and 3 more"
    std::string text() const;

private:
    static constexpr std::uint32_t named = 5;
    std::uint32_t count_ = 0;
    std::string text_;
};

// The console warning for what the design file leaves out, when `names` holds any: "Warning:
// 2 net pins naming ... left out of the design file: A, B", with `noun` and `what` filled in.
void warn_left_out(const NameList& names, const char* noun, const char* what);

// Checks and opens the design file that the settings name (under a temporary name until it is
// closed). Refuses a name that is the board file's own (40163) and a file that cannot be opened
// (41480).
DesignFile open_design_file(const RunSettings& settings);

// The string quote the board's names can be written with: '"' as a rule; the router splits a
// name at a '"' inside it, so a board with such a name (a part reference, say) gets '\'' for
// all its names. A name then holding a '\'' has no spelling the router reads whole: error
// 40170 names it, before anything is written.
char choose_string_quote(const Board& board);

void write_dsn_header(DesignFile& file, const Board& board);

// The header and the sections structure, placement, library, network and wiring: the whole
// design file, into `file` as it stands.
void write_design_sections(DesignFile& file, const Board& board, const RunSettings& settings);

// Opens the design file, writes the header and the sections, stores the file and
// reports it on the console. Returns 0, or non-zero when the file could not be stored
// completely; the errors found in the board data end the run through fatal_error.
int write_design_file(const Board& board, const RunSettings& settings);

}  // namespace tarnwick
