#include "port/bitbang/BoardProblem.h"

namespace kovir {

namespace {

// `noun`: "USB pločica", in the case the sentence needs.
std::string BoardText(const BoardProblem& p, std::string text = "USB pločica")
{
    if (!p.serial.empty()) {
        text += " " + p.serial;
    }
    if (!p.device.empty()) {
        text += " (" + p.device + ")";
    }
    return text;
}

} // namespace

std::string DescribeBoardProblem(const BoardProblem& p)
{
    switch (p.fault) {
    case BoardFault::NoPermission:
        return "Nemate dozvolu za pristup: " + BoardText(p) +
               ". Pristup daje pravilo za udev koje program instalira "
               "(/usr/lib/udev/rules.d/60-kovir.rules); ako je program instaliran bez paketa, "
               "kopirajte ga tamo (sudo udevadm control --reload), zatim izvucite i ponovo "
               "priključite pločicu.";
    case BoardFault::Busy:
        return BoardText(p) +
               " je zauzeta: drži je drugi program ili još jedan primerak ovog programa. "
               "Zatvorite ga i pokrenite program ponovo.";
    case BoardFault::System:
        break;
    }
    return "Pristup " + BoardText(p, "USB pločici") + " nije uspeo: " + p.reason + ".";
}

} // namespace kovir
