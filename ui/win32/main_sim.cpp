// kovir-sim.exe: the whole program on the simulated port, a console program
// whose console shows each port write as one line.
#include "guard/GuardedPort.h"
#include "port/sim/SimulatedPort.h"
#include "ui/win32/RunKovir.h"

#include <cstdio>

int main()
{
    // The guard first, before the window: it stops the trace's device
    // however the program ends.
    return kovir::RunKovir(kovir::Guarded(std::make_unique<kovir::SimulatedPort>(stdout)));
}
