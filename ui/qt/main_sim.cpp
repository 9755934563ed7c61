// kovir-sim: the whole program on the simulated port. Each port write is one
// line on standard output instead of a byte on a device.
#include "port/sim/SimulatedPort.h"
#include "ui/qt/RunKovir.h"

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    // A reader of the trace that went away (`kovir-sim | head`) must not end
    // the program unseen: the write fails instead, and that failure is shown.
    std::signal(SIGPIPE, SIG_IGN);
    return kovir::RunKovir(argc, argv, std::make_unique<kovir::SimulatedPort>(stdout));
}
