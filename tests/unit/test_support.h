#pragma once
// Small helpers shared by the unit tests.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <algorithm>
#include <vector>

#include "board/board.h"
#include "core/errors.h"
#include "core/file_names.h"
#include "core/settings.h"
#include "fpc/load.h"
#include "fpc/reader.h"

namespace tarnwick::test {

// The settings of a run of -B (`back_annotate`) or of the export, with the files named as the
// command line names them from the board file and the Specctra file (none: from the board's).
inline RunSettings named_settings(const std::filesystem::path& board,
                                  const std::optional<std::filesystem::path>& specctra = std::nullopt,
                                  bool back_annotate = false) {
    RunSettings settings;
    settings.back_annotate = back_annotate;
    name_run_files(settings, board.string(),
                   specctra ? std::optional<std::string>(specctra->string()) : std::nullopt);
    return settings;
}

// The bytes of a file, as they are.
inline std::string file_contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The files of `folder` whose extension is `extension` (".fpc"), sorted; none when the folder is
// absent.
inline std::vector<std::filesystem::path> files_with_extension(const std::filesystem::path& folder,
                                                               const std::string& extension) {
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::is_directory(folder)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == extension) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

#ifdef _WIN32
// Windows has no stream into memory: a temporary file, deleted when closed, stands in for one.
inline std::FILE* open_temporary_stream() {
    char* name = _tempnam(nullptr, "tarnwick");
    std::FILE* stream = name != nullptr ? std::fopen(name, "w+bD") : nullptr;
    std::free(name);
    return stream;
}

// All that was written to a stream of open_temporary_stream; writing goes on where it was.
inline std::string temporary_stream_text(std::FILE* stream) {
    std::fflush(stream);
    const long end = std::ftell(stream);
    std::string text(static_cast<std::size_t>(end > 0 ? end : 0), '\0');
    std::rewind(stream);
    text.resize(std::fread(text.data(), 1, text.size(), stream));
    std::fseek(stream, end, SEEK_SET);
    return text;
}
#endif

// A stream writing into memory; what was written is kept also when the writer stopped with an error.
struct MemoryStream {
#ifdef _WIN32
    std::FILE* out = open_temporary_stream();

    MemoryStream() = default;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;
    ~MemoryStream() {
        if (out != nullptr) std::fclose(out);
    }
    std::string text() { return temporary_stream_text(out); }
#else
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);

    MemoryStream() = default;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;
    ~MemoryStream() {
        if (out != nullptr) std::fclose(out);
        std::free(buffer);
    }
    std::string text() {
        std::fflush(out);
        return std::string(buffer, size);
    }
#endif
};

#ifdef _WIN32
// Windows has no limit on the size of the files a process writes.
struct FileSizeLimit {
    static constexpr bool supported = false;
    explicit FileSizeLimit(std::uint64_t) {}
};
#else
// Limits the size of the files this process writes, as a quota or a full disk would, while it
// lives. SIGXFSZ is ignored meanwhile, so that a write past the limit fails instead of killing.
struct FileSizeLimit {
    static constexpr bool supported = true;
    rlimit saved{};
    void (*saved_handler)(int) = nullptr;

    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        saved_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, saved_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};
#endif

inline LineReader reader_for(const std::string& text, std::uint32_t& counter) {
    return LineReader(std::vector<char>(text.begin(), text.end()), counter);
}

// Runs `action`, which must fail; returns the error it raised.
template <typename Action>
FatalError expect_fatal(Action&& action) {
    try {
        action();
    } catch (const FatalError& error) {
        return error;
    }
    ADD_FAILURE() << "expected a fatal error";
    return FatalError{-1, ""};
}

// Runs `action`, which must fail with this code and message while `counter` reads `line`.
template <typename Action>
void expect_error_at(Action&& action, const std::uint32_t& counter, int code, const std::string& message,
                     std::uint32_t line) {
    const FatalError error = expect_fatal(std::forward<Action>(action));
    EXPECT_EQ(error.code, code) << error.message;
    EXPECT_EQ(error.message, message);
    EXPECT_EQ(counter, line) << message;
}

// A board loaded from a text, or how its load stopped, with what it wrote on the console.
struct LoadedBoard {
    Board board;
    Diagnostics diagnostics;
    std::string console;
    int code = 0;  // the error code of a failed load, else 0
    std::string message;
};

inline LoadedBoard load_board_text(const std::string& text, const std::string& name = "b.fpc") {
    LoadedBoard loaded;
    RunSettings settings;
    settings.fpcname = name;
    testing::internal::CaptureStderr();
    try {
        load_fpc_contents(loaded.board, settings, loaded.diagnostics, std::vector<char>(text.begin(), text.end()));
    } catch (const FatalError& error) {
        loaded.code = error.code;
        loaded.message = error.message;
    }
    loaded.console = testing::internal::GetCapturedStderr();
    return loaded;
}

}  // namespace tarnwick::test
