// The route job with the real router: boards of different sizes routed by `tarnwick -R` for two
// passes; each routed board, exported again, loads in the router with no more connections
// incomplete than the router left, the exit status and the summary agree with what the router
// reported, and nothing of the run is left in the temporary folder.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/errors.h"
#include "router_support.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Runs the program with `arguments` (each quoted for the shell) in `folder`; its exit status.
int run_program(const fs::path& folder, const std::vector<std::string>& arguments, const fs::path& temporary) {
    std::string command = "cd " + test::shell_quoted(folder) + " && TMPDIR=" + test::shell_quoted(temporary) + " " +
                          test::shell_quoted(TARNWICK_PROGRAM);
    for (const std::string& argument : arguments) command += " " + test::shell_quoted(argument);
    command += " >console.txt 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RouteJob, BoardsRoutedInOneStepLoadAgainWithNoMoreConnectionsOpen) {
    const fs::path router = TARNWICK_ROUTER;
    const std::string reason = test::router_skip_reason(router);
    if (!reason.empty()) GTEST_SKIP() << reason;

    // From 8 parts to 42; the corpus's when it is there.
    std::vector<fs::path> boards = {fs::path(TARNWICK_EXAMPLES) / "blinker.fpc"};
    const fs::path corpus = fs::path(TARNWICK_CORPUS) / "routed";
    if (fs::is_directory(corpus)) {
        for (const char* name : {"cbernardo_nl_r3", "fpcutil_DPGd1-0y", "jpt_LED_Driver_unrouted"}) {
            boards.push_back(corpus / (std::string(name) + ".fpc"));
        }
    } else {
        std::cout << "only the example is routed: no corpus at " << corpus << "\n";
    }

    const fs::path folder = fs::temp_directory_path() / ("tarnwick_route_job_" + std::to_string(getpid()));
    const fs::path temporary = folder / "temporary";
    fs::remove_all(folder);
    fs::create_directories(temporary);
    for (const fs::path& board : boards) {
        const std::string name = board.stem().string();
        SCOPED_TRACE(name);
        fs::copy_file(board, folder / board.filename());
        const int status = run_program(folder,
                                       {"-R", "--router=" + (router / "freerouting.jar").string(), "--passes=2",
                                        "--summary=" + name + ".json", board.filename().string()},
                                       temporary);
        const std::string console = test::file_contents(folder / "console.txt");
        ASSERT_TRUE(status == 0 || status == unrouted_exit_status) << console;
        EXPECT_TRUE(fs::is_empty(temporary)) << "the run's folder is left";

        const nlohmann::json summary = nlohmann::json::parse(test::file_contents(folder / (name + ".json")));
        const long left = summary["connections"]["unrouted"].get<long>();
        EXPECT_EQ(summary["router"]["version"], "2.1.0");
        EXPECT_LE(summary["passes"]["run"].get<int>(), 2);
        EXPECT_EQ(summary["connections"]["kept"], summary["connections"]["made"]);
        EXPECT_EQ(summary["router_statistics"]["connections"]["incomplete_count"].get<long>(), left);
        EXPECT_EQ(summary["exit_status"], status);
        EXPECT_EQ(status == 0, left == 0) << console;

        // The routed board as a design again, loaded by the router.
        ASSERT_EQ(run_program(folder, {name + "_routed.fpc"}, temporary), 0) << test::file_contents(folder / "console.txt");
        const test::RouterLoad load = test::load_in_router(router, folder / (name + "_routed.dsn"));
        EXPECT_EQ(load.status, 0) << load.log;
        ASSERT_GE(load.incomplete, 0) << load.log;
        std::cout << name << ": routed for " << summary["passes"]["run"] << " passes, " << left
                  << " connections left open; loaded again: " << load.incomplete << " of " << load.connections
                  << " incomplete\n";
        EXPECT_LE(load.incomplete, left);
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tarnwick
