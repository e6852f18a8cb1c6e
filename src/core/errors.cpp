#include "core/errors.h"

#include <cstdarg>
#include <vector>

namespace tarnwick {

void fatal_error(int code, std::string message) { throw FatalError{code, std::move(message)}; }

int exit_status_for(int code) {
    const int status = code >= 0 && code <= 255 ? code : code & 0xFF;
    if (code != 0 && (status == 0 || status == unrouted_exit_status)) return 1;
    return status;
}

std::string strformat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    // Most texts are short (the writers format every length through here): one pass into a
    // buffer on the stack, and a second only for a longer text.
    char small[256];
    const int size = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string text;
    if (size > 0 && static_cast<std::size_t>(size) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(size));
    } else if (size > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<std::size_t>(size));
    }
    va_end(again);
    return text;
}

}  // namespace tarnwick
