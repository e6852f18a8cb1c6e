#include "driver/error_report.h"

#include "core/settings.h"

namespace tarnwick {

void print_usage(std::FILE* out) {
    std::fputs(
        "\n"
        "usage:\n"
        "\n"
        "  Tarnwick [<switches>] fpcname[.ext] [[specctraname[.ext]]] [-- router arguments]\n"
        "\n"
        "    switches:\n"
        "\n"
        "        -B        Back annotate route and placement data from dsnfile to fpcfile_routed file\n"
        "        -Fn       Rat-Lines to FromTo n: 0=off, 1=locked only, 2=any with lock, 3=all\n"
        "        -H | -?   Display Help and exit\n"
        "        -I        Display fpcfile Info and exit\n"
        "        -R        Route: export dsnfile, run the router on it, back annotate to fpcfile_routed file\n"
        "        -Un1[,n2] Boundry oUtline Poly select: n1 = pcb & signal [n2 = signal]\n"
        "        -V        Enable Verbose debug output\n"
        "        --svg     Draw an SVG picture too: fpcname.svg, or fpcname_routed.svg with -B and -R\n"
        "\n"
        "    route options (with -R):\n"
        "\n"
        "        --router=path        Freerouting's .jar or program; else TARNWICK_ROUTER, else freerouting.jar\n"
        "                             beside Tarnwick or in the current folder, else freerouting on the PATH\n",
        out);
    std::fprintf(out, "        --passes=N           Stop after N routing passes (default %u)\n", default_router_passes);
    std::fputs(
        "        --time-limit=S       End the router after S seconds (default: no limit)\n"
        "        --summary=file.json  Write what the route came to as JSON\n"
        "        -- arguments         Hand the arguments after -- to the router as they are\n",
        out);
    std::fprintf(out, "        Exit status %d: the routed board is written, but connections are left unrouted\n",
                 unrouted_exit_status);
    std::fputs(
        "\n"
        "    Default file extensions: FPC = .fpc, Specctra = .dsn & .ses\n"
        "    Switches are not case sensitive\n",
        out);
}

void check_written(std::FILE* stream, int code, const char* message) {
    // The error flag stays set once a write failed, so a loss early in the run is seen here too.
    const bool flushed = std::fflush(stream) == 0;
    if (!flushed || std::ferror(stream) != 0) fatal_error(code, message);
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
