#include "fpc/texts.h"

namespace tarnwick {

void read_texts(LineReader&, Board&, const RunSettings&) {}

}  // namespace tarnwick
