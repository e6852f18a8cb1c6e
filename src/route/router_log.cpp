#include "route/router_log.h"

#include <cctype>
#include <cstddef>

namespace tarnwick {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The position of `word` in `line` from `from` on, ignoring case; npos when absent.
std::size_t find_word(std::string_view line, std::string_view word, std::size_t from = 0) {
    if (word.size() > line.size()) return std::string_view::npos;
    for (std::size_t at = from; at + word.size() <= line.size(); ++at) {
        std::size_t i = 0;
        while (i < word.size() &&
               std::tolower(static_cast<unsigned char>(line[at + i])) == std::tolower(static_cast<unsigned char>(word[i]))) {
            ++i;
        }
        if (i == word.size()) return at;
    }
    return std::string_view::npos;
}

void skip_blanks(std::string_view line, std::size_t& at) {
    while (at < line.size() && is_blank(line[at])) ++at;
}

// A number at `at` (digits, then a point or a comma and digits: the locale's decimal sign), read
// on past it; false with `at` unmoved when none stands there.
bool read_number(std::string_view line, std::size_t& at, double& value) {
    std::size_t end = at;
    double whole = 0;
    while (end < line.size() && is_digit(line[end])) whole = whole * 10 + (line[end++] - '0');
    if (end == at) return false;
    double fraction = 0;
    double scale = 1;
    if (end + 1 < line.size() && (line[end] == '.' || line[end] == ',') && is_digit(line[end + 1])) {
        ++end;
        while (end < line.size() && is_digit(line[end])) {
            fraction = fraction * 10 + (line[end++] - '0');
            scale *= 10;
        }
    }
    value = whole + fraction / scale;
    at = end;
    return true;
}

// The whole number that ends just before `before` (blanks between allowed), or -1.
std::int64_t number_before(std::string_view line, std::size_t before) {
    std::size_t end = before;
    while (end > 0 && is_blank(line[end - 1])) --end;
    std::size_t start = end;
    while (start > 0 && is_digit(line[start - 1])) --start;
    if (start == end || end - start > 12) return -1;
    std::int64_t value = 0;
    for (std::size_t i = start; i < end; ++i) value = value * 10 + (line[i] - '0');
    return value;
}

// "9.43 seconds", "1 minute 5.23 seconds", "2 hours 1 minute 0,5 seconds" from `at` on, in
// seconds; -1 when no such time stands there.
double read_duration(std::string_view line, std::size_t at) {
    double total = 0;
    bool any = false;
    for (;;) {
        skip_blanks(line, at);
        double value = 0;
        std::size_t next = at;
        if (!read_number(line, next, value)) break;
        skip_blanks(line, next);
        double unit = 0;
        if (find_word(line.substr(next, 4), "hour") == 0) {
            unit = 3600;
        } else if (find_word(line.substr(next, 3), "min") == 0) {
            unit = 60;
        } else if (find_word(line.substr(next, 3), "sec") == 0 || (next < line.size() && line[next] == 's')) {
            unit = 1;
        } else if (find_word(line.substr(next, 2), "ms") == 0 || find_word(line.substr(next, 5), "milli") == 0) {
            unit = 0.001;
        } else {
            break;
        }
        total += value * unit;
        any = true;
        while (next < line.size() && std::isalpha(static_cast<unsigned char>(line[next]))) ++next;
        at = next;
        skip_blanks(line, at);
        if (at < line.size() && line[at] == ',') ++at;
        if (find_word(line.substr(at, 4), "and ") == 0) at += 4;
    }
    return any ? total : -1;
}

}  // namespace

bool read_pass_line(std::string_view line, PassReport& pass) {
    const std::size_t mark = find_word(line, " pass #");
    if (mark == std::string_view::npos) return false;
    // The word before names the kind, "Auto-router", "Auto-routing" or "Fanout"; another word
    // (a trace of the method "autoroute_pass", an optimizer's pass) reports no routing pass.
    const std::string_view before = line.substr(0, mark);
    const auto ends_in = [&](std::string_view word) {
        return before.size() >= word.size() && find_word(before.substr(before.size() - word.size()), word) == 0;
    };
    const bool fanout = ends_in("fanout");
    if (!fanout && !ends_in("router") && !ends_in("routing")) return false;
    std::size_t at = mark + 7;
    double number = 0;
    if (!read_number(line, at, number) || number < 1 || number > 1e9) return false;
    PassReport read;
    read.number = static_cast<std::uint32_t>(number);
    read.fanout = fanout;
    const std::size_t completed = find_word(line, "complete", at);
    read.completed = completed != std::string_view::npos;
    if (read.completed) {
        const std::size_t in = find_word(line, " in ", completed);
        if (in != std::string_view::npos) read.seconds = read_duration(line, in + 4);
    }
    const std::size_t score = find_word(line, "score", at);
    const std::size_t unrouted = find_word(line, "unrouted", at);
    const std::size_t violation = find_word(line, "violation", at);
    if (unrouted != std::string_view::npos) read.unrouted = number_before(line, unrouted);
    if (violation != std::string_view::npos) read.violations = number_before(line, violation);
    if (read.completed && score != std::string_view::npos) {
        // No parenthesis after the score: nothing is open. One that names only one of the two
        // leaves the other at none.
        const bool parenthesis = line.find('(', score) != std::string_view::npos;
        if (!parenthesis) {
            read.unrouted = 0;
            read.violations = 0;
        } else if (read.unrouted >= 0 && read.violations < 0) {
            read.violations = 0;
        } else if (read.violations >= 0 && read.unrouted < 0) {
            read.unrouted = 0;
        }
    }
    pass = read;
    return true;
}

std::string read_version_line(std::string_view line) {
    const std::size_t name = find_word(line, "Freerouting v");
    std::size_t at;
    if (name != std::string_view::npos) {
        at = name + 13;
    } else {
        const std::size_t plain = find_word(line, "Freerouting ");
        if (plain == std::string_view::npos) return "";
        at = plain + 12;
    }
    if (at >= line.size() || !is_digit(line[at])) return "";
    std::size_t end = at;
    while (end < line.size() && !is_blank(line[end]) && line[end] != ',' && line[end] != ')' && end - at < 40) ++end;
    return std::string(line.substr(at, end - at));
}

bool read_class_version_line(std::string_view line, int& needed_java, int& running_java) {
    if (find_word(line, "UnsupportedClassVersionError") == std::string_view::npos &&
        find_word(line, "more recent version of the Java") == std::string_view::npos) {
        return false;
    }
    // Class file version 65 is Java 21: the versions run 44 apart.
    const auto java_of = [&](std::string_view after) {
        const std::size_t at = find_word(line, after);
        if (at == std::string_view::npos) return 0;
        std::size_t from = at + after.size();
        skip_blanks(line, from);
        double version = 0;
        if (!read_number(line, from, version) || version < 45 || version > 1000) return 0;
        return static_cast<int>(version) - 44;
    };
    needed_java = java_of("class file version");
    running_java = java_of("versions up to");
    return true;
}

std::vector<std::string> RouterLog::add(std::string_view text) {
    pending_.append(text);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = pending_.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        note_line(line);
        lines.push_back(std::move(line));
    }
    pending_.erase(0, start);
    return lines;
}

std::vector<std::string> RouterLog::finish() {
    if (pending_.empty()) return {};
    std::vector<std::string> lines = add("\n");
    return lines;
}

void RouterLog::note_line(const std::string& line) {
    if (block_depth_ == 0) {
        // A block begins with its brace alone on a line; a log line has its time stamp first.
        std::size_t first = 0;
        while (first < line.size() && is_blank(line[first])) ++first;
        if (first >= line.size() || line[first] != '{') return;
        block_.clear();
    }
    // The braces of the JSON text, not those inside its strings.
    bool in_string = false;
    bool escaped = false;
    for (const char c : line) {
        if (in_string) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                in_string = false;
            }
        } else if (c == '"') {
            in_string = true;
        } else if (c == '{') {
            ++block_depth_;
        } else if (c == '}') {
            --block_depth_;
        }
    }
    block_ += line;
    block_ += '\n';
    // A block that runs past any sane size is no statistics block.
    if (block_depth_ > 0 && block_.size() < (1u << 20)) return;
    if (block_depth_ == 0) {
        nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(block_, nullptr, false);
        if (!parsed.is_discarded() && parsed.is_object()) statistics_ = std::move(parsed);
    }
    block_depth_ = 0;
    block_.clear();
}

}  // namespace tarnwick
