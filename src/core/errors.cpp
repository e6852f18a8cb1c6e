#include "core/errors.h"

#include <cstdarg>
#include <vector>

namespace tarnwick {

void fatal_error(int code, std::string message) { throw FatalError{code, std::move(message)}; }

std::string strformat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (size > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<std::size_t>(size));
    }
    va_end(again);
    return text;
}

}  // namespace tarnwick
