#include "core/program_start.h"
#include "core/signals.h"
#include "core/standard_streams.h"
#include "driver/run.h"

int main(int argc, char** argv) {
    // First of all: a closed standard stream must not lend its number to an output file.
    tarnwick::reserve_standard_streams();
    tarnwick::install_signal_handlers();
    tarnwick::use_binary_streams();
    tarnwick::prepare_console();
    const tarnwick::CommandLineArguments arguments(argc, argv);
    return tarnwick::run(arguments.count(), arguments.values());
}
