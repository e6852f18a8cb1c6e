#include "route/router_run.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <memory>
#include <utility>

#include "core/errors.h"
#include "core/file_system.h"
#include "core/output_file.h"
#include "core/process.h"
#include "core/run_folder.h"
#include "session/session_reader.h"

namespace tarnwick {

namespace {

using Clock = std::chrono::steady_clock;

// The names the router is given in its folder: plain, whatever the board is called, as some
// versions split a name at a blank or a '+'.
constexpr const char* router_design_name = "board.dsn";
constexpr const char* router_session_name = "board.ses";
constexpr const char* router_settings_name = "settings";

// How often the output is waited for and the session file looked at, how long the file must
// stay as it is before it is read, and how long a router whose session is whole may take to exit.
constexpr int wait_ms = 100;
constexpr double look_every = 0.25;
constexpr double still_for = 1.0;
constexpr double exit_grace = 3.0;
constexpr int end_grace_ms = 2000;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string clock_text(double seconds) {
    const auto whole = static_cast<std::uint64_t>(seconds);
    if (whole >= 3600) {
        return strformat("%" PRIu64 ":%02u:%02u", whole / 3600, static_cast<unsigned>(whole / 60 % 60),
                         static_cast<unsigned>(whole % 60));
    }
    return strformat("%u:%02u", static_cast<unsigned>(whole / 60), static_cast<unsigned>(whole % 60));
}

std::string limit_text(double seconds) { return strformat("%g", seconds); }

// The progress of the routing on the console: one line rewritten in place on a terminal, a
// line per pass otherwise.
class Progress {
public:
    Progress(bool in_place, std::uint32_t passes) : in_place_(in_place), passes_(passes) {}

    void pass(const PassReport& pass) {
        state_ = pass_progress(pass, passes_);
        if (in_place_) {
            drawn_at_ = -1;
            return;
        }
        const std::string time = pass.seconds >= 0 ? strformat(", %.2f s", pass.seconds) : std::string();
        std::fprintf(console(), "  Routing: %s%s\n", state_.c_str(), time.c_str());
    }

    // Redraws the line once a second, or at once after a pass.
    void tick(double elapsed) {
        if (!in_place_ || (drawn_at_ >= 0 && elapsed - drawn_at_ < 1.0)) return;
        drawn_at_ = elapsed;
        const std::string state = state_.empty() ? std::string("first pass") : state_;
        std::string text = strformat("  Routing: %s; %s elapsed", state.c_str(), clock_text(elapsed).c_str());
        const std::size_t length = text.size();
        if (text.size() < drawn_length_) text.append(drawn_length_ - text.size(), ' ');
        drawn_length_ = length;
        std::fprintf(console(), "\r%s", text.c_str());
        std::fflush(console());
    }

    void finish() {
        if (in_place_ && drawn_length_ > 0) std::fprintf(console(), "\n");
        drawn_length_ = 0;
    }

private:
    bool in_place_;
    std::uint32_t passes_;
    std::string state_;
    double drawn_at_ = -1;
    std::size_t drawn_length_ = 0;
};

// The session file in the router's folder, looked at as the router runs: whole once it reads
// as a session and has stayed the same size for a while.
class SessionWatch {
public:
    explicit SessionWatch(std::string name) : name_(std::move(name)) {}

    bool whole(double now) {
        if (whole_) return true;
        if (now - looked_at_ < look_every) return false;
        looked_at_ = now;
        std::uint64_t size = 0;
        if (!file_size(size) || size == 0) return false;
        if (size != size_) {
            size_ = size;
            same_since_ = now;
            read_at_size_ = false;
            return false;
        }
        if (read_at_size_ || now - same_since_ < still_for) return false;
        read_at_size_ = true;
        std::vector<char> contents;
        std::string why;
        whole_ = read_whole_file(name_, contents) && contents.size() == size && is_whole_session(std::move(contents), why);
        return whole_;
    }

private:
    bool file_size(std::uint64_t& size) const {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_file(name_, "rb"), &std::fclose);
        return file && regular_file_size(file.get(), size);
    }

    std::string name_;
    double looked_at_ = -1;
    std::uint64_t size_ = 0;
    double same_since_ = 0;
    bool read_at_size_ = false;
    bool whole_ = false;
};

// Copies the design file into the router's folder.
bool copy_design(const std::string& from, const std::string& to) {
    std::vector<char> contents;
    if (!read_whole_file(from, contents)) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_file(to, "wb"), &std::fclose);
    if (!file) return false;
    const bool written = std::fwrite(contents.data(), 1, contents.size(), file.get()) == contents.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace

std::string router_job_timeout(double time_limit) {
    // The router stops routing at its own time-out and saves the best board it had: some time
    // before ours, so that the session is written by then.
    const double margin = std::min(std::max(time_limit * 0.2, 1.0), 60.0);
    const auto seconds = static_cast<std::uint64_t>(std::max(time_limit - margin, 1.0));
    return strformat("%02" PRIu64 ":%02u:%02u", seconds / 3600, static_cast<unsigned>(seconds / 60 % 60),
                     static_cast<unsigned>(seconds % 60));
}

std::string pass_progress(const PassReport& pass, std::uint32_t passes) {
    std::string text = pass.fanout      ? strformat("fanout pass %u", pass.number)
                       : passes > 0     ? strformat("pass %u of %u", pass.number, passes)
                                        : strformat("pass %u", pass.number);
    text += pass.completed ? " done" : " begun";
    if (pass.unrouted >= 0) text += strformat(", %" PRId64 " unrouted", pass.unrouted);
    if (pass.violations >= 0) {
        text += strformat(", %" PRId64 " violation%s", pass.violations, pass.violations == 1 ? "" : "s");
    }
    return text;
}

bool is_whole_session(std::vector<char> contents, std::string& why) {
    std::uint32_t line = 0;
    try {
        SessionReader reader(std::move(contents), line);
        Token token = reader.next();
        if (!token.is_open() || !reader.next().is_atom("session")) {
            why = "it does not begin with \"(session\"";
            return false;
        }
        while (!reader.next().is_end()) {
        }
        if (reader.depth() != 0) {
            why = "it ends before its parentheses close";
            return false;
        }
        return true;
    } catch (const FatalError& error) {
        why = strformat("%s at its line %u", error.message.c_str(), line);
        return false;
    }
}

void run_router(const RouterJob& job, RouterRun& run) {
    run.command = find_router(system_router_places(job.router_option));
    const RouterCommand& command = run.command;
    if (command.jar) {
        std::fprintf(console(), "\n  Router \"%s\" (%s), run by \"%s\"\n", command.router.c_str(),
                     command.found_by.c_str(), command.program.c_str());
    } else {
        std::fprintf(console(), "\n  Router \"%s\" (%s)\n", command.router.c_str(), command.found_by.c_str());
    }

    const RunFolder folder("tarnwick-route-");
    if (folder.path().empty()) {
        fatal_error(router_folder_not_made, "Unable to make a folder for the router in the system's temporary folder");
    }
    const std::string separator(1, '/');
    const std::string design = folder.path() + separator + router_design_name;
    const std::string session = folder.path() + separator + router_session_name;
    std::error_code made;
    if (!copy_design(job.design_file, design) ||
        !std::filesystem::create_directory(native_path(folder.path() + separator + router_settings_name), made)) {
        fatal_error(router_folder_not_made,
                    strformat("Unable to put the design file into the router's folder \"%s\"", folder.path().c_str()));
    }
    OutputFile log(job.log_file);
    if (!log.is_open()) {
        fatal_error(router_log_not_written, strformat("Unable to create the router's log \"%s\"", job.log_file.c_str()));
    }

    std::vector<std::string> arguments = command.arguments;
    for (const char* word : {"--gui.enabled=false", "-de", router_design_name, "-do", router_session_name, "-mp"}) {
        arguments.emplace_back(word);
    }
    arguments.push_back(strformat("%u", job.passes));
    arguments.push_back(std::string("--user_data_path=") + router_settings_name);
    if (job.time_limit > 0) arguments.push_back("--router.job_timeout=" + router_job_timeout(job.time_limit));
    arguments.insert(arguments.end(), job.extra_arguments.begin(), job.extra_arguments.end());

    const std::string limit =
        job.time_limit > 0 ? strformat(", time limit %s s", limit_text(job.time_limit).c_str()) : std::string();
    std::fprintf(console(), "  Routing \"%s\": at most %u passes%s; the router's log goes to \"%s\"\n",
                 job.design_file.c_str(), job.passes, limit.c_str(), job.log_file.c_str());
    std::fflush(console());

    ChildProcess router;
    std::string reason;
    const Clock::time_point start = Clock::now();
    if (!router.start(command.program, arguments, folder.path(), reason)) {
        log.commit();
        fatal_error(router_not_started, strformat("Unable to start the router \"%s\": %s; its log is \"%s\"",
                                                  command.program.c_str(), reason.c_str(), job.log_file.c_str()));
    }

    Progress progress(console_is_terminal() && !job.verbose, job.passes);
    RouterLog reader;
    SessionWatch watch(session);
    int needed_java = 0;
    int running_java = 0;
    bool class_version = false;
    bool closed = false;
    bool exited = false;
    bool ended_by_us = false;
    bool time_limited = false;
    double whole_at = -1;
    const auto take = [&](const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            if (job.verbose) std::fprintf(console(), "%s\n", line.c_str());
            if (run.version.empty()) run.version = read_version_line(line);
            if (read_class_version_line(line, needed_java, running_java)) class_version = true;
            PassReport pass;
            if (!read_pass_line(line, pass)) continue;
            if (pass.completed && !pass.fanout) {
                if (pass.number > run.passes_run) run.passes_run = pass.number;
                run.unrouted = pass.unrouted;
                run.violations = pass.violations;
            }
            progress.pass(pass);
        }
    };
    while (!(closed && exited)) {
        std::string text;
        if (router.read(text, closed ? wait_ms / 10 : wait_ms) == ChildProcess::Output::closed) closed = true;
        if (!text.empty()) {
            std::fwrite(text.data(), 1, text.size(), log.stream());
            take(reader.add(text));
        }
        int status = 0;
        if (!exited && router.ended(status)) {
            exited = true;
            if (!ended_by_us && !time_limited) run.exit_status = status;
        }
        const double now = seconds_since(start);
        progress.tick(now);
        if (exited) continue;
        if (whole_at < 0 && watch.whole(now)) whole_at = now;
        if (whole_at >= 0 && now - whole_at >= exit_grace) {
            // Some versions stay after writing the session: it is all they will give.
            ended_by_us = true;
            router.end(end_grace_ms);
        } else if (job.time_limit > 0 && now >= job.time_limit) {
            time_limited = true;
            router.end(end_grace_ms);
        }
    }
    take(reader.finish());
    progress.finish();
    run.seconds = seconds_since(start);
    run.statistics = reader.statistics();
    if (!log.commit()) {
        fatal_error(router_log_not_written, strformat("Unable to write the router's log \"%s\"", job.log_file.c_str()));
    }

    std::vector<char> contents;
    std::string why;
    const bool written = read_whole_file(session, contents) && !contents.empty();
    if (!written || !is_whole_session(contents, why)) {
        run.end = RouterEnd::failed;
        if (time_limited) {
            fatal_error(router_time_limit,
                        strformat("The router ran past the time limit of %s s without a session file and was ended; "
                                  "its log is \"%s\"",
                                  limit_text(job.time_limit).c_str(), job.log_file.c_str()));
        }
        if (class_version) {
            const std::string needs = needed_java > 0 ? strformat("Java %d", needed_java) : std::string("a newer Java");
            const std::string runs = running_java > 0 ? strformat(" (it is Java %d)", running_java) : std::string();
            fatal_error(router_needs_newer_java,
                        strformat("The router \"%s\" needs %s, newer than \"%s\"%s: install it, or Freerouting's "
                                  "installer, which brings its own; its log is \"%s\"",
                                  command.router.c_str(), needs.c_str(), command.program.c_str(), runs.c_str(),
                                  job.log_file.c_str()));
        }
        if (written) {
            fatal_error(router_session_unreadable,
                        strformat("The router's session file is no whole session (%s); its log is \"%s\"",
                                  why.c_str(), job.log_file.c_str()));
        }
        const std::string status =
            run.exit_status >= 0 ? strformat("exit status %d", run.exit_status) : std::string("ended");
        fatal_error(router_wrote_no_session,
                    strformat("The router ended (%s) without writing a session file; its log is \"%s\"",
                              status.c_str(), job.log_file.c_str()));
    }

    OutputFile moved(job.session_file);
    const bool stored = moved.is_open() &&
                        std::fwrite(contents.data(), 1, contents.size(), moved.stream()) == contents.size() &&
                        moved.commit();
    if (!stored) {
        run.end = RouterEnd::failed;
        fatal_error(router_session_not_written,
                    strformat("Unable to create the session file \"%s\"", job.session_file.c_str()));
    }
    run.end = time_limited ? RouterEnd::time_limit : ended_by_us ? RouterEnd::ended_by_us : RouterEnd::exited;

    const std::string version = run.version.empty() ? std::string() : " (Freerouting " + run.version + ")";
    std::fprintf(console(), "  Router%s finished after %u pass%s", version.c_str(), run.passes_run,
                 run.passes_run == 1 ? "" : "es");
    if (run.end == RouterEnd::ended_by_us) std::fprintf(console(), "; it did not exit once its session was whole, and was ended");
    if (run.end == RouterEnd::time_limit) {
        std::fprintf(console(), "; ended at the time limit of %s s, its session file written before",
                     limit_text(job.time_limit).c_str());
    }
    if (run.exit_status > 0) std::fprintf(console(), "; exit status %d", run.exit_status);
    std::fprintf(console(), "\n  Session file \"%s\" written\n", job.session_file.c_str());
}

}  // namespace tarnwick
