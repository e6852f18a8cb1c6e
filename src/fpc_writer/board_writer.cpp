#include "fpc_writer/board_writer.h"

#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "board/option_keys.h"
#include "board/units.h"
#include "core/output_file.h"
#include "fpc2/writer.h"
#include "fpc_writer/footprint_writer.h"
#include "fpc_writer/kept_lines.h"
#include "fpc_writer/lengths.h"

namespace tarnwick {

namespace {

// A length in nanometres as format_length writes it.
std::string nm_text(double inches) { return format_length(inches * nm_per_inch); }

void write_grid(std::FILE* out, const char* family, const GridList& grid) {
    std::fprintf(out, "%s_spacing: %1.6lf\n", family, grid.spacing * nm_per_inch);
    for (const std::string& item : grid.items) std::fprintf(out, "  %s_item: %s\n", family, item.c_str());
}

// The option's line, and the lines that belong to it, unless it is left out: a key of a group
// that was not read, of a later version, or one whose value another key writes.
void write_option(std::FILE* out, const BoardOptions& o, const OptionKey& option) {
    if (!option.written) return;
    if (option.written_if != nullptr && !(o.*option.written_if)) return;
    if (option.written_above_version != 0 && !(o.version > option.written_above_version)) return;
    const bool quoted = option.start == ValueStart::after_quote;
    const char* key = option.key;
    switch (option.kind) {
        case OptionKind::Version:
            std::fprintf(out, "%s %5.3lf\n", key, o.version);
            break;
        case OptionKind::FileVersion:
            std::fprintf(out, "%s %5.3lf\n", key, o.file_version);
            break;
        case OptionKind::Text:
            std::fprintf(out, "%s \"%s\"\n", key, (o.*option.text).c_str());
            break;
        case OptionKind::Number:
            std::fprintf(out, quoted ? "%s \"%u\"\n" : "%s %u\n", key, o.*option.number);
            break;
        case OptionKind::Length:
            std::fprintf(out, quoted ? "%s \"%d\"\n" : "%s %d\n", key, signed_rounded_length(o.*option.length));
            break;
        case OptionKind::Units:
            std::fprintf(out, "%s %s\n", key, o.units == units_mil ? "MIL" : "MM");
            break;
        case OptionKind::Grid:
            write_grid(out, key, o.*option.grid);
            break;
        case OptionKind::WidthMenu:
            std::fprintf(out, "%s %u\n", key, static_cast<unsigned>(o.width_menu.size()));
            for (std::size_t i = 0; i < o.width_menu.size(); ++i) {
                const WidthMenuItem& item = o.width_menu[i];
                std::fprintf(out, "  %s %u %d %d %d\n", width_menu_item_key, static_cast<unsigned>(i + 1),
                             signed_rounded_length(item.width), signed_rounded_length(item.via_pad_width),
                             signed_rounded_length(item.via_hole));
            }
            break;
        case OptionKind::CopperLayers: {
            std::fprintf(out, "%s %u\n", key, o.n_copper_layers);
            // A board without a layer list still gets the twelve non-copper entries, empty.
            const LayerListEntry empty;
            for (std::uint32_t i = 0; i < o.n_copper_layers + non_copper_layers; ++i) {
                const LayerListEntry& layer = i < o.layer_list.size() ? o.layer_list[i] : empty;
                std::fprintf(out, "  %s \"%s\" %u %u %u %u %u\n", layer_info_key, layer.name.c_str(), i, layer.color[0],
                             layer.color[1], layer.color[2], layer.visible);
            }
            break;
        }
        case OptionKind::BlankLine:
            std::fprintf(out, "\n");
            break;
    }
}

void write_options(std::FILE* out, const BoardOptions& o, KeptLines& kept) {
    std::fprintf(out, "[options]\n\n");
    kept.through({kept_options, 0}, KeptLines::Gap::written);
    for (std::size_t i = 0; i < option_key_count; ++i) {
        write_option(out, o, option_keys[i]);
        kept.through({kept_options, static_cast<std::uint32_t>(i + 1)});
    }
    kept.through_section(kept_options);
}

void write_corners(std::FILE* out, const std::vector<OutlineCorner>& corners) {
    std::uint32_t number = 1;
    for (const OutlineCorner& corner : corners) {
        std::fprintf(out, "  corner: %u %s ", number++, nm_text(corner.x).c_str());
        std::fprintf(out, "%s %u\n", nm_text(corner.y).c_str(), corner.style);
    }
}

// Board outlines and solder-mask cutouts. A short outline is written with all its announced
// corners, those the file lacked at (0, 0), so that its line count matches its corner count.
void write_outlines(std::FILE* out, const Board& board, KeptLines& kept) {
    std::fprintf(out, "\n[board]\n");
    kept.through({kept_outlines, 0});
    for (std::size_t i = 0; i < board.outlines.size(); ++i) {
        const BoardOutline& outline = board.outlines[i];
        std::fprintf(out, "\noutline: %u %u\n", static_cast<unsigned>(outline.corners.size()),
                     static_cast<unsigned>(i));
        write_corners(out, outline.corners);
        kept.through({kept_outlines, static_cast<std::uint32_t>(i + 1)});
    }
    kept.through_section(kept_outlines);
    std::fprintf(out, "\n[solder_mask_cutouts]\n");
    kept.through({kept_cutouts, 0});
    std::uint32_t number = 1;
    for (const SmCutout& cutout : board.sm_cutouts) {
        std::fprintf(out, "\nsm_cutout: %u %u %u\n", static_cast<unsigned>(cutout.corners.size()),
                     cutout.hatch, cutout.layer);
        write_corners(out, cutout.corners);
        kept.through({kept_cutouts, number++});
    }
    kept.through_section(kept_cutouts);
}

// Record lines, their numbers as "%u" and "%d" print them, put together in a buffer and
// written a buffer at a time: the lines of parts and traces are most of a routed board, and
// printf's reading of their formats, then a string's growing, then a write call per line were
// most of the time its writing took. Whatever else writes to the stream (the kept lines) must
// flush() first.
class RecordLine {
public:
    explicit RecordLine(std::FILE* out) : out_(out), buffer_(new char[buffer_size]) {}
    RecordLine(const RecordLine&) = delete;
    RecordLine& operator=(const RecordLine&) = delete;
    ~RecordLine() { flush(); }

    RecordLine& start(std::string_view key) {
        put(key);
        return *this;
    }
    RecordLine& text(std::string_view word) {
        put(' ');
        put(word);
        return *this;
    }
    RecordLine& quoted(std::string_view word) {
        put(" \"");
        put(word);
        put('"');
        return *this;
    }
    // A length in nanometres, as format_length writes it.
    RecordLine& length(double inches) { return text(format_length(inches * nm_per_inch)); }
    template <typename Integer>
    RecordLine& number(Integer value) {
        static_assert(std::is_same_v<Integer, std::uint32_t> || std::is_same_v<Integer, std::int32_t>);
        if (size_ + 1 + number_max > buffer_size) flush();
        char* const buffer = buffer_.get();
        buffer[size_++] = ' ';
        size_ = static_cast<std::size_t>(std::to_chars(buffer + size_, buffer + buffer_size, value).ptr - buffer);
        return *this;
    }
    void write() { put('\n'); }
    void flush() {
        std::fwrite(buffer_.get(), 1, size_, out_);
        size_ = 0;
    }

private:
    static constexpr std::size_t buffer_size = 65536;
    static constexpr std::size_t number_max = 11;  // "-2147483648"
    void put(char c) {
        if (size_ == buffer_size) flush();
        buffer_[size_++] = c;
    }
    // A text longer than the buffer (a long name) goes out on its own: the file is the same.
    void put(std::string_view text) {
        if (size_ + text.size() > buffer_size) {
            flush();
            if (text.size() > buffer_size) {
                std::fwrite(text.data(), 1, text.size(), out_);
                return;
            }
        }
        if (text.empty()) return;
        std::memcpy(buffer_.get() + size_, text.data(), text.size());
        size_ += text.size();
    }

    std::FILE* out_;
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0;
};

// The kept lines through `place`, after the record lines before them.
void kept_through(KeptLines& kept, RecordLine& line, const KeptPlace& place,
                  KeptLines::Gap gap = KeptLines::Gap::as_read) {
    if (!kept.pending(place)) return;
    line.flush();
    kept.through(place, gap);
}

void write_parts(std::FILE* out, const Board& board, KeptLines& kept) {
    const BoardOptions& o = board.options;
    const bool long_records = o.version > 1.3431;
    std::fprintf(out, "\n\n[parts]\n");
    kept.through({kept_parts, 0});
    std::uint32_t number = 0;
    RecordLine line(out);
    for (const Part& part : board.parts) {
        ++number;
        const auto after = [&](PartSlot slot) { kept_through(kept, line, {kept_parts, number, slot}); };
        line.start("\npart:").text(part.ref).write();
        after(part_header);
        // A part without footprint gets the empty ref_text: and shape: lines the editor wrote.
        if (part.no_footprint) {
            line.start("  ref_text: ").write();
        } else {
            line.start("  ref_text:").length(part.ref_text.height).length(part.ref_text.stroke_width);
            line.number(convert_angle(part.ref_text.angle)).length(part.ref_text.x).length(part.ref_text.y);
            if (long_records) line.number(part.ref_text_visible);
            line.write();
        }
        after(part_ref_text);
        if (o.always_write_package || !part.package.empty()) line.start("  package:").quoted(part.package).write();
        after(part_package);
        if (long_records && !part.value.empty()) {
            line.start("  value:").quoted(part.value).length(part.value_text.height).length(part.value_text.stroke_width);
            line.number(convert_angle(part.value_text.angle)).length(part.value_text.x).length(part.value_text.y);
            line.number(part.value_visible).write();
        }
        after(part_value);
        // A part read without a shape: line is written without one: an empty shape could not be
        // read back.
        if (part.no_footprint) {
            line.start("  shape: ").write();
        } else if (!part.shape.empty()) {
            line.start("  shape:").quoted(part.shape).write();
        }
        after(part_shape);
        line.start("  pos:").length(part.x).length(part.y).number(part.side).number(convert_angle(part.rotation));
        line.number(part.locked).write();
        after(part_pos);
        // What stood past the blank line that ended the part stays outside it.
        kept_through(kept, line, {kept_parts, number, part_after}, KeptLines::Gap::apart);
    }
    line.flush();
    kept.through_section(kept_parts);
}

void write_connect(RecordLine& line, std::uint32_t number, const Connect& connect) {
    // The counts written are those of the records written, so that the file reads back.
    const std::size_t segments = connect.vertices.empty() ? 0 : connect.vertices.size() - 1;
    line.start("  connect:").number(number).number(static_cast<std::int32_t>(connect.start_pin)).number(connect.end_pin);
    line.number(static_cast<std::uint32_t>(segments)).number(connect.locked).write();
    for (std::size_t v = 0; v < connect.vertices.size(); ++v) {
        const Vertex& vertex = connect.vertices[v];
        const auto vertex_number = static_cast<std::uint32_t>(v + 1);
        line.start("    vtx:").number(vertex_number).number(signed_rounded_length(vertex.x));
        line.number(signed_rounded_length(vertex.y)).number(vertex.layer).number(vertex.flag);
        line.number(signed_rounded_length(vertex.via_pad_width)).number(signed_rounded_length(vertex.via_hole));
        line.number(vertex.tee_id).write();
        if (v < segments) {
            line.start("    seg:").number(vertex_number).number(vertex.seg_layer).number(signed_rounded_length(vertex.seg_width));
            line.number(vertex.seg_via_width).number(vertex.seg_via_hole).write();
        }
    }
}

void write_area(RecordLine& line, std::uint32_t number, const Area& area) {
    line.start("  area:").number(number).number(static_cast<std::uint32_t>(area.corners.size())).number(area.layer);
    line.number(area.hatch).write();
    std::uint32_t corner_number = 1;
    for (const AreaCorner& corner : area.corners) {
        line.start("    corner:").number(corner_number++).number(signed_rounded_length(corner.x));
        line.number(signed_rounded_length(corner.y)).number(corner.style).number(corner.end_contour).write();
    }
}

// Every net, the reserved ones (keepouts and power planes) too: a routed board without them
// would lose the user's keepout and plane areas.
void write_nets(std::FILE* out, const Board& board, KeptLines& kept) {
    std::fprintf(out, "\n[nets]\n");
    kept.through({kept_nets, 0});
    std::uint32_t net_number = 0;
    RecordLine line(out);
    for (const Net& net : board.nets) {
        line.start("\nnet:").quoted(net.name).number(static_cast<std::uint32_t>(net.pins.size()));
        line.number(static_cast<std::uint32_t>(net.connects.size())).number(static_cast<std::uint32_t>(net.areas.size()));
        line.number(signed_rounded_length(net.trace_width)).number(signed_rounded_length(net.via_pad_width));
        line.number(signed_rounded_length(net.via_hole)).number(net.visible).write();
        std::uint32_t number = 1;
        for (const NetPin& pin : net.pins) line.start("  pin:").number(number++).text(pin.pin_ref).write();
        number = 1;
        for (const Connect& connect : net.connects) write_connect(line, number++, connect);
        number = 1;
        for (const Area& area : net.areas) write_area(line, number++, area);
        kept_through(kept, line, {kept_nets, ++net_number});
    }
    line.flush();
    kept.through_section(kept_nets);
}

void write_texts(std::FILE* out, const Board& board, KeptLines& kept) {
    std::fprintf(out, "\n[texts]\n\n");
    kept.through({kept_texts, 0}, KeptLines::Gap::written);
    std::uint32_t number = 0;
    for (const BoardText& text : board.texts) {
        std::fprintf(out, "text: \"%s\" %d %d %u %u %u %d %d", text.text.c_str(), signed_rounded_length(text.x),
                     signed_rounded_length(text.y), text.layer, convert_angle(text.angle), text.mirror,
                     signed_rounded_length(text.height), signed_rounded_length(text.stroke_width));
        if (board.options.long_text_records) std::fprintf(out, " %u", text.negative);
        std::fprintf(out, "\n\n");
        kept.through({kept_texts, ++number}, KeptLines::Gap::written);
    }
    kept.through_section(kept_texts);
}

}  // namespace

void write_fpc_sections(std::FILE* out, const Board& board) {
    // A FreePCB-2 board is written in its dialect, as read wherever nothing changed.
    if (board.file_format == BoardFileFormat::fpc2) {
        write_fpc2_board(out, board);
        return;
    }
    // The lines of the file that are no record of the writer's come back after the record they
    // followed.
    KeptLines kept(out, board.kept);
    write_options(out, board.options, kept);
    write_footprints(out, board, kept);
    write_outlines(out, board, kept);
    write_parts(out, board, kept);
    write_nets(out, board, kept);
    write_texts(out, board, kept);
    std::fprintf(out, "[end]\n");
    kept.through_section(kept_end);
}

void write_routed_fpc_file(const Board& board, const RunSettings& settings, Diagnostics& diagnostics) {
    const std::string& name = settings.routed_fpcname;
    diagnostics.fpc_name = name;

    // Written under a temporary name: a failure leaves no half-written board and an earlier one intact.
    OutputFile file(name);
    if (!file.is_open()) fatal_error(20043, strformat("unable to open %s for output", name.c_str()));
    write_fpc_sections(file.stream(), board);
    // A full disk or a failing device must not pass for a written file.
    if (!file.commit()) fatal_error(20044, strformat("error writing %s", name.c_str()));
    std::fprintf(console(), "\n\n    File \"%s\" created,\n\n", name.c_str());
}

}  // namespace tarnwick
