#pragma once
// Finding the router: the program that is started for it and what it is started with.

#include <string>
#include <vector>

namespace tarnwick {

// Where the router is looked for, as the system gives it (or a test).
struct RouterPlaces {
    std::string option;          // --router=<path>, "" when not given
    std::string environment;     // TARNWICK_ROUTER
    std::string program_folder;  // the folder of the tarnwick executable, "" when unknown
    std::string current_folder;  // "" for the current folder itself
    std::string path;            // PATH
    std::string java_home;       // JAVA_HOME
    bool windows = false;        // PATH separated by ';' and programs named with ".exe"
};

// The places of this system, with the --router option's value.
RouterPlaces system_router_places(const std::string& option);

struct RouterCommand {
    std::string router;    // the router found: a .jar or a program
    std::string found_by;  // "named by --router" or "... TARNWICK_ROUTER", "beside tarnwick", "in the current folder", "on the PATH"
    bool jar = false;      // run with `java -jar`
    std::string program;   // what is started, its whole name: Java, or the router itself
    std::vector<std::string> arguments;  // the program's arguments before the router's own ("-jar", the jar's whole name)
};

// Where Freerouting is to be had, for the messages that say it was not found.
inline constexpr const char* router_releases = "https://github.com/freerouting/freerouting/releases";

// Our own codes for a router not found, not to be run, or without the Java it needs.
inline constexpr int router_not_found = 50010;
inline constexpr int named_router_not_found = 50011;
inline constexpr int java_not_found = 50012;
inline constexpr int router_is_a_script = 50013;

// Finds the router: the option's path; else TARNWICK_ROUTER; else freerouting.jar beside the
// tarnwick program, then in the current folder; else freerouting on the PATH. A folder named
// by the option or the variable is looked into for the same two. A .jar is run by Java (from
// JAVA_HOME, else the PATH); any other file is the router's own program (an installer's launcher,
// with its own Java). What is not found ends through fatal_error with what was looked for.
RouterCommand find_router(const RouterPlaces& places);

}  // namespace tarnwick
