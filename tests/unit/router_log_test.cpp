// Reading the router's log: the pass lines of every version's wording, its version, Java's word
// that the router needs a newer Java, and the statistics block; lines of no known kind are
// passed over.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "route/router_log.h"
#include "route/router_run.h"

namespace tarnwick {
namespace {

PassReport pass_of(const std::string& line) {
    PassReport pass;
    EXPECT_TRUE(read_pass_line(line, pass)) << line;
    return pass;
}

void expect_pass(const PassReport& pass, std::uint32_t number, double seconds, std::int64_t unrouted,
                 std::int64_t violations) {
    EXPECT_EQ(pass.number, number);
    EXPECT_TRUE(pass.completed);
    EXPECT_FALSE(pass.fanout);
    EXPECT_NEAR(pass.seconds, seconds, 1e-9);
    EXPECT_EQ(pass.unrouted, unrouted);
    EXPECT_EQ(pass.violations, violations);
}

TEST(RouterLog, PassLinesOfEveryWording) {
    // 2.1 and 2.2, with what is open in parentheses.
    expect_pass(pass_of("2026-12-09 20:40:11.583 INFO   [1D63F5\\C7CF34] Auto-router pass #3 on board '8aa1' was "
                        "completed in 9.43 seconds with the score of 949.96 (3 unrouted and 4 violations)"),
                3, 9.43, 3, 4);
    // 2.1 as it runs here: no parenthesis when nothing is open.
    expect_pass(pass_of("2026-12-09 20:40:11.583 INFO   [1D63F5\\C7CF34] Auto-router pass #1 on board "
                        "'8aa108f46b250024504e9146805a1275' was completed in 3.45 seconds with the score of 892.68, "
                        "using 1.89 CPU seconds and 106 MB memory."),
                1, 3.45, 0, 0);
    // The system's locale writes decimals with a comma.
    expect_pass(pass_of("Auto-router pass #12 on board 'x' was completed in 17,87 seconds with the score of 949,96 "
                        "(3 unrouted and 4 violations)"),
                12, 17.87, 3, 4);
    // A time past a minute.
    expect_pass(pass_of("Auto-router pass #2 on board 'x' was completed in 1 minute 5.23 seconds with the score of "
                        "949.96 (1 unrouted and 0 violations)"),
                2, 65.23, 1, 0);
    expect_pass(pass_of("Auto-router pass #2 on board 'x' was completed in 2 hours 3 minutes 1,5 seconds with the "
                        "score of 949.96"),
                2, 7381.5, 0, 0);
    // 2.3, always with the parenthesis.
    expect_pass(pass_of("2026-01-01 12:00:01.000 INFO   [AB\\CD] Auto-routing pass #3 on board 'a1' completed in 12.34 "
                        "seconds with the score of 949.96 (0 unrouted and 0 violations)"),
                3, 12.34, 0, 0);
    // The newest.
    expect_pass(pass_of("Auto-routing pass #4 completed in 12.34 seconds with score 949.96 (7 unrouted and 1 violation)"),
                4, 12.34, 7, 1);
    // A parenthesis that names one of the two leaves the other at none.
    expect_pass(pass_of("Auto-routing pass #5 completed in 1.00 seconds with score 9.5 (2 unrouted)"), 5, 1, 2, 0);
}

TEST(RouterLog, FanoutPassesAndPassesBegun) {
    const PassReport fanout =
        pass_of("2026-01-01 12:00:00.200 INFO   [1D63F5\\C7CF34] Fanout pass #2 on board 'a1' completed in 0.50 seconds");
    EXPECT_TRUE(fanout.fanout);
    EXPECT_EQ(fanout.number, 2u);
    EXPECT_NEAR(fanout.seconds, 0.5, 1e-9);
    EXPECT_EQ(fanout.unrouted, -1);

    const PassReport begun = pass_of("Auto-routing pass #6 on board 'a1' started");
    EXPECT_FALSE(begun.completed);
    EXPECT_EQ(begun.number, 6u);
    EXPECT_EQ(begun.seconds, -1);
    EXPECT_EQ(begun.unrouted, -1);
    EXPECT_EQ(begun.violations, -1);
}

TEST(RouterLog, LinesOfNoKnownKindArePassedOver) {
    const std::vector<std::string> others = {
        "",
        "2026-12-09 20:55:32.324 INFO   Freerouting v2.1.0 (build-date: 2025-04-12)",
        // The method trace some logs hold beside the pass line.
        "2026-12-09 20:55:51.011 TRACE  Method 'BatchAutorouter.autoroute_pass #1 on board 'x'' was performed in 8.54 "
        "seconds.",
        "Optimizer pass #3 completed in 2.00 seconds",
        "Auto-router pass # on board 'x'",
        "Auto-router pass #0 on board 'x' was completed",
        "Auto-router pass #99999999999999999999 on board 'x' was completed",
        "}",
        std::string(100000, '#'),
        std::string("Auto-router pass #") + std::string(5000, '9'),
    };
    for (const std::string& line : others) {
        PassReport pass;
        pass.number = 77;
        EXPECT_FALSE(read_pass_line(line, pass)) << line.substr(0, 80);
        EXPECT_EQ(pass.number, 77u);
    }
    // Odd figures in a pass line are left unsaid rather than misread.
    const PassReport odd = pass_of("Auto-router pass #3 on board 'x' was completed in soon with the score of high "
                                   "(many unrouted and 99999999999999999 violations)");
    EXPECT_EQ(odd.seconds, -1);
    EXPECT_EQ(odd.unrouted, -1);
    EXPECT_EQ(odd.violations, -1);
}

TEST(RouterLog, VersionAndJavaTooOld) {
    EXPECT_EQ(read_version_line("2026-12-09 20:55:32.324 INFO   Freerouting v2.1.0 (build-date: 2025-04-12)"), "2.1.0");
    EXPECT_EQ(read_version_line("Freerouting 2.3.0-SNAPSHOT starting"), "2.3.0-SNAPSHOT");
    EXPECT_EQ(read_version_line("Freerouting version unknown"), "");
    EXPECT_EQ(read_version_line("Auto-router pass #1 on board 'x'"), "");

    int needed = 0;
    int running = 0;
    EXPECT_TRUE(read_class_version_line(
        "\tjava.lang.UnsupportedClassVersionError: app/freerouting/Freerouting has been compiled by a more recent "
        "version of the Java Runtime (class file version 69.0), this version of the Java Runtime only recognizes "
        "class file versions up to 61.0",
        needed, running));
    EXPECT_EQ(needed, 25);
    EXPECT_EQ(running, 17);
    EXPECT_TRUE(read_class_version_line("Exception java.lang.UnsupportedClassVersionError: nothing more", needed, running));
    EXPECT_EQ(needed, 0);
    EXPECT_EQ(running, 0);
    EXPECT_FALSE(read_class_version_line("Error: Unable to access jarfile x.jar", needed, running));
}

TEST(RouterLog, LinesAndStatisticsAsTheyCome) {
    RouterLog log;
    // Cut anywhere, with CR LF line ends, and braces inside the statistics' strings.
    const std::string text =
        "2026-12-09 INFO   Freerouting v2.1.0\r\n{\n  \"host\": \"FreePCB {x} \\\"y}\",\n  \"connections\": {\n"
        "    \"maximum_count\": 27,\n    \"incomplete_count\": 3\n  }\n}\nlast";
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size(); at += 7) {
        for (std::string& line : log.add(text.substr(at, 7))) lines.push_back(line);
    }
    for (std::string& line : log.finish()) lines.push_back(line);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "2026-12-09 INFO   Freerouting v2.1.0");
    EXPECT_EQ(lines[8], "last");
    ASSERT_TRUE(log.statistics().is_object());
    EXPECT_EQ(log.statistics()["connections"]["incomplete_count"], 3);
    EXPECT_EQ(log.statistics()["host"], "FreePCB {x} \"y}");

    // A block that does not read is no statistics; the last one read stays.
    log.add("{\n  \"connections\": [1, \n}\n");
    EXPECT_EQ(log.statistics()["connections"]["incomplete_count"], 3);
    log.add("{ \"connections\": { \"incomplete_count\": 0 } }\n");
    EXPECT_EQ(log.statistics()["connections"]["incomplete_count"], 0);
}

TEST(RouterLog, ProgressLines) {
    PassReport pass;
    pass.number = 3;
    pass.completed = true;
    pass.unrouted = 12;
    pass.violations = 1;
    EXPECT_EQ(pass_progress(pass, 20), "pass 3 of 20 done, 12 unrouted, 1 violation");
    pass.violations = 4;
    EXPECT_EQ(pass_progress(pass, 0), "pass 3 done, 12 unrouted, 4 violations");
    pass.fanout = true;
    pass.unrouted = -1;
    pass.violations = -1;
    EXPECT_EQ(pass_progress(pass, 20), "fanout pass 3 done");
    pass.fanout = false;
    pass.completed = false;
    EXPECT_EQ(pass_progress(pass, 20), "pass 3 of 20 begun");
}

TEST(RouterLog, TheRoutersOwnTimeOutComesBeforeTheLimit) {
    EXPECT_EQ(router_job_timeout(0.5), "00:00:01");
    EXPECT_EQ(router_job_timeout(3), "00:00:02");
    EXPECT_EQ(router_job_timeout(60), "00:00:48");
    EXPECT_EQ(router_job_timeout(3600), "00:59:00");
    EXPECT_EQ(router_job_timeout(90000.9), "24:59:00");
}

TEST(RouterLog, WholeSessions) {
    const auto whole = [](const std::string& text, std::string& why) {
        return is_whole_session(std::vector<char>(text.begin(), text.end()), why);
    };
    std::string why;
    EXPECT_TRUE(whole("(session b\n  (base_design b)\n  (routes (resolution mil 100))\n)\n", why)) << why;
    EXPECT_TRUE(whole("\xEF\xBB\xBF# a comment\n(session \"a b\" (routes))", why)) << why;
    EXPECT_FALSE(whole("(session b\n  (base_design b)\n  (routes (resolution mil", why));
    EXPECT_EQ(why, "it ends before its parentheses close");
    EXPECT_FALSE(whole("(pcb b)", why));
    EXPECT_EQ(why, "it does not begin with \"(session\"");
    EXPECT_FALSE(whole("", why));
    EXPECT_FALSE(whole("(session b) (session c)", why));
    EXPECT_NE(why.find("at its line 1"), std::string::npos) << why;
    EXPECT_FALSE(whole("(session b\n (x \"open string\n))", why));
}

}  // namespace
}  // namespace tarnwick
