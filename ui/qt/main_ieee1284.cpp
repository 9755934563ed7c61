// kovir: the whole program on the computer's real parallel port.
#include "core/Commands.h"
#include "guard/GuardedPort.h"
#include "port/ieee1284/Ieee1284Port.h"
#include "ui/qt/RunKovir.h"

int main(int argc, char** argv)
{
    // The guard first, before the toolkit starts a thread.
    return kovir::RunKovir(
        argc, argv, kovir::Guarded(std::make_unique<kovir::Ieee1284Port>(kovir::PortOptions)));
}
