#pragma once
// Pictures in the tests: a board loaded (and back-annotated) as the run driver does it, its
// picture written into a file, and the programs that read pictures: xmllint, and Chromium, which
// renders them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "board/board.h"
#include "core/errors.h"
#include "core/output_file.h"
#include "fpc/load.h"
#include "picture/board_picture.h"
#include "session/back_annotation.h"
#include "session/router_copper.h"

namespace tarnwick::test {

namespace fs = std::filesystem;

inline std::string shell_quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What a shell command writes on its standard output, and its exit status.
struct CommandResult {
    int status = -1;
    std::string out;
};

inline CommandResult run_command(const std::string& command) {
    CommandResult result;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, got);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline bool has_program(const char* name) {
    return run_command(std::string("command -v ") + name + " >/dev/null 2>&1").status == 0;
}

// A folder of its own for one test, removed with it.
struct ScratchFolder {
    fs::path path;
    explicit ScratchFolder(const std::string& name)
        : path(fs::temp_directory_path() / ("tarnwick_" + name + "_" + std::to_string(::getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

// A board as a run loads it, and after -B the routed board with the session it came from; the
// console is kept out of the test's output.
struct LoadedRun {
    Board board;
    Diagnostics diagnostics;               // holds the session's line counter
    std::optional<BackAnnotation> routed;  // after -B
    RouterCopper router;
};

inline bool load_run(const fs::path& fpc, LoadedRun& run, const fs::path& ses = fs::path()) {
    RunSettings settings;
    settings.fpcname = fpc.string();
    settings.back_annotate = !ses.empty();
    settings.picture = true;  // as with --svg: -B keeps the session's wiring for the picture
    settings.specctraname = ses.string();
    testing::internal::CaptureStderr();
    try {
        load_fpc_file(run.board, settings, run.diagnostics);
        if (!ses.empty()) {
            run.routed.emplace(back_annotate_file(run.board, settings, run.diagnostics));
            run.router = router_copper(run.routed->session);
        }
    } catch (const FatalError&) {
        testing::internal::GetCapturedStderr();
        return false;
    }
    testing::internal::GetCapturedStderr();
    return true;
}

// Writes the picture of the run's board into `path`.
inline void write_picture(const LoadedRun& run, const fs::path& path) {
    OutputFile output(path.string());
    ASSERT_TRUE(output.is_open()) << path;
    PictureFile file(std::move(output));
    write_board_picture(file, run.board, {path.filename().string(), run.routed ? &run.router : nullptr});
    ASSERT_TRUE(file.close()) << path;
}

inline std::string file_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace tarnwick::test
