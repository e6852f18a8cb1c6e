#pragma once
// The picture of a board as an SVG file: to scale in mils with y up, as the editor shows it; one
// group per layer, drawn from the bottom up, each in its colour and half transparent over the
// ones below; a legend with the colours and the counts. On a routed board the router's copper
// is drawn in a lighter shade than the board's own.

#include <string>
#include <vector>

#include "board/board.h"
#include "board/router_copper.h"
#include "picture/picture_file.h"

namespace tarnwick {

// A connection still open, from one place to another, in inches.
struct OpenLine {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
};

// What one picture shows beside the board: its title, and on a routed board the copper the
// router laid (null for the board as loaded) and the connections it leaves open (null: the
// board's rat-lines are drawn as its open connections).
struct PictureSubject {
    std::string title;
    const RouterCopper* router = nullptr;
    const std::vector<OpenLine>* open = nullptr;
};

// The whole picture, into `file` as it stands.
void write_board_picture(PictureFile& file, const Board& board, const PictureSubject& subject);

// Writes the picture to `name` (under a temporary name until it is whole) and reports it on the
// console. A file that cannot be opened is error 50043; one that cannot be written whole, 50044.
void write_picture_file(const Board& board, const std::string& name, const PictureSubject& subject);

inline constexpr int picture_not_opened = 50043;
inline constexpr int picture_not_written = 50044;

}  // namespace tarnwick
