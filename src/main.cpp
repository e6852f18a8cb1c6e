#include <csignal>

#include "core/standard_streams.h"
#include "driver/run.h"

int main(int argc, char** argv) {
    tarnwick::reserve_standard_streams();
    // Past a file size limit a write then fails like one to a full disk, and the run reports it
    // and removes its unfinished output, instead of being killed with the file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    return tarnwick::run(argc, argv);
}
