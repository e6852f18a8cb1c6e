// A stand-in for Freerouting in the tests of the route job: it takes Freerouting's arguments,
// logs the lines Freerouting's versions log, and writes a prepared session file, or misbehaves
// as routers do. Its own options come after them (tarnwick hands them on from after "--"):
//
//   --stand_in.session=<file>   the session file to write (as the router's -do file)
//   --stand_in.mode=<mode>      route (the default): passes logged, session written, exit 0;
//                               hang: logs its start and never ends;
//                               no_session: logs its passes and exits 0 without a session;
//                               broken: writes the first half of the session and exits 0;
//                               stay: writes the session and never exits;
//                               slow: writes half the session, waits 3 s, writes the rest, exits;
//                               fail: exits with status 3 without a session;
//                               slow_passes: each pass takes 300 ms (stopped, as Freerouting
//                               stops, by --router.job_timeout, its session then written)
//   --stand_in.spawn            also starts a copy of itself that never ends (a program the
//                               router started, which must end with it)
//   --stand_in.beat=<file>      a byte appended to the file every 50 ms while it runs
//   --stand_in.args=<file>      its arguments written to the file, one a line
//   --stand_in.wording=<w>      2.1 (the default; with statistics as JSON), 2.3, or newest
//   --stand_in.unrouted=<n>     connections left open after its last pass (default 0)
//   --stand_in.comma            decimals with a comma, as in some locales
//
// Started as `java -jar <jar> ...` (the test puts it where JAVA_HOME names Java), it reads the
// jar: a jar that holds "class-version=<n>" makes it fail as Java 17 does for a router whose
// classes need a newer Java; any other jar it runs as the router, with the jar's lines that are
// options of its own (--stand_in.session=...) added to its arguments.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
std::wstring wide(const std::string& text) {
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

std::string utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                           nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::FILE* open(const std::string& name, const char* mode) { return ::_wfopen(wide(name).c_str(), wide(mode).c_str()); }
#else
std::FILE* open(const std::string& name, const char* mode) { return std::fopen(name.c_str(), mode); }
#endif

std::string read_file(const std::string& name) {
    std::string text;
    std::FILE* file = open(name, "rb");
    if (file == nullptr) return text;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    std::fclose(file);
    return text;
}

void write_file(const std::string& name, const std::string& text, const char* mode = "wb") {
    std::FILE* file = open(name, mode);
    if (file == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void line(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

std::string decimal(double value, bool comma) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string result = text;
    if (comma) {
        for (char& c : result) {
            if (c == '.') c = ',';
        }
    }
    return result;
}

std::string beat_file;

// Beats for as long as the program runs.
[[noreturn]] void stay_forever() {
    for (;;) {
        if (!beat_file.empty()) write_file(beat_file, ".", "ab");
        pause_ms(50);
    }
}

void spawn_copy(const std::string& self) {
#ifdef _WIN32
    std::wstring command = L"\"" + wide(self) + L"\" --stand_in.mode=hang --stand_in.beat=\"" + wide(beat_file) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created)) {
        ::CloseHandle(created.hThread);
        ::CloseHandle(created.hProcess);
    }
#else
    (void)self;
    if (::fork() == 0) stay_forever();
#endif
}

std::vector<std::string> arguments_of(int argc, char** argv) {
    std::vector<std::string> arguments;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 0; i < count; ++i) arguments.push_back(utf8(words[i]));
    ::LocalFree(words);
#else
    for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i]);
#endif
    return arguments;
}

std::string self_path(const std::string& argv0) {
#ifdef _WIN32
    (void)argv0;
    wchar_t name[4096];
    const DWORD length = ::GetModuleFileNameW(nullptr, name, 4096);
    return utf8(std::wstring(name, length));
#else
    return argv0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments = arguments_of(argc, argv);
    const std::string self = self_path(arguments.empty() ? std::string() : arguments[0]);

    if (arguments.size() >= 3 && arguments[1] == "-jar") {
        const std::string jar = read_file(arguments[2]);
        const std::size_t needs = jar.find("class-version=");
        if (needs != std::string::npos) {
            const int version = std::atoi(jar.c_str() + needs + 14);
            std::fprintf(stderr,
                         "Error: LinkageError occurred while loading main class app.freerouting.Freerouting\n"
                         "\tjava.lang.UnsupportedClassVersionError: app/freerouting/Freerouting has been compiled by "
                         "a more recent version of the Java Runtime (class file version %d.0), this version of the "
                         "Java Runtime only recognizes class file versions up to 61.0\n",
                         version);
            return 1;
        }
        arguments.erase(arguments.begin() + 1, arguments.begin() + 3);
        // The jar's lines of our own options are taken as given after the router's.
        std::size_t start = 0;
        while (start < jar.size()) {
            std::size_t end = jar.find('\n', start);
            if (end == std::string::npos) end = jar.size();
            const std::string option = jar.substr(start, end - start);
            if (option.rfind("--stand_in.", 0) == 0) arguments.push_back(option);
            start = end + 1;
        }
    }

    std::string design;
    std::string session;
    std::string prepared;
    std::string mode = "route";
    std::string wording = "2.1";
    std::string arguments_file;
    unsigned passes = 0;
    int job_timeout = -1;  // seconds, -1 for none
    unsigned unrouted = 0;
    bool comma = false;
    bool spawn = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const auto value = [&](const char* name) {
            const std::size_t length = std::strlen(name);
            return a.compare(0, length, name) == 0 ? a.substr(length) : std::string("\x01");
        };
        if (a == "-de" && i + 1 < arguments.size()) {
            design = arguments[++i];
        } else if (a == "-do" && i + 1 < arguments.size()) {
            session = arguments[++i];
        } else if (a == "-mp" && i + 1 < arguments.size()) {
            passes = static_cast<unsigned>(std::atoi(arguments[++i].c_str()));
        } else if (value("--router.job_timeout=") != "\x01") {
            int hours = 0;
            int minutes = 0;
            int seconds = 0;
            if (std::sscanf(value("--router.job_timeout=").c_str(), "%d:%d:%d", &hours, &minutes, &seconds) == 3) {
                job_timeout = hours * 3600 + minutes * 60 + seconds;
            }
        } else if (value("--stand_in.session=") != "\x01") {
            prepared = value("--stand_in.session=");
        } else if (value("--stand_in.mode=") != "\x01") {
            mode = value("--stand_in.mode=");
        } else if (value("--stand_in.beat=") != "\x01") {
            beat_file = value("--stand_in.beat=");
        } else if (value("--stand_in.args=") != "\x01") {
            arguments_file = value("--stand_in.args=");
        } else if (value("--stand_in.wording=") != "\x01") {
            wording = value("--stand_in.wording=");
        } else if (value("--stand_in.unrouted=") != "\x01") {
            unrouted = static_cast<unsigned>(std::atoi(value("--stand_in.unrouted=").c_str()));
        } else if (a == "--stand_in.comma") {
            comma = true;
        } else if (a == "--stand_in.spawn") {
            spawn = true;
        }
    }
    if (!arguments_file.empty()) {
        std::string text;
        for (std::size_t i = 1; i < arguments.size(); ++i) text += arguments[i] + "\n";
        write_file(arguments_file, text);
    }
    if (!beat_file.empty()) write_file(beat_file, ".", "ab");

    line("2026-01-01 12:00:00.000 INFO   Freerouting v9.8.7 (build-date: 2026-01-01)");
    if (spawn) spawn_copy(self);
    if (mode == "hang") stay_forever();
    if (mode == "fail") return 3;
    if (read_file(design).rfind("(PCB", 0) != 0) {
        line("2026-01-01 12:00:00.100 ERROR  Couldn't read the design file '" + design + "'");
        return 0;
    }
    if (passes == 0) passes = 3;
    if (wording == "2.3") {
        line("2026-01-01 12:00:00.200 INFO   [1D63F5\\C7CF34] Fanout pass #1 on board 'a1' completed in 0.50 seconds");
    }
    const auto start = std::chrono::steady_clock::now();
    for (unsigned pass = 1; pass <= passes; ++pass) {
        if (job_timeout >= 0 && std::chrono::steady_clock::now() - start >= std::chrono::seconds(job_timeout)) {
            line("2026-01-01 12:00:09.000 INFO   [1D63F5\\C7CF34] Restoring an earlier board that has the score of 1.00");
            break;
        }
        pause_ms(mode == "slow_passes" ? 300 : 100);
        const unsigned open = unrouted + (passes - pass);
        const std::string score = decimal(900 + pass * 10.25, comma);
        const std::string seconds = decimal(1.5 * pass + 0.25, comma);
        const std::string left = "(" + std::to_string(open) + " unrouted and 1 violations)";
        if (wording == "2.3") {
            line("2026-01-01 12:00:01.000 INFO   [1D63F5\\C7CF34] Auto-routing pass #" + std::to_string(pass) +
                 " on board 'a1' completed in " + seconds + " seconds with the score of " + score + " " + left);
        } else if (wording == "newest") {
            line("2026-01-01 12:00:01.000 INFO   Auto-routing pass #" + std::to_string(pass) +
                 " completed in 1 minute " + seconds + " seconds with score " + score + " " + left);
        } else {
            line("2026-01-01 12:00:01.000 INFO   [1D63F5\\C7CF34] Auto-router pass #" + std::to_string(pass) +
                 " on board 'a1' was completed in " + seconds + " seconds with the score of " + score +
                 (open > 0 ? " " + left : std::string()) + ", using 1.00 CPU seconds and 100 MB memory.");
        }
    }
    if (wording == "2.1") {
        line("{\n  \"host\": \"stand-in {router}\",\n  \"connections\": {\n    \"maximum_count\": 27,\n"
             "    \"incomplete_count\": " + std::to_string(unrouted) + "\n  },\n  \"vias\": {\n    \"total_count\": 1\n  }\n}");
    }
    if (mode == "no_session") return 0;
    const std::string text = read_file(prepared);
    if (mode == "broken") {
        write_file(session, text.substr(0, text.size() / 2));
        return 0;
    }
    if (mode == "slow") {
        write_file(session, text.substr(0, text.size() / 2));
        pause_ms(3000);
        write_file(session, text.substr(text.size() / 2), "ab");
        return 0;
    }
    write_file(session, text);
    if (mode == "stay") stay_forever();
    return 0;
}
