#pragma once
// Small helpers shared by the unit tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
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

}  // namespace tarnwick::test
