#include "dsn/design_file.h"

#include <algorithm>
#include <array>
#include <utility>

#include "board/precision.h"
#include "core/errors.h"
#include "core/file_names.h"
#include "dsn/library.h"
#include "dsn/network.h"
#include "dsn/placement.h"
#include "dsn/structure.h"
#include "dsn/wiring.h"

namespace tarnwick {

namespace {

// The blanks of the deepest indentation; each level's is the end of them.
constexpr std::size_t most_blanks = 4 * max_indent_level;
constexpr auto blanks = [] {
    std::array<char, most_blanks + 1> text{};
    for (std::size_t i = 0; i < most_blanks; ++i) text[i] = ' ';
    return text;
}();

std::string_view indentation(int level) {
    const auto length = static_cast<std::size_t>(4 * level);
    return {blanks.data() + most_blanks - length, length};
}

}  // namespace

DesignFile::DesignFile(OutputFile output) : output_(std::move(output)), indent_(indentation(0)) {}

DesignFile::DesignFile(std::FILE* stream) : output_(stream), indent_(indentation(0)) {}

int DesignFile::adjust_indent(int delta) {
    const int level = indent_level_ + delta;
    if (level > max_indent_level) {
        indent_level_ = max_indent_level;
    } else if (level < 0) {
        indent_level_ = 0;
    } else {
        indent_level_ = level;
    }
    indent_ = indentation(indent_level_);
    return indent_level_;
}

void DesignFile::open_record(const char* text) {
    put_line({text});
    adjust_indent(+1);
}

void DesignFile::close_record() {
    adjust_indent(-1);
    put_line({")"});
}

void DesignFile::write_point(double x_mil, double y_mil) {
    // The lines the file holds most of: their numbers are made as "%1.2lf" makes them, but faster.
    char x[fixed_text_size];
    char y[fixed_text_size];
    put_line({format_fixed(x, x_mil, 2), "  ", format_fixed(y, y_mil, 2)});
}

void DesignFile::put_line(std::initializer_list<std::string_view> texts) {
    // Gathered and written 64 KiB at a time: one write call per line costs more than the line.
    lines_ += '\n';
    lines_ += indent_;
    for (const std::string_view text : texts) lines_ += text;
    if (lines_.size() >= (std::size_t{1} << 16)) flush_lines();
}

void DesignFile::flush_lines() {
    if (lines_.empty() || output_.stream() == nullptr) return;
    std::fwrite(lines_.data(), 1, lines_.size(), output_.stream());
    lines_.clear();
}

void DesignFile::expect_level(int expected, int code, const char* message) {
    if (adjust_indent(0) != expected) fatal_error(code, message);
}

bool DesignFile::close() {
    flush_lines();
    return output_.commit();
}

void NameList::add(const std::string& name) {
    if (count_ < named) text_ += (count_ == 0 ? "" : ", ") + name;
    ++count_;
}

std::string NameList::text() const {
    return count_ > named ? text_ + strformat(" and %u more", count_ - named) : text_;
}

void warn_left_out(const NameList& names, const char* noun, const char* what) {
    if (names.count() == 0) return;
    std::fprintf(console(), "\n  Warning: %u %s%s %s left out of the design file: %s\n", names.count(), noun,
                 names.count() == 1 ? "" : "s", what, names.text().c_str());
}

DesignFile open_design_file(const RunSettings& settings) {
    const std::string& name = settings.specctraname;
    // The same file under another spelling would be overwritten just as surely.
    if (same_file(name, settings.fpcname)) {
        fatal_error(40163, "Design (.DSN) file name matches FreePCB (.FPC) file name, restart without file extensions");
    }
    OutputFile output(name);
    if (!output.is_open()) fatal_error(41480, strformat("unable to open \"%s\" for output", name.c_str()));
    return DesignFile(std::move(output));
}

char choose_string_quote(const Board& board) {
    const auto has = [](const std::string& name, char c) { return name.find(c) != std::string::npos; };
    const bool double_quote = std::any_of(board.parts.begin(), board.parts.end(),
                                          [&](const Part& part) { return has(part.ref, '"'); }) ||
                              std::any_of(board.nets.begin(), board.nets.end(), [&](const Net& net) {
                                  return std::any_of(net.pins.begin(), net.pins.end(),
                                                     [&](const NetPin& pin) { return has(pin.pin_ref, '"'); });
                              });
    if (!double_quote) return '"';
    const auto refuse = [](const char* what, const std::string& name) {
        fatal_error(40170, strformat("%s \"%s\" holds a ' and the board has a name that holds a \", which the router "
                                     "cannot both read whole: rename one of them in the editor",
                                     what, name.c_str()));
    };
    for (const Part& part : board.parts) {
        if (has(part.ref, '\'')) refuse("part", part.ref);
    }
    for (const Footprint& footprint : board.footprints) {
        if (has(footprint.name, '\'')) refuse("footprint", footprint.name);
        for (const FootprintPin& pin : footprint.pins) {
            if (has(pin.name, '\'')) refuse("pin", footprint.name + "." + pin.name);
        }
    }
    for (const Net& net : board.nets) {
        if (has(net.name, '\'')) refuse("net", net.name);
        for (const NetPin& pin : net.pins) {
            if (has(pin.pin_ref, '\'')) refuse("net pin", pin.pin_ref);
        }
    }
    return '\'';
}

void write_dsn_header(DesignFile& file, const Board& board) {
    file.expect_level(0, 40175, "hdr start indent level");
    // The name and the parser's texts stay in double quotes: the router reads them before, or
    // while, it learns the string quote.
    std::fprintf(file.stream(), "(PCB \"%s\"", board.options.project_name.c_str());
    file.adjust_indent(+1);
    file.open_record("(parser");
    std::fprintf(file.stream(), "\n%s(string_quote %c)", file.indent_string(), file.string_quote());
    std::fprintf(file.stream(), "\n%s(space_in_quoted_tokens on)", file.indent_string());
    std::fprintf(file.stream(), "\n%s(host_cad \"FreePCB Ver %1.3lf\")", file.indent_string(), board.options.version);
    std::fprintf(file.stream(), "\n%s(host_version \"translated by: Tarnwick Ver %1.3lf%c\")", file.indent_string(),
                 program_version, release_letter);
    std::fprintf(file.stream(), "\n%s(case_sensitive on)", file.indent_string());
    file.adjust_indent(-1);
    std::fprintf(file.stream(), "\n%s)\n%s(resolution mil 100)", file.indent_string(), file.indent_string());
    file.expect_level(1, 40189, "hdr end indent level");
}

void write_design_sections(DesignFile& file, const Board& board, const RunSettings& settings) {
    write_dsn_header(file, board);
    write_structure(file, board, settings);
    write_placement(file, board);
    write_library(file, board);
    write_network(file, board, settings);
    write_wiring(file, board);
}

int write_design_file(const Board& board, const RunSettings& settings) {
    const char quote = choose_string_quote(board);
    DesignFile file = open_design_file(settings);
    file.set_string_quote(quote);
    write_design_sections(file, board, settings);
    if (!file.close()) return 1;
    std::fprintf(console(), "\n  File \"%s\" created.\n", settings.specctraname.c_str());
    return 0;
}

}  // namespace tarnwick
