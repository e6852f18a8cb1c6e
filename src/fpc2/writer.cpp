#include "fpc2/writer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "board/units.h"
#include "core/errors.h"
#include "core/scan_record.h"
#include "fpc/reader.h"
#include "fpc2/dialect.h"
#include "fpc_writer/lengths.h"

namespace tarnwick {

namespace {

struct Fpc2Writer {
    std::FILE* out;
    const Board& board;
    const SourceText& source;

    // A line as read, with its own line end.
    void original(std::size_t i) const {
        const std::string& line = source.lines[i];
        std::fwrite(line.data(), 1, line.size(), out);
        if (i + 1 < source.lines.size() || source.final_line_end) std::fputc('\n', out);
    }

    // A line the writer made, with the file's line end.
    void made(const std::string& line) const {
        std::fwrite(line.data(), 1, line.size(), out);
        std::fputs(source.line_end.c_str(), out);
    }

    static const char* text_of(const std::string& line) { return skip_blanks(line.c_str()); }
    static std::string indent_of(const std::string& line) {
        return line.substr(0, static_cast<std::size_t>(text_of(line) - line.c_str()));
    }

    // The pos: line of a part as the parts reader reads it; when the part stands there still,
    // the line as read, else its new place, side and angle.
    void pos_line(std::size_t i, const Part& part) const {
        const std::string& line = source.lines[i];
        double x = 0, y = 0;
        unsigned side = 0, rotation = 0, locked = 0;
        const int got = scan_record(text_of(line) + std::strlen("pos:"), "%lf %lf %u %u %u", &x, &y, &side, &rotation, &locked);
        if (got == 5 && x * nm_to_inch == part.x && y * nm_to_inch == part.y && side == part.side &&
            convert_angle(rotation) == part.rotation && locked == part.locked) {
            original(i);
            return;
        }
        made(indent_of(line) + "pos: " + format_length(part.x * nm_per_inch) + " " + format_length(part.y * nm_per_inch) +
             strformat(" %u %u %u", part.side, convert_angle(part.rotation), part.locked));
    }

    // The nets' traces in the dialect, its layer numbers and the file's indentation: a connect
    // carries the merge of the file's connect of its number (of its last one when the net has
    // more now, none, -1, when it had none).
    std::vector<std::string> connect_lines(const Net& net, const std::vector<std::string>& merges,
                                           const std::string& indent, const std::string& vertex_indent) const {
        std::vector<std::string> lines;
        std::uint32_t number = 1;
        for (const Connect& connect : net.connects) {
            const std::size_t segments = connect.vertices.empty() ? 0 : connect.vertices.size() - 1;
            const std::string& merge = merges.empty() ? std::string("-1") : merges[std::min<std::size_t>(number - 1, merges.size() - 1)];
            lines.push_back(indent + strformat("connect: %u %d %d %u %u ", number++, static_cast<std::int32_t>(connect.start_pin),
                                               connect.end_pin, static_cast<unsigned>(segments), connect.locked) +
                            merge);
            for (std::size_t v = 0; v < connect.vertices.size(); ++v) {
                const Vertex& vertex = connect.vertices[v];
                const unsigned vertex_number = static_cast<unsigned>(v + 1);
                lines.push_back(vertex_indent + strformat("vtx: %u %d %d %u %u %d %d %u", vertex_number,
                                                          signed_rounded_length(vertex.x), signed_rounded_length(vertex.y),
                                                          layer_to_fpc2(source, vertex.layer), vertex.flag,
                                                          signed_rounded_length(vertex.via_pad_width),
                                                          signed_rounded_length(vertex.via_hole), vertex.tee_id));
                if (v < segments) {
                    lines.push_back(vertex_indent + strformat("seg: %u %u %d %u %u", vertex_number,
                                                              layer_to_fpc2(source, vertex.seg_layer),
                                                              signed_rounded_length(vertex.seg_width), vertex.seg_via_width,
                                                              vertex.seg_via_hole));
                }
            }
        }
        return lines;
    }

    // A line's text without its indentation, line end and trailing blanks.
    static std::string bare(const std::string& line) {
        std::string text = text_of(line);
        text = text.substr(0, text.find('\r'));
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
        return text;
    }

    // The traces of a net: as read when the board's are the file's, else written anew.
    void connects(const Net& net, const std::vector<std::size_t>& read, std::size_t pin_line) const {
        std::vector<std::string> merges;
        std::string indent = pin_line != 0 ? indent_of(source.lines[pin_line]) : std::string("  ");
        std::string vertex_indent = indent + "  ";
        bool indent_known = false;
        bool vertex_indent_known = false;
        for (std::size_t i : read) {
            const std::string& line = source.lines[i];
            const char* text = text_of(line);
            if (starts_with(text, "connect:")) {
                std::size_t start = 0, end = 0;
                const std::string values = bare(line);
                std::size_t p = std::strlen("connect:");
                // The sixth number is the merge.
                for (int field = 0; field < 6; ++field) {
                    while (p < values.size() && values[p] == ' ') ++p;
                    start = p;
                    while (p < values.size() && values[p] != ' ' && values[p] != '\t') ++p;
                    end = p;
                }
                merges.push_back(end > start ? values.substr(start, end - start) : std::string("-1"));
                if (!indent_known) indent = indent_of(line);
                indent_known = true;
            } else if (!vertex_indent_known) {
                vertex_indent = indent_of(line);
                vertex_indent_known = true;
            }
        }
        const std::vector<std::string> lines = connect_lines(net, merges, indent, vertex_indent);
        bool same = lines.size() == read.size();
        for (std::size_t k = 0; same && k < lines.size(); ++k) same = bare(lines[k]) == bare(source.lines[read[k]]);
        if (same) {
            for (std::size_t i : read) original(i);
            return;
        }
        for (const std::string& line : lines) made(line);
    }

    // The net: line with the count of the traces written; as read when that count stands.
    void net_line(std::size_t i, const Net& net) const {
        std::string line = source.lines[i];
        const std::size_t cut = line.find('\r');
        const std::string end = cut == std::string::npos ? "" : line.substr(cut);
        line = line.substr(0, cut);
        const std::size_t open = line.find('"');
        const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        unsigned pins = 0, traces = 0;
        if (close == std::string::npos || std::sscanf(line.c_str() + close + 1, "%u %u", &pins, &traces) != 2 ||
            traces == net.connects.size()) {
            original(i);
            return;
        }
        // The second number after the name is the trace count.
        std::size_t p = close + 1;
        for (int field = 0; field < 2; ++field) {
            while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
            const std::size_t start = p;
            while (p < line.size() && line[p] != ' ' && line[p] != '\t') ++p;
            if (field == 1) line.replace(start, p - start, std::to_string(net.connects.size()));
        }
        made(line);
    }

    static bool is_trace_line(const char* text) {
        return starts_with(text, "connect:") || starts_with(text, "vtx:") || starts_with(text, "seg:");
    }

    // One net's lines, from its net: line up to the next net or section: the traces are the
    // board's, written where the file had its first trace, else before its first area, else
    // after its last record.
    void net_block(std::size_t first, std::size_t end, const Net* net) const {
        if (net == nullptr) {
            for (std::size_t i = first; i < end; ++i) original(i);
            return;
        }
        std::size_t at = end;
        std::size_t last_record = first;
        std::size_t pin_line = 0;
        std::vector<std::size_t> read;
        for (std::size_t i = first + 1; i < end; ++i) {
            const char* text = text_of(source.lines[i]);
            if (!is_blank(text)) last_record = i;
            if (pin_line == 0 && starts_with(text, "pin:")) pin_line = i;
            if (is_trace_line(text)) read.push_back(i);
            if (at == end && (is_trace_line(text) || starts_with(text, "area:"))) at = i;
        }
        if (at == end) at = last_record + 1;
        net_line(first, *net);
        for (std::size_t i = first + 1; i < end; ++i) {
            if (i == at) connects(*net, read, pin_line);
            if (!is_trace_line(text_of(source.lines[i]))) original(i);
        }
        if (at == end) connects(*net, read, pin_line);
    }

    void write() const {
        const std::size_t count = source.lines.size();
        Fpc2Section section = Fpc2Section::None;
        std::size_t part = 0;
        std::size_t net = 0;
        const Part* current_part = nullptr;
        for (std::size_t i = 0; i < count;) {
            const char* text = text_of(source.lines[i]);
            const Fpc2Section header = fpc2_section_of(text);
            if (header != Fpc2Section::None) {
                section = header;
                current_part = nullptr;
                original(i++);
                continue;
            }
            if (section == Fpc2Section::Parts) {
                if (starts_with(text, "part:")) {
                    current_part = part < board.parts.size() ? &board.parts[part] : nullptr;
                    ++part;
                } else if (current_part != nullptr && starts_with(text, "pos:")) {
                    pos_line(i++, *current_part);
                    continue;
                }
            } else if (section == Fpc2Section::Nets && starts_with(text, "net:")) {
                std::size_t end = i + 1;
                while (end < count && !starts_with(text_of(source.lines[end]), "net:") &&
                       fpc2_section_of(source.lines[end].c_str()) == Fpc2Section::None) {
                    ++end;
                }
                net_block(i, end, net < board.nets.size() ? &board.nets[net] : nullptr);
                ++net;
                i = end;
                continue;
            }
            original(i++);
        }
    }
};

}  // namespace

void write_fpc2_board(std::FILE* out, const Board& board) { Fpc2Writer{out, board, board.source}.write(); }

}  // namespace tarnwick
