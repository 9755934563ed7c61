#include "port/bitbang/BoardProblem.h"

namespace kovir {

namespace {

// The board as the messages name it: `text` ("USB pločica", in the case the
// sentence needs), its serial number and its device node.
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
    case BoardFault::SerialOpen:
        return BoardText(p) + " je zauzeta: njen serijski port " + p.tty +
               " drži otvorenim drugi program. Zatvorite ga i pokrenite program ponovo.";
    case BoardFault::SerialUnsure:
        return BoardText(p) + " je zauzeta: upravljački program ftdi_sio drži je kao serijski port " +
               p.tty +
               ", a ne može se proveriti da li ga neki program koristi. Pravilo za udev koje "
               "program instalira (/usr/lib/udev/rules.d/60-kovir.rules) sklanja taj upravljački "
               "program sa pločica ovog programa; ako ga nema, kopirajte ga tamo (sudo udevadm "
               "control --reload) i ponovo priključite pločicu, ili ga sklonite sada: echo -n " +
               p.usbInterface + " | sudo tee /sys/bus/usb/drivers/ftdi_sio/unbind";
    case BoardFault::System:
        break;
    }
    return "Pristup " + BoardText(p, "USB pločici") + " nije uspeo: " + p.reason + ".";
}

} // namespace kovir
