#pragma once
// Runs the session importer in the tests: a board built in memory with nets whose pins lie where
// the test puts them, a session text in memory, the session line counter and the console text.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "board/board.h"
#include "core/settings.h"
#include "section_support.h"
#include "session/back_annotation.h"
#include "session/session.h"

namespace tarnwick::test {

struct PinAt {
    const char* ref;
    double x;  // inch
    double y;
    std::uint32_t layer;  // 0 drilled, 12 top, 13 bottom
};

inline Net& add_net(Board& board, const std::string& name, std::initializer_list<PinAt> pins = {}) {
    Net& net = board.nets.emplace_back();
    net.name = name;
    for (const PinAt& pin : pins) net.pins.push_back(NetPin{pin.ref, pin.x, pin.y, pin.layer});
    net.pin_count = static_cast<std::uint32_t>(net.pins.size());
    return net;
}

inline Part& add_part(Board& board, const std::string& ref, double x = 0, double y = 0) {
    Part& part = board.parts.emplace_back();
    part.ref = ref;
    part.x = x;
    part.y = y;
    return part;
}

// A session whose placement is empty and whose network is `network`, at `resolution`. Its network
// records begin on line `network_first_line`; unless `closed`, the file ends with them.
inline std::string session_text(const std::string& network, const char* resolution = "mil 100", bool closed = true) {
    return std::string("(session s\n  (base_design s)\n  (placement\n    (resolution mil 100)\n  )\n  (was_is\n  )\n") +
           "  (routes\n    (resolution " + resolution + ")\n    (parser\n      (host_cad \"x\")\n    )\n" +
           "    (network_out\n" + network + (closed ? "    )\n  )\n)\n" : "");
}
inline constexpr std::uint32_t network_first_line = 14;

struct SessionRun {
    Board board = board_with_copper_layers(2);
    RunSettings settings;
    std::uint32_t line = 0;  // the session line counter as the importer left it
    std::unique_ptr<Session> session;
    ConnectionCount connections;  // of a whole back-annotation
    std::string console;

    void open(const std::string& text) {
        session = std::make_unique<Session>("s.ses", std::vector<char>(text.begin(), text.end()), line);
    }

    // Runs `step` (given the session and the board) on `text`, keeping the console text also
    // when it fails.
    template <typename Step>
    void run(const std::string& text, Step step) {
        open(text);
        capture([&] { step(*session, board); });
    }

    // The whole back-annotation of `text`: the board becomes the routed board, and the session
    // and the connection count are kept; the console text is kept also when it fails.
    void back_annotate(const std::string& text) {
        add_parts_of_pins();
        capture([&] {
            BackAnnotation done =
                tarnwick::back_annotate(board, "s.ses", std::vector<char>(text.begin(), text.end()), line);
            session = std::make_unique<Session>(std::move(done.session));
            connections = done.connections;
        });
    }

private:
    // Every part a net pin names, where the test added none: one with no footprint of the table,
    // so that its pins stay where the test put them (a pin naming no part has no place).
    void add_parts_of_pins() {
        std::set<std::string> refs;
        for (const Part& part : board.parts) refs.insert(part.ref);
        std::string_view ref;
        std::string_view pin;
        for (const Net& net : board.nets) {
            for (const NetPin& net_pin : net.pins) {
                if (!split_pin_ref(net_pin.pin_ref, ref, pin) || !refs.insert(std::string(ref)).second) continue;
                Part& part = board.parts.emplace_back();
                part.ref = ref;
                part.footprint = UINT32_MAX;
            }
        }
    }

    template <typename Step>
    void capture(Step step) {
        testing::internal::CaptureStderr();
        try {
            step();
        } catch (...) {
            console = testing::internal::GetCapturedStderr();
            throw;
        }
        console = testing::internal::GetCapturedStderr();
    }
};

}  // namespace tarnwick::test
