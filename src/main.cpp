#include "core/program_start.h"
#include "core/signals.h"
#include "driver/run.h"

int main(int argc, char** argv) {
    tarnwick::install_signal_handlers();
    tarnwick::use_binary_streams();
    tarnwick::prepare_console();
    const tarnwick::CommandLineArguments arguments(argc, argv);
    return tarnwick::run(arguments.count(), arguments.values());
}
