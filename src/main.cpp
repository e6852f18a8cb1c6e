#include "driver/run.h"

int main(int argc, char** argv) { return tarnwick::run(argc, argv); }
