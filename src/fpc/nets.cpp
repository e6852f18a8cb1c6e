#include "fpc/nets.h"

namespace tarnwick {

void read_nets(LineReader&, Board&, const RunSettings&) {}

}  // namespace tarnwick
