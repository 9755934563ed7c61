// Runs a scripted sequence of Controller operations on the real hardware
// backend; the test tool the emulated PC runs. Each argument is one
// operation:
//   start  forward back left right  stop  sound  lpt1 lpt2 lpt3  close  hold:<ms>
// (lpt1 = 0x378, lpt2 = 0x278, lpt3 = 0x3BC; hold keeps the port for a while).
// A failure is printed on standard error, as the window would show it, and
// ends the run with status 1.
#include "core/Controller.h"
#include "port/ieee1284/Ieee1284Port.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

class NoPanel final : public kovir::ButtonPanel {
public:
    void SetBackColor(kovir::Button, kovir::ColourRef) override {}
};

void Run(kovir::Controller& c, const std::string& op)
{
    using kovir::Direction;
    using kovir::PortAddress;
    if (op == "start") {
        c.Start();
    } else if (op == "forward") {
        c.Move(Direction::Forward);
    } else if (op == "back") {
        c.Move(Direction::Back);
    } else if (op == "left") {
        c.Move(Direction::Left);
    } else if (op == "right") {
        c.Move(Direction::Right);
    } else if (op == "stop") {
        c.Stop();
    } else if (op == "sound") {
        c.Sound();
    } else if (op == "lpt1") {
        c.SelectPort(PortAddress::Lpt1);
    } else if (op == "lpt2") {
        c.SelectPort(PortAddress::Lpt2);
    } else if (op == "lpt3") {
        c.SelectPort(PortAddress::Lpt3);
    } else if (op == "close") {
        c.Close();
    } else if (op.starts_with("hold:")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(op.substr(5))));
    } else {
        throw std::invalid_argument("unknown operation: " + op);
    }
}

} // namespace

int main(int argc, char** argv)
{
    kovir::Ieee1284Port port;
    NoPanel panel;
    kovir::Controller controller(port, panel);
    try {
        for (int i = 1; i < argc; ++i) {
            Run(controller, argv[i]);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kovir-guest-driver: %s\n", e.what());
        return 1;
    }
    return 0;
}
