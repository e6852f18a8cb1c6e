#pragma once
// Running another program: started directly from its argument list, never through a shell, so
// that a name with blanks, quotes, ';' or '$(...)' reaches it as it is; its standard output and
// error read together as they come; ended together with everything it started (a process group
// on Linux, a job object on Windows), also when the run is interrupted.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

class ChildProcess {
public:
    ChildProcess() = default;
    // Ends the program and all it started, if they still run.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (a path; the PATH is not searched) with `arguments` in the folder
    // `folder`, its standard input the null device and its standard output and error one pipe.
    // False, with the system's reason in `error`, when it cannot be started.
    bool start(const std::string& program, const std::vector<std::string>& arguments, const std::string& folder,
               std::string& error);

    enum class Output { some, none, closed };
    // Waits at most `timeout_ms` for output and appends what came to `text`: `some`, `none` when
    // the time passed first, `closed` once no program of the group holds the pipe any more.
    Output read(std::string& text, int timeout_ms);

    // Whether the program has ended; once it has, whatever it started is ended too and
    // `status` holds its exit status (128 + the signal for one a signal ended, on Linux).
    bool ended(int& status);

    // Ends the program and all it started: asked to end first where the system can ask, then
    // forced once `grace_ms` have passed. Its status is then what ended() gives.
    void end(int grace_ms);

    bool started() const { return started_; }

private:
    void release();

    bool started_ = false;
    bool reaped_ = false;
    int status_ = -1;
#ifdef _WIN32
    void* process_ = nullptr;
    void* job_ = nullptr;
    void* pipe_ = nullptr;
#else
    int pid_ = -1;
    int pipe_ = -1;
#endif
};

// The command line that gives a program started on Windows exactly `arguments` (its own name
// first), as the C runtime splits a command line: each argument between double quotes where it
// holds a blank, a quote or a wildcard (or is empty), a quote inside escaped with '\', and the
// backslashes before a quote doubled. The program's name is quoted whole, as it is split apart.
std::string windows_command_line(const std::vector<std::string>& arguments);

// The folder this program's executable lies in, or "" when the system does not say.
std::string executable_folder();

// The value of an environment variable (UTF-8 on every system), or "" when it is not set.
std::string environment_value(const char* name);

// Whether the console (standard error) is a terminal or console window that a line can be
// rewritten in, rather than a file or a pipe.
bool console_is_terminal();

}  // namespace tarnwick
