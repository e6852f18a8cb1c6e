#pragma once
// Small helpers shared by the unit tests.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <algorithm>
#include <vector>

#include "core/errors.h"
#include "fpc/reader.h"

namespace tarnwick::test {

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

// A stream writing into memory; what was written is kept also when the writer stopped with an error.
struct MemoryStream {
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
};

// Limits the size of the files this process writes, as a quota or a full disk would, while it
// lives. SIGXFSZ is ignored meanwhile, so that a write past the limit fails instead of killing.
struct FileSizeLimit {
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

}  // namespace tarnwick::test
