#include "session/session_reader.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "board/units.h"
#include "core/errors.h"
#include "core/file_names.h"

namespace tarnwick {

const char* SessionReader::read_session_line() {
    for (;;) {
        const char* line = lines_.next_line();
        if (line == nullptr) return nullptr;
        const char* text = skip_blanks(line);
        if (*text != '\0' && *text != '#') return text;
    }
}

const char* read_or_fail(SessionReader& reader, int code, const char* message) {
    const char* line = reader.read_session_line();
    if (line == nullptr) fatal_error(code, message);
    return line;
}

bool scan_word(const char*& text, std::string& word) {
    const char* p = text;
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;
    const char* start = p;
    while (*p != '\0' && !std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (p == start) return false;
    word.assign(start, p);
    text = p;
    return true;
}

std::string session_file_name(const std::string& specctraname) {
    return with_default_extension(specctraname, ".ses");
}

bool copy_quoted_name(std::string& destination, const char* text, std::size_t size) {
    const char* open = std::strchr(text, '"');
    if (open == nullptr) return false;
    const char* close = std::strchr(open + 1, '"');
    if (close == nullptr) return false;
    destination.assign(open + 1, std::min(static_cast<std::size_t>(close - open - 1), size));
    return true;
}

std::uint32_t session_layer_number(const char* name) {
    if (std::strstr(name, "Top") != nullptr) return 12;
    if (std::strstr(name, "Bottom") != nullptr) return 13;
    if (const char* inner = std::strstr(name, "Inner_")) {
        unsigned number = 0;
        // Inner layers count from 1; anything else is no layer of ours.
        if (std::sscanf(inner + 6, "%u", &number) != 1 || number == 0 || number > 1000) return 0;
        return 13 + number;
    }
    return 0;
}

namespace {

// Inches per unit word of the resolution line.
struct SessionUnit {
    const char* word;
    double inches;
};
constexpr SessionUnit session_units[] = {
    {"mil", 0.001}, {"inch", 1.0}, {"mm", 1.0 / 25.4}, {"cm", 1.0 / 2.54}, {"um", 1.0 / 25400.0},
};

}  // namespace

double read_session_resolution(const char* line, int error_code, const char* error_message) {
    const char* from = std::strstr(line, "resolution");
    if (from == nullptr) from = line;
    std::string keyword;
    std::string unit;
    double resolution = 0;
    if (!scan_word(from, keyword) || !scan_word(from, unit) || std::sscanf(from, "%lf", &resolution) < 1) {
        fatal_error(error_code, error_message);
    }
    // A resolution so close to zero that its reciprocal overflows gives no scale to read with.
    if (!std::isfinite(resolution) || resolution <= 0 || !std::isfinite(1.0 / resolution)) {
        fatal_error(session_resolution_not_positive,
                    strformat("session resolution must be a number above zero (%s %s)", unit.c_str(),
                              std::to_string(resolution).c_str()));
    }
    for (const SessionUnit& known : session_units) {
        // A mil session keeps the historical scale, 0.001 * (1 / R), bit for bit.
        if (strcasecmp(unit.c_str(), known.word) == 0) return known.inches * (1.0 / resolution);
    }
    fatal_error(session_resolution_unknown_unit,
                strformat("unknown unit \"%s\" in session resolution", unit.c_str()));
}

double board_length_or_fail(double inches) {
    if (!(std::fabs(inches * nm_per_inch) <= 2147483647.0)) {
        fatal_error(session_length_out_of_range,
                    strformat("session coordinate or width of %g inch is beyond the board file's range", inches));
    }
    return inches;
}

}  // namespace tarnwick
