#include "driver/errors.h"

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

void print_usage(std::FILE* out) {
    std::fputs(
        "\n"
        "usage:\n"
        "\n"
        "  Tarnwick [<switches>] fpcname[.ext] [[specctraname[.ext]]]\n"
        "\n"
        "    switches:\n"
        "\n"
        "        -B        Back annotate route and placement data from dsnfile to fpcfile_routed file\n"
        "        -Fn       Rat-Lines to FromTo n: 0=off, 1=locked only, 2=any with lock, 3=all\n"
        "        -H | -?   Display Help and exit\n"
        "        -I        Display fpcfile Info and exit\n"
        "        -Un1[,n2] Boundry oUtline Poly select: n1 = pcb & signal [n2 = signal]\n"
        "        -V        Enable Verbose debug output\n"
        "\n"
        "    Default file extensions: FPC = .fpc, Specctra = .dsn & .ses\n"
        "    Switches are not case sensitive\n",
        out);
}

int exit_status_for(int code) {
    if (code >= 0 && code <= 255) return code;
    int low = code & 0xFF;
    return low == 0 ? 1 : low;
}

int report_fatal(const FatalError& error, const Diagnostics& diagnostics, std::FILE* out) {
    const int code = error.code;
    const char* text = error.message.c_str();
    if (code >= 10000 && code <= 19999) {
        std::fprintf(out, "\n(%s - %u) Error %d: %s\n", diagnostics.fpc_name.c_str(), diagnostics.fpc_line,
                     code, text);
    } else if (code >= 30000 && code <= 39999) {
        std::fprintf(out, "\n(%s - %u) Error %d: %s\n", diagnostics.ses_name.c_str(), diagnostics.ses_line,
                     code, text);
    } else if (code != 0) {
        std::fprintf(out, "\nError %03d: %s\n", code, text);
    }
    if (code < 10000) print_usage(out);
    std::fflush(out);
    return exit_status_for(code);
}

}  // namespace tarnwick
