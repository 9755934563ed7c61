// kovir.exe: the whole program on the computer's real parallel port, through
// the port-I/O library (IO.DLL or InpOut).
#include "core/Commands.h"
#include "port/portlib/PortLibraryPort.h"
#include "ui/win32/RunKovir.h"

int main()
{
    return kovir::RunKovir(std::make_unique<kovir::PortLibraryPort>(kovir::PortOptions));
}
