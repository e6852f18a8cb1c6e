#include "core/huge_pages.h"
#include "core/program_start.h"
#include "core/signals.h"
#include "core/standard_streams.h"
#include "driver/run.h"

int main(int argc, char** argv) {
    // First of all: a closed standard stream must not lend its number to an output file.
    tarnwick::reserve_standard_streams();
    tarnwick::install_signal_handlers();
    tarnwick::keep_freed_memory();
    tarnwick::use_binary_streams();
    tarnwick::prepare_console();
    // Asked before the run, which may start programs that share the console.
    const bool own_console = tarnwick::console_opened_for_this_run();
    const tarnwick::CommandLineArguments arguments(argc, argv);
    const int status = tarnwick::run(arguments.count(), arguments.values());
    // A window that closes at once would take the result with it.
    if (own_console) tarnwick::wait_for_enter();
    return status;
}
