// kovir-sim: the whole program on the simulated port. Each port write is one
// line on standard output instead of a byte on a device.
#include "port/sim/SimulatedPort.h"
#include "ui/qt/RunKovir.h"

#include <cstdio>

int main(int argc, char** argv)
{
    return kovir::RunKovir(argc, argv, std::make_unique<kovir::SimulatedPort>(stdout));
}
