// kovir.exe: the whole program on the computer's real parallel port, through
// the port-I/O library (IO.DLL or InpOut).
#include "core/Commands.h"
#include "guard/GuardedPort.h"
#include "port/portlib/PortLibraryPort.h"
#include "ui/win32/RunKovir.h"

int main()
{
    // The guard first, before any port library loads: it stops every port
    // the program drove however the program ends, End task included.
    return kovir::RunKovir(
        kovir::Guarded(std::make_unique<kovir::PortLibraryPort>(kovir::PortOptions)));
}
