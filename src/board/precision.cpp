#include "board/precision.h"

#include <cstdio>
#include <cstdlib>

namespace tarnwick {

double to_precision(double value, int places) {
    char text[400];  // the widest double in "%f" form is about 310 digits
    std::snprintf(text, sizeof text, "%1.*lf", places, value);
    return std::strtod(text, nullptr);
}

bool same_at_precision(double a, double b, int places) {
    return to_precision(a, places) == to_precision(b, places);
}

}  // namespace tarnwick
