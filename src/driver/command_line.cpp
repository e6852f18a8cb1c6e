#include "driver/command_line.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "core/errors.h"
#include "core/file_names.h"

namespace tarnwick {

namespace {

// Our own codes (the shipped codes leave them free): a switch typed after the board name, and
// a file name that does not fit its field.
constexpr int switch_after_file_name = 218;
constexpr int file_name_too_long = 219;

void check_name_length(const std::string& name) {
    if (name.size() > file_name_max) {
        fatal_error(file_name_too_long,
                    strformat("File name too long, %u characters at most: \"%s\"",
                              static_cast<unsigned>(file_name_max), name.c_str()));
    }
}

void parse_switch(const char* arg, RunSettings& settings) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(arg[1])));
    const char* rest = arg[1] != '\0' ? arg + 2 : arg + 1;
    switch (letter) {
        case 'B':
            settings.back_annotate = true;
            return;
        case 'F': {
            unsigned mode = 0;
            if (std::sscanf(rest, "%u", &mode) != 1) mode = 0;
            if (mode > 3) fatal_error(191, "-F switch: parameter out of range, 0-3 only");
            settings.fromto_mode = mode;
            return;
        }
        case 'H':
        case '?':
            fatal_error(0, "");
        case 'I':
            settings.info_only = true;
            return;
        case 'U': {
            unsigned first = 0;
            unsigned second = 0;
            const int got = std::sscanf(rest, "%u%*c%u", &first, &second);
            if (got < 1) fatal_error(203, "-U switch needs at least one parameter");
            if (first == 0 || (got == 2 && second == 0)) fatal_error(204, "-U switch: Zero (0) not a valid outline");
            settings.pcb_outline = first;
            settings.signal_outline = got == 2 ? second : first;
            return;
        }
        case 'V':
            settings.verbose = true;
            return;
        default:
            fatal_error(217, strformat("Invalid switch \"%s\"", arg));
    }
}

}  // namespace

Request parse_command_line(int argc, const char* const* argv, RunSettings& settings) {
    int index = 1;
    for (; index < argc && argv[index][0] == '-'; ++index) {
        if (std::strcmp(argv[index], "--help") == 0) return Request::help;
        if (std::strcmp(argv[index], "--version") == 0) return Request::version;
        if (std::strcmp(argv[index], "--svg") == 0) {
            settings.picture = true;
            continue;
        }
        parse_switch(argv[index], settings);
    }
    if (index >= argc) fatal_error(1, "Too few arguments");

    // "board.fpc -I" would otherwise write a design file named "-I.dsn" and report success.
    for (int later = index + 1; later < argc; ++later) {
        if (argv[later][0] == '-') {
            fatal_error(switch_after_file_name,
                        strformat("Switch \"%s\" after the file name: switches come first", argv[later]));
        }
    }

    const std::string board = argv[index];
    std::optional<std::string> specctra;
    if (index + 1 < argc) specctra = argv[index + 1];
    name_run_files(settings, board, specctra);

    // Refuse names that would not fit once completed: the board name with ".fpc", the
    // Specctra name with ".dsn" or ".ses" (one length either way; the message shows a given
    // name with ".dsn"), with -B the board name with "_routed", and the picture's name.
    check_name_length(settings.fpcname);
    check_name_length(specctra ? with_default_extension(*specctra, ".dsn") : settings.specctraname);
    if (settings.back_annotate) check_name_length(settings.fpcname + "_routed");
    if (settings.picture) check_name_length(settings.picture_name);
    return Request::run;
}

}  // namespace tarnwick
