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
// Our own codes for the route job's options: a value they cannot take, and an option (or
// arguments for the router) without the job.
constexpr int invalid_option_value = 220;
constexpr int option_needs_route = 221;

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
        case 'R':
            settings.route.enabled = true;
            return;
        case 'U': {
            unsigned pcb = 0;
            unsigned signal = 0;
            const int got = std::sscanf(rest, "%u%*c%u", &pcb, &signal);
            if (got < 1) fatal_error(203, "-U switch needs at least one parameter");
            if (pcb == 0 || (got == 2 && signal == 0)) fatal_error(204, "-U switch: Zero (0) not a valid outline");
            settings.pcb_outline = pcb;
            settings.signal_outline = got == 2 ? signal : pcb;
            return;
        }
        case 'V':
            settings.verbose = true;
            return;
        default:
            fatal_error(217, strformat("Invalid switch \"%s\"", arg));
    }
}

// The value of `arg` when it is `--<name>=<value>`: true with `value` set.
bool option_value(const char* arg, const char* name, std::string& value) {
    const std::size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0 || arg[length] != '=') return false;
    value = arg + length + 1;
    return true;
}

// The route job's options, written as shown (they are words, not letters); false for any other
// argument. Each is checked as it is read, so that a wrong value is named at once.
bool parse_route_option(const char* arg, RouteSettings& route) {
    std::string value;
    if (option_value(arg, "--router", value)) {
        if (value.empty()) fatal_error(invalid_option_value, strformat("Invalid value in \"%s\": a router's path", arg));
        route.router = value;
        return true;
    }
    if (option_value(arg, "--summary", value)) {
        if (value.empty()) fatal_error(invalid_option_value, strformat("Invalid value in \"%s\": a file name", arg));
        route.summary = value;
        return true;
    }
    if (option_value(arg, "--passes", value)) {
        unsigned passes = 0;
        char rest = 0;
        if (std::sscanf(value.c_str(), "%5u%c", &passes, &rest) != 1 || value[0] < '0' || value[0] > '9' ||
            passes < 1 || passes > 9999) {
            fatal_error(invalid_option_value,
                        strformat("Invalid value in \"%s\": the passes are a whole number from 1 to 9999", arg));
        }
        route.passes = passes;
        return true;
    }
    if (option_value(arg, "--time-limit", value)) {
        double seconds = 0;
        char rest = 0;
        // Plain decimals only: no exponent, sign, "inf" or "nan".
        if (value.empty() || value.find_first_not_of("0123456789.") != std::string::npos ||
            std::sscanf(value.c_str(), "%lf%c", &seconds, &rest) != 1 || !(seconds > 0) || seconds > 1e7) {
            fatal_error(invalid_option_value,
                        strformat("Invalid value in \"%s\": the time limit is a number of seconds above 0", arg));
        }
        route.time_limit = seconds;
        return true;
    }
    return false;
}

bool has_session_extension(const std::string& name) {
    const std::string::size_type dot = extension_position(name);
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".ses";
}

}  // namespace

Request parse_command_line(int argc, const char* const* argv, RunSettings& settings) {
    // Everything after "--" is the router's, as it stands.
    int end = 1;
    while (end < argc && std::strcmp(argv[end], "--") != 0) ++end;
    const char* route_option = nullptr;
    int index = 1;
    for (; index < end && argv[index][0] == '-'; ++index) {
        if (std::strcmp(argv[index], "--help") == 0) return Request::help;
        if (std::strcmp(argv[index], "--version") == 0) return Request::version;
        if (std::strcmp(argv[index], "--svg") == 0) {
            settings.picture = true;
            continue;
        }
        if (parse_route_option(argv[index], settings.route)) {
            if (route_option == nullptr) route_option = argv[index];
            continue;
        }
        parse_switch(argv[index], settings);
    }
    if (route_option != nullptr && !settings.route.enabled) {
        fatal_error(option_needs_route, strformat("Option \"%s\" belongs to the route job: it needs -R", route_option));
    }
    if (end < argc) {
        if (!settings.route.enabled) {
            fatal_error(option_needs_route, "Arguments after \"--\" are the router's: they need -R");
        }
        settings.route.router_arguments.assign(argv + end + 1, argv + argc);
    }
    if (index >= end) fatal_error(1, "Too few arguments");

    // "board.fpc -I" would otherwise write a design file named "-I.dsn" and report success.
    for (int later = index + 1; later < end; ++later) {
        if (argv[later][0] == '-') {
            fatal_error(switch_after_file_name,
                        strformat("Switch \"%s\" after the file name: switches come first", argv[later]));
        }
    }

    std::string board = argv[index];
    std::optional<std::string> specctra;
    if (index + 1 < end) specctra = argv[index + 1];
    if (!specctra && !settings.info_only && !settings.route.enabled && has_session_extension(board)) {
        // A session file given for the board (dropped on the program, say) back-annotates the
        // board of its name.
        settings.back_annotate = true;
        specctra = board;
        board = without_extension(board) + ".fpc";
    }
    name_run_files(settings, board, specctra);

    // Refuse names that would not fit once completed: the board name with ".fpc", the
    // Specctra name with ".dsn" or ".ses" (one length either way; the message shows a given
    // name with ".dsn"), with -B and -R the board name with "_routed" (and the route's session
    // file), and the picture's name.
    check_name_length(settings.fpcname);
    check_name_length(specctra && !settings.route.enabled ? with_default_extension(*specctra, ".dsn")
                                                          : settings.specctraname);
    if (settings.back_annotate || settings.route.enabled) check_name_length(settings.fpcname + "_routed");
    if (settings.route.enabled) check_name_length(settings.route.session_file);
    if (settings.picture) check_name_length(settings.picture_name);
    return Request::run;
}

}  // namespace tarnwick
