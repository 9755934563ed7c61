// kovir-sim.exe: the whole program on the simulated port, a console program
// whose console shows each port write as one line.
#include "port/sim/SimulatedPort.h"
#include "ui/win32/RunKovir.h"

#include <cstdio>

int main()
{
    return kovir::RunKovir(std::make_unique<kovir::SimulatedPort>(stdout));
}
