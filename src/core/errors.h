#pragma once
// The one way to fail: fatal_error throws, and only the run driver catches and reports.

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

namespace tarnwick {

// A std::exception, so that a test framework that meets one unexpectedly can name it.
struct FatalError : std::exception {
    FatalError(int error_code, std::string error_message) : code(error_code), message(std::move(error_message)) {}
    const char* what() const noexcept override { return message.c_str(); }

    int code;
    std::string message;
};

// Our own code for memory exhausted anywhere (plain message form).
inline constexpr int out_of_memory = 70001;
// Our own code for a routed board that would replace the board or the session file (plain form).
inline constexpr int routed_name_is_input = 20045;
// Our own codes for standard output and standard error (the console) that could not be written
// whole (plain form): a listing cut by a full disk must not pass for a successful run.
inline constexpr int standard_output_not_written = 70002;
inline constexpr int standard_error_not_written = 70003;

// The exit status of a route job that wrote its routed board but left connections unrouted (or
// lost some on the way back): one that no error's code gives (see exit_status_for).
inline constexpr int unrouted_exit_status = 6;

// The exit status for a code: the code itself up to 255, else its low 8 bits; never 0 for a
// failure, nor the status of a route that left connections unrouted (1 for either).
int exit_status_for(int code);

[[noreturn]] void fatal_error(int code, std::string message);

// printf into a std::string; used to fill the messages that carry names and numbers.
std::string strformat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The file names and line counters that the message forms show. The readers keep them current.
struct Diagnostics {
    std::string fpc_name;
    std::uint32_t fpc_line = 0;
    std::string ses_name;
    std::uint32_t ses_line = 0;
};

// All console text goes to standard error; only the verbose listings use standard output.
inline std::FILE* console() { return stderr; }

}  // namespace tarnwick
