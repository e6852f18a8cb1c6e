#include "fpc/footprints.h"

namespace tarnwick {

void read_footprints(LineReader&, Board&, const RunSettings&) {}

}  // namespace tarnwick
