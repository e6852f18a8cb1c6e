// Every real board that loads is exported as a balanced design file, or stops with the error
// its data calls for and leaves an earlier design file as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/errors.h"
#include "design_file_support.h"
#include "dsn/design_file.h"
#include "fpc/load.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Boards whose net list names what their footprints lack: the router could not be given them.
const std::map<std::string, FatalError> refused = {
    {"fpcutil_ResetShape.fpc",
     {41128, "Net \"BATTERY\" node \"X8.B2\" refers to an unknown pin in footprint \"640389-2\""}},
};

TEST(CorpusExport, EveryBoardThatLoadsBecomesABalancedDesignFile) {
    const fs::path corpus = fs::path(TARNWICK_CORPUS) / "fpc";
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;

    std::vector<fs::path> boards;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        if (entry.path().extension() == ".fpc") boards.push_back(entry.path());
    }
    std::sort(boards.begin(), boards.end());
    const fs::path folder = fs::temp_directory_path() / "tarnwick_corpus_export";
    fs::remove_all(folder);
    fs::create_directories(folder);

    int exported = 0;
    int stopped = 0;
    for (const fs::path& path : boards) {
        SCOPED_TRACE(path.filename().string());
        Board board;
        RunSettings settings;
        settings.fpcname = path.string();
        settings.specctraname = (folder / path.stem()).string();
        Diagnostics diagnostics;
        testing::internal::CaptureStderr();
        try {
            load_fpc_file(board, settings, diagnostics);
        } catch (const FatalError&) {
            testing::internal::GetCapturedStderr();
            continue;  // what the loader refuses is the loader's tests' business
        }
        const auto expected = refused.find(path.filename().string());
        const std::string earlier = "earlier design of " + path.filename().string() + "\n";
        if (expected != refused.end()) std::ofstream(design_file_name(settings.specctraname)) << earlier;
        int status = -1;
        try {
            status = write_design_file(board, settings);
        } catch (const FatalError& error) {
            testing::internal::GetCapturedStderr();
            if (expected == refused.end()) {
                ADD_FAILURE() << "export failed: " << error.code << " " << error.message;
            } else {
                EXPECT_EQ(error.code, expected->second.code);
                EXPECT_EQ(error.message, expected->second.message);
                std::ifstream in(design_file_name(settings.specctraname), std::ios::binary);
                EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), earlier);
                ++stopped;
            }
            continue;
        }
        testing::internal::GetCapturedStderr();
        ASSERT_EQ(status, 0);
        EXPECT_EQ(expected, refused.end()) << "exported although it should stop";
        std::ifstream in(design_file_name(settings.specctraname), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(test::balance_fault(text), "");
        EXPECT_EQ(text.rfind("(PCB \"", 0), 0u);
        ++exported;
    }
    // The exported design files and the earlier ones, and no temporary file beside them.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), exported + stopped);
    fs::remove_all(folder);
    EXPECT_EQ(stopped, static_cast<int>(refused.size()));
    EXPECT_GE(exported, 9);
}

TEST(CaseExport, EveryDesignFileACaseExpectsIsBalancedAndFromACompleteRun) {
    const fs::path cases = fs::path(TARNWICK_TEST_DATA).parent_path() / "cases";
    int complete = 0;
    for (const auto& entry : fs::directory_iterator(cases)) {
        std::ifstream status_file(entry.path() / "status");
        int status = -1;
        status_file >> status;
        if (!fs::is_directory(entry.path() / "out")) continue;
        for (const auto& written : fs::directory_iterator(entry.path() / "out")) {
            std::ifstream in(written.path(), std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)), {});
            if (text.rfind("(PCB ", 0) != 0) continue;
            SCOPED_TRACE(written.path().string());
            // A run that stops leaves no design file.
            EXPECT_EQ(status, 0);
            EXPECT_EQ(test::balance_fault(text), "");
            ++complete;
        }
    }
    EXPECT_GE(complete, 9);
}

}  // namespace
}  // namespace tarnwick
