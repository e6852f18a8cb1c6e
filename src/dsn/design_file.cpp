#include "dsn/design_file.h"

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

DesignFile::DesignFile(OutputFile output) : output_(std::move(output)) {}

DesignFile::DesignFile(std::FILE* stream) : output_(stream) {}

int DesignFile::adjust_indent(int delta) {
    const int level = indent_level_ + delta;
    if (level > max_indent_level) {
        indent_level_ = max_indent_level;
    } else if (level < 0) {
        indent_level_ = 0;
    } else {
        indent_level_ = level;
    }
    indent_string_.assign(static_cast<std::size_t>(4 * indent_level_), ' ');
    return indent_level_;
}

void DesignFile::open_record(const char* text) {
    std::fprintf(stream(), "\n%s%s", indent_string(), text);
    adjust_indent(+1);
}

void DesignFile::close_record() {
    adjust_indent(-1);
    std::fprintf(stream(), "\n%s)", indent_string());
}

void DesignFile::write_point(double x_mil, double y_mil) {
    // The lines the file holds most of: their numbers are made as "%1.2lf" makes them, but faster.
    char x[fixed_text_size];
    char y[fixed_text_size];
    std::fprintf(stream(), "\n%s%s  %s", indent_string(), format_fixed(x, x_mil, 2), format_fixed(y, y_mil, 2));
}

void DesignFile::expect_level(int expected, int code, const char* message) {
    if (adjust_indent(0) != expected) fatal_error(code, message);
}

bool DesignFile::close() { return output_.commit(); }

void NameList::add(const std::string& name) {
    if (count_ < named) text_ += (count_ == 0 ? "" : ", ") + name;
    ++count_;
}

std::string NameList::text() const {
    return count_ > named ? text_ + strformat(" and %u more", count_ - named) : text_;
}

std::string design_file_name(const std::string& specctraname) {
    return with_default_extension(specctraname, ".dsn");
}

DesignFile open_design_file(const RunSettings& settings) {
    const std::string name = design_file_name(settings.specctraname);
    // The same file under another spelling would be overwritten just as surely.
    if (same_file(name, settings.fpcname)) {
        fatal_error(40163, "Design (.DSN) file name matches FreePCB (.FPC) file name, restart without file extensions");
    }
    OutputFile output(name);
    if (!output.is_open()) fatal_error(41480, strformat("unable to open \"%s\" for output", name.c_str()));
    return DesignFile(std::move(output));
}

void write_dsn_header(DesignFile& file, const Board& board) {
    std::FILE* out = file.stream();
    file.expect_level(0, 40175, "hdr start indent level");
    std::fprintf(out, "(PCB \"%s\"", board.options.project_name.c_str());
    file.adjust_indent(+1);
    file.open_record("(parser");
    std::fprintf(out, "\n%s(string_quote \")", file.indent_string());
    std::fprintf(out, "\n%s(space_in_quoted_tokens on)", file.indent_string());
    std::fprintf(out, "\n%s(host_cad \"FreePCB Ver %1.3lf\")", file.indent_string(), board.options.version);
    std::fprintf(out, "\n%s(host_version \"translated by: Tarnwick Ver %1.3lf%c\")", file.indent_string(),
                 program_version, release_letter);
    std::fprintf(out, "\n%s(case_sensitive on)", file.indent_string());
    file.adjust_indent(-1);
    std::fprintf(out, "\n%s)\n%s(resolution mil 100)", file.indent_string(), file.indent_string());
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
    DesignFile file = open_design_file(settings);
    write_design_sections(file, board, settings);
    if (!file.close()) return 1;
    std::fprintf(console(), "\n  File \"%s\" created.\n", design_file_name(settings.specctraname).c_str());
    return 0;
}

}  // namespace tarnwick
