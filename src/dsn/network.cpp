#include "dsn/network.h"

#include "board/pads.h"
#include "board/units.h"
#include "core/errors.h"
#include "dsn/library.h"

namespace tarnwick {

namespace {

// The net pins the design file leaves out and names in a warning.
struct LeftOutPins {
    NameList unknown_pins;   // naming a pin their part's footprint lacks
    NameList unknown_parts;  // naming no part of the board
};

void write_pins(DesignFile& file, const NodeIndex& index, const Net& net, LeftOutPins& left_out) {
    file.open_record("(pins");
    const char quote_char = file.string_quote();
    const std::string_view quote(&quote_char, 1);
    std::string_view ref;
    std::string_view pin;
    for (const NetPin& node : net.pins) {
        const NodeKind kind = split_pin_ref(node.pin_ref, ref, pin) ? check_net_node(index, ref, pin) : NodeKind::unknown_part;
        if (kind == NodeKind::pad) {
            file.put_line({quote, ref, quote, "-", quote, pin, quote});
        } else if (kind == NodeKind::unknown_pin) {
            left_out.unknown_pins.add(node.pin_ref);
        } else if (kind == NodeKind::unknown_part) {
            left_out.unknown_parts.add(node.pin_ref);
        }
    }
    file.close_record();
}

// The unrouted pin-to-pin rat-lines of a net as from-to requests, as far as the -F mode asks.
void write_fromtos(DesignFile& file, const NodeIndex& index, const Net& net, std::uint32_t mode) {
    if (mode != 3 && !((mode == 1 || mode == 2) && net.locked_connects > 0)) return;
    std::string_view start_ref;
    std::string_view start_pin;
    std::string_view end_ref;
    std::string_view end_pin;
    for (const Connect& connect : net.connects) {
        if (connect.is_ratline == 0) continue;
        if (mode == 1 && connect.locked == 0) continue;
        // A rat-line's ends were checked against the pin list when the net was read.
        const auto end = static_cast<std::uint32_t>(connect.end_pin);
        if (connect.start_pin >= net.pins.size() || end >= net.pins.size()) continue;
        // An end the pin list left out is no node the router knows.
        if (!split_pin_ref(net.pins[connect.start_pin].pin_ref, start_ref, start_pin) ||
            !split_pin_ref(net.pins[end].pin_ref, end_ref, end_pin) ||
            check_net_node(index, start_ref, start_pin) != NodeKind::pad ||
            check_net_node(index, end_ref, end_pin) != NodeKind::pad) {
            continue;
        }
        std::fprintf(file.stream(), "\n%s(fromto %s-%s %s-%s)", file.indent_string(), file.quoted(start_ref).c_str(),
                     file.quoted(start_pin).c_str(), file.quoted(end_ref).c_str(), file.quoted(end_pin).c_str());
    }
}

void write_net(DesignFile& file, const NodeIndex& index, const Net& net, std::uint32_t mode, LeftOutPins& left_out) {
    file.put_line({"(net \"", net.name, "\""});
    if (net.pins.empty()) {
        file.put_line({")"});
        return;
    }
    file.adjust_indent(+1);
    write_pins(file, index, net, left_out);
    write_fromtos(file, index, net, mode);
    file.close_record();
}

void write_vias_and_rules(DesignFile& file, const Board& board) {
    for (std::uint32_t i = 0; i < board.padstacks.size(); ++i) {
        if (board.padstacks[i].is_via != 0) {
            const std::string name = padstack_name(board, i);
            std::fprintf(file.stream(), "\n%s(via %s %s via)", file.indent_string(), name.c_str(), name.c_str());
        }
    }
    std::fprintf(file.stream(), "\n%s(via_rule default %s)", file.indent_string(), padstack_name(board, 0).c_str());
    for (std::uint32_t i = 1; i < board.padstacks.size(); ++i) {
        if (board.padstacks[i].is_via != 0) {
            const std::string name = padstack_name(board, i);
            std::fprintf(file.stream(), "\n%s(via_rule %s %s)", file.indent_string(), name.c_str(), name.c_str());
        }
    }
}

// Net names four to a line, each followed by two blanks.
class ClassMembers {
public:
    explicit ClassMembers(DesignFile& file) : file_(file) {}
    void add(const Net& net) {
        if (count_++ % 4 == 0) std::fprintf(file_.stream(), "\n%s", file_.indent_string());
        std::fprintf(file_.stream(), "\"%s\"  ", net.name.c_str());
    }

private:
    DesignFile& file_;
    std::uint32_t count_ = 0;
};

void write_classes(DesignFile& file, const Board& board) {
    file.open_record("(class default");
    ClassMembers defaults(file);
    for (const Net& net : board.nets) {
        if (net.reserved == 0 && net.net_class == 0) defaults.add(net);
    }
    std::fprintf(file.stream(), "\n%s(clearance_class default)\n%s(via_rule default)", file.indent_string(),
                 file.indent_string());
    file.close_record();

    for (std::size_t i = 1; i < board.net_classes.size(); ++i) {
        const NetClass& net_class = board.net_classes[i];
        std::fprintf(file.stream(), "\n%s(class C%u", file.indent_string(), static_cast<unsigned>(i));
        file.adjust_indent(+1);
        ClassMembers members(file);
        for (std::uint32_t index : net_class.nets) {
            if (index < board.nets.size()) members.add(board.nets[index]);
        }
        std::fprintf(file.stream(), "\n%s(clearance_class default)", file.indent_string());
        const std::uint32_t via = net_class.via_padstack;
        const std::string via_name = via != 0 && via < board.padstacks.size() ? padstack_name(board, via) : "default";
        std::fprintf(file.stream(), "\n%s(via_rule %s)", file.indent_string(), via_name.c_str());
        std::fprintf(file.stream(), "\n%s(rule (width %1.2lf))", file.indent_string(), net_class.trace_width * inch_to_mil);
        file.close_record();
    }
}

}  // namespace

NodeIndex::NodeIndex(const Board& board) : board_(board), pins_(board.footprints.size()) {
    parts_.reserve(board.parts.size());
    for (std::size_t i = 0; i < board.parts.size(); ++i) parts_.try_emplace(board.parts[i].ref, static_cast<std::uint32_t>(i));
    footprints_.reserve(board.footprints.size());
    for (std::size_t i = 0; i < board.footprints.size(); ++i) {
        const Footprint& footprint = board.footprints[i];
        footprints_.try_emplace(footprint.name, static_cast<std::uint32_t>(i));
        pins_[i].reserve(footprint.pins.size());
        for (std::size_t k = 0; k < footprint.pins.size(); ++k) {
            pins_[i].try_emplace(footprint.pins[k].name, static_cast<std::uint32_t>(k));
        }
    }
    // Each part's footprint found by its name once, not once for each of its net pins.
    part_footprints_.reserve(board.parts.size());
    for (const Part& part : board.parts) part_footprints_.push_back(footprint(part.shape));
}

const Part* NodeIndex::part(std::string_view ref) const {
    const std::uint32_t* found = parts_.find(ref);
    return found == nullptr ? nullptr : &board_.parts[*found];
}

const Footprint* NodeIndex::footprint(std::string_view name) const {
    const std::uint32_t* found = footprints_.find(name);
    return found == nullptr ? nullptr : &board_.footprints[*found];
}

const Footprint* NodeIndex::footprint_of(const Part& part) const {
    return part_footprints_[static_cast<std::size_t>(&part - board_.parts.data())];
}

const FootprintPin* NodeIndex::pin(const Footprint& footprint, std::string_view name) const {
    const std::size_t f = static_cast<std::size_t>(&footprint - board_.footprints.data());
    const std::uint32_t* found = pins_[f].find(name);
    return found == nullptr ? nullptr : &footprint.pins[*found];
}

NodeKind check_net_node(const NodeIndex& index, std::string_view ref, std::string_view pin) {
    const Part* part = index.part(ref);
    // A pin of a part the board does not have (a board utility's import keeps the nets of parts
    // it left behind) carries nothing the router could connect; the editor keeps it, and so does
    // the board.
    if (part == nullptr) return NodeKind::unknown_part;
    // A part without a footprint is not on the router's board: its pins are no nodes there.
    if (!has_router_image(*part)) return NodeKind::no_pad;
    const Footprint* footprint = index.footprint_of(*part);
    if (footprint == nullptr) {
        fatal_error(41116, strformat("Part \"%s\" has unknown footprint: \"%s\"", std::string(ref).c_str(), part->shape.c_str()));
    }
    const FootprintPin* found = index.pin(*footprint, pin);
    // A pin the footprint lacks carries no copper on the board: the editor keeps such a net pin
    // (a mounting hole's second pin, say), and so does the board; the router cannot be given it.
    if (found == nullptr) return NodeKind::unknown_pin;
    // Only a pin with copper is a pin of the image; a bare hole is no node the router could find.
    return is_image_pin(index.board(), *found) ? NodeKind::pad : NodeKind::no_pad;
}

void write_network(DesignFile& file, const Board& board, const RunSettings& settings) {
    file.expect_level(1, 41148, "network start indent level");
    file.open_record("(network");
    const NodeIndex index(board);
    LeftOutPins left_out;
    for (const Net& net : board.nets) {
        if (net.reserved == 0) write_net(file, index, net, settings.fromto_mode, left_out);
    }
    warn_left_out(left_out.unknown_pins, "net pin", "naming a pin its footprint lacks");
    warn_left_out(left_out.unknown_parts, "net pin", "naming a part the board does not have");
    write_vias_and_rules(file, board);
    write_classes(file, board);
    file.close_record();
    file.expect_level(1, 41270, "network end indent level");
}

}  // namespace tarnwick
