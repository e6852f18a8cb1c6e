#include "fpc/board_kind.h"

#include <string>

#include "core/errors.h"

namespace tarnwick {

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
    reader.rewind();
}

}  // namespace tarnwick
