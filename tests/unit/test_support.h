#pragma once
// Small helpers shared by the unit tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "driver/errors.h"
#include "fpc/reader.h"

namespace tarnwick::test {

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
