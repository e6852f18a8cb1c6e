#include "fpc/reader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/errors.h"

namespace tarnwick {

const char* const section_headers[8] = {"[options]", "[footprints]", "[board]", "[solder_mask_cutouts]",
                                        "[parts]",   "[nets]",       "[texts]", "[end]"};

LineReader::LineReader(std::vector<char> contents, std::uint32_t& counter, FileRules rules)
    : text_(std::move(contents)), counter_(counter), rules_(std::move(rules)) {
    // One pass turns the file into its lines as C strings, one after the other: each cut at its
    // first CR or LF (or NUL, where a C string ends anyway) and ended by a NUL, the rest of the
    // line dropped. Every later read is a line served in place, and the next one starts after
    // its NUL, so no table of where lines start is needed.
    const std::size_t size = text_.size();
    text_.push_back('\0');  // room for the NUL of a last line that has no line feed
    char* const text = text_.data();
    // A file without any CR (or NUL) needs no line searched for one.
    const bool any_carriage_return = std::memchr(text, '\r', size) != nullptr;
    const bool any_nul = std::memchr(text, '\0', size) != nullptr;
    std::size_t start = 0;
    std::size_t out = 0;
    while (start < size) {
        ++lines_;
        const void* feed = std::memchr(text + start, '\n', size - start);
        const std::size_t line_end = feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - text) : size;
        std::size_t end = line_end;
        if (const void* carriage_return = any_carriage_return ? std::memchr(text + start, '\r', end - start) : nullptr) {
            end = static_cast<std::size_t>(static_cast<const char*>(carriage_return) - text);
        }
        if (const void* nul = any_nul ? std::memchr(text + start, '\0', end - start) : nullptr) {
            end = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
        }
        if (out != start) std::memmove(text + out, text + start, end - start);
        out += end - start;
        text[out++] = '\0';
        start = line_end + 1;
    }
    end_ = out;
    text_.resize(out);
    counter_ = 0;
}

const char* LineReader::next_line() {
    if (pushed_back_) {
        pushed_back_ = false;
        // The line before the next: back from its NUL to the NUL before it.
        std::size_t start = next_ - 1;
        while (start > 0 && text_[start - 1] != '\0') --start;
        return text_.data() + start;
    }
    if (next_ >= end_) return nullptr;
    ++counter_;
    const char* line = text_.data() + next_;
    next_ += std::strlen(line) + 1;
    return line;
}

void LineReader::rewind() {
    next_ = 0;
    counter_ = 0;
    pushed_back_ = false;
}

void LineReader::release() {
    text_ = std::vector<char>{'\0'};
    header_lines_.clear();
    next_ = 0;
    end_ = 0;
    pushed_back_ = false;
}

void LineReader::seek(Mark mark) {
    next_ = mark.next;
    counter_ = mark.counter;
    pushed_back_ = false;
}

bool is_other_section_header(const char* line, const char* own) {
    const char* text = skip_blanks(line);
    if (*text != '[') return false;
    for (const char* header : section_headers) {
        if (std::strcmp(header, own) != 0 && starts_with(text, header)) return true;
    }
    return false;
}

bool is_section_header(const char* line) { return is_other_section_header(line, ""); }

bool ends_records(const LineReader& reader, const char* line) {
    return reader.rules().header_ends_records && is_section_header(line);
}

int extract_quoted(std::string& dest, const char* line, std::size_t size) {
    const char* open = std::strchr(line, '"');
    if (open == nullptr) return -1;
    const char* p = open + 1;
    std::size_t length = 0;
    while (*p != '\0' && *p != '"' && length + 1 < size) {
        ++p;
        ++length;
    }
    dest.assign(open + 1, length);
    if (*p == '\0') return -1;
    return static_cast<int>(length);
}

bool is_blank(const char* line) {
    for (; *line != '\0'; ++line) {
        if (*line != ' ' && *line != '\t' && *line != '\r' && *line != '\n') return false;
    }
    return true;
}

std::uint32_t reserved_net_index(const char* name) {
    static const char* const reserved[4] = {"KEEPOUT_ALL", "KEEPOUT", "KEEPOUT_VIA", "POWER_LAYER"};
    for (std::uint32_t i = 0; i < 4; ++i) {
        if (std::strcmp(name, reserved[i]) == 0) return i + 1;
    }
    return 0;
}

const char* text_at(const char* key_start, std::size_t offset) {
    std::size_t i = 0;
    while (i < offset && key_start[i] != '\0') ++i;
    return key_start + i;
}

std::size_t LineReader::first_header_line(int header) {
    return header_mark(header).counter - 1;
}

LineReader::Mark LineReader::header_mark(int header) {
    constexpr std::size_t headers = sizeof section_headers / sizeof section_headers[0];
    if (header_lines_.empty()) {
        // Not found: the end of the file, one line past the last.
        const Mark none{end_, static_cast<std::uint32_t>(lines_ + 1)};
        header_lines_.assign(headers, none);
        std::uint32_t number = 0;
        for (std::size_t at = 0; at < end_;) {
            const char* line = text_.data() + at;
            at += std::strlen(line) + 1;
            ++number;
            const char* text = skip_blanks(line);
            if (*text != '[') continue;
            for (std::size_t h = 0; h < headers; ++h) {
                const bool found = header_lines_[h].counter != none.counter;
                if (!found && starts_with(text, section_headers[h])) header_lines_[h] = {at, number};
            }
        }
    }
    return header_lines_[static_cast<std::size_t>(header)];
}

bool find_section(LineReader& reader, const char* header, bool verbose) {
    // The section headers were all looked for in one pass over the file: the search from the
    // top is a move to the line found, with the counter as the search would leave it.
    for (int h = 0; h < static_cast<int>(sizeof section_headers / sizeof section_headers[0]); ++h) {
        if (std::strcmp(header, section_headers[h]) != 0) continue;
        const LineReader::Mark after = reader.header_mark(h);
        if (after.counter - 1 == reader.line_count()) {
            reader.seek({after.next, after.counter - 1});
            return false;
        }
        reader.seek(after);
        if (verbose) std::fprintf(console(), "\nLine %u %s\n", reader.line_number(), header);
        return true;
    }
    reader.rewind();
    while (const char* line = reader.next_line()) {
        if (starts_with(skip_blanks(line), header)) {
            if (verbose) std::fprintf(console(), "\nLine %u %s\n", reader.line_number(), header);
            return true;
        }
    }
    return false;
}

std::uint32_t count_records(LineReader& reader, const char* own_header, const char* key, bool anywhere,
                            int eof_code, const char* eof_message) {
    const LineReader::Mark start = reader.mark();
    std::uint32_t count = 0;
    for (;;) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(eof_code, eof_message);
        if (is_other_section_header(line, own_header)) break;
        if (anywhere ? std::strstr(line, key) != nullptr : starts_with(skip_blanks(line), key)) ++count;
    }
    reader.seek(start);
    return count;
}

const char* find_record(LineReader& reader, const char* key, int eof_code, const char* eof_message) {
    for (;;) {
        const char* line = reader.next_line();
        if (line == nullptr) fatal_error(eof_code, eof_message);
        const char* text = skip_blanks(line);
        if (starts_with(text, key)) return text;
    }
}

const char* next_record(LineReader& reader, const char* key, int eof_code, const char* eof_message, int key_code,
                        const char* key_message) {
    const char* line = reader.next_line();
    if (line == nullptr) fatal_error(eof_code, eof_message);
    const char* text = skip_blanks(line);
    if (!starts_with(text, key)) fatal_error(key_code, key_message);
    return text + std::strlen(key);
}

}  // namespace tarnwick
