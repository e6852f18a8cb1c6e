#pragma once
// Reading the router's log as it comes: its passes, its version, Java's word that the router
// needs a newer Java, and the statistics it prints as JSON. Every version words its lines its
// own way, so each is read leniently, and a line of no known kind is passed over.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace tarnwick {

// One pass as the router reports it.
struct PassReport {
    bool fanout = false;     // a fanout pass, which some versions run before the routing passes
    std::uint32_t number = 0;
    bool completed = false;  // the line reports the pass done (else only its start)
    double seconds = -1;     // the pass's own time, -1 when the line gives none
    std::int64_t unrouted = -1;    // connections left open after it, -1 when not said
    std::int64_t violations = -1;  // clearance violations after it, -1 when not said
};

// Reads a line that reports a pass: "Auto-router pass #3 on board '...' was completed in 9.43
// seconds with the score of 949.96 (3 unrouted and 4 violations)", "Auto-routing pass #3 ...
// completed in 1 minute 5.23 seconds with score 949.96 (...)", "Fanout pass #2 ...". Decimals
// may be written with a comma, as the system's locale has them. A completed pass with a score
// but no parenthesis left nothing open. False for any other line.
bool read_pass_line(std::string_view line, PassReport& pass);

// The version the router names on its first line ("Freerouting v2.1.0 (build-date: ...)"), or
// "" for any other line.
std::string read_version_line(std::string_view line);

// Java's complaint that the router's classes are newer than it runs ("... compiled by a more
// recent version of the Java Runtime (class file version 65.0), this version of the Java
// Runtime only recognizes class file versions up to 61.0"): the Java versions the router needs
// and that ran it (21 and 17 there; 0 where not said). False for any other line.
bool read_class_version_line(std::string_view line, int& needed_java, int& running_java);

// The router's output cut into whole lines as it comes, with the statistics block that some
// versions print as JSON lines of their own ("{" alone on a line to its matching "}").
class RouterLog {
public:
    // Appends what came and returns the lines it completed, without their line ends.
    std::vector<std::string> add(std::string_view text);
    // The last line, when the output ends without a line end.
    std::vector<std::string> finish();

    // The last statistics block read whole, or null.
    const nlohmann::ordered_json& statistics() const { return statistics_; }

private:
    void note_line(const std::string& line);

    std::string pending_;
    std::string block_;     // the statistics block being read
    int block_depth_ = 0;   // its braces still open; 0 while none is being read
    nlohmann::ordered_json statistics_;
};

}  // namespace tarnwick
