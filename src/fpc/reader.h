#pragma once
// Reading the board file: the whole file is held in memory and served line by line, with one
// line of push-back, a line counter, section search and the counting pass of record sections,
// together with the rules of the file's format that the section readers follow.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fpc/file_rules.h"

namespace tarnwick {

class LineReader {
public:
    // `counter` is the line counter that error messages show; the reader keeps it current.
    LineReader(std::vector<char> contents, std::uint32_t& counter, FileRules rules = {});

    const FileRules& rules() const { return rules_; }

    // The next line without its line end, or nullptr at end of file. Lines are whole physical
    // lines, cut at the first carriage return or line feed.
    const char* next_line();
    // The next next_line returns the same line again, without counting it twice.
    void unread_line() { pushed_back_ = next_ > 0; }

    // Back to the start of the file; the counter restarts at 0.
    void rewind();
    // Gives the file's memory back once it has been read through: no line is left to read, and
    // the counter keeps the number of the last line read.
    void release();

    struct Mark {
        std::size_t next;        // where the next line starts in the text
        std::uint32_t counter;
    };
    Mark mark() const { return {next_, counter_}; }
    void seek(Mark mark);

    std::uint32_t line_number() const { return counter_; }
    // The first physical line (from 0) that begins, after blanks and tabs, with section header
    // `header` (one of section_headers), or line_count() when none does. The file is searched
    // for all the headers at once, the first time one is asked for.
    std::size_t first_header_line(int header);
    // The place just after that line (counter: its number from 1), or the end of the file with
    // the counter one past the last line when no line is such a header.
    Mark header_mark(int header);
    // Physical lines in the file: a bound for counts announced by records.
    std::size_t line_count() const { return lines_; }

private:
    std::vector<char> text_;  // the file's lines one after the other, each ended by a NUL
    std::size_t end_ = 0;     // where the lines end in text_
    std::size_t lines_ = 0;
    std::size_t next_ = 0;    // where the next line to read starts
    std::uint32_t& counter_;
    bool pushed_back_ = false;
    std::vector<Mark> header_lines_;  // per section header the place after its first line; empty until asked
    FileRules rules_;
};

// The section headers of the board file, in file order.
extern const char* const section_headers[8];

// Inline: every line of the file passes through them, most more than once.
inline const char* skip_blanks(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    return text;
}
inline bool starts_with(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (*text != *prefix) return false;
    }
    return true;
}
// True when the line, after blanks and tabs, begins with a section header other than `own`.
bool is_other_section_header(const char* line, const char* own);
// True when the line, after blanks and tabs, begins with any section header.
bool is_section_header(const char* line);
// True when the line is a section header that ends the footprint or part before it, where the
// file's format allows one straight after their last line.
bool ends_records(const LineReader& reader, const char* line);

// Copies the first double-quoted text of the line, at most size - 1 characters, into dest.
// Returns its length, or -1 when the line has no quote or the closing quote is missing; in the
// latter case dest still receives what was copied.
int extract_quoted(std::string& dest, const char* line, std::size_t size);
bool is_blank(const char* line);
// 1 "KEEPOUT_ALL", 2 "KEEPOUT", 3 "KEEPOUT_VIA", 4 "POWER_LAYER", else 0.
std::uint32_t reserved_net_index(const char* name);

// The text `offset` characters after `key_start`, but never beyond the end of the line: the
// fixed scan offsets of the records would otherwise step past a short line.
const char* text_at(const char* key_start, std::size_t offset);

// Rewinds and searches the section's header; with `verbose` prints "\nLine %u <header>\n".
// False at end of file.
bool find_section(LineReader& reader, const char* header, bool verbose);

// Counting pass of a record section, from just after its header: counts the lines whose text
// after blanks begins with `key` (or, with `anywhere`, contains it) until another section's
// header, then returns to where it started. End of file first is fatal_error(eof_code, eof_message).
std::uint32_t count_records(LineReader& reader, const char* own_header, const char* key, bool anywhere,
                            int eof_code, const char* eof_message);

// Reading pass: the next line whose text after blanks begins with `key`, as the text after the
// blanks. End of file first is fatal_error(eof_code, eof_message).
const char* find_record(LineReader& reader, const char* key, int eof_code, const char* eof_message);

// The text after `key` of the very next line, which must be such a record: end of file is
// fatal_error(eof_code, eof_message), any other line fatal_error(key_code, key_message).
const char* next_record(LineReader& reader, const char* key, int eof_code, const char* eof_message, int key_code,
                        const char* key_message);

}  // namespace tarnwick
