#include "fpc/board_kind.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/errors.h"

namespace tarnwick {

namespace {

// The first version this reader does not read: the fork's FreePCB-2 writes 2.0xx and later, in
// a dialect of its own (other layer numbers, lengths with units, more fields per record).
constexpr double first_other_dialect = 2.0;

// The number after a "version:" or "file_version:" key of the options, or 0.
double version_of(const char* text, const char* key) {
    double value = 0;
    return starts_with(text, key) && std::sscanf(text_at(text, std::string(key).size()), "%lf", &value) == 1 ? value
                                                                                                           : 0;
}

}  // namespace

void check_board_kind(LineReader& reader) {
    bool any_header = false;
    for (std::size_t h = 0; h < sizeof section_headers / sizeof section_headers[0]; ++h) {
        if (reader.first_header_line(static_cast<int>(h)) != reader.line_count()) any_header = true;
    }
    reader.rewind();
    if (!any_header) {
        // Nothing of a board file at all: say what the file seems to be.
        const char* first = nullptr;
        while (const char* line = reader.next_line()) {
            if (!is_blank(line)) {
                first = skip_blanks(line);
                break;
            }
        }
        const char* what = first == nullptr ? "the file is empty"
                           : *first == '('  ? "it is an S-expression file (a Specctra design or session, say)"
                           : *first == '<'  ? "it is an XML file"
                                            : "it has no [options] section";
        fatal_error(13013, strformat("not a FreePCB board file: %s", what));
    }
    // The options come first, up to the first header of another section.
    while (const char* line = reader.next_line()) {
        const char* text = skip_blanks(line);
        if (is_other_section_header(text, "[options]")) break;
        const double version = std::max(version_of(text, "version:"), version_of(text, "file_version:"));
        if (version >= first_other_dialect) {
            fatal_error(13012, strformat("a FreePCB-2 board (version %1.3lf), which this version does not read: it "
                                         "reads FreePCB 1.3xx boards",
                                         version));
        }
    }
    reader.rewind();
}

}  // namespace tarnwick
