// kovir-sim: the whole program on the simulated port. Each port write is one
// line on standard output instead of a byte on a device.
#include "guard/GuardedPort.h"
#include "port/sim/SimulatedPort.h"
#include "ui/qt/RunKovir.h"

#include <cstdio>

int main(int argc, char** argv)
{
    // The guard first, before the toolkit starts a thread.
    return kovir::RunKovir(argc, argv,
                           kovir::Guarded(std::make_unique<kovir::SimulatedPort>(stdout)));
}
