#include "fpc/parts.h"

namespace tarnwick {

void read_parts(LineReader&, Board&, const RunSettings&) {}

}  // namespace tarnwick
