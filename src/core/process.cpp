#include "core/process.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "core/file_system.h"
#include "core/signals.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif
#endif

namespace tarnwick {

std::string windows_command_line(const std::vector<std::string>& arguments) {
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (i > 0) line += ' ';
        if (i == 0) {
            // The program's name ends at the next quote, backslashes and all: it cannot hold one.
            line += '"' + argument + '"';
            continue;
        }
        // A wildcard is quoted too: Java's launcher expands one that stands bare.
        if (!argument.empty() && argument.find_first_of(" \t\n\v\"*?") == std::string::npos) {
            line += argument;
            continue;
        }
        line += '"';
        std::size_t backslashes = 0;
        for (const char c : argument) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes before a quote are doubled, and one more escapes the quote itself;
            // elsewhere they stand for themselves.
            line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        // Before the closing quote they are doubled, so that it stays a quote.
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

#ifdef _WIN32

namespace {

std::string system_message(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? narrowed(std::wstring(text, length)) : "error " + std::to_string(code);
    if (text != nullptr) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

}  // namespace

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder, std::string& error) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    if (::CreatePipe(&read_end, &write_end, &inherited, 0) == 0) {
        error = system_message(::GetLastError());
        return false;
    }
    ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    const HANDLE null_input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                            OPEN_EXISTING, 0, nullptr);

    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::wstring command = widened(windows_command_line(words));
    const std::wstring application = widened(program);
    const std::wstring directory = widened(folder);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = null_input;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    PROCESS_INFORMATION created{};
    // Suspended until it is in the job, so that nothing it starts escapes; no console window of
    // its own, and none of ours: our Ctrl-C reaches it through the job, which ends with us.
    const HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    const bool job_ready = job != nullptr && ::SetInformationJobObject(job, JobObjectExtendedLimitInformation,
                                                                       &limits, sizeof limits) != 0;
    BOOL made = FALSE;
    DWORD failure = ERROR_NOT_ENOUGH_MEMORY;
    if (job_ready) {
        const InterruptionsHeld held;
        made = ::CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, TRUE,
                                CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, nullptr,
                                directory.empty() ? nullptr : directory.c_str(), &startup, &created);
        if (made == 0) {
            failure = ::GetLastError();
        } else if (::AssignProcessToJobObject(job, created.hProcess) == 0) {
            failure = ::GetLastError();
            ::TerminateProcess(created.hProcess, 1);
            ::CloseHandle(created.hThread);
            ::CloseHandle(created.hProcess);
            made = FALSE;
        } else {
            note_child_processes(reinterpret_cast<std::intptr_t>(job));
        }
    } else {
        failure = ::GetLastError();
    }
    ::CloseHandle(write_end);
    if (null_input != INVALID_HANDLE_VALUE) ::CloseHandle(null_input);
    if (made == 0) {
        ::CloseHandle(read_end);
        if (job != nullptr) ::CloseHandle(job);
        error = system_message(failure);
        return false;
    }
    ::ResumeThread(created.hThread);
    ::CloseHandle(created.hThread);
    process_ = created.hProcess;
    job_ = job;
    pipe_ = read_end;
    started_ = true;
    return true;
}

ChildProcess::Output ChildProcess::read(std::string& text, int timeout_ms) {
    if (pipe_ == nullptr) return Output::closed;
    // An anonymous pipe has no waiting with a timeout: it is looked at every few milliseconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        DWORD available = 0;
        if (::PeekNamedPipe(pipe_, nullptr, 0, nullptr, &available, nullptr) == 0) {
            ::CloseHandle(pipe_);
            pipe_ = nullptr;
            return Output::closed;
        }
        if (available > 0) {
            char buffer[65536];
            DWORD got = 0;
            const DWORD wanted = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
            if (::ReadFile(pipe_, buffer, wanted, &got, nullptr) == 0) {
                ::CloseHandle(pipe_);
                pipe_ = nullptr;
                return Output::closed;
            }
            text.append(buffer, got);
            return Output::some;
        }
        if (std::chrono::steady_clock::now() >= deadline) return Output::none;
        ::Sleep(10);
    }
}

bool ChildProcess::ended(int& status) {
    if (!started_) return false;
    if (!reaped_) {
        if (::WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return false;
        DWORD code = 0;
        ::GetExitCodeProcess(process_, &code);
        status_ = static_cast<int>(code);
        reaped_ = true;
        // What it started goes with it.
        ::TerminateJobObject(job_, 1);
    }
    status = status_;
    return true;
}

void ChildProcess::end(int) {
    if (!started_) return;
    // A program without a console cannot be asked to end: the job ends it and all it started.
    ::TerminateJobObject(job_, 1);
    ::WaitForSingleObject(process_, 5000);
    int status = 0;
    ended(status);
}

void ChildProcess::release() {
    if (!started_) return;
    ::TerminateJobObject(job_, 1);
    ::WaitForSingleObject(process_, 5000);
    note_child_processes(0);
    if (pipe_ != nullptr) ::CloseHandle(pipe_);
    ::CloseHandle(process_);
    ::CloseHandle(job_);
    pipe_ = nullptr;
    process_ = nullptr;
    job_ = nullptr;
    started_ = false;
}

std::string executable_folder() {
    std::wstring name(1024, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return "";
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(name.size() * 2);
    }
    return utf8_name(std::filesystem::path(name).parent_path());
}

std::string environment_value(const char* name) {
    const std::wstring wide_name = widened(name);
    const wchar_t* value = ::_wgetenv(wide_name.c_str());
    return value != nullptr ? narrowed(value) : std::string();
}

bool console_is_terminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

#else

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder, std::string& error) {
    // The child changes folder before it starts the program: a relative name is made whole first.
    const std::string path = absolute_name(program);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int output[2];
    int report[2];  // the reason the child could not start the program, if it could not
    if (::pipe2(output, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        ::close(output[0]);
        ::close(output[1]);
        return false;
    }
    const pid_t parent = ::getpid();
    pid_t pid = -1;
    {
        // No interruption between the start and the noting of the group: it would leave the
        // program running. The child begins with the signals held too and lets them go.
        const InterruptionsHeld held;
        pid = ::fork();
        if (pid == 0) {
            // Only what is safe between fork and exec from here on.
            ::setpgid(0, 0);
#if defined(__linux__)
            // Should this program be killed outright, its router goes too.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(127);
#endif
            for (int number = 1; number < NSIG; ++number) {
                if (number != SIGKILL && number != SIGSTOP) ::signal(number, SIG_DFL);
            }
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            const int input = ::open("/dev/null", O_RDONLY);
            if (input < 0 || ::dup2(input, 0) < 0 || ::dup2(output[1], 1) < 0 || ::dup2(output[1], 2) < 0 ||
                (!folder.empty() && ::chdir(folder.c_str()) != 0)) {
                const int reason = errno;
                [[maybe_unused]] const auto written = ::write(report[1], &reason, sizeof reason);
                ::_exit(127);
            }
            ::execv(path.c_str(), argv.data());
            const int reason = errno;
            [[maybe_unused]] const auto written = ::write(report[1], &reason, sizeof reason);
            ::_exit(127);
        }
        if (pid > 0) {
            ::setpgid(pid, pid);
            note_child_processes(pid);
        }
    }
    ::close(output[1]);
    ::close(report[1]);
    if (pid < 0) {
        error = std::strerror(errno);
        ::close(output[0]);
        ::close(report[0]);
        return false;
    }
    int reason = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &reason, sizeof reason);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    pid_ = pid;
    pipe_ = output[0];
    started_ = true;
    if (got == static_cast<ssize_t>(sizeof reason)) {
        error = std::strerror(reason);
        release();
        return false;
    }
    return true;
}

ChildProcess::Output ChildProcess::read(std::string& text, int timeout_ms) {
    if (pipe_ < 0) return Output::closed;
    struct pollfd watched = {pipe_, POLLIN, 0};
    const int ready = ::poll(&watched, 1, timeout_ms);
    if (ready <= 0) return Output::none;
    char buffer[65536];
    const ssize_t got = ::read(pipe_, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return Output::none;
    if (got <= 0) {
        ::close(pipe_);
        pipe_ = -1;
        return Output::closed;
    }
    text.append(buffer, static_cast<std::size_t>(got));
    return Output::some;
}

bool ChildProcess::ended(int& status) {
    if (!started_) return false;
    if (!reaped_) {
        // Seen ended but not yet reaped, its group's number stays its own while the rest of the
        // group is ended.
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == 0) {
            return false;
        }
        ::kill(-pid_, SIGKILL);
        int raw = 0;
        while (::waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
        }
        note_child_processes(0);
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        reaped_ = true;
    }
    status = status_;
    return true;
}

void ChildProcess::end(int grace_ms) {
    if (!started_) return;
    int status = 0;
    if (ended(status)) return;
    ::kill(-pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(grace_ms);
    while (!ended(status) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ended(status)) return;
    ::kill(-pid_, SIGKILL);
    while (!ended(status)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void ChildProcess::release() {
    if (!started_) return;
    int status = 0;
    if (!ended(status)) {
        ::kill(-pid_, SIGKILL);
        while (!ended(status)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (pipe_ >= 0) ::close(pipe_);
    pipe_ = -1;
    started_ = false;
}

std::string executable_folder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

std::string environment_value(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool console_is_terminal() { return ::isatty(2) != 0; }

#endif

ChildProcess::~ChildProcess() { release(); }

}  // namespace tarnwick
