#include "fpc/outlines.h"

namespace tarnwick {

void read_board_outlines(LineReader&, Board&, const RunSettings&) {}
void read_sm_cutouts(LineReader&, Board&, const RunSettings&) {}

}  // namespace tarnwick
