#pragma once
// Reading the router's session file: naming it, serving its lines (whole, without leading blanks,
// empty and comment lines skipped but counted), quoted names, layer names and the resolution.

#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "fpc/reader.h"

namespace tarnwick {

class SessionReader {
public:
    // `counter` is the session line counter that error messages show.
    SessionReader(std::vector<char> contents, std::uint32_t& counter) : lines_(std::move(contents), counter) {}

    // The next line that is neither empty nor a '#' comment, from its first character that is
    // not a blank or a tab; nullptr at end of file.
    const char* read_session_line();
    // The next read returns the last line again, without counting it.
    void unread_session_line() { lines_.unread_line(); }
    // Back to the start; the line counter restarts at 0.
    void rewind() { lines_.rewind(); }
    // Gives the file's memory back once the session is read; the line counter stays.
    void release() { lines_.release(); }

    LineReader::Mark mark() const { return lines_.mark(); }
    void seek(LineReader::Mark mark) { lines_.seek(mark); }
    std::uint32_t line_number() const { return lines_.line_number(); }

private:
    LineReader lines_;
};

// The next word of `text` as sscanf's "%s" takes it (white space skipped, then everything up to
// the next white space), of any length; advances `text` past it. False when there is none.
bool scan_word(const char*& text, std::string& word);

// The next line, where the file must go on: its end is fatal_error(code, message).
const char* read_or_fail(SessionReader& reader, int code, const char* message);

// The session file's name: the Specctra name with ".ses" appended when it has no extension.
std::string session_file_name(const std::string& specctraname);

// The text between the first two double quotes of `text`, cut to `size` characters; false when
// the text holds fewer than two double quotes.
bool copy_quoted_name(std::string& destination, const char* text, std::size_t size = 127);

// 12 for a name holding "Top", else 13 for "Bottom", else 13 + n for "Inner_<n>", else 0.
std::uint32_t session_layer_number(const char* name);

// Reads the resolution line from its word "resolution": the unit word and the number of units
// per unit word. Returns inches per session unit. Too few items is fatal_error(error_code,
// error_message); an unknown unit or a resolution that is not a finite number above zero are
// errors of their own, naming the line.
double read_session_resolution(const char* line, int error_code, const char* error_message);

// Our own codes for a resolution line the coordinates cannot be read with.
inline constexpr int session_resolution_not_positive = 32201;
inline constexpr int session_resolution_unknown_unit = 32202;

// Our own code for a coordinate or width that the routed board file could not hold.
inline constexpr int session_length_out_of_range = 32203;

// `inches` as a coordinate or width of the routed board. The board file holds lengths as 32-bit
// nanometres: a length beyond them would be written wrapped round to another place, so it is
// error 32203.
double board_length_or_fail(double inches);

}  // namespace tarnwick
