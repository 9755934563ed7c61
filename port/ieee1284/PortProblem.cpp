#include "port/ieee1284/PortProblem.h"

#include "port/PortAddressText.h"
#include "port/PortName.h"

#include <cerrno>

namespace kovir {

PortFault ClassifyOpenFailure(const DeviceNodeFacts& node)
{
    if (!node.exists) {
        return PortFault::NoDriver;
    }
    if (node.accessError == EACCES || node.accessError == EPERM) {
        return PortFault::NoPermission;
    }
    return PortFault::System;
}

PortFault ClassifyClaimFailure(int error)
{
    // ppdev refuses an exclusive claim with ENXIO while any other device
    // (another of us, a printer driver) is registered on the port.
    return error == ENXIO || error == EBUSY ? PortFault::Busy : PortFault::System;
}

namespace {

// A listed port as the messages write it: "0xD010", or "USB" without an address.
std::string PortText(unsigned long base)
{
    return base == 0 ? PortName(0) : HexAddress(static_cast<std::int16_t>(base));
}

// The port as the operator knows it: the option's address, or the port that
// address drives on this PC when that is another one; and its device file.
std::string WithDevice(const PortProblem& p)
{
    std::string text = p.base ? PortText(*p.base) : HexAddress(p.address);
    if (!p.device.empty()) {
        text += " (" + p.device + ")";
    }
    return text;
}

std::string KnownPortsText(const std::vector<KnownPort>& known)
{
    if (known.empty()) {
        return "Sistem trenutno ne poznaje nijedan paralelni port.";
    }
    std::string text = "Poznati portovi:";
    for (std::size_t i = 0; i < known.size(); ++i) {
        text += (i == 0 ? " " : ", ") + PortText(known[i].base) + " (" + known[i].name + ")";
    }
    return text + ".";
}

} // namespace

std::string DescribePortProblem(const PortProblem& p)
{
    const std::string address = HexAddress(p.address);
    switch (p.fault) {
    case PortFault::NotFound:
        return "Paralelni port " + address +
               " nije pronađen: sistem ne poznaje port sa tom baznom adresom. " +
               KnownPortsText(p.known) +
               " Proverite da je port uključen u BIOS-u i da je učitan upravljački program "
               "(sudo modprobe parport_pc ppdev)." +
               (p.unpreparedBoards.empty() ? "" : " " + p.unpreparedBoards);
    case PortFault::NoDriver:
        return "Paralelni port " + WithDevice(p) +
               " nije dostupan programima: nije učitan upravljački program ppdev, ili ni "
               "parport_pc, upravljački program samog porta. Učitajte oba "
               "(sudo modprobe parport_pc ppdev) i pokrenite program ponovo.";
    case PortFault::NoPermission: {
        const std::string group = p.group.empty() ? "lp" : p.group;
        return "Nemate dozvolu za pristup paralelnom portu " + WithDevice(p) +
               ". Port je dostupan članovima grupe " + group +
               ": dodajte korisnika u tu grupu (sudo usermod -aG " + group +
               " $USER), zatim se odjavite i ponovo prijavite.";
    }
    case PortFault::Busy:
        return "Paralelni port " + WithDevice(p) +
               " je zauzet: drži ga drugi program ili još jedan primerak ovog programa. "
               "Zatvorite ga i pokrenite program ponovo. Ako port drži upravljački program "
               "štampača, uklonite ga (sudo modprobe -r lp).";
    case PortFault::System:
        break;
    }
    return "Pristup paralelnom portu " + WithDevice(p) + " nije uspeo: " + p.reason + ".";
}

} // namespace kovir
