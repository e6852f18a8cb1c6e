#include "route/router_search.h"

#include <cctype>

#include "core/errors.h"
#include "core/file_system.h"
#include "core/process.h"

namespace tarnwick {

namespace {

#ifdef _WIN32
constexpr char separator = '\\';
#else
constexpr char separator = '/';
#endif

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + separator + name;
}

bool ends_with(const std::string& name, const char* ending) {
    std::string lower;
    for (const char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string tail = ending;
    return lower.size() >= tail.size() && lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0;
}

// The program `name` on the PATH (with ".exe" on Windows), or "". Empty entries, which some
// systems read as the current folder, are passed over: a program is never taken from a folder
// the user did not name.
std::string on_path(const RouterPlaces& places, const std::string& name) {
    const char divider = places.windows ? ';' : ':';
    const std::string file = places.windows ? name + ".exe" : name;
    std::size_t start = 0;
    while (start <= places.path.size()) {
        std::size_t end = places.path.find(divider, start);
        if (end == std::string::npos) end = places.path.size();
        std::string folder = places.path.substr(start, end - start);
        // Windows allows a folder of the PATH between quotes.
        if (places.windows && folder.size() >= 2 && folder.front() == '"' && folder.back() == '"') {
            folder = folder.substr(1, folder.size() - 2);
        }
        if (!folder.empty() && is_runnable_file(joined(folder, file))) return joined(folder, file);
        start = end + 1;
    }
    return "";
}

// Java for a .jar: JAVA_HOME's, else the PATH's.
std::string find_java(const RouterPlaces& places, const std::string& jar) {
    if (!places.java_home.empty()) {
        const std::string java = joined(joined(places.java_home, "bin"), places.windows ? "java.exe" : "java");
        if (is_runnable_file(java)) return java;
    }
    const std::string java = on_path(places, "java");
    if (!java.empty()) return java;
    const std::string home = places.java_home.empty()
                                 ? std::string("JAVA_HOME is not set")
                                 : strformat("nor in JAVA_HOME (\"%s\")", places.java_home.c_str());
    fatal_error(java_not_found,
                strformat("Java not found for the router \"%s\": no java on the PATH, %s. Install Java (Freerouting "
                          "2.1 needs Java 21, 2.2 and later Java 25), or Freerouting's installer, which brings its own",
                          jar.c_str(), home.c_str()));
}

RouterCommand command_for(const RouterPlaces& places, const std::string& router, const std::string& found_by) {
    RouterCommand command;
    command.router = router;
    command.found_by = found_by;
    if (ends_with(router, ".bat") || ends_with(router, ".cmd")) {
        fatal_error(router_is_a_script,
                    strformat("Router \"%s\" is a batch file, which runs only through the command interpreter: name "
                              "Freerouting's .jar or its program itself",
                              router.c_str()));
    }
    // Whole names: the router runs in a folder of its own.
    command.jar = ends_with(router, ".jar");
    if (command.jar) {
        command.program = absolute_name(find_java(places, router));
        command.arguments = {"-jar", absolute_name(router)};
    } else {
        command.program = absolute_name(router);
    }
    return command;
}

// The router a name given by the user stands for: the file itself, or in a folder its
// freerouting.jar or freerouting program; "" when none of them is there.
std::string named_router(const RouterPlaces& places, const std::string& name) {
    if (is_folder(name)) {
        const std::string jar = joined(name, "freerouting.jar");
        if (is_regular_file(jar)) return jar;
        const std::string program = joined(name, places.windows ? "freerouting.exe" : "freerouting");
        return is_runnable_file(program) ? program : "";
    }
    if (is_regular_file(name)) return name;
    if (places.windows && is_regular_file(name + ".exe")) return name + ".exe";
    return "";
}

}  // namespace

RouterPlaces system_router_places(const std::string& option) {
    RouterPlaces places;
    places.option = option;
    places.environment = environment_value("TARNWICK_ROUTER");
    places.program_folder = executable_folder();
    places.path = environment_value("PATH");
    places.java_home = environment_value("JAVA_HOME");
#ifdef _WIN32
    places.windows = true;
#endif
    return places;
}

RouterCommand find_router(const RouterPlaces& places) {
    const struct {
        const std::string& name;
        const char* by;
    } named[] = {{places.option, "--router"}, {places.environment, "TARNWICK_ROUTER"}};
    for (const auto& [name, by] : named) {
        if (name.empty()) continue;
        const std::string router = named_router(places, name);
        if (router.empty()) {
            fatal_error(named_router_not_found,
                        strformat("Router \"%s\" (named by %s) not found: name Freerouting's .jar or its program, "
                                  "from %s",
                                  name.c_str(), by, router_releases));
        }
        return command_for(places, router, std::string("named by ") + by);
    }
    if (!places.program_folder.empty()) {
        const std::string jar = joined(places.program_folder, "freerouting.jar");
        if (is_regular_file(jar)) return command_for(places, jar, "beside tarnwick");
    }
    const std::string here = joined(places.current_folder, "freerouting.jar");
    if (is_regular_file(here)) return command_for(places, here, "in the current folder");
    const std::string program = on_path(places, "freerouting");
    if (!program.empty()) return command_for(places, program, "on the PATH");

    const std::string beside =
        places.program_folder.empty() ? std::string() : strformat(" (\"%s\")", places.program_folder.c_str());
    fatal_error(router_not_found,
                strformat("Router not found: no --router=<path>, no TARNWICK_ROUTER, no freerouting.jar beside "
                          "tarnwick%s or in the current folder, no freerouting on the PATH. Get Freerouting from %s "
                          "and name its .jar or program with --router=<path>",
                          beside.c_str(), router_releases));
}

}  // namespace tarnwick
