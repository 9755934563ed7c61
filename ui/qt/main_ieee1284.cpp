// kovir: the whole program on the computer's real parallel port.
#include "core/Commands.h"
#include "port/ieee1284/Ieee1284Port.h"
#include "ui/qt/RunKovir.h"

int main(int argc, char** argv)
{
    return kovir::RunKovir(argc, argv, std::make_unique<kovir::Ieee1284Port>(kovir::PortOptions));
}
