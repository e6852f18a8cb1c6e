#include "fpc/board_numbers.h"

#include <cstdarg>

#include "board/units.h"
#include "core/errors.h"
#include "core/scan_record.h"

namespace tarnwick {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void check_board_length(const char* record, double scale, double value) {
    if (board_can_hold(value * scale)) return;
    fatal_error(board_number_out_of_range,
                strformat("number out of range in %s record: %g (a length holds at most %.0f nm either way)", record,
                          value, max_board_nm));
}

int scan_board_record(const char* record, double scale, const char* text, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list stored;
    va_copy(stored, args);
    double reals[16];
    int real_count = 0;
    const int count = vscan_record(text, format, args, reals, &real_count);
    va_end(args);
    if (real_count >= 0) {
        // Read without the library: every real value stored is a length, handed back as read.
        for (int i = 0; i < real_count; ++i) check_board_length(record, scale, reals[i]);
        va_end(stored);
        return count;
    }
    // Read by the library: the values stored, in the order of the format's directives. The
    // lengths among them are checked, the other destinations passed over.
    int seen = 0;
    for (const char* f = format; *f != '\0' && seen < count; ++f) {
        if (*f != '%') continue;
        ++f;
        if (*f == '%') continue;
        const bool suppressed = *f == '*';
        if (suppressed) ++f;
        while (is_digit(*f)) ++f;
        const bool wide = *f == 'l';
        if (wide) ++f;
        if (suppressed) continue;
        ++seen;
        if (*f == 'f' || *f == 'e' || *f == 'g') {
            if (!wide) break;  // no float destinations in the board's formats
            check_board_length(record, scale, *va_arg(stored, double*));
        } else if (*f == 'u' || *f == 'd') {
            va_arg(stored, void*);
        } else if (*f == 's' || *f == 'c') {
            va_arg(stored, char*);
        } else {
            break;
        }
    }
    va_end(stored);
    return count;
}

}  // namespace tarnwick
